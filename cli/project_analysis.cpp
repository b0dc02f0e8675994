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
#include "selection/greedy.h"
#include "selection/nearminimum.h"
#include "selection/report.h"
#include "selection/selectionindex.h"
#include "shell/analyses.h"
#include "shell/nearminimum_runs.h"
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
  auto read = readProject(file, error);
  if (!read) return refuse(ctx, error, 1);
  p.file = file;
  p.project = std::make_shared<const Project>(std::move(*read));
  p.data = analysisData(p.project);
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
  if (o.meanPasses) return refuse(ctx, "--mean applies to datafiles, not to projects");
  if (o.smoothPasses && !smoothingApplies(a->code, p.data))
    return refuse(ctx,
                  "--smooth needs a smoothable measure and neighbouring units; this project has none for " + a->name);
  if (auto why = measureProject(p.data, *a, *p.session, params, o.smoothPasses, out)) return refuse(ctx, *why, 1);
  return 0;
}

bool holdsData(const AnalysisData& d, int n) { return !d.occ().taxaIn(n).empty(); }

// Score and count where the unit holds data, no value elsewhere.
UnitResult scoreColumns(const AnalysisData& d, const Scores& s) {
  const auto units = static_cast<std::size_t>(d.units());
  UnitColumn score{"score", false, std::vector<double>(units + 1, NAN)};
  UnitColumn count{"count", true, std::vector<double>(units + 1, NAN)};
  for (int n = 1; n <= d.units(); ++n) {
    if (!holdsData(d, n) || static_cast<std::size_t>(n) >= s.result.score.size()) continue;
    score.values[static_cast<std::size_t>(n)] = s.result.score[static_cast<std::size_t>(n)];
    count.values[static_cast<std::size_t>(n)] = s.result.count[static_cast<std::size_t>(n)];
  }
  return {s.title, {std::move(score), std::move(count)}};
}

// Costs other than 1 make a cost column in the reports and allow
// optimisation by cost.
bool costData(const AnalysisData& d) {
  for (int n = 1; n <= d.units(); ++n)
    if (d.unitCost(n) != 1.0) return true;
  return false;
}

// The RESULTS header, data line, title and unit names of a project: a
// unit is named by its id, and its name where it has one.
ReportContext projectReport(const Opened& p, Session& s, const ReportFacts& f) {
  ReportContext c;
  c.header = strprintf(" Project: %s.\n Units: %d, EPSG:%d.\n", p.file.filename().string().c_str(), p.data.units(),
                       p.project->grid.epsg) +
             std::string(79, '=') + "\n\n";
  c.dataLine = "(all taxa of the project)";
  c.title = analysisTitle(s, f);
  c.unitName = [project = p.project](int n) {
    const DatasetUnit& u = project->data.unit(n);
    return u.name.empty() ? std::to_string(u.id) : std::to_string(u.id) + " " + u.name;
  };
  return c;
}

// The report options of the settings for the analysis on the map; the
// taxa by area read the project's own occurrences.
ReportOptions projectReportOptions(const Opened& p, MeasureCode code, std::vector<int> soleArea) {
  Session& s = *p.session;
  const Flag longReports = s.settings.longReports;
  s.settings.longReports = Flag::kOff;  // a datafile's records are not there to read
  s.map.measureCode = code;
  ReportOptions o = reportOptions(s);
  s.settings.longReports = longReports;
  o.longReports = longReports != Flag::kOff;
  o.costData = costData(p.data);
  o.soleArea = std::move(soleArea);
  return o;
}

// The set's units: in_set for every unit, step where it is in the set.
UnitResult setColumns(const AnalysisData& d, const AreaSet& set, const std::string& title) {
  const auto units = static_cast<std::size_t>(d.units());
  UnitColumn inSet{"in_set", true, std::vector<double>(units + 1, 0.0)};
  UnitColumn step{"step", true, std::vector<double>(units + 1, NAN)};
  for (int i = 0; i < set.count(); ++i) {
    const int n = set.cells[static_cast<std::size_t>(i)];
    if (n < 1 || n > d.units()) continue;
    inSet.values[static_cast<std::size_t>(n)] = 1.0;
    step.values[static_cast<std::size_t>(n)] = i + 1;
  }
  return {title, {std::move(inSet), std::move(step)}};
}

