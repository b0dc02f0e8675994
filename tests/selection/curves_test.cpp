// Representation curves, selection frequency and replacement cost on hand-
// made grids whose answers are known by enumeration.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>

#include "selection/curves.h"
#include "selection/frequency.h"
#include "selection/randomsets.h"
#include "selection/replacement.h"
#include "shell/analyses.h"
#include "shell/celllist.h"
#include "shell/runinputs.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::Priority;
using test::taxon;

// Cell 10 is richest; 20 and 30 each hold a taxon found nowhere else, so
// {20, 30} is the minimum set while richness-led orders start with 10.
std::vector<test::TaxonSpec> richVersusRare() {
  return {taxon("T1", {10, 20}), taxon("T2", {10, 20}), taxon("T3", {10, 30}),
          taxon("T4", {10, 30}), taxon("T5", {20}),     taxon("T6", {30})};
}

// The entry's run on the session, as the window and the tool run it.
AnalysisResult runEntry(Session& s, const char* name, std::optional<int> runs = {}) {
  AnalysisParams params;
  params.runs = runs;
  return findAnalysis(name)->run(s, params);
}

std::string refusalOf(Session& s, const char* name, std::optional<int> runs = {}) {
  return runEntry(s, name, runs).message.value_or(Notice{}).text;
}

CurveParams params(int runs = 200, std::uint32_t seed = 7) {
  CurveParams p;
  p.runs = runs;
  p.seed = seed;
  p.timeLimitSeconds = 30.0;
  return p;
}

// The taxa the cells picked by the bits of `m` represent.
int metBy(const std::vector<test::TaxonSpec>& taxa, const std::vector<int>& cells, std::uint32_t m) {
  int met = 0;
  for (const auto& t : taxa) {
    bool in = false;
    for (std::size_t i = 0; i < cells.size() && !in; ++i) in = (m >> i & 1u) && t.levels.count(cells[i]);
    met += in;
  }
  return met;
}

// The most taxa any k of the cells represent, by trying every subset.
std::vector<int> bruteOptimum(const std::vector<test::TaxonSpec>& taxa, const std::vector<int>& cells, int K) {
  std::vector<int> best(static_cast<std::size_t>(K) + 1, 0);
  for (std::uint32_t m = 0; m < (1u << cells.size()); ++m) {
    const int k = std::popcount(m);
    if (k <= K) best[static_cast<std::size_t>(k)] = std::max(best[static_cast<std::size_t>(k)], metBy(taxa, cells, m));
  }
  for (int k = 1; k <= K; ++k) best[k] = std::max(best[k], best[k - 1]);
  return best;
}

// Small grids drawn from a fixed sequence, so each run checks the same ones.
std::vector<test::TaxonSpec> drawnGrid(std::uint32_t seed, std::vector<int>& cells) {
  Random r;
  r.seed(seed);
  cells.clear();
  for (int i = 0; i < 9; ++i) cells.push_back(100 + 7 * i);
  std::vector<test::TaxonSpec> taxa;
  for (int t = 0; t < 14; ++t) {
    test::TaxonSpec spec = taxon("D" + std::to_string(t), {});
    const int range = 1 + r.choose(3);
    while (static_cast<int>(spec.levels.size()) < range) spec.levels[cells[static_cast<std::size_t>(r.choose(9))]] = 1;
    taxa.push_back(spec);
  }
  return taxa;
}

// The fewest cells meeting every taxon without the given cell (0 = none),
// by enumeration; -1 when impossible.
int bruteMinimumWithout(const std::vector<test::TaxonSpec>& taxa, const std::vector<int>& cells, int without) {
  int best = -1;
  for (std::uint32_t m = 0; m < (1u << cells.size()); ++m) {
    bool ok = metBy(taxa, cells, m) == static_cast<int>(taxa.size());
    for (std::size_t i = 0; i < cells.size() && ok; ++i) ok = !((m >> i & 1u) && cells[i] == without);
    if (ok && (best < 0 || std::popcount(m) < best)) best = std::popcount(m);
  }
  return best;
}

// On drawn grids the curves' optimum and the replacement costs are those
// enumeration finds.
TEST(Curves, OptimumAndReplacementCostMatchEnumerationOnDrawnGrids) {
  for (std::uint32_t seed : {2u, 3u, 11u, 17u, 23u, 29u, 41u}) {
    SCOPED_TRACE("grid " + std::to_string(seed));
    std::vector<int> cells;
    const auto taxa = drawnGrid(seed, cells);
    Priority p(taxa);
    CurveParams cp = params(50);
    cp.maxAreas = 6;
    const CurveSet c = computeCurves(p.s, cp);
    ASSERT_TRUE(c.error.empty()) << c.error;
    EXPECT_EQ(c.optimum, bruteOptimum(taxa, cells, 6));
    for (int k = 0; k <= 6; ++k) {
      EXPECT_LE(c.nearMinimum[k], c.optimum[k]) << "k " << k;
      EXPECT_LE(c.greedy[k], c.optimum[k]);
      EXPECT_LE(c.randomHigh[k], c.optimum[k]);
    }
    const ReplacementResult r = computeReplacementCost(analysisData(p.s), {}, {}, p.s.progress);
    ASSERT_TRUE(r.error.empty());
    const int minimum = bruteMinimumWithout(taxa, cells, 0);
    EXPECT_EQ(r.minimumSize, minimum);
    ASSERT_EQ(static_cast<int>(r.rows.size()), minimum);
    for (const ReplacementRow& row : r.rows) {
      const int without = bruteMinimumWithout(taxa, cells, row.cell);
      EXPECT_EQ(row.irreplaceable, without < 0) << "cell " << row.cell;
      if (without >= 0) {
        EXPECT_EQ(row.cost, without - minimum) << "cell " << row.cell;
      }
    }
  }
}

