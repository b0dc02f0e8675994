#include "display/palette.h"

#include <gtest/gtest.h>

#include "measures/scores.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

// Settings on the defaults of the colour mode, and their palette on a device
// of that many colours (-1: true colour).
Settings settingsOf(int mode, bool maxSeparate = true, MapPalette ramp = MapPalette::kStandard) {
  Settings s;
  setDefaults(s);
  s.colourMode = static_cast<ColourMode>(mode);
  s.maxNotSeparate = flagOf(!maxSeparate);
  s.mapPalette = ramp;
  return s;
}
Palette built(int mode, int deviceColours = -1, bool maxSeparate = true, MapPalette ramp = MapPalette::kStandard) {
  Settings s = settingsOf(mode, maxSeparate, ramp);
  Palette p;
  allocatePalette(p, deviceColours, s);
  buildPalette(p, s);
  return p;
}

// Luminance as the eye weighs it, for the ramps' ordering.
double lightness(Rgb c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; }

TEST(Palette, SmallModesHaveSixClassesAndGreyRampsDarkenToBlack) {
  for (int mode : {kMonoLog, kMonoLin}) {
    const Palette p = built(mode);
    ASSERT_EQ(p.classCount, 6) << mode;
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(p.at(i).r == p.at(i).g && p.at(i).g == p.at(i).b) << mode << " " << i;
    for (int i = 1; i < 6; ++i) EXPECT_LT(p.at(i).r, p.at(i - 1).r) << mode << " entry " << i;
    EXPECT_EQ(p.at(5), (Rgb{0, 0, 0})) << mode;
  }
  EXPECT_NE(built(kMonoLog).entries, built(kMonoLin).entries);
  // A 16-colour device gets its own colours only, whichever colour mode asked.
  const Palette device = built(kSixteenColour, 16);
  EXPECT_EQ(device.classCount, 6);
  for (int i = 0; i < 6; ++i)
    for (int v : {device.at(i).r, device.at(i).g, device.at(i).b}) EXPECT_TRUE(v == 0 || v == 128 || v == 255) << i;
  EXPECT_EQ(built(kLightColour, 16).entries, device.entries);
  EXPECT_NE(built(kSixteenColour).entries, device.entries) << "on 256 entries the colours are softer";
}

TEST(Palette, ColourRampsRunFromBlueToRedShareTheFillColoursAndTheColourBlindOneRisesInLightness) {
  const Palette dark = built(kDarkColour, -1, false), light = built(kLightColour, -1, false);
  for (const Palette* p : {&dark, &light}) {
    ASSERT_EQ(p->classCount, 33);
    EXPECT_GT(p->at(0).b, p->at(0).r);
    EXPECT_GT(p->at(32).r, p->at(32).b);
  }
  EXPECT_GT(lightness(light.at(0)), lightness(dark.at(0)));
  for (int i = 33; i <= 37; ++i) EXPECT_EQ(dark.at(i), light.at(i)) << "fill entry " << i;
  EXPECT_NE(dark.at(38), light.at(38));
  // "Max in separate class" gives the top class one colour apart from both ramps.
  const Rgb separate = built(kDarkColour).at(32);
  EXPECT_EQ(built(kLightColour).at(32), separate);
  EXPECT_NE(dark.at(32), separate);
  EXPECT_NE(light.at(32), separate);
  EXPECT_EQ(built(kDarkColour).at(31), dark.at(31));

  // The colour-blind ramp rises in lightness, in both colour modes only.
  for (int mode : {kDarkColour, kLightColour}) {
    const Palette p = built(mode, -1, true, MapPalette::kColourBlind);
    EXPECT_EQ(p.at(32), built(mode).at(32)) << "max in separate class keeps its own colour";
    for (int i = 1; i < 32; ++i) EXPECT_GT(lightness(p.at(i)), lightness(p.at(i - 1))) << "entry " << i;
    EXPECT_EQ(p.at(33), built(mode).at(33)) << "the fill colours stay";
  }
  // The small modes keep their tables whatever the choice.
  for (int mode : {kSixteenColour, kMonoLog})
    EXPECT_EQ(built(mode, -1, true, MapPalette::kAllBits).entries, built(mode).entries) << mode;
}

