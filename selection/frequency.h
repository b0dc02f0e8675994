// Selection frequency: the near-minimum set run many times with the last
// tie broken at random (seeds 1 ... R), and each cell's share of the runs
// that chose it, so that a set can be told apart from the cells any set
// must take.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "selection/nearminimum.h"
#include "selection/report.h"
#include "selection/searchrun.h"

namespace zn {

struct FrequencyParams {
  int runs = 100;
  std::function<bool(int percent)> progress;  // false stops
};

struct FrequencyResult {
  bool stopped = false;
  int runs = 0;
  std::vector<int> chosen;        // per cell 0 ... cells: runs whose set held it
  int smallest = 0, largest = 0;  // set sizes over the runs
  float seconds = 0.0f;

  double share(int cell) const {
    return runs > 0 && cell >= 0 && cell < static_cast<int>(chosen.size())
               ? 100.0 * chosen[static_cast<std::size_t>(cell)] / runs
               : 0.0;
  }
};

// The runs on any data with the given near-minimum parameters (the last tie
// always random, seeded by the run's number); p.runs is taken as checked.
FrequencyResult selectionFrequency(const AnalysisData& data, const NearMinimumParams& params, const FrequencyParams& p,
                                   Feedback& feedback);

// The runs as a search: the options' near-minimum parameters at the
// capacity given, refused on runs out of range or data without taxa; the
// share of each unit is mapped (the count: the runs that chose it) and
// kept as its times_chosen.
SearchRun frequencySearch(const AnalysisData& data, const SearchRunParams& params, Feedback& feedback);

}  // namespace zn
