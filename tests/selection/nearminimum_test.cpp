// The near-minimum set, its flexibility and coverage cuts, and the RESULTS
// texts of the priority-area analyses.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <tuple>

#include "measures/scores.h"
#include "selection/cellinfo.h"
#include "selection/flexibility.h"
#include "selection/greedy.h"
#include "selection/hotspots.h"
#include "selection/nearminimum.h"
#include "selection/randomsets.h"
#include "selection/reorder.h"
#include "selection/report.h"
#include "selection/selectionindex.h"
#include "shell/analyses.h"
#include "shell/celllist.h"
#include "shell/mapmeasures.h"
#include "shell/nearminimum_runs.h"
#include "shell/reportinputs.h"
#include "shell/runinputs.h"
#include "store/random.h"
#include "store/text.h"
#include "tests/support/listing.h"
#include "tests/support/sessions.h"
#include "tests/support/ties.h"

namespace zn {
namespace {

using test::cellsText;
using test::expectMatchesFile;
using test::joined;
using test::Loaded;
using test::Priority;
using test::taxon;
using test::TaxonSpec;

std::string ruleCodes(Priority& d) {
  std::string out;
  for (int a : d.areas()) out += std::to_string(a) + ":" + std::to_string(d.cell(a).ruleCode) + " ";
  return out;
}

// "cell:score/count/flexibility class " of each area in set order.
std::string marks(Priority& d) {
  std::string out;
  for (int a : d.areas()) {
    const GridCell& c = d.cell(a);
    out += strprintf("%d:%g/%d/%d ", a, c.score, c.count, c.flexClass);
  }
  return out;
}

// ---------------------------------------------------------------------------
// The generator

TEST(RandomGenerator, GivesTheClassicSequenceAndDrawsAgainAboveTheAcceptanceBound) {
  Random r;
  r.seed(1);
  std::vector<int> got;
  for (int i = 0; i < 5; ++i) got.push_back(r.next());
  EXPECT_EQ(got, (std::vector<int>{41, 18467, 6334, 26500, 19169}));
  // Bound for 18000 choices is 18000: 41 is taken, 18467 is drawn again
  // and 6334 taken next.
  r.seed(1);
  EXPECT_EQ(r.choose(18000), 41);
  EXPECT_EQ(r.choose(18000), 6334);
  r.seed(1);
  EXPECT_EQ(r.choose(7), 41 % 7);
  EXPECT_EQ(r.choose(1), 0);
}

// ---------------------------------------------------------------------------
// The main run, worked by hand

// On smallTaxa: T1 forces 10 (which also holds T5); 30 holds both taxa of
// range 2; T4 leaves 20, 40 and 50 tied with no rarer taxon left: 20 by
// the lowest cell.
TEST(NearMinimum, ForcedRarestAndLowestCellRulesBuildTheSet) {
  Priority d(test::smallTaxa());
  runNearMinimumSet(d.s, {});
  EXPECT_EQ(ruleCodes(d), "10:1 30:2 20:20 ");
  EXPECT_EQ(d.s.areas.seedCount, 0);
  EXPECT_EQ(d.s.map.code(), kCodeNearMinimum);
  // Irreplaceable/flexible map: score = status, count = taxa it alone holds.
  EXPECT_EQ(marks(d), "10:4/2/2 30:3/1/1 20:3/1/1 ");
  EXPECT_EQ((std::vector<int>{d.sole(0), d.sole(1), d.sole(2)}), (std::vector<int>{10, 0, 30}));  // T2: 30 and 20
  EXPECT_EQ(d.reps(1), 2);
  EXPECT_TRUE(d.s.areas.nearMinimumDone);
}

// The tie-break levels stand in the rule summaries of
// Report.EveryRuleLabelInTheSelectionRuleSummary. The last tie at random: the
// first value of seed 1 is 41, entry 41 mod 4 = 1 of [4, 3, 2, 1].
TEST(NearMinimum, ARandomLastTieTakesTheDrawnEntryHighestCellFirst) {
  Priority d({taxon("T1", {1, 2, 3, 4})});
  d.s.settings.lastTieRandom = LastTie::kRandom;
  runNearMinimumSet(d.s, SelectionEnv{false, 1});
  EXPECT_EQ(ruleCodes(d), "3:20 ");
}

TEST(NearMinimum, TieCountOfAStepIsTheNumberOfCellsTiedOnTheRarest) {
  Priority d(test::tieChain(3));
  RunOutcome r = nearMinimumRun(d.s);
  EXPECT_EQ(r.ties, (std::vector<int>{2, 3}));  // {1, 2}, then {2, 5, 6}
  EXPECT_EQ(d.cell(1).tieCount, 2);             // indexed by step
  EXPECT_EQ(d.cell(2).tieCount, 3);
}

TEST(NearMinimum, WithoutASeedTheRandomTieIsSeededFromTheTimeOfDay) {
  Priority a({taxon("T1", {1, 2, 3, 4, 5, 6, 7, 8})});
  Priority b({taxon("T1", {1, 2, 3, 4, 5, 6, 7, 8})});
  a.s.settings.lastTieRandom = b.s.settings.lastTieRandom = LastTie::kRandom;
  runNearMinimumSet(a.s, {});  // the scripted host's time is 1000
  runNearMinimumSet(b.s, SelectionEnv{false, 1000});
  EXPECT_EQ(a.areas(), b.areas());
}

// X in 1 and 2; V in 1, 6, 7; Q1 in 2, 10, 11; Q2 in 6, 12, 13. Cell 1 wins
// the first step on the lowest cell; 2 and 6 follow and hold all of its taxa.
std::vector<TaxonSpec> redundantFirstChoice() {
  return {taxon("X", {1, 2}), taxon("V", {1, 6, 7}), taxon("Q1", {2, 10, 11}), taxon("Q2", {6, 12, 13})};
}

TEST(NearMinimum, RedundantAreasAreRejectedAndCounted) {
  Priority d(redundantFirstChoice());
  RunOutcome r = nearMinimumRun(d.s);
  EXPECT_EQ(d.areas(), (std::vector<int>{2, 6}));
  EXPECT_EQ(r.rejected, 1);
  EXPECT_EQ(d.cell(1).score, 0.0);
  Priority keep(redundantFirstChoice());
  keep.s.settings.rejectRedundant = Flag::kOff;
  EXPECT_EQ(nearMinimumRun(keep.s).rejected, 0);
  EXPECT_EQ(keep.areas(), (std::vector<int>{1, 2, 6}));
}

TEST(NearMinimum, SeedsStayFixedUnlessIncludedInTheTest) {
  const std::vector<TaxonSpec> taxa{taxon("T", {20, 21}), taxon("U", {21, 22})};
  Priority fixed(taxa);
  fixed.areas() = {20};
  nearMinimumRun(fixed.s);
  EXPECT_EQ(fixed.areas(), (std::vector<int>{20, 21}));
  EXPECT_EQ(fixed.s.areas.seedCount, 1);

  Priority included(taxa);
  included.areas() = {20};
  included.s.settings.includeSeeds = Flag::kOn;
  RunOutcome r = nearMinimumRun(included.s);
  EXPECT_EQ(included.areas(), (std::vector<int>{21}));  // 21 holds T as well
  EXPECT_EQ(included.s.areas.seedCount, 0);
  EXPECT_EQ(r.rejected, 1);
}

// X in 1 and 5; W in 1, 2, 5; Y in 2, 5, 9, 10. The run takes 1 (lowest cell)
// and then 2; cell 5 holds everything both hold alone and W, which they share.
std::vector<TaxonSpec> twoForOne(bool wInFive) {
  return {taxon("X", {1, 5}), wInFive ? taxon("W", {1, 2, 5}) : taxon("W", {1, 2, 8}), taxon("Y", {2, 5, 9, 10})};
}

// With costs the one area must be cheaper than the two (2 against 2.5);
// without cost data the option is switched off.
TEST(NearMinimum, TwoAreasAreExchangedForOneThatHoldsAllTheyNeed) {
  struct Case {
    const char* what;
    bool wInFive, byCost;
    std::vector<std::pair<int, double>> costs;
    std::vector<int> areas;
    int rejected;
  };
  const Case cases[] = {
      {"exchanged", true, false, {}, {5}, 1},
      {"a taxon of both would be lost", false, false, {}, {1, 2}, 0},
      {"the one area is cheaper", true, true, {{1, 2.0}, {5, 2.0}, {2, 0.5}}, {5}, 1},
      {"no cost data", true, true, {}, {5}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Priority d(twoForOne(c.wInFive));
    if (!c.costs.empty()) d.costs(c.costs);
    d.s.settings.optimiseByCost = flagOf(c.byCost);
    RunOutcome r = nearMinimumRun(d.s);
    EXPECT_EQ(d.areas(), c.areas);
    EXPECT_EQ(r.rejected, c.rejected);
    EXPECT_EQ(d.s.settings.optimiseByCost, flagOf(c.byCost && !c.costs.empty()));
    if (c.areas.size() == 1) {
      EXPECT_EQ(d.sole(0), 5);
      EXPECT_EQ(d.cell(5).score, 3.0);  // status "selected by a rule"
    }
  }
}

TEST(NearMinimum, GoalTwoForcesSmallRangesAndScoresByOrder) {
  // A has two records: both are forced in; B (three records) needs two, and
  // of 5 and 6 the lowest cell goes in.
  Priority d({taxon("A", {3, 4}), taxon("B", {4, 5, 6})});
  d.s.settings.nearMinimumGoal = 2;
  d.s.settings.reordering = Reordering::kNone;
  nearMinimumRun(d.s);
  EXPECT_EQ(ruleCodes(d), "4:1 3:1 5:20 ");
  EXPECT_EQ(d.s.settings.flexibilityMap, Flag::kOff);  // mapped by order
  EXPECT_EQ(marks(d), "4:3/1/0 3:2/2/0 5:1/3/0 ");     // scored by order
  EXPECT_FALSE(d.s.areas.nearMinimumDone);
}

// The run is told its goal and re-ordering: the options, the session's set
// and its cells stay as they were, whatever they say.
TEST(NearMinimum, RunFollowsItsParametersAndLeavesTheSessionAlone) {
  Priority d(test::smallTaxa());
  d.s.settings.nearMinimumGoal = 1;
  d.s.settings.reordering = Reordering::kByRichness;
  const Settings before = d.s.settings;
  RunRequest r;
  r.params = nearMinimumParams(d.s.settings, false);
  r.params.goal = 2;
  r.params.reordering = Reordering::kNone;
  AreaSet set;
  const RunOutcome run = runMainRun(d.s, r, set, d.s.progress);
  EXPECT_TRUE(d.s.settings == before);
  EXPECT_TRUE(d.s.areas.empty());
  EXPECT_EQ(d.cell(10).score, 0.0);
  for (int t = 0; t < 5; ++t) {
    int reps = 0;
    for (int a : set.cells) reps += d.s.ws.cards.level(t, a) > 0;
    EXPECT_GE(reps, std::min(2, d.s.ws.cards.recordCount(t))) << "taxon " << t;
  }
  EXPECT_GT(run.marks[static_cast<std::size_t>(set.cells.back())].count, 0);
}

TEST(NearMinimum, ReorderingByRarityPutsTheRarestTaxaFirstAndEitherForcesGoalOne) {
  // 10 holds two taxa of range 3, 20 one taxon of range 1: by richness 10
  // comes first, by inverse range-size rarity 20 (1 against 2/3).
  const std::vector<TaxonSpec> taxa{taxon("R", {20}), taxon("S", {10, 11, 12}), taxon("T", {10, 13, 14})};
  for (auto [reorder, first] : {std::pair{Reordering::kByRichness, 10}, std::pair{Reordering::kByRarity, 20}}) {
    Priority d(taxa);
    d.s.settings.reordering = reorder;
    d.s.settings.rarityFormula = RarityFormula::kInverse;
    d.s.settings.nearMinimumGoal = 3;
    nearMinimumRun(d.s);
    EXPECT_EQ(d.s.settings.nearMinimumGoal, 1);
    ASSERT_EQ(d.areas().size(), 2u);
    EXPECT_EQ(d.areas()[0], first) << "re-ordering " << static_cast<int>(reorder);
  }
  // Richness counts only the taxa not yet brought by earlier areas: after
  // 10, the two that 30 adds come before the one that 20 adds.
  Priority g({taxon("A", {10}), taxon("B", {10, 20}), taxon("C", {10, 20}), taxon("D", {20}), taxon("E", {30}),
              taxon("F", {30})});
  g.s.settings.reordering = Reordering::kByRichness;
  nearMinimumRun(g.s);
  EXPECT_EQ(g.areas(), (std::vector<int>{10, 30, 20}));
}

TEST(NearMinimum, PartialFlexibleMapScoresTheOtherCellsOfSoleTaxa) {
  Priority d(test::smallTaxa());
  d.s.settings.flexibilityPartial = Flag::kOn;
  nearMinimumRun(d.s);
  // T3 (sole area 30) is also in 40; T4 (sole area 20) in 40 and 50; T5
  // (sole area 10) in 50 and 60. The set keeps its own marks.
  EXPECT_EQ(d.map(), "10:4/2 20:3/1 30:3/1 40:2/0 50:2/0 60:2/0 ");
}

// The run reads only its AnalysisData: the taxa, costs and threats given as
// a bare dataset of the grid's units, with no session, give the set, marks
// and per-taxon fields the datafile gives.
TEST(NearMinimum, BareDatasetGivesTheDatafilesRun) {
  std::vector<TaxonSpec> taxa = test::smallTaxa();
  for (const TaxonSpec& t : twoForOne(true)) taxa.push_back(t);
  const std::vector<std::pair<int, double>> costs{{10, 4.0}, {30, 3.0}, {5, 0.5}, {50, 0.25}};
  const std::map<int, double> threats{{20, 2.0}, {50, 9.0}, {5, 1.0}};
  struct Case {
    const char* name;
    int goal;
    Reordering reordering;
    bool byCost;
  };
  const Case cases[] = {{"richness", 1, Reordering::kByRichness, false},
                        {"cost", 1, Reordering::kByRichness, true},
                        {"threat", 1, Reordering::kByThreat, false},
                        {"goal 2", 2, Reordering::kNone, true}};
  std::map<std::string, std::vector<int>> sets;
  for (const Case& c : cases) {
    Priority d(taxa);
    d.costs(costs);
    for (auto [n, v] : threats) d.cell(n).threat = v;
    RunRequest r;
    r.params = nearMinimumParams(d.s.settings, true, {true, std::nullopt});
    r.params.goal = c.goal;
    r.params.reordering = c.reordering;
    r.params.byCost = c.byCost;
    r.params.rejectRedundant = true;
    AreaSet fromFile;
    const RunOutcome file = runMainRun(d.s, r, fromFile, d.s.progress);

    const int units = d.s.ws.geo.cells;
    AnalysisData a = test::analysisInput(taxa, units);
    a.cost.assign(static_cast<std::size_t>(units) + 1, 1.0);
    for (auto [n, v] : costs) a.cost[static_cast<std::size_t>(n)] = v;
    a.threat.assign(static_cast<std::size_t>(units) + 1, 0.0);
    for (auto [n, v] : threats) a.threat[static_cast<std::size_t>(n)] = v;
    a.totals = countTotals(a);
    AreaSet fromData;
    const RunOutcome run = runMainRun(a, SelectionIndex(a), r, fromData, d.s.progress);

    ASSERT_TRUE(run.ran) << c.name;
    EXPECT_EQ(fromData.cells, fromFile.cells) << c.name;
    EXPECT_EQ(run.rejected, file.rejected) << c.name;
    EXPECT_EQ(run.soleArea, file.soleArea) << c.name;
    EXPECT_EQ(run.repCount, file.repCount) << c.name;
    EXPECT_EQ(run.status, file.status) << c.name;
    for (int n : fromFile.cells) {
      const CellMark &got = run.marks[static_cast<std::size_t>(n)], &want = file.marks[static_cast<std::size_t>(n)];
      EXPECT_EQ(std::tie(got.score, got.count, got.flexClass, got.ruleCode),
                std::tie(want.score, want.count, want.flexClass, want.ruleCode))
          << c.name << " area " << n;
    }
    sets[c.name] = fromFile.cells;
  }
  // The costs and threats change the set, so they are read from the data.
  EXPECT_NE(sets["cost"], sets["richness"]);
  EXPECT_NE(sets["threat"], sets["richness"]);
}

// Without an open datafile no area selection runs, and the set stays.
TEST(SelectionAnalyses, NoneRunsWithoutADatafile) {
  int selections = 0;
  for (const Analysis& a : analyses()) {
    if (a.kind != AnalysisKind::Selection) continue;
    ++selections;
    Priority d(test::smallTaxa());
    d.s.ws.datafile.opened = false;
    d.areas() = {10};
    EXPECT_FALSE(a.run(d.s, {}).ran) << a.name;
    EXPECT_EQ(d.areas(), (std::vector<int>{10})) << a.name;
  }
  // The near-minimum set and the exact sets at least: an empty registry
  // would pass the loop unseen.
  EXPECT_GE(selections, 2);
}

// ---------------------------------------------------------------------------
// Flexibility: fully flexible areas, goal-essential taxa and the cell lists

// A near-minimum set of cells 1 … 4 as a run leaves it, sole areas given:
//   A {1} -> 1;  B {2, 5, 6}, C {2, 5} -> 2;  D {3, 7}, E {3, 8} -> 3;  F {4, 9} -> 4
struct FlexibleSet : Loaded {
  FlexibleSet()
      : Loaded({{"A", "1", {{1, 1}}},
                {"B", "1", {{2, 1}, {5, 1}, {6, 1}}},
                {"C", "1", {{2, 1}, {5, 1}}},
                {"D", "1", {{3, 1}, {7, 1}}},
                {"E", "1", {{3, 1}, {8, 1}}},
                {"F", "1", {{4, 1}, {9, 1}}}}) {
    const int sole[] = {1, 2, 2, 3, 3, 4};
    for (int t = 0; t < 6; ++t) s.ws.cards.setField(t, s.ws.cards.layout->soleArea, sole[t]);
    s.areas.cells = {1, 2, 3, 4};
    s.areas.nearMinimumDone = true;
    s.settings.reordering = Reordering::kByRichness;
    s.settings.nearMinimumGoal = 1;
    setMeasureCode(s, kCodeNearMinimum);
  }
  // "Map fully flexible areas" as the menu and the tool run it.
  bool mapFlexible() { return findAnalysis("flexible")->run(s, {}).ran; }
};

TEST(FullyFlexible, GroupsGetDistinctScoresAndHoldAllTheAreasSoleTaxa) {
  FlexibleSet d;
  EXPECT_TRUE(d.mapFlexible());
  // Sizes 1, 2, 1, 2 sort to 1, 1, 2, 2 and become 1, 1, 2, 3: area 2's
  // pair scores 4 - 2, area 4's pair 4 - 3; areas 1 and 3 keep the top.
  EXPECT_EQ(d.map(), "1:4/2 2:2/1 3:4/2 4:1/1 5:2/1 9:1/1 ");
  EXPECT_EQ(d.s.map.code(), kCodeFullyFlexible);
  EXPECT_TRUE(d.s.scoresPresent);

  // The alternatives of each area hold all its sole taxa.
  const std::pair<int, const char*> cases[] = {{1, "1"}, {2, "2 5"}, {3, "3"}, {4, "4 9"}, {6, ""}, {0, ""}};
  for (auto [area, cells] : cases) EXPECT_EQ(cellsText(fullyFlexibleAlternatives(d.s, area)), cells) << area;
  // Under cost optimisation only cells of the area's own cost qualify.
  d.s.costPresent = true;
  d.s.settings.optimiseByCost = Flag::kOn;
  d.cell(2).cost = 5.0;
  d.cell(5).cost = 6.0;
  EXPECT_EQ(cellsText(fullyFlexibleAlternatives(d.s, 2)), "2");
}

TEST(FullyFlexible, NeedsARunThatAssessedFlexibility) {
  struct Case {
    const char* what;
    std::function<void(Session&)> spoil;
  };
  const Case cases[] = {
      {"not done", [](Session& s) { s.areas.nearMinimumDone = false; }},
      {"empty set", [](Session& s) { s.areas.cells.clear(); }},
      {"no re-ordering", [](Session& s) { s.settings.reordering = Reordering::kNone; }},
      {"goal 2", [](Session& s) { s.settings.nearMinimumGoal = 2; }},
  };
  for (const Case& c : cases) {
    FlexibleSet d;
    d.cell(1).score = 7.0;
    c.spoil(d.s);
    EXPECT_FALSE(d.mapFlexible()) << c.what;
    EXPECT_EQ(d.s.map.code(), kCodeNearMinimum) << c.what;
    EXPECT_EQ(d.score(1), 7.0) << c.what;
  }
}

TEST(GoalEssentialTaxa, TheClickedAreasTaxaAreMappedOnlyAfterASetForOneRepresentation) {
  FlexibleSet d;
  EXPECT_TRUE(goalEssentialClickApplies(d.s));
  EXPECT_EQ(showGoalEssentialTaxa(d.s, 2), 2);
  EXPECT_EQ(d.s.map.code(), kCodeFlexibilityPlot);
  EXPECT_EQ(d.s.map.dataTitle, "2 goal-essential taxa");
  EXPECT_EQ(d.map(), "2:2/2 5:2/2 6:1/1 ");
  EXPECT_TRUE(goalEssentialClickApplies(d.s)) << "an earlier click's map";
  EXPECT_EQ(showGoalEssentialTaxa(d.s, 1), 1);
  EXPECT_EQ(markedTaxa(d.s.ws), 1);
  EXPECT_EQ(d.s.map.currentTaxon, 0);
  EXPECT_EQ(showGoalEssentialTaxa(d.s, 7), 0);
  EXPECT_EQ(d.s.map.dataTitle, "no goal-essential taxa");

  // Only after a near-minimum or coverage set for one representation.
  d.s.settings.nearMinimumGoal = 2;
  EXPECT_FALSE(goalEssentialClickApplies(d.s));
  d.s.settings.nearMinimumGoal = 1;
  setMeasureCode(d.s, kCodeNearMaximumCoverage);
  EXPECT_TRUE(goalEssentialClickApplies(d.s));
  d.s.settings.mapAllFlexible = Flag::kOn;
  EXPECT_FALSE(goalEssentialClickApplies(d.s));
  setMeasureCode(d.s, kCodeRichness);
  EXPECT_FALSE(goalEssentialClickApplies(d.s));
}

TEST(CellInformation, LinesFollowTheAnalysisOnTheMap) {
  FlexibleSet d;
  d.mapFlexible();
  std::memcpy(d.cell(2).name.data(), "Second", 6);
  EXPECT_EQ(joined(cellInformationLines(d.s, 5)), "Area 5: |1 of 2 fully flexible areas|for selected area 2:|Second");
  EXPECT_EQ(joined(cellInformationLines(d.s, 9)), "Area 9: |1 of 2 fully flexible areas|for selected area 4:|");
  EXPECT_EQ(joined(cellInformationLines(d.s, 1)), "Area 1: |no fully flexible areas|selected area 1");
  EXPECT_EQ(joined(cellInformationLines(d.s, 30)), "Area 30: |unselected area");
  d.s.costPresent = true;
  d.cell(4).cost = 12.5;
  EXPECT_EQ(joined(cellInformationLines(d.s, 4)),
            "Area 4: |1 of 2 fully flexible areas|selected area 4|area cost 12.50      ");

  // The irreplaceable/flexible map of the run itself.
  FlexibleSet e;
  e.s.settings.flexibilityMap = Flag::kOn;
  e.cell(2).score = 3.0, e.cell(2).count = 2;
  e.cell(5).score = 2.0;
  EXPECT_EQ(joined(cellInformationLines(e.s, 5)), "Area 5: |goal-flexible area (tie)|outside set");
  e.s.settings.flexibilityPartial = Flag::kOn;
  EXPECT_EQ(joined(cellInformationLines(e.s, 30)), "Area 30: |no scores");
  e.s.settings.nearMinimumGoal = 2;
  EXPECT_EQ(joined(cellInformationLines(e.s, 2)), "Area 2: |selected area 2|(flexibility not assessed)");
  EXPECT_EQ(joined(cellInformationLines(e.s, 5)), "Area 5: |(flexibility not assessed)");

  // The goal-essential view and the ranked analyses.
  showGoalEssentialTaxa(d.s, 2);
  EXPECT_EQ(joined(cellInformationLines(d.s, 2)),
            "Area 2: Second|selected area 2|(2 goal-essential taxa)--range|area cost 0.00       ");
  d.s.costPresent = false;
  EXPECT_EQ(joined(cellInformationLines(d.s, 1)), "Area 1: |selected area 1|(1 goal-essential taxon)--range");
  EXPECT_EQ(joined(cellInformationLines(d.s, 9)), "Area 9: |unselected area");
}

// ---------------------------------------------------------------------------
// Near-maximum coverage: the set cut to a number of areas or a budget

// The note of the set's full size is the tool's case (select.case).
TEST(CoverageByNumber, CutsTheNearMinimumSetOrRaisesTheGoalUntilTheSetIsLargeEnough) {
  Priority d(test::smallTaxa());
  runNearMaximumCoverage(d.s, false, 2, 0.0, {});
  EXPECT_EQ(d.areas(), (std::vector<int>{10, 30}));
  EXPECT_EQ(d.s.map.code(), kCodeNearMaximumCoverage);
  EXPECT_EQ(d.cell(20).score, 0.0);
  EXPECT_EQ(d.s.settings.reordering, Reordering::kByRichness);
  EXPECT_EQ(d.s.settings.nearMinimumGoal, 1);

  // Where the cut set would be short the goal is raised until the set is
  // large enough, or every occupied cell is in; included seeds come back for
  // each raised goal. Goal 2 forces 10, 20, 30, 40 (ranges up to 2); T4 is
  // then held twice.
  struct Case {
    std::vector<int> seeds;
    bool include;
    int number, goal, seedCount;
    std::size_t size;
  };
  for (const Case& c : {Case{{60}, false, 4, 2, 1, 5}, Case{{}, false, 50, 3, 0, 6}, Case{{60}, true, 5, 2, 0, 5}}) {
    SCOPED_TRACE(c.number);
    Priority d(test::smallTaxa());
    d.areas() = c.seeds;
    d.s.settings.includeSeeds = flagOf(c.include);
    const AnalysisOutcome a = runNearMaximumCoverage(d.s, false, c.number, 0.0, {});
    EXPECT_EQ(d.s.settings.nearMinimumGoal, c.goal);
    EXPECT_EQ(d.s.settings.reordering, Reordering::kNone);
    EXPECT_EQ(d.s.areas.seedCount, c.seedCount);
    EXPECT_EQ(d.areas().size(), c.size);
    EXPECT_EQ(std::count(d.areas().begin(), d.areas().end(), 60), 1);
    if (c.number == 4) {
      EXPECT_NE(a.results.find("\n  (near-minimum set for 2 reps would be 1+4=5 areas)\n"), std::string::npos)
          << a.results;
    }
  }
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
// nothing fits and 12 adds P) stands in the expected texts below.
TEST(CoverageByBudget, ComplementBecomesTheSoleAreaOfItsTaxaAndTheReportNotesTheFullSet) {
  Priority d = budgetCase(1.0);
  d.s.settings.longReports = Flag::kOn;
  const AnalysisOutcome a = runNearMaximumCoverage(d.s, true, 0, 1.625, {});
  EXPECT_EQ(d.sole(4), 12);
  EXPECT_EQ(d.cell(12).count, 1);
  EXPECT_EQ(d.cell(12).score, 3.0);
  EXPECT_EQ(d.sole(5), 0);  // Q's sole area 11 was cut
  expectMatchesFile(a.results, "coverage_budget_long.txt");

  // The short report notes the cost of the full set.
  Priority cheaper = budgetCase(0.875);
  expectMatchesFile(runNearMaximumCoverage(cheaper.s, true, 0, 1.625, {}).results, "coverage_budget.txt");
  // A budget of the whole set cuts nothing.
  Priority whole = budgetCase(1.0);
  runNearMaximumCoverage(whole.s, true, 0, 5.25, {});
  EXPECT_EQ(whole.areas(), (std::vector<int>{4, 7, 11, 8, 5}));
}

// ---------------------------------------------------------------------------
// The RESULTS texts against expected-text files in tests/data/selection
// (ZN_REGENERATE=1 rewrites them), the greedy set's and the hotspots' worked
// out by hand

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
  // Every tie-break level: cells 1 and 2 tie on the rarest taxon; the
  // further taxa decide (or fail to decide) at the next levels, with and
  // without the extra tie-breaks, and the last tie at the lowest cell or at
  // random.
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

// The greedy and hotspot titles stand in their expected texts and in the
// tool's case (select.case).
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
      {kCodeRangeCentres, {}, "Manual area set"},
      {kCodeMaxRarity, {}, "Area set"},
  };
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
  {
    // A goal below one is taken as one; the plural for goal 2 is checked by
    // the tool's case (select.case), which refuses goal 0.
    Greedy d;
    d.s.settings.greedyGoal = 0;
    EXPECT_NE(findAnalysis("greedy")->run(d.s, {}).results.find("Greedy richness-area set for 1 representation\n"),
              std::string::npos);
  }
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
