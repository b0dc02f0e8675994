// The analyses of the measure and area-selection menus, each under one
// name, with one parameter struct and one run function. A window command
// fills the parameters from its dialog, a `zonarium` subcommand from its
// flags, and both call run: the two cannot drift apart.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "measures/titles.h"
#include "selection/curves.h"
#include "selection/exact.h"
#include "selection/flexibility.h"
#include "selection/nearminimumrun.h"
#include "selection/searchrun.h"
#include "selection/reorder.h"
#include "selection/setrun.h"
#include "shell/command.h"
#include "shell/host.h"
#include "store/measuretraits.h"
#include "store/notice.h"
#include "store/session.h"
#include "store/timelimit.h"

namespace zn {

// The parameters a request may give beyond the options; an analysis takes
// those its entry declares (Analysis::takes), the tool refuses the others.
enum class Param { AreasToAdd, Budget, TimeLimit, WorkLimit, Runs };

// The values of a request: the tool's flags, or what the window's dialogs
// leave in the options when none is given.
struct RequestValues {
  std::optional<int> areasToAdd;       // else the options' number
  std::optional<double> budget;        // else the options' budget
  std::optional<std::uint32_t> seed;   // random choices: else the time of day
  std::optional<TimeLimit> timeLimit;  // else the options' limit
  std::optional<long long> workLimit;  // exact sets: search nodes, else none
  std::optional<int> runs;             // random draws
};

// How the tool names a parameter and the range of its values.
struct ParamSpec {
  Param param;
  std::string flag;     // "--areas-to-add"
  std::string metavar;  // its value as the usage shows it
  std::string range;    // the refusal of a value out of range
  // Reads a value into the request; false when it is out of range.
  bool (*parse)(const std::string& text, RequestValues& into);
  bool (*given)(const RequestValues& values);
};
const std::vector<ParamSpec>& paramSpecs();

// What a run may read beyond the session; each analysis reads only the
// fields it names in its comment, the rest it ignores.
struct AnalysisParams : RequestValues {
  bool threatPresent = false;   // threat values have been loaded
  std::optional<int> maxAreas;  // curves: the last number of areas, else the exact minimum set's size
  std::vector<int> taxa;        // selective plots: the taxa to plot, in the order chosen
  float lastSeconds = 0.0f;     // the time of the last analysis, which the reports show
  TitleContext title;           // measures and passes: what the title builder is told
  // Stoppable searches (exact sets, frequency, replacement cost): the text
  // of the progress so far; false stops the search.
  std::function<bool(const std::string&)> progress;
};

struct AnalysisResult {
  bool ran = false;               // false: refused or nothing to do; the map is as it was
  std::optional<Notice> message;  // the refusal the user is shown
  std::string results;            // text for the RESULTS file
  // What the window's dialogs show but a tool run must be told: numbers
  // lowered to what the data allow, empty outcomes.
  std::vector<std::string> notes;
  bool capacityReached = false;  // the set reached its capacity below the goal
  bool stopped = false;          // the user stopped the search
  float seconds = 0.0f;
  TitleOutcome title = TitleOutcome::Classify;  // measures: what the title builder decided
  std::shared_ptr<const CurveSet> curves;       // charts: what the chart draws
};

enum class AnalysisKind {
  Measure,    // zonarium measure NAME: a map of scores
  Pass,       // zonarium measure ... --mean/--smooth N: a pass over the map on screen
  Selection,  // zonarium select KIND
  Chart       // zonarium curve: curves for a chart, the map untouched
};

// What a request must meet before an analysis runs, beyond its parameters'
// ranges: the window's menus and dialogs never let these through.
enum class Check {
  RoomInSet,            // the area set is not full
  CandidateCells,       // some cell could still add a taxon (unless by cost)
  ThreatForReordering,  // a re-ordering by threat has threat values
  SingleRepresentation  // goal 1, re-ordered by richness or rarity
};

// Where an analysis sits in the menus: the popup that holds it, its label
// ('&' marks the access key) and its place among the popup's items, counting
// every item; none places it after all the popup's items.
struct MenuPlace {
  std::string popup;  // the popup's label, "&Area selection"
  std::string label;
  std::optional<int> position;
};

// Why a request is refused: the text after "zonarium: " or the message box
// the window would show, and the tool's exit status.
struct Refusal {
  std::string text;
  std::optional<Notice> notice;
  int status = 2;
};

class ProjectRun;  // one selection on a project's units (shell/projectrun.h)

struct Analysis {
  std::string name;                 // the zonarium name
  Command command = Command::None;  // the menu command
  std::vector<MenuPlace> menus;     // its items; more than one runs the same command
  AnalysisKind kind = AnalysisKind::Measure;
  // The kind of the map it leaves, which the entry declares (a base row for
  // richness; none: the map stays as it was), and that map's code.
  const MeasureTraits* map = &baseMapKind(kCodeNone);
  MeasureCode code() const { return map->code; }
  // Measures: the computation of its scores (none for residuals, which
  // smooth the richness map first).
  MeasureKernel kernel = nullptr;
  bool scoreMap = false;     // selections: a map of scores rather than a report on a set
  std::vector<Param> takes;  // the parameters a request may give it
  std::vector<Check> checks;
  // An analysis whose result is about the one named here runs after it
  // (the fully flexible areas of a near-minimum set).
  std::string after;
  std::function<AnalysisResult(Session&, const AnalysisParams&)> run;
  // Selections: the run on a project's units; none where the analysis
  // needs what a project lacks, which `notOnProject` says.
  std::optional<Refusal> (ProjectRun::*onProject)(const Analysis&) = nullptr;
  std::string notOnProject;
  // A map of scores from the data alone, given the set already chosen
  // (irreplaceability): the datafile's and a project's runs both apply it.
  MeasureResult (*scoreUnits)(const AnalysisData& data, const AreaSet& set) = nullptr;
  // A set chosen from the data alone (greedy, hotspots, random sets): the
  // datafile's and a project's runs both put it on screen and report it.
  SetRunFn chooseSet = nullptr;
  // A set grown by progressive rarity (near-minimum, coverage): both runs
  // put it on screen, report it and keep its parameters in the options.
  NearMinimumRunFn growSet = nullptr;
  // A search the user may stop (frequency, replacement cost): the datafile
  // maps its scores, a project outlines its set or maps them, and keeps its
  // fields.
  SearchRunFn search = nullptr;
  // A run on the set on screen (re-orderings, the report): both runs put
  // the set it returns on screen and report it; a project's set is the one
  // on its map.
  CurrentSetFn onSet = nullptr;
  // An exact set (coverage where the entry takes a number of areas): both
  // runs rank it by richness and report it under its own title.
  ExactRunFn solveSet = nullptr;
  // A map read from a grown set: on a datafile from the set on screen, on a
  // project from the set of `after`, which it grows first.
  GrownSetMapFn mapGrownSet = nullptr;

