#include <gtest/gtest.h>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "shell/selection_commands.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

AreaSet areaSet(std::vector<int> cells, int seeds) {
  AreaSet a;
  a.cells = std::move(cells);
  a.seedCount = seeds;
  return a;
}

namespace fs = std::filesystem;

using test::Loaded;

std::vector<test::TaxonSpec> threeTaxa() {
  return {{"A", "11", {{1, 1}, {2, 1}}}, {"B", "12", {{2, 1}, {3, 2}}}, {"C", "21", {{4, 1}}}};
}

TEST(AreaSet, AddKeepsEachCellOnceAndStopsAtCapacity) {
  AreaSet a;
  EXPECT_TRUE(addArea(a, 5));
  EXPECT_TRUE(addArea(a, 9));
  EXPECT_FALSE(addArea(a, 5));
  EXPECT_EQ(a.cells, (std::vector<int>{5, 9}));
  for (int n = 100; a.count() < kAreaCapacity; ++n) addArea(a, n);
  EXPECT_FALSE(addArea(a, 99999));
  EXPECT_EQ(a.count(), kAreaCapacity);
}

TEST(AreaSet, DeleteClosesUpAndLowersTheSeeds) {
  AreaSet a = areaSet({10, 20, 30, 40, 50}, 3);
  deleteAreas(a, {2, 5, 9});
  EXPECT_EQ(a.cells, (std::vector<int>{10, 30, 40}));
  EXPECT_EQ(a.seedCount, 2);
}

TEST(AreaSet, ClearNewKeepsSeedsAndClearAllKeepsNothing) {
  AreaSet a = areaSet({10, 20, 30, 40}, 2);
  clearNewAreas(a);
  EXPECT_EQ(a.cells, (std::vector<int>{10, 20}));
  clearAllAreas(a);
  EXPECT_TRUE(a.empty());
  EXPECT_EQ(a.seedCount, 0);
}

TEST(AreaSet, RepresentedAndCandidateCellsFollowTheSetAndTheFilters) {
  Loaded d(threeTaxa());
  EXPECT_EQ(countCandidateCells(d.s.ws, d.s.settings.excludedLevel, d.s.areas), 4);
  d.s.areas.cells = {1};
  EXPECT_TRUE(isRepresented(d.s.ws, d.s.settings.excludedLevel, d.s.areas, 0));
  EXPECT_FALSE(isRepresented(d.s.ws, d.s.settings.excludedLevel, d.s.areas, 1));
  EXPECT_EQ(countCandidateCells(d.s.ws, d.s.settings.excludedLevel, d.s.areas), 3);  // B in 2 and 3, C in 4
  EXPECT_EQ(d.s.areas.candidateCells, 3);
  d.s.settings.excludedLevel = 1;  // only B's record in cell 3 is left
  EXPECT_EQ(countCandidateCells(d.s.ws, d.s.settings.excludedLevel, d.s.areas), 1);
  d.s.settings.excludedLevel = 0;
  d.s.ws.groupCode = "2";
  EXPECT_EQ(countCandidateCells(d.s.ws, d.s.settings.excludedLevel, d.s.areas), 1);
  d.s.areas.cells = {2, 4};
  d.s.ws.groupCode.clear();
  EXPECT_EQ(countCandidateCells(d.s.ws, d.s.settings.excludedLevel, d.s.areas), 0);  // every taxon represented
}

TEST(SeedFile, ReadingFollowsItsRulesAndRefusesBadTokens) {
  const struct {
    const char* name;
    const char* text;
    std::vector<int> cells;
  } cases[] = {
      {"plain", "[seed selected grid cell biotas]\n12\n7\n[end]\n", {12, 7}},
      {"any first line is skipped", "5\n6\n", {6}},
      {"no line feed: nothing", "12 13 14", {}},
      {"zero and beyond the grid", "h\n0\n865\n-3\n864\n", {864}},
      {"not numbers", "h\nabc\n+x\n8\n", {8}},
      {"leading number of a token", "h\n9abc\n", {9}},
      {"too big for an integer", "h\n99999999999999999999\n4\n", {4}},
      {"repeats kept once", "h\n3\n5\n3\n5\n", {3, 5}},
      {"text after end ignored", "h\n2\n[end]\n7\nrubbish\n", {2}},
      {"spaces, tabs and CR LF", "h\r\n 4  5\t6\r\n7\r\n[end]\r\n", {4, 5, 6, 7}},
  };
  for (const auto& c : cases) EXPECT_EQ(parseSeedFile(c.text, 864), c.cells) << c.name;
}

TEST(SeedFile, StopsAtTheCapacity) {
  std::string text = "h\n";
  for (int n = 1; n <= 1200; ++n) text += std::to_string(n) + "\n";
  EXPECT_EQ(parseSeedFile(text, 2000).size(), static_cast<std::size_t>(kAreaCapacity));
}

TEST(SeedFile, SavesAndLoadsThroughTheFileDialogs) {
  test::TempDir tmp;
  Loaded d(threeTaxa());
  d.s.areas = areaSet({4, 2, 9}, 2);
  const fs::path file = tmp.path() / "set.sed";
  d.host.saveFiles.push_back(file);
  ASSERT_TRUE(saveSeedAreas(d.host, d.s));
  EXPECT_EQ(d.host.saveRequests[0].title, "Select grid cells save");
  EXPECT_EQ(d.host.saveRequests[0].filters[0].label, "seed areas (*.sed)");
  EXPECT_EQ(d.host.saveRequests[0].filters[0].pattern, "*.sed");
  EXPECT_EQ(test::readFile(file), "[seed selected grid cell biotas]\n4\n2\n9\n[end]\n");

  d.s.areas = areaSet({1}, 1);
  d.host.openFiles.push_back(file);
  ASSERT_TRUE(loadSeedAreas(d.host, d.s));
  EXPECT_EQ(d.host.openRequests[0].title, "Select grid cells load");
  EXPECT_EQ(d.s.areas.cells, (std::vector<int>{4, 2, 9}));
  EXPECT_EQ(d.s.areas.seedCount, 0);
  EXPECT_FALSE(loadSeedAreas(d.host, d.s));  // cancelled
}

TEST(SeedFile, UnreadableFileLeavesTheSetAndSaysSo) {
  test::TempDir tmp;
  Loaded d(threeTaxa());
  d.s.areas.cells = {3};
  const fs::path missing = tmp.path() / "missing.sed";
  std::optional<Notice> refusal;
  EXPECT_FALSE(loadSeedFile(d.s.areas, d.s.ws.geo.cells, missing, refusal));
  EXPECT_EQ(d.s.areas.cells, std::vector<int>{3});
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->caption, "Select grid cells load");
  EXPECT_EQ(refusal->text, "Can't open file\n" + missing.string());
  EXPECT_EQ(refusal->icon, Icon::Exclamation);
  EXPECT_TRUE(d.host.messages.empty());
}

}  // namespace
}  // namespace zn