TEST(Palette, DivergingRampOnlyForResidualMapsWhenChosenAndTurnsAtTheZeroClass) {
  Settings s = settingsOf(kDarkColour);
  Palette p = built(kDarkColour);
  EXPECT_FALSE(divergingRampApplies(p, s, kCodeResiduals)) << "not chosen";
  s.mapPalette = MapPalette::kDivergingResiduals;
  EXPECT_TRUE(divergingRampApplies(p, s, kCodeResiduals));
  EXPECT_FALSE(divergingRampApplies(p, s, kCodeRichness)) << "richness";
  p.overlayInForce = true;
  EXPECT_FALSE(divergingRampApplies(p, s, kCodeResiduals)) << "an overlay block";
  EXPECT_FALSE(divergingRampApplies(built(kMonoLog), s, kCodeResiduals));

  // The ramp itself, put on the dark palette.
  const Rgb white{247, 247, 247};
  putDivergingRamp(p, 12, false);
  EXPECT_EQ(p.at(12), white);
  for (int i = 1; i <= 12; ++i) EXPECT_GT(lightness(p.at(i)), lightness(p.at(i - 1))) << "below zero " << i;
  for (int i = 13; i <= 32; ++i) EXPECT_LT(lightness(p.at(i)), lightness(p.at(i - 1))) << "above zero " << i;
  EXPECT_GT(p.at(5).b, p.at(5).r);
  EXPECT_GT(p.at(20).r, p.at(20).b);
  EXPECT_EQ(p.at(33), built(kDarkColour).at(33)) << "the fill colours stay";
  const Rgb bluest = p.at(0), reddest = p.at(32);
  // No residual below zero: all classes on the red side; a zero class past
  // the top is the top; the separate maximum darker than the plain top.
  putDivergingRamp(p, 0, true);
  EXPECT_EQ(p.at(0), white);
  EXPECT_LT(lightness(p.at(32)), lightness(reddest));
  putDivergingRamp(p, 99, false);
  EXPECT_EQ(p.at(32), white);
  EXPECT_EQ(p.at(0), bluest);
}

// Sixteen device colours or fewer lower the dark mode only.
TEST(Palette, DeviceColourCountSetsTheSizeAndSixteenColoursLowerDarkModeOnly) {
  struct Case {
    int mode, device, size;
    bool trueColour;
    int modeAfter;
  };
  for (Case c : {Case{kDarkColour, 0, 16, false, kSixteenColour}, Case{kDarkColour, 16, 16, false, kSixteenColour},
                 Case{kDarkColour, 17, 256, false, kDarkColour}, Case{kDarkColour, 256, 256, false, kDarkColour},
                 Case{kDarkColour, -1, 256, true, kDarkColour}, Case{kDarkColour, 65536, 256, true, kDarkColour},
                 Case{kLightColour, 16, 16, false, kLightColour}}) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " device " << c.device);
    Settings s;
    s.colourMode = static_cast<ColourMode>(c.mode);
    Palette p;
    allocatePalette(p, c.device, s);
    EXPECT_EQ(p.size, c.size);
    EXPECT_EQ(p.trueColour, c.trueColour);
    EXPECT_EQ(s.colourMode, c.modeAfter);
  }
}

TEST(Palette, ScoreEntriesOnAColourRefOrAnRgb) {
  Palette p = built(kDarkColour);
  EXPECT_EQ(p.colour(paletteIndexRef(9)), p.at(9));
  EXPECT_EQ(p.colour(0x00336699), (Rgb{0x99, 0x66, 0x33}));
  EXPECT_EQ(p.colour(paletteIndexRef(5000)), (Rgb{0, 0, 0}));
}

// Entry of cell (i, j) of the two-axis block.
Rgb cellOf(const Palette& p, int i, int j) { return p.at(40 + 10 * i + j); }

