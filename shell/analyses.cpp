#include "shell/analyses.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "measures/selective.h"
#include "measures/smoothing.h"
#include "measures/tree.h"
#include "selection/areaset.h"
#include "selection/curves.h"
#include "selection/exact.h"
#include "selection/flexibility.h"
#include "selection/frequency.h"
#include "selection/greedy.h"
#include "selection/hotspots.h"
#include "selection/irreplaceability.h"
#include "selection/nearminimum.h"
#include "selection/randomsets.h"
#include "selection/replacement.h"
#include "selection/report.h"
#include "selection/stopwatch.h"
#include "selection/values.h"
#include "shell/exact_commands.h"
#include "shell/measure_commands.h"
#include "shell/menu.h"
#include "shell/nearminimum_runs.h"
#include "shell/projectrun.h"
#include "shell/reportinputs.h"
#include "shell/runinputs.h"
#include "shell/set_commands.h"
#include "store/parse.h"
#include "store/text.h"

namespace zn {

namespace {

AnalysisResult fromOutcome(AnalysisOutcome a) {
  AnalysisResult r;
  r.ran = a.ran;
  r.message = std::move(a.refusal);
  r.results = std::move(a.results);
  r.capacityReached = a.capacityReached;
  r.seconds = a.seconds;
  return r;
}

SelectionEnv environment(const AnalysisParams& p) {
  SelectionEnv env;
  env.threatPresent = p.threatPresent;
  env.seed = p.seed;
  return env;
}

// The cells that could still add a taxon, as the analyses that ask for a
// number of areas count them first (the titles give the areas as a share).
int countCandidates(Session& s) {
  countCandidatesAsMenus(s);
  return s.areas.candidateCells;
}

// The number of areas to add within the room left in the set, and the
// budget within the candidate cells' costs, as the dialogs accept them. The
// options keep what the dialogs accepted; a run only reads them.
int areasToAdd(const Session& s, const AnalysisParams& p, AnalysisResult& r) {
  RunRoom room;
  room.room = kAreaCapacity - s.areas.count();
  return boundedAreas(room, p.areasToAdd, s.settings.areasToAdd, r.notes);
}

double budgetToSpend(const Session& s, const AnalysisParams& p, AnalysisResult& r) {
  return boundedBudget(RunRoom{.budget = budgetBounds(s), .defaultBudget = s.settings.budget()}, p.budget, r.notes);
}

double timeLimit(const Session& s, const AnalysisParams& p) {
  return TimeLimit::forRun(p.timeLimit, s.settings).seconds();
}

bool byBudget(const Session& s) { return s.settings.optimiseByCost != Flag::kOff && s.costPresent; }

// The coverage sets by number grow by at most the candidate cells.
void noteFewCandidates(int candidates, int areas, AnalysisResult& r) {
  if (candidates > 0 && areas > candidates)
    r.notes.push_back(strprintf("only %d candidate cells: the set grows by at most %d areas", candidates, candidates));
}

std::function<bool(int)> percentProgress(const AnalysisParams& p) {
  if (!p.progress) return {};
  return [&p](int percent) { return p.progress(strprintf("%d%% done", percent)); };
}

AnalysisResult measure(Session& s, MeasureCode code, const AnalysisParams& p) {
  AnalysisResult r;
  r.title = runMeasureCommand(s, code, p.title);
  // The tree measures refuse without tree data, with their own message.
  r.ran = !mapTraits(code).needsHierarchy || s.subgroupDataPresent;
  return r;
}

AnalysisResult selectivePlot(Session& s, MeasureCode code, const AnalysisParams& p) {
  // One line per taxon; a negative taxon stands for a line that marks none.
  SelectivePlotModel m;
  const int taxa = std::min(s.ws.taxaCount, s.ws.cards.slots());
  for (int t : p.taxa) {
    m.selected.push_back(t >= 0 && t < taxa ? static_cast<int>(m.lineTaxon.size()) : -1);
    if (t >= 0 && t < taxa) m.lineTaxon.push_back(t);
  }
  m.action = SelectivePlotModel::Action::Plot;
  AnalysisResult r;
  r.title = plotSelection(s, code, m, r.message, p.title);
  r.ran = !r.message;
  return r;
}

// A pass over the scores on the map; an overlay has none to pass over.
AnalysisResult pass(Session& s, const AnalysisParams& p, void (*apply)(Session&)) {
  AnalysisResult r;
  if (s.map.code() == kCodeOverlay) return r;
  BusyGuard busy(s.progress);
  apply(s);
  r.ran = true;
  r.title = buildTitle(s, p.title);
  return r;
}

// A set the entry grows by progressive rarity from the set on screen; a
// coverage set first bounds its number of areas or budget as its dialog does.
AnalysisResult grownSet(Session& s, MeasureCode code, NearMinimumRunFn grow, bool takesAreas, const AnalysisParams& p) {
  AnalysisResult r;
  CoverageGoal goal;
  if (takesAreas) {
    const int candidates = countCandidates(s);
    goal.byBudget = byBudget(s);
    goal.areas = areasToAdd(s, p, r);
    goal.budget = goal.byBudget ? budgetToSpend(s, p, r) : s.settings.budget();
    if (!goal.byBudget) noteFewCandidates(candidates, goal.areas, r);
  }
  AnalysisResult run = fromOutcome(applyNearMinimumRun(s, code, grow, environment(p), goal));
  run.notes = std::move(r.notes);
  return run;
}

// A map the entry reads from the grown set on screen.
AnalysisResult grownSetMap(Session& s, MeasureCode code, GrownSetMapFn map, const std::string& caption) {
  AnalysisResult r;
  BusyGuard busy(s.progress);
  r.ran = mapGrownSet(s, code, map, caption, r.message) > 0;
  if (!r.ran && !r.message) r.notes.push_back(kNoFullyFlexibleAreas);
  return r;
}

// A map of scores the entry reckons from the datafile's data and set.
AnalysisResult unitScores(Session& s, MeasureCode code, MeasureResult (*score)(const AnalysisData&, const AreaSet&)) {
  AnalysisResult r;
  if (!s.ws.datafile.opened) return r;
  BusyGuard busy(s.progress);
  MeasureResult m = score(analysisData(s), s.areas);
  m.excludedLevel = s.settings.excludedLevel;
  setMeasureCode(s, code);
  applyMeasure(m, s.map, s.ws, s.scoresPresent);
  r.ran = true;
  if (m.taxaCounted == 0) r.notes.push_back(noScoreReason(s) + ": no cell scores");
  return r;
}

// A set the entry chooses from the datafile's data, grown from the set on
// screen: its areas, its scores on the map, its report.
AnalysisResult chosenSet(Session& s, MeasureCode code, SetRunFn choose, bool takesAreas, const AnalysisParams& p) {
  AnalysisResult r;
  int areas = 0;
  if (takesAreas) {
    countCandidates(s);
    areas = areasToAdd(s, p, r);
  }
  if (!s.ws.datafile.opened) return r;
  BusyGuard busy(s.progress);
  SetRunParams params{.settings = s.settings,
                      .start = s.areas,
                      .areas = areas,
                      .seed = p.seed.value_or(static_cast<std::uint32_t>(s.progress.timeOfDay())),
                      .costs = s.costPresent};
  SetRun run = choose(analysisData(s), params, s.progress);
  if (run.failure) {
    setMeasureCode(s, kCodeNone);
    r.message = std::move(run.failure);
    return r;
  }
  if (!run.misfit.empty()) {
    r.notes.push_back(std::move(run.misfit));
    return r;
  }
  setMeasureCode(s, code);
  if (!run.ran) return r;
  s.areas.cells = std::move(run.set.cells);
  s.areas.seedCount = run.set.seedCount;
  clearScores(s);
  run.scores.excludedLevel = s.settings.excludedLevel;
  applyMeasure(run.scores, s.map, s.ws, s.scoresPresent);
  s.map.smoothPasses = run.smoothPasses;
  r.notes.insert(r.notes.end(), run.notes.begin(), run.notes.end());
  if (!run.nothing.empty()) {
    r.notes.push_back(run.nothing);
    return r;
  }
  CardStore& cards = s.ws.cards;
  for (std::size_t t = 0; t < run.representation.size(); ++t)
    cards.setField(static_cast<int>(t), cards.layout->repCount, run.representation[t]);
  r.ran = true;
  r.results = representationReport(s, run.facts()).text;
  r.seconds = run.seconds;
  return r;
}

// An exact set from the set on screen; its map is ranked as "Re-order set
// by richness" ranks it and titled after the set for as long as the set is
// unchanged. A coverage set first bounds its number of areas or budget as
// its dialog does.
AnalysisResult solvedSet(Session& s, ExactRunFn solve, bool coverage, const AnalysisParams& p) {
  AnalysisResult r;
  ExactRunParams params{.settings = s.settings};
  if (coverage) {
    const int candidates = countCandidates(s);
    params.kind = coverageKind(s);
    params.areas = areasToAdd(s, p, r);
    const bool spends = params.kind == ExactKind::CoverageByBudget;
    params.budget = spends ? budgetToSpend(s, p, r) : s.settings.budget();
    if (!spends) noteFewCandidates(candidates, params.areas, r);
  }
  if (!s.ws.datafile.opened) return r;
  params.start = s.areas;
  params.marks = cellMarks(s.ws);
  params.mapCode = s.map.code();
  params.costs = s.costPresent;
  params.timeLimitSeconds = timeLimit(s, p);
  params.workLimit = p.workLimit.value_or(0);
  params.progress = p.progress;
  ExactSetOutcome e;
  {
    BusyGuard busy(s.progress);
    const AnalysisData data = analysisData(s);
    e = solve(data, selectionIndex(s, data), params);
    if (e.ran) r.results = placeExactSet(s, e);
  }
  r.ran = e.ran;
  if (!e.ran) return r;
  r.notes.insert(r.notes.end(), e.notes.begin(), e.notes.end());
  r.capacityReached = e.capacityReached;
  s.areas.exactKind = !e.result.hasSolution ? AreaSet::Exact::kNone
                      : !coverage           ? AreaSet::Exact::kMinimumSet
                                            : AreaSet::Exact::kMaximumCoverage;
  s.areas.exactCells = s.areas.cells;
  return r;
}

// A search behind the busy cursor, left in `found`: false when it was
// refused (shown under the caption) or stopped (nothing shown).
template <class Result, class Compute>
bool searchRan(Session& s, const std::string& caption, Compute compute, Result& found, AnalysisResult& r) {
  {
    BusyGuard busy(s.progress);
    found = compute();
  }
  if (!found.error.empty()) r.message = Notice{found.error, caption, Icon::Exclamation};
  r.stopped = found.stopped;
  return found.error.empty() && !found.stopped;
}

// A search the entry makes on the datafile's data: its scores on the map
// under `code` and its report; the area set stays as it was.
AnalysisResult searched(Session& s, MeasureCode code, const std::string& caption, SearchRunFn run,
                        const AnalysisParams& p) {
  SearchRun found;
  AnalysisResult r;
  // Without a datafile the search refuses as on any data without taxa.
  const auto compute = [&] {
    return run(s.ws.datafile.opened ? analysisData(s) : AnalysisData{},
               SearchRunParams{.settings = s.settings,
                               .costs = s.costPresent,
                               .runs = p.runs,
                               .timeLimitSeconds = timeLimit(s, p),
                               .progress = percentProgress(p),
                               .report = reportContext(s)},
               s.progress);
  };
  if (!searchRan(s, caption, compute, found, r)) return r;
  clearScores(s);
  setMeasureCode(s, code);
  if (found.runs) s.map.runs = *found.runs;
  found.scores.ran = true;
  found.scores.excludedLevel = s.settings.excludedLevel;
  applyMeasure(found.scores, s.map, s.ws, s.scoresPresent);
  r.results = std::move(found.results);
  r.ran = true;
  return r;
}

// The representation curves of the session's data; the map and the area
// set stay as they were.
AnalysisResult curves(Session& s, const AnalysisParams& p) {
  CurveParams cp;
  cp.maxAreas = p.maxAreas.value_or(0);
  cp.runs = p.runs.value_or(cp.runs);
  cp.seed = p.seed.value_or(static_cast<std::uint32_t>(s.progress.timeOfDay()));
  cp.timeLimitSeconds = timeLimit(s, p);
  cp.progress = percentProgress(p);
  auto found = std::make_shared<CurveSet>();
  AnalysisResult r;
  if (!searchRan(s, "Representation curves", [&] { return computeCurves(s, cp); }, *found, r)) return r;
  r.results = curvesReport(s, *found);
  r.ran = true;
  r.seconds = found->seconds;
  r.curves = std::move(found);
  return r;
}

constexpr const char* kDiversity = "&Diversity";
constexpr const char* kRarity = "&Rarity";
constexpr const char* kAreaSelection = "&Area selection";
constexpr const char* kTools = "&AnalyticalTools";

// The kinds of the maps the analyses leave, each named by its entry below.
using namespace trait;
constexpr SettingsField kRarityReads[] = {settingsField<&Settings::rarityFormula>()};
constexpr SettingsField kRangeCentreReads[] = {settingsField<&Settings::rangeCentreWeighting>()};
constexpr SettingsField kThresholdReads[] = {settingsField<&Settings::rangeSizeThreshold>()};
constexpr SettingsField kResidualReads[] = {settingsField<&Settings::smoothByMean>()};
constexpr SettingsField kHotspotReads[] = {settingsField<&Settings::hotspotKind>()};
constexpr SettingsField kNearMinimumReads[] = {
    settingsField<&Settings::rejectRedundant>(), settingsField<&Settings::reordering>(),
    settingsField<&Settings::nearMinimumGoal>(), settingsField<&Settings::flexibilityMap>(),
    settingsField<&Settings::optimiseByCost>(),  settingsField<&Settings::flexibilityPartial>(),
    settingsField<&Settings::includeSeeds>(),    settingsField<&Settings::extraTieBreaks>(),
    settingsField<&Settings::mapAllFlexible>(),  settingsField<&Settings::lastTieRandom>()};
constexpr SettingsField kGreedyReads[] = {
    settingsField<&Settings::greedyRejectRedundant>(), settingsField<&Settings::greedyByRarity>(),
    settingsField<&Settings::greedyGoal>(), settingsField<&Settings::greedyIncludeSeeds>()};

constexpr MeasureTraits kRangeSizeRarityMap =
    mapKind(kCodeRangeSizeRarity, kMeanable | kDependsOnSet | kRecomputesItself, kRarityReads);
constexpr MeasureTraits kSubtreeLengthMap =
    mapKind(kCodeSubtreeLength, kMeanable | kDependsOnSet | kRecomputesItself | kNeedsHierarchy);
constexpr MeasureTraits kRootDistanceMap =
    mapKind(kCodeRootDistance, kMeanable | kDependsOnSet | kRecomputesItself | kNeedsHierarchy);
constexpr MeasureTraits kRareQuartileMap = mapKind(kCodeRareQuartile, kCounts | kDependsOnSet | kRecomputesItself);
constexpr MeasureTraits kRangeCentresMap = mapKind(
    kCodeRangeCentres, kCounts | kMeanable | kDependsOnSet | kRecomputesItself | kNeedsFixedGrid, kRangeCentreReads);
constexpr MeasureTraits kMedianRangeMap = mapKind(kCodeMedianRange, kDependsOnSet | kRecomputesItself);
constexpr MeasureTraits kSelectiveRichnessMap = mapKind(kCodeSelectiveRichness, kCounts | kNotInvertible);
constexpr MeasureTraits kSelectiveRarityMap = mapKind(kCodeSelectiveRarity, 0);
constexpr MeasureTraits kLevelNMap = mapKind(kCodeLevelN, kCounts | kNeedsLevels);
constexpr MeasureTraits kMaxLevelMap = mapKind(
    kCodeMaxLevel, kCategory | kMaxLevelSpots | kNotInvertible | kNotSmoothable | kNeedsLevels, {}, "max data level");
constexpr MeasureTraits kRareThresholdMap = mapKind(kCodeRareThreshold, kCounts, kThresholdReads);
constexpr MeasureTraits kResidualsMap = mapKind(kCodeResiduals, kNeedsFixedGrid, kResidualReads);
constexpr MeasureTraits kMedianQuantitativeMap = mapKind(
    kCodeMedianQuantitative, kCountsAlways | kMedianNumbers | kNoTitle | kNeedsQuantitative | kNeedsLevels);
constexpr MeasureTraits kHotspotsMap = mapKind(kCodeHotspots, kNotInvertible | kNotSmoothable | kSelectsAreas,
                                               kHotspotReads, nullptr, MapReading::HotspotScores);
constexpr MeasureTraits kGreedyMap =
    mapKind(kCodeGreedy, kChosenAreas | kSelectsAreas, kGreedyReads, nullptr, MapReading::ChoiceOrder);
constexpr MeasureTraits kNearMinimumMap = mapKind(kCodeNearMinimum, kChosenAreas | kLargeSpots | kSelectsAreas,
                                                  kNearMinimumReads, nullptr, MapReading::NearMinimumSet);
constexpr MeasureTraits kNearMaximumCoverageMap =
    mapKind(kCodeNearMaximumCoverage, kChosenAreas | kSelectsAreas, {}, nullptr, MapReading::CoverageSet);
constexpr MeasureTraits kFullyFlexibleMap =
    mapKind(kCodeFullyFlexible, kCategory | kSelectsAreas, {}, nullptr, MapReading::FullyFlexible);
constexpr MeasureTraits kEmrIrreplaceabilityMap =
    mapKind(kCodeEmrIrreplaceability, kDependsOnSet, {}, nullptr, MapReading::LevelAndRange);
constexpr MeasureTraits kMaxRarityMap = mapKind(kCodeMaxRarity, kDependsOnSet, {}, nullptr, MapReading::LevelAndRange);
constexpr MeasureTraits kReorderedByRichnessMap =
    mapKind(kCodeReorderedByRichness, kChosenAreas, {}, nullptr, MapReading::TaxaAdded);
constexpr MeasureTraits kReorderedByThreatMap =
    mapKind(kCodeReorderedByThreat, kCategory, {}, "area set re-ordered by threat", MapReading::Threat);
constexpr MeasureTraits kRandomSetsMap =
    mapKind(kCodeRandomSets, kCategory | kNotInvertible, {}, "random area choices", MapReading::TimesChosen);
constexpr MeasureTraits kRepresentationMap = mapKind(kCodeRepresentation, 0, {}, nullptr, MapReading::SetReport);
// Shares of runs and replacement costs are few values, each worded in the key.
constexpr MeasureTraits kSelectionFrequencyMap =
    mapKind(kCodeSelectionFrequency, kCategory, {}, nullptr, MapReading::ShareOfRuns);
constexpr MeasureTraits kReplacementCostMap =
    mapKind(kCodeReplacementCost, kCategory, {}, "replacement cost (exact minimum set)", MapReading::ReplacementCost);

Analysis measureEntry(std::string name, Command command, const MeasureTraits& map, MeasureKernel kernel,
                      MenuPlace menu) {
  Analysis a;
  a.name = std::move(name);
  a.command = command;
  a.menus = {std::move(menu)};
  a.kind = AnalysisKind::Measure;
  a.map = &map;
  a.kernel = kernel;
  const MeasureCode code = a.code();
  if (code == kCodeSelectiveRichness || code == kCodeSelectiveRarity)
    a.run = [code](Session& s, const AnalysisParams& p) { return selectivePlot(s, code, p); };
  else a.run = [code](Session& s, const AnalysisParams& p) { return measure(s, code, p); };
  return a;
}

Analysis passEntry(std::string name, Command command, void (*apply)(Session&), MenuPlace menu) {
  Analysis a;
  a.name = std::move(name);
  a.command = command;
  a.menus = {std::move(menu)};
  a.kind = AnalysisKind::Pass;
  a.run = [apply](Session& s, const AnalysisParams& p) { return pass(s, p, apply); };
  return a;
}

// An analysis of the area-selection menu; `label` and `position` place it
// there (no position: after the menu's other items).
struct Selection {
  std::string name;
  Command command;
  const MeasureTraits* map;  // the kind of map it leaves
  // Why it does not run on a project, where it does not; each form below
  // brings its run on either kind of data.
  std::string notOnProject = {};
  MeasureResult (*scoreUnits)(const AnalysisData&, const AreaSet&) = nullptr;
  SetRunFn chooseSet = nullptr;
  NearMinimumRunFn growSet = nullptr;
  SearchRunFn search = nullptr;
  CurrentSetFn onSet = nullptr;
  ExactRunFn solveSet = nullptr;
  GrownSetMapFn mapGrownSet = nullptr;
  std::string label;
  std::optional<int> position = {};
  std::vector<Param> takes = {};
  std::vector<Check> checks = {};
  bool scoreMap = false;
  std::string after = {};
  bool stoppable = false;
  std::vector<MenuPlace> elsewhere = {};  // its items in other menus
};

Analysis selectionEntry(Selection e) {
  Analysis a;
  a.name = std::move(e.name);
  a.command = e.command;
  a.menus = {MenuPlace{kAreaSelection, std::move(e.label), e.position}};
  a.menus.insert(a.menus.end(), e.elsewhere.begin(), e.elsewhere.end());
  a.kind = AnalysisKind::Selection;
  a.map = e.map;
  a.takes = std::move(e.takes);
  a.checks = std::move(e.checks);
  a.scoreMap = e.scoreMap;
  a.after = std::move(e.after);
  a.stoppable = e.stoppable;
  a.notOnProject = std::move(e.notOnProject);
  a.scoreUnits = e.scoreUnits;
  if (a.scoreUnits) {
    a.run = [code = a.code(), score = a.scoreUnits](Session& s, const AnalysisParams&) {
      return unitScores(s, code, score);
    };
    a.onProject = &ProjectRun::unitScores;
  }
  a.chooseSet = e.chooseSet;
  if (a.chooseSet) {
    a.run = [code = a.code(), choose = a.chooseSet, areas = a.takesParam(Param::AreasToAdd)](
                Session& s, const AnalysisParams& p) { return chosenSet(s, code, choose, areas, p); };
    a.onProject = &ProjectRun::chosenSet;
  }
  a.growSet = e.growSet;
  if (a.growSet) {
    a.run = [code = a.code(), grow = a.growSet, areas = a.takesParam(Param::AreasToAdd)](
                Session& s, const AnalysisParams& p) { return grownSet(s, code, grow, areas, p); };
    a.onProject = &ProjectRun::grownSet;
  }
  a.search = e.search;
  if (a.search) {
    a.run = [code = a.code(), caption = a.caption(), run = a.search](Session& s, const AnalysisParams& p) {
      return searched(s, code, caption, run, p);
    };
    a.onProject = &ProjectRun::searched;
  }
  a.onSet = e.onSet;
  if (a.onSet) {
    a.run = [code = a.code(), run = a.onSet](Session& s, const AnalysisParams& p) {
      ReportFacts f;
      f.seconds = p.lastSeconds;
      return fromOutcome(applyCurrentSetRun(s, code, run, p.threatPresent, f));
    };
    // One that says why it does not run on a project has no project run.
    if (a.notOnProject.empty()) a.onProject = &ProjectRun::currentSet;
  }
  a.solveSet = e.solveSet;
  if (a.solveSet) {
    a.run = [solve = a.solveSet, coverage = a.takesParam(Param::AreasToAdd)](Session& s, const AnalysisParams& p) {
      return solvedSet(s, solve, coverage, p);
    };
    a.onProject = &ProjectRun::solvedSet;
  }
  a.mapGrownSet = e.mapGrownSet;
  if (a.mapGrownSet) {
    a.run = [code = a.code(), map = a.mapGrownSet, caption = a.caption()](Session& s, const AnalysisParams&) {
      return grownSetMap(s, code, map, caption);
    };
    a.onProject = &ProjectRun::grownSetMap;
  }
  return a;
}

std::vector<Analysis> buildAnalyses() {
  std::vector<Analysis> list{
      measureEntry("richness", Command::Richness, baseMapKind(kCodeRichness), plainKernel<runRichness>,
                   {kDiversity, "&Richness", 0}),
      measureEntry("range-size-rarity", Command::RangeSizeRarity, kRangeSizeRarityMap, plainKernel<runRangeSizeRarity>,
                   {kRarity, "&Range-size rarity", 0}),
      measureEntry("rare-quartile", Command::RareQuartileRichness, kRareQuartileMap, plainKernel<runRareQuartile>,
                   {kRarity, "Rare-&quartile richness", 4}),
      measureEntry("rare-threshold", Command::RareThresholdRichness, kRareThresholdMap, plainKernel<runRareThreshold>,
                   {kRarity, "Rare-&threshold richness", 3}),
      measureEntry("range-centres", Command::RarityRangeCentres, kRangeCentresMap, plainKernel<runRangeCentres>,
                   {kRarity, "Range &centres", 2}),
      measureEntry("median-range", Command::MedianRangeSize, kMedianRangeMap, plainKernel<runMedianRange>,
                   {kRarity, "&Median range size", 5}),
      measureEntry("level-n", Command::LevelNRichness, kLevelNMap, plainKernel<runLevelN>,
                   {kDiversity, "Level &n richness", 2}),
      measureEntry("max-level", Command::MaxDataLevel, kMaxLevelMap, plainKernel<runMaxLevel>,
                   {kDiversity, "&Max data level", 3}),
      measureEntry("median-quantitative", Command::MedianQuantitative, kMedianQuantitativeMap,
                   plainKernel<runMedianQuantitative>, {kDiversity, "Median &quantitative data", 4}),
      measureEntry("subtree-length", Command::SubtreeLength, kSubtreeLengthMap, plainKernel<runSubtreeLength>,
                   {kDiversity, "Subtree &length", 7}),
      measureEntry("root-distance", Command::MeanRootDistance, kRootDistanceMap, plainKernel<runRootDistance>,
                   {kDiversity, "Mean root &distance", 8}),
      measureEntry("residuals", Command::ResidualsFromSmoothing, kResidualsMap, nullptr,
                   {kDiversity, "Residuals &from smoothing", 6}),
      measureEntry("selective-richness", Command::SelectiveRichness, kSelectiveRichnessMap, runSelective,
                   {kDiversity, "&Selective richness", 1}),
      measureEntry("selective-rarity", Command::SelectiveRarity, kSelectiveRarityMap, runSelective,
                   {kRarity, "&Selective rarity", 1}),
      passEntry("mean", Command::MeanScores, meanPass, {kTools, "&Mean scores", 7}),
      passEntry("smooth", Command::SmoothScores, smoothPass, {kTools, "&Smooth scores", 8}),
  };
  using enum Param;
  using enum Check;
  std::vector<Analysis> selections{
      selectionEntry({.name = "near-minimum",
                      .command = Command::NearMinimumSet,
                      .map = &kNearMinimumMap,
                      .growSet = nearMinimumSetRun,
                      .label = "Near-mi&nimum set",
                      .position = 1,
                      .checks = {ThreatForReordering}}),
      selectionEntry({.name = "coverage",
                      .command = Command::NearMaximumCoverage,
                      .map = &kNearMaximumCoverageMap,
                      .growSet = coverageSetRun,
                      .label = "Near-ma&ximum-coverage set",
                      .position = 0,
                      .takes = {AreasToAdd, Budget},
                      .checks = {ThreatForReordering, RoomInSet, CandidateCells}}),
      selectionEntry({.name = "greedy",
                      .command = Command::GreedySet,
                      .map = &kGreedyMap,
                      .chooseSet = greedySetRun,
                      .label = "&Greedy set",
                      .position = 4}),
      selectionEntry({.name = "hotspots",
                      .command = Command::Hotspots,
                      .map = &kHotspotsMap,
                      .chooseSet = hotspotSetRun,
                      .label = "&Hotspots",
                      .position = 5,
                      .takes = {AreasToAdd},
                      .checks = {RoomInSet}}),
      selectionEntry({.name = "flexible",
                      .command = Command::MapFullyFlexible,
                      .map = &kFullyFlexibleMap,
                      .mapGrownSet = fullyFlexibleMap,
                      .label = "Map fully &flexible areas",
                      .position = 12,
                      .checks = {ThreatForReordering, SingleRepresentation},
                      .scoreMap = true,
                      .after = "near-minimum"}),
      selectionEntry(
          {.name = "emr",
           .command = Command::EmrIrreplaceability,
           .map = &kEmrIrreplaceabilityMap,
           .scoreUnits = [](const AnalysisData& d,
                            const AreaSet& set) { return asMapScores(computeEmrIrreplaceability(d, set)); },
           .label = "&EMR irreplaceability",
           .position = 6,
           .scoreMap = true}),
      selectionEntry({.name = "max-rarity",
                      .command = Command::MaxRarity,
                      .map = &kMaxRarityMap,
                      .scoreUnits = [](const AnalysisData& d,
                                       const AreaSet& set) { return asMapScores(computeMaxRarity(d, set)); },
                      .label = "Max &rarity (irreplaceability)",
                      .position = 7,
                      .scoreMap = true,
                      // "M&inimum range size" has always run the max rarity command.
                      .elsewhere = {{kRarity, "M&inimum range size", 6}}}),
      selectionEntry({.name = "reorder-richness",
                      .command = Command::ReorderByRichness,
                      .map = &kReorderedByRichnessMap,
                      .onSet = reorderByRichnessRun,
                      .label = "Re-&order set by richness",
                      .position = 9}),
      selectionEntry({.name = "reorder-threat",
                      .command = Command::ReorderByThreat,
                      .map = &kReorderedByThreatMap,
                      .notOnProject = "needs threat values; a project's units carry none",
                      .onSet = reorderByThreatRun,
                      .label = "Re-order set by threat",
                      .position = 10}),
      selectionEntry({.name = "random",
                      .command = Command::RandomSetSelection,
                      .map = &kRandomSetsMap,
                      .chooseSet = randomSetRun,
                      .label = "Ran&dom set selection",
                      .position = 13,
                      .takes = {AreasToAdd},
                      .checks = {RoomInSet}}),
      selectionEntry({.name = "report",
                      .command = Command::RepresentationResults,
                      .map = &kRepresentationMap,
                      .onSet = setAsItStands,
                      .label = "Representation &RESULTS",
                      .position = 11}),
      // An exact set is ranked as "Re-order set by richness" ranks it.
      selectionEntry({.name = "exact-minimum",
                      .command = Command::ExactMinimumSet,
                      .map = &kReorderedByRichnessMap,
                      .solveSet = exactSetRun,
                      .label = "Exact minim&um set",
                      .position = 2,
                      .takes = {TimeLimit, WorkLimit},
                      .stoppable = true}),
      selectionEntry({.name = "exact-coverage",
                      .command = Command::ExactMaximumCoverage,
                      .map = &kReorderedByRichnessMap,
                      .solveSet = exactSetRun,
                      .label = "Exact maximum co&verage",
                      .position = 3,
                      .takes = {AreasToAdd, Budget, TimeLimit, WorkLimit},
                      .checks = {RoomInSet, CandidateCells},
                      .stoppable = true}),
      selectionEntry({.name = "frequency",
                      .command = Command::SelectionFrequency,
                      .map = &kSelectionFrequencyMap,
                      .search = frequencySearch,
                      .label = "Selection fre&quency",
                      .position = 15,
                      .takes = {Runs},
                      .stoppable = true}),
      selectionEntry({.name = "replacement-cost",
                      .command = Command::ReplacementCost,
                      .map = &kReplacementCostMap,
                      .search = replacementSearch,
                      .label = "Replacement &cost",
                      .stoppable = true}),
  };
  list.insert(list.end(), selections.begin(), selections.end());
  Analysis chart;
  chart.name = "curve";
  chart.command = Command::RepresentationCurves;
  chart.menus = {{kAreaSelection, "Representation curves...", 14}};
  chart.kind = AnalysisKind::Chart;
  chart.takes = {Param::TimeLimit, Param::Runs};
  chart.stoppable = true;
  chart.run = curves;
  list.push_back(std::move(chart));
  return list;
}

// The position of a command in the menus: refusals list analyses as the
// menus show them.
int menuPosition(Command command) {
  int position = 0, found = -1;
  std::function<void(const std::vector<MenuItem>&)> walk = [&](const std::vector<MenuItem>& items) {
    for (const MenuItem& m : items) {
      if (found < 0 && m.command == command && command != Command::None) found = position;
      ++position;
      walk(m.items);
    }
  };
  walk(mainMenu());
  return found;
}

// A whole number from lo to hi, else nullopt.
std::optional<int> wholeNumber(const std::string& text, int lo, int hi) {
  const std::optional<int> n = parseNumber<int>(text);
  return n && *n >= lo && *n <= hi ? n : std::nullopt;
}

std::string areasRange(int most) { return strprintf("--areas-to-add takes a whole number from 1 to %d", most); }

std::vector<ParamSpec> buildParamSpecs() {
  return {
      {Param::AreasToAdd, "--areas-to-add", "N", areasRange(kAreaCapacity),
       [](const std::string& text, RequestValues& v) {
         // The data decide the most: a datafile's set capacity, a project's units.
         v.areasToAdd = wholeNumber(text, 1, std::numeric_limits<int>::max());
         return v.areasToAdd.has_value();
       },
       [](const RequestValues& v) { return v.areasToAdd.has_value(); }},
      {Param::Budget, "--budget", "B", "--budget takes a number above 0",
       [](const std::string& text, RequestValues& v) {
         const auto b = parseNumber<double>(text);
         if (!b || !(*b > 0.0) || !std::isfinite(*b)) return false;
         v.budget = *b;
         return true;
       },
       [](const RequestValues& v) { return v.budget.has_value(); }},
      {Param::TimeLimit, "--time-limit", "S",
       strprintf("--time-limit takes a number of seconds above 0 and at most %d", TimeLimit::kMaxSeconds),
       [](const std::string& text, RequestValues& v) {
         v.timeLimit = TimeLimit::parse(text);
         return v.timeLimit.has_value();
       },
       [](const RequestValues& v) { return v.timeLimit.has_value(); }},
      {Param::WorkLimit, "--work-limit", "N", std::string(WorkLimit::kRange),
       [](const std::string& text, RequestValues& v) {
         v.workLimit = WorkLimit::parse(text);
         return v.workLimit.has_value();
       },
       [](const RequestValues& v) { return v.workLimit.has_value(); }},
      {Param::Runs, "--runs", "R", strprintf("--runs takes a whole number from 1 to %d", kMaxRuns),
       [](const std::string& text, RequestValues& v) {
         v.runs = wholeNumber(text, 1, kMaxRuns);
         return v.runs.has_value();
       },
       [](const RequestValues& v) { return v.runs.has_value(); }},
  };
}

}  // namespace

const std::vector<ParamSpec>& paramSpecs() {
  static const std::vector<ParamSpec> specs = buildParamSpecs();
  return specs;
}

bool Analysis::takesParam(Param p) const { return std::find(takes.begin(), takes.end(), p) != takes.end(); }

std::string Analysis::caption() const {
  std::string out;
  if (menus.empty()) return name;
  for (char c : menus.front().label)
    if (c != '&') out += c;
  while (!out.empty() && out.back() == '.') out.pop_back();
  return out;
}

std::optional<Refusal> refuseUnusedParams(const Analysis& a, const RequestValues& values) {
  for (const ParamSpec& spec : paramSpecs()) {
    if (!spec.given(values) || a.takesParam(spec.param)) continue;
    std::vector<const Analysis*> users;
    for (const Analysis& b : analyses())
      if (b.kind == a.kind && b.takesParam(spec.param)) users.push_back(&b);
    std::stable_sort(users.begin(), users.end(), [](const Analysis* x, const Analysis* y) {
      return menuPosition(x->command) < menuPosition(y->command);
    });
    std::string listed;
    for (const Analysis* b : users) listed += (listed.empty() ? "" : ", ") + b->name;
    return Refusal{spec.flag + " is not used by " + a.name + "; it is for " + listed, {}, 2};
  }
  return std::nullopt;
}

std::optional<Refusal> refuseAreasBeyond(const RequestValues& values, int capacity) {
  if (!values.areasToAdd || *values.areasToAdd <= capacity) return std::nullopt;
  return Refusal{areasRange(capacity), {}, 2};
}

std::optional<Refusal> takeCostRequest(Settings& st, bool costPresent, const RequestValues& values,
                                       std::vector<std::string>& warnings) {
  if (values.budget) st.optimiseByCost = Flag::kOn;
  if (st.optimiseByCost == Flag::kOff || costPresent) return std::nullopt;
  if (values.budget) return Refusal{"--budget needs --costs with a cost for every occupied cell", {}, 2};
  warnings.push_back("optimise-cost needs --costs with a cost for every occupied cell; it is switched off");
  st.optimiseByCost = Flag::kOff;
  return std::nullopt;
}

void countCandidatesAsMenus(Session& s) {
  occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
  countCandidateCells(s.ws, s.settings.excludedLevel, s.areas);
}

std::optional<Refusal> refuseByChecks(const Analysis& a, const Settings& st, const CheckFacts& f) {
  for (Check check : a.checks) {
    switch (check) {
      case Check::ThreatForReordering:
        // A set titled as re-ordered by threat must have had threat values
        // to order by; a project's units carry none.
        if (st.reordering == Reordering::kByThreat && !f.threatPresent)
          return Refusal{{}, Notice{"No threat variable has been loaded.", "Re-order areas by threat", Icon::None}, 2};
        break;
      case Check::SingleRepresentation:
        // The fully flexible map exists only for a set re-ordered by
        // richness or rarity for one representation; anything else would
        // leave the near-minimum scores on the map under the wrong name.
        if (!fullyFlexibleRuleHolds(st))
          return Refusal{a.name + " needs goal 1 and re-ordering by richness or rarity (--set reorder=richness)", {}, 2};
        break;
      case Check::RoomInSet:
        if (f.setCount >= f.capacity) return Refusal{strprintf("the area set is full (%d areas)", f.capacity), {}, 2};
        break;
      case Check::CandidateCells:
        if (st.optimiseByCost == Flag::kOff && f.candidates == 0)
          return Refusal{"no candidate cells: " + (f.noneWhy ? f.noneWhy() : std::string()), {}, 1};
        break;
    }
  }
  return std::nullopt;
}

std::optional<Refusal> validateRequest(const Analysis& a, const Session& s, bool threatPresent) {
  if (a.traits().needsQuantitative && !s.ws.datafile.quantitative)
    return Refusal{a.name + " needs a datafile in quantitative mode", {}, 2};
  return refuseByChecks(a, s.settings, {.setCount = s.areas.count(),
                                        .capacity = kAreaCapacity,
                                        .candidates = s.areas.candidateCells,
                                        .noneWhy = [&s] { return noScoreReason(s); },
                                        .threatPresent = threatPresent});
}

const std::vector<Analysis>& analyses() {
  static const std::vector<Analysis> list = buildAnalyses();
  return list;
}

const Analysis* findAnalysis(const std::string& name) {
  for (const Analysis& a : analyses())
    if (a.name == name) return &a;
  return nullptr;
}

const Analysis* analysisOfCommand(Command command) {
  for (const Analysis& a : analyses())
    if (a.command == command) return &a;
  return nullptr;
}

std::string noScoreReason(const Session& s) {
  return s.ws.counters.taxaWithRecords == 0 ? "no included taxon has records"
                                            : "every taxon is represented in the area set";
}

MeasureKernel measureKernel(MeasureCode code) {
  // The flexibility plot is the selective richness of the taxa a
  // near-minimum run leaves marked; no menu item makes it.
  if (code == kCodeFlexibilityPlot) return runSelective;
  for (const Analysis& a : analyses())
    if (a.code() == code && a.kernel) return a.kernel;
  return nullptr;
}

MeasureResult runMeasure(MeasureCode code, const MeasureInput& in, const MeasureParams& p, Feedback& /*feedback*/) {
  const MeasureKernel run = measureKernel(code);
  if (!run || !in.data.data) return {};
  return run(in, p, code);
}

const MeasureTraits& mapTraits(MeasureCode code) {
  for (const Analysis& a : analyses())
    if (a.code() == code) return a.traits();
  return baseMapKind(code);
}

std::span<const SettingsField> settingsReadByMaps() {
  static const std::vector<SettingsField> fields = [] {
    std::vector<SettingsField> out;
    const auto add = [&out](const MeasureTraits& t) {
      for (SettingsField f : t.reads)
        if (std::find(out.begin(), out.end(), f) == out.end()) out.push_back(f);
    };
    for (const MeasureTraits& t : baseMapKinds()) add(t);
    for (const Analysis& a : analyses()) add(a.traits());
    return out;
  }();
  return fields;
}

const Analysis* measureOfCode(MeasureCode code) {
  if (code == kCodeSelectiveRichness || code == kCodeSelectiveRarity) return nullptr;
  for (const Analysis& a : analyses())
    if (a.kind == AnalysisKind::Measure && a.code() == code) return &a;
  return nullptr;
}

Notice capacityNotice() {
  return Notice{strprintf("The area set holds its most, %d areas:\nsome taxa are below the goal.", kAreaCapacity),
                "Area selection", Icon::Exclamation};
}

TitleOutcome runSelectivePlot(Session& s, Host& host, MeasureCode code, bool smallScreen, const TitleContext& ctx) {
  setMeasureCode(s, code);
  for (;;) {
    SelectivePlotModel m = openSelectivePlot(s.settings, s.ws, smallScreen);
    const bool grouped = m.grouped, rangeSizes = m.rangeSizes;
    const bool accepted = host.runDialog(m.resource, m);
    if (m.action == SelectivePlotModel::Action::ToggleGrouped ||
        m.action == SelectivePlotModel::Action::ToggleRangeSizes) {
      s.settings.listDialogVariant = flagOf(m.grouped);
      s.settings.listDialogOption = flagOf(m.rangeSizes);
      if (m.grouped != grouped || m.rangeSizes != rangeSizes) continue;
      return TitleOutcome::Stopped;
    }
    if (!accepted || m.action != SelectivePlotModel::Action::Plot) return TitleOutcome::Stopped;
    // The lines chosen stand for their taxa; lines beyond the list mark none
    // but still count towards the limit of the selection.
    AnalysisParams p;
    p.title = ctx;
    for (int line : m.selected)
      p.taxa.push_back(
          line >= 0 && line < static_cast<int>(m.lineTaxon.size()) ? m.lineTaxon[static_cast<std::size_t>(line)] : -1);
    const AnalysisResult r =
        findAnalysis(code == kCodeSelectiveRarity ? "selective-rarity" : "selective-richness")->run(s, p);
    if (r.message) host.messageBox(r.message->text, r.message->caption, r.message->icon, Buttons::Ok);
    return r.title;
  }
}

}  // namespace zn
