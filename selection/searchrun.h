// A search the user may stop (selection frequency, replacement cost) in the
// one form both kinds of data run: it reads the data and its parameters and
// returns its report, the set it names and its values per unit; the caller
// maps them (a datafile), or outlines the set and keeps them (a project).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/report.h"
#include "store/analysisdata.h"
#include "store/progress.h"
#include "store/settings.h"

namespace zn {

struct SearchRunParams {
  const Settings& settings;  // the options the run reads
  bool costs = false;        // the data carry costs the options may choose by
  int capacity = kAreaCapacity;
  std::optional<int> runs;                    // else the search's own number
  double timeLimitSeconds = 60.0;             // per solve
  std::function<bool(int percent)> progress;  // false stops
  ReportContext report;                       // the data line and unit names
};

// An analysis result on a project's units: one field, per unit n at
// values[n] (entry 0 unused), NaN where the unit has no value.
struct UnitColumn {
  std::string name;
  bool integer = false;
  std::vector<double> values;
};

struct SearchRun {
  std::string error;     // refused: shown as it is
  bool stopped = false;  // the user stopped it: nothing is shown
  std::string results;   // the RESULTS text
  std::string title;     // a project's map title; a datafile's map is titled by its code
  AreaSet set;           // what a project outlines; empty: a project maps the scores instead
  MeasureResult scores;  // per unit: the map's scores and counts, its top in scaleLimit
  std::optional<int> runs;  // the runs the counts are out of, which the map keeps
  std::vector<UnitColumn> fields;  // a project's units keep them
};

// The declared form of such a search.
using SearchRunFn = SearchRun (*)(const AnalysisData& data, const SearchRunParams& params, Feedback& feedback);

}  // namespace zn
