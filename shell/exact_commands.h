// The exact area sets of the dispatcher: "Exact minim&um set" (40050) and
// "Exact maximum co&verage" (40051). Each solves its integer programme
// within the Tools options time limit behind a progress box that can stop
// it, puts the set on the map ranked by richness and appends its report.
#pragma once

#include <string>

#include "selection/exact.h"

namespace zn {

class Shell;

// The exact set on screen: without a set found, the seeds alone and no
// scores; else the seeds and the chosen cells, both shown, with no sole
// areas or flexibility classes of their own, ranked, scored and reported as
// "Re-order set by richness" does under the exact set's title, the
// solver's lines closing the summary. Returns the report.
std::string placeExactSet(Session& s, const ExactSetOutcome& e);

// Connects the two commands; called at the end of connectSelectionCommands.
void connectExactCommands(Shell& shell);

}  // namespace zn
