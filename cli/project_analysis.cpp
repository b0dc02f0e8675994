#include "cli/project_analysis.h"

#include <cmath>
#include <memory>

#include "gis/gisexport.h"
#include "gis/projectdata.h"
#include "measures/dispatch.h"
#include "measures/titles.h"
#include "shell/analyses.h"
#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

int refuse(CliContext& ctx, const std::string& why, int status = 2) {
  ctx.err << "zonarium: " << why << "\n";
  return status;
}

// The project and its analysis input, and a session without a datafile
// that holds the options (the program folder's, then --set).
struct Opened {
  std::shared_ptr<const Project> project;
  AnalysisData data;
  std::unique_ptr<Session> session;
};

int openProject(CliContext& ctx, const MeasureOptions& o, const std::vector<SetKey>& keys, const fs::path& file,
                Opened& p) {
  if (o.preselect) return refuse(ctx, "--preselect applies to datafiles, not to projects");
  if (o.areas) return refuse(ctx, "--areas applies to datafiles, not to projects");
  for (const auto& [key, value] : o.sets) {
    const SetKey* k = nullptr;
    for (const SetKey& x : keys)
      if (x.name == key) k = &x;
    if (k && k->preselection) return refuse(ctx, "--set " + key + " applies to datafiles, not to projects");
  }
  std::string error;
  auto read = readProject(file, error);
  if (!read) return refuse(ctx, error, 1);
  p.project = std::make_shared<const Project>(std::move(*read));
  p.data = analysisData(p.project);
  p.session = startCliSession(ctx);
  if (!p.session) return 1;
  for (const auto& [key, value] : o.sets)
    for (const SetKey& k : keys)
      if (k.name == key && !k.apply(ctx, *p.session, value)) return 2;
  return 0;
}

// Why an analysis does not fit the project's traits; nothing when it does.
std::optional<std::string> misfit(const Analysis& a, const AnalysisData& d) {
  const MeasureTraits& t = a.traits();
  if (t.needsFixedGrid && !d.fixedGrid)
    return a.name + " needs the fixed grid of a datafile; a project's units have no fixed rings of cells";
  if (t.needsHierarchy && !d.treeData)
    return a.name + " needs the genus, family or higher ranks of every taxon; this project's taxa lack them";
  if (t.needsQuantitative && !d.quantitative) return a.name + " needs amounts; this project holds presences only";
  // Amounts stand in for a quantitative datafile's levels, not for data levels.
  if (t.needsLevels && !t.needsQuantitative && d.levels == 0)
    return a.name + " counts the data levels of a datafile; a project has none";
  if (t.needsAdjacency && d.data->adjacency.empty())
    return a.name + " needs neighbouring units; no unit of this project borders another";
  return std::nullopt;
}

// A measure's scores on the project's units, with the map title.
struct Scores {
  MeasureResult r;
  std::string title;
};

int measureOn(CliContext& ctx, Opened& p, const MeasureOptions& o, Scores& out) {
  const Analysis* a = findAnalysis(o.measure);
  if (!a) return refuse(ctx, "unknown measure " + o.measure);
  if (auto why = misfit(*a, p.data)) return refuse(ctx, *why);
  MeasureParams params = measureParams(p.session->settings);
  const bool selective = a->code == kCodeSelectiveRichness || a->code == kCodeSelectiveRarity;
  if (!o.taxa.empty() && !selective)
    return refuse(ctx, "--taxa applies to selective-richness and selective-rarity only");
  if (selective && o.taxa.empty()) return refuse(ctx, a->name + " on a project plots the taxa given with --taxa NAME");
  if (selective) {
    // The taxa to plot by their full names.
    const Dataset& d = *p.data.data;
    params.plotMarks.assign(static_cast<std::size_t>(p.data.taxa()), 0);
    for (const std::string& name : o.taxa) {
      int found = -1;
      for (int t = 0; t < d.taxonCount() && found < 0; ++t)
        if (d.taxa[static_cast<std::size_t>(t)].name == name) found = t;
      if (found < 0 || found >= p.data.taxa()) return refuse(ctx, "no taxon named \"" + name + "\" in this project");
      params.plotMarks[static_cast<std::size_t>(found)] = 1;
    }
  }
  if ((o.meanPasses || o.smoothPasses) && p.data.data->adjacency.empty())
    return refuse(ctx, "--mean and --smooth need neighbouring units; no unit of this project borders another");
  if (o.meanPasses || o.smoothPasses)
    return refuse(ctx, "--mean and --smooth apply to datafiles; a project's maps are not smoothed yet");
  AreaSet none;
  out.r = runMeasure(a->code, MeasureInput{p.data, none}, params, p.session->progress);
  if (!out.r.ran) {
    if (out.r.notice) return refuse(ctx, a->name + ": " + out.r.notice->text, 1);
    return refuse(ctx, a->name + " needs the columns and rows of a datafile's grid; it does not run on a project", 1);
  }
  MapRecord map;
  map.measureCode = a->code;
  out.title = measureTitle(*p.session, map, a->code);
  return 0;
}

bool holdsData(const AnalysisData& d, int n) { return !d.occ().taxaIn(n).empty(); }

