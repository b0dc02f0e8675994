#include "measures/presence.h"

#include <algorithm>
#include <cstring>

namespace zn {

PresenceIndex buildPresenceIndex(const Workspace& ws, int excludedLevel) {
  PresenceIndex ix;
  ix.taxa = std::max(0, std::min(ws.taxaCount, ws.cards.slots()));
  ix.cells = std::max(0, std::min(ws.geo.cells, ws.cards.layout->maxCells));
  ix.excludedLevel = excludedLevel;
  const auto taxa = static_cast<std::size_t>(ix.taxa);
  const auto cells = static_cast<std::size_t>(ix.cells);
  ix.taxonStart.assign(taxa + 1, 0);
  ix.cellStart.assign(cells + 2, 0);
  std::vector<std::int32_t>& tc = ix.taxonCells;
  // The last recount's record count is a close guess: dense data then fill
  // the list without copying it as it grows.
  tc.reserve(static_cast<std::size_t>(std::max(0, ws.counters.records)));
  // Most bytes are 0 (no record); whole zero words are skipped when a zero
  // level cannot count as present.
  const bool skipZeroWords = excludedLevel >= 0;
  for (std::size_t t = 0; t < taxa; ++t) {
    const std::int8_t* lv = ws.cards.levels(static_cast<int>(t));
    std::size_t n = 1;
    if (skipZeroWords) {
      while (n + 8 <= cells + 1) {
        std::uint64_t word;
        std::memcpy(&word, lv + n, sizeof word);
        if (word == 0) {
          n += 8;
          continue;
        }
        for (std::size_t e = n + 8; n < e; ++n)
          if (lv[n] > excludedLevel) tc.push_back(static_cast<std::int32_t>(n));
      }
    }
    for (; n <= cells; ++n)
      if (lv[n] > excludedLevel) tc.push_back(static_cast<std::int32_t>(n));
    ix.taxonStart[t + 1] = static_cast<std::int32_t>(tc.size());
  }
  // Per-cell lists by counting sort of the per-taxon lists; taxa stay in card order.
  for (std::int32_t n : tc) ++ix.cellStart[static_cast<std::size_t>(n) + 1];
  for (std::size_t n = 1; n <= cells + 1; ++n) ix.cellStart[n] += ix.cellStart[n - 1];
  ix.cellTaxa.resize(tc.size());
  std::vector<std::int32_t> fill(ix.cellStart.begin(), ix.cellStart.end() - 1);
  for (std::size_t t = 0; t < taxa; ++t)
    for (auto k = ix.taxonStart[t]; k < ix.taxonStart[t + 1]; ++k)
      ix.cellTaxa[static_cast<std::size_t>(fill[static_cast<std::size_t>(tc[static_cast<std::size_t>(k)])]++)] =
          static_cast<std::int32_t>(t);
  return ix;
}

std::vector<char> representedTaxa(const PresenceIndex& index, const AreaSet& areas) {
  std::vector<char> rep(static_cast<std::size_t>(index.taxa), 0);
  for (int a : areas.cells) {
    if (a < 1 || a > index.cells) continue;
    for (std::int32_t t : index.taxaIn(a)) rep[static_cast<std::size_t>(t)] = 1;
  }
  return rep;
}

std::vector<char> countedTaxa(const Workspace& ws, const PresenceIndex& index,
                              const AreaSet& areas) {
  std::vector<char> counted = representedTaxa(index, areas);
  for (int t = 0; t < index.taxa; ++t) {
    char& c = counted[static_cast<std::size_t>(t)];
    c = (!c && ws.passesGroup(t)) ? 1 : 0;
  }
  return counted;
}

}  // namespace zn
