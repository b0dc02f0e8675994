// How replaceable the areas of a near-minimum set are: the map of fully
// flexible areas (code 40), read from the sole area each taxon was given by
// the run.
#pragma once

#include <optional>
#include <vector>

#include "store/analysisdata.h"
#include "store/notice.h"
#include "store/settings.h"

namespace zn {

// The cells that could take the place of area a: those holding the most
// included taxa whose sole area is a (a among them); under cost
// optimisation only cells of a's cost. Empty when a is the sole area of no
// taxon. `sole` is each taxon's sole area as the run gave it
// (RunOutcome::soleArea), `byCost` whether costs were optimised.
std::vector<int> fullyFlexibleAlternatives(const AnalysisData& data, const std::vector<int>& sole, bool byCost,
                                           int area);

// The scores of code 40: each group of interchangeable cells shares one
// score, distinct per group and lower for larger groups; areas no cell can
// replace score highest.
struct FullyFlexibleMap {
  bool applies = false;  // without it the map stays
  int top = 0;           // the top score, 0 when no area scores
  // Per cell record: the score, and the count (2 an area of the set, 1 an
  // alternative); 0 elsewhere.
  std::vector<double> score;
  std::vector<int> count;
};
// The map of a near-minimum set `set` on any data, its sole areas and cost
// choice as for fullyFlexibleAlternatives; the caller checks that the map
// applies (per unit record 0 ... units + 1).
FullyFlexibleMap fullyFlexibleMap(const AnalysisData& data, const AreaSet& set, const std::vector<int>& sole,
                                  bool byCost);

// The map is read from a near-minimum set grown for one representation and
// re-ordered by richness or rarity: only then does each taxon keep one sole
// area the map can stand for.
bool fullyFlexibleRuleHolds(const Settings& st);

// The options ask for every area of a set grown for one representation to
// be mapped by its flexibility: a coverage map then reads as the fully
// flexible map.
bool allAreasMappedFullyFlexible(const Settings& st);

// Why the map is blank when the set holds no area.
inline constexpr const char* kNoFullyFlexibleAreas = "no fully flexible areas: the near-minimum set is empty";

// The declared form of a map read from a grown set (fullyFlexibleMap): the
// set, each taxon's sole area in the run that grew it and whether that run
// chose by cost.
using GrownSetMapFn = FullyFlexibleMap (*)(const AnalysisData& data, const AreaSet& set, const std::vector<int>& sole,
                                           bool byCost);

}  // namespace zn
