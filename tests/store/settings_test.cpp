#include "store/settings.h"

#include <gtest/gtest.h>

#include "store/binio.h"
#include "store/settings_slots.h"
#include "tests/support/file_limit.h"
#include "tests/support/fixtures.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

TEST(Settings, FileIsTheLittleEndianImageWithTheBudgetInTwoSlots) {
  Settings s;
  s.rarityFormula = RarityFormula::kInverseSquare;
  s.areasToAdd = -3;
  s.setBudget(1234.5);
  auto img = encodeSettings(s);
  ASSERT_EQ(img.size(), 348u);
  EXPECT_EQ(img[4 * kRarityFormula], 2);
  EXPECT_EQ(img[4 * kAreasToAdd], 0xfd);
  EXPECT_EQ(img[4 * kAreasToAdd + 3], 0xff);
  // 1234.5 = 0x40934A0000000000: low word first.
  EXPECT_EQ(img[4 * kBudgetLow], 0x00);
  EXPECT_EQ(img[4 * kBudgetLow + 6], 0x93);
  EXPECT_EQ(img[4 * kBudgetLow + 7], 0x40);
  Settings back = decodeSettings(img.data(), img.size());
  EXPECT_TRUE(back == s);
  EXPECT_DOUBLE_EQ(back.budget(), 1234.5);
}

// Every byte of a file comes back, whatever it holds: slots no field uses,
// values outside a field's enum, a NaN budget.
TEST(Settings, AnyImageRoundTripsByteForByte) {
  std::array<unsigned char, kSettingsBytes> img{};
  std::uint32_t x = 0x9E3779B9u;
  for (auto& b : img) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<unsigned char>(x);
  }
  for (int fill : {0x00, 0xff, -1}) {
    auto in = img;
    if (fill >= 0) in.fill(static_cast<unsigned char>(fill));
    const Settings s = decodeSettings(in.data(), in.size());
    EXPECT_EQ(encodeSettings(s), in) << "fill " << fill;
    EXPECT_TRUE(decodeSettings(encodeSettings(s).data(), kSettingsBytes) == s) << "fill " << fill;
  }
  // Each slot is its own: changing one field or spare slot changes its four
  // bytes and no others.
  const Settings base = decodeSettings(img.data(), img.size());
  for (int slot = 0; slot < kSettingsSlots; ++slot) {
    auto edited = img;
    edited[static_cast<std::size_t>(4 * slot)] ^= 0x5a;
    const auto out = encodeSettings(decodeSettings(edited.data(), edited.size()));
    EXPECT_EQ(out, edited) << "slot " << slot;
    EXPECT_FALSE(decodeSettings(edited.data(), edited.size()) == base) << "slot " << slot;
  }
  for (int spare : kSpareSlotNumbers) {
    Settings s = base;
    s.spare.fill(0);
    const auto out = encodeSettings(s);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(out[static_cast<std::size_t>(4 * spare + k)], 0) << "spare " << spare;
  }
  // The 3D-map block is slots 71 to 80, in order.
  Settings s = base;
  for (int i = 0; i < kThreeDSlots; ++i) s.threeD[static_cast<std::size_t>(i)] = 1000 + i;
  const auto out = encodeSettings(s);
  for (int i = 0; i < kThreeDSlots; ++i) EXPECT_EQ(readI32(out.data() + 4 * (71 + i)), 1000 + i) << "slot " << 71 + i;
  EXPECT_EQ(readI32(out.data() + 4 * 70), readI32(img.data() + 4 * 70));
  EXPECT_EQ(readI32(out.data() + 4 * 81), readI32(img.data() + 4 * 81));
}

