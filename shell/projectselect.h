// The area-selection analyses on a project, for the window's Area selection
// menu and the tool's select, export-gis --select and render --select
// alike: one run gives the set, its RESULTS text, its title and the units'
// result fields, so the two cannot report differently.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gis/gisexport.h"
#include "gis/project.h"
#include "selection/areaset.h"
#include "shell/analyses.h"
#include "shell/projectscreen.h"
#include "store/analysisdata.h"

namespace zn {

class Shell;

// The most areas a set may hold on these data: every unit of a project
// (a datafile's set stops at kAreaCapacity).
int areaCapacity(const AnalysisData& d);
// Costs other than 1: a cost column in the reports, and optimisation by
// cost where the options ask for it.
bool costData(const AnalysisData& d);

// Whether the analysis spends a budget on the project rather than adding a
// number of units: it takes one, and the options optimise by cost on units
// whose costs differ. A budget given asks for it as well.
bool projectSpendsBudget(const Analysis& a, const AnalysisData& d, const Settings& st);

// The data line the RESULTS texts of a project give.
inline constexpr const char* kProjectDataLine = "(all taxa of the project)";

// The project a selection runs on: its file (named in the reports), the
// project (unit names and CRS) and its analysis input.
struct ProjectSource {
  std::filesystem::path file;
  std::shared_ptr<const Project> project;
  const AnalysisData* data = nullptr;
};

struct ProjectSelection {
  AreaSet set;          // the set the analysis leaves (empty for random sets and frequency)
  std::string results;  // the RESULTS text, as for a datafile with the units' ids and names
  std::string title;
  std::vector<std::string> notes;  // numbers lowered to what the data allow
  // in_set and step per unit, then the analysis's own: times_chosen (random
  // sets, frequency), extra_areas and irreplaceable (replacement cost).
  UnitResult units;
  // The map's scores where the analysis maps its units rather than
  // outlining a set (random sets, frequency, EMR irreplaceability, max
  // rarity), with their title.
  std::optional<ProjectScores> scores;
  // The scores are the result itself (EMR, max rarity), not a report: the
  // tool prints and exports them as a measure's.
  bool scoreMap = false;
};

// What a request may give beyond the session's options.
struct ProjectSelectRequest {
  RequestValues values;
  AreaSet current;  // the set on screen, which report and the re-orderings read
  // Stoppable searches (exact sets, frequency, replacement cost): the
  // progress so far; false stops.
  std::function<bool(const std::string&)> progress;
};

// Why a selection does not run on any project (its name first); nothing
// where it does.
std::optional<std::string> projectSelectionMisfit(const Analysis& a);

// Runs the selection `a` on the project with the session's options (which
// keep the forcings a run makes, as on a datafile); the session's area set
// and map are left as they were. Why not, where the analysis does not fit
// or finds nothing.
std::optional<Refusal> selectOnProject(const ProjectSource& p, const Analysis& a, Session& s,
                                       const ProjectSelectRequest& request, ProjectSelection& out);

// Per unit 0 ... units: whether it is in the set (the outline on the map).
std::vector<char> unitsInSet(const AnalysisData& d, const AreaSet& set);

// Puts a selection on the project's map: its scores where it maps scores,
// else the set outlined over richness. The set becomes the project's area set.
void putSelectionOnMap(ProjectScreen& p, const Analysis& a, const ProjectSelection& selection, const Session& s);

// The Area selection menu's command on the project on screen: the budget
// asked where the analysis spends one (in the project's cost units), else
// the number of areas where it takes one (up to every unit), then the
// run, its set or scores on the map, its RESULTS text in the RESULTS file;
// why not, in a message box.
void runProjectSelectionCommand(Shell& sh, const Analysis& a);

}  // namespace zn
