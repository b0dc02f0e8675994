#include "shell/runinputs.h"

#include <algorithm>

#include "measures/dispatch.h"
#include "selection/areaset.h"
#include "selection/hotspots.h"
#include "selection/report.h"
#include "selection/selectionindex.h"
#include "shell/mapmeasures.h"
#include "shell/reportinputs.h"

namespace zn {

bool exactByCost(const Session& s) { return s.settings.optimiseByCost != Flag::kOff && s.costPresent; }

ExactKind coverageKind(const Session& s) {
  return exactByCost(s) ? ExactKind::CoverageByBudget : ExactKind::CoverageByNumber;
}

ExactRequest withOptions(const Session& s, ExactRequest request) {
  request.goal = std::max(1, s.settings.nearMinimumGoal);
  request.includeSeeds = s.settings.includeSeeds != Flag::kOff;
  request.byCost = exactByCost(s);
  return request;
}

// The index counts no more units than the workspace has cells.
SelectionIndex selectionIndex(const Session& s, const AnalysisData& data) {
  SelectionIndex x(data);
  x.cells = std::min(x.ix.units, static_cast<int>(s.ws.cells.size()) - 2);
  return x;
}

SelectionIndex selectionIndex(const Session& s) { return selectionIndex(s, analysisData(s)); }

GreedyResult growGreedySet(const Session& s, const AreaSet& start, const GreedyOptions& o, Feedback& feedback) {
  if (!s.ws.datafile.opened) return {};
  return growGreedySet(analysisData(s), start, o, feedback);
}

RunOutcome runMainRun(const Session& s, const RunRequest& request, AreaSet& areas, Feedback& feedback) {
  if (!s.ws.datafile.opened) return {};
  const AnalysisData data = analysisData(s);
  const SelectionIndex x = selectionIndex(s, data);
  if (!request.report.header.empty() || !request.params.longReports)
    return runMainRun(data, x, request, areas, feedback, cellMarks(s.ws));
  RunRequest r = request;
  r.report = reportContext(s);
  return runMainRun(data, x, r, areas, feedback, cellMarks(s.ws));
}

RandomSetsOutcome runRandomSets(const Session& s, const AreaSet& set, const RandomSetsParams& p, Feedback& feedback) {
  if (!s.ws.datafile.opened) return {};
  return runRandomSets(analysisData(s), set, p, feedback);
}

ExactProblem buildExactProblem(const Session& s, const ExactRequest& request) {
  return buildExactProblem(s, s.areas, request);
}

ExactProblem buildExactProblem(const Session& s, const AreaSet& set, const ExactRequest& request) {
  if (!s.ws.datafile.opened) return buildExactProblem(AnalysisData{}, set, withOptions(s, request));
  return buildExactProblem(analysisData(s), set, withOptions(s, request));
}

namespace {

std::string curvesRefusal(const Session& s) {
  // Every column grows from nothing to cover each taxon once; seeds or a
  // higher goal would hold for some columns and not others.
  if (s.areas.seedCount > 0) return "Representation curves start from an empty set: clear the seed areas to draw them.";
  return curvesGoalRefusal(s.settings);
}

}  // namespace

CurveSet computeCurves(const Session& s, const CurveParams& p) {
  CurveSet out;
  if (!s.ws.datafile.opened) {
    out.error = "No datafile is open.";
    return out;
  }
  const AnalysisData a = analysisData(s);
  out.error = qualityRefusal(a, p.runs);
  if (out.error.empty()) out.error = curvesRefusal(s);
  if (!out.error.empty()) return out;
  CurveOrders orders;
  orders.nearMinimum = [&s](std::uint32_t seed) {
    Settings st = s.settings;
    st.nearMinimumGoal = 1;
    SelectionEnv env;
    env.seed = seed;
    RunRequest req;
    req.params = nearMinimumParams(st, s.costPresent, env);
    AreaSet set;
    Progress quiet;
    runMainRun(s, req, set, quiet);
    return set.cells;
  };
  orders.greedy = greedyOptions(s.settings, s.costPresent);
  orders.hotspots = [&a, &s](int n) {
    // Richness hotspots from no set, on the data: the map stays as it is.
    const MeasureResult richness = a.data ? runRichness(MeasureInput{a, AreaSet{}}, measureParams(s)) : MeasureResult{};
    return chooseHotspots(richness.score, AreaSet{}, n).chosen;
  };
  return computeCurves(a, p, orders, s.progress);
}

std::vector<int> soleAreas(const Session& s) {
  const CardStore& cards = s.ws.cards;
  std::vector<int> sole(static_cast<std::size_t>(std::max(0, std::min(s.ws.taxaCount, cards.slots()))));
  for (int t = 0; t < static_cast<int>(sole.size()); ++t)
    sole[static_cast<std::size_t>(t)] = cards.field(t, cards.layout->soleArea);
  return sole;
}

std::vector<int> fullyFlexibleAlternatives(const Session& s, int area) {
  return fullyFlexibleAlternatives(analysisData(s), soleAreas(s), exactByCost(s), area);
}

bool fullyFlexibleApplies(const Session& s) {
  return s.ws.datafile.opened && s.areas.nearMinimumDone && !s.areas.empty() && fullyFlexibleRuleHolds(s.settings);
}

bool goalEssentialClickApplies(const Session& s) {
  const MeasureCode code = s.map.code();
  const bool shows = code == kCodeNearMinimum || code == kCodeFlexibilityPlot ||
                     (code == kCodeNearMaximumCoverage && s.settings.mapAllFlexible == Flag::kOff);
  return s.ws.datafile.opened && shows && s.settings.nearMinimumGoal == 1;
}

std::vector<int> goalEssentialTaxa(const Session& s, int cell) {
  std::vector<int> taxa;
  if (cell < 1 || cell > std::min(s.ws.geo.cells, static_cast<int>(s.ws.cells.size()) - 2)) return taxa;
  const std::vector<int> sole = soleAreas(s);
  for (int t = 0; t < static_cast<int>(sole.size()); ++t)
    if (sole[static_cast<std::size_t>(t)] == cell) taxa.push_back(t);
  return taxa;
}

std::vector<double> valuesFromScores(const Session& s) { return valuesFromScores(s.ws, s.map.scoreOffset); }

BudgetBounds budgetBounds(const Session& s) { return budgetBounds(s.ws, s.settings.excludedLevel, s.areas); }

BudgetModel openBudget(const Session& s) { return openBudget(budgetBounds(s), s.settings.budget()); }

NumberOfAreasModel openNumberOfAreas(const Session& s) { return openNumberOfAreas(s.areas, s.settings.areasToAdd); }

std::string curvesReport(const Session& s, const CurveSet& c) { return curvesReport(reportDataLine(s), c); }

}  // namespace zn
