// The datafile's cards read into the dataset: cells become units 1 … cells,
// cards become taxa, and a level above the excluded level is a presence (or,
// for writing the file back, every non-zero level an amount).
#include <algorithm>
#include <cstring>
#include <functional>

#include "store/analysisdata.h"
#include "store/datafile.h"
#include "store/session.h"
#include "store/workspace.h"

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

int taxaOf(const Workspace& ws) { return std::max(0, std::min(ws.taxaCount, ws.cards.slots())); }
int cellsOf(const Workspace& ws) { return std::max(0, std::min(ws.geo.cells, ws.cards.layout->maxCells)); }

}  // namespace

Occurrences buildPresenceIndex(const Workspace& ws, int excludedLevel) {
  Occurrences ix;
  ix.taxa = taxaOf(ws);
  ix.units = cellsOf(ws);
  const auto taxa = static_cast<std::size_t>(ix.taxa);
  const auto cells = static_cast<std::size_t>(ix.units);
  ix.taxonStart.assign(taxa + 1, 0);
  ix.unitStart.assign(cells + 2, 0);

  // First pass: the list sizes, kept as running sums.
  std::int64_t records = 0;
  for (std::size_t t = 0; t < taxa; ++t) {
    std::int64_t k = 0;
    forPresentCells(ws.cards.levels(static_cast<int>(t)), cells, excludedLevel, [&](std::size_t n) {
      ++ix.unitStart[n + 1];
      ++k;
    });
    records += k;
    ix.taxonStart[t + 1] = records;
  }
  for (std::size_t n = 1; n <= cells + 1; ++n) ix.unitStart[n] += ix.unitStart[n - 1];

  // Each direction takes the smaller form.
  const auto listBytes = static_cast<std::size_t>(records) * sizeof(std::uint32_t);
  const std::size_t taxonWords = wordsFor(cells + 1), cellWords = wordsFor(taxa);
  const bool taxonRows = taxa * taxonWords * sizeof(std::uint64_t) < listBytes;
  const bool cellRows = (cells + 1) * cellWords * sizeof(std::uint64_t) < listBytes;
  if (taxonRows) {
    ix.taxonWords = taxonWords;
    ix.taxonBits.assign(taxa * taxonWords, 0);
  } else {
    ix.taxonUnits.resize(static_cast<std::size_t>(records));
  }
  std::vector<std::int64_t> fill;
  if (cellRows) {
    ix.unitWords = cellWords;
    ix.unitBits.assign((cells + 1) * cellWords, 0);
  } else {
    ix.unitTaxa.resize(static_cast<std::size_t>(records));
    fill.assign(ix.unitStart.begin(), ix.unitStart.end() - 1);
  }

  // Second pass: the lists. Taxa go by in card order, so each cell's list
  // is in card order too.
  for (std::size_t t = 0; t < taxa; ++t) {
    const std::int8_t* lv = ws.cards.levels(static_cast<int>(t));
    std::uint64_t* row = taxonRows ? ix.taxonBits.data() + t * taxonWords : nullptr;
    std::uint32_t* list = taxonRows ? nullptr : ix.taxonUnits.data() + ix.taxonStart[t];
    const std::uint64_t taxonBit = std::uint64_t{1} << (t % 64);
    forPresentCells(lv, cells, excludedLevel, [&](std::size_t n) {
      if (row) row[n / 64] |= std::uint64_t{1} << (n % 64);
      else *list++ = static_cast<std::uint32_t>(n);
      if (cellRows) ix.unitBits[n * cellWords + t / 64] |= taxonBit;
      else ix.unitTaxa[static_cast<std::size_t>(fill[n]++)] = static_cast<std::uint32_t>(t);
    });
  }
  return ix;
}