TEST(Curves, ATimeLimitKeepsTheBestKnownSetsAndShowsTheGap) {
  std::vector<int> cells;
  Priority p(drawnGrid(41, cells));
  CurveParams cp = params(20);
  cp.maxAreas = 5;
  cp.timeLimitSeconds = 1e-9;  // every solve stops at once
  const CurveSet c = computeCurves(p.s, cp);
  ASSERT_TRUE(c.error.empty());
  bool unproven = false;
  for (int k = 1; k <= 5; ++k) {
    // The quick orders' first k cells are sets of k areas too.
    EXPECT_GE(c.optimum[k], std::max({c.nearMinimum[k], c.greedy[k], c.hotspots[k]})) << k;
    EXPECT_GE(c.optimum[k], c.optimum[k - 1]) << k;
    EXPECT_GE(c.optimumBound[k], c.optimum[k]) << k;
    unproven = unproven || !c.optimumProven[k];
  }
  const std::string report = curvesReport(p.s, c);
  EXPECT_EQ(report.find("(* not proven optimal within the time limit") != std::string::npos, unproven) << report;
}

TEST(Curves, RandomDrawsAreTheRandomSetAnalysisDraws) {
  // Same seed, same candidates, same generator: the median and the two-
  // tailed 2.5 % values equal those of "Random set selection".
  std::vector<int> cells;
  Priority p(drawnGrid(5, cells));
  CurveParams cp = params(1000, 1234);
  cp.maxAreas = 4;
  const CurveSet c = computeCurves(p.s, cp);
  ASSERT_TRUE(c.error.empty());
  p.s.settings.twoTailed = Tails::kTwo;
  p.s.settings.hotspotKind = HotspotKind::kRichness;
  const RandomSetsOutcome r = runRandomSets(p.s, p.s.areas, randomSetsParams(p.s.settings, 4, 1234u), p.s.progress);
  ASSERT_TRUE(r.simulated);
  for (int k = 1; k <= 4; ++k) {
    EXPECT_DOUBLE_EQ(c.randomMedian[k], r.stats.median[k]) << k;
    EXPECT_DOUBLE_EQ(c.randomLow[k], r.stats.lower[k]) << k;
    EXPECT_DOUBLE_EQ(c.randomHigh[k], r.stats.upper[k]) << k;
  }
  // And the same seed draws the same curves again.
  EXPECT_EQ(computeCurves(p.s, cp).randomMedian, c.randomMedian);
}

TEST(Curves, AccumulationIndexRunsFromChanceToTheOptimum) {
  const std::vector<int> opt{0, 4, 6, 6};
  const std::vector<double> random{0, 2, 4, 6};
  double index = -1;
  ASSERT_TRUE(accumulationIndex({0, 4, 6, 6}, opt, random, index));
  EXPECT_DOUBLE_EQ(index, 1.0);
  ASSERT_TRUE(accumulationIndex(random, opt, random, index));
  EXPECT_DOUBLE_EQ(index, 0.0);
  ASSERT_TRUE(accumulationIndex({0, 3, 4, 6}, opt, random, index));  // k = 3 has no room: left out
  EXPECT_DOUBLE_EQ(index, (0.5 + 0.0) / 2);
  EXPECT_FALSE(accumulationIndex({0, 1}, {0, 1}, {0, 1}, index));
}

constexpr const char* kRunsMessage = "The number of runs must be from 1 to 10000.";

// Too many areas and no taxa after preselection are the tool's cases too
// (curve.case).
TEST(Curves, BadRequestsAreRefusedWithAMessage) {
  Priority p(richVersusRare());
  for (int runs : {0, 10001}) EXPECT_EQ(computeCurves(p.s, params(runs)).error, kRunsMessage);
  // Seeds or a goal above 1, whether loaded in the window or given to the
  // tool, would hold for some columns only.
  p.s.areas.cells = {10};
  p.s.areas.seedCount = 1;
  EXPECT_EQ(computeCurves(p.s, params()).error,
            "Representation curves start from an empty set: clear the seed areas to draw them.");
  p.s.areas = {};
  p.s.settings.nearMinimumGoal = 2;
  EXPECT_EQ(computeCurves(p.s, params()).error,
            "Representation curves count each taxon once: set the goal (2) to 1 to draw them.");
  p.s.settings.nearMinimumGoal = 1;
  for (int t = 0; t < 6; ++t) p.s.ws.cards.setExcluded(t, true);
  EXPECT_EQ(refusalOf(p.s, "frequency"), "No taxa are left after preselection.");
  EXPECT_EQ(refusalOf(p.s, "replacement-cost"), "No taxa are left after preselection.");
  EXPECT_EQ(refusalOf(p.s, "frequency", 0), kRunsMessage);
  p.s.ws.datafile.opened = false;
  EXPECT_EQ(refusalOf(p.s, "replacement-cost"), "No datafile is open.");
}

