// The RESULTS texts of the priority-area analyses against expected-text
// files in tests/data/selection (ZN_REGENERATE=1 rewrites them), the greedy
// set's and the hotspots' worked out by hand.
#include <gtest/gtest.h>

#include "selection/greedy.h"
#include "selection/hotspots.h"
#include "selection/nearminimum.h"
#include "selection/randomsets.h"
#include "selection/reorder.h"
#include "selection/report.h"
#include "shell/analyses.h"
#include "shell/mapmeasures.h"
#include "shell/nearminimum_runs.h"
#include "shell/reportinputs.h"
#include "tests/support/sessions.h"
#include "tests/support/ties.h"

namespace zn {
namespace {

using test::expectMatchesFile;
using test::Priority;
using test::taxon;
using test::TaxonSpec;

std::vector<TaxonSpec> caseA() {
  return {taxon("T1", {10}), taxon("T2", {20, 30}), taxon("T3", {30, 40}), taxon("T4", {20, 40, 50}),
          taxon("Vulpes vulpesVu.", {10, 50, 60}, "2", 3)};
}

void nameCells(Priority& d) {
  d.name(10, "Ten place long name");  // shown by its first 17 characters
  d.name(20, "Twenty");
  d.name(30, "Thirty");
  d.name(40, "Forty");
  d.name(50, "Fifty");
}

TEST(Report, NearMinimumLongReportListsRulesTaxaAlternativesAndTaxa) {
  Priority d(caseA());
  nameCells(d);
  d.s.settings.longReports = Flag::kOn;
  expectMatchesFile(runNearMinimumSet(d.s, {}).results, "nearminimum_long.txt");
}

TEST(Report, EveryRuleLabelInTheSelectionRuleSummary) {
  // The tie cases of the near-minimum tests, one after another in one file.
  const std::vector<std::vector<TaxonSpec>> cases{{taxon("A", {1, 2}), taxon("B", {2, 3})},
                                                  {taxon("T1", {1, 2}), taxon("T2", {2, 3, 4})},
                                                  test::tieChain(3),
                                                  test::tieChain(4),
                                                  test::tieChain(6),
                                                  test::tieChain(7),
                                                  test::tieChain(5)};
  std::string all;
  for (bool random : {false, true})
    for (bool extra : {false, true})
      for (const auto& taxa : cases) {
        Priority d(taxa);
        d.s.settings.longReports = Flag::kOn;
        d.s.settings.extraTieBreaks = flagOf(extra);
        d.s.settings.lastTieRandom = random ? LastTie::kRandom : LastTie::kLowestCell;
        all += nearMinimumRun(d.s, SelectionEnv{false, 7}).results;
      }
  expectMatchesFile(all, "rule_labels.txt");
}

TEST(Report, SeedsCostsAndGroupCodeInTheShortReport) {
  Priority d(caseA());
  nameCells(d);
  d.s.ws.groupCode = "1";
  d.s.subgroupDataPresent = recount(d.s.ws, 0);
  d.costs({{10, 2.5}, {20, 4.0}, {30, 1.0}, {40, 1.0}});
  d.areas() = {60};  // a seed holding only the fifth taxon, outside the group
  d.s.settings.optimiseByCost = Flag::kOn;
  expectMatchesFile(runNearMinimumSet(d.s, {}).results, "nearminimum_seeds_costs.txt");
}

TEST(Report, QuantitativeRepresentationCommandGivesProbabilities) {
  Priority d({taxon("Alpha", {1, 2}, "1", 40), taxon("Beta", {2, 3}, "1", 100), taxon("Gamma", {5}, "1", 10)},
             "*quantities");
  d.s.ws.datafile.quantitative = true;
  d.areas() = {1, 2};
  setMeasureCode(d.s, kCodeRepresentation);
  std::string text = representationReport(d.s, {}).text;
  d.s.settings.longReports = Flag::kOn;
  text += representationReport(d.s, {}).text;
  expectMatchesFile(text, "representation_quantitative.txt");
}

TEST(Report, NothingForAnEmptySetExceptForTheCommandAndRandomSets) {
  Priority d(caseA());
  setMeasureCode(d.s, kCodeRichness);
  EXPECT_EQ(representationReport(d.s, {}).text, "");
  ReportFacts dialog;
  dialog.manualDialogOpen = true;
  EXPECT_NE(representationReport(d.s, dialog).text, "");
  setMeasureCode(d.s, kCodeRepresentation);
  EXPECT_NE(representationReport(d.s, {}).text, "");
}

TEST(Report, TitlesFollowTheAnalysisOnTheMap) {
  Priority d(caseA());
  Settings& st = d.s.settings;
  struct Row {
    int code;
    std::vector<std::pair<SettingsField, int>> settings;
    const char* title;
  };
  const std::vector<Row> rows{
      {kCodeNearMinimum,
       {{settingsField<&Settings::reordering>(), 3}, {settingsField<&Settings::nearMinimumGoal>(), 1}},
       "Near-minimum-area set for 1 representation"},
      {kCodeNearMinimum,
       {{settingsField<&Settings::reordering>(), 2}, {settingsField<&Settings::rarityFormula>(), 2}},
       "Near-minimum-area set re-ordered by inverse square rarity"},
      {kCodeNearMinimum, {{settingsField<&Settings::reordering>(), 4}}, "Near-minimum-area set re-ordered by threat"},
      {kCodeNearMinimum, {{settingsField<&Settings::reordering>(), 0}}, "Near-minimum-area set"},
      {kCodeGreedy,
       {{settingsField<&Settings::greedyByRarity>(), 1}, {settingsField<&Settings::rarityFormula>(), 0}},
       "Greedy difference rarity-area set for 1 representation"},
      {kCodeHotspots, {{settingsField<&Settings::hotspotKind>(), 3}}, "Top 2 hotspots by range-size threshold "},
      {kCodeReorderedByThreat, {}, "Area set re-ordered by threat"},
      {kCodeRangeCentres, {}, "Manual area set"},
      {kCodeEmrIrreplaceability, {}, "Manual area set"},
      {kCodeMaxRarity, {}, "Area set"},
      {kCodeRepresentation, {}, "Area set"},
  };
  d.areas() = {10, 20, 30};
  d.s.areas.seedCount = 1;
  for (const Row& r : rows) {
    const Settings saved = st;
    for (auto [field, v] : r.settings) field.set(st, v);
    setMeasureCode(d.s, static_cast<MeasureCode>(r.code));
    EXPECT_EQ(analysisTitle(d.s, {}), r.title) << "code " << r.code;
    st = saved;
  }
}

TEST(Report, AlternativeSetsAboveOneHundredMillionInExponentForm) {
  // Nine areas, each with eight alternatives, give 9^9 = 387420489 sets.
  std::vector<TaxonSpec> taxa;
  for (int a = 0; a < 9; ++a) {
    std::initializer_list<int> none{};
    TaxonSpec t = taxon("S" + std::to_string(a), none);
    for (int k = 1; k <= 9; ++k) t.levels[a * 9 + k] = 1;
    taxa.push_back(t);
  }
  Priority d(taxa);
  const std::string text = runNearMinimumSet(d.s, {}).results;
  EXPECT_NE(text.find("Total number of alternative flexible sets found: 3.87E+08\n"), std::string::npos) << text;

  // Eight such areas give 9^8 = 43046721, written whole.
  taxa.pop_back();
  Priority e(taxa);
  EXPECT_NE(runNearMinimumSet(e.s, {}).results.find("sets found: 43046721\n"), std::string::npos);
}

// The greedy set and the hotspots on smallTaxa (T1 {10}, T2 {20, 30},
// T3 {30, 40}, T4 {20, 40, 50}, T5 {10, 50, 60}) with the named cells and
// the greedy options at their plain values.
struct Greedy : Priority {
  Greedy() : Priority(test::smallTaxa()) {
    nameCells(*this);
    s.settings.greedyRejectRedundant = Flag::kOff;
    s.settings.greedyIncludeSeeds = Flag::kOff;
    s.settings.greedyByRarity = GreedyBy::kRichness;
    s.settings.greedyGoal = 1;
  }
};

AnalysisResult hotspots(Priority& d, int areas) {
  AnalysisParams p;
  p.areasToAdd = areas;
  return findAnalysis("hotspots")->run(d.s, p);
}

TEST(GreedyReport, TitleSeedsAndRejectionNoteFollowTheOptions) {
  std::string all;
  {
    // All five cells 10 … 50 add two taxa; equal totals go to the highest
    // cell, 50; then 30 (T2, T3), then 10 (T1). None is redundant.
    Greedy d;
    d.s.settings.greedyRejectRedundant = Flag::kOn;
    all += findAnalysis("greedy")->run(d.s, {}).results;
  }
  {
    // Seed 60 holds T5: 20, 30, 40 tie at two taxa and two in total, 40
    // wins; then 10, 20, 30 tie at one new taxon, 30 wins; then 10.
    Greedy d;
    d.areas() = {60};
    all += findAnalysis("greedy")->run(d.s, {}).results;
  }
  {
    // Weights 1 / range: 10 has 1 + 1/3; then 30 with 1/2 + 1/2; then 20,
    // 40 and 50 tie at 1/3 and 40 wins among the equal totals of 20 and 40.
    Greedy d;
    d.s.settings.greedyByRarity = GreedyBy::kRarity;
    d.s.settings.rarityFormula = RarityFormula::kInverse;
    all += findAnalysis("greedy")->run(d.s, {}).results;
  }
  expectMatchesFile(all, "greedy_report.txt");
}

// The plural for goal 2 is checked by the tool's case (select.case), which
// refuses goal 0.
TEST(GreedyReport, GoalBelowOneIsTakenAsOne) {
  Greedy d;
  d.s.settings.greedyGoal = 0;
  EXPECT_NE(findAnalysis("greedy")->run(d.s, {}).results.find("Greedy richness-area set for 1 representation\n"),
            std::string::npos);
}

TEST(HotspotReport, SeedsStayInFrontAndTiesFollowTheExchangeSort) {
  std::string all;
  {
    // Seed 60 represents T5, so 20, 30 and 40 score 2 and 10 and 50 score
    // 1; the exchange sort puts the ties in the order 40, 20, 30.
    Greedy d;
    d.areas() = {60};
    const AnalysisResult r = hotspots(d, 3);
    EXPECT_TRUE(r.ran);
    all += r.results;
  }
  {
    // Without seeds 10 … 50 all score 2: the sort gives 40, 20, 30, 10.
    Greedy d;
    all += hotspots(d, 4).results;
  }
  expectMatchesFile(all, "hotspots_report.txt");
}

}  // namespace
}  // namespace zn
