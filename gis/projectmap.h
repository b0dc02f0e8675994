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
// longitude and latitude: a line starting with '>' starts a new one) and
// the graticule, both reaching an extent's width and height beyond it on
// every side (within the world for degrees); a coast that cannot be read or
// transformed leaves the map without one.
UnitMapShapes projectShapes(const Project& project, const std::filesystem::path& coastFile);

// Polylines of longitude and latitude in the coastline file's text form.
std::vector<std::vector<CrsPoint>> readCoastPolylines(const std::filesystem::path& file);

// The polylines in EPSG:epsg, cut where a point cannot be transformed or
// falls outside `within`, and where a line jumps across the map (the 180th
// meridian), so no segment crosses the map that the coast does not follow.
std::vector<std::vector<CrsPoint>> coastIn(const std::vector<std::vector<CrsPoint>>& lonLat, int epsg,
                                           const CrsBox& within);

// Meridians and parallels at a round step in degrees (1, 2 or 5 times a
// power of ten up to 10, then 15 or 30), at most eight across the box where
// a step allows, as lines of EPSG:epsg cut to the box like the coast; none
// beyond 180 degrees east or west.
std::vector<GraticuleLine> graticuleIn(int epsg, const CrsBox& within);

// What a length means on a map of the box in EPSG:epsg, from the
// projection's scale factors over it: true where they stay within 5 % of
// one another everywhere on the map; else, where the equator is a straight
// line of one scale (cylindrical and pseudo-cylindrical world maps), true
// along it; else nothing, as on maps in degrees. `metresPerUnit` takes a
// length in CRS units to metres on the ground where the scale holds.
MapScale mapScaleOf(int epsg, const CrsBox& within, double& metresPerUnit);

// The shipped coastline of the program folder.
std::filesystem::path basemapCoastFile(const std::filesystem::path& home);

}  // namespace zn
