// The scores commands of the dispatcher: "E&xport scores" (1700) and
// "I&mport scores" (1300).
#pragma once

#include "shell/host.h"

namespace zn {

class Shell;
struct Session;

// "Import scores": the open dialog, then the file. True when it was read.
bool importScores(Session& s, Host& host);

// "Export scores": the dialog "DEXSDLGBOX", the save dialog, the file.
// Does nothing when no cell is occupied. True when a file was written.
bool exportScores(Session& s, Host& host);

// Connects both commands; the dispatcher calls it once when it is made.
void connectScoresCommands(Shell& shell);

// "Import scores" as the menu runs it: clears every score, reads the file
// chosen in the open dialog and, on success, puts imported scores on the
// map: classed and drawn, or for a three-axis file the three-axis palette
// and the "3D Map drawing options" window. False when nothing was read.
bool importScoresCommand(Shell& shell);

}  // namespace zn
