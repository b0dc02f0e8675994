// project new FILE.gpkg --cell SIZE [--crs EPSG:N] [--extent W,S,E,N] [--hex] [--replace]
// project new FILE.gpkg --units LAYER [--id FIELD] [--cost FIELD] [--status FIELD] [--crs EPSG:N] [--replace]
// project add FILE.gpkg INPUT [--format table|gbif|datafile|marxan] [--max-uncertainty M] [--basis B,...] [--years A-B]
//     [--rank species|genus|family] [--quantitative]
#include "cli/project_cmd.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include <unordered_map>

#include "gis/gbif.h"
#include "gis/project.h"
#include "planning/folder.h"
#include "store/parse.h"
#include "store/text.h"
#include "store/unitgeometry.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

int refuse(CliContext& ctx, const std::string& why, int status = 2) {
  ctx.err << "zonarium: " << why << "\n";
  return status;
}

std::optional<int> epsgOf(const std::string& text) {
  if (!text.starts_with("EPSG:")) return std::nullopt;
  const auto v = parseNumber<int>(std::string_view(text).substr(5));
  if (!v || *v <= 0 || *v > 10000000) return std::nullopt;
  return v;
}

std::optional<std::vector<double>> extentOf(const std::string& text) {
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

// Splits "--flag VALUE" pairs and switches from the positional arguments.
struct Parsed {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;
  std::map<std::string, bool> switches;
};

bool parse(CliContext& ctx, const std::vector<std::string>& args, const std::vector<std::string>& valued,
           const std::vector<std::string>& flags, Parsed& p, const std::string& what) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 1 && a[0] == '-') {
      if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
        p.switches[a] = true;
      } else if (std::find(valued.begin(), valued.end(), a) != valued.end()) {
        if (i + 1 >= args.size()) {
          refuse(ctx, a + " needs a value");
          return false;
        }
        p.values[a] = args[++i];
      } else {
        refuse(ctx, "unknown option " + a + " for " + what);
        return false;
      }
    } else {
      p.positional.push_back(a);
    }
  }
  return true;
}

int projectNew(CliContext& ctx, const std::vector<std::string>& args) {
  Parsed p;
  if (!parse(ctx, args, {"--cell", "--crs", "--extent", "--units", "--id", "--cost", "--status"},
             {"--hex", "--replace"}, p, "project new"))
    return 2;
  if (p.positional.size() != 1) return refuse(ctx, "project new takes one FILE.gpkg and --cell SIZE or --units LAYER");
  const fs::path out = p.positional[0];
  if (out.extension() != ".gpkg") return refuse(ctx, "a project file is named FILE.gpkg");
  const bool cell = p.values.count("--cell"), units = p.values.count("--units");
  if (cell == units) return refuse(ctx, "project new takes one of --cell SIZE and --units LAYER");
  std::optional<int> epsg;
  if (p.values.count("--crs") && !(epsg = epsgOf(p.values["--crs"])))
    return refuse(ctx, "--crs takes EPSG:N, e.g. EPSG:6933");
  std::error_code ec;
  if (fs::exists(fs::symlink_status(out, ec)) && !p.switches["--replace"])
    return refuse(ctx, out.string() + " exists: give --replace to replace it", 1);
  Project project;
  std::string error;
  if (cell) {
    for (const char* f : {"--id", "--cost", "--status"})
      if (p.values.count(f)) return refuse(ctx, std::string(f) + " goes with --units");
    GridRequest r;
    const auto size = parseCellSize(p.values["--cell"]);
    if (!size)
      return refuse(
          ctx, "--cell takes a size such as 1deg, 0.5deg, 50km, 10km or WxH (a rectangle) such as 96486.27x96514.96m");
    r.size = *size;
    r.epsg = epsg;
    r.hex = p.switches["--hex"];
    if (p.values.count("--extent") && !(r.extent = extentOf(p.values["--extent"])))
      return refuse(ctx, "--extent takes W,S,E,N");
    project.grid = makeRegularGrid(r, error);
    if (!error.empty()) return refuse(ctx, error, 1);
    project.data.occurrences = occurrencesFrom(0, 0, {}, false);
  } else {
    if (p.switches["--hex"] || p.values.count("--extent")) return refuse(ctx, "--hex and --extent go with --cell");
    UnitsRequest r;
    r.layerFile = p.values["--units"];
    r.idField = p.values["--id"];
    r.costField = p.values["--cost"];
    r.statusField = p.values["--status"];
    r.epsg = epsg;
    auto made = projectFromUnits(r, error);
    if (!made) return refuse(ctx, error, 1);
    project = std::move(*made);
  }
  if (std::string why = writeProject(out, project); !why.empty()) return refuse(ctx, why, 1);
  ctx.out << projectInfo(project);
  return 0;
}

// The format of an input when --format does not say: a zip or a table
// whose header names GBIF's coordinate terms is a GBIF download.
std::string guessFormat(const fs::path& input) {
  std::error_code ec;
  if (fs::is_directory(input, ec) || input.filename() == "input.dat") return "marxan";
  if (input.extension() == ".zip") return "gbif";
  if (input.extension() == ".dat") return "datafile";
  std::ifstream in(input, std::ios::binary);
  std::string head;
  std::getline(in, head);
  return head.find("decimalLatitude") != std::string::npos ? "gbif" : "table";
}

