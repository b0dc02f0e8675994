// A project as the input of an analysis: its dataset and unit geometry,
// every taxon counted, the units' costs, ranges measured against its units.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "gis/project.h"
#include "store/analysisdata.h"

namespace zn {

// The analysis input of a project; it keeps a share of the project.
AnalysisData analysisData(std::shared_ptr<const Project> project);

// A project file read as the input of analyses, for the tool and the
// window alike; nothing, with the reason in `error`, where it cannot be read.
struct ProjectAndData {
  std::shared_ptr<const Project> project;
  AnalysisData data;
};
std::optional<ProjectAndData> readProjectInput(const std::filesystem::path& file, std::string& error,
                                               const ReadNote& note = {});

}  // namespace zn
