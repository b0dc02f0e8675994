// Replacement cost: for each area of the exact minimum set, how many more
// areas the optimum needs when that area may not be chosen. 0 means another
// set of the same size does without it; an area holding a taxon found
// nowhere else cannot be done without at all.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "selection/exact.h"
#include "selection/report.h"
#include "selection/searchrun.h"

namespace zn {

struct ReplacementParams {
  double timeLimitSeconds = 60.0;             // per exact solve
  std::function<bool(int percent)> progress;  // false stops
};

struct ReplacementRow {
  int cell = 0;
  bool irreplaceable = false;  // a taxon wants more of its cells than are left without it
  int cost = 0;                // extra areas the optimum needs without the cell
  bool proven = true;          // both solves proven optimal
};

struct ReplacementResult {
  std::string error;
  bool stopped = false;
  int minimumSize = 0;
  bool minimumProven = false;
  std::vector<ReplacementRow> rows;  // in cell order of the minimum set
  float seconds = 0.0f;
};

// On any data, from an empty set, counted in areas (never by cost), with
// the request's goal; no set beyond the request's capacity is looked for.
ReplacementResult computeReplacementCost(const AnalysisData& a, const ExactRequest& request, const ReplacementParams& p,
                                         Feedback& feedback);

// The costs as a search, with the options' goal at the capacity given: the
// minimum set is outlined; its areas are mapped by their cost (a cost of 0
// as the zero marker, the irreplaceable one above the largest cost, count
// -1) and keep extra_areas and irreplaceable.
SearchRun replacementSearch(const AnalysisData& data, const SearchRunParams& params, Feedback& feedback);

}  // namespace zn
