// A set grown by progressive rarity (near-minimum, near-maximum coverage) in
// the one form both kinds of data run: the run reads the data, the options
// and the set it starts from, and returns the set, the marks and the
// parameters it ran with; the caller puts them on screen and keeps those
// parameters in the options, so that the title, the report and the options
// file show what was run.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "selection/nearminimum.h"

namespace zn {

struct NearMinimumRunParams {
  const Settings& settings;           // the options the run reads
  AreaSet start;                      // the seeds and any areas already chosen
  std::vector<CellMark> marks;        // the unit records' marks it starts from; empty: blank
  bool costs = false;                 // the data carry costs the options may choose by
  bool threatPresent = false;         // threat values have been converted
  std::optional<std::uint32_t> seed;  // of the random last tie-break; else the time of day
  int capacity = kAreaCapacity;
  // Coverage: spend `budget` (under cost optimisation), else add `areas`.
  bool byBudget = false;
  int areas = 0;
  double budget = 0.0;
  ReportContext report;  // the header and unit names of the rule summaries
};

struct NearMinimumRun {
  RunOutcome run;            // the run whose set stands
  AreaSet set;               // the start's areas, then the areas chosen
  NearMinimumParams params;  // what it ran with, the forcings included
  std::string results;       // the rule summaries of every run
  bool capacityReached = false;
  float seconds = 0.0f;

  ReportFacts facts() const {
    ReportFacts f;
    f.seconds = seconds;
    f.rejected = run.rejected;
    f.fullSize = run.fullSize;
    f.fullCost = run.fullCost;
    return f;
  }
};

// `x` is SelectionIndex(data) or an index of the same data the caller
// keeps for the report.
using NearMinimumRunFn = NearMinimumRun (*)(const AnalysisData& data, const SelectionIndex& x,
                                            const NearMinimumRunParams& params, Feedback& feedback);

// One main run with the options' parameters.
NearMinimumRun nearMinimumSetRun(const AnalysisData& data, const SelectionIndex& x, const NearMinimumRunParams& params,
                                 Feedback& feedback);

// The coverage runs: re-ordering by richness and goal 1, then, while the
// set is too small, no re-ordering and the goal one higher, from the start
// set again, until the set is large enough or cannot grow.
NearMinimumRun coverageSetRun(const AnalysisData& data, const SelectionIndex& x, const NearMinimumRunParams& params,
                              Feedback& feedback);

}  // namespace zn
