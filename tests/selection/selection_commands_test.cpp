// The area-selection commands through the dispatcher and the scripted host:
// dialogs, refusals, the RESULTS file and the map afterwards.
#include <gtest/gtest.h>

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

TEST_F(Commands, NearMinimumAppendsItsReportAndMapsTheSet) {
  shell->dispatch(Command::NearMinimumSet);
  EXPECT_EQ(session->map.code(), kCodeNearMinimum);
  EXPECT_EQ(session->map.title, "near-minset: 3 irreplaceable(R)/flexible(O) areas for 1 rep");
  EXPECT_NE(results().find("PRIORITY-AREAS ANALYSIS: Near-minimum-area set"), std::string::npos);
  EXPECT_TRUE(shell->flags.flexibilityData);
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

TEST_F(Commands, CommandsThatNeedASetRefuseWithTheirTitles) {
  for (Command c : {Command::RepresentationResults, Command::ReorderByRichness, Command::ConvertSelectedAreas,
                    Command::ReorderByThreat})
    shell->dispatch(c);
  EXPECT_EQ(host.messageLines(), (std::vector<std::string>{
                                     "Representation RESULTS: No areas have been selected yet.",
                                     "Re-order areas by richness: No areas have been selected yet.",
                                     "Convert selected areas to presence data: No areas have been selected yet.",
                                     "Re-order areas by threat: No threat variable has been loaded.",
                                 }));
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
  EXPECT_FALSE(manual->passCell(10));  // already in: closes as OK
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

TEST_F(Commands, ManualSelectionOverAnAnalysisLeavesNoMeasure) {
  shell->dispatch(Command::NearMinimumSet);
  shell->dispatch(Command::ManualSetSelection);
  ASSERT_NE(manual, nullptr);
  manual->passCell(60);
  manual->close(true);
  EXPECT_EQ(session->map.code(), kCodeNone);
  EXPECT_EQ(session->map.title, "none (4 areas selected)");
  EXPECT_EQ(cell(10).flexClass, 0);
  EXPECT_FALSE(shell->flags.flexibilityData);
}

TEST_F(Commands, RepresentationResultsWritesTheShortReport) {
  areas() = {10, 20};
  shell->dispatch(Command::RepresentationResults);
  EXPECT_EQ(session->map.code(), kCodeRepresentation);
  EXPECT_NE(results().find("\r\n  2 areas selected.\r\n\r\n\r\n  Representation by taxon"), std::string::npos)
      << results();
}

}  // namespace
}  // namespace zn
