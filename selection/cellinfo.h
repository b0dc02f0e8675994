// What a cell's line in a listing names: its location name and its place in
// the area set.
#pragma once

#include <string>
#include <vector>

#include "store/workspace.h"

namespace zn {

// The cell's location name as the reports show it: at most 17 characters.
std::string locationName(const Workspace& ws, int cell);

// Position 1 … count of the cell in the area set, or 0.
int areaPosition(const AreaSet& a, int cell);

}  // namespace zn
