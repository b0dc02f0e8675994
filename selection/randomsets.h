// Random area sets: how well randomly chosen areas would represent the
// taxa, over 1000 simulations, so that a chosen set can be judged against
// chance.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "selection/areaset.h"
#include "selection/report.h"
#include "selection/setrun.h"
#include "store/analysisdata.h"
#include "store/notice.h"
#include "store/progress.h"

namespace zn {

// What one run of random sets is asked: the options' hotspot kind, rarity
// formula, tails and base, the number of areas and the draws' seed.
struct RandomSetsParams {
  int areas = 0;
  std::uint32_t seed = 1;
  HotspotKind kind = HotspotKind::kRichness;  // richness counts 1 a taxon, others its rarity
  RarityFormula rarityFormula = RarityFormula::kDifference;
  bool twoTailed = true;
  bool baseOnPresent = true;     // richness totals: taxa with records, else included taxa
  int capacity = kAreaCapacity;  // the most areas a draw takes
};
RandomSetsParams randomSetsParams(const Settings& st, int areas, std::uint32_t seed);

struct RandomSetsOutcome {
  bool ran = false;
  bool simulated = false;         // false with fewer than 3 candidate cells
  bool outOfMemory = false;       // the simulation table could not be had
  std::optional<Notice> refusal;  // what the caller shows when out of memory
  RandomSetStats stats;
  std::vector<int> timesChosen;  // per cell 0 … cells: the draws that chose it
  float seconds = 0.0f;
};

// "Random set selection" after its dialog, on any data: the areas of `set`
// are seeds whose taxa never count as new; `areas` random units (lowered to
// the candidate units and the capacity) are drawn 1000 times; the report's
// totals are a.totals. Memory is the runs x areas table and a few numbers
// per unit and per taxon.
RandomSetsOutcome runRandomSets(const AnalysisData& a, const AreaSet& set, const RandomSetsParams& p,
                                Feedback& feedback);

// Random sets in the declared form of a set selection: the start's areas
// become seeds and stay the set; each unit scores and counts the draws that
// chose it.
SetRun randomSetRun(const AnalysisData& a, const SetRunParams& p, Feedback& feedback);

}  // namespace zn
