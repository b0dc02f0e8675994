// A selection that chooses from the data alone, in the one form both kinds
// of data run: the run reads the data and its parameters and returns what it
// chose; the caller puts that on screen. A datafile's run starts from the set
// on screen and maps the scores; a project's starts from no set.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/report.h"
#include "store/analysisdata.h"
#include "store/notice.h"
#include "store/progress.h"
#include "store/settings.h"

namespace zn {

struct SetRunParams {
  const Settings& settings;  // the options the run reads
  AreaSet start;             // the areas already chosen
  int areas = 0;             // areas to add, already bounded by the caller
  std::uint32_t seed = 1;    // random choices
  bool costs = false;        // the data carry costs the options may divide by
  int capacity = kAreaCapacity;
  std::string units = "cells";  // what the notes call the units
};

struct SetRun {
  bool ran = false;               // false: no data to choose from
  std::optional<Notice> failure;  // the run could not be made (memory): shown as it is
  // The options ask what the data cannot give: the request is refused and
  // the map stays as it was.
  std::string misfit;
  std::string nothing;             // why nothing was chosen, when so; any scores still show
  std::vector<std::string> notes;  // numbers lowered to what the data allow
  AreaSet set;                    // the start's areas, then the areas chosen
  MeasureResult scores;           // per unit: the map's scores and counts
  int smoothPasses = 0;           // the smoothing passes those scores went through
  // Per taxon, the areas of the set holding it, which the cards keep;
  // empty: the cards are left as they are.
  std::vector<int> representation;
  // Per unit, the draws that chose it; a project keeps it as a field.
  std::vector<int> timesChosen;
  float seconds = 0.0f;
  int rejected = 0;
  std::optional<RandomSetStats> random;

  ReportFacts facts() const {
    ReportFacts f;
    f.seconds = seconds;
    f.rejected = rejected;
    f.random = random ? &*random : nullptr;
    return f;
  }
};

// The declared form of such a selection.
using SetRunFn = SetRun (*)(const AnalysisData& data, const SetRunParams& params, Feedback& feedback);

}  // namespace zn
