// Building area sets: the greedy set against a step-by-step recount and
// the datafile, re-ordering a set, random sets, and the ranked maps.
#include "selection/greedy.h"
#include "selection/hotspots.h"
#include "selection/irreplaceability.h"
#include "shell/selection_commands.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/exact.h"
#include "selection/randomsets.h"
#include "selection/reorder.h"
#include "selection/setdata.h"
#include "selection/values.h"
#include "shell/analyses.h"
#include "shell/mapmeasures.h"
#include "shell/runinputs.h"
#include "tests/support/listing.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::cellsText;
using test::expectMatchesFile;
using test::joined;
using test::Loaded;
using test::Priority;
using test::TaxonSpec;

using test::taxon;

GreedyOptions richness(int goal = 1) {
  GreedyOptions o;
  o.goal = goal;
  return o;
}

// The run from the session's set, which becomes the session's.
GreedyResult grow(Loaded& d, const GreedyOptions& o) {
  GreedyResult r = growGreedySet(d.s, d.s.areas, o, d.s.progress);
  d.s.areas = r.set;
  return r;
}

// "cell:score/count" of the set's areas in set order, as the map scores them.
std::string scoresOf(Loaded& d) {
  MeasureResult m = MeasureResult::zeroed(d.s.ws.geo.cells, 0);
  scoreByPosition(m, d.s.areas);
  std::string out;
  for (int a : d.s.areas.cells) {
    const auto n = static_cast<std::size_t>(a);
    out += (out.empty() ? "" : " ") + std::to_string(a) + ":" + std::to_string(static_cast<int>(m.score[n])) + "/" +
           std::to_string(m.count[n]);
  }
  return out;
}

TEST(GreedySet, RedundantAreasGoFromTheEndAndTheRestIsReordered) {
  // X = 10 is taken first, then Y = 20 and Z = 30 complete the set and hold
  // all of X's taxa between them: X is rejected, and Z, holding more, leads
  // and scores highest.
  Loaded d({taxon("A", {10, 20}), taxon("B", {10, 20}), taxon("C", {10, 30}), taxon("D", {10, 30}),
            taxon("H", {10, 30}), taxon("I", {10, 30}), taxon("E", {20}), taxon("G", {20}), taxon("F", {30})});
  GreedyOptions o = richness();
  o.rejectRedundant = true;
  GreedyResult r = grow(d, o);
  EXPECT_EQ(r.rejected, 1);
  EXPECT_EQ(cellsText(d.s.areas.cells), "30 20");
  EXPECT_EQ(scoresOf(d), "30:2/1 20:1/2");
}

TEST(GreedySet, GoalAboveARangeEndsOnceTheTaxonsCellsAreTaken) {
  Loaded d({taxon("Single", {7}), taxon("Pair", {8, 9}), taxon("Wide", {7, 8, 9, 10})});
  d.s.settings.greedyGoal = 2;
  // The menu's run: the cards keep each taxon's representation, the map
  // scores the set by position and nothing else.
  // What the map before left (a residual map's offset, its taxa) goes.
  d.s.ws.cells[5].score = 4.0;
  d.s.map.scoreOffset = 2.5;
  d.s.map.taxaCounted = 9;
  const AnalysisResult run = findAnalysis("greedy")->run(d.s, {});
  ASSERT_TRUE(run.ran);
  // Single stays below the goal and stops counting once cell 7 is taken.
  EXPECT_EQ(d.s.areas.count(), 3);
  EXPECT_EQ(d.s.ws.cards.field(0, d.s.ws.cards.layout->repCount), 1);
  EXPECT_EQ(d.s.ws.cards.field(2, d.s.ws.cards.layout->repCount), 3);
  EXPECT_EQ(d.score(5), 0.0);
  EXPECT_EQ(d.score(d.s.areas.cells[0]), 3.0);
  EXPECT_EQ(d.s.map.scoreOffset, 0.0);
  EXPECT_EQ(d.s.map.taxaCounted, 0);
}

