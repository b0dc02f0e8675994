// The near-minimum family as the window and the tool run it on a session:
// the run parameters taken from the options (with the forcings the options
// keep), the analysis run on the session's data, and its result put on the
// map, into the area set and the cards, before the report is written.
#pragma once

#include <optional>
#include <vector>

#include "selection/flexibility.h"
#include "selection/nearminimum.h"
#include "selection/nearminimumrun.h"
#include "selection/values.h"
#include "store/notice.h"
#include "store/session.h"

namespace zn {

// Keeps in the options the goal, re-ordering and switches a run used, so
// that the title, the report and the options file show what was run.
void keepNearMinimumParams(Settings& st, const NearMinimumParams& p);

// Puts a main run's marks, sole areas, representation counts and statuses
// into the cells and cards, and the areas it shows into the options.
void applyMainRun(Session& s, const RunOutcome& run);

// What a coverage set is to reach; a near-minimum set ignores it.
struct CoverageGoal {
  bool byBudget = false;  // the budget, else the number of areas to add
  int areas = 0;
  double budget = 0.0;
};

// The run `grow` from the session's area set with the options, under
// `code`: its set, marks and parameters put into the session, then the
// representation report after the runs' own lines. Drawing and the fully
// flexible map are the caller's.
AnalysisOutcome applyNearMinimumRun(Session& s, MeasureCode code, NearMinimumRunFn grow, const SelectionEnv& env,
                                    const CoverageGoal& goal = {});

// One main run on the session's area set with the options, applied and
// finished as a measure (no measure code of its own, no report).
RunOutcome nearMinimumRun(Session& s, const SelectionEnv& env = {});

// "Near-minimum set": code 8, one main run, the representation report.
AnalysisOutcome runNearMinimumSet(Session& s, const SelectionEnv& env);

// "Near-maximum-coverage set" after its dialog: code 9, the coverage runs,
// the report. `byBudget` uses the budget, else the number of areas to add.
AnalysisOutcome runNearMaximumCoverage(Session& s, bool byBudget, int areasToAdd, double budget,
                                       const SelectionEnv& env);

// The map `map` reads from the near-minimum set on screen, with its sole
// areas and cost choice as the run left them, put on the map under `code`.
// Refuses ("No areas have been selected yet.", under `caption`) until a
// near-minimum set is done; returns the top score (0 when it does not
// apply, the map then unchanged).
int mapGrownSet(Session& s, MeasureCode code, GrownSetMapFn map, const std::string& caption,
                std::optional<Notice>& refusal);

// The click on a cell: code 26, the taxa whose sole area it is are marked
// and mapped. Returns their number.
int showGoalEssentialTaxa(Session& s, int cell);


// Area values put into the cells, with the cost flag kept (and cost
// optimisation switched off without cost data); see applyAreaValues.
bool useAreaValues(Session& s, ValueKind kind, const std::vector<double>& values,
                   std::optional<Notice>* missingNotice = nullptr);

// "Convert cost values" / "Convert threat values": the scores on the map
// become the values; then the map scores are cleared and no measure is on
// the map. Returns whether the data are present; without scores nothing
// (nullopt) is returned and `notice` says "No values are available."; a
// missing value leaves its notice there too.
std::optional<bool> convertScoresToValues(Session& s, ValueKind kind, std::optional<Notice>& notice);

}  // namespace zn
