#include "shell/nearminimum_runs.h"

#include <algorithm>

#include "measures/richness.h"
#include "measures/scores.h"
#include "selection/flexibility.h"
#include "selection/report.h"
#include "selection/selectionindex.h"
#include "selection/setdata.h"
#include "shell/mapmeasures.h"
#include "shell/reportinputs.h"
#include "shell/runinputs.h"
#include "store/text.h"

namespace zn {

namespace {

double largestScore(const Session& s) {
  double m = 0.0;
  for (const GridCell& c : s.ws.cells) m = std::max(m, c.score);
  return m;
}

// The run put into the session, its parameters kept in the options.
NearMinimumRun growOnSession(Session& s, NearMinimumRunFn grow, const SelectionEnv& env, const CoverageGoal& goal,
                             const AnalysisData& data, const SelectionIndex& x) {
  NearMinimumRun run = grow(data, x,
                            NearMinimumRunParams{.settings = s.settings,
                                                 .start = s.areas,
                                                 .marks = cellMarks(s.ws),
                                                 .costs = s.costPresent,
                                                 .threatPresent = env.threatPresent,
                                                 .seed = env.seed,
                                                 .byBudget = goal.byBudget,
                                                 .areas = goal.areas,
                                                 .budget = goal.budget,
                                                 .report = reportContext(s)},
                            s.progress);
  keepNearMinimumParams(s.settings, run.params);
  s.areas = run.set;
  applyMainRun(s, run.run);
  finishMeasure(s, largestScore(s));
  return run;
}

}  // namespace

void keepNearMinimumParams(Settings& st, const NearMinimumParams& p) {
  st.nearMinimumGoal = p.goal;
  st.reordering = p.reordering;
  // Switches a run turned off; one the options have off stays as it is.
  if (!p.byCost) st.optimiseByCost = Flag::kOff;
  if (!p.flexibilityMap) st.flexibilityMap = Flag::kOff;
  if (!p.flexibilityPartial) st.flexibilityPartial = Flag::kOff;
  if (!p.mapAllFlexible) st.mapAllFlexible = Flag::kOff;
}

void applyMainRun(Session& s, const RunOutcome& run) {
  Workspace& ws = s.ws;
  for (std::size_t n = 0; n < run.marks.size() && n < ws.cells.size(); ++n) {
    GridCell& c = ws.cells[n];
    const CellMark& m = run.marks[n];
    c.score = m.score;
    c.count = m.count;
    c.flexClass = m.flexClass;
    c.ruleCode = m.ruleCode;
    c.tieCount = m.tieCount;
  }
  CardStore& cards = ws.cards;
  for (std::size_t t = 0; t < run.soleArea.size() && static_cast<int>(t) < cards.slots(); ++t)
    cards.setField(static_cast<int>(t), cards.layout->soleArea, run.soleArea[t]);
  storeRepresentation(cards, run.repCount);
  for (std::size_t n = 1; n < run.status.size(); ++n)
    if (const std::size_t at = 5 * n + 4; at < ws.prop3.size()) ws.prop3[at] = run.status[n];
  s.settings.selectedAreasDisplay = run.areasShown;
}

AnalysisOutcome applyNearMinimumRun(Session& s, MeasureCode code, NearMinimumRunFn grow, const SelectionEnv& env,
                                    const CoverageGoal& goal) {
  if (!s.ws.datafile.opened) return {};
  setMeasureCode(s, code);
  // One index serves the run and its report: the run changes no level,
  // group code or setting it is built from.
  const AnalysisData data = analysisData(s);
  const SelectionIndex x(data);
  NearMinimumRun run = growOnSession(s, grow, env, goal, data, x);
  AnalysisOutcome a;
  a.ran = true;
  a.capacityReached = run.capacityReached;
  a.seconds = run.seconds;
  const Report rep = representationReport(s, run.facts(), x);
  storeRepresentation(s.ws.cards, rep.reps);
  a.results = std::move(run.results) + rep.text;
  return a;
}

RunOutcome nearMinimumRun(Session& s, const SelectionEnv& env) {
  if (!s.ws.datafile.opened) return {};
  const AnalysisData data = analysisData(s);
  return growOnSession(s, nearMinimumSetRun, env, {}, data, SelectionIndex(data)).run;
}

AnalysisOutcome runNearMinimumSet(Session& s, const SelectionEnv& env) {
  return applyNearMinimumRun(s, kCodeNearMinimum, nearMinimumSetRun, env);
}

AnalysisOutcome runNearMaximumCoverage(Session& s, bool byBudget, int areasToAdd, double budget,
                                       const SelectionEnv& env) {
  return applyNearMinimumRun(s, kCodeNearMaximumCoverage, coverageSetRun, env, {byBudget, areasToAdd, budget});
}

int mapGrownSet(Session& s, MeasureCode code, GrownSetMapFn map, const std::string& caption,
                std::optional<Notice>& refusal) {
  if (!s.areas.nearMinimumDone) {
    refusal = Notice{"No areas have been selected yet.", caption, Icon::None};
    return 0;
  }
  if (!fullyFlexibleApplies(s)) return 0;
  const FullyFlexibleMap m = map(analysisData(s), s.areas, soleAreas(s), exactByCost(s));
  if (!m.applies) return 0;
  setMeasureCode(s, code);
  // Every cell record: those past the map's units score nothing.
  for (std::size_t n = 0; n < s.ws.cells.size(); ++n) {
    s.ws.cells[n].score = n < m.score.size() ? m.score[n] : 0.0;
    s.ws.cells[n].count = n < m.count.size() ? m.count[n] : 0;
  }
  finishMeasure(s, m.top);
  return m.top;
}

int showGoalEssentialTaxa(Session& s, int cell) {
  if (cell < 1 || cell > std::min(s.ws.geo.cells, static_cast<int>(s.ws.cells.size()) - 2)) return 0;
  const std::vector<int> taxa = goalEssentialTaxa(s, cell);
  setMeasureCode(s, kCodeFlexibilityPlot);
  clearPlotMarks(s.ws);
  for (int t : taxa) {
    setPlotMark(s.ws, t, true);
    s.map.currentTaxon = t;
  }
  const int essential = static_cast<int>(taxa.size());
  if (essential == 0) {
    s.map.dataTitle = "no goal-essential taxa";
    return 0;
  }
  if (essential > 1) {
    computeSelective(s, kCodeFlexibilityPlot);
    s.map.dataTitle = strprintf("%d goal-essential taxa", essential);
  }
  return essential;
}

bool useAreaValues(Session& s, ValueKind kind, const std::vector<double>& values,
                   std::optional<Notice>* missingNotice) {
  const bool present = applyAreaValues(s.ws, kind, values, missingNotice);
  if (kind == ValueKind::Cost) {
    s.costPresent = present;
    if (!present) s.settings.optimiseByCost = Flag::kOff;
  }
  return present;
}

std::optional<bool> convertScoresToValues(Session& s, ValueKind kind, std::optional<Notice>& notice) {
  if (!s.scoresPresent) {
    notice = Notice{"No values are available.", valueCommandTitle(kind), Icon::None};
    return std::nullopt;
  }
  const std::vector<double> values = valuesFromScores(s);
  setMeasureCode(s, kCodeNone);
  const bool present = useAreaValues(s, kind, values, &notice);
  clearScores(s);
  return present;
}

}  // namespace zn
