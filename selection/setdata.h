// What the area-set analyses share: who is present where, which taxa count
// and by what weight, the cost divisor, and the passes over a grown set
// (redundancy from the end, re-ordering by gain, scores by position).
#pragma once

#include <memory>
#include <vector>

#include "measures/presence.h"
#include "measures/scores.h"
#include "store/analysisdata.h"
#include "store/settings.h"
#include "store/workspace.h"

namespace zn {

struct SelectionData {
  // Weight 1 per taxon, or its range-size rarity by the formula (ranges
  // against the data's grid units); costs divide a unit's value when byCost
  // is set. `a` must outlive this.
  SelectionData(const AnalysisData& a, bool byRarity, RarityFormula formula, bool byCost);

  const AnalysisData& data;
  const Occurrences& index;
  int cells = 0;                      // units 1 … cells
  const std::vector<char>& included;  // passes the group code
  std::vector<double> weight;         // per taxon; 0 for taxa not included
  std::vector<double> total;          // per unit: the weights of all included taxa present, taxon order
  bool byCost = false;

  // A unit's value divided by its cost (a cost of 0 leaves it alone).
  double perCost(int n, double v) const {
    if (!byCost) return v;
    const double c = data.unitCost(n);
    return c != 0.0 ? v / c : v;
  }
};

// Score and count 0 in every cell record.
void clearCellScores(std::vector<GridCell>& cells);

// Removes non-seed areas that no included taxon needs to reach the goal
// among the non-seed areas, testing the last area first and starting again
// from the last after each removal. Returns the number removed.
int rejectRedundantFromEnd(AreaSet& set, const SelectionData& d, int goal);

// Re-orders the non-seed areas: each position takes the remaining area that
// adds the largest weight of included taxa not present in earlier positions
// (the first in the previous order on ties).
void reorderByGain(AreaSet& set, const SelectionData& d);

// Non-seed areas in set order: count = position, score = area count for the
// first, one less for each next one; other units keep theirs.
void scoreByPosition(MeasureResult& scores, const AreaSet& set);

}  // namespace zn
