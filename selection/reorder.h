// Re-ordering an area set without changing its content: by the taxa each
// area adds (in successive representation passes, or once by richness or
// rarity weight), and by threat.
#pragma once

#include <vector>

#include "selection/selectionindex.h"
#include "store/session.h"

namespace zn {

// "Re-order set by richness": the non-seed areas in successive passes, each
// position taking the area that adds most included taxa not present in the
// areas since the pass started (first in the previous order on ties); a pass
// ends once every taxon with records is present. Clears every cell's score
// and count, then gives each placed area its value as score and its position
// as count. Areas that add nothing follow in their previous order.
void reorderByRichnessPasses(Session& s, const SelectionIndex& x);

// The near-minimum set's re-ordering by richness or rarity: each position
// takes the area whose included taxa not present in any earlier position
// (seeds included) weigh most, `weight` per taxon, divided by the area's
// cost when `costs` is given (first in the previous order on ties). Areas
// that add nothing keep their previous order at the end.
void reorderByGain(AreaSet& set, const SelectionIndex& x, const std::vector<double>& weight,
                   const std::vector<double>* costs);

// "Re-order set by threat": the non-seed areas by decreasing threat, the
// previous order kept among equals. Scores are left alone.
void reorderByThreat(Session& s);

}  // namespace zn
