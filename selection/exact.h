// Exact area sets: the programme built from the data, the request and the
// area set, and the run that leaves its set, scores and report as the other
// selections do.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "selection/areaset.h"
#include "selection/exactmodel.h"
#include "selection/nearminimum.h"
#include "selection/report.h"
#include "store/analysisdata.h"

namespace zn {

// What a selection may add (N areas or a budget, the coverage kinds) and
// what the options ask of it.
struct ExactRequest {
  ExactKind kind = ExactKind::MinimumSet;
  int areasToAdd = 0;
  double budget = 0.0;
  int goal = 1;               // presences wanted per taxon (minimum set only)
  bool includeSeeds = false;  // the optimum may replace the set's areas
  bool byCost = false;        // the minimum set minimises cost (cost data present)
  int capacity = kAreaCapacity;
};

// Builds the programme from any data: taxa in the group, not excluded, with
// at least one unit, each wanting min(goal, range size) presences for the
// minimum set and one for coverage; the columns are the free units of the
// taxa that still want some, at cost a.unitCost. The areas of the set stay
// fixed unless the request includes seeds, in which case the optimum
// replaces them. Time and memory grow with units + occurrences.
ExactProblem buildExactProblem(const AnalysisData& a, const AreaSet& set, const ExactRequest& request);

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
  std::vector<std::string> notes;  // what a tool run must be told: a time limit that ran out

  // The report of the set ranked by richness: under its title, the
  // solver's lines closing the summary.
  ReportFacts facts() const;
  // Without a set: the RESULTS header, the title and the solver's lines.
  std::string unsolvedReport(const std::string& header) const;
};

// An exact set in the one form both kinds of data run: the run reads the
// data, the options and the set it starts from, and returns the set with
// its title and the solver's lines; the caller ranks it by richness, puts
// it on screen and reports it.
struct ExactRunParams {
  const Settings& settings;          // goal, seeds, cost optimisation and the quick set's options
  AreaSet start = {};                // the set on screen; a project starts from none
  std::vector<CellMark> marks = {};  // the unit records' marks the quick set aside starts from
  MeasureCode mapCode = kCodeNone;   // the analysis that left the start set on the map
  ExactKind kind = ExactKind::MinimumSet;
  int areas = 0;        // coverage by number: the areas to add
  double budget = 0.0;  // coverage by budget
  bool costs = false;   // the data carry costs: optimisation by cost, a cost column
  int capacity = kAreaCapacity;
  double timeLimitSeconds = 60.0;
  long long workLimit = 0;  // search nodes per stage, 0: none
  // The progress box's text so far; false stops the search.
  std::function<bool(const std::string&)> progress = {};
};

// `x` is SelectionIndex(data) or an index of the same data the caller keeps.
using ExactRunFn = ExactSetOutcome (*)(const AnalysisData& data, const SelectionIndex& x, const ExactRunParams& params);

// The exact minimum set or maximum coverage from the area set `start` on any
// data; nothing else is changed.
//
// A set a selection run left (the near-minimum or coverage set, also behind
// the flexibility plot a click on its map shows, or an earlier exact set)
// gives way: the run starts from the seeds that set was made on. The
// near-minimum (for the minimum) or near-maximum-coverage set (for coverage)
// is also the quick answer the report compares with. Otherwise every area of
// the set stays as a seed unless the request includes seeds. The quick
// answer (the one on the map, or the near-minimum or coverage run of the same
// options computed aside on the same seeds) is the
// solver's first incumbent, and the time limit counts from the call.
//
// The set is the seeds and the chosen units (only the seeds when no set was
// found), for the caller to rank by the richness re-ordering and report
// under the title, the solver's status, objective, bound, gap, time and the
// comparison closing the summary.
ExactSetOutcome exactSetRun(const AnalysisData& data, const SelectionIndex& x, const ExactRunParams& params);

// The near-minimum or coverage run that gives an exact run its quick set
// aside, with `settings` and the problem's fixed cells as seeds (put into
// `start`, the set the run grows): the near-minimum set, or the coverage
// set for the number of areas or the budget.
RunRequest quickSetRequest(const Settings& settings, bool costPresent, const ExactProblem& p, AreaSet& start);

// The text of the progress box: best set and bound so far, stage, time.
std::string exactProgressText(ExactKind kind, bool byCost, const ExactProgress& p, double limitSeconds);

}  // namespace zn
