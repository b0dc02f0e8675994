// Exact sets against enumeration: small random grids built as datafiles go
// through the problem builder and the solver, and every subset of their
// cells is tried here to find the true optimum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

#include "selection/exact.h"
#include "shell/runinputs.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::Loaded;

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

Best enumerate(const Instance& in, ExactKind kind) {
  const auto taxa = countedPresence(in);
  std::set<int> fixed;
  if (!in.includeSeeds) fixed.insert(in.seeds.begin(), in.seeds.end());
  std::vector<int> free;
  for (int c : in.cells)
    if (!fixed.count(c)) free.push_back(c);
  const int goal = kind == ExactKind::MinimumSet ? in.goal : 1;
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
    int met = 0;
    for (const auto& cells : taxa) {
      int have = 0;
      for (int c : cells) have += static_cast<int>(chosen.count(c));
      met += have >= std::min<int>(goal, static_cast<int>(cells.size()));
    }
    Best b{true, met, areas, cost};
    if (kind == ExactKind::MinimumSet) {
      if (met < static_cast<int>(taxa.size())) continue;
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
  const auto taxa = countedPresence(in);
  std::set<int> chosen(r.cells.begin(), r.cells.end());
  if (!in.includeSeeds) chosen.insert(in.seeds.begin(), in.seeds.end());
  const int goal = kind == ExactKind::MinimumSet ? in.goal : 1;
  Best b{true, 0, static_cast<int>(r.cells.size()), 0.0};
  for (int c : r.cells) b.cost += in.cost.at(c);
  for (const auto& cells : taxa) {
    int have = 0;
    for (int c : cells) have += static_cast<int>(chosen.count(c));
    b.represented += have >= std::min<int>(goal, static_cast<int>(cells.size()));
  }
  return b;
}

struct KindCase {
  ExactKind kind;
  const char* name;
};
void PrintTo(const KindCase& k, std::ostream* os) { *os << k.name; }

class RandomGrids : public ::testing::TestWithParam<KindCase> {};

TEST_P(RandomGrids, OptimumEqualsEnumeration) {
  const ExactKind kind = GetParam().kind;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    Instance in = randomInstance(seed);
    if (kind == ExactKind::CoverageByBudget) in.byCost = true;
    SCOPED_TRACE("seed " + std::to_string(seed));
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

INSTANTIATE_TEST_SUITE_P(Kinds, RandomGrids,
                         ::testing::Values(KindCase{ExactKind::MinimumSet, "MinimumSet"},
                                           KindCase{ExactKind::CoverageByNumber, "CoverageByNumber"},
                                           KindCase{ExactKind::CoverageByBudget, "CoverageByBudget"}),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

// ---- the builder -----------------------------------------------------------------

TEST(ExactProblemBuilder, FiltersTaxaAndCountsSeedsTowardsTheGoal) {
  Loaded d({{"A", "11", {{1, 1}, {2, 1}, {3, 1}}},
            {"B", "12", {{2, 1}}},
            {"C", "21", {{4, 1}, {5, 1}}},  // outside group "1"
            {"D", "13", {{5, 1}, {6, 1}}},  // excluded taxon
            {"E", "14", {{6, 1}, {7, 2}}},  // the level-1 record in 6 drops out
            {"F", "15", {}}});              // no records
  d.s.ws.groupCode = "1";
  d.s.ws.cards.setExcluded(3, true);
  d.s.settings.excludedLevel = 1;
  d.s.ws.cards.setLevel(0, 1, 2);
  d.s.ws.cards.setLevel(0, 2, 2);  // A: levels 2, 2, 1 → present in 1, 2
  d.s.ws.cards.setLevel(1, 2, 2);  // B: present in 2
  d.s.settings.nearMinimumGoal = 2;
  d.s.areas.cells = {1};
  d.s.settings.includeSeeds = Flag::kOff;
  ExactProblem p = buildExactProblem(d.s, {});
  EXPECT_EQ(p.taxaCounted, 3);  // A, B, E
  EXPECT_EQ(p.taxaMet, 0);
  EXPECT_EQ(p.fixedCells, (std::vector<int>{1}));
  EXPECT_EQ(p.cells, (std::vector<int>{2, 7}));
  ASSERT_EQ(p.rows(), 3);
  EXPECT_EQ(p.rowTaxon, (std::vector<int>{0, 1, 4}));
  EXPECT_EQ(p.demand, (std::vector<int>{1, 1, 1}));  // A: 2 − seed; B, E: range 1
  EXPECT_EQ(std::vector<std::int32_t>(p.columnsOf(0).begin(), p.columnsOf(0).end()), (std::vector<std::int32_t>{0}));
  EXPECT_EQ(p.areaLimit, 1099);

  d.s.settings.includeSeeds = Flag::kOn;  // the set is free again
  p = buildExactProblem(d.s, {});
  EXPECT_TRUE(p.fixedCells.empty());
  EXPECT_EQ(p.cells, (std::vector<int>{1, 2, 7}));
  EXPECT_EQ(p.demand, (std::vector<int>{2, 1, 1}));
}

TEST(ExactProblemBuilder, CoverageCountsTaxaTheSeedsHoldAndClampsTheNumber) {
  Loaded d({{"A", "11", {{1, 1}, {2, 1}}}, {"B", "12", {{3, 1}}}, {"C", "13", {{4, 1}}}});
  d.s.areas.cells = {1, 1, 900};     // a repeat and a cell off the grid are ignored
  d.s.settings.nearMinimumGoal = 3;  // coverage asks for one presence
  ExactProblem p = buildExactProblem(d.s, {ExactKind::CoverageByNumber, 5000, 0.0});
  EXPECT_EQ(p.fixedCells, (std::vector<int>{1}));
  EXPECT_EQ(p.taxaMet, 1);
  EXPECT_EQ(p.demand, (std::vector<int>{1, 1}));
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
  std::vector<int> start;  // the first cell of every taxon not yet met
  std::vector<char> in(static_cast<std::size_t>(p.columns()), 0);
  for (int r = 0; r < p.rows(); ++r) {
    bool met = false;
    for (std::int32_t j : p.columnsOf(r)) met = met || in[static_cast<std::size_t>(j)];
    if (!met) in[static_cast<std::size_t>(p.columnsOf(r).front())] = 1;
  }
  for (int j = 0; j < p.columns(); ++j)
    if (in[static_cast<std::size_t>(j)]) start.push_back(p.cells[static_cast<std::size_t>(j)]);
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
    std::vector<int> chosen = r.cells;
    std::sort(chosen.begin(), chosen.end());
    int unmet = 0;
    for (int row = 0; row < p.rows(); ++row) {
      bool met = false;
      for (std::int32_t j : p.columnsOf(row))
        met = met || std::binary_search(chosen.begin(), chosen.end(), p.cells[static_cast<std::size_t>(j)]);
      unmet += met ? 0 : 1;
    }
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

}  // namespace
}  // namespace zn
