#include "display/palette.h"

#include <gtest/gtest.h>

#include "measures/scores.h"
#include "store/binio.h"
#include "store/settings_slots.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

Palette built(int mode, int deviceColours = -1, bool maxSeparate = true, MapPalette ramp = MapPalette::kStandard) {
  Settings s;
  setDefaults(s);
  s.colourMode = static_cast<ColourMode>(mode);
  s.maxNotSeparate = flagOf(!maxSeparate);
  s.mapPalette = ramp;
  Palette p;
  allocatePalette(p, deviceColours, s);
  buildPalette(p, s);
  return p;
}

TEST(Palette, SixEntryTablesOfTheSmallModes) {
  struct Case {
    const char* what;
    int mode, device;
    std::array<Rgb, 6> expect;
  };
  const Case cases[] = {
      {"monochrome (log)",
       kMonoLog,
       -1,
       {{{230, 230, 230}, {212, 212, 212}, {188, 188, 188}, {156, 156, 156}, {107, 107, 107}, {0, 0, 0}}}},
      {"monochrome (lin)",
       kMonoLin,
       -1,
       {{{210, 210, 210}, {165, 165, 165}, {130, 130, 130}, {100, 100, 100}, {75, 75, 75}, {0, 0, 0}}}},
      {"16 colour on 256 entries",
       kSixteenColour,
       -1,
       {{{0, 0, 195}, {0, 130, 255}, {0, 205, 255}, {95, 235, 0}, {255, 175, 0}, {255, 0, 36}}}},
      {"16 colour device",
       kSixteenColour,
       16,
       {{{0, 0, 128}, {0, 0, 255}, {0, 255, 255}, {0, 255, 0}, {255, 255, 0}, {255, 0, 0}}}},
      {"light mode on a 16 colour device",
       kLightColour,
       16,
       {{{0, 0, 128}, {0, 0, 255}, {0, 255, 255}, {0, 255, 0}, {255, 255, 0}, {255, 0, 0}}}},
  };
  for (const Case& c : cases) {
    Palette p = built(c.mode, c.device);
    EXPECT_EQ(p.classCount, 6) << c.what;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p.at(i), c.expect[static_cast<std::size_t>(i)]) << c.what << " entry " << i;
  }
}

TEST(Palette, RampsOfThe256ColourModes) {
  Palette dark = built(kDarkColour);
  EXPECT_EQ(dark.classCount, 33);
  EXPECT_EQ(dark.at(0), (Rgb{0, 0, 125}));
  EXPECT_EQ(dark.at(16), (Rgb{8, 212, 228}));
  EXPECT_EQ(dark.at(31), (Rgb{240, 95, 0}));
  EXPECT_EQ(dark.at(38), (Rgb{141, 130, 127}));
  Palette light = built(kLightColour);
  EXPECT_EQ(light.classCount, 33);
  EXPECT_EQ(light.at(0), (Rgb{180, 255, 255}));
  EXPECT_EQ(light.at(21), (Rgb{243, 251, 3}));
  EXPECT_EQ(light.at(38), (Rgb{139, 130, 127}));
  for (int i = 33; i <= 37; ++i) EXPECT_EQ(dark.at(i), light.at(i)) << "fill entry " << i;
  EXPECT_EQ(dark.at(33), (Rgb{152, 166, 104}));
  EXPECT_EQ(dark.at(37), (Rgb{155, 155, 155}));
}

TEST(Palette, TopEntryStandsOutOnlyWithMaxInSeparateClass) {
  EXPECT_EQ(built(kDarkColour, -1, true).at(32), (Rgb{255, 0, 85}));
  EXPECT_EQ(built(kDarkColour, -1, false).at(32), (Rgb{255, 51, 0}));
  EXPECT_EQ(built(kLightColour, -1, true).at(32), (Rgb{255, 0, 85}));
  EXPECT_EQ(built(kLightColour, -1, false).at(32), (Rgb{255, 75, 0}));
}

// Luminance as the eye weighs it, for the ramps' ordering.
double lightness(Rgb c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; }