// Seeds stay in front, keep no score and count for representation; the
// first new area scores the area count. With "include seed areas in test"
// they are not seeds; the first step still values cell 2's taxa, so cell 2
// (already in the set) is passed over and cell 1 (holding A) is taken first.
TEST(GreedySet, SeedsStayInFrontUnlessIncludedInTheTest) {
  for (const bool include : {false, true}) {
    SCOPED_TRACE(include ? "included" : "seeds");
    Loaded d({taxon("A", {1, 2}), taxon("B", {2}), taxon("C", {1}), taxon("D", {5})});
    d.s.areas.cells = {2};
    GreedyOptions o = richness();
    o.includeSeeds = include;
    GreedyResult r = grow(d, o);
    EXPECT_EQ(r.seedCount, include ? 0 : 1);
    EXPECT_EQ(r.added, include ? 3 : 2);
    EXPECT_EQ(scoresOf(d), include ? "2:3/1 1:2/2 5:1/3" : "2:0/0 1:3/2 5:2/3");
  }
}

// The run as the steps read, recounting every value at every step: the
// incremental run must choose exactly the same areas, among as many tied cells.
std::vector<int> referenceGreedy(const Session& s, const GreedyOptions& o, int& rejected, std::vector<int>& ties) {
  const Workspace& ws = s.ws;
  const int cells = ws.geo.cells, taxa = ws.taxaCount, g = std::max(1, o.goal);
  const int ex = s.settings.excludedLevel;
  auto present = [&](int t, int c) { return ws.cards.level(t, c) > ex; };
  std::vector<double> w(static_cast<std::size_t>(taxa));
  std::vector<int> range(static_cast<std::size_t>(taxa), 0);
  for (int t = 0; t < taxa; ++t) {
    for (int c = 1; c <= cells; ++c) range[t] += present(t, c);
    w[t] = o.byRarity ? rarityValue(o.rarityFormula, range[t], cells) : 1.0;
  }
  auto perCost = [&](int c, double v) {
    const double k = ws.cells[static_cast<std::size_t>(c)].cost;
    return o.byCost && k != 0.0 ? v / k : v;
  };
  std::vector<int> set = s.areas.cells;
  const int seeds = o.includeSeeds ? 0 : static_cast<int>(set.size());
  std::vector<char> met(static_cast<std::size_t>(taxa), 1);
  for (int t = 0; t < taxa; ++t) {
    if (!ws.passesGroup(t) || range[t] == 0) continue;
    int reps = 0;
    for (int p = 0; p < seeds; ++p) reps += present(t, set[p]);
    met[t] = seeds > 0 && reps >= g;
  }
  auto inSet = [&](int c) { return std::find(set.begin(), set.end(), c) != set.end(); };
  while (static_cast<int>(set.size()) <= cells) {
    std::vector<double> v(static_cast<std::size_t>(cells) + 1, 0.0);
    std::vector<char> contributed(static_cast<std::size_t>(taxa), 0);
    for (int c = 1; c <= cells; ++c) {
      if (inSet(c)) continue;
      for (int t = 0; t < taxa; ++t)
        if (ws.passesGroup(t) && !met[t] && present(t, c)) v[c] += w[t], contributed[t] = 1;
    }
    if (std::count(contributed.begin(), contributed.end(), 1) == 0) break;
    double m = -1;
    for (int c = 1; c <= cells; ++c)
      if (!inSet(c) && perCost(c, v[c]) > m) m = perCost(c, v[c]);
    std::vector<int> tied;
    for (int c = 1; c <= cells; ++c)
      if (!inSet(c) && perCost(c, v[c]) == m) tied.push_back(c);
    ties.push_back(static_cast<int>(tied.size()));
    int chosen = tied[0];
    double best = -1;
    if (tied.size() > 1)
      for (int k = static_cast<int>(tied.size()) - 1; k >= 0; --k) {
        double total = 0;
        for (int t = 0; t < taxa; ++t)
          if (ws.passesGroup(t) && present(t, tied[k])) total += w[t];
        if (perCost(tied[k], total) > best) best = perCost(tied[k], total), chosen = tied[k];
      }
    set.push_back(chosen);
    for (int t = 0; t < taxa; ++t) {
      if (!ws.passesGroup(t)) continue;
      int reps = 0;
      for (int a : set) reps += present(t, a);
      if (reps >= g) met[t] = 1;
    }
  }
  rejected = 0;
  if (o.rejectRedundant) {
    int u = static_cast<int>(set.size());
    while (u > seeds) {
      bool needed = false;
      for (int t = 0; t < taxa && !needed; ++t) {
        if (!ws.passesGroup(t) || !present(t, set[u - 1])) continue;
        int without = 0;
        for (int p = seeds; p < static_cast<int>(set.size()); ++p) without += p != u - 1 && present(t, set[p]);
        needed = without < g;
      }
      if (needed) {
        --u;
        continue;
      }
      set.erase(set.begin() + (u - 1));
      ++rejected;
      u = static_cast<int>(set.size());
    }
  }
  if (g == 1 && rejected > 0) {
    std::vector<int> rest(set.begin() + seeds, set.end());
    for (int q = seeds; q < static_cast<int>(set.size()); ++q) {
      int best = -1;
      double bestSum = -1;
      for (int i = 0; i < static_cast<int>(rest.size()); ++i) {
        double sum = 0;
        for (int t = 0; t < taxa; ++t) {
          if (!ws.passesGroup(t) || !present(t, rest[i])) continue;
          bool before = false;
          for (int p = 0; p < q && !before; ++p) before = present(t, set[p]);
          if (!before) sum += w[t];
        }
        if (sum > bestSum) bestSum = sum, best = i;
      }
      set[q] = rest[best];
      rest.erase(rest.begin() + best);
    }
  }
  return set;
}

