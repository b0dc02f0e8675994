#include "shell/newproject.h"

namespace zn {

namespace fs = std::filesystem;

NewProjectModel newProjectModel(GridVariant variant) {
  NewProjectModel m;
  m.variant = variant;
  // The Britain program's data are national: its own grid at 10 km.
  m.cell = variant == GridVariant::Britain ? "10km" : "1deg";
  m.crs = crsForCell(m.cell, variant);
  return m;
}

std::string crsForCell(const std::string& cell, GridVariant variant) {
  const auto size = parseCellSize(cell);
  if (!size) return {};
  if (size->degrees) return "EPSG:4326";
  return variant == GridVariant::Britain ? "EPSG:27700" : "EPSG:6933";
}

std::string readNewProject(const NewProjectModel& m, ProjectUnits& units, ProjectInput& input, fs::path& output) {
  units = {};
  units.grid = m.grid;
  std::optional<int> epsg;
  if (!(m.crs.empty() && !m.grid) && !(epsg = parseEpsg(m.crs))) return "CRS: give EPSG:N, e.g. EPSG:6933.";
  if (m.grid) {
    const auto size = parseCellSize(m.cell);
    if (!size) return "Cell size: give a size such as 1deg, 0.5deg, 50km or 10km.";
    units.cells.size = *size;
    units.cells.epsg = epsg;
    units.cells.hex = m.hex;
    if (!m.extent.empty() && !(units.cells.extent = parseExtent(m.extent)))
      return "Extent: give W,S,E,N in the CRS's units, or leave it empty to take it from the data.";
  } else {
    if (m.layer.empty()) return "Units: choose a polygon layer file.";
    units.layer = {m.layer, m.idField, m.costField, m.statusField, epsg};
  }
  if (m.input.empty()) return "Occurrences: choose the file or folder to add.";
  input = {};
  input.format = m.format;
  input.path = m.input;
  if (m.format == InputFormat::Gbif)
    if (std::string e = applyGbifFilters(m.filters, input.gbif); !e.empty()) return e;
  output = m.output;
  if (m.output.empty() || output.extension() != ".gpkg") return "Save as: a project file is named FILE.gpkg.";
  return {};
}

NewProjectOutcome makeNewProject(const ProjectUnits& units, const ProjectInput& input, const fs::path& output,
                                 Progress& progress) {
  NewProjectOutcome r;
  auto stop = [&](const std::string& note) {
    r.stopped = !progress.stoppableNote(note);
    return r.stopped;
  };
  progress.stoppableBegin("New project");
  struct End {
    Progress& p;
    ~End() { p.stoppableEnd(); }
  } end{progress};
  if (stop("Making the units...")) return r;
  auto project = newProject(units, r.error);
  if (!project) return r;
  if (stop("Adding " + input.path.filename().string() + "...")) return r;
  r.summary.keepGoing = [&](long long rows) {
    return !stop("Adding " + input.path.filename().string() + ": " + std::to_string(rows) + " rows...");
  };
  try {
    if (!addToProject(*project, input, r.summary, r.error)) return r;
  } catch (const AddStopped&) {
    return r;
  }
  r.summary.keepGoing = nullptr;
  if (stop("Writing " + output.filename().string() + "...")) return r;
  // A new project replaces whatever file was there, result layers and all.
  r.error = writeProject(output, *project, OtherLayers::Drop);
  r.made = r.error.empty();
  return r;
}

}  // namespace zn
