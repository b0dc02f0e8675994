// The exact method on planning problems: optima checked by enumeration, and
// the shipped carnivores solved back to the optimum `select exact-minimum` finds.
#include <gtest/gtest.h>

#include <fstream>

#include "planning/solve.h"
#include "store/random.h"
#include "store/text.h"
#include "tests/planning/planning_fixture.h"
#include "tests/support/cli_run.h"

namespace zn::planning {
namespace {

// Least cost of a set meeting every reachable target, over all subsets.
double bruteForce(const Problem& p) {
  const std::size_t n = p.units.size();
  const auto reach = achievable(p);
  double best = -1;
  for (unsigned mask = 0; mask < (1u << n); ++mask) {
    std::vector<char> in(n, 0);
    bool allowed = true;
    for (std::size_t u = 0; u < n; ++u) {
      in[u] = (mask >> u) & 1u;
      allowed &= !(in[u] && p.units[u].status == UnitStatus::LockedOut);
      allowed &= !(!in[u] && p.units[u].status == UnitStatus::LockedIn);
    }
    if (!allowed) continue;
    const Evaluation e = evaluate(p, in);
    bool meets = true;
    for (std::size_t f = 0; f < p.features.size(); ++f) meets &= e.held[f] >= std::min(p.features[f].target, reach[f]) - 1e-9;
    if (meets && (best < 0 || e.cost < best)) best = e.cost;
  }
  return best;
}

TEST(PlanningExact, MatchesEnumerationOnRandomPresenceProblems) {
  Random rng;
  rng.seed(7);
  for (int trial = 0; trial < 60; ++trial) {
    Problem p;
    const int nu = 4 + rng.choose(8), nf = 1 + rng.choose(6);
    for (int u = 0; u < nu; ++u) {
      const int s = rng.choose(8);
      p.units.push_back({u + 1, static_cast<double>(1 + rng.choose(4)),
                         s == 0 ? UnitStatus::LockedIn : s == 1 ? UnitStatus::LockedOut : UnitStatus::Free});
    }
    std::vector<Triple> t;
    for (int f = 0; f < nf; ++f) {
      // One amount per feature (2 for some), targets that may exceed what exists.
      const double amount = rng.choose(3) == 0 ? 2.0 : 1.0;
      p.features.push_back({f + 1, "", static_cast<double>(1 + rng.choose(5))});
      for (int u = 0; u < nu; ++u)
        if (rng.choose(3) == 0) t.push_back({f, u, amount});
    }
    buildRows(p, t);
    const SolveResult r = solve(p, {Method::Exact, 1, 60});
    ASSERT_EQ(r.error, "") << "trial " << trial;
    ASSERT_EQ(r.runs.size(), 1u);
    EXPECT_DOUBLE_EQ(evaluate(p, r.runs[0].chosen).cost, bruteForce(p)) << "trial " << trial << "\n" << r.report;
    for (int u = 0; u < nu; ++u) {
      if (p.units[static_cast<std::size_t>(u)].status == UnitStatus::LockedIn) EXPECT_TRUE(r.runs[0].chosen[static_cast<std::size_t>(u)]);
      if (p.units[static_cast<std::size_t>(u)].status == UnitStatus::LockedOut) EXPECT_FALSE(r.runs[0].chosen[static_cast<std::size_t>(u)]);
    }
  }
}

TEST(PlanningExact, RefusesAmountsItCannotSolveExactlyAndNamesTheFeature) {
  Problem p;
  p.units = {{1, 1, UnitStatus::Free}, {2, 1, UnitStatus::Free}};
  p.features = {{8, "wolf", 3}};
  std::vector<Triple> t{{0, 0, 1}, {0, 1, 2.5}};
  buildRows(p, t);
  EXPECT_EQ(solve(p, {Method::Exact, 1, 60}).error,
            "the exact method takes one amount per feature (presence data); feature 8 (wolf) holds different amounts");
  EXPECT_EQ(solve(p, {Method::Greedy, 1, 60}).error, "");
}

TEST(PlanningExact, TheShippedCarnivoresSolveBackToTheExactMinimumSet) {
  test::CliRun run;
  const auto data = (run.home / "equal" / "carnivora.dat").string();
  ASSERT_EQ(run.command({"select", "exact-minimum", data}), 0) << run.err;
  const auto at = run.out.find("objective: ");
  ASSERT_NE(at, std::string::npos) << run.out;
  const int areas = std::stoi(run.out.substr(at + 11));
  const auto dir = run.tmp.path() / "folder";
  ASSERT_EQ(run.command({"export-marxan", data, dir.string()}), 0) << run.err;
  ASSERT_EQ(run.command({"marxan", dir.string(), "--method", "exact"}), 0) << run.err;
  EXPECT_NE(run.out.find("exact minimum number of units: optimal\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(strprintf("best: cost %d, %d planning units, shortfall 0, 0 features below target\n", areas, areas)),
            std::string::npos)
      << run.out;
  std::ifstream best(dir / "output" / "output_best.csv");
  std::string line;
  int chosen = 0;
  while (std::getline(best, line)) chosen += line.ends_with(",1") ? 1 : 0;
  EXPECT_EQ(chosen, areas);
}

}  // namespace
}  // namespace zn::planning
