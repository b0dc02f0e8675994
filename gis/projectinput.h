// What a project is made of, as the tool's `project new` and `project add`
// and the window's "New project..." both take it: the units (a regular grid
// or a polygon layer) and the occurrences (a table, a GBIF download, a
// datafile's cards or a planning-unit folder). One function per step, so the
// two front ends cannot drift apart.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "gis/gbif.h"
#include "gis/project.h"

namespace zn {

class Session;

// "EPSG:N" as N; nullopt for anything else.
std::optional<int> parseEpsg(const std::string& text);
// "W,S,E,N" as four finite numbers; nullopt for anything else.
std::optional<std::vector<double>> parseExtent(const std::string& text);

// The units of a new project: a regular grid, or the polygons of a layer.
struct ProjectUnits {
  bool grid = true;
  GridRequest cells;
  UnitsRequest layer;
};
// A project of those units without occurrences; nullopt, with the reason,
// when they cannot be made.
std::optional<Project> newProject(const ProjectUnits& units, std::string& error);

enum class InputFormat { Table, Gbif, Datafile, Folder };
// The tool's names: table, gbif, datafile, marxan.
std::optional<InputFormat> inputFormatNamed(const std::string& name);
// The format of an input when none is named: a folder or input.dat is a
// planning-unit folder, a zip or a table with GBIF's coordinate terms a GBIF
// download, a .dat a datafile, anything else a table.
InputFormat guessInputFormat(const std::filesystem::path& input);

struct ProjectInput {
  InputFormat format = InputFormat::Table;
  std::filesystem::path path;
  GbifImportOptions gbif;             // the filters, for a GBIF download
  const Session* datafile = nullptr;  // the datafile opened, for its cards
};
// Adds the input's occurrences to the project; false, with the reason, when
// the input cannot be used. Throws AddStopped when summary.keepGoing says so.
bool addToProject(Project& project, const ProjectInput& input, AddSummary& summary, std::string& error);

// The field names of a polygon layer file, in order, for choosing its id,
// cost and status fields; empty, with the reason, when GDAL cannot read it.
std::vector<std::string> layerFieldNames(const std::filesystem::path& layerFile, std::string& error);

}  // namespace zn
