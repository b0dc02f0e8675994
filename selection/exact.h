// Exact area sets as analyses of the session: the programme built from the
// datafile, the options and the area set, and the run that leaves its set,
// scores and report as the other selections do.
#pragma once

#include <string>
#include <vector>

#include "selection/exactmodel.h"
#include "store/session.h"

namespace zn {

// What a selection may add: N areas or a budget (the coverage kinds).
struct ExactRequest {
  ExactKind kind = ExactKind::MinimumSet;
  int areasToAdd = 0;
  double budget = 0.0;
};

// Cost optimisation is in force: the option is on and cost data exist.
bool exactByCost(const Session& s);

// The coverage question the session's options ask: by budget under cost
// optimisation, else by number.
ExactKind coverageKind(const Session& s);

// Builds the programme from the session: included taxa with records (group
// code, excluded data level, excluded taxa; excluded areas hold no records),
// each wanting min(goal, range size) presences for the minimum set and one
// for coverage; the areas of the set stay fixed unless "include seed areas"
// is on, in which case the optimum replaces them.
ExactProblem buildExactProblem(const Session& s, const ExactRequest& request);
// The same with the areas of `set` in place of the session's.
ExactProblem buildExactProblem(const Session& s, const AreaSet& set, const ExactRequest& request);

// ---------------------------------------------------------------------------
// The exact sets as area-selection analyses: the shell's commands 40050 and
// 40051 and `zonarium select exact-minimum|exact-coverage`.

// The quick set an exact run is judged against: the near-minimum or
// near-maximum-coverage set that is on the map when the run starts.
struct QuickSet {
  bool present = false;
  ExactKind kind = ExactKind::MinimumSet;
  int areas = 0;           // its non-seed areas
  int represented = 0;     // included taxa with records that it meets
  double cost = 0.0;       // cost of its non-seed areas
  std::vector<int> cells;  // the non-seed areas of the set on the map (also when not comparable)
};

struct ExactSetOutcome {
  bool ran = false;
  ExactResult result;
  QuickSet quick;
  bool capacityReached = false;  // no set within the capacity meets every goal
  std::vector<int> cells;        // the set it leaves: the seeds, then the cells chosen
  int seedCount = 0;
  std::string title;        // the analysis title of the report
  std::string solverLines;  // the solver's lines that close the report's summary
};

// Runs an exact set from the area set `set` on the session's data with the
// options of the settings record (goal, seeds, cost); the session is not
// changed.
//
// A set a selection run left (the near-minimum or coverage set, also behind
// the flexibility plot a click on its map shows, or an earlier exact set)
// gives way: the run starts from the seeds that set was made on. The
// near-minimum (for the minimum) or near-maximum-coverage set (for coverage)
// is also the quick answer the report compares with. Otherwise every area of
// the set stays as a seed unless "include seed areas" is on. The quick
// answer (the one on the map, or one computed aside on the same seeds) is the
// solver's first incumbent, and the time limit counts from the call.
//
// The set is the seeds and the chosen cells (only the seeds when no set was
// found), for the caller to rank by the richness re-ordering and report
// under the title, the solver's status, objective, bound, gap, time and the
// comparison closing the summary.
ExactSetOutcome runExactSet(const Session& s, const AreaSet& set, const ExactRequest& request,
                            const ExactOptions& options);

// The text of the progress box: best set and bound so far, stage, time.
std::string exactProgressText(ExactKind kind, bool byCost, const ExactProgress& p, double limitSeconds);

}  // namespace zn