// Clustered random ranges over the first rows, so that ties, redundant
// areas and goals above the range all occur.
std::vector<TaxonSpec> randomTaxa(std::mt19937& rng, int taxa, int cells) {
  std::vector<TaxonSpec> out;
  for (int t = 0; t < taxa; ++t) {
    TaxonSpec s{"T" + std::to_string(t), std::to_string(1 + rng() % 3), {}};
    // Half the taxa are narrow, half spread wide: wide taxa make the
    // early rich areas redundant once the narrow ones are placed.
    const bool wide = t % 2 == 0;
    const int r = wide ? 4 + static_cast<int>(rng() % 8) : 1 + static_cast<int>(rng() % 2);
    int c = 1 + static_cast<int>(rng() % cells);
    for (int k = 0; k < r; ++k) {
      s.levels[c] = 1 + static_cast<int>(rng() % 3);
      c = wide ? 1 + static_cast<int>(rng() % cells) : std::clamp(c + 1, 1, cells);
    }
    out.push_back(s);
  }
  return out;
}

TEST(GreedySet, MatchesTheStepByStepRecountOnRandomData) {
  std::mt19937 rng(7);
  int rejections = 0, tiedSteps = 0;
  for (int round = 0; round < 24; ++round) {
    Loaded d(randomTaxa(rng, 40, 30));
    GreedyOptions o;
    o.byRarity = round % 2 == 1;
    o.rarityFormula = static_cast<RarityFormula>(round % 3);
    o.goal = 1 + round % 3;
    o.rejectRedundant = round % 4 < 2;
    o.includeSeeds = round % 5 == 0;
    o.byCost = round % 6 == 5;
    if (round % 3 == 1) d.s.areas.cells = {static_cast<int>(1 + rng() % 30), 31};
    if (o.byCost)
      for (int c = 1; c <= 40; ++c) d.cell(c).cost = static_cast<double>(rng() % 4);
    if (round % 7 == 3 || round % 8 == 2) {
      if (round % 7 == 3) d.s.settings.excludedLevel = 1;
      if (round % 8 == 2) d.s.ws.groupCode = "2";  // taxa outside the group do not count
      d.recountNow();
    }
    int rejected = 0;
    std::vector<int> ties;
    const std::vector<int> expected = referenceGreedy(d.s, o, rejected, ties);
    GreedyResult r = grow(d, o);
    EXPECT_EQ(cellsText(d.s.areas.cells), cellsText(expected)) << "round " << round;
    EXPECT_EQ(r.rejected, rejected) << "round " << round;
    EXPECT_EQ(r.ties, ties) << "round " << round;
    rejections += rejected;
    tiedSteps += static_cast<int>(std::count_if(r.ties.begin(), r.ties.end(), [](int k) { return k > 1; }));
  }
  // The rounds reach the rejection, re-ordering and tie-break paths.
  EXPECT_GT(rejections, 0);
  EXPECT_GT(tiedSteps, 0);
}

std::vector<int> shifted(std::vector<int> cells, int offset) {
  for (int& c : cells) c += offset;
  return cells;
}

