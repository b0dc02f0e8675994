// The status bar's readout of the cell under the pointer.
#pragma once

#include <string>

namespace zn {

struct Session;

// "cell N  name  span  score S  count C" for cell n: the span is the cell's
// longitudes and latitudes on the world grids; on the Britain grid the name
// is the 10 km square's reference. Empty off the cells.
std::string cellReadout(const Session& s, int n);

}  // namespace zn
