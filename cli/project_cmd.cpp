// project new FILE.gpkg --cell SIZE [--crs EPSG:N] [--extent W,S,E,N] [--hex] [--replace]
// project new FILE.gpkg --units LAYER [--id FIELD] [--cost FIELD] [--status FIELD] [--crs EPSG:N] [--replace]
// project add FILE.gpkg INPUT [--format table|gbif|datafile|marxan] [--max-uncertainty M] [--basis B,...] [--years A-B]
//     [--rank species|genus|family] [--quantitative]
#include "cli/project_cmd.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include "gis/projectinput.h"
#include "store/session.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

int refuse(CliContext& ctx, const std::string& why, int status = 2) { return cliRefuse(ctx, why, status); }

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
  if (p.values.count("--crs") && !(epsg = parseEpsg(p.values["--crs"])))
    return refuse(ctx, "--crs takes EPSG:N, e.g. EPSG:6933");
  std::error_code ec;
  if (fs::exists(fs::symlink_status(out, ec)) && !p.switches["--replace"])
    return refuse(ctx, out.string() + " exists: give --replace to replace it", 1);
  ProjectUnits request;
  request.grid = cell;
  if (cell) {
    for (const char* f : {"--id", "--cost", "--status"})
      if (p.values.count(f)) return refuse(ctx, std::string(f) + " goes with --units");
    GridRequest& r = request.cells;
    const auto size = parseCellSize(p.values["--cell"]);
    if (!size)
      return refuse(
          ctx, "--cell takes a size such as 1deg, 0.5deg, 50km, 10km or WxH (a rectangle) such as 96486.27x96514.96m");
    r.size = *size;
    r.epsg = epsg;
    r.hex = p.switches["--hex"];
    if (p.values.count("--extent") && !(r.extent = parseExtent(p.values["--extent"])))
      return refuse(ctx, "--extent takes W,S,E,N");
  } else {
    if (p.switches["--hex"] || p.values.count("--extent")) return refuse(ctx, "--hex and --extent go with --cell");
    UnitsRequest& r = request.layer;
    r.layerFile = p.values["--units"];
    r.idField = p.values["--id"];
    r.costField = p.values["--cost"];
    r.statusField = p.values["--status"];
    r.epsg = epsg;
  }
  std::string error;
  auto made = newProject(request, error);
  if (!made) return refuse(ctx, error, 1);
  const Project& project = *made;
  // A new project replaces the old one whole, its result layers with it.
  if (std::string why = writeProject(out, project, OtherLayers::Drop); !why.empty()) return refuse(ctx, why, 1);
  ctx.out << projectInfo(project);
  return 0;
}

int projectAdd(CliContext& ctx, const std::vector<std::string>& args) {
  Parsed p;
  if (!parse(ctx, args, {"--format", "--max-uncertainty", "--basis", "--years", "--rank"}, {"--quantitative"}, p,
             "project add"))
    return 2;
  if (p.positional.size() != 2) return refuse(ctx, "project add takes FILE.gpkg and INPUT");
  const std::optional<InputFormat> format =
      p.values.count("--format") ? inputFormatNamed(p.values["--format"]) : guessInputFormat(p.positional[1]);
  if (!format)
    return refuse(ctx,
                  "--format takes table (a CSV with taxon and unit, x,y or lon,lat), gbif, datafile or marxan (a "
                  "planning-unit folder)");
  ProjectInput input;
  input.format = *format;
  input.path = p.positional[1];
  if (*format == InputFormat::Gbif) {
    GbifDialogModel m;
    m.maxUncertainty = p.values["--max-uncertainty"];
    m.basis = p.values["--basis"];
    m.years = p.values["--years"];
    if (p.values.count("--rank")) m.rank = p.values["--rank"];
    m.quantitative = p.switches["--quantitative"];
    if (std::string e = applyGbifFilters(m, input.gbif); !e.empty()) return refuse(ctx, e);
  } else {
    for (const char* f : {"--max-uncertainty", "--basis", "--years", "--rank", "--quantitative"})
      if (p.values.count(f) || p.switches.count(f)) return refuse(ctx, std::string(f) + " goes with --format gbif");
  }
  std::string error;
  auto project = readProject(p.positional[0], error);
  if (!project) return refuse(ctx, error, 1);
  std::unique_ptr<Session> cards;
  if (*format == InputFormat::Datafile) {
    cards = startCliSession(ctx);
    if (cards && !openCliDatafile(ctx, *cards, input.path)) cards.reset();
    input.datafile = cards.get();
  }
  AddSummary summary;
  const bool added = addToProject(*project, input, summary, error);
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
