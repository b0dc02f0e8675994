// The analyses of the measure and area-selection menus, each under one
// name, with one parameter struct and one run function. A window command
// fills the parameters from its dialog, a `zonarium` subcommand from its
// flags, and both call run: the two cannot drift apart.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "measures/titles.h"
#include "selection/curves.h"
#include "shell/command.h"
#include "shell/host.h"
#include "store/notice.h"
#include "store/session.h"

namespace zn {

// What a run may read beyond the session; each analysis reads only the
// fields it names in its comment, the rest it ignores.
struct AnalysisParams {
  std::optional<int> areasToAdd;      // coverage, exact coverage, hotspots, random: else the options' number
  std::optional<double> budget;       // coverage by cost: else the options' budget
  bool threatPresent = false;         // threat values have been loaded
  std::optional<std::uint32_t> seed;  // random choices: else the time of day
  std::optional<double> timeLimit;    // exact sets, replacement cost: seconds, else the options' limit
  std::optional<int> runs;            // selection frequency, curves: random draws
  std::optional<int> maxAreas;        // curves: the last number of areas, else the exact minimum set's size
  std::vector<int> taxa;              // selective plots: the taxa to plot, in the order chosen
  float lastSeconds = 0.0f;           // the time of the last analysis, which the reports show
  TitleContext title;                 // measures and passes: what the title builder is told
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

struct Analysis {
  std::string name;                 // the zonarium name
  Command command = Command::None;  // the menu command
  AnalysisKind kind = AnalysisKind::Measure;
  MeasureCode code = kCodeNone;  // measures: the measure code
  bool scoreMap = false;         // selections: a map of scores rather than a report on a set
  // An analysis whose result is about the one named here runs after it
  // (the fully flexible areas of a near-minimum set).
  std::string after;
  std::function<AnalysisResult(Session&, const AnalysisParams&)> run;
};

// Every analysis, measures first in the order of their menus, then the
// selections in the order the tool lists them.
const std::vector<Analysis>& analyses();
// The analysis of that name (nullptr for none).
const Analysis* findAnalysis(const std::string& name);
// The analysis a menu command runs (nullptr for none).
const Analysis* analysisOfCommand(Command command);
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
