#include "cli/project_analysis.h"

#include "shell/projectscreen.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "gis/gisexport.h"
#include "gis/projectdata.h"
#include "measures/dispatch.h"
#include "measures/smoothing.h"
#include "measures/titles.h"
#include "planning/folder.h"
#include "shell/analyses.h"
#include "shell/nearminimum_runs.h"
#include "shell/projectcurves.h"
#include "shell/projectselect.h"
#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

int refuse(CliContext& ctx, const std::string& why, int status = 2) { return cliRefuse(ctx, why, status); }

// The project and its analysis input, and a session without a datafile
// that holds the options (the program folder's, then --set).
struct Opened {
  fs::path file;
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
  auto in = readProjectInput(file, error);
  if (!in) return refuse(ctx, error, 1);
  p.file = file;
  p.project = std::move(in->project);
  p.data = std::move(in->data);
  p.session = startCliSession(ctx);
  if (!p.session) return 1;
  for (const auto& [key, value] : o.sets)
    for (const SetKey& k : keys)
      if (k.name == key && !k.apply(ctx, *p.session, value)) return 2;
  return 0;
}

using Scores = ProjectScores;

int measureOn(CliContext& ctx, Opened& p, const MeasureOptions& o, Scores& out) {
  const Analysis* a = findAnalysis(o.measure);
  if (!a) return refuse(ctx, "unknown measure " + o.measure);
  if (auto why = analysisMisfit(*a, p.data)) return refuse(ctx, *why);
  MeasureParams params = measureParams(p.session->settings);
  const bool selective = a->code() == kCodeSelectiveRichness || a->code() == kCodeSelectiveRarity;
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
  if (o.smoothPasses && !smoothingApplies(a->traits(), p.data))
    return refuse(ctx,
                  "--smooth needs a smoothable measure and neighbouring units; this project has none for " + a->name);
  if (auto why = measureProject(p.data, *a, *p.session, params, o.smoothPasses, out, o.meanPasses))
    return refuse(ctx, *why, 1);
  return 0;
}

bool holdsData(const AnalysisData& d, int n) { return !d.occ().taxaIn(n).empty(); }

// Score and count where the unit holds data, no value elsewhere.
UnitResult scoreColumns(const AnalysisData& d, const Scores& s) {
  return unitScoreColumns(d, s.title, s.result.score, s.result.count);
}

// The selection o.kind through the shell's run on a project; its notes go
// to the error stream.
int selectionOn(CliContext& ctx, Opened& p, const SelectOptions& so, ProjectSelection& out) {
  const Analysis* a = findAnalysis(so.kind);
  if (!a) return refuse(ctx, "unknown kind " + so.kind);
  if (so.costs || so.threats || so.areasOut)
    return refuse(ctx, "--costs, --threats and --areas-out apply to datafiles; a project's units carry their costs");
  if (int rc = refuseAreasBeyond(ctx, so, areaCapacity(p.data)); rc != 0) return rc;
  // A budget asks for optimisation by cost, as on a datafile; a project's
  // units always carry costs (1 each where its layer gave none).
  std::vector<std::string> warnings;
  if (a->kind == AnalysisKind::Selection) takeCostRequest(p.session->settings, true, so, warnings);
  ProjectSelectRequest request;
  request.values = so;
  if (auto why = selectOnProject({p.file, p.project, &p.data}, *a, *p.session, request, out))
    return refuse(ctx, why->text.empty() && why->notice ? why->notice->text : why->text, why->status);
  for (const std::string& note : out.notes) ctx.err << "zonarium: " << note << "\n";
  return 0;
}

// A map of scores as `measure` prints it: the title, then each unit holding
// data with its id, score and count.
std::string scoreLines(const Opened& p, const Scores& s) {
  std::string text = "title: " + s.title + "\n";
  for (int n = 1; n <= p.data.units(); ++n)
    if (holdsData(p.data, n))
      text += strprintf("%lld %.6f %d\n", p.project->data.unit(n).id, s.result.score[static_cast<std::size_t>(n)],
                        s.result.count[static_cast<std::size_t>(n)]);
  return text;
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
  ctx.out << scoreLines(p, s);
  return 0;
}

int projectSelect(CliContext& ctx, const MeasureOptions& mopts, const SelectOptions& so,
                  const std::vector<SetKey>& keys, const fs::path& file) {
  Opened p;
  if (int rc = openProject(ctx, mopts, keys, file, p); rc != 0) return rc;
  ProjectSelection sel;
  if (int rc = selectionOn(ctx, p, so, sel); rc != 0) return rc;
  if (!sel.scoreMap) return writeSelectResults(ctx, so, sel.results);
  ctx.out << scoreLines(p, *sel.scores);
  return so.results && !sel.results.empty() ? writeSelectResults(ctx, so, sel.results) : 0;
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
    text += std::to_string(u.id) + "," + planning::csvText(u.name) + ",";
    if (holdsData(p.data, n))
      text += strprintf("%.6f,%d", s.result.score[static_cast<std::size_t>(n)],
                        s.result.count[static_cast<std::size_t>(n)]);
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
    ProjectSelection sel;
    if (int rc = selectionOn(ctx, p, so, sel); rc != 0) return rc;
    result = sel.scoreMap ? scoreColumns(p.data, *sel.scores) : std::move(sel.units);
  }
  const std::string why =
      layer ? addUnitResultLayer(*p.project, result, file, *layer) : exportUnitResult(*p.project, result, out);
  if (!why.empty()) return refuse(ctx, why, 1);
  ctx.out << "units: " << p.data.units() << " in " << (layer ? file.string() + ", layer " + *layer : out.string())
          << "\n";
  return 0;
}

int projectCurves(CliContext& ctx, const MeasureOptions& mopts, const std::vector<SetKey>& keys, const fs::path& file,
                  CurveParams params, const std::optional<TimeLimit>& timeLimit, CurveSet& out, std::string& results) {
  Opened p;
  if (int rc = openProject(ctx, mopts, keys, file, p); rc != 0) return rc;
  params.timeLimitSeconds = TimeLimit::forRun(timeLimit, p.session->settings).seconds();
  out = projectCurves(p.data, *p.session, params, p.session->progress);
  if (!out.error.empty()) return refuse(ctx, out.error, 1);
  results = curvesReport(kProjectDataLine, out);
  return 0;
}

int projectMapScreen(CliContext& ctx, const MeasureOptions& mopts, const SelectOptions& so,
                     const std::vector<SetKey>& keys, const fs::path& file, ProjectScreen& out) {
  Opened p;
  if (int rc = openProject(ctx, mopts, keys, file, p); rc != 0) return rc;
  if (!so.kind.empty()) {
    ProjectSelection sel;
    if (int rc = selectionOn(ctx, p, so, sel); rc != 0) return rc;
    takeProject(out, file, p.project, p.data, ctx.home);
    putSelectionOnMap(out, *findAnalysis(so.kind), sel, *p.session);
    return 0;
  }
  Scores scores;
  if (int rc = measureOn(ctx, p, mopts, scores); rc != 0) return rc;
  takeProject(out, file, p.project, p.data, ctx.home);
  putOnProjectMap(out, *findAnalysis(mopts.measure), scores);
  classProjectMap(out, p.session->settings, scores.result.scaleLimit);
  return 0;
}

}  // namespace zn
