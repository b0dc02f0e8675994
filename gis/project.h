// A project: the units of any grid or polygon layer, the taxa and who occurs
// where, kept in one GeoPackage file that QGIS and R open as it is. The
// units layer holds each unit's outline with its id, name, cost and status;
// the taxa are an attribute table; the occurrences are one row per taxon
// with its units (and amounts) packed in blobs, so that tens of millions of
// pairs load in seconds; the grid definition is a key-value table.
//
// A regular grid keeps its geometry implicit: cells are numbered from the
// north-west corner of the extent, row by row, and only cells that hold data
// are stored as units.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/dataset.h"

class OGRGeometry;

namespace zn {

// The file format version this program writes; newer files are refused.
constexpr int kProjectVersion = 1;

struct GridDefinition {
  enum class Kind { Regular, Polygons };
  Kind kind = Kind::Regular;
  int epsg = 4326;          // the CRS of the units
  bool geographic = true;   // degrees of longitude and latitude, else metres
  double cellSize = 1.0;    // the cell width in CRS units (regular grids)
  double cellHeight = 0.0;  // the height of a rectangular cell; 0 for square cells and hexagons
  bool hex = false;         // pointy-top hexagons in rows, odd rows shifted east by half a cell
  double west = -180.0, south = -90.0, east = 180.0, north = 90.0;  // extent in CRS units
  long long columns = 360, rows = 180;

  long long cellCount() const { return columns * rows; }
  double height() const { return cellHeight > 0 ? cellHeight : cellSize; }
  // The cell (1 … cellCount) holding the point, 0 outside the grid.
  long long cellAt(double x, double y) const;
  // The centre and the outline (closed ring, first point repeated) of a cell.
  void centre(long long cell, double& x, double& y) const;
  std::vector<std::pair<double, double>> outline(long long cell) const;
  // The cells that share an edge with this one (4 squares, 6 hexagons),
  // those inside the grid only; and the length of the edge a cell shares
  // with its neighbour in the same row, or in another row.
  std::vector<long long> edgeNeighbours(long long cell) const;
  double edgeLength(bool sameRow) const;
};

// "1deg", "0.5deg", "50km", "10km", "500m": the size in degrees or metres;
// "96486.27x96514.96m": a rectangle, its width then its height.
struct CellSize {
  double value = 0.0;
  bool degrees = false;
  double height = 0.0;  // 0: square
};
std::optional<CellSize> parseCellSize(const std::string& text);

// A regular grid over the extent (or, without one, the CRS's area of use),
// snapped outwards to whole cells counted from the CRS origin, so that
// grids of one size and CRS line up. Empty error when made.
struct GridRequest {
  CellSize size;
  std::optional<int> epsg;                    // else EPSG:4326 for degrees, EPSG:6933 (equal area) for lengths
  std::optional<std::vector<double>> extent;  // W,S,E,N in the CRS's units
  bool hex = false;
};
GridDefinition makeRegularGrid(const GridRequest& request, std::string& error);

struct Project {
  GridDefinition grid;
  Dataset data;
  bool amounts = false;  // occurrences carry amounts, not only presences
  // Polygon units: each unit's outline as WKB in the grid's CRS, unit n at
  // outlines[n - 1]; empty for regular grids, whose outlines follow from
  // the definition and each unit's id (its cell number).
  std::vector<std::vector<unsigned char>> outlines;
};

// The project's own tables, and GeoPackage's and SQLite's bookkeeping: no
// result layer takes their names, and a rewrite makes them anew.
bool projectOwnTable(const std::string& name);

// What a rewrite does with the layers of the file it replaces that are not
// the project's own (result layers, the user's tables): copies them across,
// or drops them with the old project (a new project in its place).
enum class OtherLayers { Keep, Drop };

// Writes the project under a temporary name beside `path` and renames it
// into place, so a failed or killed write leaves the old file as it was.
// Empty when written, else why not.
std::string writeProject(const std::filesystem::path& path, const Project& project,
                         OtherLayers others = OtherLayers::Keep);

// A polygon unit's outline as the project holds it (a multipolygon); none
// where it is missing or cannot be read, and for a regular grid's cells.
std::unique_ptr<OGRGeometry> storedOutline(const Project& p, int n);

// Told what reading has reached, now and then; false stops the reading.
using ReadNote = std::function<bool(const std::string&)>;

// Reads a project; a file that is not one of ours, from a newer version, or
// whose tables contradict each other is refused with the reason. A reading
// that `note` stopped gives nothing with `error` empty.
std::optional<Project> readProject(const std::filesystem::path& path, std::string& error,
                                   const ReadNote& note = {});

// True when the file is a GeoPackage (by its SQLite header and extension).
bool looksLikeProject(const std::filesystem::path& path);

// The units of a polygon layer as a new project: `idField` (else the
// feature ids), `costField` (else 1), `statusField` (else free); the CRS of
// the layer, or `epsg` when the layer has none. Invalid outlines are made
// valid (GEOS); empty ones, and duplicate or missing ids, are refused with
// the feature named. Units that share a boundary are neighbours, with the
// length of the shared boundary.
struct UnitsRequest {
  std::string layerFile;
  std::string idField, costField, statusField;
  std::optional<int> epsg;
};
std::optional<Project> projectFromUnits(const UnitsRequest& request, std::string& error);

// Rows of a long table (CSV with a header): a `taxon` column, then `unit`
// (an id of the units layer), or `x`,`y` (in the project's CRS), or
// `lon`,`lat` (WGS 84, transformed), and optionally `amount`.
struct AddSummary {
  long long rows = 0;
  long long placed = 0;    // occurrences added (a row in two overlapping units counts twice)
  long long overlaps = 0;  // rows that fell in more than one unit
  long long newTaxa = 0;
  long long newUnits = 0;                               // regular-grid cells that received their first record
  std::vector<std::pair<std::string, long long>> lost;  // reason, rows (in the order first met)
  std::string text() const;                             // the summary lines the tool prints
  // Asked with the rows met so far every few thousand rows while adding;
  // false stops the add by throwing AddStopped (the project is then half
  // made and must be dropped).
  std::function<bool(long long rows)> keepGoing;
};
struct AddStopped {};
bool addTable(Project& project, const std::string& tableFile, AddSummary& summary, std::string& error);

// Adds occurrences to a project row by row: the units under a point or of
// an id (a regular grid's cell becomes a unit with its first record), the
// taxon of a name (made on first sight), the rows lost with their reasons;
// finish() rebuilds the occurrence lists and a regular grid's neighbours.
class OccurrenceAdder {
 public:
  OccurrenceAdder(Project& project, AddSummary& summary);
  ~OccurrenceAdder();
  OccurrenceAdder(const OccurrenceAdder&) = delete;
  OccurrenceAdder& operator=(const OccurrenceAdder&) = delete;

  // Points come in EPSG:N (4326: longitude and latitude), not in the
  // project's CRS; false, with the reason, when PROJ cannot transform them.
  bool pointsIn(int epsg, std::string& error);
  // Finds the units of the next row; empty when found, else why not. A
  // point in overlapping units is counted in each.
  std::string atPoint(double x, double y);
  std::string withId(long long id);
  // The row's taxon occurs in the units just found.
  void add(std::string_view name, std::string_view genus, std::string_view family, double amount);
  void lose(const std::string& reason);
  void finish(bool withAmounts);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The info lines of a project, as the tool prints them.
std::string projectInfo(const Project& project);

}  // namespace zn
