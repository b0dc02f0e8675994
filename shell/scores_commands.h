// The scores commands of the dispatcher: "E&xport scores" (1700) and
// "I&mport scores" (1300).
#pragma once

namespace zn {

class Shell;

// Connects both commands; the dispatcher calls it once when it is made.
void connectScoresCommands(Shell& shell);

// "Import scores" as the menu runs it: clears every score, reads the file
// chosen in the open dialog and, on success, puts imported scores on the
// map: classed and drawn, or for a three-axis file the three-axis palette
// and the "3D Map drawing options" window. False when nothing was read.
bool importScoresCommand(Shell& shell);

}  // namespace zn
