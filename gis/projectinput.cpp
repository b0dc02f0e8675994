#include "gis/projectinput.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <unordered_map>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "gis/gdalsetup.h"
#include "planning/folder.h"
#include "store/parse.h"
#include "store/session.h"
#include "store/unitgeometry.h"
#include "store/workspace.h"

namespace zn {

namespace fs = std::filesystem;

std::optional<int> parseEpsg(const std::string& text) {
  if (!text.starts_with("EPSG:")) return std::nullopt;
  const auto v = parseNumber<int>(std::string_view(text).substr(5));
  if (!v || *v <= 0 || *v > 10000000) return std::nullopt;
  return v;
}

std::optional<std::vector<double>> parseExtent(const std::string& text) {
  std::vector<double> v;
  std::size_t b = 0;
  while (b <= text.size()) {
    const std::size_t e = std::min(text.find(',', b), text.size());
    const auto x = parseNumber<double>(std::string_view(text).substr(b, e - b));
    if (!x || !std::isfinite(*x)) return std::nullopt;
    v.push_back(*x);
    b = e + 1;
  }
  if (v.size() != 4) return std::nullopt;
  return v;
}

std::optional<Project> newProject(const ProjectUnits& units, std::string& error) {
  if (!units.grid) return projectFromUnits(units.layer, error);
  Project project;
  project.grid = makeRegularGrid(units.cells, error);
  if (!error.empty()) return std::nullopt;
  project.data.occurrences = occurrencesFrom(0, 0, {}, false);
  return project;
}

std::optional<InputFormat> inputFormatNamed(const std::string& name) {
  if (name == "table") return InputFormat::Table;
  if (name == "gbif") return InputFormat::Gbif;
  if (name == "datafile") return InputFormat::Datafile;
  if (name == "marxan") return InputFormat::Folder;
  return std::nullopt;
}

InputFormat guessInputFormat(const fs::path& input) {
  std::error_code ec;
  if (fs::is_directory(input, ec) || input.filename() == "input.dat") return InputFormat::Folder;
  if (input.extension() == ".zip") return InputFormat::Gbif;
  if (input.extension() == ".dat") return InputFormat::Datafile;
  std::ifstream in(input, std::ios::binary);
  std::string head;
  std::getline(in, head);
  return head.find("decimalLatitude") != std::string::npos ? InputFormat::Gbif : InputFormat::Table;
}

namespace {

// Each cell of a datafile with records goes onto the project's units at its
// centroid in the grid's reference system (through PROJ where the project's
// differs).
bool addDatafile(Project& project, const Session& s, AddSummary& summary, std::string& error) {
  const auto data = datasetFromCards(s.ws, s.settings.excludedLevel);
  OccurrenceAdder adder(project, summary);
  const auto units = unitGeometry(s);
  if (!adder.pointsIn(units->epsg(), error)) return false;
  const Occurrences& o = data->occurrences;
  for (int n = 1; n <= o.units; ++n) {
    if (o.taxaIn(n).empty()) continue;
    // The centre, in metres of the national grid or in degrees.
    const CrsPoint centre = units->centroid(n).value_or(CrsPoint{std::nan(""), std::nan("")});
    const long long records = static_cast<long long>(o.taxaIn(n).size());
    summary.rows += records;
    if (std::string why = adder.atPoint(centre.x, centre.y); !why.empty()) {
      for (long long k = 0; k < records; ++k) adder.lose("cell " + std::to_string(n) + ": " + why);
      continue;
    }
    for (int t : o.taxaIn(n)) {
      const DatasetTaxon& x = data->taxa[static_cast<std::size_t>(t)];
      adder.add(x.name, x.genus, x.family, 1.0);
    }
  }
  adder.finish(false);
  return true;
}

// A planning-unit folder joined to the project's units by id: its amounts
// become occurrences, its features taxa with their targets, and its costs
// and status those of the units.
bool addFolder(Project& project, const fs::path& dir, AddSummary& summary, std::string& error) {
  const fs::path folder = fs::is_directory(dir) ? dir : dir.parent_path();
  const std::string input = fs::is_directory(dir) ? "input.dat" : dir.filename().string();
  planning::FolderRead f = planning::readFolder(folder, input);
  if (!f.error.empty()) {
    error = f.error;
    return false;
  }
  const Dataset& d = f.data;
  const Occurrences& o = d.occurrences;
  OccurrenceAdder adder(project, summary);
  std::vector<std::string> names(d.taxa.size());
  for (std::size_t i = 0; i < d.taxa.size(); ++i)
    names[i] = d.taxa[i].name.empty() ? "feature " + std::to_string(d.taxa[i].id) : d.taxa[i].name;
  std::vector<char> found(d.units.size(), 0);
  for (int n = 1; n <= d.unitCount(); ++n) {
    const DatasetUnit& u = d.unit(n);
    const auto records = static_cast<long long>(o.taxaIn(n).size());
    summary.rows += records;
    if (std::string why = adder.withId(u.id); !why.empty()) {
      for (long long k = 0; k < records; ++k) adder.lose("unit " + std::to_string(u.id) + ": " + why);
      if (records == 0) adder.lose("unit " + std::to_string(u.id) + ": " + why);
      continue;
    }
    found[static_cast<std::size_t>(n) - 1] = 1;
    const double* amount = o.hasAmounts() ? o.amountsIn(n) : nullptr;
    for (int t : o.taxaIn(n)) adder.add(names[static_cast<std::size_t>(t)], {}, {}, amount ? *amount++ : 1.0);
  }
  adder.finish(true);
  std::unordered_map<long long, std::size_t> unitOfId;
  for (std::size_t i = 0; i < project.data.units.size(); ++i) unitOfId[project.data.units[i].id] = i;
  for (std::size_t u = 0; u < d.units.size(); ++u) {
    if (!found[u]) continue;
    DatasetUnit& unit = project.data.units[unitOfId[d.units[u].id]];
    unit.cost = d.units[u].cost;
    unit.status = d.units[u].status;
  }
  std::unordered_map<std::string, double> targetOf;
  for (std::size_t i = 0; i < d.taxa.size(); ++i) targetOf[names[i]] = d.taxa[i].target;
  for (DatasetTaxon& t : project.data.taxa)
    if (auto it = targetOf.find(t.name); it != targetOf.end()) t.target = it->second;
  return true;
}

}  // namespace

bool addToProject(Project& project, const ProjectInput& input, AddSummary& summary, std::string& error) {
  switch (input.format) {
    case InputFormat::Gbif: {
      GbifImportOptions o = input.gbif;
      o.input = input.path;
      return addGbifToProject(project, o, summary, error);
    }
    case InputFormat::Datafile:
      if (!input.datafile) {
        error = "cannot read the datafile " + input.path.string();
        return false;
      }
      return addDatafile(project, *input.datafile, summary, error);
    case InputFormat::Folder: return addFolder(project, input.path, summary, error);
    case InputFormat::Table: break;
  }
  return addTable(project, input.path.string(), summary, error);
}

std::vector<std::string> layerFieldNames(const fs::path& layerFile, std::string& error) {
  ensureGdal();
  if (std::string why = nonLocalPathProblem(layerFile.string()); !why.empty()) {
    error = why;
    return {};
  }
  const auto close = [](GDALDataset* d) {
    if (d) GDALClose(d);
  };
  std::unique_ptr<GDALDataset, decltype(close)> ds(
      static_cast<GDALDataset*>(
          GDALOpenEx(layerFile.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr)),
      close);
  if (!ds || ds->GetLayerCount() < 1) {
    error = layerFile.string() + " is not a layer GDAL can read";
    return {};
  }
  std::vector<std::string> names;
  OGRFeatureDefn* defn = ds->GetLayer(0)->GetLayerDefn();
  for (int i = 0; i < defn->GetFieldCount(); ++i) names.emplace_back(defn->GetFieldDefn(i)->GetNameRef());
  return names;
}

}  // namespace zn
