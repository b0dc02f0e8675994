// Grid types (the map-definition file), the coastline, location names and the
// fixed neighbourhoods and coordinates of the world grid.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "store/workspace.h"

namespace zn {

constexpr int kMaxGridTypes = 40;
constexpr int kMaxCoastPoints = 2002;
constexpr int kGridTypeRecordSize = 1024;
constexpr int kLocationRecordSize = 20;
constexpr int kLocationNameLength = 17;

struct GridType {
  std::string name;                        // display name
  std::array<unsigned char, 32> subdir{};  // raw subdirectory field
  std::vector<std::int8_t> classes;        // background class of cell n at [n], n = 1 … 864
};

struct GridTypes {
  std::vector<GridType> types;  // at most 40
  int current = 0;
};

struct CoastPoint {
  std::int32_t x, y, mark;
};

struct Coastline {
  int countA = 0;                  // line points
  int countB = 0;                  // sea seed points
  std::vector<CoastPoint> points;  // converted to logical units, at most 2002
};

// Reads the map-definition file; false when it cannot be opened (no grid
// types). A short file keeps only the records it holds whole.
bool readMapDefinitions(GridTypes& types, const std::filesystem::path& file);
// Parses the bytes of a map-definition file.
void parseMapDefinitions(GridTypes& types, const std::string& data);

// Reads the coastline and converts it to logical units of the geometry.
bool readCoastline(Coastline& coast, const std::filesystem::path& file, const Geometry& geo);
void parseCoastline(Coastline& coast, const std::string& data, const Geometry& geo);

// Index of the first grid type whose subdirectory field matches s (lower
// case, with its trailing backslash), or -1.
int findGridType(const GridTypes& types, const std::string& s);

// True when s names one of the two world grids that show the coastline.
bool isWorldGridName(const std::string& s);

// Fills cell numbers, the 8 inner and 16 outer neighbours and the fixed
// longitudes and latitudes of the world grid.
void buildNeighbourhoods(Workspace& ws);

// Reads ZONARIUM.LOC from dir into the cells' names, creating the file with
// blank names when it does not exist.
void readLocationNames(Workspace& ws, const std::filesystem::path& dir);

// Longitude of the west edge of column c (1 … 36) and latitude of the north
// edge of row r (1 … 24) of the world grid; c = 37 and r = 25 give the far edges.
double worldColumnWest(int c);
double worldRowNorth(int r);

}  // namespace zn
