// The exact area sets as integer programmes in cell and taxon terms: the
// minimum set and the maximum coverage, reduced where that is safe and
// solved by CBC to proven optimality or to a time limit, so the quick
// near-minimum and coverage sets can be judged against the optimum.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zn {

enum class ExactKind {
  MinimumSet,        // fewest areas (or least cost) meeting every goal
  CoverageByNumber,  // most taxa represented with at most N new areas
  CoverageByBudget,  // most taxa represented within a budget
};

// The programme in cell and taxon terms. Columns are the cells that may be
// chosen; each row is a taxon that still wants `demand` more presences
// among them (the fixed cells already counted).
struct ExactProblem {
  ExactKind kind = ExactKind::MinimumSet;
  bool byCost = false;                   // minimum set: least total cost rather than fewest areas
  int areaLimit = 0;                     // most new areas the set can take (coverage by number: N)
  double budget = 0.0;                   // coverage by budget
  std::vector<int> fixedCells;           // seeds that stay in, in set order
  std::vector<int> cells;                // cell number of each column, ascending
  std::vector<double> cost;              // cost of each column, >= 0
  std::vector<int> rowTaxon;             // taxon (card index) of each row
  std::vector<int> demand;               // presences each row still needs, >= 1
  std::vector<std::int32_t> rowStart;    // rows + 1 entries into rowColumns
  std::vector<std::int32_t> rowColumns;  // column indexes, ascending within a row
  int taxaCounted = 0;                   // included taxa with records
  int taxaMet = 0;                       // of those, already met by the fixed cells alone

  int rows() const { return static_cast<int>(demand.size()); }
  int columns() const { return static_cast<int>(cells.size()); }
  std::span<const std::int32_t> columnsOf(int r) const {
    return {rowColumns.data() + rowStart[static_cast<std::size_t>(r)],
            rowColumns.data() + rowStart[static_cast<std::size_t>(r) + 1]};
  }
  // Appends a row over the given columns.
  void addRow(int taxon, int want, std::span<const std::int32_t> columns);
};

enum class ExactStatus {
  Optimal,     // proven optimal (every stage for coverage)
  Stopped,     // the progress callback asked to stop
  TimeLimit,   // the time ran out; the best set found is returned
  WorkLimit,   // the work limit ran out first; the best set found is returned
  Infeasible,  // no set meets the goals within the area capacity
};

// Reported while solving. Stage 1 is the main objective (areas or cost for
// the minimum set, taxa represented for coverage, fixed cells' taxa
// included); coverage then finds the fewest areas (stage 2) and the least
// cost (stage 3) that keep that coverage. objective and bound are in the
// stage's terms.
struct ExactProgress {
  int stage = 1;
  bool hasSolution = false;
  double objective = 0.0;
  double bound = 0.0;
  std::span<const int> cells;  // best set's new cells so far
  double seconds = 0.0;
};

// Returns false to stop the solver; the best set so far is kept.
using ExactCallback = std::function<bool(const ExactProgress&)>;

struct ExactOptions {
  double timeLimitSeconds = 60.0;  // <= 0 or not finite: no limit
  std::int64_t workLimit = 0;      // branch-and-bound nodes per stage, 0: no limit
  ExactCallback progress;
  // Sets to start from: cells added to the fixed cells (others are left
  // out), such as the quick set or the answer for a neighbouring N. The best
  // of them that answers the question is the first incumbent, so the result
  // is never worse than it, even when stopped at once.
  std::vector<std::vector<int>> starts;
  // When the command began: the limit and the reported time count from
  // here, so building the programme is inside the limit. Unset: the call.
  std::optional<std::chrono::steady_clock::time_point> startedAt;
};

struct ExactResult {
  ExactStatus status = ExactStatus::Infeasible;
  bool hasSolution = false;
  std::vector<int> cells;  // new cells chosen, ascending (fixed cells not included)
  // Minimum set: areas or cost of the new cells; coverage: taxa represented,
  // the fixed cells' taxa included.
  double objective = 0.0;
  // Proven bound on the objective: lower for the minimum set, upper for
  // coverage. Equal to the objective when optimal.
  double bound = 0.0;
  int areas = 0;        // new cells
  double cost = 0.0;    // their total cost
  int represented = 0;  // included taxa meeting their want (fixed cells included)
  double seconds = 0.0;
};

// Solves the programme: CBC with the cbc program's own default search
// (preprocessing, cuts, heuristics), started from the best of the given
// start sets and a greedy set. Coverage is solved in its stages; later ones
// only once the one before is proven.
ExactResult solveExact(const ExactProblem& problem, const ExactOptions& options = {});

// A lower bound on the minimum set's objective (areas or cost) found in
// time linear in the problem's size, for when the search stops before its
// own bound: the better of a dual-feasible covering bound and the taxa with
// pairwise disjoint units. 0 for coverage.
double quickLowerBound(const ExactProblem& problem);

// Relative gap between the objective and the bound, 0 when optimal.
double exactGap(const ExactResult& r);

// A cost as the programmes take it: one that is not finite or not positive
// counts as nothing.
inline double cleanCost(double c) { return std::isfinite(c) && c > 0.0 ? c : 0.0; }

// The status word of the report ("optimal", "stopped by the user", ...).
const char* exactStatusText(ExactStatus s);

}  // namespace zn
