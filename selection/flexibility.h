// How replaceable the areas of a near-minimum set are: the map of fully
// flexible areas (code 40) and the goal-essential taxa of a clicked area
// (code 26). Both read the sole area each taxon was given by the run.
#pragma once

#include <optional>
#include <vector>

#include "store/notice.h"
#include "store/session.h"

namespace zn {

// The cells that could take the place of area a: those holding the most
// included taxa whose sole area is a (a among them); under cost
// optimisation only cells of a's cost. Empty when a is the sole area of no
// taxon.
std::vector<int> fullyFlexibleAlternatives(const Session& s, int area);

// True when the fully flexible map can be made: a near-minimum set is
// done, the set is not empty, re-ordering was by richness or rarity and
// the goal was 1.
bool fullyFlexibleApplies(const Session& s);

// Code 40 on the map: each group of interchangeable cells shares one score,
// distinct per group and lower for larger groups; areas no cell can
// replace score highest. Returns the top score (0 when it does not apply,
// the map then unchanged).
int mapFullyFlexibleAreas(Session& s);

// The menu command: refuses ("No areas have been selected yet.", returned
// in `refusal`) until a near-minimum set is done. True when a cell scores.
bool runMapFullyFlexible(Session& s, std::optional<Notice>& refusal);

// True when a left click on the map shows the goal-essential taxa.
bool goalEssentialClickApplies(const Session& s);

// The click on a cell: code 26, the taxa whose sole area it is are marked
// and mapped. Returns their number.
int showGoalEssentialTaxa(Session& s, int cell);

}  // namespace zn