  // The window runs it behind the box that stops it, writes its report and
  // titles the map it leaves.
  bool stoppable = false;

  const MeasureTraits& traits() const { return *map; }
  bool takesParam(Param p) const;
  // The box and message caption: its first menu label without the access
  // key and the dots of an item that opens a window.
  std::string caption() const;
};

// The refusal of a parameter the analysis does not take, of the first one
// given (nullopt when it takes them all).
std::optional<Refusal> refuseUnusedParams(const Analysis& a, const RequestValues& values);

// The refusal of more areas to add than the data's set can hold (a
// datafile's capacity, a project's units), worded as the flag's range.
std::optional<Refusal> refuseAreasBeyond(const RequestValues& values, int capacity);

// The tool's cost flags as options: a budget asks for optimisation by cost;
// a cost optimisation without costs is switched off with a warning, or
// refused when a budget asks for it.
std::optional<Refusal> takeCostRequest(Settings& st, bool costPresent, const RequestValues& values,
                                       std::vector<std::string>& warnings);

// The occupancy flags and the area set's candidate cells, as the menus
// count them before an analysis asks for its parameters.
void countCandidatesAsMenus(Session& s);

// What the declared checks read of the data a request would run on: a
// datafile's session or a project's units.
struct CheckFacts {
  int setCount = 0;                         // areas in the set the run grows
  int capacity = 0;                         // the most areas the set may hold: a datafile's kAreaCapacity, a project's units
  std::optional<int> candidates;            // cells that could still add a taxon, where counted
  std::function<std::string()> noneWhy;     // why none could, when that refuses
  bool threatPresent = false;               // threat values have been loaded
};

// The refusal of the first declared check the request fails; a datafile's
// request and a project's selection both meet every check here.
std::optional<Refusal> refuseByChecks(const Analysis& a, const Settings& st, const CheckFacts& f);

// Checks a request against the analysis's declared checks, on the session it
// would run on (its candidate cells counted as the menus count them).
std::optional<Refusal> validateRequest(const Analysis& a, const Session& s, bool threatPresent);

// Every analysis, measures first in the order of their menus, then the
// selections in the order the tool lists them.
const std::vector<Analysis>& analyses();
// The analysis of that name (nullptr for none).
const Analysis* findAnalysis(const std::string& name);
// The analysis a menu command runs (nullptr for none).
const Analysis* analysisOfCommand(Command command);
// The computation of the measure of `code` (nullptr for none), and its run
// on the input: a result that did not run for a code without one, or on an
// input without data.
MeasureKernel measureKernel(MeasureCode code);
MeasureResult runMeasure(MeasureCode code, const MeasureInput& in, const MeasureParams& p, Feedback& feedback);

// The kind of the map of `code`: the one its analysis declares, else a base
// row. The window and the tool put every map on screen with this kind.
const MeasureTraits& mapTraits(MeasureCode code);
// Every setting some map reads, each once: a Tools options change to one of
// them reruns the analysis on the map.
std::span<const SettingsField> settingsReadByMaps();
// The measure of that code that needs nothing but the options (nullptr for
// none, and for the selective plots, which need their taxa).
const Analysis* measureOfCode(MeasureCode code);

// Why no taxon is left to count: none has a record (after the preselection
// and the excluded level), or the area set represents them all.
std::string noScoreReason(const Session& s);

// Shown after an analysis whose set reached the capacity below the goal.
Notice capacityNotice();

// "Selective richness" and "Selective rarity" as the menu runs them: the
// list dialog (shown again after a display change), then the plot of the
// chosen taxa. Cancel leaves the map as it was.
TitleOutcome runSelectivePlot(Session& s, Host& host, MeasureCode code, bool smallScreen, const TitleContext& ctx = {});

}  // namespace zn
