// "New project...": the dialog's fields as typed, the requests they make,
// and the making itself, with progress and a Stop. The tool's `project
// new` and `project add` make the same project from the same requests.
#pragma once

#include <filesystem>
#include <string>

#include "gis/projectinput.h"
#include "store/gridsystem.h"
#include "store/progress.h"
#include "store/requests.h"

namespace zn {

struct NewProjectModel : DialogModel {
  // The units: a regular grid, or the polygons of a layer file.
  bool grid = true;
  std::string cell;    // "1deg", "0.5deg", "50km", "10km", ...
  std::string crs;     // "EPSG:N"; for a layer, only when the layer has none
  std::string extent;  // "W,S,E,N"; empty: the data's own
  bool hex = false;
  std::string layer, idField, costField, statusField;  // empty fields: feature ids, cost 1, free
  // The occurrences.
  InputFormat format = InputFormat::Table;
  std::string input;
  GbifDialogModel filters;
  // The project file.
  std::string output;
  std::filesystem::path startFolder;         // where the file choosers begin
  GridVariant variant = GridVariant::World;  // the program's, for the CRS it suggests
};

// The dialog as it first opens in the program of the grid.
NewProjectModel newProjectModel(GridVariant variant);

// The CRS that suits a cell size: EPSG:4326 for degrees; for lengths an
// equal-area CRS (EPSG:6933), or the British National Grid in the Britain
// program. Empty when the size cannot be read.
std::string crsForCell(const std::string& cell, GridVariant variant);

// The requests of the model; empty when they can be made, else the message
// that names the value that cannot be used.
std::string readNewProject(const NewProjectModel& m, ProjectUnits& units, ProjectInput& input,
                           std::filesystem::path& output);

struct NewProjectOutcome {
  bool made = false;
  bool stopped = false;  // the user stopped it: no file was written
  std::string error;     // why it could not be made
  AddSummary summary;
};

// Makes the units, adds the input and writes the project, telling the
// stoppable box how far it has come; Stop there leaves no file.
NewProjectOutcome makeNewProject(const ProjectUnits& units, const ProjectInput& input,
                                 const std::filesystem::path& output, Progress& progress);

}  // namespace zn