// The RESULTS analyses on a project: the near-minimum and coverage sets and
// the greedy set, reported as on a datafile with the project's unit names.
int selectionOn(CliContext& ctx, Opened& p, const SelectOptions& so, UnitResult& result, std::string& results) {
  const Analysis* a = findAnalysis(so.kind);
  if (!a) return refuse(ctx, "unknown kind " + so.kind);
  if (so.costs || so.threats || so.areasOut)
    return refuse(ctx, "--costs, --threats and --areas-out apply to datafiles; a project's units carry their costs");
  if (auto why = analysisMisfit(*a, p.data)) return refuse(ctx, *why);
  Session& s = *p.session;
  const bool costs = costData(p.data);
  SelectionEnv env;
  env.seed = so.seed;
  AreaSet set;
  ReportFacts facts;
  std::vector<int> soleArea;
  const SelectionIndex x(p.data);
  if (a->code == kCodeNearMinimum || a->code == kCodeNearMaximumCoverage) {
    const bool coverage = a->code == kCodeNearMaximumCoverage;
    if (coverage) {
      // The first run re-orders by richness for goal 1.
      s.settings.reordering = Reordering::kByRichness;
      s.settings.nearMinimumGoal = 1;
    }
    s.map.measureCode = a->code;
    const NearMinimumParams params = nearMinimumParams(s.settings, costs, env);
    keepNearMinimumParams(s.settings, params);
    RunOutcome run;
    if (coverage) {
      CoverageRequest r;
      r.byBudget = so.budget.has_value();
      r.areasToAdd = std::clamp(so.areasToAdd.value_or(s.settings.areasToAdd), 1, kAreaCapacity);
      r.budget = so.budget.value_or(0.0);
      r.params = params;
      r.report = projectReport(p, s, {});
      CoverageOutcome c = runNearMaximumCoverage(p.data, x, r, set, s.progress);
      keepNearMinimumParams(s.settings, c.params);
      results = c.results;
      facts.fullSize = c.run.fullSize;
      facts.fullCost = c.run.fullCost;
      run = std::move(c.run);
    } else {
      RunRequest r;
      r.params = params;
      r.report = projectReport(p, s, {});
      run = runMainRun(p.data, x, r, set, s.progress);
      results = run.results;
    }
    if (!run.ran) return refuse(ctx, a->name + " found nothing to select on this project", 1);
    facts.seconds = run.seconds;
    facts.rejected = run.rejected;
    soleArea = run.soleArea;
  } else if (a->code == kCodeGreedy) {
    GreedyResult g = growGreedySet(p.data, AreaSet{}, greedyOptions(s.settings, costs), s.progress);
    if (!g.ran) return refuse(ctx, a->name + " found nothing to select on this project", 1);
    set = std::move(g.set);
    facts.seconds = g.seconds;
    facts.rejected = g.rejected;
  } else {
    return refuse(ctx, "select " + so.kind + " runs on datafiles only for now", 1);
  }
  s.areas = set;
  const ReportOptions options = projectReportOptions(p, a->code, std::move(soleArea));
  const ReportContext context = projectReport(p, s, facts);
  results += representationReport(p.data, x, set, context, options, facts).text;
  result = setColumns(p.data, set, context.title);
  return 0;
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
      text += strprintf("%lld %.6f %d\n", p.project->data.unit(n).id, s.result.score[static_cast<std::size_t>(n)],
                        s.result.count[static_cast<std::size_t>(n)]);
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

int projectMapScreen(CliContext& ctx, const MeasureOptions& mopts, const SelectOptions& so,
                     const std::vector<SetKey>& keys, const fs::path& file, ProjectScreen& out) {
  Opened p;
  if (int rc = openProject(ctx, mopts, keys, file, p); rc != 0) return rc;
  std::vector<char> inSet;
  MeasureOptions measure = mopts;
  if (!so.kind.empty()) {
    UnitResult result;
    std::string results;
    if (int rc = selectionOn(ctx, p, so, result, results); rc != 0) return rc;
    const std::vector<double>& column = result.columns.at(0).values;
    inSet.assign(column.size(), 0);
    for (std::size_t n = 0; n < column.size(); ++n) inSet[n] = column[n] == 1.0 ? 1 : 0;
    measure.measure = "richness";  // the map a set is drawn over
  }
  Scores scores;
  if (int rc = measureOn(ctx, p, measure, scores); rc != 0) return rc;
  takeProject(out, file, p.project, p.data, ctx.home);
  putOnProjectMap(out, *findAnalysis(measure.measure), scores);
  classProjectMap(out, p.session->settings, scores.result.scaleLimit);
  out.layer.inSet = std::move(inSet);
  return 0;
}

}  // namespace zn
