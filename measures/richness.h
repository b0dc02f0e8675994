// Richness, rarity and range-size measures. Each does nothing unless a
// datafile is open and its own code is stored in the map record; each
// replaces the scores completely and counts only taxa that pass the group
// code and are not yet represented in the area set (the selective measures
// count the plot-marked taxa instead).
#pragma once

#include <functional>
#include <vector>

#include "measures/presence.h"
#include "store/session.h"

namespace zn {

void computeRichness(Session& s);            // code 1
void computeRangeSizeRarity(Session& s);     // code 2
void computeRareQuartile(Session& s);        // code 5
void computeRangeCentres(Session& s);        // code 12
void computeMedianRange(Session& s);         // code 13
void computeLevelN(Session& s);              // code 24
void computeMaxLevel(Session& s);            // code 25
void computeRareThreshold(Session& s);       // code 36
void computeMedianQuantitative(Session& s);  // code 39
// Codes 22, 26 and 27 over the plot-marked taxa; nothing without a mark.
void computeSelective(Session& s, MeasureCode code);

// Adds value(t) to the score and 1 to the count of every cell where taxon t
// is present, for each taxon with take[t]; returns the taxa that added.
int addTaxonValues(Session& s, const PresenceIndex& index, const std::vector<char>& take,
                   const std::function<double(int)>& value);

// Median of values as the measures take it: sorted descending, the middle
// value, or the mean of the two middle values. The values are reordered.
double medianDescending(std::vector<double>& values);

}  // namespace zn
