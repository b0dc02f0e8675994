#include "planning/solve.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>

#include "planning/greedy.h"
#include "planning/improve.h"
#include "planning/nearminimum.h"
#include "selection/exactmodel.h"
#include "selection/exactsolver.h"
#include "store/text.h"

namespace zn::planning {

namespace {

// Local-search steps the first set may take per second of the time limit
// (a step is an entry or boundary visited; a core does some 6 x 10^8 a
// second, so the rounds take about an eighth of the limit).
constexpr double kRefineStepsPerLimitSecond = 7.5e7;

// Beyond this many matrix entries the solver's first relaxation does not end
// within a minute or several: the cbc program spent over 500 s of CPU on
// 5 million (10^5 units with amounts) without a set, but solves 3 x 10^5
// (10^4 units) within its minute.
constexpr std::size_t kSolverEntries = 2000000;

// The local search's steps for one pass over a problem of this size.
long long stepsOf(const Problem& p) {
  return 50 * static_cast<long long>(p.unitsOf.entries.size() + p.boundaries.size() + p.units.size()) + 1000000;
}

double timeLimitOf(const SolveRequest& request) {
  return std::isfinite(request.timeLimit) && request.timeLimit > 0 ? request.timeLimit : 60.0;
}

// The steps of the first set's refill rounds: a share of the time limit,
// and under a work limit no more than its nodes allow (WORK steps a node).
long long refineSteps(const SolveRequest& request, long long work) {
  const auto steps = static_cast<long long>(kRefineStepsPerLimitSecond * timeLimitOf(request));
  return request.workLimit > 0 ? std::min(steps, request.workLimit * work) : steps;
}

// When the phases of a solve must end, counted from its start. The time
// limit, on the wall clock, bounds the whole solve on any machine. Without
// a work limit the first sets take their shares of it in turn, counted in
// the CPU seconds they use (local search of the first starts to a tenth,
// priced targets to a fifth, refill rounds to three tenths): a busy
// machine leaves them the work they do on an idle one, and the wall clock
// cuts only what would overrun. Under a work limit they end by their
// steps, the clock cutting them only at half the limit (then the set
// depends on the machine, and the report says the time limit ended the
// search). The solver stops at nine tenths, leaving the rest to polish its
// best.
struct Clocks {
  Until improve, priced, starts, solver, end;
  Until large;  // the refill rounds on a model too large for the solver
};

Clocks clocksOf(const SolveRequest& request, std::chrono::steady_clock::time_point t0) {
  Clocks c;
  if (!std::isfinite(request.timeLimit) || request.timeLimit <= 0) return c;
  const double limit = request.timeLimit, cpu0 = processCpuSeconds();
  const auto at = [&](double share) {
    return t0 + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::duration<double>(limit * share));
  };
  const auto phase = [&](double share) {
    if (request.workLimit > 0) return Until{at(0.5), std::nullopt};
    return Until{at(0.9), cpu0 + limit * share};
  };
  c.improve = phase(0.1);
  c.priced = phase(0.2);
  c.starts = phase(0.3);
  c.large = request.workLimit > 0 ? c.starts : Until{at(0.9), cpu0 + limit * 0.9};
  c.solver = Until{at(0.9), std::nullopt};
  c.end = Until{at(1.0), std::nullopt};
  return c;
}

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

// What the exact method minimises: cost plus BLM x boundary length.
double scoreOf(const Problem& p, const std::vector<char>& chosen) {
  return evaluate(p, chosen).cost + (p.blm > 0 ? p.blm * boundaryOf(p, chosen) : 0.0);
}

// The lines after the method's own: which limit ended the search, the
// objective in its parts (penalties against SHOWN's targets), the bound and
// the gap between them. Every set the method may return holds all it can of
// a feature it cannot bring to target, so the penalties are the same for all
// and the bound on the score is one on the objective once they are added.
std::string searchLines(const Problem& p, const Problem& shown, const std::vector<char>& chosen, ExactStatus status,
                        const SolveRequest& request, double bound) {
  const Evaluation e = evaluate(shown, chosen);
  const double boundary = p.blm > 0 ? boundaryOf(p, chosen) : 0.0, penalty = penaltyOf(shown, e);
  const double objective = e.cost + p.blm * boundary + penalty;
  const double score = scoreOf(p, chosen);
  bound = penalty + (status == ExactStatus::Optimal ? score : std::max(0.0, std::min(bound, score)));
  const double gap = objective > 0 ? (objective - bound) / objective : 0.0;
  std::string ended = status == ExactStatus::Optimal     ? std::string("optimal")
                      : status == ExactStatus::WorkLimit ? strprintf("work limit (%lld node%s)", request.workLimit, request.workLimit == 1 ? "" : "s")
                      : status == ExactStatus::TimeLimit ? "time limit (" + number(request.timeLimit) + " seconds)"
                                                         : std::string(exactStatusText(status));
  return "search ended by: " + ended + "\n" + "objective " + number(objective) + " = cost " + number(e.cost) +
         " + BLM " + number(p.blm) + " x boundary " + number(boundary) + " + penalties " + number(penalty) +
         "; lower bound " + number(bound) + strprintf(", gap %.2f%%\n", 100.0 * gap);
}

// The problem as the exact minimum set takes it: columns are the free units
// (numbered index + 1), locked-in units are fixed, and each feature still
// short of its reachable target is a row wanting so many more units. That
// holds when the units of a feature all hold the same amount of it, as
// presence data do; false otherwise.
bool presenceProblemOf(const Problem& p, ExactProblem& e) {
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
  for (std::size_t c = 0; c < e.cells.size(); ++c)
    columnOf[static_cast<std::size_t>(e.cells[c] - 1)] = static_cast<std::int32_t>(c);
  const std::vector<double> goals = reachableGoals(p);
  std::vector<std::int32_t> columns;
  for (std::size_t f = 0; f < p.features.size(); ++f) {
    double amount = 0.0, fixedHeld = 0.0;
    columns.clear();
    for (const Entry* x = p.unitsOf.begin(f); x != p.unitsOf.end(f); ++x) {
      const Unit& u = p.units[static_cast<std::size_t>(x->index)];
      if (u.status == UnitStatus::LockedOut) continue;
      if (amount != 0.0 && x->amount != amount) return false;
      amount = x->amount;
      if (u.status == UnitStatus::LockedIn) fixedHeld += x->amount;
      else columns.push_back(columnOf[static_cast<std::size_t>(x->index)]);
    }
    const double goal = goals[f];
    if (goal <= 0.0) continue;
    ++e.taxaCounted;
    const double still = goal - fixedHeld;
    const int want = reaches(fixedHeld, goal) ? 0 : static_cast<int>(std::ceil(still / amount - 1e-9));
    if (want <= 0) {
      ++e.taxaMet;
      continue;
    }
    std::sort(columns.begin(), columns.end());
    e.addRow(static_cast<int>(f), want, columns);
  }
  return true;
}

// The exact minimum set, started from the greedy set so that it is never
// worse than it, even when the time runs out.
std::string solvePresence(const Problem& p, const Problem& shown, ExactProblem& e, const SolveRequest& request,
                          SolveResult& r) {
  const auto t0 = std::chrono::steady_clock::now();
  const Clocks clocks = clocksOf(request, t0);
  const std::vector<char> quick = greedyByCostEffectiveness(p, 1);
  ExactOptions options;
  options.timeLimitSeconds = request.timeLimit;
  options.workLimit = request.workLimit;
  options.startedAt = t0;
  auto addStart = [&](const std::vector<char>& chosen) {
    options.starts.emplace_back();
    for (std::size_t u = 0; u < chosen.size(); ++u)
      if (chosen[u] && p.units[u].status != UnitStatus::LockedIn)
        options.starts.back().push_back(static_cast<int>(u) + 1);
  };
  addStart(quick);
  // The goal rows priced: a bound the search may not reach in time on a
  // million units, and the units the prices take, completed and improved,
  // as a second start. Steps are counted as for amounts.
  const std::vector<double> goal = reachableGoals(p);
  std::vector<double> cost;
  for (const Unit& u : p.units) cost.push_back(u.cost);
  const long long work = stepsOf(p);
  std::vector<char> taken;
  const double priced = lagrangianBound(p, goal, cost, scoreOf(p, quick), 4 * work + refineSteps(request, work) / 4,
                                       &taken, clocks.priced);
  if (!clocks.priced.passed()) {
    std::vector<char> fromPrices = completedSet(p, goal, std::move(taken));
    improveSet(p, goal, fromPrices, work, clocks.starts);
    addStart(fromPrices);
  }
  const ExactResult x = solveExact(e, options);
  if (!x.hasSolution) return "the exact method found no set (" + std::string(exactStatusText(x.status)) + ")";
  Solution s;
  s.chosen.assign(p.units.size(), 0);
  for (int n : e.fixedCells) s.chosen[static_cast<std::size_t>(n - 1)] = 1;
  for (int n : x.cells) s.chosen[static_cast<std::size_t>(n - 1)] = 1;
  s.seconds = secondsSince(t0);
  const Evaluation best = evaluate(p, s.chosen), greedy = evaluate(p, quick);
  // The search's bound is on the free units' cost (in units when every one
  // costs the same, so a priced bound rounds up); the set's score counts the
  // locked-in ones too.
  double fixedCost = 0.0;
  for (int n : e.fixedCells) fixedCost += p.units[static_cast<std::size_t>(n - 1)].cost;
  const double each = e.cost.empty() ? 0.0 : e.cost.front();
  double searchBound = x.bound;
  if (x.status != ExactStatus::Optimal) {
    double fromPriced = priced - fixedCost;
    if (!e.byCost && each > 0) fromPriced = fromPriced / each;
    searchBound = std::max(searchBound, fromPriced);
    // A count of units is whole, so its bound is too.
    if (!e.byCost) searchBound = std::ceil(searchBound - 1e-9);
    searchBound = std::min(searchBound, x.objective);
  }
  r.report +=
      std::string("exact minimum ") + (e.byCost ? "cost" : "number of units") + ": " + exactStatusText(x.status) + "\n";
  r.report += "best: " + summary(shown, s) + "\n";
  if (x.status != ExactStatus::Optimal) {
    const double gap = std::fabs(x.objective - searchBound) / std::max(std::fabs(x.objective), 1e-9);
    r.report += "proven lower bound: " + number(searchBound) + strprintf(" (gap %.1f%%)\n", 100.0 * gap);
  }
  r.report +=
      "greedy by cost-effectiveness: " + summary(shown, Solution{quick, 0.0}) +
      (best.cost > 0 ? strprintf(" (%.1f%% more)", 100.0 * (greedy.cost - best.cost) / best.cost) : std::string()) +
      "\n";
  r.report += searchLines(p, shown, s.chosen, x.status, request, fixedCost + (e.byCost ? searchBound : each * searchBound));
  r.runs.push_back(std::move(s));
  return "";
}

// Units in each target row short of it after rounding in the solver: each
// takes the free units holding most of it until it is met.
void topUp(const Problem& p, const std::vector<double>& goal, std::vector<char>& chosen) {
  const Evaluation e = evaluate(p, chosen);
  for (std::size_t f = 0; f < p.features.size(); ++f) {
    double held = e.held[f];
    const double need = goal[f] - roundingOf(goal[f]);
    std::vector<std::pair<double, int>> free;
    for (const Entry* x = p.unitsOf.begin(f); x != p.unitsOf.end(f) && held < need; ++x)
      if (!chosen[static_cast<std::size_t>(x->index)] &&
          p.units[static_cast<std::size_t>(x->index)].status != UnitStatus::LockedOut)
        free.push_back({x->amount, x->index});
    std::sort(free.begin(), free.end(), std::greater<>());
    for (std::size_t k = 0; k < free.size() && held < need; ++k) {
      chosen[static_cast<std::size_t>(free[k].second)] = 1;
      held += free[k].first;
    }
  }
}

// Amounts and boundary length as one programme: a binary column per unit
// (locked in fixed at 1, locked out at 0) costing its cost plus BLM x its
// outer boundary, a row per feature (amounts held >= the reachable target),
// and for each shared boundary a column z >= |x_a - x_b| costing BLM x its
// length, held by the two rows z - x_a + x_b >= 0 and z + x_a - x_b >= 0.
std::string solveAmounts(const Problem& p, const Problem& shown, const SolveRequest& request, SolveResult& r) {
  const auto t0 = std::chrono::steady_clock::now();
  const Clocks clocks = clocksOf(request, t0);
  const std::size_t nu = p.units.size();
  // Each unit's column costs its cost plus BLM x its outer boundary.
  std::vector<double> unitCost(nu);
  for (std::size_t u = 0; u < nu; ++u) unitCost[u] = p.units[u].cost;
  const bool boundary = p.blm > 0 && !p.boundaries.empty();
  std::vector<Boundary> shared;
  if (boundary) {
    for (const Boundary& b : p.boundaries) {
      if (b.a == b.b) unitCost[static_cast<std::size_t>(b.a)] += p.blm * b.length;
      else shared.push_back({std::min(b.a, b.b), std::max(b.a, b.b), b.length});
    }
    // A pair listed twice counts twice, in one column.
    std::sort(shared.begin(), shared.end(),
              [](const Boundary& x, const Boundary& y) { return x.a != y.a ? x.a < y.a : x.b < y.b; });
    std::size_t out = 0;
    for (std::size_t i = 0; i < shared.size(); ++i) {
      if (out > 0 && shared[out - 1].a == shared[i].a && shared[out - 1].b == shared[i].b)
        shared[out - 1].length += shared[i].length;
      else shared[out++] = shared[i];
    }
    shared.resize(out);
  }
  const std::vector<double> goal = reachableGoals(p);
  // Reckoned first: it sorts every feature's units, too long to leave to the
  // end of a limit.
  const double covered = coverBound(p, goal);
  const auto fixedUnit = [&](int u) {
    const UnitStatus st = p.units[static_cast<std::size_t>(u)].status;
    return st == UnitStatus::LockedIn || st == UnitStatus::LockedOut;
  };

  // The first incumbent: the better of the greedy set and the rarity-order
  // set, each improved by local search, so the answer is never worse than
  // either. The search counts steps, not seconds: the same start on any
  // machine, unless the clock cuts it (clocksOf).
  const std::vector<char> quick = greedyByCostEffectiveness(p, 1);
  const long long work = stepsOf(p);
  std::vector<char> start = quick;
  improveSet(p, goal, start, work, clocks.improve);
  if (!clocks.improve.passed()) {
    std::vector<char> rare = rarityStart(p, goal);
    improveSet(p, goal, rare, work, clocks.improve);
    if (scoreOf(p, rare) < scoreOf(p, start)) start = std::move(rare);
  }
  // Refill rounds find much of what the solver would (on clumped amounts
  // with a boundary, more in seconds than it does in a minute), so they get
  // a share of the time limit: counted in steps, and under a work limit
  // only as many as that limit's nodes allow. On a model too large for the
  // solver's first relaxation to end within the limit they take its time
  // too, and the solver gets what they leave.
  const std::size_t entries = p.unitsOf.entries.size() + 3 * shared.size();
  const bool large = entries > kSolverEntries;
  const long long shareSteps = refineSteps(request, work);
  const long long refineWork =
      large && request.workLimit <= 0 ? std::numeric_limits<long long>::max() / 4 : shareSteps;
  // A bound the solver may not reach in time on large models: the goal rows
  // priced, boundaries between units left out (they only add). The units
  // its best prices take, completed and improved, are a third start.
  std::vector<char> taken;
  const double priced = lagrangianBound(p, goal, unitCost, scoreOf(p, start),
                                        std::min(shareSteps / 4 + 4 * work, refineWork), &taken,
                                        clocks.priced);
  if (!clocks.priced.passed()) {
    std::vector<char> fromPrices = completedSet(p, goal, std::move(taken));
    improveSet(p, goal, fromPrices, work, clocks.starts);
    if (scoreOf(p, fromPrices) < scoreOf(p, start)) start = std::move(fromPrices);
  }
  refineSet(p, goal, start, 4 * work + refineWork, large ? clocks.large : clocks.starts);
  // Under a work limit the clock cut the first sets short: the same limits
  // may give another set on another machine.
  const bool startsCut = request.workLimit > 0 && clocks.starts.passed();

  // The programme, made only now: on a large model it is as big as the
  // problem itself, and the solver may have no time left for it.
  MipModel mip;
  if (!clocks.solver.passed()) {
    for (std::size_t u = 0; u < nu; ++u)
      mip.addColumn(unitCost[u], p.units[u].status == UnitStatus::LockedIn ? 1.0 : 0.0,
                    p.units[u].status == UnitStatus::LockedOut ? 0.0 : 1.0);
    std::vector<std::int32_t> cols;
    std::vector<double> values;
    for (std::size_t f = 0; f < p.features.size(); ++f) {
      if (goal[f] <= 0.0) continue;
      cols.clear();
      values.clear();
      for (const Entry* x = p.unitsOf.begin(f); x != p.unitsOf.end(f); ++x)
        if (p.units[static_cast<std::size_t>(x->index)].status != UnitStatus::LockedOut)
          cols.push_back(x->index), values.push_back(x->amount);
      mip.addRow(cols, values, goal[f]);
    }
    for (const Boundary& b : shared) {
      if (fixedUnit(b.a) && fixedUnit(b.b)) continue;  // a constant
      const int z = mip.addColumn(p.blm * b.length, 0.0, 1.0, false);
      const std::int32_t c[] = {z, b.a, b.b};
      const double up[] = {1.0, -1.0, 1.0}, down[] = {1.0, 1.0, -1.0};
      mip.addRow(c, up, 0.0);
      mip.addRow(c, down, 0.0);
    }
  }
  auto solutionOf = [&](const std::vector<char>& chosen) {
    std::vector<double> x(static_cast<std::size_t>(mip.columns()), 0.0);
    for (std::size_t u = 0; u < nu; ++u) x[u] = chosen[u] ? 1.0 : 0.0;
    std::size_t k = nu;
    for (const Boundary& b : shared) {
      if (fixedUnit(b.a) && fixedUnit(b.b)) continue;
      x[k++] = chosen[static_cast<std::size_t>(b.a)] != chosen[static_cast<std::size_t>(b.b)] ? 1.0 : 0.0;
    }
    return x;
  };
  MipRun run;
  bool startFeasible = false;
  if (mip.columns() > 0) {
    if (std::vector<double> x = solutionOf(start); mip.feasible(x, 1e-9)) run.start = std::move(x);
    startFeasible = !run.start.empty();
  } else {
    const Evaluation e = evaluate(p, start);
    startFeasible = true;
    for (std::size_t f = 0; f < goal.size(); ++f)
      startFeasible = startFeasible && reaches(e.held[f], goal[f]);
  }
  run.deadline = clocks.solver.wall;
  run.workLimit = request.workLimit;
  const MipResult x = solveMip(std::move(mip), run);

  Solution s;
  s.chosen.assign(nu, 0);
  bool found = false;
  if (x.best.hasSolution && x.best.x.size() >= nu) {
    for (std::size_t u = 0; u < nu; ++u) s.chosen[u] = x.best.x[u] > 0.5;
    topUp(p, goal, s.chosen);
    // An unproven set may still lie a move or a refill from a better one:
    // the same counted local search as the start, from the solver's best.
    if (!x.proven) {
      std::vector<char> polished = s.chosen;
      refineSet(p, goal, polished, 4 * work, clocks.end);
      if (scoreOf(p, polished) < scoreOf(p, s.chosen)) s.chosen = std::move(polished);
    }
    found = true;
  }
  if (startFeasible && (!found || scoreOf(p, start) < scoreOf(p, s.chosen))) {
    s.chosen = start;
    found = true;
  }
  if (!found)
    return std::string("the exact method found no set (") +
           (x.infeasible ? "infeasible"
            : x.stopped  ? "stopped"
                         : "time limit reached") +
           ")";
  s.seconds = secondsSince(t0);
  const double score = scoreOf(p, s.chosen);
  const ExactStatus status = x.proven        ? ExactStatus::Optimal
                             : x.stopped     ? ExactStatus::Stopped
                             : x.workLimited && !startsCut ? ExactStatus::WorkLimit
                                             : ExactStatus::TimeLimit;
  r.report += std::string("exact minimum ") + (boundary ? "cost + BLM x boundary length" : "cost") + ": " +
              exactStatusText(status) + "\n";
  r.report += "best: " + summary(shown, s) + "\n";
  if (boundary) r.report += "boundary length " + number(boundaryOf(p, s.chosen)) + ", score " + number(score) + "\n";
  const double bound = std::max({x.best.bound, x.relaxation, covered, priced});
  if (status != ExactStatus::Optimal) {
    const double shownBound = std::min(score, bound);
    const double gap = score > 0 ? (score - std::max(shownBound, 0.0)) / score : 0.0;
    r.report += "proven lower bound: " + number(std::max(shownBound, 0.0)) + strprintf(" (gap %.1f%%)\n", 100.0 * gap);
  }
  const double quickScore = scoreOf(p, quick);
  r.report += "greedy by cost-effectiveness: " + summary(shown, Solution{quick, 0.0}) +
              (score > 0 ? strprintf(" (%.1f%% more)", 100.0 * (quickScore - score) / score) : std::string()) + "\n";
  r.report += "first set (rarity order, greedy or priced, then local search): score " + number(scoreOf(p, start)) + "\n";
  r.report += searchLines(p, shown, s.chosen, status, request, bound);
  r.runs.push_back(std::move(s));
  return "";
}

// The exact method: presence data without boundary length as the exact
// minimum set (its reductions make it quicker), anything else through the
// amounts programme. P is what is solved; SHOWN, with every target, is what
// the report measures the sets against.
std::string solveExactly(const Problem& p, const Problem& shown, const SolveRequest& request, SolveResult& r) {
  ExactProblem e;
  if ((p.blm <= 0 || p.boundaries.empty()) && presenceProblemOf(p, e)) return solvePresence(p, shown, e, request, r);
  return solveAmounts(p, shown, request, r);
}

}  // namespace