// Each cell of a datafile with records goes onto the project's units at its
// centroid in the grid's reference system (through PROJ where the project's
// differs).
bool addDatafile(CliContext& ctx, Project& project, const fs::path& file, AddSummary& summary, std::string& error) {
  auto s = startCliSession(ctx);
  if (!s || !openCliDatafile(ctx, *s, file)) {
    error = "cannot read the datafile " + file.string();
    return false;
  }
  const auto data = datasetFromCards(s->ws, s->settings.excludedLevel);
  OccurrenceAdder adder(project, summary);
  const auto units = unitGeometry(*s);
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
  const planning::Problem& p = f.problem;
  OccurrenceAdder adder(project, summary);
  std::vector<std::string> names(p.features.size());
  for (std::size_t i = 0; i < p.features.size(); ++i)
    names[i] = p.features[i].name.empty() ? "feature " + std::to_string(p.features[i].id) : p.features[i].name;
  std::vector<char> found(p.units.size(), 0);
  for (std::size_t u = 0; u < p.units.size(); ++u) {
    const long long records = static_cast<long long>(p.featuresIn.end(u) - p.featuresIn.begin(u));
    summary.rows += records;
    if (std::string why = adder.withId(p.units[u].id); !why.empty()) {
      for (long long k = 0; k < records; ++k) adder.lose("unit " + std::to_string(p.units[u].id) + ": " + why);
      if (records == 0) adder.lose("unit " + std::to_string(p.units[u].id) + ": " + why);
      continue;
    }
    found[u] = 1;
    for (const planning::Entry* e = p.featuresIn.begin(u); e != p.featuresIn.end(u); ++e)
      if (e->amount > 0) adder.add(names[static_cast<std::size_t>(e->index)], {}, {}, e->amount);
  }
  adder.finish(true);
  std::unordered_map<long long, std::size_t> unitOfId;
  for (std::size_t i = 0; i < project.data.units.size(); ++i) unitOfId[project.data.units[i].id] = i;
  for (std::size_t u = 0; u < p.units.size(); ++u) {
    if (!found[u]) continue;
    DatasetUnit& unit = project.data.units[unitOfId[p.units[u].id]];
    unit.cost = p.units[u].cost;
    unit.status = p.units[u].status;
  }
  std::unordered_map<std::string, double> targetOf;
  for (std::size_t i = 0; i < p.features.size(); ++i) targetOf[names[i]] = p.features[i].target;
  for (DatasetTaxon& t : project.data.taxa)
    if (auto it = targetOf.find(t.name); it != targetOf.end()) t.target = it->second;
  return true;
}

int projectAdd(CliContext& ctx, const std::vector<std::string>& args) {
  Parsed p;
  if (!parse(ctx, args, {"--format", "--max-uncertainty", "--basis", "--years", "--rank"}, {"--quantitative"}, p,
             "project add"))
    return 2;
  if (p.positional.size() != 2) return refuse(ctx, "project add takes FILE.gpkg and INPUT");
  const std::string format = p.values.count("--format") ? p.values["--format"] : guessFormat(p.positional[1]);
  if (format != "table" && format != "gbif" && format != "datafile" && format != "marxan")
    return refuse(ctx,
                  "--format takes table (a CSV with taxon and unit, x,y or lon,lat), gbif, datafile or marxan (a "
                  "planning-unit folder)");
  GbifImportOptions o;
  if (format == "gbif") {
    GbifDialogModel m;
    m.maxUncertainty = p.values["--max-uncertainty"];
    m.basis = p.values["--basis"];
    m.years = p.values["--years"];
    if (p.values.count("--rank")) m.rank = p.values["--rank"];
    m.quantitative = p.switches["--quantitative"];
    if (std::string e = applyGbifFilters(m, o); !e.empty()) return refuse(ctx, e);
    o.input = p.positional[1];
  } else {
    for (const char* f : {"--max-uncertainty", "--basis", "--years", "--rank", "--quantitative"})
      if (p.values.count(f) || p.switches.count(f)) return refuse(ctx, std::string(f) + " goes with --format gbif");
  }
  std::string error;
  auto project = readProject(p.positional[0], error);
  if (!project) return refuse(ctx, error, 1);
  AddSummary summary;
  const fs::path input = p.positional[1];
  const bool added = format == "gbif"       ? addGbifToProject(*project, o, summary, error)
                     : format == "datafile" ? addDatafile(ctx, *project, input, summary, error)
                     : format == "marxan"   ? addFolder(*project, input, summary, error)
                                            : addTable(*project, input.string(), summary, error);
  if (!added) return refuse(ctx, error, 1);
  if (std::string why = writeProject(p.positional[0], *project); !why.empty()) return refuse(ctx, why, 1);
  ctx.out << summary.text();
  return 0;
}

}  // namespace

bool printProjectInfo(CliContext& ctx, const std::string& file) {
  std::string error;
  auto project = readProject(file, error);
  if (!project) {
    refuse(ctx, error, 1);
    return false;
  }
  ctx.out << projectInfo(*project);
  return true;
}

int cmdProject(CliContext& ctx, const std::vector<std::string>& args) {
  if (args.empty()) return refuse(ctx, "project takes new or add");
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "new") return projectNew(ctx, rest);
  if (args[0] == "add") return projectAdd(ctx, rest);
  return refuse(ctx, "project takes new or add, not " + args[0]);
}

}  // namespace zn