TEST(TwoAxisPalette, GreenFollowsTheFirstAxisBlueTheSecondAndRedMirrorsAcrossTheDiagonal) {
  const Settings s = settingsOf(kDarkColour);
  Palette schemes[4];
  for (int scheme : {0, 1, 2, 3}) {
    Palette& p = schemes[scheme] = built(kDarkColour);
    const auto ramp = std::vector<Rgb>(p.entries.begin(), p.entries.begin() + 40);
    ASSERT_TRUE(buildTwoAxisPalette(p, s, scheme));
    EXPECT_TRUE(p.overlayInForce);
    EXPECT_EQ(std::vector<Rgb>(p.entries.begin(), p.entries.begin() + 40), ramp) << scheme;
    if (scheme == 0) continue;  // the first scheme mixes the axes into both channels
    for (int i = 0; i < 10; ++i)
      for (int j = 0; j < 10; ++j) {
        EXPECT_EQ(cellOf(p, i, j).g, 30 + 25 * i) << scheme << ": " << i << "," << j;
        EXPECT_EQ(cellOf(p, i, j).b, 30 + 25 * j) << scheme << ": " << i << "," << j;
      }
  }
  EXPECT_EQ(cellOf(schemes[0], 0, 0).r, cellOf(schemes[1], 0, 0).r);
  EXPECT_NE(cellOf(schemes[0], 3, 7), cellOf(schemes[1], 3, 7));
  // Schemes two and three share red across their diagonal; both axes high
  // is near white, and far from the diagonal the red falls.
  const Palette &two = schemes[2], &three = schemes[3];
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 10; ++j) {
      EXPECT_EQ(cellOf(two, i, j).r, cellOf(two, j, i).r) << i << "," << j;
      EXPECT_EQ(cellOf(three, i, j).r, cellOf(three, 9 - j, 9 - i).r) << i << "," << j;
    }
  EXPECT_GT(cellOf(two, 9, 9).r, 240);
  EXPECT_LT(cellOf(two, 0, 9).r, cellOf(two, 9, 9).r);
  EXPECT_GT(cellOf(three, 9, 0).r, cellOf(three, 9, 9).r);
}

// A three-axis block on a 256-entry or a true-colour palette.
Palette threeAxis(int device, const ThreeAxisScales& axes) {
  Notices notices;
  Settings s;
  Palette p;
  allocatePalette(p, device, s);
  EXPECT_TRUE(buildThreeAxisPalette(p, axes, notices));
  EXPECT_TRUE(notices.empty());
  return p;
}

TEST(ThreeAxisPalette, LevelsPerAxisRunUpOrDownAndAnAxisTurnedOffStaysDark) {
  ThreeAxisScales axes;
  axes.green.reversed = true;
  axes.blue.on = false;
  for (auto [device, n] : {std::pair{256, 6}, std::pair{-1, 16}}) {
    const Palette p = threeAxis(device, axes);
    EXPECT_EQ(p.classCount, n * n * n);
    EXPECT_EQ(p.at(0), (Rgb{0, 255, 0})) << n;
    EXPECT_EQ(p.at(n * n * n - 1), (Rgb{255, 0, 0})) << n;
    for (int k = 1; k < n; ++k) {
      EXPECT_GT(p.at(k * n * n).r, p.at((k - 1) * n * n).r) << "red level " << k;
      EXPECT_LT(p.at(k * n).g, p.at((k - 1) * n).g) << "reversed green level " << k;
    }
  }
  // Blue never reaches black on 256 entries, so a cell with blue shows it.
  const Palette blue = threeAxis(256, ThreeAxisScales{});
  EXPECT_GT(blue.at(0).b, 0);
  EXPECT_EQ(blue.at(5).b, 255);
}

// Overlay palettes need 256 entries of a 256-colour mode; a refusal leaves
// the palette as it was.
TEST(OverlayPalettes, RefusedBelow256Colours) {
  Palette p = built(kSixteenColour);
  const auto before = p.entries;
  EXPECT_FALSE(buildTwoAxisPalette(p, settingsOf(kSixteenColour), 1));
  EXPECT_EQ(p.entries, before);
  Palette q = built(kDarkColour, 16);
  const auto sixteen = q.entries;
  EXPECT_FALSE(buildTwoAxisPalette(q, settingsOf(kDarkColour), 1));
  Notices notices;
  EXPECT_FALSE(buildThreeAxisPalette(q, ThreeAxisScales{}, notices));
  EXPECT_EQ(q.entries, sixteen);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].caption + ": " + notices[0].text,
            "Overlay scores: Must be in 256 colour mode to plot overlays.");
  EXPECT_EQ(notices[0].icon, Icon::Information);
}

}  // namespace
}  // namespace zn
