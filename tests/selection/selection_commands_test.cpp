// The area-selection commands through the dispatcher and the scripted host:
// dialogs, refusals, the RESULTS file and the map afterwards; the area set's
// own rules and its seed files.
#include <gtest/gtest.h>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/values.h"
#include "shell/dispatch.h"
#include "shell/results.h"
#include "shell/selection_commands.h"
#include "tests/support/sessions.h"
#include "tests/support/shells.h"

namespace zn {
namespace {

struct Commands : ::testing::Test, test::ShellOnData<test::ScriptedHost> {
  ManualSelectionModel* manual = nullptr;

  void SetUp() override {
    open("priority.dat", "Priority", test::smallTaxa());
    connectSelectionCommands(*shell);
    host.onDialog = [this](const std::string& name, DialogModel& m) {
      if (name == "SelecDlgBox") manual = dynamic_cast<ManualSelectionModel*>(&m);
      if (auto* n = dynamic_cast<NumberOfAreasModel*>(&m)) n->number = areasAsked;
      if (auto* b = dynamic_cast<BudgetModel*>(&m)) {
        budgetShown = b->minimumLine + " / " + b->totalLine;
        b->budget = budgetAsked;
      }
    };
  }
  std::string results() { return test::readFile(shell->resultsFile()); }
  std::vector<int>& areas() { return session->areas.cells; }
  GridCell& cell(int n) { return session->ws.cells[static_cast<std::size_t>(n)]; }