TEST(Palette, ColourBlindRampRisesInLightnessInBothModesOnly) {
  for (int mode : {kDarkColour, kLightColour}) {
    const Palette p = built(mode, -1, true, MapPalette::kColourBlind);
    EXPECT_EQ(p.at(0), (Rgb{68, 1, 84}));
    EXPECT_EQ(p.at(31), (Rgb{232, 228, 39}));
    EXPECT_EQ(p.at(32), (Rgb{255, 0, 85})) << "max in separate class keeps its own colour";
    for (int i = 1; i < 32; ++i) EXPECT_GT(lightness(p.at(i)), lightness(p.at(i - 1))) << "entry " << i;
    EXPECT_EQ(p.at(33), built(mode).at(33)) << "the fill colours stay";
  }
  // The small modes keep their tables whatever the choice.
  EXPECT_EQ(built(kSixteenColour, -1, true, MapPalette::kAllBits).entries, built(kSixteenColour).entries);
  EXPECT_EQ(built(kMonoLog, -1, true, MapPalette::kAllBits).entries, built(kMonoLog).entries);
}

TEST(Palette, DivergingRampOnlyForResidualMapsWhenChosen) {
  Settings s;
  setDefaults(s);
  Palette p;
  buildPalette(p, s);
  EXPECT_FALSE(divergingRampApplies(p, s, kCodeResiduals)) << "not chosen";
  s.mapPalette = MapPalette::kDivergingResiduals;
  EXPECT_TRUE(divergingRampApplies(p, s, kCodeResiduals));
  EXPECT_FALSE(divergingRampApplies(p, s, kCodeRichness)) << "richness";
  p.overlayInForce = true;
  EXPECT_FALSE(divergingRampApplies(p, s, kCodeResiduals)) << "an overlay block";
  EXPECT_FALSE(divergingRampApplies(built(kMonoLog), s, kCodeResiduals));
}

TEST(Palette, DivergingRampTurnsAtTheZeroClass) {
  Palette p = built(kDarkColour);
  putDivergingRamp(p, 12, false);
  EXPECT_EQ(p.at(12), (Rgb{247, 247, 247}));
  EXPECT_EQ(p.at(0), (Rgb{33, 102, 172}));
  EXPECT_EQ(p.at(32), (Rgb{178, 24, 43}));
  for (int i = 1; i <= 12; ++i) EXPECT_GT(lightness(p.at(i)), lightness(p.at(i - 1))) << "below zero " << i;
  for (int i = 13; i <= 32; ++i) EXPECT_LT(lightness(p.at(i)), lightness(p.at(i - 1))) << "above zero " << i;
  EXPECT_GT(p.at(5).b, p.at(5).r);
  EXPECT_GT(p.at(20).r, p.at(20).b);
  EXPECT_EQ(p.at(33), built(kDarkColour).at(33)) << "the fill colours stay";
  // No residual below zero: all classes on the red side; a zero class past
  // the top is the top; the separate maximum darkest.
  putDivergingRamp(p, 0, true);
  EXPECT_EQ(p.at(0), (Rgb{247, 247, 247}));
  EXPECT_EQ(p.at(32), (Rgb{103, 0, 31}));
  putDivergingRamp(p, 99, false);
  EXPECT_EQ(p.at(32), (Rgb{247, 247, 247}));
  EXPECT_EQ(p.at(0), (Rgb{33, 102, 172}));
}

TEST(Palette, OptionsFileWithoutARampEntryGivesTheStandardRamp) {
  test::TempDir dir;
  Settings dark;
  setDefaults(dark);
  const auto image = encodeSettings(dark);
  EXPECT_EQ(readI32(image.data() + 4 * kMapPalette), 0) << "the defaults write the file as before";
  struct Case {
    const char* what;
    std::size_t bytes;
    std::int32_t value;
    std::int32_t expect;
  };
  for (const Case& c : {Case{"file ends before the entry", 4 * kMapPalette, 3, 0}, Case{"unknown bits", 348, 9, 0},
                        Case{"negative", 348, -1, 0}, Case{"both ramps", 348, 3, 3}}) {
    Settings s = dark;
    s.colourMode = kLightColour;
    s.mapPalette = static_cast<MapPalette>(c.value);
    const auto bytes = encodeSettings(s);
    const auto file = dir.path() / "ZONARIUM.OPP";
    test::writeFile(file, std::string(reinterpret_cast<const char*>(bytes.data()), c.bytes));
    Settings read;
    ASSERT_TRUE(readOptions(read, file)) << c.what;
    Flag fill{};
    correctAtStartup(read, fill);
    EXPECT_EQ(static_cast<std::int32_t>(read.mapPalette), c.expect) << c.what;
    Palette p;
    buildPalette(p, read);
    EXPECT_EQ(p.at(0),
              (c.expect & static_cast<std::int32_t>(MapPalette::kColourBlind) ? Rgb{68, 1, 84} : Rgb{180, 255, 255}))
        << c.what;
  }
}

