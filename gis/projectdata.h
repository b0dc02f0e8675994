// A project as the input of an analysis: its dataset and unit geometry,
// every taxon counted, the units' costs, ranges measured against its units.
#pragma once

#include <memory>

#include "gis/project.h"
#include "store/analysisdata.h"

namespace zn {

// The analysis input of a project; it keeps a share of the project.
AnalysisData analysisData(std::shared_ptr<const Project> project);

}  // namespace zn
