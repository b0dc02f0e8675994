#include "selection/exact.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "measures/presence.h"
#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/nearminimum.h"
#include "selection/report.h"
#include "store/progress.h"
#include "store/text.h"

namespace zn {

ExactProblem buildExactProblem(const AnalysisData& a, const AreaSet& set, const ExactRequest& request) {
  ExactProblem p;
  p.kind = request.kind;
  p.rowStart.push_back(0);
  const bool minimum = request.kind == ExactKind::MinimumSet;
  p.byCost = minimum && request.byCost;
  p.budget = cleanCost(request.budget);
  if (!a.data) return p;

  const Occurrences& ix = a.occ();
  const auto cells = static_cast<std::size_t>(ix.units);
  const int goal = minimum ? std::max(1, request.goal) : 1;

  std::vector<char> fixed(cells + 1, 0);
  if (!request.includeSeeds)
    for (int n : set.cells)
      if (n >= 1 && n <= ix.units && !fixed[static_cast<std::size_t>(n)]) {
        fixed[static_cast<std::size_t>(n)] = 1;
        p.fixedCells.push_back(n);
      }
  const int room = std::max(0, request.capacity - static_cast<int>(p.fixedCells.size()));
  p.areaLimit = request.kind == ExactKind::CoverageByNumber ? std::clamp(request.areasToAdd, 0, room) : room;

  // Which taxa count and what each still wants; the columns are the free
  // units of the taxa that want more.
  std::vector<int> want(static_cast<std::size_t>(ix.taxa), 0);
  std::vector<std::int32_t> column(cells + 1, -1);
  for (int t = 0; t < ix.taxa; ++t) {
    if (!a.counts(t) || a.excluded[static_cast<std::size_t>(t)] || ix.range(t) == 0) continue;
    ++p.taxaCounted;
    int have = 0;
    for (int n : ix.unitsOf(t)) have += fixed[static_cast<std::size_t>(n)];
    const int w = std::min(goal, ix.range(t)) - have;
    if (w <= 0) {
      ++p.taxaMet;
      continue;
    }
    want[static_cast<std::size_t>(t)] = w;
    for (int n : ix.unitsOf(t))
      if (!fixed[static_cast<std::size_t>(n)]) column[static_cast<std::size_t>(n)] = 0;
  }
  for (std::size_t n = 1; n <= cells; ++n) {
    if (column[n] < 0) continue;
    column[n] = static_cast<std::int32_t>(p.cells.size());
    p.cells.push_back(static_cast<int>(n));
    p.cost.push_back(cleanCost(a.unitCost(static_cast<int>(n))));
  }
  std::vector<std::int32_t> row;
  for (int t = 0; t < ix.taxa; ++t) {
    if (want[static_cast<std::size_t>(t)] == 0) continue;
    row.clear();
    for (int n : ix.unitsOf(t))
      if (!fixed[static_cast<std::size_t>(n)]) row.push_back(column[static_cast<std::size_t>(n)]);
    p.addRow(t, want[static_cast<std::size_t>(t)], row);
  }
  return p;
}

// ---------------------------------------------------------------------------
// The exact sets as analyses

namespace {

// Included taxa with records (group code, excluded taxa) that the areas
// meet: each present at least min(goal, range) times among them.
int taxaMeeting(const AnalysisData& a, const std::vector<int>& areas, int goal) {
  const Occurrences& ix = a.occ();
  std::vector<int> reps(static_cast<std::size_t>(ix.taxa), 0);
  for (int n : areas)
    if (n >= 1 && n <= ix.units)
      for (int t : ix.taxaIn(n)) ++reps[static_cast<std::size_t>(t)];
  int met = 0;
  for (int t = 0; t < ix.taxa; ++t)
    if (a.counts(t) && !a.excluded[static_cast<std::size_t>(t)] && ix.range(t) > 0 &&
        reps[static_cast<std::size_t>(t)] >= std::min(goal, ix.range(t)))
      ++met;
  return met;
}

// A set that a selection run left on the map gives way to the exact run: only
// the areas that were in the set when that run started stay as seeds. That
// holds for the near-minimum and coverage sets (and the flexibility plot a
// click on their map shows) and for an earlier exact set. The near-minimum
// or coverage set of the same question is also the quick answer the report
// compares with; any of them is the solver's first incumbent.
QuickSet takeQuickSet(const AnalysisData& d, AreaSet& a, const ExactRequest& request, MeasureCode code) {
  QuickSet q;
  const ExactKind kind = request.kind;
  const bool minimum = kind == ExactKind::MinimumSet;
  const bool quickMap = code == kCodeNearMinimum || code == kCodeNearMaximumCoverage || code == kCodeFlexibilityPlot;
  if (!quickMap && !a.showsExactSet()) return q;
  const int seeds = std::clamp(a.seedCount, 0, a.count());
  q.cells.assign(a.cells.begin() + seeds, a.cells.end());
  q.present = minimum ? code == kCodeNearMinimum || code == kCodeFlexibilityPlot : code == kCodeNearMaximumCoverage;
  q.kind = kind;
  if (q.present) {
    q.areas = a.count() - seeds;
    q.represented = taxaMeeting(d, a.cells, minimum ? std::max(1, request.goal) : 1);
    double cost = 0.0;
    for (int c : q.cells)
      if (c >= 1 && c <= d.units()) cost += cleanCost(d.unitCost(c));
    q.cost = cost;
  }
  a.cells.resize(static_cast<std::size_t>(seeds));
  return q;
}

std::string exactTitle(const ExactRequest& request, const ExactProblem& p) {
  if (p.kind == ExactKind::CoverageByBudget) return strprintf("Exact maximum-coverage set for budget %.0f", p.budget);
  if (p.kind == ExactKind::CoverageByNumber) return strprintf("Exact maximum-coverage set for %d areas", p.areaLimit);
  const int goal = std::max(1, request.goal);
  return strprintf("Exact minimum-%s set for %d representation%s", p.byCost ? "cost" : "area", goal,
                   goal > 1 ? "s" : "");
}

// The solver's lines after the representation summary.
std::string solverLines(const ExactProblem& p, const ExactResult& r, const QuickSet& q, bool costData, int capacity) {
  std::string out =
      strprintf("  %s: %s\n", p.kind == ExactKind::MinimumSet ? "Exact minimum set" : "Exact maximum coverage",
                exactStatusText(r.status));
  if (!r.hasSolution) {
    out += strprintf("  no set of at most %d areas meets every goal\n  solver finished in %.1f seconds\n", capacity,
                     r.seconds);
    return out;
  }
  const bool optimal = r.status == ExactStatus::Optimal;
  if (p.kind == ExactKind::MinimumSet) {
    if (p.byCost) {
      out += strprintf("  objective: cost %.2f (%d areas)\n  proven lower bound: cost %.2f\n", r.objective, r.areas,
                       r.bound);
    } else {
      out += strprintf("  objective: %d areas\n  proven lower bound: %.0f areas\n", r.areas, r.bound);
    }
  } else {
    out += costData ? strprintf("  objective: %d taxa represented with %d areas, cost %.2f\n", r.represented, r.areas,
                                r.cost)
                    : strprintf("  objective: %d taxa represented with %d areas\n", r.represented, r.areas);
    out += strprintf("  proven upper bound: %.0f taxa represented\n", r.bound);
  }
  if (!optimal) out += strprintf("  gap: %.1f%% (best set found, not proven optimal)\n", exactGap(r) * 100.0);
  out += strprintf("  solver finished in %.1f seconds\n", r.seconds);
  if (q.present) {
    auto more = [](double larger, double smaller) {
      return smaller > 0.0 ? (larger - smaller) * 100.0 / smaller : 0.0;
    };
    if (p.kind != ExactKind::MinimumSet)
      out += strprintf("  near-maximum-coverage set: %d taxa, exact maximum coverage: %d taxa (%.1f%% more)\n",
                       q.represented, r.represented, more(r.represented, q.represented));
    else if (p.byCost)
      out += strprintf("  near-minimum set: cost %.2f, exact minimum: cost %.2f (%.1f%% more)\n", q.cost, r.cost,
                       more(q.cost, r.cost));
    else
      out += strprintf("  near-minimum set: %d areas, exact minimum: %d areas (%.1f%% more)\n", q.areas, r.areas,
                       more(q.areas, r.areas));
  }
  return out;
}

// Whether the quick set answers the same question as this run: every goal
// met for the minimum, within the same number of areas or budget for
// coverage. Only then is the comparison fair.
bool sameQuestion(const QuickSet& q, const ExactProblem& p) {
  if (!q.present) return false;
  switch (p.kind) {
    case ExactKind::MinimumSet: return q.represented == p.taxaCounted;
    case ExactKind::CoverageByNumber: return q.areas <= p.areaLimit;
    case ExactKind::CoverageByBudget: return q.cost <= p.budget;
  }
  return false;
}

}  // namespace

RunRequest quickSetRequest(const Settings& settings, bool costPresent, const ExactProblem& p, AreaSet& start) {
  Settings st = settings;
  RunRequest r;
  if (p.kind == ExactKind::MinimumSet) {
    r.kind = RunKind::NearMinimum;
  } else {
    st.reordering = Reordering::kByRichness;  // by richness, as the coverage set runs
    st.nearMinimumGoal = 1;
    r.kind = p.kind == ExactKind::CoverageByBudget ? RunKind::CoverageByBudget : RunKind::CoverageByNumber;
    r.areasToAdd = p.areaLimit;
    r.budget = p.budget;
  }
  st.includeSeeds = Flag::kOff;  // the exact run's fixed cells are the seeds here
  SelectionEnv env;
  env.seed = 1;  // random tie-breaks: any draw makes a start
  r.params = nearMinimumParams(st, costPresent, env);
  start.cells = p.fixedCells;
  start.seedCount = static_cast<int>(p.fixedCells.size());
  return r;
}

std::string exactProgressText(ExactKind kind, bool byCost, const ExactProgress& p, double limitSeconds) {
  std::string out;
  const int areas = static_cast<int>(p.cells.size());
  if (kind == ExactKind::MinimumSet) {
    const char* unit = byCost ? "cost" : "areas";
    out += p.hasSolution ? (byCost ? strprintf("Best set so far: cost %.2f (%d areas)", p.objective, areas)
                                   : strprintf("Best set so far: %d areas", areas))
                         : std::string("No set found yet");
    out += byCost ? strprintf("\nLower bound: cost %.2f", p.bound) : strprintf("\nLower bound: %.0f %s", p.bound, unit);
  } else {
    switch (p.stage) {
      case 1:
        out += p.hasSolution ? strprintf("Best set so far: %.0f taxa represented (%d areas)", p.objective, areas)
                             : std::string("No set found yet");
        out += strprintf("\nUpper bound: %.0f taxa", p.bound);
        break;
      case 2:
        out += strprintf("Most taxa found; fewest areas for them so far: %d\nLower bound: %.0f areas", areas, p.bound);
        break;
      default:
        out += strprintf("Fewest areas found; least cost so far: %.2f\nLower bound: cost %.2f", p.objective, p.bound);
        break;
    }
  }
  if (p.hasSolution && !p.cells.empty()) {
    constexpr std::size_t kShown = 20;
    out += "\nCells:";
    for (std::size_t i = 0; i < p.cells.size() && i < kShown; ++i) out += strprintf(" %d", p.cells[i]);
    if (p.cells.size() > kShown) out += " ...";
  }
  out += limitSeconds > 0.0 ? strprintf("\n%.0f of %.0f seconds", p.seconds, limitSeconds)
                            : strprintf("\n%.0f seconds", p.seconds);
  return out;
}

ReportFacts ExactSetOutcome::facts() const {
  ReportFacts f;
  f.seconds = static_cast<float>(result.seconds);
  f.title = title;
  f.summaryClosing = solverLines + "\n";
  return f;
}

std::string ExactSetOutcome::unsolvedReport(const std::string& header) const {
  return header + strprintf("\n  PRIORITY-AREAS ANALYSIS: %s\n\n", title.c_str()) + solverLines + "\n\n";
}

ExactSetOutcome exactSetRun(const AnalysisData& data, const SelectionIndex& x, const ExactRunParams& p) {
  ExactSetOutcome out;
  if (!data.data) return out;
  ExactRequest r;
  r.kind = p.kind;
  r.areasToAdd = p.areas;
  r.budget = p.budget;
  r.goal = std::max(1, p.settings.nearMinimumGoal);
  r.includeSeeds = p.settings.includeSeeds != Flag::kOff;
  r.byCost = p.settings.optimiseByCost != Flag::kOff && p.costs;
  r.capacity = p.capacity;
  ExactOptions o;
  o.startedAt = std::chrono::steady_clock::now();
  o.timeLimitSeconds = p.timeLimitSeconds;
  o.workLimit = p.workLimit;
  if (p.progress) {
    const bool byCost = r.byCost && r.kind == ExactKind::MinimumSet;
    o.progress = [&p, kind = r.kind, byCost](const ExactProgress& e) {
      return p.progress(exactProgressText(kind, byCost, e, p.timeLimitSeconds));
    };
  }
  AreaSet start = p.start;
  out.quick = takeQuickSet(data, start, r, p.mapCode);
  const ExactProblem problem = buildExactProblem(data, start, r);
  if (!sameQuestion(out.quick, problem)) out.quick.present = false;
  if (!out.quick.cells.empty()) o.starts.push_back(out.quick.cells);
  // Without the quick answer on the map it is computed aside (it takes a
  // fraction of a second), so the exact answer is never behind it.
  if (!out.quick.present && problem.rows() > 0) {
    Progress quiet;
    AreaSet aside;
    RunRequest q = quickSetRequest(p.settings, p.costs, problem, aside);
    q.params.capacity = p.capacity;
    runMainRun(data, x, q, aside, quiet, p.marks);
    o.starts.emplace_back(aside.cells.begin() + std::clamp(aside.seedCount, 0, aside.count()), aside.cells.end());
  }
  out.result = solveExact(problem, o);
  out.ran = true;
  const ExactResult& res = out.result;
  // Without a set the seeds stay alone: a partial set would read as an answer.
  out.capacityReached = !res.hasSolution && res.status == ExactStatus::Infeasible;
  out.cells = problem.fixedCells;
  if (res.hasSolution) out.cells.insert(out.cells.end(), res.cells.begin(), res.cells.end());
  out.seedCount = static_cast<int>(problem.fixedCells.size());
  out.title = exactTitle(r, problem);
  out.solverLines = solverLines(problem, res, out.quick, p.costs, r.capacity);
  if (res.status == ExactStatus::TimeLimit)
    out.notes.push_back("the time limit ran out: the set is the best found, not proven optimal");
  return out;
}

}  // namespace zn
