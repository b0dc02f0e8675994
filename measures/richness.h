// Richness, rarity and range-size measures. Each replaces the scores
// completely and counts only taxa that pass the group code and are not yet
// represented in the area set (the selective measures count the plot-marked
// taxa instead). They read the analysis input, never the session: the
// result goes on the map through applyMeasure.
#pragma once

#include <functional>
#include <vector>

#include "measures/presence.h"
#include "measures/scores.h"
#include "store/analysisdata.h"

namespace zn {

// What the measures read: the data (a datafile's or a project's) and the
// area set whose taxa the complementary measures leave out.
struct MeasureInput {
  const AnalysisData& data;
  const AreaSet& areas;
};

MeasureResult runRichness(const MeasureInput& in, const MeasureParams& p);         // code 1
MeasureResult runRangeSizeRarity(const MeasureInput& in, const MeasureParams& p);  // code 2
MeasureResult runRareQuartile(const MeasureInput& in, const MeasureParams& p);     // code 5
// Needs the units' grid columns and rows; does not run without them.
MeasureResult runRangeCentres(const MeasureInput& in, const MeasureParams& p);  // code 12
MeasureResult runMedianRange(const MeasureInput& in, const MeasureParams& p);   // code 13
// The level measures read each presence's data level as its amount; data
// without amounts do not run them.
MeasureResult runLevelN(const MeasureInput& in, const MeasureParams& p);              // code 24
MeasureResult runMaxLevel(const MeasureInput& in, const MeasureParams& p);            // code 25
MeasureResult runRareThreshold(const MeasureInput& in, const MeasureParams& p);       // code 36
MeasureResult runMedianQuantitative(const MeasureInput& in, const MeasureParams& p);  // code 39
// Codes 22, 26 and 27 over the plot-marked taxa; nothing without a mark.
MeasureResult runSelective(const MeasureInput& in, const MeasureParams& p, MeasureCode code);

// Adds value(t) to the score and 1 to the count of every cell where taxon t
// is present, for each taxon with take[t]; returns the taxa that added.
int addTaxonValues(MeasureResult& r, const PresenceIndex& index, const std::vector<char>& take,
                   const std::function<double(int)>& value);

// Median of values as the measures take it: sorted descending, the middle
// value, or the mean of the two middle values. The values are reordered.
double medianDescending(std::vector<double>& values);

}  // namespace zn
