// Who is present where, for the near-minimum family of analyses: the
// occurrence lists of the run's data (above the excluded data level for a
// datafile), which taxa pass the group code, and small helpers over an area
// list. Built from an AnalysisData, so a datafile and a project of any size
// give it alike.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "measures/presence.h"
#include "store/analysisdata.h"

namespace zn {

// The units an analysis of `a` scores: those up to the grid's count that
// ranges are measured against (all of them where that count is unset).
inline int scoredUnits(const AnalysisData& a) { return a.gridUnits > 0 ? std::min(a.units(), a.gridUnits) : a.units(); }

struct SelectionIndex {
  // The lists of `a`'s dataset, which the index shares (it outlives `a`);
  // the units it counts are those the grid measures ranges against.
  explicit SelectionIndex(const AnalysisData& a)
      : held(a.data, &a.data->occurrences), ix(*held), cells(scoredUnits(a)), included(a.inGroup) {
    included.resize(static_cast<std::size_t>(ix.taxa), 0);
  }

  std::shared_ptr<const PresenceIndex> held;
  const PresenceIndex& ix;
  int cells = 0;               // units with both a record and data levels
  std::vector<char> included;  // passes the group code

  bool valid(int cell) const { return cell >= 1 && cell <= cells; }
  bool counts(int taxon) const { return included[static_cast<std::size_t>(taxon)] != 0; }
  int range(int taxon) const { return ix.range(taxon); }

  // Per taxon, the number of the given areas (cells) where it is present;
  // only included taxa are counted.
  std::vector<int> presences(const std::vector<int>& areas, std::size_t from = 0) const {
    std::vector<int> n(static_cast<std::size_t>(ix.taxa), 0);
    for (std::size_t p = from; p < areas.size(); ++p)
      if (valid(areas[p]))
        for (int t : ix.taxaIn(areas[p]))
          if (counts(t)) ++n[static_cast<std::size_t>(t)];
    return n;
  }
};

}  // namespace zn
