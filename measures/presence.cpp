#include "measures/presence.h"

#include <algorithm>
#include <cstring>

namespace zn {

namespace {

// Calls f(n) for each cell n = 1 … cells where the level is above the
// excluded level. Most bytes are 0 (no record): whole zero words are
// skipped when a zero level cannot count as present.
template <typename F>
void forPresentCells(const std::int8_t* lv, std::size_t cells, int excludedLevel, F&& f) {
  std::size_t n = 1;
  if (excludedLevel >= 0) {
    while (n + 8 <= cells + 1) {
      std::uint64_t word;
      std::memcpy(&word, lv + n, sizeof word);
      if (word == 0) {
        n += 8;
        continue;
      }
      for (std::size_t e = n + 8; n < e; ++n)
        if (lv[n] > excludedLevel) f(n);
    }
  }
  for (; n <= cells; ++n)
    if (lv[n] > excludedLevel) f(n);
}

constexpr std::size_t wordsFor(std::size_t bits) { return (bits + 63) / 64; }
constexpr std::size_t kMaxNumber = 65535;  // what a 16-bit list entry holds

}  // namespace

PresenceIndex buildPresenceIndex(const Workspace& ws, int excludedLevel) {
  PresenceIndex ix;
  ix.taxa = std::max(0, std::min(ws.taxaCount, ws.cards.slots()));
  ix.cells = std::max(0, std::min(ws.geo.cells, ws.cards.layout->maxCells));
  ix.excludedLevel = excludedLevel;
  const auto taxa = static_cast<std::size_t>(ix.taxa);
  const auto cells = static_cast<std::size_t>(ix.cells);
  ix.taxonStart.assign(taxa + 1, 0);
  ix.cellStart.assign(cells + 2, 0);

  // First pass: the list sizes, kept as running sums.
  std::int32_t records = 0;
  for (std::size_t t = 0; t < taxa; ++t) {
    std::int32_t k = 0;
    forPresentCells(ws.cards.levels(static_cast<int>(t)), cells, excludedLevel, [&](std::size_t n) {
      ++ix.cellStart[n + 1];
      ++k;
    });
    records += k;
    ix.taxonStart[t + 1] = records;
  }
  for (std::size_t n = 1; n <= cells + 1; ++n) ix.cellStart[n] += ix.cellStart[n - 1];

  // Each direction takes the smaller form; bit rows also serve numbers a
  // 16-bit entry cannot hold.
  const auto listBytes = static_cast<std::size_t>(records) * sizeof(std::uint16_t);
  const std::size_t taxonWords = wordsFor(cells + 1), cellWords = wordsFor(taxa);
  const bool taxonRows = cells > kMaxNumber || taxa * taxonWords * sizeof(std::uint64_t) < listBytes;
  const bool cellRows = taxa > kMaxNumber + 1 || (cells + 1) * cellWords * sizeof(std::uint64_t) < listBytes;
  if (taxonRows) {
    ix.taxonWords = taxonWords;
    ix.taxonBits.assign(taxa * taxonWords, 0);
  } else {
    ix.taxonCells.resize(static_cast<std::size_t>(records));
  }
  std::vector<std::int32_t> fill;
  if (cellRows) {
    ix.cellWords = cellWords;
    ix.cellBits.assign((cells + 1) * cellWords, 0);
  } else {
    ix.cellTaxa.resize(static_cast<std::size_t>(records));
    fill.assign(ix.cellStart.begin(), ix.cellStart.end() - 1);
  }

  // Second pass: the lists. Taxa go by in card order, so each cell's list
  // is in card order too.
  for (std::size_t t = 0; t < taxa; ++t) {
    const std::int8_t* lv = ws.cards.levels(static_cast<int>(t));
    std::uint64_t* row = taxonRows ? ix.taxonBits.data() + t * taxonWords : nullptr;
    std::uint16_t* list = taxonRows ? nullptr : ix.taxonCells.data() + ix.taxonStart[t];
    const std::uint64_t taxonBit = std::uint64_t{1} << (t % 64);
    forPresentCells(lv, cells, excludedLevel, [&](std::size_t n) {
      if (row) row[n / 64] |= std::uint64_t{1} << (n % 64);
      else *list++ = static_cast<std::uint16_t>(n);
      if (cellRows) ix.cellBits[n * cellWords + t / 64] |= taxonBit;
      else ix.cellTaxa[static_cast<std::size_t>(fill[n]++)] = static_cast<std::uint16_t>(t);
    });
  }
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

std::vector<char> countedTaxa(const Workspace& ws, const PresenceIndex& index, const AreaSet& areas) {
  std::vector<char> counted = representedTaxa(index, areas);
  for (int t = 0; t < index.taxa; ++t) {
    char& c = counted[static_cast<std::size_t>(t)];
    c = (!c && ws.passesGroup(t)) ? 1 : 0;
  }
  return counted;
}

}  // namespace zn