TEST(Palette, DeviceColourCountSetsTheSize) {
  struct Case {
    int device, size;
    bool trueColour;
  };
  for (Case c : {Case{0, 16, false}, Case{16, 16, false}, Case{17, 256, false}, Case{256, 256, false},
                 Case{-1, 256, true}, Case{65536, 256, true}}) {
    Settings s;
    Palette p;
    allocatePalette(p, c.device, s);
    EXPECT_EQ(p.size, c.size) << "device " << c.device;
    EXPECT_EQ(p.trueColour, c.trueColour) << "device " << c.device;
  }
}

TEST(Palette, SixteenColourDeviceLowersDarkModeOnly) {
  Settings s;
  s.colourMode = kDarkColour;
  Palette p;
  allocatePalette(p, 16, s);
  EXPECT_EQ(s.colourMode, kSixteenColour);
  s.colourMode = kLightColour;
  allocatePalette(p, 16, s);
  EXPECT_EQ(s.colourMode, kLightColour);
  allocatePalette(p, -1, s);
  s.colourMode = kDarkColour;
  allocatePalette(p, -1, s);
  EXPECT_EQ(s.colourMode, kDarkColour);
}

TEST(Palette, ScoreEntriesOnAColourRefOrAnRgb) {
  Palette p = built(kDarkColour);
  EXPECT_EQ(p.colour(paletteIndexRef(9)), (Rgb{0, 130, 255}));
  EXPECT_EQ(p.colour(0x00336699), (Rgb{0x99, 0x66, 0x33}));
  EXPECT_EQ(p.colour(paletteIndexRef(5000)), (Rgb{0, 0, 0}));
}

TEST(TwoAxisPalette, OnlyIn256ColourModes) {
  Settings s;
  setDefaults(s);
  s.colourMode = kSixteenColour;
  Palette p = built(kSixteenColour);
  const auto before = p.entries;
  EXPECT_FALSE(buildTwoAxisPalette(p, s, 1));
  EXPECT_EQ(p.entries, before);
  s.colourMode = kDarkColour;
  Palette q;
  allocatePalette(q, 16, s);
  buildPalette(q, s);
  EXPECT_FALSE(buildTwoAxisPalette(q, s, 1));
}

TEST(TwoAxisPalette, SchemesZeroAndOneFollowTheirFormulas) {
  Settings s;
  setDefaults(s);
  Palette p = built(kDarkColour);
  const auto ramp = std::vector<Rgb>(p.entries.begin(), p.entries.begin() + 40);
  ASSERT_TRUE(buildTwoAxisPalette(p, s, 1));
  EXPECT_EQ(std::vector<Rgb>(p.entries.begin(), p.entries.begin() + 40), ramp);
  // Row 3, column 7: green 105, blue 205, red (225 * 105) / 255 = 92.6.
  EXPECT_EQ(p.at(40 + 37), (Rgb{92, 105, 205}));
  EXPECT_EQ(p.at(40), (Rgb{14, 30, 30}));
  EXPECT_EQ(p.at(139), (Rgb{255, 255, 255}));
  ASSERT_TRUE(buildTwoAxisPalette(p, s, 0));
  // i = 3, j = 7: green 105 - 205 * (105 - 120) / 255 = 117.05; blue 205 - 85 * 105 / 255 = 170.
  EXPECT_EQ(p.at(40 + 37), (Rgb{92, 117, 170}));
}

TEST(TwoAxisPalette, SchemesTwoAndThreeShareRedAcrossTheirDiagonal) {
  Settings s;
  setDefaults(s);
  Palette p = built(kDarkColour);
  ASSERT_TRUE(buildTwoAxisPalette(p, s, 2));
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 10; ++j) {
      EXPECT_EQ(p.at(40 + 10 * i + j).r, p.at(40 + 10 * j + i).r) << i << "," << j;
      EXPECT_EQ(p.at(40 + 10 * i + j).g, 30 + 25 * i);
      EXPECT_EQ(p.at(40 + 10 * i + j).b, 30 + 25 * j);
    }
  // Both axes high: near white; far from the diagonal the red falls.
  EXPECT_GT(p.at(40 + 99).r, 240);
  EXPECT_LT(p.at(40 + 9).r, p.at(40 + 99).r);
  ASSERT_TRUE(buildTwoAxisPalette(p, s, 3));
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 10; ++j)
      EXPECT_EQ(p.at(40 + 10 * i + j).r, p.at(40 + 10 * (9 - j) + (9 - i)).r) << i << "," << j;
  EXPECT_GT(p.at(40 + 90).r, p.at(40 + 99).r);
}