TEST(GreedySet, GreedyAndExactMinimumOnAHandBuiltDatasetMatchTheDatafile) {
  std::mt19937 rng(11);
  const std::vector<TaxonSpec> taxa = randomTaxa(rng, 60, 40);
  Loaded d(taxa);
  const int cells = d.s.ws.geo.cells;
  const ExactResult fromFile = solveExact(buildExactProblem(d.s, AreaSet{}, ExactRequest{}));
  ASSERT_TRUE(fromFile.hasSolution);
  for (const int offset : {0, 100000}) {
    const AnalysisData a = test::analysisInput(taxa, cells, offset);
    for (const bool byRarity : {false, true}) {
      GreedyOptions o;
      o.byRarity = byRarity;
      o.rarityFormula = RarityFormula::kInverse;
      o.rejectRedundant = true;
      const GreedyResult fileSet = growGreedySet(d.s, AreaSet{}, o, d.s.progress);
      const GreedyResult handSet = growGreedySet(a, AreaSet{}, o, d.s.progress);
      EXPECT_EQ(cellsText(handSet.set.cells), cellsText(shifted(fileSet.set.cells, offset)))
          << "offset " << offset << (byRarity ? " rarity" : " richness");
      EXPECT_EQ(handSet.rejected, fileSet.rejected);
      EXPECT_EQ(handSet.represented, 60);
    }
    const ExactResult hand = solveExact(buildExactProblem(a, AreaSet{}, ExactRequest{}));
    EXPECT_EQ(hand.status, fromFile.status);
    EXPECT_EQ(cellsText(hand.cells), cellsText(shifted(fromFile.cells, offset))) << "offset " << offset;
  }
}

// ---------------------------------------------------------------------------
// Re-ordering a set, and random sets

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
  EXPECT_EQ(d.map(), "1:2/1 2:1/4 3:1/2 4:2/3 ");
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
  // The seeds' taxa count as held: X and W, which seed 9 holds, add nothing to cell 2.
  Priority e({taxon("X", {9, 2}), taxon("W", {9, 2}), taxon("Y", {2}), taxon("Z", {3}), taxon("V", {3})});
  e.areas() = {9, 2, 3};
  e.s.areas.seedCount = 1;
  onSet(e, "reorder-richness");
  EXPECT_EQ(e.areas(), (std::vector<int>{9, 3, 2}));
  // A taxon's cells outside the set take nothing from the areas in it.
  Priority o({taxon("P", {6, 99}), taxon("Q", {6}), taxon("R", {5}), taxon("S", {7})});
  o.areas() = {5, 6, 7};
  onSet(o, "reorder-richness");
  EXPECT_EQ(o.areas(), (std::vector<int>{6, 5, 7}));
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

// ---------------------------------------------------------------------------
// Ranked maps: hotspots, EMR irreplaceability and max rarity, and the dialog
// that asks for the number of areas

// Taxon i (0-based) is present in the first `richness[c]` cells' lists:
// cell c holds as many taxa as richness gives it.
std::vector<TaxonSpec> withRichness(const std::map<int, int>& richness) {
  int most = 0;
  for (auto [c, r] : richness) most = std::max(most, r);
  std::vector<TaxonSpec> taxa;
  for (int i = 0; i < most; ++i) {
    TaxonSpec t{"T" + std::to_string(i), "1", {}};
    for (auto [c, r] : richness)
      if (i < r) t.levels[c] = 1;
    taxa.push_back(t);
  }
  return taxa;
}

// Hotspots as the menu and the tool run them.
AnalysisResult hotspots(Loaded& d, int areas) {
  AnalysisParams p;
  p.areasToAdd = areas;
  return findAnalysis("hotspots")->run(d.s, p);
}

TEST(ExchangeSort, OrdersHighestFirstWithItsOwnTieOrder) {
  struct Case {
    std::vector<double> scores;
    std::string cells;  // cell order after sorting (entry i starts as cell i)
  };
  const Case cases[] = {
      // Four equal scores: the gap-2 pass moves 2 before 1 and 4 before 3.
      {{0, 1, 1, 1, 1}, "2 1 4 3 0"},
      // Three equal scores keep their order.
      {{0, 1, 1, 1}, "1 2 3 0"},
      {{0, 3, 5, 4, 1}, "2 3 1 4 0"},
      {{0}, "0"},
      {{}, ""},
  };
  for (const Case& c : cases) {
    std::vector<double> s = c.scores;
    std::vector<int> cells(s.size());
    for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = static_cast<int>(i);
    exchangeSortDescending(s, cells);
    EXPECT_EQ(cellsText(cells), c.cells);
    EXPECT_TRUE(std::is_sorted(s.rbegin(), s.rend()));
  }
}

