// A project on screen, in the window or the tool: the project, its
// analysis input, the shapes of its units and the map on them. Opening
// one, running a measure on it and reading a unit's line go through here,
// so the window and `zonarium render` show the same map.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "display/unitshapes.h"
#include "gis/project.h"
#include "measures/scores.h"
#include "shell/analyses.h"
#include "store/analysisdata.h"

namespace zn {

struct ProjectScreen {
  std::filesystem::path file;
  std::shared_ptr<const Project> project;
  AnalysisData data;
  UnitMapShapes shapes;
  UnitMapLayer layer;  // the map on the units
  MeasureCode code = kCodeNone;
};

// Opens the project with the program folder's basemap; why not, where it
// cannot be opened.
std::optional<std::string> openProjectScreen(const std::filesystem::path& file, const std::filesystem::path& home,
                                             ProjectScreen& out);

// Puts an open project on screen, with the program folder's basemap.
void takeProject(ProjectScreen& out, const std::filesystem::path& file, std::shared_ptr<const Project> project,
                 AnalysisData data, const std::filesystem::path& home);

// Why an analysis does not fit the data's traits, its name first; nothing
// when it does.
std::optional<std::string> analysisMisfit(const Analysis& a, const AnalysisData& d);

// A measure's scores on a project's units, with the map's title.
struct ProjectScores {
  MeasureResult result;
  std::string title;
};
// Runs the measure on the data with the parameters (the session's
// settings, and the taxa a selective plot draws), then `smoothPasses`
// passes over the units' rings; why not, where it does not run.
std::optional<std::string> measureProject(const AnalysisData& d, const Analysis& a, const Session& s,
                                          const MeasureParams& params, int smoothPasses, ProjectScores& out);

// Puts a measure's scores on the project's map.
void putOnProjectMap(ProjectScreen& p, const Analysis& a, const ProjectScores& scores);

// Classes the map's scores on the options' scale type.
void classProjectMap(ProjectScreen& p, const Settings& st, double scaleLimit);

// Why the window cannot run an analysis on the project on screen (its
// traits, a selection, a plot of taxa picked from a datafile's list);
// nothing where it can. The menus grey an item with it, the command says it.
std::optional<std::string> projectMenuRefusal(const Analysis& a, const AnalysisData& d);

// Runs the measure with the settings and puts it on the project's map.
std::optional<std::string> showProjectMeasure(ProjectScreen& p, const Analysis& a, const Session& s);

// The readout of a unit: its name and id, score and count.
std::string projectReadout(const ProjectScreen& p, int unit);

}  // namespace zn
