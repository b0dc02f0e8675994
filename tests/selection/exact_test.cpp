// Exact sets, representation curves and replacement cost against
// enumeration: small random grids built as datafiles go through the problem
// builder and the solver, and every subset of their cells is tried here to
// find the true optimum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <set>

#include "measures/scores.h"
#include "selection/curves.h"
#include "selection/exact.h"
#include "selection/frequency.h"
#include "selection/nearminimum.h"
#include "selection/randomsets.h"
#include "selection/replacement.h"
#include "shell/analyses.h"
#include "shell/celllist.h"
#include "shell/data_dialogue.h"
#include "shell/exact_commands.h"
#include "shell/nearminimum_runs.h"
#include "shell/runinputs.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/text.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::Loaded;
using test::Priority;

void setCost(Loaded& d, int cell, double c) {
  d.s.ws.cells[static_cast<std::size_t>(cell)].cost = c;
  d.s.costPresent = true;
}

// ---- the oracle: every subset of the free cells ------------------------------

struct Instance {
  std::vector<test::TaxonSpec> taxa;
  std::vector<int> cells;  // the cells that may hold records
  std::map<int, double> cost;
  std::vector<int> seeds;
  std::vector<int> excludedTaxa;
  std::string groupCode;
  int excludedLevel = 0;
  int goal = 1;
  bool includeSeeds = false;
  bool byCost = false;
  int areas = 0;
  double budget = 0.0;
};

struct Best {
  bool found = false;
  int represented = 0;  // coverage: taxa with a presence; minimum: all
  int areas = 0;
  double cost = 0.0;
};

// Presence lists by the inclusion rules, from the taxon specs themselves.
std::vector<std::vector<int>> countedPresence(const Instance& in) {
  std::vector<std::vector<int>> out;
  for (std::size_t t = 0; t < in.taxa.size(); ++t) {
    const auto& tx = in.taxa[t];
    if (tx.code.rfind(in.groupCode, 0) != 0) continue;
    if (std::find(in.excludedTaxa.begin(), in.excludedTaxa.end(), static_cast<int>(t)) != in.excludedTaxa.end())
      continue;
    std::vector<int> cells;
    for (auto [cell, level] : tx.levels)
      if (level > in.excludedLevel) cells.push_back(cell);
    if (!cells.empty()) out.push_back(cells);
  }
  return out;
}

// The taxa the chosen cells meet: the goal for the minimum set, one
// presence for coverage.
int metBy(const Instance& in, ExactKind kind, const std::set<int>& chosen) {
  const int goal = kind == ExactKind::MinimumSet ? in.goal : 1;
  int met = 0;
  for (const auto& cells : countedPresence(in)) {
    int have = 0;
    for (int c : cells) have += static_cast<int>(chosen.count(c));
    met += have >= std::min<int>(goal, static_cast<int>(cells.size()));
  }
  return met;
}

Best enumerate(const Instance& in, ExactKind kind) {
  const int taxa = static_cast<int>(countedPresence(in).size());
  std::set<int> fixed;
  if (!in.includeSeeds) fixed.insert(in.seeds.begin(), in.seeds.end());
  std::vector<int> free;
  for (int c : in.cells)
    if (!fixed.count(c)) free.push_back(c);
  Best best;
  for (unsigned mask = 0; mask < (1u << free.size()); ++mask) {
    std::set<int> chosen = fixed;
    int areas = 0;
    double cost = 0.0;
    for (std::size_t k = 0; k < free.size(); ++k)
      if (mask >> k & 1u) {
        chosen.insert(free[k]);
        ++areas;
        cost += in.cost.count(free[k]) ? in.cost.at(free[k]) : 0.0;
      }
    const int met = metBy(in, kind, chosen);
    Best b{true, met, areas, cost};
    if (kind == ExactKind::MinimumSet) {
      if (met < taxa) continue;
      const bool better = !best.found || (in.byCost ? cost < best.cost - 1e-9 : areas < best.areas);
      if (better) best = b;
    } else {
      if (kind == ExactKind::CoverageByNumber && areas > in.areas) continue;
      if (kind == ExactKind::CoverageByBudget && cost > in.budget + 1e-9) continue;
      const bool better =
          !best.found || met > best.represented ||
          (met == best.represented && (areas < best.areas || (areas == best.areas && cost < best.cost - 1e-9)));
      if (better) best = b;
    }
  }
  return best;
}

