// The window's commands on a project: "Open project..." puts a project on
// screen in place of the datafile's map, and while one is there the menus'
// analyses run on its units where their traits fit.
#pragma once

#include "shell/command.h"

namespace zn {

class Shell;

void connectProjectCommands(Shell& sh);

// With a project on screen, runs an analysis command on it and returns
// true; false for any other command or with no project on screen.
bool runOnProject(Shell& sh, Command c);

}  // namespace zn
