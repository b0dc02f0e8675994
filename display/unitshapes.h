// Where the units of any grid lie, as the map draws them: a regular
// lattice's cells or polygon outlines, and the basemap's coast, all in the
// grid's coordinate reference system. Plain data: the GIS side fills it
// from a project, the map draws it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "display/classing.h"
#include "store/unitgeometry.h"

namespace zn {

// A line of the graticule: a meridian or a parallel at `degrees`, in
// pieces where it leaves the map or cannot be transformed.
struct GraticuleLine {
  bool meridian = true;
  double degrees = 0.0;
  std::vector<std::vector<CrsPoint>> pieces;
};

// What a length on the map means: nothing (degrees, or a projection whose
// scale varies across the map), the same everywhere (a local projection),
// or only along the equator (a world map on a cylindrical or
// pseudo-cylindrical projection).
enum class MapScale { None, True, AtEquator };

// Where the units lie, in the coordinate reference system of the grid.
struct UnitMapShapes {
  bool geographic = true;  // degrees of longitude and latitude, else metres
  CrsBox extent;           // what the map shows
  MapScale scale = MapScale::None;
  double metresPerUnit = 1.0;  // ground metres per CRS unit where the scale holds

  // A regular grid: unit n is the cell cellOf[n] (1 … columns x rows, row
  // by row from the north-west corner) of this lattice.
  struct Lattice {
    double west = 0.0, north = 0.0, size = 1.0;
    long long columns = 0, rows = 0;
    bool hex = false;     // pointy-top hexagons, odd rows shifted east by half a cell
    double height = 0.0;  // rectangular cells this tall; 0: square
    double rowHeight() const { return height > 0 ? height : size; }
  };
  std::optional<Lattice> lattice;
  std::vector<long long> cellOf;  // entry 0 unused

  // Polygon units: the rings (outer, then holes; each closed or not) of
  // unit n at rings[n - 1].
  std::vector<std::vector<std::vector<CrsPoint>>> rings;

  // The basemap's coast as polylines in the grid's CRS.
  std::vector<std::vector<CrsPoint>> coast;

  // Meridians and parallels at round steps over the extent.
  std::vector<GraticuleLine> graticule;

  // The unit under a point of the CRS, 0 where none is; empty where the
  // shapes were made without one.
  std::function<int(double x, double y)> unitAt;

  int units() const { return lattice ? static_cast<int>(cellOf.size()) - 1 : static_cast<int>(rings.size()); }
  // The outline of unit n as rings (a lattice cell's square or hexagon).
  std::vector<std::vector<CrsPoint>> outline(int n) const;
};

// What is drawn on the units.
struct UnitMapLayer {
  std::string title;
  std::vector<double> score;  // per unit, entry 0 unused; 0: no value
  std::vector<int> count;     // per unit; counts of taxa, or 0
  std::vector<char> inSet;    // per unit: in the area set (outlined); may be empty
  bool counts = false;
  // How the scores fall into the ramp's classes.
  ClassingInput classing{8, kEqualInterval, false, 0.0, false};  // the scores are counts: whole-number key labels
};

}  // namespace zn
