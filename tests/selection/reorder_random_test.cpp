#include <gtest/gtest.h>

#include "selection/randomsets.h"
#include "selection/reorder.h"
#include "shell/analyses.h"
#include "shell/runinputs.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::expectMatchesFile;
using test::Priority;
using test::taxon;
using test::TaxonSpec;

// The registry's entry run on the session's set.
AnalysisResult onSet(test::Priority& d, const char* name, bool threatPresent = false, float lastSeconds = 0.0f) {
  AnalysisParams p;
  p.threatPresent = threatPresent;
  p.lastSeconds = lastSeconds;
  return findAnalysis(name)->run(d.s, p);
}

// "caption: text" of the refusal an analysis returned ("" for none).
std::string refusalLine(const AnalysisResult& a) {
  return a.message ? a.message->caption + ": " + a.message->text : "";
}

TEST(ReorderByRichness, ASetHoldingEveryTaxonTwiceListsOneCompleteSetThenTheSecond) {
  Priority d({taxon("X", {1, 2}), taxon("Y", {3, 4}), taxon("Z", {1, 4})});
  d.areas() = {2, 3, 1, 4};
  const AnalysisResult a = onSet(d, "reorder-richness", false, 1.5f);
  ASSERT_TRUE(a.ran);
  EXPECT_EQ(d.areas(), (std::vector<int>{1, 3, 4, 2}));
  for (auto [cell, score, count] : {std::tuple{1, 2.0, 1}, {3, 1.0, 2}, {4, 2.0, 3}, {2, 1.0, 4}}) {
    EXPECT_EQ(d.cell(cell).score, score) << "cell " << cell;
    EXPECT_EQ(d.cell(cell).count, count) << "cell " << cell;
  }
  EXPECT_EQ(d.s.map.code(), kCodeReorderedByRichness);
  expectMatchesFile(a.results, "reordered_richness.txt");
}

TEST(ReorderByRichness, SeedsStayInFrontAndAreasAddingNothingGoLast) {
  Priority d({taxon("X", {1, 2}), taxon("Y", {3}), taxon("W", {9})});
  d.areas() = {9, 5, 2, 3};  // 5 holds nothing
  d.s.areas.seedCount = 1;
  onSet(d, "reorder-richness");
  EXPECT_EQ(d.areas(), (std::vector<int>{9, 2, 3, 5}));
  EXPECT_EQ(d.cell(5).score, 0.0);
}

TEST(ReorderByThreat, LargestThreatFirstKeepingTheOrderOfEquals) {
  Priority d({taxon("X", {1, 2, 3, 4})});
  d.areas() = {1, 2, 3, 4};
  d.s.areas.seedCount = 1;
  for (auto [n, t] : {std::pair{1, 9.0}, {2, 1.0}, {3, 3.0}, {4, 3.0}}) d.cell(n).threat = t;
  ASSERT_TRUE(onSet(d, "reorder-threat", true).ran);
  EXPECT_EQ(d.areas(), (std::vector<int>{1, 3, 4, 2}));
  for (int n = 1; n <= 4; ++n) d.cell(n).threat = 0.0;
  onSet(d, "reorder-threat", true);
  EXPECT_EQ(d.areas(), (std::vector<int>{1, 3, 4, 2}));
}

TEST(ReorderByThreat, RefusalsNameTheMissingThreatFirst) {
  Priority d({taxon("X", {1})});
  std::vector<std::string> lines{refusalLine(onSet(d, "reorder-threat")),
                                 refusalLine(onSet(d, "reorder-threat", true))};
  d.areas() = {1};
  lines.push_back(refusalLine(onSet(d, "reorder-threat")));
  EXPECT_EQ(lines, (std::vector<std::string>{"Re-order areas by threat: No threat variable has been loaded.",
                                             "Re-order areas by threat: No areas have been selected yet.",
                                             "Re-order areas by threat: No threat variable has been loaded."}));
  EXPECT_TRUE(d.host.messageLines().empty());
}

