// A project's units and basemap in the form the map draws them: a regular
// grid as its lattice and each unit's cell, polygon units as their rings,
// and the shipped world coastline transformed into the project's CRS.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "display/unitshapes.h"
#include "gis/project.h"

namespace zn {

// The shapes of the project's units, the extent of its units with a
// margin of a twentieth, and the coast read from `coastFile` (polylines of
// longitude and latitude: a line starting with '>' starts a new one) within
// that extent; a coast that cannot be read or transformed leaves the map
// without one.
UnitMapShapes projectShapes(const Project& project, const std::filesystem::path& coastFile);

// Polylines of longitude and latitude in the coastline file's text form.
std::vector<std::vector<CrsPoint>> readCoastPolylines(const std::filesystem::path& file);

// The polylines in EPSG:epsg, cut where a point cannot be transformed or
// falls outside `within`, and where a line jumps across the map (the 180th
// meridian), so no segment crosses the map that the coast does not follow.
std::vector<std::vector<CrsPoint>> coastIn(const std::vector<std::vector<CrsPoint>>& lonLat, int epsg,
                                           const CrsBox& within);

// The shipped coastline of the program folder.
std::filesystem::path basemapCoastFile(const std::filesystem::path& home);

}  // namespace zn