  int areasAsked = 2;
  double budgetAsked = 0.0;
  std::string budgetShown;
};

TEST_F(Commands, NearMinimumAppendsItsReportAndMapsTheSetAndManualSelectionOverItLeavesNoMeasure) {
  shell->dispatch(Command::NearMinimumSet);
  EXPECT_EQ(session->map.title, "near-minset: 3 irreplaceable(R)/flexible(O) areas for 1 rep");
  EXPECT_NE(results().find("PRIORITY-AREAS ANALYSIS: Near-minimum-area set"), std::string::npos);
  EXPECT_TRUE(shell->flags.flexibilityData);

  // A manual selection over the analysis leaves no measure.
  shell->dispatch(Command::ManualSetSelection);
  ASSERT_NE(manual, nullptr);
  manual->passCell(60);
  manual->close(true);
  EXPECT_EQ(session->map.code(), kCodeNone);
  EXPECT_EQ(session->map.title, "none (4 areas selected)");
  EXPECT_EQ(cell(10).flexClass, 0);
  EXPECT_FALSE(shell->flags.flexibilityData);
}

TEST_F(Commands, CoverageAsksForTheNumberAndStopsOnCancel) {
  shell->dispatch(Command::NearMaximumCoverage);  // no answer queued: Cancel
  EXPECT_EQ(host.dialogs, (std::vector<std::string>{"SelecNumDlgBox1"}));
  EXPECT_TRUE(areas().empty());
  host.dialogAnswers.push_back(true);
  shell->dispatch(Command::NearMaximumCoverage);
  EXPECT_EQ(areas(), (std::vector<int>{10, 30}));
  EXPECT_EQ(session->settings.areasToAdd, 2);
}

TEST_F(Commands, CoverageByCostAsksForTheBudgetWithinItsBounds) {
  for (int n = 1; n <= 864; ++n) cell(n).cost = n == 30 ? 5.0 : 1.0;
  session->costPresent = true;
  session->settings.optimiseByCost = Flag::kOn;
  budgetAsked = 2.7;  // read as the whole number 2
  host.dialogAnswers.push_back(true);
  shell->dispatch(Command::NearMaximumCoverage);
  EXPECT_EQ(host.dialogs.back(), "SelecNumDlgBox2");
  EXPECT_EQ(budgetShown, "Minimum cost of an area: 1 / Total cost of all areas: 10");
  EXPECT_EQ(session->settings.budget(), 2.0);
  EXPECT_EQ(areas(), (std::vector<int>{10, 20}));
}

TEST_F(Commands, CommandsThatNeedASetRefuseWithTheirTitlesAndRepresentationWritesItsReport) {
  for (Command c : {Command::RepresentationResults, Command::ReorderByRichness, Command::ConvertSelectedAreas})
    shell->dispatch(c);
  EXPECT_EQ(host.messageLines(), (std::vector<std::string>{
                                     "Representation RESULTS: No areas have been selected yet.",
                                     "Re-order areas by richness: No areas have been selected yet.",
                                     "Convert selected areas to presence data: No areas have been selected yet.",
                                 }));

  // With a set, representation results write the short report.
  areas() = {10, 20};
  shell->dispatch(Command::RepresentationResults);
  EXPECT_EQ(session->map.code(), kCodeRepresentation);
  EXPECT_NE(results().find("\r\n  2 areas selected.\r\n\r\n\r\n  Representation by taxon"), std::string::npos)
      << results();
}

TEST_F(Commands, ConvertCostValuesTakesTheScoresAndChecksOccupiedCells) {
  shell->dispatch(Command::ConvertCostValues);  // richness is on the map: every occupied cell scores
  EXPECT_TRUE(session->costPresent);
  EXPECT_EQ(cell(20).cost, 2.0);
  EXPECT_EQ(session->map.code(), kCodeNone);
  EXPECT_FALSE(session->scoresPresent);
  shell->dispatch(Command::ConvertThreatValues);  // no scores now
  EXPECT_EQ(host.messageLines().back(),
            "Convert screen scores to threat values for area priority: No values are available.");
  // Richness with T5 represented leaves cell 60 without a score.
  areas() = {10};
  shell->dispatch(Command::Richness);
  shell->dispatch(Command::ConvertCostValues);
  EXPECT_EQ(host.messageLines().back(),
            "Convert screen scores to cost values for area selection: Cost data missing for some areas.");
  EXPECT_FALSE(session->costPresent);
  EXPECT_EQ(session->settings.optimiseByCost, Flag::kOff);
}

TEST_F(Commands, ThreatValuesEnableReorderingByThreat) {
  shell->dispatch(Command::Richness);
  shell->dispatch(Command::ConvertThreatValues);
  EXPECT_TRUE(shell->flags.threatPresent);
  areas() = {60, 20, 30};
  shell->dispatch(Command::ReorderByThreat);
  EXPECT_EQ(areas(), (std::vector<int>{20, 30, 60}));  // threats 2, 2, 1
  EXPECT_NE(results().find("Area set re-ordered by threat"), std::string::npos);
}

TEST_F(Commands, ManualSelectionAddsByDoubleClickAndReportsOnOk) {
  shell->dispatch(Command::ManualSetSelection);
  ASSERT_NE(manual, nullptr);
  EXPECT_TRUE(manual->passCell(10));
  EXPECT_TRUE(manual->passCell(20));
  EXPECT_EQ(manual->lines(), (std::vector<std::string>{"   1: 10", "   2: 20"}));
  EXPECT_FALSE(manual->passCell(10));             // already in: closes as OK
  EXPECT_EQ(session->map.code(), kCodeRichness);  // richness again, relative to the set
  EXPECT_EQ(cell(10).score, 0.0);
  EXPECT_EQ(cell(30).score, 1.0);  // T3 only: T2 is in 20
  const std::string r = results();
  EXPECT_NE(r.find("PRIORITY-AREAS ANALYSIS: Manual area set\r\n"), std::string::npos) << r;
  EXPECT_NE(r.find("\r\n\r\n  _________________________________________________\r\n"), std::string::npos);
}

TEST_F(Commands, ManualSelectionCancelRestoresTheListShownAtOpening) {
  areas() = {10, 20, 30};
  shell->dispatch(Command::ManualSetSelection);
  ASSERT_NE(manual, nullptr);
  manual->passCell(40);
  manual->deleteLines({});   // the last area
  manual->deleteLines({0});  // the first
  EXPECT_EQ(areas(), (std::vector<int>{20, 30}));
  manual->deleteLines(std::vector<int>(513, 0));
  EXPECT_EQ(host.messageLines().back(), "Select grid cells: Too many items selected.");
  manual->close(false);
  EXPECT_EQ(areas(), (std::vector<int>{10, 20, 30}));
  EXPECT_EQ(results().find("Manual area set"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The area set itself and its seed files

AreaSet areaSet(std::vector<int> cells, int seeds) {
  AreaSet a;
  a.cells = std::move(cells);
  a.seedCount = seeds;
  return a;
}

using test::Loaded;

std::vector<test::TaxonSpec> threeTaxa() {
  return {{"A", "11", {{1, 1}, {2, 1}}}, {"B", "12", {{2, 1}, {3, 2}}}, {"C", "21", {{4, 1}}}};
}

// Adding keeps each cell once up to the capacity; deleting closes up and
// lowers the seeds; clearing the new areas keeps the seeds, clearing all
// keeps nothing.
TEST(AreaSet, AddDeleteAndClear) {
  AreaSet a;
  EXPECT_TRUE(addArea(a, 5));
  EXPECT_TRUE(addArea(a, 9));
  EXPECT_FALSE(addArea(a, 5));
  EXPECT_EQ(a.cells, (std::vector<int>{5, 9}));
  for (int n = 100; a.count() < kAreaCapacity; ++n) addArea(a, n);
  EXPECT_FALSE(addArea(a, 99999));
  EXPECT_EQ(a.count(), kAreaCapacity);

  a = areaSet({10, 20, 30, 40, 50}, 3);
  deleteAreas(a, {2, 5, 9});
  EXPECT_EQ(a.cells, (std::vector<int>{10, 30, 40}));
  EXPECT_EQ(a.seedCount, 2);
  clearNewAreas(a);
  EXPECT_EQ(a.cells, (std::vector<int>{10, 30}));
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
  // Reading stops at the capacity.
  std::string text = "h\n";
  for (int n = 1; n <= 1200; ++n) text += std::to_string(n) + "\n";
  EXPECT_EQ(parseSeedFile(text, 2000).size(), static_cast<std::size_t>(kAreaCapacity));
}

TEST(SeedFile, SavesAndLoadsThroughTheFileDialogsAndAnUnreadableFileLeavesTheSet) {
  test::TempDir tmp;
  Loaded d(threeTaxa());
  // An unreadable file leaves the set and says so, not through the host.
  d.s.areas.cells = {3};
  const std::filesystem::path missing = tmp.path() / "missing.sed";
  std::optional<Notice> refusal;
  EXPECT_FALSE(loadSeedFile(d.s.areas, d.s.ws.geo.cells, missing, refusal));
  EXPECT_EQ(d.s.areas.cells, std::vector<int>{3});
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->text, "Can't open file\n" + missing.string());
  EXPECT_TRUE(d.host.messages.empty());

  // Saving and loading through the file dialogs.
  d.s.areas = areaSet({4, 2, 9}, 2);
  const std::filesystem::path file = tmp.path() / "set.sed";
  d.host.saveFiles.push_back(file);
  ASSERT_TRUE(saveSeedAreas(d.host, d.s));
  EXPECT_EQ(test::readFile(file), "[seed selected grid cell biotas]\n4\n2\n9\n[end]\n");

  d.s.areas = areaSet({1}, 1);
  d.host.openFiles.push_back(file);
  ASSERT_TRUE(loadSeedAreas(d.host, d.s));
  EXPECT_EQ(d.s.areas.cells, (std::vector<int>{4, 2, 9}));
  EXPECT_EQ(d.s.areas.seedCount, 0);
  EXPECT_FALSE(loadSeedAreas(d.host, d.s));  // cancelled
}

}  // namespace
}  // namespace zn
