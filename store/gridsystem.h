// The two grids the program runs on, the 36 x 24 world grid and the British
// 10 km grid, as one object each: everything in which they differ (geometry,
// cards, datafile header, coastline, grid types, neighbourhoods, cell access)
// is asked of the session's grid system instead of being branched on.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "store/gridtypes.h"
#include "store/unitgeometry.h"
#include "store/workspace.h"

namespace zn {

// The coastline outline a map draws.
enum class CoastOutline { kNone, kWorld, kBritain };

struct Session;

enum class GridVariant { World, Britain };

// "world" or "britain", as the tool's --grid option takes them.
std::optional<GridVariant> gridVariantNamed(const std::string& name);

class GridSystem {
 public:
  virtual ~GridSystem() = default;

  // The desktop program's name on this grid.
  virtual const char* programName() const = 0;

  // Cards and the datafile header.
  virtual const CardLayout& cards() const = 0;
  // Taxa a datafile can hold: as many as its header can count.
  virtual int maxTaxa() const = 0;
  // The header: the taxa count (clamped to 0 … maxTaxa) and the title in 32
  // bytes, NUL-filled, at most 31 characters.
  std::string headerImage(int count, const std::string& title) const;
  // The count field of the header, for a count within 0 … maxTaxa.
  virtual std::string countImage(int count) const = 0;
  // The taxa count of a header; nothing when the bytes are too few.
  virtual std::optional<int> headerCount(const unsigned char* p, std::size_t size) const = 0;
  // Data levels of a presence (not quantitative) datafile.
  virtual int presenceLevels() const = 0;

  // Workspace allocation, around the stores every grid allocates alike:
  // the geometry first (false after a fatal message), then the cell records
  // once the stores exist.
  virtual bool prepareGeometry(Session& s) const = 0;
  virtual void placeCells(Session& s) const = 0;

  // The coastline file, its reader and the outline it gives the session.
  virtual std::filesystem::path coastFile(const std::filesystem::path& home) const = 0;
  virtual bool readCoastline(Coastline& coast, const std::filesystem::path& file, const Geometry& geo) const = 0;
  virtual CoastOutline coastOutline() const = 0;

  // Loads the grid type of the datafile chosen in the workspace.
  virtual bool loadGridType(Session& s) const = 0;
  // The grid folder named as an example of where datafiles lie.
  virtual std::string exampleFolder() const = 0;
  // The folder an open dialog starts in, when the grid keeps all its data
  // in one folder.
  virtual std::optional<std::filesystem::path> dataFolder(const std::filesystem::path& home) const = 0;
  // The grid a datafile folder belongs to (folders that hold the same grid
  // give one key).
  virtual std::string gridKey(const std::string& subdir) const = 0;

  // Areas the preselection can exclude.
  virtual int excludedAreaCapacity() const = 0;
  // Cells carry longitudes and latitudes (else they are map squares in
  // metres of a national grid, the EPSG code says which).
  virtual bool geographic() const = 0;
  virtual int epsg() const = 0;
  // Areas are named by their grid references in text lists.
  virtual bool namesAreasByReference() const = 0;
  // Records given by coordinates can be imported.
  virtual bool importsCoordinates() const = 0;
  // DMAP files can be read and written.
  virtual bool readsDmap() const = 0;
  // Grid types other than the whole grid can be loaded (and framed).
  virtual bool regionalGrids() const = 0;
  // The fine grid is dense: the option defaults draw it as spots.
  virtual bool denseFineGrid() const = 0;

  // The units' places on this grid, read from the workspace's cells.
  virtual std::unique_ptr<UnitGeometry> unitGeometry(const Workspace& ws) const = 0;
};

const GridSystem& gridSystem(GridVariant variant);

// The two fixed grids' geometries over a workspace's cells.
std::unique_ptr<UnitGeometry> worldGeometry(const Workspace& ws);
std::unique_ptr<UnitGeometry> britainGeometry(const Workspace& ws);

// Cell access by frame square, the same on both grids: cells in reading
// order, or through the master index where a grid numbers only its land
// squares. 0 outside the frame, on sea and past a short index.
int cellOfSquare(const Workspace& ws, int column, int row);
// The 8 inner and 16 outer neighbours of the cell at square (column, row),
// 0 past the frame's edges (columns never wrap) and where no cell is.
void linkNeighbours(const Workspace& ws, GridCell& cell, int column, int row);

}  // namespace zn
