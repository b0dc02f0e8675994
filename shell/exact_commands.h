// The exact area sets of the dispatcher: "Exact minim&um set" (40050) and
// "Exact maximum co&verage" (40051). Each solves its integer programme
// within the Tools options time limit behind a progress box that can stop
// it, puts the set on the map ranked by richness and appends its report.
#pragma once

namespace zn {

class Shell;

// Connects the two commands; called at the end of connectSelectionCommands.
void connectExactCommands(Shell& shell);

}  // namespace zn
