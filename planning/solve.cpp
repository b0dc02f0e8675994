#include "planning/solve.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>

#include "planning/greedy.h"
#include "planning/nearminimum.h"
#include "selection/exact.h"
#include "store/text.h"

namespace zn::planning {

namespace {

double secondsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

std::string describe(const Problem& p) {
  int in = 0, out = 0;
  for (const auto& u : p.units) {
    in += u.status == UnitStatus::LockedIn ? 1 : 0;
    out += u.status == UnitStatus::LockedOut ? 1 : 0;
  }
  return strprintf("planning units: %zu (%d locked in, %d locked out), features: %zu, amounts: %zu\n", p.units.size(),
                   in, out, p.features.size(), p.unitsOf.entries.size());
}

// Features no set can bring to their target, with the amount missing even
// when every unit that is not locked out is taken.
std::string unreachable(const Problem& p) {
  const std::vector<double> reach = achievable(p);
  std::string t;
  int n = 0;
  double missing = 0.0;
  for (std::size_t f = 0; f < p.features.size(); ++f)
    if (!targetMet(p, f, reach[f])) {
      ++n;
      missing += p.features[f].target - reach[f];
    }
  if (n > 0)
    t = strprintf("%d features cannot reach their target in any set (shortfall ", n) + number(missing) +
        " even with every unit not locked out)\n";
  return t;
}

std::string summary(const Problem& p, const Solution& s) {
  const Evaluation e = evaluate(p, s.chosen);
  return strprintf("cost %s, %d planning units, shortfall %s, %d features below target", number(e.cost).c_str(),
                   e.units, number(e.shortfall).c_str(), e.unmet);
}

// The problem as the exact solver takes it: columns are the free units
// (numbered index + 1), locked-in units are fixed, and each feature still
// short of its reachable target is a row wanting so many more units. That
// is exact when the units of a feature all hold the same amount of it, as
// presence data do; other amounts are refused with the feature's name.
std::string exactProblemOf(const Problem& p, ExactProblem& e) {
  e.kind = ExactKind::MinimumSet;
  for (std::size_t u = 0; u < p.units.size(); ++u) {
    const int number = static_cast<int>(u) + 1;
    if (p.units[u].status == UnitStatus::LockedIn) e.fixedCells.push_back(number);
    if (p.units[u].status == UnitStatus::Free || p.units[u].status == UnitStatus::Initial) {
      e.cells.push_back(number);
      e.cost.push_back(p.units[u].cost);
      e.byCost |= p.units[u].cost != p.units[0].cost;
    }
  }
  e.areaLimit = static_cast<int>(e.cells.size());
  std::vector<std::int32_t> columnOf(p.units.size(), -1);
  for (std::size_t c = 0; c < e.cells.size(); ++c) columnOf[static_cast<std::size_t>(e.cells[c] - 1)] = static_cast<std::int32_t>(c);
  const std::vector<double> reach = achievable(p);
  std::vector<std::int32_t> columns;
  for (std::size_t f = 0; f < p.features.size(); ++f) {
    const Feature& ft = p.features[f];
    double amount = 0.0, fixedHeld = 0.0;
    columns.clear();
    for (const Entry* x = p.unitsOf.begin(f); x != p.unitsOf.end(f); ++x) {
      const Unit& u = p.units[static_cast<std::size_t>(x->index)];
      if (u.status == UnitStatus::LockedOut) continue;
      if (amount != 0.0 && x->amount != amount)
        return strprintf("the exact method takes one amount per feature (presence data); feature %lld", ft.id) +
               (ft.name.empty() ? std::string() : " (" + ft.name + ")") + " holds different amounts";
      amount = x->amount;
      if (u.status == UnitStatus::LockedIn) fixedHeld += x->amount;
      else columns.push_back(columnOf[static_cast<std::size_t>(x->index)]);
    }
    const double goal = std::min(ft.target, reach[f]);
    if (goal <= 0.0) continue;
    ++e.taxaCounted;
    const double still = goal - fixedHeld;
    const int want = still <= 1e-9 * std::max(1.0, goal) ? 0 : static_cast<int>(std::ceil(still / amount - 1e-9));
    if (want <= 0) {
      ++e.taxaMet;
      continue;
    }
    std::sort(columns.begin(), columns.end());
    e.addRow(static_cast<int>(f), want, columns);
  }
  return "";
}

// The exact minimum set, started from the greedy set so that it is never
// worse than it, even when the time runs out.
std::string solveExactly(const Problem& p, const SolveRequest& request, SolveResult& r) {
  ExactProblem e;
  if (std::string error = exactProblemOf(p, e); !error.empty()) return error;
  const auto t0 = std::chrono::steady_clock::now();
  const std::vector<char> quick = greedyByCostEffectiveness(p, 1);
  ExactOptions options;
  options.timeLimitSeconds = request.timeLimit;
  options.startedAt = t0;
  options.starts.emplace_back();
  for (std::size_t u = 0; u < quick.size(); ++u)
    if (quick[u] && p.units[u].status != UnitStatus::LockedIn) options.starts.back().push_back(static_cast<int>(u) + 1);
  const ExactResult x = solveExact(e, options);
  if (!x.hasSolution) return "the exact method found no set (" + std::string(exactStatusText(x.status)) + ")";
  Solution s;
  s.chosen.assign(p.units.size(), 0);
  for (int n : e.fixedCells) s.chosen[static_cast<std::size_t>(n - 1)] = 1;
  for (int n : x.cells) s.chosen[static_cast<std::size_t>(n - 1)] = 1;
  s.seconds = secondsSince(t0);
  const Evaluation best = evaluate(p, s.chosen), greedy = evaluate(p, quick);
  r.report += std::string("exact minimum ") + (e.byCost ? "cost" : "number of units") + ": " +
              exactStatusText(x.status) + "\n";
  r.report += "best: " + summary(p, s) + "\n";
  if (x.status != ExactStatus::Optimal)
    r.report += "proven lower bound: " + number(x.bound) + strprintf(" (gap %.1f%%)\n", 100.0 * exactGap(x));
  r.report += "greedy by cost-effectiveness: " + summary(p, Solution{quick, 0.0}) +
              (best.cost > 0 ? strprintf(" (%.1f%% more)", 100.0 * (greedy.cost - best.cost) / best.cost) : std::string()) +
              "\n";
  r.runs.push_back(std::move(s));
  return "";
}

}  // namespace

SolveResult solve(const Problem& p, const SolveRequest& request) {
  SolveResult r;
  if (request.reps < 1 || request.reps > 10000) {
    r.error = strprintf("repetitions must be 1 to 10000, not %d", request.reps);
    return r;
  }
  const auto t0 = std::chrono::steady_clock::now();
  if (request.method == Method::Exact) {
    r.report = describe(p) + unreachable(p);
    r.error = solveExactly(p, request, r);
    r.report += strprintf("solved in %.1f seconds\n", secondsSince(t0));
    return r;
  }
  // The heuristics: N repetitions with seeds 1 ... N for their random ties.
  std::function<std::vector<char>(std::uint32_t)> method;
  std::string name;
  NearMinimumInput near;
  if (request.method == Method::NearMinimum) {
    near = nearMinimumInput(p);
    if (!near.error.empty()) {
      r.error = near.error;
      return r;
    }
    method = [&near](std::uint32_t seed) { return nearMinimumSet(near, seed); };
    name = strprintf("near-minimum set by progressive rarity for %d representation%s (random last tie-break)",
                     near.rule.goal, near.rule.goal == 1 ? "" : "s") +
           (near.rule.cost.empty() ? "" : " by cost");
  } else {
    method = [&p](std::uint32_t seed) { return greedyByCostEffectiveness(p, seed); };
    name = "greedy by cost-effectiveness";
  }
  for (int rep = 1; rep <= request.reps; ++rep) {
    const auto t = std::chrono::steady_clock::now();
    Solution s;
    s.chosen = method(static_cast<std::uint32_t>(rep));
    s.seconds = secondsSince(t);
    r.runs.push_back(std::move(s));
  }
  // The best repetition: targets first (least shortfall), then least cost.
  for (std::size_t i = 1; i < r.runs.size(); ++i) {
    const Evaluation a = evaluate(p, r.runs[i].chosen), b = evaluate(p, r.runs[r.best].chosen);
    if (a.shortfall < b.shortfall || (a.shortfall == b.shortfall && a.cost < b.cost)) r.best = i;
  }
  r.report = describe(p) + unreachable(p) +
             name + strprintf(", %d repetitions (seeds 1 ... %d)\n", request.reps, request.reps) +
             strprintf("best: repetition %zu, ", r.best + 1) + summary(p, r.runs[r.best]) + "\n" +
             strprintf("solved in %.1f seconds\n", secondsSince(t0));
  return r;
}

}  // namespace zn::planning