SolveResult solve(const Problem& given, const SolveRequest& request) {
  SolveResult r;
  if (request.reps < 1 || request.reps > 10000) {
    r.error = strprintf("repetitions must be 1 to 10000, not %d", request.reps);
    return r;
  }
  if (request.method != Method::Exact && given.blm > 0 && !given.boundaries.empty()) {
    r.error = "BLM " + number(given.blm) +
              " asks for compact sets: boundary length is solved by the exact method only"
              " (--method exact), or set BLM to 0";
    return r;
  }
  // A feature whose penalty factor is 0 costs nothing when missed, so it is
  // no constraint: the methods see it with no target, the outputs and the
  // report with its own.
  // The copy is made only then: on a large folder it is gigabytes.
  std::optional<Problem> solved;
  int free = 0;
  for (const Feature& f : given.features) free += f.spf <= 0 && f.target > 0;
  if (free) {
    solved = given;
    for (Feature& f : solved->features)
      if (f.spf <= 0 && f.target > 0) f.target = 0.0;
  }
  const Problem& p = solved ? *solved : given;
  const std::string notRequired =
      free ? strprintf("%d features with penalty factor (spf) 0 are reported, not required\n", free) : std::string();
  const auto t0 = std::chrono::steady_clock::now();
  if (request.method == Method::Exact) {
    r.method = "exact";
    r.report = describe(given) + unreachable(p) + notRequired;
    r.error = solveExactly(p, given, request, r);
    if (!r.error.empty()) return r;
    // The exact method has no random element: its repetitions are one set.
    for (int rep = 2; rep <= request.reps; ++rep) r.runs.push_back(r.runs.front());
    r.report += strprintf("method: exact, %d repetition%s", request.reps, request.reps == 1 ? "" : "s") +
                (request.reps > 1 ? " (the same set each time: the method has no random element)" : "") + "\n";
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
    r.method = "near-minimum";
  } else {
    method = [&p](std::uint32_t seed) { return greedyByCostEffectiveness(p, seed); };
    name = "greedy by cost-effectiveness";
    r.method = "greedy";
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
  r.report = describe(given) + unreachable(p) + notRequired + "method: " + name +
             strprintf(", %d repetitions (seeds 1 ... %d)\n", request.reps, request.reps) +
             strprintf("best: repetition %zu, ", r.best + 1) + summary(given, r.runs[r.best]) + "\n" +
             strprintf("solved in %.1f seconds\n", secondsSince(t0));
  return r;
}

}  // namespace zn::planning