// Score and count where the unit holds data, no value elsewhere.
UnitResult scoreColumns(const AnalysisData& d, const Scores& s) {
  const auto units = static_cast<std::size_t>(d.units());
  UnitColumn score{"score", false, std::vector<double>(units + 1, NAN)};
  UnitColumn count{"count", true, std::vector<double>(units + 1, NAN)};
  for (int n = 1; n <= d.units(); ++n) {
    if (!holdsData(d, n) || static_cast<std::size_t>(n) >= s.r.score.size()) continue;
    score.values[static_cast<std::size_t>(n)] = s.r.score[static_cast<std::size_t>(n)];
    count.values[static_cast<std::size_t>(n)] = s.r.count[static_cast<std::size_t>(n)];
  }
  return {s.title, {std::move(score), std::move(count)}};
}

std::string csvField(const std::string& text) {
  const std::string t = spreadsheetSafe(text);
  if (t.find_first_of(",\"\r\n") == std::string::npos) return t;
  std::string q = "\"";
  for (char c : t) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

// The RESULTS analyses on a project: none runs yet outside a datafile.
int selectionOn(CliContext& ctx, Opened& p, const SelectOptions& so, UnitResult&, std::string&) {
  const Analysis* a = findAnalysis(so.kind);
  if (!a) return refuse(ctx, "unknown kind " + so.kind);
  if (auto why = misfit(*a, p.data)) return refuse(ctx, *why);
  return refuse(ctx, "select " + so.kind + " runs on datafiles only for now", 1);
}

}  // namespace

bool namesProject(const fs::path& file) {
  return toLower(file.extension().string()) == ".gpkg" || looksLikeProject(file);
}

int projectMeasure(CliContext& ctx, const MeasureOptions& opts, const std::vector<SetKey>& keys, const fs::path& file) {
  Opened p;
  if (int rc = openProject(ctx, opts, keys, file, p); rc != 0) return rc;
  Scores s;
  if (int rc = measureOn(ctx, p, opts, s); rc != 0) return rc;
  std::string text = "title: " + s.title + "\n";
  for (int n = 1; n <= p.data.units(); ++n)
    if (holdsData(p.data, n))
      text += strprintf("%lld %.6f %d\n", p.project->data.unit(n).id, s.r.score[static_cast<std::size_t>(n)],
                        s.r.count[static_cast<std::size_t>(n)]);
  ctx.out << text;
  return 0;
}

int projectSelect(CliContext& ctx, const MeasureOptions& mopts, const SelectOptions& so,
                  const std::vector<SetKey>& keys, const fs::path& file) {
  Opened p;
  if (int rc = openProject(ctx, mopts, keys, file, p); rc != 0) return rc;
  UnitResult result;
  std::string results;
  if (int rc = selectionOn(ctx, p, so, result, results); rc != 0) return rc;
  return writeSelectResults(ctx, so, results);
}

int projectExportScores(CliContext& ctx, const MeasureOptions& opts, const std::vector<SetKey>& keys,
                        const fs::path& file, const fs::path& out, const std::vector<std::string>& flags) {
  if (!flags.empty()) return refuse(ctx, flags.front() + " applies to datafiles; a project's scores are one CSV table");
  Opened p;
  if (int rc = openProject(ctx, opts, keys, file, p); rc != 0) return rc;
  Scores s;
  if (int rc = measureOn(ctx, p, opts, s); rc != 0) return rc;
  std::string text = "unit_id,name,score,count\n";
  for (int n = 1; n <= p.data.units(); ++n) {
    const DatasetUnit& u = p.project->data.unit(n);
    text += std::to_string(u.id) + "," + csvField(u.name) + ",";
    if (holdsData(p.data, n))
      text += strprintf("%.6f,%d", s.r.score[static_cast<std::size_t>(n)], s.r.count[static_cast<std::size_t>(n)]);
    else text += ",";
    text += "\n";
  }
  if (!saveFileAtomically(resolveSaveTarget(out), text)) return refuse(ctx, "cannot write " + out.string(), 1);
  return 0;
}

int projectExportGis(CliContext& ctx, const MeasureOptions& mopts, const SelectOptions& so,
                     const std::vector<SetKey>& keys, const fs::path& file, const fs::path& out,
                     const std::optional<std::string>& layer) {
  Opened p;
  if (int rc = openProject(ctx, mopts, keys, file, p); rc != 0) return rc;
  UnitResult result;
  if (so.kind.empty()) {
    Scores s;
    if (int rc = measureOn(ctx, p, mopts, s); rc != 0) return rc;
    result = scoreColumns(p.data, s);
  } else {
    std::string results;
    if (int rc = selectionOn(ctx, p, so, result, results); rc != 0) return rc;
  }
  const std::string why =
      layer ? addUnitResultLayer(*p.project, result, file, *layer) : exportUnitResult(*p.project, result, out);
  if (!why.empty()) return refuse(ctx, why, 1);
  ctx.out << "units: " << p.data.units() << " in " << (layer ? file.string() + ", layer " + *layer : out.string())
          << "\n";
  return 0;
}

}  // namespace zn