// Every method's curve on richVersusRare, worked by hand (the optimum 0, 4,
// 6; near-minimum 0, 3, 6; greedy and hotspots 0, 4, 5; random pairs 5 or 6),
// and the areas each needs for every taxon, stand in the expected texts.
TEST(Curves, ReportAndCsvKeepTheirLayout) {
  Priority p(richVersusRare());
  const CurveSet c = computeCurves(p.s, params(100, 3));
  test::expectMatchesFile(curvesReport(p.s, c), "curves_report.txt");
  test::expectMatchesFile(curvesCsv(c), "curves.csv");
  EXPECT_TRUE(p.areas().empty());  // the user's set is left alone
}

// Ties everywhere: a ring of taxa two cells wide, plus one taxon of its own.
std::vector<test::TaxonSpec> tiedRing() {
  return {taxon("R1", {10, 20}), taxon("R2", {20, 30}), taxon("R3", {30, 40}), taxon("R4", {40, 10}),
          taxon("S1", {50})};
}

TEST(Frequency, SoleCellsAlwaysAndTiedCellsSometimes) {
  Priority p(tiedRing());
  p.s.settings.lastTieRandom = LastTie::kLowestCell;  // the runs break the last tie at random whatever the option says
  const AnalysisResult r = runEntry(p.s, "frequency", 40);
  ASSERT_TRUE(r.ran);
  EXPECT_NE(r.results.find("sets of 3 to 3 areas"), std::string::npos) << r.results;
  EXPECT_EQ(p.s.map.code(), kCodeSelectionFrequency);
  EXPECT_DOUBLE_EQ(p.cell(50).score, 100.0);
  EXPECT_EQ(p.cell(50).count, 40);
  EXPECT_DOUBLE_EQ(p.s.map.scaleLimit, 100.0);
  int sometimes = 0;
  for (int n : {10, 20, 30, 40}) sometimes += p.cell(n).count > 0 && p.cell(n).count < 40;
  EXPECT_GE(sometimes, 2) << "the last tie-break never varied";
  // The List of biota names the share.
  EXPECT_EQ(cellInformationLines(p.s, 50).at(1), "chosen in 40 of 40 runs (100.0%)");
  EXPECT_EQ(runEntry(p.s, "frequency", 40).results, r.results);  // seeds 1 ... R
}

TEST(Replacement, ProgressRunsToAHundredAndAStopEndsTheRows) {
  struct Case {
    std::vector<test::TaxonSpec> taxa;
    bool stopAtOnce;
    std::vector<int> percents;
  };
  const Case cases[] = {
      {{test::taxon("A", {5})}, false, {100}}, {tiedRing(), false, {33, 66, 100}}, {tiedRing(), true, {33}}};
  for (const Case& c : cases) {
    Priority p(c.taxa);
    std::vector<int> seen;
    ReplacementParams params;
    params.progress = [&](int percent) {
      seen.push_back(percent);
      return !c.stopAtOnce;
    };
    const ReplacementResult r = computeReplacementCost(analysisData(p.s), {}, params, p.s.progress);
    EXPECT_EQ(seen, c.percents);
    EXPECT_EQ(r.stopped, c.stopAtOnce);
    EXPECT_EQ(r.rows.size(), seen.size());
  }
}

TEST(Replacement, MapAndReportNameIrreplaceableAreas) {
  Priority p(tiedRing());
  const AnalysisResult r = runEntry(p.s, "replacement-cost");
  ASSERT_TRUE(r.ran);
  EXPECT_EQ(p.s.map.code(), kCodeReplacementCost);
  EXPECT_EQ(p.cell(50).count, -1);
  EXPECT_EQ(cellInformationLines(p.s, 50).at(1), "irreplaceable");
  int free = 0;  // one pair of the ring, which the other pair does without
  for (int n : {10, 20, 30, 40})
    if (p.cell(n).score == kZeroScore) {
      ++free;
      EXPECT_EQ(cellInformationLines(p.s, n).at(1), "replacement cost 0 areas");
    }
  EXPECT_EQ(free, 2);
  EXPECT_EQ(cellInformationLines(p.s, 60).at(1), "not in the exact minimum set");
  test::expectMatchesFile(r.results, "replacement_report.txt");
}

}  // namespace
}  // namespace zn
