// Who is present where, as lists: the cells of each taxon and the taxa of
// each cell, so that the measures cost the number of records rather than
// taxa x cells. Built from the cards in one pass.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "store/workspace.h"

namespace zn {

struct PresenceIndex {
  int taxa = 0;
  int cells = 0;
  int excludedLevel = 0;
  // Cells (ascending) where taxon t is present: level above the excluded level.
  std::vector<std::int32_t> taxonStart;  // taxa + 1 entries
  std::vector<std::int32_t> taxonCells;
  // Taxa (card order) present in cell n, n = 1 … cells.
  std::vector<std::int32_t> cellStart;  // cells + 2 entries
  std::vector<std::int32_t> cellTaxa;

  std::span<const std::int32_t> cellsOf(int t) const {
    return {taxonCells.data() + taxonStart[static_cast<std::size_t>(t)],
            taxonCells.data() + taxonStart[static_cast<std::size_t>(t) + 1]};
  }
  std::span<const std::int32_t> taxaIn(int n) const {
    return {cellTaxa.data() + cellStart[static_cast<std::size_t>(n)],
            cellTaxa.data() + cellStart[static_cast<std::size_t>(n) + 1]};
  }
  // Range size: the number of cells where the taxon is present.
  int range(int t) const {
    return taxonStart[static_cast<std::size_t>(t) + 1] - taxonStart[static_cast<std::size_t>(t)];
  }
};

// Lists every taxon of the card store, whatever its group code.
PresenceIndex buildPresenceIndex(const Workspace& ws, int excludedLevel);

// 1 for each taxon present in at least one area of the set (areas outside
// 1 … cells are ignored).
std::vector<char> representedTaxa(const PresenceIndex& index, const AreaSet& areas);

// 1 for each taxon a complementary measure counts: it passes the group-code
// test and is not represented in the area set.
std::vector<char> countedTaxa(const Workspace& ws, const PresenceIndex& index,
                              const AreaSet& areas);

}  // namespace zn
