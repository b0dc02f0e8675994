#include "selection/flexibility.h"

#include <gtest/gtest.h>

#include <functional>

#include "measures/scores.h"
#include "selection/cellinfo.h"
#include "shell/analyses.h"
#include "shell/celllist.h"
#include "shell/mapmeasures.h"
#include "shell/nearminimum_runs.h"
#include "shell/runinputs.h"
#include "tests/support/listing.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::cellsText;
using test::joined;
using test::Loaded;

// A near-minimum set of cells 1 … 4 as a run leaves it, sole areas given:
//   A {1} -> 1;  B {2, 5, 6}, C {2, 5} -> 2;  D {3, 7}, E {3, 8} -> 3;  F {4, 9} -> 4
struct NearMinimum : Loaded {
  NearMinimum()
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

TEST(FullyFlexible, AlternativesHoldAllTheAreasSoleTaxa) {
  NearMinimum d;
  const std::pair<int, const char*> cases[] = {{1, "1"}, {2, "2 5"}, {3, "3"}, {4, "4 9"}, {6, ""}, {0, ""}};
  for (auto [area, cells] : cases) EXPECT_EQ(cellsText(fullyFlexibleAlternatives(d.s, area)), cells) << area;
  // Under cost optimisation only cells of the area's own cost qualify.
  d.s.costPresent = true;
  d.s.settings.optimiseByCost = Flag::kOn;
  d.cell(2).cost = 5.0;
  d.cell(5).cost = 6.0;
  EXPECT_EQ(cellsText(fullyFlexibleAlternatives(d.s, 2)), "2");
}

TEST(FullyFlexible, GroupsGetDistinctScoresBelowTheIrreplaceableAreas) {
  NearMinimum d;
  EXPECT_TRUE(d.mapFlexible());
  // Sizes 1, 2, 1, 2 sort to 1, 1, 2, 2 and become 1, 1, 2, 3: area 2's
  // pair scores 4 - 2, area 4's pair 4 - 3; areas 1 and 3 keep the top.
  EXPECT_EQ(d.map(), "1:4/2 2:2/1 3:4/2 4:1/1 5:2/1 9:1/1 ");
  EXPECT_EQ(d.s.map.code(), kCodeFullyFlexible);
  EXPECT_TRUE(d.s.scoresPresent);
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
    NearMinimum d;
    d.cell(1).score = 7.0;
    c.spoil(d.s);
    EXPECT_FALSE(d.mapFlexible()) << c.what;
    EXPECT_EQ(d.s.map.code(), kCodeNearMinimum) << c.what;
    EXPECT_EQ(d.score(1), 7.0) << c.what;
  }
}

TEST(GoalEssentialTaxa, TheClickedAreasTaxaAreMapped) {
  NearMinimum d;
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
}

TEST(GoalEssentialTaxa, OnlyAfterANearMinimumOrCoverageSetForOneRepresentation) {
  NearMinimum d;
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
  NearMinimum d;
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
  NearMinimum e;
  e.s.settings.flexibilityMap = Flag::kOn;
  e.cell(1).score = 4.0, e.cell(1).count = 1;
  e.cell(2).score = 3.0, e.cell(2).count = 2;
  e.cell(5).score = 2.0;
  EXPECT_EQ(joined(cellInformationLines(e.s, 1)),
            "Area 1: |selected area 1|goal-irreplaceable area|within set|(1 goal-essential taxa)--range");
  EXPECT_EQ(joined(cellInformationLines(e.s, 5)), "Area 5: |goal-flexible area (tie)|outside set");
  EXPECT_EQ(joined(cellInformationLines(e.s, 30)), "Area 30: |unselected area");
  e.s.settings.flexibilityPartial = Flag::kOn;
  EXPECT_EQ(joined(cellInformationLines(e.s, 30)), "Area 30: |no scores");
  e.s.settings.nearMinimumGoal = 2;
  EXPECT_EQ(joined(cellInformationLines(e.s, 2)), "Area 2: |selected area 2|(flexibility not assessed)");

  // The goal-essential view and the ranked analyses.
  showGoalEssentialTaxa(d.s, 2);
  EXPECT_EQ(joined(cellInformationLines(d.s, 2)),
            "Area 2: Second|selected area 2|(2 goal-essential taxa)--range|area cost 0.00       ");
  d.s.costPresent = false;
  EXPECT_EQ(joined(cellInformationLines(d.s, 1)), "Area 1: |selected area 1|(1 goal-essential taxon)--range");
  EXPECT_EQ(joined(cellInformationLines(d.s, 9)), "Area 9: |unselected area");
  setMeasureCode(d.s, kCodeGreedy);
  d.s.map.title = "greedy title";
  d.cell(3).count = 3;
  EXPECT_EQ(joined(cellInformationLines(d.s, 3)), "Area 3: |choice 3 by|greedy title");
  EXPECT_EQ(joined(cellInformationLines(d.s, 9)), "Area 9: |area not chosen by|greedy title");
}

}  // namespace
}  // namespace zn
