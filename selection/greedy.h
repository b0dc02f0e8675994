// The greedy area set: grow the set by the area holding the most richness,
// or range-size rarity, of the taxa not yet represented often enough; reject
// redundant areas from the end; re-order; score the areas by position.
#pragma once

#include <string>
#include <vector>

#include "selection/areaset.h"
#include "selection/setrun.h"
#include "store/analysisdata.h"
#include "store/progress.h"
#include "store/settings.h"

namespace zn {

struct GreedyOptions {
  bool byRarity = false;  // greedy range-size rarity, else richness
  int goal = 1;           // representations wanted per taxon (at least 1)
  bool rejectRedundant = false;
  bool includeSeeds = false;  // off: the areas already in the set are seeds
  RarityFormula rarityFormula = RarityFormula::kDifference;
  bool byCost = false;           // divide every value by the area's cost
  int capacity = kAreaCapacity;  // the set grows to at most this many areas
};

// The options as the settings record holds them; cost optimisation only
// with cost data present.
GreedyOptions greedyOptions(const Settings& st, bool costPresent);

struct GreedyResult {
  bool ran = false;  // false without data: nothing to place
  AreaSet set;       // the start's areas (seeds unless included), then the areas added and kept
  int seedCount = 0;
  int added = 0;                    // areas the run added and kept (area count - seed count)
  int rejected = 0;                 // areas removed as redundant
  int represented = 0;              // included taxa present in at least one area
  std::vector<int> representation;  // per taxon: areas of the set holding it (0 for taxa not included)
  std::vector<int> ties;            // tied cells at each step of the growing loop
  float seconds = 0.0f;
};

// The run on any data (a datafile's or a project's units) from the area set
// `start`: units outside 1 … a.units() in the start are kept but hold
// nothing. Time and memory grow with the occurrences, not units x taxa: the
// best unit is kept in a heap and only the units of a taxon that has just
// met the goal are valued again. Shows the progress bar through `feedback`.
GreedyResult growGreedySet(const AnalysisData& a, const AreaSet& start, const GreedyOptions& o, Feedback& feedback);

// The greedy set in the declared form of a set selection: grown from the
// start with the options' rules, its new areas scored by position (count =
// position, score = area count less the areas before it), each taxon's
// representation kept for the cards.
SetRun greedySetRun(const AnalysisData& a, const SetRunParams& p, Feedback& feedback);

}  // namespace zn
