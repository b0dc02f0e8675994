#include "planning/solve.h"

#include <chrono>

#include "planning/greedy.h"
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

}  // namespace

SolveResult solve(const Problem& p, const SolveRequest& request) {
  SolveResult r;
  if (request.reps < 1 || request.reps > 10000) {
    r.error = strprintf("repetitions must be 1 to 10000, not %d", request.reps);
    return r;
  }
  if (request.method != Method::Greedy) {
    r.error = request.method == Method::Exact ? "the exact method is not available for planning-unit folders yet"
                                              : "the near-minimum method is not available for planning-unit folders yet";
    return r;
  }
  const auto t0 = std::chrono::steady_clock::now();
  for (int rep = 1; rep <= request.reps; ++rep) {
    const auto t = std::chrono::steady_clock::now();
    Solution s;
    s.chosen = greedyByCostEffectiveness(p, static_cast<std::uint32_t>(rep));
    s.seconds = secondsSince(t);
    r.runs.push_back(std::move(s));
  }
  // The best repetition: targets first (least shortfall), then least cost.
  for (std::size_t i = 1; i < r.runs.size(); ++i) {
    const Evaluation a = evaluate(p, r.runs[i].chosen), b = evaluate(p, r.runs[r.best].chosen);
    if (a.shortfall < b.shortfall || (a.shortfall == b.shortfall && a.cost < b.cost)) r.best = i;
  }
  r.report = describe(p) + unreachable(p) +
             strprintf("greedy by cost-effectiveness, %d repetitions (seeds 1 ... %d)\n", request.reps, request.reps) +
             strprintf("best: repetition %zu, ", r.best + 1) + summary(p, r.runs[r.best]) + "\n" +
             strprintf("solved in %.1f seconds\n", secondsSince(t0));
  return r;
}

}  // namespace zn::planning
