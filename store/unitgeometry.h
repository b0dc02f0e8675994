// What a map, a hit test, a smoothing pass, a GIS file or a location line
// needs to know of a unit's place: its rectangle on the map frame, its
// extent, outline and centroid in the grid's coordinate reference system,
// the units around it and its name. The grids implement it; their users ask
// it instead of reading cell corners, spans or neighbour lists.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zn {

struct Workspace;
struct Session;

// A rectangle of the map frame in its drawing units: left and top edges
// inside, right and bottom edges outside.
struct MapBox {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int width() const { return x1 - x0; }
  int height() const { return y1 - y0; }
};

// A rectangle in the coordinate reference system: longitudes and latitudes
// in degrees on a geographic one (where a unit across the 180th meridian
// has its east edge below its west edge), else eastings and northings.
struct CrsBox {
  double west = 0.0, south = 0.0, east = 0.0, north = 0.0;
};

struct CrsPoint {
  double x = 0.0, y = 0.0;
};

class UnitGeometry {
 public:
  virtual ~UnitGeometry() = default;

  // Units are numbered 1 … unitCount().
  virtual int unitCount() const = 0;
  bool holds(int n) const { return n >= 1 && n <= unitCount(); }

  // The unit's rectangle on the map frame; nothing for a number that names
  // no unit.
  virtual std::optional<MapBox> bounds(int n) const = 0;
  // The unit under a point of the map frame, 0 where none is.
  virtual int unitAt(int x, int y) const = 0;

  // The coordinate reference system of extents, outlines and centroids.
  virtual int epsg() const = 0;
  virtual bool geographic() const = 0;
  // The unit's extent as the grid holds it, whatever its values.
  virtual std::optional<CrsBox> extent(int n) const = 0;
  // The unit's outline as boxes that never cross the 180th meridian (two
  // for a unit across it); none when its extent is not a finite rectangle.
  virtual std::vector<CrsBox> outline(int n) const = 0;
  // The centre of the unit's extent (longitudes within -180 … 180); nothing
  // when the extent is not finite.
  virtual std::optional<CrsPoint> centroid(int n) const = 0;
  // The first unit in number order whose outline holds the point (west and
  // south edges inside, east and north edges outside), 0 where none does.
  virtual int unitAtPoint(double x, double y) const = 0;

  // The units k steps out from unit n (k = 1: the ring of 8 around it,
  // k = 2: the ring of 16 around those), each ring in reading order, those
  // past the grid's edges or on no unit left out.
  virtual void ring(int n, int k, std::vector<int>& out) const = 0;

  // The unit's location name, blanks at either end removed.
  virtual std::string name(int n) const = 0;
};

// The geometry of the session's grid over its workspace, valid while the
// workspace's cells stay as they are.
std::unique_ptr<UnitGeometry> unitGeometry(const Session& s);

}  // namespace zn