namespace {

// Units, the cells' names and costs, and taxa, the cards' names and codes.
void takeUnitsAndTaxa(Dataset& d, const Workspace& ws, int cells, int taxa) {
  d.units.resize(static_cast<std::size_t>(cells));
  for (int n = 1; n <= cells; ++n) {
    DatasetUnit& u = d.units[static_cast<std::size_t>(n) - 1];
    u.id = n;
    if (static_cast<std::size_t>(n) < ws.cells.size()) {
      const GridCell& c = ws.cells[static_cast<std::size_t>(n)];
      u.name.assign(c.name.data(), strnlen(c.name.data(), c.name.size()));
      u.cost = c.cost;
    }
  }
  d.taxa.resize(static_cast<std::size_t>(taxa));
  for (int t = 0; t < taxa; ++t) {
    DatasetTaxon& x = d.taxa[static_cast<std::size_t>(t)];
    x.id = t + 1;
    x.name = ws.cards.name(t);
    x.code = ws.cards.codeText(t);
  }
}

}  // namespace

std::shared_ptr<const Dataset> datasetFromCards(const Workspace& ws, int excludedLevel) {
  auto d = std::make_shared<Dataset>();
  d->occurrences = buildPresenceIndex(ws, excludedLevel);
  takeUnitsAndTaxa(*d, ws, d->occurrences.units, d->occurrences.taxa);
  return d;
}

std::shared_ptr<const Dataset> datasetOfDatafile(const Workspace& ws) {
  auto d = std::make_shared<Dataset>();
  const int taxa = taxaOf(ws), cells = cellsOf(ws);
  std::vector<Occurrence> pairs;
  for (int t = 0; t < taxa; ++t) {
    const std::int8_t* lv = ws.cards.levels(t);
    for (int n = 1; n <= cells; ++n)
      if (lv[n] != 0)
        pairs.push_back({static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(n), static_cast<double>(lv[n])});
  }
  d->occurrences = occurrencesFrom(taxa, cells, std::move(pairs), true);
  takeUnitsAndTaxa(*d, ws, cells, taxa);
  return d;
}

std::shared_ptr<const Occurrences> datafileRecordsIn(const Workspace& ws, const std::vector<int>& units) {
  const int taxa = taxaOf(ws), cells = cellsOf(ws);
  std::vector<char> seen(static_cast<std::size_t>(cells) + 1, 0);
  std::vector<int> wanted;
  for (int n : units) {
    if (n < 1 || n > cells || seen[static_cast<std::size_t>(n)]) continue;
    seen[static_cast<std::size_t>(n)] = 1;
    wanted.push_back(n);
  }
  std::vector<Occurrence> pairs;
  for (int t = 0; t < taxa; ++t) {
    const std::int8_t* lv = ws.cards.levels(t);
    for (int n : wanted)
      if (lv[n] != 0)
        pairs.push_back({static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(n), static_cast<double>(lv[n])});
  }
  return std::make_shared<const Occurrences>(occurrencesFrom(taxa, cells, std::move(pairs), true));
}

std::shared_ptr<const Occurrences> presenceIndex(const Workspace& ws, int excludedLevel) {
  Workspace::KeptDataset& k = ws.dataset;
  if (!k.data || k.cardsVersion != ws.cards.version() || k.excludedLevel != excludedLevel ||
      k.taxaCount != ws.taxaCount || k.cells != ws.geo.cells || k.layout != ws.cards.layout)
    k = {datasetFromCards(ws, excludedLevel),
         ws.cards.version(),
         excludedLevel,
         ws.taxaCount,
         ws.geo.cells,
         ws.cards.layout};
  return {k.data, &k.data->occurrences};
}

