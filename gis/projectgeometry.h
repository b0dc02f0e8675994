// The place of a project's units: a regular grid's cells by arithmetic on
// its definition, polygon units by their outlines (GEOS, with an STRtree of
// their envelopes for points). Neighbour rings follow the units' adjacency,
// and a map frame of whole numbers keeps the extent's aspect ratio, so the
// same code draws, hit-tests and smooths a project as it does a fixed grid.
#pragma once

#include <memory>

#include "gis/project.h"
#include "store/unitgeometry.h"

namespace zn {

// The longer side of a project's map frame, in frame units.
constexpr int kProjectFrameSide = 65536;

// The geometry of the project's units, valid as long as the project lives
// (it keeps a share of it). Polygon outlines are read on first use.
std::unique_ptr<UnitGeometry> projectGeometry(std::shared_ptr<const Project> project);

}  // namespace zn
