#include "shell/projectselect.h"
#include "shell/projectrun.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "measures/scores.h"
#include "measures/titles.h"
#include "selection/curves.h"
#include "selection/exact.h"
#include "selection/flexibility.h"
#include "selection/frequency.h"
#include "selection/greedy.h"
#include "selection/irreplaceability.h"
#include "selection/nearminimum.h"
#include "selection/randomsets.h"
#include "selection/reorder.h"
#include "selection/replacement.h"
#include "selection/report.h"
#include "selection/selectionindex.h"
#include "selection/stopwatch.h"
#include "selection/values.h"
#include "shell/dispatch.h"
#include "shell/mapmeasures.h"
#include "shell/nearminimum_runs.h"
#include "shell/reportinputs.h"
#include "shell/runinputs.h"
#include "store/text.h"

namespace zn {

int areaCapacity(const AnalysisData& d) { return std::max(1, d.units()); }

bool costData(const AnalysisData& d) {
  for (int n = 1; n <= d.units(); ++n)
    if (d.unitCost(n) != 1.0) return true;
  return false;
}

bool projectSpendsBudget(const Analysis& a, const AnalysisData& d, const Settings& st) {
  return a.takesParam(Param::Budget) && st.optimiseByCost != Flag::kOff && costData(d);
}

namespace {

Refusal refusal(std::string text, int status) { return Refusal{std::move(text), std::nullopt, status}; }

}  // namespace

ProjectRun::ProjectRun(const ProjectSource& source, Session& session, const ProjectSelectRequest& r,
                       ProjectSelection& o)
    : p(source),
      d(*source.data),
      s(session),
      request(r),
      out(o),
      costs(costData(d)),
      capacity(areaCapacity(d)),
      x(d) {}

// The RESULTS header, data line, title and unit names of a project: a
// unit is named by its id, and its name where it has one.
std::string ProjectRun::header() const {
  return strprintf(" Project: %s.\n Units: %d, EPSG:%d.\n", p.file.filename().string().c_str(), d.units(),
                   p.project->grid.epsg) +
         std::string(79, '=') + "\n\n";
}

ReportContext ProjectRun::context(MeasureCode code, const ReportFacts& f) const {
  ReportContext c;
  c.header = header();
  c.dataLine = kProjectDataLine;
  c.title = analysisTitle(s.settings, code, out.set, f);
  c.unitName = [project = p.project](int n) {
    const DatasetUnit& u = project->data.unit(n);
    return u.name.empty() ? std::to_string(u.id) : std::to_string(u.id) + " " + u.name;
  };
  return c;
}

// The report options of the settings for the analysis on the map; the
// taxa by area read the project's own occurrences.
ReportOptions ProjectRun::reportOptions(MeasureCode code, std::vector<int> sole) const {
  ReportOptions o = zn::reportOptions(s.settings, code, costs);
  o.soleArea = std::move(sole);
  return o;
}

// The report on out.set for the analysis `code`, appended to the results.
void ProjectRun::report(MeasureCode code, const ReportFacts& facts, std::vector<int> sole) {
  const ReportOptions options = reportOptions(code, std::move(sole));
  const ReportContext c = context(code, facts);
  out.results += representationReport(d, x, out.set, c, options, facts).text;
  out.title = c.title;
}

int ProjectRun::areasToAdd(bool noted) {
  RunRoom room;
  room.room = capacity;
  std::vector<std::string> unheard;
  return boundedAreas(room, values().areasToAdd, s.settings.areasToAdd, noted ? out.notes : unheard);
}

bool ProjectRun::byBudget(const Analysis& a) const {
  return values().budget.has_value() || projectSpendsBudget(a, d, s.settings);
}

// The budget given, else the options', in what the units with data cost.
double ProjectRun::budgetToSpend() {
  const RunRoom room{
      .budget = budgetBounds(d), .defaultBudget = projectBudget(d, s.settings.budget()), .decimals = costDecimals(d)};
  return boundedBudget(room, values().budget, out.notes);
}

double ProjectRun::timeLimit() const { return TimeLimit::forRun(values().timeLimit, s.settings).seconds(); }

std::function<bool(int)> ProjectRun::percentProgress() const {
  if (!request.progress) return {};
  return [this](int percent) { return request.progress(strprintf("%d%% done", percent)); };
}

// The draws that chose each unit: a field, and the map's scores.
void ProjectRun::timesChosen(const std::vector<int>& chosen) {
  const auto units = static_cast<std::size_t>(d.units());
  UnitColumn c{"times_chosen", true, std::vector<double>(units + 1, 0.0)};
  ProjectScores map;
  map.result = MeasureResult::zeroed(d.units(), 0);
  for (std::size_t n = 1; n <= units && n < chosen.size(); ++n) {
    c.values[n] = chosen[n];
    map.result.count[n] = chosen[n];
    map.result.score[n] = chosen[n];
    map.result.scaleLimit = std::max(map.result.scaleLimit, map.result.score[n]);
  }
  map.result.ran = true;
  map.title = out.title;
  out.scores = std::move(map);
  extraColumns.push_back(std::move(c));
}

// A set the entry grows by progressive rarity from no set, left in `run`;
// the options keep the parameters it ran with.
std::optional<Refusal> ProjectRun::grow(const Analysis& a, NearMinimumRun& run) {
  NearMinimumRunParams params{.settings = s.settings,
                              .start = {},
                              .marks = {},
                              .costs = costs,
                              .seed = values().seed,
                              .capacity = capacity,
                              .report = context(a.code(), {})};
  if (a.takesParam(Param::AreasToAdd)) {
    params.byBudget = byBudget(a);
    // A run by budget keeps a number of areas only to count its progress:
    // lowering it is no news to the user, who gave a budget.
    params.areas = areasToAdd(!params.byBudget);
    params.budget = params.byBudget ? budgetToSpend() : 0.0;
  }
  run = a.growSet(d, x, params, s.progress);
  keepNearMinimumParams(s.settings, run.params);
  if (!run.run.ran) return refusal(a.name + " found nothing to select on this project", 1);
  out.set = run.set;
  out.results = run.results;
  report(a.code(), run.facts(), run.run.soleArea);
  return std::nullopt;
}

std::optional<Refusal> ProjectRun::grownSet(const Analysis& a) {
  NearMinimumRun run;
  return grow(a, run);
}

// A set the entry chooses from the project's units, from no set: it is
// outlined, or mapped by the draws that chose each unit.
std::optional<Refusal> ProjectRun::chosenSet(const Analysis& a) {
  SetRunParams params{.settings = s.settings,
                      .start = {},
                      .areas = a.takesParam(Param::AreasToAdd) ? areasToAdd() : 0,
                      .seed = values().seed.value_or(static_cast<std::uint32_t>(s.progress.timeOfDay())),
                      .costs = costs,
                      .capacity = capacity,
                      .units = "units"};
  SetRun run = a.chooseSet(d, params, s.progress);
  if (run.failure) return Refusal{run.failure->text, run.failure, 1};
  if (!run.misfit.empty()) return refusal(run.misfit, 2);
  if (!run.ran) return refusal(a.name + " found nothing to select on this project", 1);
  if (!run.nothing.empty()) return refusal(run.nothing, 1);
  out.notes.insert(out.notes.end(), run.notes.begin(), run.notes.end());
  out.set = std::move(run.set);
  report(a.code(), run.facts());
  if (!run.timesChosen.empty()) timesChosen(run.timesChosen);
  return std::nullopt;
}

// A search the entry makes on the project's units: its set outlined, or
// its scores mapped where it names no set; its fields kept.
std::optional<Refusal> ProjectRun::searched(const Analysis& a) {
  SearchRun run = a.search(d,
                           SearchRunParams{.settings = s.settings,
                                           .costs = costs,
                                           .capacity = capacity,
                                           .runs = values().runs,
                                           .timeLimitSeconds = timeLimit(),
                                           .progress = percentProgress(),
                                           .report = context(a.code(), {})},
                           s.progress);
  if (!run.error.empty()) return refusal(run.error, 1);
  if (run.stopped) return refusal(toLower(a.caption()) + " stopped", 1);
  out.results = std::move(run.results);
  out.title = std::move(run.title);
  out.set = std::move(run.set);
  if (out.set.empty()) {
    ProjectScores map{std::move(run.scores), out.title};
    map.result.score.resize(static_cast<std::size_t>(d.units()) + 1, 0.0);
    map.result.count.resize(map.result.score.size(), 0);
    out.scores = std::move(map);
  }
  for (UnitColumn& f : run.fields) extraColumns.push_back(std::move(f));
  return std::nullopt;
}

// The result is a map of scores, with the title of its measure code.
void ProjectRun::mapScores(const Analysis& a, const std::vector<double>& score, const std::vector<int>& count, int taxa,
                    double top) {
  ProjectScores scores;
  scores.result = MeasureResult::zeroed(d.units(), 0);
  scores.result.ran = true;
  for (std::size_t n = 1; n < scores.result.score.size() && n < score.size() && n < count.size(); ++n) {
    scores.result.score[n] = score[n];
    scores.result.count[n] = count[n];
  }
  scores.result.taxaCounted = taxa;
  scores.result.scaleLimit = top;
  MapRecord map;
  map.show(a.traits());
  // The title counts the project's set, not the datafile's.
  scores.title = measureTitle(TitleSource{s.settings, s.ws, out.set, s.scoresPresent, s.backgroundMap.presenceMap},
                              map);
  out.title = scores.title;
  out.scores = std::move(scores);
  out.scoreMap = true;
}

// The map of scores the entry reckons from the project's units.
std::optional<Refusal> ProjectRun::unitScores(const Analysis& a) {
  const MeasureResult r = a.scoreUnits(d, AreaSet{});
  if (r.taxaCounted == 0) return refusal(a.name + ": no included taxon has records: no unit scores", 1);
  mapScores(a, r.score, r.count, r.taxaCounted, r.scaleLimit);
  return std::nullopt;
}

// The set of `after` grown first, then the map the entry reads from it;
// its report is the grown set's.
std::optional<Refusal> ProjectRun::grownSetMap(const Analysis& a) {
  NearMinimumRun run;
  if (auto why = grow(*findAnalysis(a.after), run)) return why;
  const FullyFlexibleMap m = a.mapGrownSet(d, out.set, run.run.soleArea, run.params.byCost);
  if (m.top == 0) return refusal(kNoFullyFlexibleAreas, 1);
  mapScores(a, m.score, m.count, 0, m.top);
  return std::nullopt;
}

// The entry's run on the set on the project's map.
std::optional<Refusal> ProjectRun::currentSet(const Analysis& a) {
  if (request.current.empty()) return refusal(a.name + ": no areas have been selected yet", 1);
  CurrentSetRun run = a.onSet(d, x, {.set = request.current});
  if (run.refusal) return Refusal{run.refusal->text, run.refusal, 1};
  out.set = std::move(run.set);
  report(a.code(), run.facts);
  return std::nullopt;
}

// The entry's exact set from no set (coverage where it takes a number of
// areas), ranked as "Re-order set by richness" ranks it and reported under
// its own title with the solver's lines.
std::optional<Refusal> ProjectRun::solvedSet(const Analysis& a) {
  ExactRunParams params{.settings = s.settings, .costs = costs, .capacity = capacity};
  if (a.takesParam(Param::AreasToAdd)) {
    params.kind = byBudget(a) ? ExactKind::CoverageByBudget : ExactKind::CoverageByNumber;
    if (params.kind == ExactKind::CoverageByBudget) params.budget = budgetToSpend();
    else params.areas = areasToAdd();
  }
  params.timeLimitSeconds = timeLimit();
  params.workLimit = values().workLimit.value_or(0);
  params.progress = request.progress;
  const ExactSetOutcome e = a.solveSet(d, x, params);
  if (!e.ran) return refusal(a.name + " found nothing to select on this project", 1);
  out.notes.insert(out.notes.end(), e.notes.begin(), e.notes.end());
  out.set.cells = e.cells;
  out.set.seedCount = e.seedCount;
  out.title = e.title;
  if (!e.result.hasSolution) {
    out.results = e.unsolvedReport(header());
    return std::nullopt;
  }
  reorderByRichnessPasses(out.set, x);
  report(kCodeReorderedByRichness, e.facts());
  return std::nullopt;
}

namespace {

// The set's units: in_set for every unit, step where it is in the set,
// then the analysis's own fields.
UnitResult setColumns(const AnalysisData& d, const AreaSet& set, const std::string& title,
                      std::vector<UnitColumn> extra) {
  const auto units = static_cast<std::size_t>(d.units());
  UnitColumn inSet{"in_set", true, std::vector<double>(units + 1, 0.0)};
  UnitColumn step{"step", true, std::vector<double>(units + 1, NAN)};
  for (int i = 0; i < set.count(); ++i) {
    const int n = set.cells[static_cast<std::size_t>(i)];
    if (n < 1 || n > d.units()) continue;
    inSet.values[static_cast<std::size_t>(n)] = 1.0;
    step.values[static_cast<std::size_t>(n)] = i + 1;
  }
  UnitResult r{title, {std::move(inSet), std::move(step)}};
  for (UnitColumn& c : extra) r.columns.push_back(std::move(c));
  return r;
}

}  // namespace

std::optional<std::string> projectSelectionMisfit(const Analysis& a) {
  if (a.kind != AnalysisKind::Selection || a.onProject) return std::nullopt;
  return a.name + " " + (a.notOnProject.empty() ? "does not run on a project" : a.notOnProject);
}

std::optional<Refusal> selectOnProject(const ProjectSource& p, const Analysis& a, Session& s,
                                       const ProjectSelectRequest& request, ProjectSelection& out) {
  out = ProjectSelection{};
  if (a.kind != AnalysisKind::Selection) return refusal(a.name + " is not an area selection", 2);
  if (!p.data || !p.project) return refusal("no project is open", 1);
  if (auto why = analysisMisfit(a, *p.data)) return refusal(*why, 2);
  if (auto why = projectSelectionMisfit(a)) return refusal(*why, 2);
  // A project's runs grow from no set; its units count their own
  // candidates, and carry no threat values.
  const CheckFacts facts{
      .setCount = 0, .capacity = areaCapacity(*p.data), .candidates = std::nullopt, .noneWhy = {}, .threatPresent = false};
  if (auto why = refuseByChecks(a, s.settings, facts)) return why;
  ProjectRun run(p, s, request, out);
  std::optional<Refusal> why = (run.*a.onProject)(a);
  if (why) {
    out = ProjectSelection{};
    return why;
  }
  out.units = setColumns(*p.data, out.set, out.title, std::move(run.extraColumns));
  return std::nullopt;
}

void putSelectionOnMap(ProjectScreen& p, const Analysis& a, const ProjectSelection& selection, const Session& s) {
  // The set becomes the project's before any map is drawn, so the map
  // outlines this set and not the one before it.
  p.areas = selection.set;
  if (selection.scores) {
    putOnProjectMap(p, a, *selection.scores);
    classProjectMap(p, s.settings, selection.scores->result.scaleLimit);
    return;
  }
  if (const Analysis* richness = measureOfCode(kCodeRichness)) showProjectMeasure(p, *richness, s);
  outlineProjectSet(p);
  if (!selection.title.empty()) p.layer.title = selection.title + ", outlined over richness";
}

void runProjectSelectionCommand(Shell& sh, const Analysis& a) {
  if (!sh.project) return;
  ProjectScreen& p = *sh.project;
  ProjectSelectRequest request;
  request.current = p.areas;
  if (projectSpendsBudget(a, p.data, sh.session.settings)) {
    BudgetModel m = openBudget(p.data, sh.session.settings.budget());
    if (!sh.host.runDialog("SelecNumDlgBox2", m)) return;
    sh.session.settings.setBudget(acceptedBudget(m));
    request.values.budget = sh.session.settings.budget();
  } else if (a.takesParam(Param::AreasToAdd)) {
    NumberOfAreasModel m;
    m.maximum = areaCapacity(p.data);
    m.seedsLine = "Number of selected (seed) areas: 0";
    m.maxLine = strprintf("(max %d)", m.maximum);
    m.number = std::clamp(sh.session.settings.areasToAdd, 1, m.maximum);
    if (!sh.host.runDialog("SelecNumDlgBox1", m)) return;
    sh.session.settings.areasToAdd = acceptedNumberOfAreas(m);
    request.values.areasToAdd = sh.session.settings.areasToAdd;
  }
  ProjectSelection selection;
  std::optional<Refusal> why;
  const ProjectSource source{p.file, p.project, &p.data};
  if (a.stoppable) {
    // The searches that may take long show their progress in a box that
    // stops them.
    request.progress = [&sh](const std::string& text) { return sh.host.stoppableNote(text); };
    sh.host.stoppableBegin(a.caption());
    why = selectOnProject(source, a, sh.session, request, selection);
    sh.host.stoppableEnd();
  } else {
    BusyGuard busy(sh.host);
    why = selectOnProject(source, a, sh.session, request, selection);
  }
  if (why) {
    const Notice n = why->notice.value_or(Notice{why->text, a.name, Icon::Exclamation});
    sh.host.messageBox(n.text, n.caption, n.icon, Buttons::Ok);
  } else {
    putSelectionOnMap(p, a, selection, sh.session);
    if (!selection.results.empty()) sh.writeResults(selection.results);
  }
  sh.refreshMenus();
  sh.host.requestRedraw();
}

}  // namespace zn