// ---- random instances ----------------------------------------------------------

Instance randomInstance(unsigned seed) {
  std::mt19937 rng(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Instance in;
  const int ncells = pick(8, 12);
  std::set<int> cells;
  while (static_cast<int>(cells.size()) < ncells) cells.insert(pick(1, 864));
  in.cells.assign(cells.begin(), cells.end());
  const bool wholeCosts = pick(0, 1);
  for (int c : in.cells) in.cost[c] = wholeCosts ? pick(1, 9) : pick(10, 99) / 7.0;
  const char* codes[] = {"11", "12", "21", "22"};
  const int ntaxa = pick(4, 14);
  for (int t = 0; t < ntaxa; ++t) {
    test::TaxonSpec tx{"T" + std::to_string(t), codes[pick(0, 3)], {}};
    const int records = pick(0, 5);
    for (int r = 0; r < records; ++r) tx.levels[in.cells[static_cast<std::size_t>(pick(0, ncells - 1))]] = pick(1, 4);
    in.taxa.push_back(tx);
  }
  for (int k = pick(0, 2); k > 0; --k) in.seeds.push_back(in.cells[static_cast<std::size_t>(pick(0, ncells - 1))]);
  std::sort(in.seeds.begin(), in.seeds.end());
  in.seeds.erase(std::unique(in.seeds.begin(), in.seeds.end()), in.seeds.end());
  if (pick(0, 3) == 0) in.excludedTaxa.push_back(pick(0, ntaxa - 1));
  in.groupCode = pick(0, 3) == 0 ? "1" : "";
  in.excludedLevel = pick(0, 3) == 0 ? 1 : 0;
  in.goal = pick(1, 3);
  in.includeSeeds = pick(0, 2) == 0;
  in.byCost = pick(0, 1);
  in.areas = pick(0, 4);
  in.budget = pick(0, 25);
  return in;
}

// Loads the instance the way the program holds it: excluded taxa lose their
// records, the options sit in the settings record.
void load(Loaded& d, const Instance& in) {
  for (auto [cell, c] : in.cost) setCost(d, cell, c);
  for (int t : in.excludedTaxa) {
    d.s.ws.cards.setExcluded(t, true);
    for (int n = 1; n <= 864; ++n) d.s.ws.cards.setLevel(t, n, 0);
  }
  d.s.ws.groupCode = in.groupCode;
  d.s.settings.excludedLevel = in.excludedLevel;
  d.s.settings.nearMinimumGoal = in.goal;
  d.s.settings.includeSeeds = flagOf(in.includeSeeds);
  d.s.settings.optimiseByCost = flagOf(in.byCost);
  d.s.areas.cells = in.seeds;
  d.s.areas.seedCount = 0;
}

// Recounts what the returned set achieves, from the instance.
Best achieved(const Instance& in, ExactKind kind, const ExactResult& r) {
  std::set<int> chosen(r.cells.begin(), r.cells.end());
  if (!in.includeSeeds) chosen.insert(in.seeds.begin(), in.seeds.end());
  Best b{true, metBy(in, kind, chosen), static_cast<int>(r.cells.size()), 0.0};
  for (int c : r.cells) b.cost += in.cost.at(c);
  return b;
}

TEST(RandomGrids, OptimumEqualsEnumeration) {
  for (ExactKind kind : {ExactKind::MinimumSet, ExactKind::CoverageByNumber, ExactKind::CoverageByBudget})
    for (unsigned seed = 1; seed <= 60; ++seed) {
      Instance in = randomInstance(seed);
      if (kind == ExactKind::CoverageByBudget) in.byCost = true;
      SCOPED_TRACE("kind " + std::to_string(static_cast<int>(kind)) + ", seed " + std::to_string(seed));
      Loaded d(in.taxa);
      load(d, in);
      const ExactProblem p = buildExactProblem(d.s, {kind, in.areas, in.budget});
      const ExactResult r = solveExact(p);
      const Best want = enumerate(in, kind);
      ASSERT_TRUE(want.found);  // every want can be met by the cells themselves
      ASSERT_EQ(r.status, ExactStatus::Optimal);
      EXPECT_EQ(r.bound, r.objective);
      const Best got = achieved(in, kind, r);
      EXPECT_EQ(got.represented, r.represented);
      EXPECT_EQ(got.areas, r.areas);
      EXPECT_NEAR(got.cost, r.cost, 1e-9);
      const bool byCost = kind == ExactKind::MinimumSet && in.byCost;
      if (kind == ExactKind::MinimumSet) {
        EXPECT_EQ(got.represented, static_cast<int>(countedPresence(in).size()));
        EXPECT_LE(quickLowerBound(p), (byCost ? want.cost : want.areas) + 1e-9);
        if (byCost) {
          EXPECT_NEAR(r.objective, want.cost, 1e-9) << "areas " << r.areas << " vs " << want.areas;
        } else {
          EXPECT_EQ(r.objective, want.areas);
        }
      } else {
        EXPECT_EQ(r.objective, want.represented);
        EXPECT_EQ(r.areas, want.areas) << "represented " << r.represented;
        EXPECT_NEAR(r.cost, want.cost, 1e-9);
        if (kind == ExactKind::CoverageByNumber) {
          EXPECT_LE(r.areas, in.areas);
        } else {
          EXPECT_LE(r.cost, in.budget + 1e-9);
        }
      }
      for (int c : r.cells) EXPECT_TRUE(std::binary_search(in.cells.begin(), in.cells.end(), c)) << c;
      if (!in.includeSeeds) {
        for (int c : in.seeds) EXPECT_EQ(std::count(r.cells.begin(), r.cells.end(), c), 0) << "seed " << c;
      }
    }
}

// ---- the builder -----------------------------------------------------------------

// The random grids check the group, level and goal rules and the seeds
// through the optimum; they drop the records of an excluded taxon, so here
// an excluded taxon keeps them and is left out all the same.
TEST(ExactProblemBuilder, LeavesAnExcludedTaxonOutWhateverItsRecords) {
  Loaded d({{"A", "11", {{1, 1}, {2, 1}}}, {"D", "13", {{5, 1}, {6, 1}}}, {"E", "14", {{6, 1}, {7, 1}}}});
  d.s.ws.cards.setExcluded(1, true);
  const ExactProblem p = buildExactProblem(d.s, {});
  EXPECT_EQ(p.taxaCounted, 2);
  EXPECT_EQ(p.rowTaxon, (std::vector<int>{0, 2}));
  EXPECT_EQ(p.cells, (std::vector<int>{1, 2, 6, 7}));
}

TEST(ExactProblemBuilder, CoverageIgnoresRepeatedAndOffGridSeedsAndClampsTheNumber) {
  Loaded d({{"A", "11", {{1, 1}, {2, 1}}}, {"B", "12", {{3, 1}}}, {"C", "13", {{4, 1}}}});
  d.s.areas.cells = {1, 1, 900};  // a repeat and a cell off the grid are ignored
  ExactProblem p = buildExactProblem(d.s, {ExactKind::CoverageByNumber, 5000, 0.0});
  EXPECT_EQ(p.fixedCells, (std::vector<int>{1}));
  EXPECT_EQ(p.areaLimit, 1099);
  p = buildExactProblem(d.s, {ExactKind::CoverageByNumber, -3, std::nan("")});
  EXPECT_EQ(p.areaLimit, 0);
  EXPECT_EQ(p.budget, 0.0);
}

TEST(ExactProblemBuilder, CostOptimisationNeedsCostData) {
  Loaded d({{"A", "11", {{1, 1}}}});
  d.s.settings.optimiseByCost = Flag::kOn;
  EXPECT_FALSE(exactByCost(d.s));
  EXPECT_EQ(coverageKind(d.s), ExactKind::CoverageByNumber);
  setCost(d, 1, 4.0);
  EXPECT_TRUE(exactByCost(d.s));
  EXPECT_EQ(coverageKind(d.s), ExactKind::CoverageByBudget);
  EXPECT_TRUE(buildExactProblem(d.s, {}).byCost);
}

// ---- edges -----------------------------------------------------------------------

TEST(ExactSolve, NothingToDoIsOptimalWithNoAreas) {
  Loaded closed({{"A", "11", {{1, 1}}}});
  closed.s.ws.datafile.opened = false;
  ExactResult r = solveExact(buildExactProblem(closed.s, {}));
  EXPECT_EQ(r.status, ExactStatus::Optimal);
  EXPECT_TRUE(r.cells.empty());
  EXPECT_EQ(r.objective, 0.0);

  Loaded met({{"A", "11", {{1, 1}}}, {"B", "12", {{1, 1}, {2, 1}}}});
  met.s.areas.cells = {1};
  r = solveExact(buildExactProblem(met.s, {}));
  EXPECT_EQ(r.status, ExactStatus::Optimal);
  EXPECT_TRUE(r.cells.empty());
  EXPECT_EQ(r.represented, 2);
}

ExactProblem handMade(ExactKind kind, std::vector<std::vector<std::int32_t>> rows, int columns) {
  ExactProblem p;
  p.kind = kind;
  for (int j = 0; j < columns; ++j) p.cells.push_back(j + 1), p.cost.push_back(1.0);
  p.areaLimit = columns;
  for (std::size_t r = 0; r < rows.size(); ++r) p.addRow(static_cast<int>(r), 1, rows[r]);
  p.taxaCounted = p.rows();
  return p;
}

TEST(ExactSolve, NoRoomForTheNeededAreasIsInfeasible) {
  // Three taxa each in a cell of their own need three areas.
  ExactProblem p = handMade(ExactKind::MinimumSet, {{0}, {1}, {2, 3}}, 4);
  p.areaLimit = 2;
  EXPECT_EQ(solveExact(p).status, ExactStatus::Infeasible);
  p.areaLimit = 3;
  ExactResult r = solveExact(p);
  EXPECT_EQ(r.status, ExactStatus::Optimal);
  EXPECT_EQ(r.areas, 3);
  // A want beyond the cells that hold the taxon cannot be met either.
  p.demand[2] = 3;
  EXPECT_EQ(solveExact(p).status, ExactStatus::Infeasible);
}

TEST(ExactSolve, BadColumnIndexesInAHandMadeProblemAreIgnored) {
  ExactProblem p = handMade(ExactKind::MinimumSet, {{0, 7, -1, 0}, {1}}, 2);
  ExactResult r = solveExact(p);
  EXPECT_EQ(r.status, ExactStatus::Optimal);
  EXPECT_EQ(r.cells, (std::vector<int>{1, 2}));
}

// ---- stopping and the time limit ------------------------------------------------

// A random cover of 40 taxa over 120 cells: hard enough that CBC branches.
ExactProblem largerCover(unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::vector<std::int32_t>> rows(40);
  for (auto& r : rows) {
    for (int j = 0; j < 120; ++j)
      if (rng() % 100 < 6) r.push_back(j);
    if (r.empty()) r.push_back(static_cast<std::int32_t>(rng() % 120));
  }
  return handMade(ExactKind::MinimumSet, rows, 120);
}

// Clumped ranges on the 36 x 24 world grid, log-normal sizes around 3 % of
// the cells: a model whose reductions alone outlast a tenth of a second.
ExactProblem clumpedCover(int taxa) {
  constexpr int kWidth = 36, kCells = 864;
  std::mt19937 rng(19);
  std::lognormal_distribution<double> size(std::log(0.03 * kCells), 1.5);
  std::vector<std::vector<std::int32_t>> rows(static_cast<std::size_t>(taxa));
  std::vector<std::pair<double, int>> by(kCells);
  for (auto& row : rows) {
    const int range = std::clamp(static_cast<int>(std::lround(size(rng))), 1, kCells);
    const int centre = static_cast<int>(rng() % kCells);
    for (int c = 0; c < kCells; ++c) {
      const int dx = c % kWidth - centre % kWidth, dy = c / kWidth - centre / kWidth;
      by[static_cast<std::size_t>(c)] = {dx * dx + dy * dy + (rng() % 1000) / 1000.0, c};
    }
    std::nth_element(by.begin(), by.begin() + (range - 1), by.end());
    for (int k = 0; k < range; ++k) row.push_back(by[static_cast<std::size_t>(k)].second);
    std::sort(row.begin(), row.end());
  }
  return handMade(ExactKind::MinimumSet, rows, kCells);
}

// The limit ends the call even while the solver is in its reductions: the
// answer is the start set or better, every taxon met, with its gap; a search
// right after is not disturbed by the one left winding down.
TEST(ExactSolve, AShortLimitEndsTheCallWithTheStartSetOrBetter) {
  const ExactProblem p = clumpedCover(8000);
  // Whether any of the cells holds the taxon of a row.
  auto holds = [&](const std::set<int>& cells, int row) {
    for (std::int32_t j : p.columnsOf(row))
      if (cells.count(p.cells[static_cast<std::size_t>(j)])) return true;
    return false;
  };
  std::set<int> first;  // the first cell of every taxon not yet met
  for (int r = 0; r < p.rows(); ++r)
    if (!holds(first, r)) first.insert(p.cells[static_cast<std::size_t>(p.columnsOf(r).front())]);
  const std::vector<int> start(first.begin(), first.end());
  for (bool watched : {false, true}) {
    SCOPED_TRACE(watched ? "with progress" : "without progress");
    ExactOptions o;
    o.timeLimitSeconds = 0.1;
    o.starts = {start};
    if (watched) o.progress = [](const ExactProgress&) { return true; };
    const ExactResult r = solveExact(p, o);
    EXPECT_EQ(r.status, ExactStatus::TimeLimit);
    ASSERT_TRUE(r.hasSolution);
    EXPECT_LE(r.areas, static_cast<int>(start.size()));
    const std::set<int> chosen(r.cells.begin(), r.cells.end());
    int unmet = 0;
    for (int row = 0; row < p.rows(); ++row) unmet += !holds(chosen, row);
    EXPECT_EQ(unmet, 0);
    EXPECT_GT(r.bound, 0.0);
    EXPECT_LT(r.bound, r.objective);
    EXPECT_GT(exactGap(r), 0.0);
  }
  EXPECT_EQ(solveExact(largerCover(3)).status, ExactStatus::Optimal);
}

TEST(ExactSolve, AStoppedRunKeepsItsBestSetAndIsNeverOptimal) {
  const ExactProblem p = largerCover(3);
  const ExactResult full = solveExact(p);
  ASSERT_EQ(full.status, ExactStatus::Optimal);
  for (int stopAt = 1; stopAt <= 4; ++stopAt) {
    SCOPED_TRACE("stop at call " + std::to_string(stopAt));
    int calls = 0;
    bool cellsValid = true;
    ExactOptions o;
    o.progress = [&](const ExactProgress& pr) {
      for (int c : pr.cells) cellsValid = cellsValid && c >= 1 && c <= 120;
      if (pr.hasSolution) cellsValid = cellsValid && static_cast<double>(pr.cells.size()) == pr.objective;
      return ++calls < stopAt;
    };
    const ExactResult r = solveExact(p, o);
    EXPECT_TRUE(cellsValid);
    if (calls < stopAt) {
      EXPECT_EQ(r.status, ExactStatus::Optimal);  // it finished before the stop
      continue;
    }
    EXPECT_EQ(r.status, ExactStatus::Stopped);
    ASSERT_TRUE(r.hasSolution);
    EXPECT_GE(r.objective, full.objective);
    EXPECT_LE(r.bound, full.objective);
    EXPECT_LE(r.bound, r.objective);
    EXPECT_GE(exactGap(r), 0.0);
  }
}

// The quick set handed in is the first incumbent: stopped at once, or with
// the whole limit spent before the call (building counts), the answer is
// that set or better, never the solver's own worse start.
TEST(ExactSolve, AStartSetBoundsTheAnswerEvenWhenStoppedAtOnce) {
  const ExactProblem p = largerCover(11);
  const ExactResult full = solveExact(p);
  ASSERT_EQ(full.status, ExactStatus::Optimal);
  ExactOptions stopNow;
  stopNow.progress = [](const ExactProgress&) { return false; };
  const ExactResult own = solveExact(p, stopNow);
  ASSERT_TRUE(own.hasSolution);
  ASSERT_GT(own.areas, full.areas) << "the greedy start is already optimal: pick another seed";

  stopNow.starts = {{999, 0}, full.cells};  // a useless set and the optimum
  const ExactResult r = solveExact(p, stopNow);
  EXPECT_EQ(r.status, ExactStatus::Stopped);
  EXPECT_EQ(r.cells, full.cells);

  ExactOptions late;
  late.timeLimitSeconds = 1.0;
  late.startedAt = std::chrono::steady_clock::now() - std::chrono::seconds(2);
  late.starts = {full.cells};
  const ExactResult t = solveExact(p, late);
  EXPECT_EQ(t.status, ExactStatus::TimeLimit);
  EXPECT_EQ(t.areas, full.areas);
  EXPECT_GE(t.seconds, 2.0);

  // A start that misses taxa is no incumbent for the minimum set.
  stopNow.starts = {{full.cells.front()}};
  EXPECT_EQ(solveExact(p, stopNow).areas, own.areas);
}

TEST(ExactSolve, ProgressReportsEveryStageOfCoverage) {
  ExactProblem p = largerCover(7);
  p.kind = ExactKind::CoverageByNumber;
  p.areaLimit = 5;
  for (std::size_t j = 0; j < p.cost.size(); ++j) p.cost[j] = 1.0 + static_cast<double>(j % 3);
  std::set<int> stages;
  ExactOptions o;
  o.progress = [&](const ExactProgress& pr) {
    stages.insert(pr.stage);
    return true;
  };
  const ExactResult r = solveExact(p, o);
  EXPECT_EQ(r.status, ExactStatus::Optimal);
  EXPECT_EQ(stages, (std::set<int>{1, 2, 3}));
  EXPECT_LE(r.areas, 5);
}

// ---- the exact sets as analyses --------------------------------------------------
// What they leave in the area set and on the map, and the report they write,
// on hand-made grids whose optimum is known by hand; and the exact minimum
// against the near-minimum set on every shipped sample.

using test::taxon;

// A ring of four cells, each taxon in two neighbours, and one taxon alone in
// cell 50: one representation needs 10+30 or 20+40, and 50.
std::vector<test::TaxonSpec> ring() {
  return {taxon("T1", {10, 20}), taxon("T2", {20, 30}), taxon("T3", {30, 40}), taxon("T4", {40, 10}),
          taxon("T5", {50})};
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The declared run from the session's set, map and options, placed on the
// session with its report.
struct Placed : ExactSetOutcome {
  std::string results;
};
Placed run(Session& s, ExactRequest r = {}, std::function<bool(const std::string&)> progress = {}) {
  Placed p{exactSetRun(analysisData(s), selectionIndex(s),
                       {.settings = s.settings,
                        .start = s.areas,
                        .mapCode = s.map.code(),
                        .kind = r.kind,
                        .areas = r.areasToAdd,
                        .budget = r.budget,
                        .costs = s.costPresent,
                        .progress = std::move(progress)}),
           {}};
  if (p.ran) p.results = placeExactSet(s, p);
  return p;
}

TEST(ExactMinimumSet, PutsTheOptimumOnTheMapRankedByRichness) {
  Priority d(ring());
  const Placed out = run(d.s);
  ASSERT_TRUE(out.ran);
  EXPECT_EQ(out.result.status, ExactStatus::Optimal);
  EXPECT_EQ(d.areas().size(), 3u);
  EXPECT_EQ(d.s.areas.seedCount, 0);
  EXPECT_EQ(d.s.map.code(), kCodeReorderedByRichness);
  // Positions as counts, the first area scoring highest.
  for (std::size_t i = 0; i < d.areas().size(); ++i) EXPECT_EQ(d.cell(d.areas()[i]).count, static_cast<int>(i) + 1);
  EXPECT_GT(d.cell(d.areas()[0]).score, 0.0);
  EXPECT_EQ(d.cell(60).score, 0.0);
  EXPECT_TRUE(has(out.results, "Representation summary by area sequence"));
  EXPECT_TRUE(has(out.results, "  proven lower bound: 3 areas\n  solver finished in ")) << out.results;
  EXPECT_FALSE(has(out.results, "gap:"));
  EXPECT_FALSE(has(out.results, "near-minimum set:"));  // no quick set to compare with
}

TEST(ExactMinimumSet, ComparesWithTheNearMinimumSetOnTheMapAndStartsFromItsSeeds) {
  Priority d(ring());
  d.areas() = {60};  // a seed that holds nothing
  const AnalysisOutcome quick = runNearMinimumSet(d.s, {});
  ASSERT_TRUE(quick.ran);
  const int quickAreas = d.s.areas.count() - d.s.areas.seedCount;
  const Placed out = run(d.s);
  EXPECT_TRUE(out.quick.present);
  EXPECT_EQ(out.quick.areas, quickAreas);
  EXPECT_EQ(d.areas().front(), 60);
  EXPECT_EQ(d.s.areas.seedCount, 1);
  EXPECT_EQ(d.areas().size(), 4u);  // the seed and three exact areas, not the near-minimum's on top
  const std::string line = strprintf("  near-minimum set: %d areas, exact minimum: 3 areas (%.1f%% more)\n", quickAreas,
                                     (quickAreas - 3) * 100.0 / 3.0);
  EXPECT_TRUE(has(out.results, line)) << out.results;
  EXPECT_FALSE(d.s.areas.nearMinimumDone);
}

// The optimum by number and by budget is RandomGrids'; a budget below every
// cost leaves the solver an empty optimum to place.
TEST(ExactMaximumCoverage, ABudgetBelowEveryCostPlacesAnEmptySet) {
  Priority d(ring());
  d.costs({{10, 1.0}, {20, 5.0}, {30, 1.0}, {40, 5.0}, {50, 1.0}}, 9.0);
  const Placed out = run(d.s, {ExactKind::CoverageByBudget, 0, 0.5});
  EXPECT_TRUE(d.areas().empty());
  EXPECT_EQ(d.s.map.code(), kCodeNone);
  EXPECT_TRUE(has(out.results,
                  "\n  Exact maximum coverage: optimal\n  objective: 0 taxa represented with 0 areas, cost 0.00\n"
                  "  proven upper bound: 0 taxa represented\n"))
      << out.results;
}

TEST(ExactMaximumCoverage, ComparesWithTheCoverageSetOfTheSameNumber) {
  Priority d(ring());
  const AnalysisOutcome quick = runNearMaximumCoverage(d.s, false, 2, 0.0, {});
  ASSERT_TRUE(quick.ran);
  ASSERT_EQ(d.s.map.code(), kCodeNearMaximumCoverage);
  const Placed out = run(d.s, {ExactKind::CoverageByNumber, 2, 0.0});
  ASSERT_TRUE(out.quick.present);
  EXPECT_EQ(out.result.represented, 4);
  EXPECT_TRUE(has(out.results, strprintf("  near-maximum-coverage set: %d taxa, exact maximum coverage: 4 taxa",
                                         out.quick.represented)))
      << out.results;
  EXPECT_TRUE(has(out.results, "  proven upper bound: 4 taxa represented\n"));
}

TEST(ExactSets, AStoppedRunReportsItsBestSetAndGapNeverOptimal) {
  Priority d(ring());
  int calls = 0;
  const Placed out = run(d.s, {}, [&](const std::string&) { return ++calls < 1; });
  ASSERT_GE(calls, 1);
  EXPECT_EQ(out.result.status, ExactStatus::Stopped);
  ASSERT_TRUE(out.result.hasSolution);
  EXPECT_EQ(d.s.areas.count(), out.result.areas);
  EXPECT_TRUE(has(out.results, "  Exact minimum set: stopped by the user\n")) << out.results;
  EXPECT_TRUE(has(out.results, "  gap: ")) << out.results;
  EXPECT_FALSE(has(out.results, ": optimal"));
}

TEST(ExactProgressText, ShowsBestSetBoundAndTime) {
  const std::vector<int> cells{4, 9, 12};
  ExactProgress p;
  p.hasSolution = true;
  p.objective = 3;
  p.bound = 2;
  p.cells = cells;
  p.seconds = 5.2;
  EXPECT_EQ(exactProgressText(ExactKind::MinimumSet, false, p, 60.0),
            "Best set so far: 3 areas\nLower bound: 2 areas\nCells: 4 9 12\n5 of 60 seconds");
  p.objective = 7.5;
  EXPECT_EQ(exactProgressText(ExactKind::MinimumSet, true, p, 0.0),
            "Best set so far: cost 7.50 (3 areas)\nLower bound: cost 2.00\nCells: 4 9 12\n5 seconds");
  p.objective = 40;
  p.bound = 44;
  EXPECT_EQ(exactProgressText(ExactKind::CoverageByNumber, false, p, 60.0),
            "Best set so far: 40 taxa represented (3 areas)\nUpper bound: 44 taxa\nCells: 4 9 12\n5 of 60 seconds");
  ExactProgress none;
  EXPECT_EQ(exactProgressText(ExactKind::MinimumSet, false, none, 10.0),
            "No set found yet\nLower bound: 0 areas\n0 of 10 seconds");
}

// ---- shipped samples ----------------------------------------------------------

TEST(ShippedSamples, ExactMinimumIsNeverLargerThanTheNearMinimumSet) {
  for (const std::string rel : {"equal/carnivora.dat", "ravelund/marine.dat", "neotrop/phyllomedusa.dat",
                                "safrica/woody.dat", "austral/acacia.dat", "britain/butterflies.dat"}) {
    SCOPED_TRACE(rel);
    test::TempDir tmp;
    const std::filesystem::path home = tmp.path() / "ZONARIUM";
    ASSERT_TRUE(populateProgramFolder(home, std::filesystem::path(ZN_SOURCE_DIR) / "programdata"));
    test::ScriptedHost host;
    Session s(host, home, rel.starts_with("britain/") ? GridVariant::Britain : GridVariant::World);
    ASSERT_TRUE(startSession(s));
    host.openFiles.push_back(home / rel);
    openDatafile(s, host);
    ASSERT_TRUE(s.ws.datafile.opened);
    ASSERT_TRUE(runNearMinimumSet(s, {}).ran);
    const int quick = s.areas.count() - s.areas.seedCount;
    const Placed out = run(s);
    ASSERT_TRUE(out.quick.present);
    EXPECT_EQ(out.result.status, ExactStatus::Optimal);
    EXPECT_LE(out.result.areas, quick);
    EXPECT_EQ(s.areas.count(), out.result.areas);
    EXPECT_TRUE(
        has(out.results, strprintf("  near-minimum set: %d areas, exact minimum: %d areas", quick, out.result.areas)))
        << out.results;
  }
}

// ---- representation curves, selection frequency and replacement cost ----------
// On hand-made grids whose answers are known by enumeration.

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

// The fewest areas that meet every taxon without the given cell, by the
// oracle; -1 when none will do.
int minimumWithout(Instance in, int cell) {
  std::erase(in.cells, cell);
  const Best b = enumerate(in, ExactKind::MinimumSet);
  return b.found ? b.areas : -1;
}

// On drawn grids the curves' optimum and the replacement costs are those
// enumeration finds.
TEST(Curves, OptimumAndReplacementCostMatchEnumerationOnDrawnGrids) {
  for (std::uint32_t seed : {2u, 3u, 11u, 17u, 23u, 29u, 41u}) {
    SCOPED_TRACE("grid " + std::to_string(seed));
    std::vector<int> cells;
    const auto taxa = drawnGrid(seed, cells);
    Instance in;
    in.taxa = taxa;
    in.cells = cells;
    Priority p(taxa);
    CurveParams cp = params(50);
    cp.maxAreas = 6;
    const CurveSet c = computeCurves(p.s, cp);
    ASSERT_TRUE(c.error.empty()) << c.error;
    std::vector<int> optimum;
    for (in.areas = 0; in.areas <= 6; ++in.areas)
      optimum.push_back(enumerate(in, ExactKind::CoverageByNumber).represented);
    EXPECT_EQ(c.optimum, optimum);
    for (int k = 0; k <= 6; ++k) {
      EXPECT_LE(c.nearMinimum[k], c.optimum[k]) << "k " << k;
      EXPECT_LE(c.greedy[k], c.optimum[k]);
      EXPECT_LE(c.randomHigh[k], c.optimum[k]);
    }
    const ReplacementResult r = computeReplacementCost(analysisData(p.s), {}, {}, p.s.progress);
    ASSERT_TRUE(r.error.empty());
    const int minimum = minimumWithout(in, 0);
    EXPECT_EQ(r.minimumSize, minimum);
    ASSERT_EQ(static_cast<int>(r.rows.size()), minimum);
    for (const ReplacementRow& row : r.rows) {
      const int without = minimumWithout(in, row.cell);
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

// Every method's curve on richVersusRare, worked by hand (the optimum 0, 4,
// 6; near-minimum 0, 3, 6; greedy and hotspots 0, 4, 5; random pairs 5 or 6),
// and the areas each needs for every taxon, stand in the expected texts. Too
// many areas and no taxa after preselection are the tool's cases too
// (curve.case).
TEST(Curves, ReportAndCsvKeepTheirLayoutAndBadRequestsAreRefused) {
  Priority p(richVersusRare());
  const CurveSet c = computeCurves(p.s, params(100, 3));
  test::expectMatchesFile(curvesReport(p.s, c), "curves_report.txt");
  test::expectMatchesFile(curvesCsv(c), "curves.csv");
  EXPECT_TRUE(p.areas().empty());  // the user's set is left alone

  // Bad requests are refused with a message.
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

TEST(Frequency, SoleCellsAlwaysAndTiedCellsSometimes) {
  Priority p(ring());
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
  const Case cases[] = {{{taxon("A", {5})}, false, {100}}, {ring(), false, {33, 66, 100}}, {ring(), true, {33}}};
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
  Priority p(ring());
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
