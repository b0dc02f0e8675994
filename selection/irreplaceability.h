// Two per-cell measures of how irreplaceable a cell is for the taxa the
// area set does not yet represent: EMR irreplaceability (code 28) and max
// rarity (code 30). Both score a cell 1 / a range size and count the pass
// (the rank of that range size) in which it was scored.
#pragma once

#include <vector>

#include "measures/scores.h"
#include "store/analysisdata.h"

namespace zn {

struct IrreplaceabilityResult {
  int taxaCounted = 0;  // included taxa with records not represented in the set
  int passes = 0;
  int candidates = 0;  // EMR: cells holding a taxon not yet represented
  // Per cell 0 ... cells: the score and the pass that gave it (0 unscored),
  // and the largest score.
  std::vector<double> score;
  std::vector<int> count;
  double top = 0.0;
};

// Passes over the rarest taxa left: each scores the cells of the taxa of
// the smallest range size, then every taxon in a cell scored by the pass is
// taken as held. Candidate cells still without a score get 1 / candidates.
// The taxa left are those `data` counts that have records and no area of
// `areas` holds; units beyond the grid's are not scored. Nothing without data.
IrreplaceabilityResult computeEmrIrreplaceability(const AnalysisData& data, const AreaSet& areas);

// Each cell scores 1 / the smallest range size among the unrepresented taxa
// it holds; its count is the rank of that range size.
IrreplaceabilityResult computeMaxRarity(const AnalysisData& data, const AreaSet& areas);

// The scores as a map shows them, scaled to the largest.
MeasureResult asMapScores(const IrreplaceabilityResult& r);

}  // namespace zn