TEST(Settings, OutOfRangeValuesAreKeptUntilTheStartupCorrections) {
  std::array<unsigned char, kSettingsBytes> img{};
  auto put = [&](int slot, std::int32_t v) { writeI32(img.data() + 4 * slot, v); };
  put(kReordering, 7);
  put(kHotspotKind, -2);
  put(kScaleType, 5);
  put(kColourMode, 99);
  put(kFillFrameCoast, 1);
  Settings s = decodeSettings(img.data(), img.size());
  EXPECT_EQ(static_cast<int>(s.reordering), 7);
  EXPECT_EQ(static_cast<int>(s.hotspotKind), -2);
  EXPECT_EQ(static_cast<int>(s.scaleType), 5);
  EXPECT_EQ(encodeSettings(s), img) << "read as stored";
  auto saved = static_cast<Flag>(-1);
  const MapSettingsCopy copy = correctAtStartup(s, saved);
  // Values the corrections do not know stay (those they put right: StartupCorrections).
  EXPECT_EQ(static_cast<int>(s.reordering), 7);
  EXPECT_EQ(static_cast<int>(s.colourMode), 99);
  EXPECT_EQ(static_cast<int>(copy.scaleType), 5);
  EXPECT_EQ(static_cast<int>(copy.hotspotKind), -2);
  // 99 is no 256-colour mode, but only modes below dark switch the fill off;
  // a fill in force shows the frame and coast.
  EXPECT_EQ(saved, Flag::kOn);
  EXPECT_EQ(s.frameShown, Flag::kOn);
  EXPECT_EQ(s.coastShown, Flag::kOn);
  put(kColourMode, -1);
  s = decodeSettings(img.data(), img.size());
  correctAtStartup(s, saved);
  EXPECT_EQ(saved, Flag::kOff);
  EXPECT_EQ(s.fillFrameCoast, Flag::kOff);
}

// Every set of defaults keeps the measure and the dark-or-light choice and
// fills the frame and coast only where a fill can show: 256 colours, dark,
// not zoomed.
TEST(Settings, DefaultsKeepTheMeasureAndFillOnlyWhereAFillCanShow) {
  struct Case {
    bool light, zoomed, britain;
  };
  for (Case c :
       {Case{false, false, false}, Case{true, false, false}, Case{false, true, false}, Case{false, false, true}}) {
    Settings d;
    d.measureCode = kCodeGreedy;
    d.printOption = 5;
    d.lightDefaults = flagOf(c.light);
    setDefaults(d, c.zoomed, c.britain);
    EXPECT_EQ(d.measureCode, kCodeGreedy);
    EXPECT_EQ(d.printOption, 0);
    EXPECT_EQ(d.lightDefaults, flagOf(c.light));
    EXPECT_EQ(d.colourMode, c.light ? kLightColour : kDarkColour);
    EXPECT_EQ(d.fillFrameCoast, flagOf(!c.light && !c.zoomed));
    EXPECT_EQ(d.fineGridStyle, c.light || c.britain ? FineGridStyle::kSpots : FineGridStyle::kLines);
    EXPECT_EQ(readI32(encodeSettings(d).data() + 4 * kMapPalette), 0) << "the ramp entry as files had it";
  }
}

