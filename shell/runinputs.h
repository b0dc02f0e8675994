// What each analysis reads of the session, read in one place: its data at
// the options' level and its parameters built from the options. The core
// analyses see only the data and their parameters; nothing here writes the
// session.
#pragma once

#include <string>
#include <vector>

#include "selection/curves.h"
#include "selection/exact.h"
#include "selection/flexibility.h"
#include "selection/greedy.h"
#include "selection/nearminimum.h"
#include "selection/randomsets.h"
#include "selection/selectionindex.h"
#include "selection/values.h"
#include "store/progress.h"
#include "store/session.h"

namespace zn {

// Cost optimisation is in force: the option is on and cost data exist.
bool exactByCost(const Session& s);
// The coverage question the options ask: by budget under cost
// optimisation, else by number.
ExactKind coverageKind(const Session& s);
// The request with the options' goal, seed and cost choices.
ExactRequest withOptions(const Session& s, ExactRequest request);

// The presence index of the session's datafile, counting no more units
// than the workspace has cells.
SelectionIndex selectionIndex(const Session& s);
// The same of data already read from the session, so that a run reading
// both reads the data once.
SelectionIndex selectionIndex(const Session& s, const AnalysisData& data);

// The analyses on the session's datafile (excluded data level) with the
// options, from its area set or `set`; nothing runs without a datafile.
GreedyResult growGreedySet(const Session& s, const AreaSet& start, const GreedyOptions& o, Feedback& feedback);
// From the cells' marks, with the session's report context where the
// request has none.
RunOutcome runMainRun(const Session& s, const RunRequest& request, AreaSet& areas, Feedback& feedback);
RandomSetsOutcome runRandomSets(const Session& s, const AreaSet& set, const RandomSetsParams& p, Feedback& feedback);
ExactProblem buildExactProblem(const Session& s, const ExactRequest& request);
ExactProblem buildExactProblem(const Session& s, const AreaSet& set, const ExactRequest& request);

// Refused (error set) while seed areas are loaded or a goal above 1 is
// chosen, since no column could honour them all alike.
CurveSet computeCurves(const Session& s, const CurveParams& p);

// Each taxon's sole area as the session's cards keep it.
std::vector<int> soleAreas(const Session& s);
// The fully flexible alternatives to `area` on the session's data, sole
// areas and cost choice.
std::vector<int> fullyFlexibleAlternatives(const Session& s, int area);
// True when the fully flexible map can be made: a near-minimum set is
// done, the set is not empty, re-ordering was by richness or rarity and
// the goal was 1.
bool fullyFlexibleApplies(const Session& s);
// True when a left click on the map shows the goal-essential taxa.
bool goalEssentialClickApplies(const Session& s);
// The taxa whose sole area the cell is, which the click on it (code 26)
// marks and maps; empty for a cell off the grid.
std::vector<int> goalEssentialTaxa(const Session& s, int cell);

// The values "Convert cost values" / "Convert threat values" take from the
// map's scores and score offset.
std::vector<double> valuesFromScores(const Session& s);
// The budget bounds over the cells that hold a taxon not yet in the area
// set, at the options' excluded level.
BudgetBounds budgetBounds(const Session& s);
// The "Automated area selection" dialogs with the session's set, costs and
// options.
BudgetModel openBudget(const Session& s);
NumberOfAreasModel openNumberOfAreas(const Session& s);

// The reports under the session's data line.
std::string curvesReport(const Session& s, const CurveSet& c);

}  // namespace zn