// Six cells, each with two taxa of its own; cell 6 shares one with 1.
std::vector<TaxonSpec> sixCells() {
  std::vector<TaxonSpec> taxa;
  for (int n = 1; n <= 6; ++n) {
    taxa.push_back(taxon("A" + std::to_string(n), {n * 10}));
    taxa.push_back(taxon("B" + std::to_string(n), {n * 10, n == 6 ? 10 : n * 10}));
  }
  return taxa;
}

// The draws alone, on the set and options of the session.
RandomSetsOutcome draws(Priority& d, int areas, std::uint32_t seed) {
  return runRandomSets(d.s, d.s.areas, randomSetsParams(d.s.settings, areas, seed), d.s.progress);
}

// Random sets as the menu runs them: the map, the seeds and the report.
AnalysisResult drawnOnTheMap(Priority& d, int areas, std::uint32_t seed) {
  AnalysisParams p;
  p.areasToAdd = areas;
  p.seed = seed;
  return findAnalysis("random")->run(d.s, p);
}

TEST(RandomSets, MoreAreasThanCandidatesReachEveryCandidateAtTheLastStep) {
  Priority d(sixCells());
  const RandomSetsOutcome r = draws(d, 10, 5);
  ASSERT_TRUE(r.simulated);
  // The request's number is the run's; the options keep the dialog's.
  d.s.settings.areasToAdd = 4;
  ASSERT_TRUE(drawnOnTheMap(d, 10, 5).ran);
  EXPECT_EQ(d.s.settings.areasToAdd, 4);
  EXPECT_EQ(r.stats.areas, 6);
  EXPECT_EQ(r.stats.median[6], 12.0);
  EXPECT_EQ(r.stats.upper[6], 12.0);
  double added = 0.0;
  for (int k = 1; k <= 6; ++k) added += r.stats.added[static_cast<std::size_t>(k)];
  EXPECT_EQ(added, 12000.0);
  int chosen = 0;
  for (int n = 10; n <= 60; n += 10) chosen += d.cell(n).count;
  EXPECT_EQ(chosen, 6000);
  EXPECT_EQ(d.s.map.code(), kCodeRandomSets);
  // The single-tailed upper value is never below the median.
  const RandomSetsOutcome fewer = draws(d, 4, 99);
  for (int k = 1; k <= 4; ++k)
    EXPECT_GE(fewer.stats.upper[static_cast<std::size_t>(k)], fewer.stats.median[static_cast<std::size_t>(k)]);
}

TEST(RandomSets, TaxaOfTheSeedsAreNeverNew) {
  Priority d(sixCells());
  d.areas() = {10};  // holds A1, B1 and B6
  const RandomSetsOutcome r = draws(d, 5, 5);
  ASSERT_TRUE(r.simulated);
  ASSERT_TRUE(drawnOnTheMap(d, 5, 5).ran);
  EXPECT_EQ(r.stats.candidates, 5);
  double added = 0.0;
  for (int k = 1; k <= 5; ++k) added += r.stats.added[static_cast<std::size_t>(k)];
  EXPECT_EQ(added, 9000.0);  // 12 taxa less the 3 of the seed, in each run
  EXPECT_EQ(d.s.areas.seedCount, 1);
  EXPECT_EQ(d.cell(10).count, 0);
}

TEST(RandomSets, FewerThanThreeCandidatesSimulateNothing) {
  Priority d({taxon("X", {1}), taxon("Y", {2})});
  const RandomSetsOutcome r = draws(d, 3, 1);
  EXPECT_TRUE(r.ran);
  EXPECT_FALSE(r.simulated);
  const AnalysisResult a = drawnOnTheMap(d, 3, 1);
  EXPECT_FALSE(a.ran);
  EXPECT_EQ(a.results, "");
}

TEST(RandomSets, ReportsInBothTails) {
  std::string text;
  for (int twoTailed : {0, 1}) {
    Priority d(sixCells());
    d.areas() = {20};
    d.s.settings.twoTailed = static_cast<Tails>(twoTailed);
    d.s.settings.hotspotKind = static_cast<HotspotKind>(twoTailed);  // richness, then inverse range-size rarity
    text += drawnOnTheMap(d, 3, 42).results;
  }
  expectMatchesFile(text, "random_sets.txt");
}

}  // namespace
}  // namespace zn