// The top cells ranked, the rest zeroed; fewer than three scored cells
// select and report nothing, and the map keeps the measure's scores.
// Existing areas become seeds and the hotspots follow them: with cell 40,
// which holds T0 only, richness counts T1 ... T3.
TEST(Hotspots, TakesTheTopCellsRankedAndZeroesTheRest) {
  struct Case {
    std::map<int, int> richness;
    std::vector<int> seeds;
    int areas;
    const char *cells, *map;
  };
  for (const Case& c : {Case{{{5, 4}, {9, 2}, {12, 3}, {40, 1}}, {}, 2, "5 12", "5:4/1 12:3/2 "},
                        Case{{{5, 4}, {9, 2}, {12, 3}}, {}, 500, "5 12 9", "5:4/1 9:2/3 12:3/2 "},
                        Case{{{5, 4}, {9, 2}}, {}, 5, "", "5:4/4 9:2/2 "},
                        Case{{{5, 4}, {9, 2}, {12, 3}, {40, 1}, {41, 1}}, {40}, 2, "40 5 12", "5:3/1 12:2/2 "}}) {
    SCOPED_TRACE(c.cells);
    Loaded d(withRichness(c.richness));
    d.s.areas.cells = c.seeds;
    const AnalysisResult r = hotspots(d, c.areas);
    EXPECT_EQ(r.ran, c.richness.size() >= 3);
    EXPECT_EQ(r.results.empty(), !r.ran);
    EXPECT_EQ(cellsText(d.s.areas.cells), c.cells);
    EXPECT_EQ(d.map(), c.map);
    if (r.ran) {
      EXPECT_EQ(d.s.map.code(), kCodeHotspots);
    }
    EXPECT_EQ(d.s.areas.seedCount, static_cast<int>(c.seeds.size()));
  }
}

TEST(Hotspots, TheLowestResidualRanksLast) {
  // The residual map is shifted so that its lowest cell is exactly zero,
  // written as the zero-score marker; asking for every scored cell must
  // still leave that cell out.
  std::map<int, int> richness;
  for (int c = 1; c <= 36; ++c) richness[c] = 1 + (c * 7) % 5;
  richness[80] = 6;
  Loaded d(withRichness(richness));
  d.s.settings.hotspotKind = HotspotKind::kResiduals;
  const AnalysisResult r = hotspots(d, 200);
  ASSERT_TRUE(r.ran);
  ASSERT_GT(d.s.areas.count(), 3);
  for (int c : d.s.areas.cells) {
    EXPECT_NE(d.score(c), kZeroScore) << "cell " << c;
    EXPECT_GT(d.score(c), 0.0) << "cell " << c;
  }
  // Each keeps the score of the residual map, smoothed twice as that map is.
  EXPECT_EQ(d.s.map.smoothPasses, 2);
  Loaded residuals(withRichness(richness));
  computeMeasure(residuals.s, kCodeResiduals);
  for (int c : d.s.areas.cells) EXPECT_EQ(d.score(c), residuals.score(c)) << "cell " << c;
}

TEST(Hotspots, AKindWithoutAMeasureIsRefusedAndTheMapStays) {
  Loaded d(withRichness({{5, 4}, {9, 2}, {12, 3}}));
  setMeasureCode(d.s, kCodeRichness);
  d.s.settings.hotspotKind = static_cast<HotspotKind>(-2);
  const AnalysisResult r = hotspots(d, 2);
  EXPECT_FALSE(r.ran);
  EXPECT_EQ(joined(r.notes), "hotspots: the options' hotspot kind has no measure");
  EXPECT_EQ(d.s.map.code(), kCodeRichness);
  EXPECT_TRUE(d.s.areas.empty());
}

TEST(AreaNumberDialog, ShowsTheSetAndClampsTheNumber) {
  Loaded d(withRichness({{5, 1}}));
  d.s.areas.cells = {1, 2, 3};
  d.s.settings.areasToAdd = 12;
  NumberOfAreasModel m = openNumberOfAreas(d.s);
  EXPECT_EQ(m.seedsLine, "Number of selected (seed) areas: 3");
  EXPECT_EQ(m.maxLine, "(max 1097)");
  EXPECT_EQ(m.number, 12);
  // Nothing to add would run an analysis for nothing: one is the least.
  const std::pair<int, int> cases[] = {{5, 5}, {1097, 1097}, {5000, 1097}, {0, 1}, {-4, 1}};
  for (auto [typed, stored] : cases) {
    m.number = typed;
    EXPECT_EQ(acceptedNumberOfAreas(m), stored) << "typed " << typed;
  }
  d.s.areas.cells.assign(kAreaCapacity, 1);
  m = openNumberOfAreas(d.s);
  EXPECT_EQ(m.maxLine, "(max 0)");
  m.number = 5;
  EXPECT_EQ(acceptedNumberOfAreas(m), 0) << "a full set leaves no room";
}

