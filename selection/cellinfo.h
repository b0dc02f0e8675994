// The lines that describe one cell after an area-selection analysis, shown
// at the top of the "List of biota" dialog of that cell.
#pragma once

#include <string>
#include <vector>

#include "store/session.h"

namespace zn {

// The cell's location name as the reports show it: at most 17 characters.
std::string locationName(const Session& s, int cell);

// "Area %d: %s", then the analysis lines for the measure on the map (none
// for a plain measure).
std::vector<std::string> cellInformationLines(const Session& s, int cell);

// Position 1 … count of the cell in the area set, or 0.
int areaPosition(const AreaSet& a, int cell);

}  // namespace zn
