#include <gtest/gtest.h>

#include "selection/nearminimum.h"
#include "shell/nearminimum_runs.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::expectMatchesFile;
using test::Priority;
using test::taxon;
using test::TaxonSpec;


TEST(CoverageByNumber, CutsTheNearMinimumSetAndNotesItsFullSize) {
  Priority d(test::smallTaxa());
  const AnalysisOutcome a = runNearMaximumCoverage(d.s, false, 2, 0.0, {});
  EXPECT_EQ(d.areas(), (std::vector<int>{10, 30}));
  EXPECT_EQ(d.s.map.code(), kCodeNearMaximumCoverage);
  EXPECT_EQ(d.cell(20).score, 0.0);
  EXPECT_NE(a.results.find("\n  (near-minimum set for 1 rep would be 3 areas)\n"), std::string::npos) << a.results;
  EXPECT_EQ(d.s.settings.reordering, Reordering::kByRichness);
  EXPECT_EQ(d.s.settings.nearMinimumGoal, 1);
}

TEST(CoverageByNumber, RaisesTheGoalUntilTheSetIsLargeEnough) {
  Priority d(test::smallTaxa());
  d.areas() = {60};  // a seed
  const AnalysisOutcome a = runNearMaximumCoverage(d.s, false, 4, 0.0, {});
  // Goal 2 forces 10, 20, 30, 40 (ranges up to 2); T4 is then held twice.
  EXPECT_EQ(d.s.settings.nearMinimumGoal, 2);
  EXPECT_EQ(d.s.settings.reordering, Reordering::kNone);
  EXPECT_EQ(d.s.areas.seedCount, 1);
  EXPECT_EQ(d.areas().size(), 5u);
  EXPECT_NE(a.results.find("\n  (near-minimum set for 2 reps would be 1+4=5 areas)\n"), std::string::npos) << a.results;
}

TEST(CoverageByNumber, StopsRaisingWhenEveryOccupiedCellIsIn) {
  Priority d(test::smallTaxa());
  runNearMaximumCoverage(d.s, false, 50, 0.0, {});
  EXPECT_EQ(d.areas().size(), 6u);  // every cell that holds a taxon
  EXPECT_EQ(d.s.settings.nearMinimumGoal, 3);
}

TEST(CoverageByNumber, IncludedSeedsComeBackForEachRaisedGoal) {
  Priority d(test::smallTaxa());
  d.areas() = {60};
  d.s.settings.includeSeeds = Flag::kOn;
  runNearMaximumCoverage(d.s, false, 5, 0.0, {});
  EXPECT_EQ(d.s.settings.nearMinimumGoal, 2);
  EXPECT_NE(std::find(d.areas().begin(), d.areas().end(), 60), d.areas().end());
}

// Forced: D in 4 (cost 0.25), F in 7 (0.5), G in 8; E in 5 (2) and 6 (3);
// P in 11 (1.5) and 12 (0.875); Q in 11 and 13 (10). The near-minimum set
// by cost, re-ordered by richness per cost: 4, 7, 11, then 8 and 5.
Priority budgetCase(double costOfG) {
  Priority d({taxon("D", {4}), taxon("F", {7}), taxon("G", {8}), taxon("E", {5, 6}), taxon("P", {11, 12}),
              taxon("Q", {11, 13})});
  d.costs({{4, 0.25}, {7, 0.5}, {8, costOfG}, {5, 2.0}, {6, 3.0}, {11, 1.5}, {12, 0.875}, {13, 10.0}});
  d.s.settings.optimiseByCost = Flag::kOn;
  return d;
}

// The residue phase (8 fits after 4 and 7 and moves forward; with 8 dearer
// nothing fits and 12 adds P) stands in the expected texts below; a budget
// of the whole set cuts nothing.
TEST(CoverageByBudget, ABudgetOfTheWholeSetCutsNothing) {
  Priority d = budgetCase(1.0);
  runNearMaximumCoverage(d.s, true, 0, 5.25, {});
  EXPECT_EQ(d.areas(), (std::vector<int>{4, 7, 11, 8, 5}));
}

TEST(CoverageByBudget, ComplementBecomesTheSoleAreaOfItsTaxa) {
  Priority d = budgetCase(1.0);
  d.s.settings.longReports = Flag::kOn;
  const AnalysisOutcome a = runNearMaximumCoverage(d.s, true, 0, 1.625, {});
  EXPECT_EQ(d.sole(4), 12);
  EXPECT_EQ(d.cell(12).count, 1);
  EXPECT_EQ(d.cell(12).score, 3.0);
  EXPECT_EQ(d.sole(5), 0);  // Q's sole area 11 was cut
  expectMatchesFile(a.results, "coverage_budget_long.txt");
}

TEST(CoverageByBudget, ReportNotesTheCostOfTheFullSet) {
  Priority d = budgetCase(0.875);
  const AnalysisOutcome a = runNearMaximumCoverage(d.s, true, 0, 1.625, {});
  expectMatchesFile(a.results, "coverage_budget.txt");
}

}  // namespace
}  // namespace zn
