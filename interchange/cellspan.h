// The longitude span of a grid cell for the scores files. A world-grid
// column that starts at 180 degrees ends at -170: its east edge is below
// its west edge because the cell crosses the 180th meridian. Such a cell
// spans west ... east + 360, and a longitude belongs to it either as
// read or one turn further east.
#pragma once

#include "store/workspace.h"

namespace zn {

inline bool crossesDateLine(const GridCell& c) { return c.lonEast < c.lonWest; }

// Eastern edge on the cell's own side of the meridian.
inline double unwrappedEast(const GridCell& c) { return crossesDateLine(c) ? c.lonEast + 360.0 : c.lonEast; }

// Centre longitude in -180 ... 180.
inline double centroidLongitude(const GridCell& c) {
  const double mid = (c.lonWest + unwrappedEast(c)) / 2.0;
  return mid > 180.0 ? mid - 360.0 : mid;
}

inline double centroidLatitude(const GridCell& c) { return (c.latNorth + c.latSouth) / 2.0; }

// West edge inclusive, east edge exclusive; south inclusive, north exclusive.
inline bool cellHoldsPoint(const GridCell& c, double lon, double lat) {
  if (!(c.latSouth <= lat && lat < c.latNorth)) return false;
  const double east = unwrappedEast(c);
  return (c.lonWest <= lon && lon < east) || (crossesDateLine(c) && c.lonWest <= lon + 360.0 && lon + 360.0 < east);
}

}  // namespace zn
