// The data interchange commands of the dispatcher: "Import data" (1200),
// which builds a new datafile and opens it, and "Export data" (1600).
#pragma once

namespace zn {

class Shell;

// Connects the two commands; called once from the Shell's constructor.
void connectInterchangeDataCommands(Shell& shell);

}  // namespace zn
