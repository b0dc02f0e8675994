// The "List of biota" of a project's unit and the mouse on a project's map:
// a left double-click lists the unit's taxa in the dialog cells use, a
// right double-click takes the unit into the area set or out of it. The
// tool's `cell` prints the same list from the same function.
#pragma once

#include <string>

#include "shell/celllist.h"
#include "shell/projectscreen.h"

namespace zn {

class Shell;

// The unit numbered `unit` (1 …) as the dialog opens on it: "Unit ID: name",
// the place of the unit, its position in the area set, then one line per
// taxon present (its full name; "(name)" where the area set already holds
// it; "- range" with range sizes; ": amount" where the project keeps
// amounts), grouped in the project's order of taxa or sorted by name, and
// the counts line as for a datafile's cell.
CellListModel openUnitList(const ProjectScreen& p, const Settings& st, int unit, bool smallScreen);

// The unit numbered by the project's id, 0 where no unit has it.
int unitOfId(const ProjectScreen& p, long long id);

// The double-clicks on a project's map (unit 0: off the units, nothing).
void projectDoubleClick(Shell& shell, int unit, bool left);

}  // namespace zn