AnalysisData analysisData(const Session& s, bool withLevels) {
  const Workspace& ws = s.ws;
  const int excludedLevel = s.settings.excludedLevel;
  AnalysisData a;
  if (withLevels) {
    auto d = std::make_shared<Dataset>();
    const int taxa = taxaOf(ws), cells = cellsOf(ws);
    // The kept presences with their levels: each taxon's cells come
    // ascending, so the lists need no sort.
    const std::shared_ptr<const Occurrences> kept = presenceIndex(ws, excludedLevel);
    std::vector<std::int64_t> start = kept->taxonStart;
    std::vector<std::uint32_t> units;
    std::vector<double> levels;
    units.reserve(static_cast<std::size_t>(start.back()));
    levels.reserve(units.capacity());
    for (int t = 0; t < kept->taxa; ++t) {
      const std::int8_t* lv = ws.cards.levels(t);
      for (int n : kept->unitsOf(t)) {
        units.push_back(static_cast<std::uint32_t>(n));
        levels.push_back(lv[n]);
      }
    }
    d->occurrences =
        occurrencesFromLists(kept->taxa, kept->units, std::move(start), std::move(units), std::move(levels));
    takeUnitsAndTaxa(*d, ws, cells, taxa);
    a.data = std::move(d);
  } else {
    presenceIndex(ws, excludedLevel);
    a.data = ws.dataset.data;
  }
  a.geometry = unitGeometry(s);
  const int taxa = a.taxa(), units = a.units();
  a.inGroup.resize(static_cast<std::size_t>(taxa));
  a.excluded.resize(static_cast<std::size_t>(taxa));
  a.weight.resize(static_cast<std::size_t>(taxa));
  for (int t = 0; t < taxa; ++t) {
    a.inGroup[static_cast<std::size_t>(t)] = ws.passesGroup(t) ? 1 : 0;
    a.excluded[static_cast<std::size_t>(t)] = ws.cards.excluded(t) ? 1 : 0;
    a.weight[static_cast<std::size_t>(t)] = ws.cards.weight(t);
  }
  const auto perUnit = static_cast<std::size_t>(units) + 1;
  a.cost.assign(perUnit, 0.0);
  a.threat.assign(perUnit, 0.0);
  a.column.assign(perUnit, 0);
  a.row.assign(perUnit, 0);
  for (std::size_t n = 1; n < perUnit && n < ws.cells.size(); ++n) {
    const GridCell& c = ws.cells[n];
    a.cost[n] = c.cost;
    a.threat[n] = c.threat;
    a.column[n] = c.column;
    a.row[n] = c.row;
  }
  a.columns = ws.geo.columns;
  a.codeFields.resize(static_cast<std::size_t>(taxa) * AnalysisData::kCodeFieldBytes);
  for (int t = 0; t < taxa; ++t)
    std::memcpy(a.codeFields.data() + static_cast<std::size_t>(t) * AnalysisData::kCodeFieldBytes, ws.cards.code(t),
                AnalysisData::kCodeFieldBytes);
  a.totals = ws.counters;
  a.gridUnits = ws.geo.cells;
  a.levels = ws.datafile.levels;
  a.quantitative = ws.datafile.quantitative;
  a.fixedGrid = true;
  a.treeData = s.subgroupDataPresent;
  return a;
}

Counters countTotals(const AnalysisData& a) {
  Counters c;
  const Occurrences& o = a.occ();
  std::vector<char> occupied(static_cast<std::size_t>(o.units) + 1, 0);
  std::vector<int> ranges;
  for (int t = 0; t < o.taxa; ++t) {
    if (!a.counts(t)) continue;
    ++c.includedTaxa;
    const int n = o.range(t);
    if (n < 1) continue;
    for (int u : o.unitsOf(t)) occupied[static_cast<std::size_t>(u)] = 1;
    ranges.push_back(n);
    ++c.taxaWithRecords;
    c.sumGaps += a.gridUnits - n;
    c.sumInverseRanges += 1.0 / n;
    c.sumInverseSquaredRanges += 1.0 / (static_cast<double>(n) * n);
    c.records += n;
    c.minRange = std::min(c.minRange, n);
    c.maxRange = std::max(c.maxRange, n);
  }
  for (char x : occupied) c.occupiedCells += x;
  c.cellsWithData = c.occupiedCells;
  // The median as the recount takes it: descending, integer mean of the middle two.
  const std::size_t k = ranges.size();
  if (k > 0) {
    std::sort(ranges.begin(), ranges.end(), std::greater<int>());
    c.medianRange = k == 1 ? ranges[0] : k % 2 == 0 ? (ranges[k / 2] + ranges[k / 2 - 1]) / 2 : ranges[k / 2];
  }
  c.snapshot = Snapshot{c.taxaWithRecords, c.occupiedCells, c.includedTaxa, c.records, 0, 0, {}};
  return c;
}

}  // namespace zn
