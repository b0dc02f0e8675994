// The RESULTS reports of the greedy set and the hotspots against expected
// texts worked out by hand for five taxa on cells 10 … 60:
// T1 {10}, T2 {20, 30}, T3 {30, 40}, T4 {20, 40, 50}, T5 {10, 50, 60}.
#include <gtest/gtest.h>

#include "selection/greedy.h"
#include "selection/hotspots.h"
#include "shell/analyses.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::expectMatchesFile;
using test::Priority;
using test::taxon;

struct Case : Priority {
  Case()
      : Priority(test::smallTaxa()) {
    name(10, "Ten place long name");  // shown by its first 17 characters
    name(20, "Twenty");
    name(30, "Thirty");
    name(40, "Forty");
    name(50, "Fifty");
    s.settings.greedyRejectRedundant = Flag::kOff;
    s.settings.greedyIncludeSeeds = Flag::kOff;
    s.settings.greedyByRarity = GreedyBy::kRichness;
    s.settings.greedyGoal = 1;
  }
};

AnalysisResult hotspots(Case& d, int areas) {
  AnalysisParams p;
  p.areasToAdd = areas;
  return findAnalysis("hotspots")->run(d.s, p);
}

TEST(GreedyReport, TitleSeedsAndRejectionNoteFollowTheOptions) {
  std::string all;
  {
    // All five cells 10 … 50 add two taxa; equal totals go to the highest
    // cell, 50; then 30 (T2, T3), then 10 (T1). None is redundant.
    Case d;
    d.s.settings.greedyRejectRedundant = Flag::kOn;
    all += findAnalysis("greedy")->run(d.s, {}).results;
  }
  {
    // Seed 60 holds T5: 20, 30, 40 tie at two taxa and two in total, 40
    // wins; then 10, 20, 30 tie at one new taxon, 30 wins; then 10.
    Case d;
    d.areas() = {60};
    all += findAnalysis("greedy")->run(d.s, {}).results;
  }
  {
    // Weights 1 / range: 10 has 1 + 1/3; then 30 with 1/2 + 1/2; then 20,
    // 40 and 50 tie at 1/3 and 40 wins among the equal totals of 20 and 40.
    Case d;
    d.s.settings.greedyByRarity = GreedyBy::kRarity;
    d.s.settings.rarityFormula = RarityFormula::kInverse;
    all += findAnalysis("greedy")->run(d.s, {}).results;
  }
  expectMatchesFile(all, "greedy_report.txt");
}

// The plural for goal 2 is checked by the tool's case (select.case), which
// refuses goal 0.
TEST(GreedyReport, GoalBelowOneIsTakenAsOne) {
  Case d;
  d.s.settings.greedyGoal = 0;
  EXPECT_NE(findAnalysis("greedy")->run(d.s, {}).results.find("Greedy richness-area set for 1 representation\n"),
            std::string::npos);
}

TEST(HotspotReport, SeedsStayInFrontAndTiesFollowTheExchangeSort) {
  std::string all;
  {
    // Seed 60 represents T5, so 20, 30 and 40 score 2 and 10 and 50 score
    // 1; the exchange sort puts the ties in the order 40, 20, 30.
    Case d;
    d.areas() = {60};
    const AnalysisResult r = hotspots(d, 3);
    EXPECT_TRUE(r.ran);
    all += r.results;
  }
  {
    // Without seeds 10 … 50 all score 2: the sort gives 40, 20, 30, 10.
    Case d;
    all += hotspots(d, 4).results;
  }
  expectMatchesFile(all, "hotspots_report.txt");
}

}  // namespace
}  // namespace zn
