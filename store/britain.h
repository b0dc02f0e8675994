// The British 10 km grid: the master grid of land squares, its coastline and
// the rules in which the Britain-grid program differs from the world grid.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "store/gridtypes.h"
#include "store/workspace.h"

namespace zn {

struct Session;

constexpr int kBritainColumns = 80;
constexpr int kBritainRows = 125;
constexpr int kBritainGridSlot = 39;  // the last of the 40 grid-type slots
inline constexpr const char* kBritainGridName = "Britain 10km grid";
inline constexpr const char* kBritainGridCode = "britain0000";

// The Britain program keeps its master grid, coastline, location names and
// datafiles in one folder of the program folder.
std::filesystem::path britainFolder(const std::filesystem::path& home);

// Master grid index: entry (r - 1) * 80 + c holds the cell number of that
// square or 0. Parses the bytes of a master grid file; false when no square
// is marked.
bool parseMasterGrid(const std::string& data, std::vector<int>& index, int& cells);

// The Britain geometry and master index from the master grid file; false
// after a fatal message.
bool prepareBritainGeometry(Session& s);
// The land squares' cell records and neighbourhoods, once the stores are
// allocated; then the data folder and its location names.
void placeBritainCells(Session& s);

// Reads the Britain coastline: 32-bit point count and points; a point with
// x = 0 is a break in the line.
bool readBritainCoastline(Coastline& coast, const std::filesystem::path& file, const Geometry& geo);
void parseBritainCoastline(Coastline& coast, const std::string& data, const Geometry& geo);

// Loads the one grid type of the Britain program, refusing world data.
bool loadBritainGridType(Session& s);

// The map legend's two presence classes, chosen by the datafile's name.
std::pair<std::string, std::string> britainLegend(const std::string& fileName);

}  // namespace zn
