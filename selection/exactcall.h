// The one place the curve, frequency and replacement analyses call the
// exact solver.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "selection/exact.h"

namespace zn {

struct ExactCall {
  double timeLimitSeconds = 60.0;
  // A set known to be feasible (for coverage: within the area limit). The
  // solver finds its own start; a better known set is kept over its answer.
  std::vector<int> start;
  std::function<bool()> keepGoing;  // false stops the solver
};

struct ExactAnswer {
  bool found = false;
  bool proven = false;     // optimal (for coverage: the taxa represented)
  bool stopped = false;    // the caller stopped it
  std::vector<int> cells;  // chosen cells, ascending
  int areas = 0;
  int represented = 0;  // taxa meeting their want, fixed cells' taxa included
  double bound = 0.0;   // proven bound on areas (minimum) or taxa (coverage)
};

// Solves the problem. Coverage answers only the taxa represented: the
// solver's later stages (fewest areas, least cost for that coverage) are not
// asked for.
ExactAnswer callExact(const ExactProblem& p, const ExactCall& call);

// The problem without one column: rows lose it, and a row left with fewer
// columns than it wants makes `possible` false.
ExactProblem withoutColumn(const ExactProblem& p, int column, bool& possible);

// The taxa a set of cells represents in the problem's terms (fixed cells'
// taxa included), and whether it meets every row.
int representedBy(const ExactProblem& p, const std::vector<int>& cells);

}  // namespace zn