TEST(Settings, StartupCorrections) {
  struct Case {
    SettingsField field;
    int stored;
    SettingsField fieldAfter;
    int expected;
  };
  const Case cases[] = {
      {settingsField<&Settings::neighbourhoodSize>(), 16, settingsField<&Settings::neighbourhoodSize>(), 9},
      {settingsField<&Settings::neighbourhoodSize>(), 25, settingsField<&Settings::neighbourhoodSize>(), 25},
      {settingsField<&Settings::areasToAdd>(), 0, settingsField<&Settings::areasToAdd>(), 2},
      {settingsField<&Settings::classCount>(), 50, settingsField<&Settings::classCount>(), 10},
      {settingsField<&Settings::classCount>(), 1, settingsField<&Settings::classCount>(), 2},
      {settingsField<&Settings::colourMode>(), 1, settingsField<&Settings::fillFrameCoast>(),
       0},  // 16 colours never fill
      {settingsField<&Settings::reordering>(), 4, settingsField<&Settings::reordering>(), 1},
      {settingsField<&Settings::reordering>(), 3, settingsField<&Settings::reordering>(), 3},
      {settingsField<&Settings::measureCode>(), 12, settingsField<&Settings::measureCode>(), 0},
      {settingsField<&Settings::longReports>(), 1, settingsField<&Settings::longReports>(), 0},
      {settingsField<&Settings::overlayScheme>(), 0, settingsField<&Settings::overlayScheme>(), 2},
      {settingsField<&Settings::optimiseByCost>(), 1, settingsField<&Settings::optimiseByCost>(), 0},
      {settingsField<&Settings::exactTimeLimit>(), 0, settingsField<&Settings::exactTimeLimit>(), 60},
      {settingsField<&Settings::exactTimeLimit>(), 86401, settingsField<&Settings::exactTimeLimit>(), 60},
      {settingsField<&Settings::exactTimeLimit>(), 86400, settingsField<&Settings::exactTimeLimit>(), 86400},
      {settingsField<&Settings::exactTimeLimit>(), 1, settingsField<&Settings::exactTimeLimit>(), 1},
      {settingsField<&Settings::mapPalette>(), 3, settingsField<&Settings::mapPalette>(), 3},  // both ramps
      {settingsField<&Settings::mapPalette>(), 9, settingsField<&Settings::mapPalette>(), 0},  // unknown bits
      {settingsField<&Settings::mapPalette>(), -1, settingsField<&Settings::mapPalette>(), 0},
  };
  for (const Case& c : cases) {
    Settings s;
    setDefaults(s);
    c.field.set(s, c.stored);
    auto saved = static_cast<Flag>(-1);
    correctAtStartup(s, saved);
    EXPECT_EQ(c.fieldAfter.get(s), c.expected) << "case " << (&c - cases) << " stored " << c.stored;
  }
}

TEST(OptionsFile, MissingGivesDarkDefaultsAndShortLeavesZeros) {
  test::TempDir tmp;
  Settings s;
  EXPECT_FALSE(readOptions(s, tmp.path() / "none.opp"));
  EXPECT_EQ(s.colourMode, 2);
  s.mapPalette = MapPalette::kAllBits;
  std::string shortFile(12, '\0');
  shortFile[8] = 2;  // rarity formula
  test::writeFile(tmp.path() / "short.opp", shortFile);
  EXPECT_TRUE(readOptions(s, tmp.path() / "short.opp"));
  EXPECT_EQ(s.rarityFormula, RarityFormula::kInverseSquare);
  EXPECT_EQ(s.colourMode, 0);
  EXPECT_EQ(s.mapPalette, MapPalette::kStandard) << "a file ending before the ramp entry";
  EXPECT_EQ(cellsIn(s.neighbourhoodSize), 0);
  Flag saved{};
  correctAtStartup(s, saved);
  EXPECT_EQ(s.neighbourhoodSize, NeighbourhoodSize::kNine);
  EXPECT_EQ(s.areasToAdd, 2);
}

TEST(OptionsFile, WriteReplacesTheFileAndFailureKeepsTheOld) {
  test::TempDir tmp;
  fs::path f = tmp.path() / "ZONARIUM.OPP";
  Settings s;
  setDefaults(s);
  s.reordering = Reordering::kByThreat;
  ASSERT_TRUE(writeOptions(s, f));
  EXPECT_EQ(fs::file_size(f), 348u);
  Settings back;
  readOptions(back, f);
  EXPECT_TRUE(back == s);
  Flag saved{};
  correctAtStartup(back, saved);
  EXPECT_EQ(back.reordering, Reordering::kByRichness);  // no threat data at start
  // A full disk: the write fails and nothing is lost.
  fs::path blocked = tmp.path() / "blocked";
  test::writeFile(blocked / "ZONARIUM.OPP", "old");
  {
    test::FileSizeLimit full(100);
    EXPECT_FALSE(writeOptions(s, blocked / "ZONARIUM.OPP"));
  }
  EXPECT_EQ(test::readFile(blocked / "ZONARIUM.OPP"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(blocked), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace zn