TEST(ThreeAxisPalette, SixLevelsPerAxisOnA256EntryPalette) {
  Notices notices;
  Settings s;
  Palette p;
  allocatePalette(p, 256, s);
  ThreeAxisScales axes;
  axes.green.reversed = true;
  axes.blue.on = true;
  ASSERT_TRUE(buildThreeAxisPalette(p, axes, notices));
  EXPECT_EQ(p.classCount, 216);
  EXPECT_EQ(p.at(0), (Rgb{0, 255, 55}));
  EXPECT_EQ(p.at(5), (Rgb{0, 255, 255}));
  EXPECT_EQ(p.at(6), (Rgb{0, 204, 55}));
  EXPECT_EQ(p.at(36), (Rgb{51, 255, 55}));
  EXPECT_EQ(p.at(215), (Rgb{255, 0, 255}));
  axes.red.on = false;
  axes.blue.reversed = true;
  ASSERT_TRUE(buildThreeAxisPalette(p, axes, notices));
  EXPECT_EQ(p.at(215), (Rgb{0, 0, 55}));
  EXPECT_EQ(p.at(1), (Rgb{0, 255, 215}));
  EXPECT_TRUE(notices.empty());
}

TEST(ThreeAxisPalette, SixteenLevelsOnATrueColourDevice) {
  Notices notices;
  Settings s;
  Palette p;
  allocatePalette(p, -1, s);
  ThreeAxisScales axes;
  axes.red.reversed = true;
  ASSERT_TRUE(buildThreeAxisPalette(p, axes, notices));
  EXPECT_EQ(p.classCount, 4096);
  EXPECT_EQ(p.at(0), (Rgb{255, 0, 0}));
  EXPECT_EQ(p.at(4095), (Rgb{0, 255, 255}));
  EXPECT_EQ(p.at((1 * 16 + 2) * 16 + 3), (Rgb{238, 34, 51}));
}

TEST(ThreeAxisPalette, RefusedBelow256Colours) {
  Notices notices;
  Settings s;
  Palette p;
  allocatePalette(p, 16, s);
  buildPalette(p, s);
  const auto before = p.entries;
  EXPECT_FALSE(buildThreeAxisPalette(p, ThreeAxisScales{}, notices));
  EXPECT_EQ(p.entries, before);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].caption + ": " + notices[0].text,
            "Overlay scores: Must be in 256 colour mode to plot overlays.");
  EXPECT_EQ(notices[0].icon, Icon::Information);
}

TEST(MapDrawingOptions, ColourModeChoice) {
  Settings s;
  setDefaults(s);
  Palette sixteen;
  allocatePalette(sixteen, 16, s);
  chooseColourMode(s, kLightColour, sixteen);
  EXPECT_EQ(s.colourMode, kSixteenColour);

  Palette full;
  allocatePalette(full, -1, s);
  setDefaults(s);  // dark: grey background, fill on
  chooseColourMode(s, kMonoLog, full);
  EXPECT_EQ(s.colourMode, kMonoLog);
  EXPECT_EQ(s.backgroundColour, Shade::kWhite);
  EXPECT_EQ(s.coastColour, CoastColour::kBlack);
  EXPECT_EQ(s.fineGridColour, Shade::kBlack);
  EXPECT_EQ(s.fillFrameCoast, Flag::kOff);

  // Already white: coast and grid colours are the user's.
  s.coastColour = CoastColour::kWhite;
  chooseColourMode(s, kMonoLin, full);
  EXPECT_EQ(s.coastColour, CoastColour::kWhite);
}

TEST(MapDrawingOptions, FillFrameCoastOnlyIn256ColoursAndUnzoomed) {
  Settings s;
  setDefaults(s);
  s.frameShown = Flag::kOff;
  EXPECT_FALSE(chooseFillFrameCoast(s, true, /*zoomed=*/true));
  EXPECT_EQ(s.fillFrameCoast, Flag::kOff);
  EXPECT_TRUE(chooseFillFrameCoast(s, true, false));
  EXPECT_EQ(s.frameShown, Flag::kOn);
  s.colourMode = kSixteenColour;
  EXPECT_FALSE(chooseFillFrameCoast(s, true, false));
}

}  // namespace
}  // namespace zn
