// Driving COIN-OR CBC on a general minimisation: columns with a cost and
// bounds (binary, fixed in or out, or continuous), rows with a range over
// real coefficients. Covering rows (sum of a_ij x_j >= t_i) are the usual
// case; any other rows (a boundary-length linearisation, an area cap) sit
// beside them.
//
// The search runs on a worker thread, and the call returns at the deadline
// or at a stop request even while the solver is in a stage that does not
// watch the clock (its reductions, the first relaxation): the best solution
// seen by then, or the start, is the answer. A search left behind that way
// ends by itself soon after, and is waited for at exit.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace zn {

inline constexpr double kMipInfinity = std::numeric_limits<double>::max();

struct MipModel {
  std::vector<double> cost, lower, upper;
  std::vector<char> integer;
  std::vector<double> rowLower, rowUpper;
  std::vector<std::int64_t> rowStart{0};  // row-ordered entries
  std::vector<std::int32_t> entryColumn;
  std::vector<double> entryValue;

  int columns() const { return static_cast<int>(cost.size()); }
  int rows() const { return static_cast<int>(rowLower.size()); }
  // A binary column unless told otherwise; returns its index.
  int addColumn(double c, double lo = 0.0, double up = 1.0, bool isInteger = true);
  // lo <= sum values[k] x[columns[k]] <= up, over columns already added.
  int addRow(std::span<const std::int32_t> cols, std::span<const double> values, double lo, double up = kMipInfinity);
  // The same with one coefficient for every column (presence rows).
  int addRow(std::span<const std::int32_t> cols, double value, double lo, double up = kMipInfinity);
  // One more entry in the last row added.
  void addToLastRow(std::int32_t col, double value);
  double objectiveOf(std::span<const double> x) const;
  // Every bound and row holds within the tolerance.
  bool feasible(std::span<const double> x, double tolerance = 1e-6) const;
};

// What the search has reached.
struct MipSnapshot {
  bool hasSolution = false;
  // The best solution over the model's columns. While the search runs it
  // works on its own reduced copy: a column set aside there reads as its
  // lower bound until the search ends.
  std::vector<double> x;
  double bound = -kMipInfinity;  // proven lower bound on the objective
  int found = 0;                 // solutions found by the search so far
};

struct MipRun {
  std::vector<double> start;  // a feasible solution to start from, or empty
  std::optional<std::chrono::steady_clock::time_point> deadline;
  // Branch-and-bound nodes the search may take, 0 for no limit: unlike the
  // deadline it ends the search at the same point however busy the machine.
  std::int64_t workLimit = 0;
  // Called on the calling thread when the search finds a solution and
  // about five times a second; false stops the search.
  std::function<bool(const MipSnapshot&)> watch;
};

struct MipResult {
  bool proven = false;       // optimal: the search ran to its end
  bool infeasible = false;   // proven to have no solution
  bool stopped = false;      // the watcher stopped it, or the solver gave up
  bool timedOut = false;     // the deadline came first
  bool workLimited = false;  // the work limit came first
  bool complete = false;     // best.x is the solver's own final answer
  MipSnapshot best;
  double relaxation = -kMipInfinity;  // the first relaxation's bound, when solved
};

// Minimises cost . x. The model is moved in: a search left running owns it.
MipResult solveMip(MipModel model, const MipRun& run);

}  // namespace zn
