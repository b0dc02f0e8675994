// The GIS commands of the dispatcher: "Import GBIF occurrences..." (41200)
// in the DataBase menu, which builds a new datafile from a GBIF download and
// opens it, and "Export map to GIS..." (41700) in the MapGraphics menu.
#pragma once

namespace zn {

class Shell;

// Connects the two commands; called once from the Shell's constructor.
void connectGisCommands(Shell& shell);

}  // namespace zn
