// A project on screen, in the window or the tool: the project, its
// analysis input, the shapes of its units and the map on them. Opening
// one, running a measure on it and reading a unit's line go through here,
// so the window and `zonarium render` show the same map.
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "display/unitshapes.h"
#include "gis/gisexport.h"
#include "gis/project.h"
#include "measures/scores.h"
#include "selection/areaset.h"
#include "shell/analyses.h"
#include "store/analysisdata.h"
#include "store/progress.h"

namespace zn {

struct ProjectScreen {
  std::filesystem::path file;
  std::shared_ptr<const Project> project;
  AnalysisData data;
  UnitMapShapes shapes;
  UnitMapLayer layer;  // the map on the units
  MeasureCode code = kCodeNone;
  // The mean and smooth passes made over the measure's scores, as the
  // tool's --mean and --smooth make them.
  int meanPasses = 0, smoothPasses = 0;
  // The project's area set (unit numbers): the last selection's, or the
  // units picked by hand. Report and re-ordering start from it, and every
  // map of the project outlines it until the project closes.
  AreaSet areas;
};

// Opens the project with the program folder's basemap; why not, where it
// cannot be opened. With a progress, reading shows a box the user may stop;
// a stopped opening gives an empty reason.
std::optional<std::string> openProjectScreen(const std::filesystem::path& file, const std::filesystem::path& home,
                                             ProjectScreen& out, Progress* progress = nullptr);

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
  bool passed = false;  // mean or smooth passes: the scores are no longer counts
};
// Runs the measure on the data with the parameters (the session's
// settings, and the taxa a selective plot draws), then `meanPasses` mean
// passes where the measure takes them (each unit's score per counted
// taxon, as on a datafile) and `smoothPasses` passes over the units'
// rings; why not, where it does not run.
std::optional<std::string> measureProject(const AnalysisData& d, const Analysis& a, const Session& s,
                                          const MeasureParams& params, int smoothPasses, ProjectScores& out,
                                          int meanPasses = 0);

// Puts a measure's scores on the project's map, with the area set outlined.
void putOnProjectMap(ProjectScreen& p, const Analysis& a, const ProjectScores& scores);

// Classes the map's scores on the options' scale type.
void classProjectMap(ProjectScreen& p, const Settings& st, double scaleLimit);

// Why the window cannot run an analysis on the project on screen (its
// traits, a selection, a plot of taxa picked from a datafile's list);
// nothing where it can. The menus grey an item with it, the command says it.
std::optional<std::string> projectMenuRefusal(const Analysis& a, const AnalysisData& d);

// Runs the measure with the settings and puts it on the project's map.
std::optional<std::string> showProjectMeasure(ProjectScreen& p, const Analysis& a, const Session& s);

// "Mean scores" (mean) or "Smooth scores" on the measure's map on screen:
// one more pass, the measure run again with the passes as the tool's --mean
// and --smooth run them (the mean passes first). Why not, where the map
// takes no such pass.
std::optional<std::string> projectPassRefusal(const Analysis& pass, const ProjectScreen& p);
std::optional<std::string> passOnProject(ProjectScreen& p, const Analysis& pass, const Session& s);

// The box round the outlines of the units that hold data, in the map's
// CRS; nothing where no unit does.
std::optional<CrsBox> projectDataExtent(const ProjectScreen& p);

// The readout of a unit: its name and id, score and count.
std::string projectReadout(const ProjectScreen& p, int unit);

// Adds the unit to the area set, or takes it out where it is in; the map's
// outlines follow. True when the unit is in the set afterwards.
bool toggleProjectUnit(ProjectScreen& p, int unit);
// The map's outlines of the area set, from the set.
void outlineProjectSet(ProjectScreen& p);

// The status bar of a project: the file, the size of the data, the map's
// title; and the longest readout any unit can give with the map's values,
// which its part is sized to hold.
std::array<std::string, 3> projectStatusTexts(const ProjectScreen& p);
std::string widestProjectReadout(const ProjectScreen& p);

// Score and count of each unit that holds data (no value elsewhere), and
// with `inSet` the area set as in_set (1 or 0): the fields a map of a
// project takes to a GIS file.
UnitResult unitScoreColumns(const AnalysisData& d, const std::string& title, const std::vector<double>& score,
                            const std::vector<int>& count, const std::vector<char>* inSet = nullptr);
// The map on screen as those fields.
UnitResult projectMapColumns(const ProjectScreen& p);

}  // namespace zn