// The entry's run maps the scores on the session; the kernel's own figures
// (passes, candidates) come from the same data and set.
IrreplaceabilityResult mapIrreplaceability(Loaded& d, MeasureCode code) {
  const bool emr = code == kCodeEmrIrreplaceability;
  EXPECT_TRUE(findAnalysis(emr ? "emr" : "max-rarity")->run(d.s, {}).ran);
  const AnalysisData data = analysisData(d.s);
  return emr ? computeEmrIrreplaceability(data, d.s.areas) : computeMaxRarity(data, d.s.areas);
}

// Ranges: A 1, B 2, C 2, E 2, D 3.
std::vector<test::TaxonSpec> fiveTaxa() {
  return {{"A", "1", {{1, 1}}},
          {"B", "1", {{1, 1}, {2, 1}}},
          {"C", "1", {{2, 1}, {3, 1}}},
          {"D", "1", {{4, 1}, {5, 1}, {6, 1}}},
          {"E", "1", {{6, 1}, {7, 1}}}};
}

TEST(EmrIrreplaceability, PassesOverTheRarestTaxaThenTheRestOfTheCandidates) {
  Loaded d(fiveTaxa());
  IrreplaceabilityResult r = mapIrreplaceability(d, kCodeEmrIrreplaceability);
  // Pass 1 scores A's cell and so holds B; pass 2 scores C's and E's cells
  // and so holds D; cells 4 and 5 are left with 1 / 7 candidates.
  EXPECT_EQ(d.map(), "1:1/1 2:0.5/2 3:0.5/2 4:0.142857/3 5:0.142857/3 6:0.5/2 7:0.5/2 ");
  EXPECT_EQ(r.passes, 2);
  EXPECT_EQ(r.candidates, 7);
  EXPECT_EQ(r.taxaCounted, 5);
  EXPECT_EQ(d.s.map.code(), kCodeEmrIrreplaceability);
  EXPECT_TRUE(d.s.scoresPresent);
  // The taxa of the set are left out.
  d.s.areas.cells = {1};
  r = mapIrreplaceability(d, kCodeEmrIrreplaceability);
  EXPECT_EQ(d.map(), "2:0.5/1 3:0.5/1 4:0.166667/2 5:0.166667/2 6:0.5/1 7:0.5/1 ");
  EXPECT_EQ(r.candidates, 6);
  EXPECT_EQ(r.taxaCounted, 3);
}

TEST(MaxRarity, ScoresTheSmallestRangeHeldAndItsRank) {
  Loaded d(fiveTaxa());
  IrreplaceabilityResult r = mapIrreplaceability(d, kCodeMaxRarity);
  EXPECT_EQ(d.map(), "1:1/1 2:0.5/2 3:0.5/2 4:0.333333/3 5:0.333333/3 6:0.5/2 7:0.5/2 ");
  EXPECT_EQ(r.passes, 3);
  EXPECT_EQ(d.s.map.code(), kCodeMaxRarity);
  d.s.areas.cells = {2};  // B and C are held: cell 1 keeps A, cell 3 nothing
  mapIrreplaceability(d, kCodeMaxRarity);
  EXPECT_EQ(d.map(), "1:1/1 4:0.333333/3 5:0.333333/3 6:0.5/2 7:0.5/2 ");
}

TEST(MaxRarity, ExcludedGroupsAndLevelsDoNotCount) {
  Loaded d({{"In", "11", {{1, 1}, {2, 1}}}, {"Out", "21", {{3, 1}}}, {"Low", "12", {{4, 1}}}});
  d.s.ws.groupCode = "1";
  d.recountNow();
  mapIrreplaceability(d, kCodeMaxRarity);
  EXPECT_EQ(d.map(), "1:0.5/2 2:0.5/2 4:1/1 ");
  d.s.settings.excludedLevel = 1;
  d.recountNow();
  IrreplaceabilityResult r = mapIrreplaceability(d, kCodeMaxRarity);
  EXPECT_EQ(d.map(), "");
  EXPECT_EQ(r.taxaCounted, 0);
  EXPECT_EQ(mapIrreplaceability(d, kCodeEmrIrreplaceability).candidates, 0);
  EXPECT_EQ(d.map(), "");
}

}  // namespace
}  // namespace zn
