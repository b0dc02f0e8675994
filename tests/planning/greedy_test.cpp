// Greedy by cost-effectiveness on small problems whose answers are known.
#include <gtest/gtest.h>

#include <set>

#include "planning/folder.h"
#include "planning/greedy.h"
#include "planning/solve.h"
#include "store/random.h"

namespace zn::planning {
namespace {

// A problem from per-unit costs and (feature, unit, amount) triples.
Problem make(const std::vector<double>& costs, const std::vector<double>& targets, std::vector<Triple> t,
             const std::vector<UnitStatus>& status = {}) {
  Problem p;
  for (std::size_t u = 0; u < costs.size(); ++u)
    p.units.push_back({static_cast<long long>(u + 1), costs[u], status.empty() ? UnitStatus::Free : status[u]});
  for (std::size_t f = 0; f < targets.size(); ++f)
    p.features.push_back({static_cast<long long>(f + 1), "", targets[f]});
  buildRows(p, t);
  return p;
}

TEST(PlanningGreedy, TakesTheUnitThatRemovesMostShortfallPerCostWithinTheLocks) {
  constexpr UnitStatus kIn = UnitStatus::LockedIn, kOut = UnitStatus::LockedOut, kFree = UnitStatus::Free;
  struct Case {
    const char* what;
    Problem p;
    std::vector<char> chosen;
  };
  const Case cases[] = {
      // Units 0 and 1 hold one feature each for 1; unit 2 holds both for 1.5,
      // 1.33 per unit of cost against 1: it alone meets both targets.
      {"most per cost", make({1, 1, 1.5}, {1, 1}, {{0, 0, 1}, {1, 1, 1}, {0, 2, 1}, {1, 2, 1}}), {0, 0, 1}},
      // Unit 0 holds 100 of a feature whose target is 5, for cost 10 (0.5 per
      // cost once capped at 5); unit 1 holds 5 for cost 2 (2.5 per cost).
      {"amounts count up to what is missing", make({10, 2}, {5}, {{0, 0, 100}, {0, 1, 5}}), {0, 1}},
      // Unit 1 removes the whole shortfall at 2 per unit of cost; unit 0 costs
      // nothing, so it goes first and leaves unit 1 nothing to add.
      {"a unit costing nothing first", make({0, 0.5}, {1}, {{0, 0, 1}, {0, 1, 5}}), {1, 0}},
      // Feature 1 needs 2 without unit 2: units 1 and 3 (unit 0 stays although
      // unit 1 alone would cover feature 0: it was locked in).
      {"locks kept",
       make({1, 1, 1, 9}, {1, 2}, {{0, 0, 1}, {0, 1, 1}, {1, 1, 1}, {1, 2, 5}, {1, 3, 1}}, {kIn, kFree, kOut, kFree}),
       {1, 1, 0, 1}},
  };
  for (const Case& c : cases) EXPECT_EQ(greedyByCostEffectiveness(c.p, 1), c.chosen) << c.what;
}

TEST(PlanningGreedy, TiesFollowTheSeedAndTheSameSeedRepeats) {
  const Problem p = make({1, 1, 1, 1, 1, 1}, {1}, {{0, 0, 1}, {0, 1, 1}, {0, 2, 1}, {0, 3, 1}, {0, 4, 1}, {0, 5, 1}});
  std::set<std::vector<char>> seen;
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    const auto a = greedyByCostEffectiveness(p, seed);
    EXPECT_EQ(a, greedyByCostEffectiveness(p, seed));
    EXPECT_EQ(std::count(a.begin(), a.end(), 1), 1);
    seen.insert(a);
  }
  EXPECT_GT(seen.size(), 2u);
}

TEST(PlanningGreedy, AnUnreachableTargetTakesWhatThereIsAndNoMore) {
  const Problem p = make({1, 1, 1}, {10, 1}, {{0, 0, 2}, {0, 1, 1}, {1, 2, 1}});
  EXPECT_EQ(greedyByCostEffectiveness(p, 1), (std::vector<char>{1, 1, 1}));
  const Evaluation e = evaluate(p, {1, 1, 1});
  EXPECT_EQ(e.shortfall, 7.0);
  EXPECT_EQ(e.unmet, 1);
  EXPECT_DOUBLE_EQ(penaltyOf(p, e), 0.7);
}

// Amounts whose sum rounds a hair below the target (0.1 + 0.7 is
// 0.7999999999999999) meet it: no shortfall of 1e-16, no penalty.
TEST(PlanningGreedy, ATargetMetButForRoundingHasNoShortfallOrPenalty) {
  const Problem p = make({1, 1}, {0.8}, {{0, 0, 0.1}, {0, 1, 0.7}});
  const Evaluation e = evaluate(p, {1, 1});
  EXPECT_EQ(e.unmet, 0);
  EXPECT_EQ(e.shortfall, 0.0);
  EXPECT_EQ(penaltyOf(p, e), 0.0);
}

// On random problems: every reachable target met, locks kept, no unit that
// could be dropped without breaking a target, and the best repetition named.
TEST(PlanningGreedy, RandomProblemsAreCoveredWithoutRedundantUnits) {
  Random rng;
  rng.seed(99);
  for (int trial = 0; trial < 200; ++trial) {
    const int nu = 3 + rng.choose(10), nf = 1 + rng.choose(6);
    std::vector<double> costs, targets;
    std::vector<UnitStatus> status;
    std::vector<Triple> t;
    for (int u = 0; u < nu; ++u) {
      costs.push_back(rng.choose(5));
      const int s = rng.choose(10);
      status.push_back(s == 0 ? UnitStatus::LockedIn : s == 1 ? UnitStatus::LockedOut : UnitStatus::Free);
    }
    for (int f = 0; f < nf; ++f) {
      targets.push_back(1 + rng.choose(6));
      for (int u = 0; u < nu; ++u)
        if (rng.choose(3) == 0) t.push_back({f, u, static_cast<double>(1 + rng.choose(4))});
    }
    const Problem p = make(costs, targets, t, status);
    const auto chosen = greedyByCostEffectiveness(p, static_cast<std::uint32_t>(trial));
    const auto reach = achievable(p);
    const Evaluation e = evaluate(p, chosen);
    for (std::size_t f = 0; f < p.features.size(); ++f)
      EXPECT_GE(e.held[f], std::min(p.features[f].target, reach[f])) << "trial " << trial << " feature " << f;
    for (std::size_t u = 0; u < p.units.size(); ++u) {
      if (p.units[u].status == UnitStatus::LockedIn) {
        EXPECT_TRUE(chosen[u]) << "trial " << trial;
      }
      if (p.units[u].status == UnitStatus::LockedOut) {
        EXPECT_FALSE(chosen[u]) << "trial " << trial;
      }
      if (!chosen[u] || p.units[u].status == UnitStatus::LockedIn) continue;
      auto without = chosen;
      without[u] = 0;
      const Evaluation w = evaluate(p, without);
      bool breaks = false;
      for (std::size_t f = 0; f < p.features.size(); ++f)
        breaks |= w.held[f] < std::min(p.features[f].target, reach[f]);
      EXPECT_TRUE(breaks) << "trial " << trial << ": unit " << u << " is redundant";
    }
    // No repetition beats the one reported best: least shortfall, then least cost.
    const SolveResult r = solve(p, {Method::Greedy, 3});
    const Evaluation b = evaluate(p, r.runs[r.best].chosen);
    for (const Solution& s : r.runs) {
      const Evaluation o = evaluate(p, s.chosen);
      EXPECT_FALSE(o.shortfall < b.shortfall || (o.shortfall == b.shortfall && o.cost < b.cost)) << "trial " << trial;
    }
  }
}

}  // namespace
}  // namespace zn::planning
