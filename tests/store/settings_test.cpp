#include "store/settings.h"

#include <gtest/gtest.h>

#include "tests/store/file_limit.h"
#include "tests/support/fixtures.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

TEST(Settings, FileIsTheLittleEndianImageWithTheBudgetInTwoSlots) {
  Settings s;
  s[kRarityFormula] = 2;
  s[kAreasToAdd] = -3;
  s.setBudget(1234.5);
  auto img = encodeSettings(s);
  ASSERT_EQ(img.size(), 348u);
  EXPECT_EQ(img[8], 2);
  EXPECT_EQ(img[152], 0xfd);
  EXPECT_EQ(img[155], 0xff);
  // 1234.5 = 0x40934A0000000000: low word first at offset 340.
  EXPECT_EQ(img[340], 0x00);
  EXPECT_EQ(img[346], 0x93);
  EXPECT_EQ(img[347], 0x40);
  Settings back = decodeSettings(img.data(), img.size());
  EXPECT_EQ(back.slots, s.slots);
  EXPECT_DOUBLE_EQ(back.budget(), 1234.5);
}

TEST(Settings, DarkAndLightDefaults) {
  Settings dark;
  dark[kMeasureCode] = 7;
  dark[kPrintOption] = 5;
  setDefaults(dark);
  EXPECT_EQ(dark[kMeasureCode], 7);  // kept
  EXPECT_EQ(dark[kPrintOption], 0);  // zeroed
  EXPECT_EQ(dark[kColourMode], 2);
  EXPECT_EQ(dark[kFillFrameCoast], 1);
  EXPECT_EQ(dark[kFineGridStyle], 2);
  EXPECT_EQ(dark[kNumbersColour], 0);
  EXPECT_EQ(dark[kAreasToAdd], 10);
  EXPECT_EQ(dark[kNeighbourhoodSize], 9);
  EXPECT_EQ(dark[kClassCount], 4);
  EXPECT_EQ(dark[kDefaultsSlot60], 1);

  Settings light;
  light[kLightDefaults] = 1;
  setDefaults(light, /*zoomed=*/false);
  EXPECT_EQ(light[kLightDefaults], 1);
  EXPECT_EQ(light[kColourMode], 3);
  EXPECT_EQ(light[kFillFrameCoast], 0);
  EXPECT_EQ(light[kBackgroundColour], 2);
  EXPECT_EQ(light[kNumbersColour], 1);
  EXPECT_EQ(light[kDefaultsSlot61], 1);
  EXPECT_EQ(light[kFineGridStyle], 0);

  Settings zoomed;
  setDefaults(zoomed, /*zoomed=*/true);
  EXPECT_EQ(zoomed[kFillFrameCoast], 0);
  Settings britain;
  setDefaults(britain, false, /*britain=*/true);
  EXPECT_EQ(britain[kFineGridStyle], 0);
}

TEST(Settings, StartupCorrections) {
  struct Case {
    int slot, stored, slotAfter, expected;
  };
  const Case cases[] = {
      {kNeighbourhoodSize, 16, kNeighbourhoodSize, 9},
      {kNeighbourhoodSize, 25, kNeighbourhoodSize, 25},
      {kAreasToAdd, 0, kAreasToAdd, 2},
      {kClassCount, 50, kClassCount, 10},
      {kClassCount, 1, kClassCount, 2},
      {kColourMode, 1, kFillFrameCoast, 0},  // 16 colours never fill
      {kReordering, 4, kReordering, 1},
      {kReordering, 3, kReordering, 3},
      {kMeasureCode, 12, kMeasureCode, 0},
      {kLongReports, 1, kLongReports, 0},
      {kOverlayScheme, 0, kOverlayScheme, 2},
      {kOptimiseByCost, 1, kOptimiseByCost, 0},
  };
  for (const Case& c : cases) {
    Settings s;
    setDefaults(s);
    s[c.slot] = c.stored;
    int saved = -1;
    correctAtStartup(s, saved);
    EXPECT_EQ(s[c.slotAfter], c.expected) << "slot " << c.slot << " stored " << c.stored;
  }
}

TEST(Settings, FillForcesFrameAndCoastAndIsCopiedForZoom) {
  Settings s;
  setDefaults(s);
  s[kFrameShown] = 0;
  s[kCoastShown] = 0;
  s[kScaleType] = 2;
  int saved = -1;
  MapSettingsCopy copy = correctAtStartup(s, saved);
  EXPECT_EQ(s[kFrameShown], 1);
  EXPECT_EQ(s[kCoastShown], 1);
  EXPECT_EQ(saved, 1);
  EXPECT_EQ(copy.scaleType, 2);
  EXPECT_EQ(copy.neighbourhoodSize, 9);
}

TEST(OptionsFile, MissingGivesDarkDefaultsAndShortLeavesZeros) {
  test::TempDir tmp;
  Settings s;
  EXPECT_FALSE(readOptions(s, tmp.path() / "none.opp"));
  EXPECT_EQ(s[kColourMode], 2);
  std::string shortFile(12, '\0');
  shortFile[8] = 2;  // rarity formula
  test::writeFile(tmp.path() / "short.opp", shortFile);
  EXPECT_TRUE(readOptions(s, tmp.path() / "short.opp"));
  EXPECT_EQ(s[kRarityFormula], 2);
  EXPECT_EQ(s[kColourMode], 0);
  EXPECT_EQ(s[kNeighbourhoodSize], 0);
  int saved;
  correctAtStartup(s, saved);
  EXPECT_EQ(s[kNeighbourhoodSize], 9);
  EXPECT_EQ(s[kAreasToAdd], 2);
}

TEST(OptionsFile, WriteReplacesTheFileAndFailureKeepsTheOld) {
  test::TempDir tmp;
  fs::path f = tmp.path() / "ZONARIUM.OPP";
  Settings s;
  setDefaults(s);
  s[kReordering] = 4;
  ASSERT_TRUE(writeOptions(s, f));
  EXPECT_EQ(fs::file_size(f), 348u);
  Settings back;
  readOptions(back, f);
  EXPECT_EQ(back.slots, s.slots);
  int saved;
  correctAtStartup(back, saved);
  EXPECT_EQ(back[kReordering], 1);  // no threat data at start
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
