#include "selection/exactcall.h"

#include <algorithm>
#include <cmath>

#include "selection/areaset.h"

namespace zn {

int representedBy(const ExactProblem& p, const std::vector<int>& cells) {
  std::vector<char> in(static_cast<std::size_t>(p.columns()), 0);
  for (int c : cells) {
    auto it = std::lower_bound(p.cells.begin(), p.cells.end(), c);
    if (it != p.cells.end() && *it == c) in[static_cast<std::size_t>(it - p.cells.begin())] = 1;
  }
  int met = p.taxaMet;
  for (int r = 0; r < p.rows(); ++r) {
    int have = 0;
    for (std::int32_t j : p.columnsOf(r)) have += in[static_cast<std::size_t>(j)];
    met += have >= p.demand[static_cast<std::size_t>(r)] ? 1 : 0;
  }
  return met;
}

ExactAnswer callExact(const ExactProblem& p, const ExactCall& call) {
  ExactOptions options;
  options.timeLimitSeconds = call.timeLimitSeconds;
  // The known set is the solver's first incumbent (the warm start from k - 1).
  if (!call.start.empty()) options.starts.push_back(call.start);
  bool userStop = false;
  const bool coverage = p.kind != ExactKind::MinimumSet;
  options.progress = [&](const ExactProgress& pr) {
    if (call.keepGoing && !call.keepGoing()) {
      userStop = true;
      return false;
    }
    return !(coverage && pr.stage >= 2);  // the coverage itself is settled by stage 1
  };
  const ExactResult r = solveExact(p, options);
  ExactAnswer a;
  a.stopped = userStop;
  a.found = r.hasSolution;
  a.cells = r.cells;
  a.areas = r.areas;
  a.represented = r.represented;
  a.bound = r.bound;
  a.proven = r.hasSolution && (r.status == ExactStatus::Optimal || (!userStop && r.bound == r.objective));
  // A known set better than the solver's answer stands (a stage stopped
  // early can report less than the incumbent it was given).
  if (!call.start.empty() && !a.proven) {
    const int met = representedBy(p, call.start);
    const int areas = static_cast<int>(call.start.size());
    const bool better = coverage ? met > a.represented && areas <= p.areaLimit
                                 : met == p.taxaMet + p.rows() && (!a.found || areas < a.areas);
    if (better) {
      a.found = true;
      a.cells = call.start;
      std::sort(a.cells.begin(), a.cells.end());
      a.areas = areas;
      a.represented = met;
      a.proven = coverage ? a.bound <= met : a.bound >= areas;
    }
  }
  return a;
}

ExactProblem withoutColumn(const ExactProblem& p, int column, bool& possible) {
  ExactProblem q;
  q.kind = p.kind;
  q.byCost = p.byCost;
  q.areaLimit = p.areaLimit;
  q.budget = p.budget;
  q.fixedCells = p.fixedCells;
  q.taxaCounted = p.taxaCounted;
  q.taxaMet = p.taxaMet;
  q.rowStart.push_back(0);
  for (int j = 0; j < p.columns(); ++j) {
    if (j == column) continue;
    q.cells.push_back(p.cells[static_cast<std::size_t>(j)]);
    q.cost.push_back(p.cost[static_cast<std::size_t>(j)]);
  }
  possible = true;
  std::vector<std::int32_t> row;
  for (int r = 0; r < p.rows(); ++r) {
    row.clear();
    for (std::int32_t j : p.columnsOf(r))
      if (j != column) row.push_back(j > column ? j - 1 : j);
    const int want = p.demand[static_cast<std::size_t>(r)];
    if (static_cast<int>(row.size()) < want) possible = false;
    q.addRow(p.rowTaxon[static_cast<std::size_t>(r)], want, row);
  }
  return q;
}

}  // namespace zn
