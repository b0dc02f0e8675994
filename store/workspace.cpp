#include "store/workspace.h"

#include <cstring>

#include <algorithm>
#include <functional>
#include <utility>

#include "store/codetree.h"
#include "store/text.h"

namespace zn {

const CardLayout kWorldCards{1024, 66, 940, 944, 948, 952, 956, 960, 964, 972, 992, 34, 864};
const CardLayout kBritainCards{4096, 92, 4040, 4044, 4052, 4056, 4060, 4064, 4068, 4076, 4092, 36, 3947};

std::string CardStore::name(int i) const { return fieldText(card(i), kNameField); }

void CardStore::setName(int i, const std::string& name) {
  unsigned char* p = card(i);
  std::fill(p, p + kNameField, 0);
  std::copy_n(name.begin(), std::min<std::size_t>(name.size(), kNameField - 1), p);
}

std::string CardStore::codeText(int i) const { return fieldText(code(i), kCodeLength); }

void buildLattice(Workspace& ws) {
  const Geometry& g = ws.geo;
  ws.lattice.clear();
  if (g.latticeLines == 0) return;
  for (int k = 0; k <= g.columns; ++k) {
    int x = g.originX + k * g.cellSize;
    ws.lattice.push_back({x, x, g.originY, g.farY});
  }
  for (int k = 0; k <= g.rows; ++k) {
    int y = g.originY + k * g.cellSize;
    ws.lattice.push_back({g.originX, g.farX, y, y});
  }
}

void buildCellCorners(Workspace& ws) {
  const Geometry& g = ws.geo;
  int n = 0;
  for (int r = 1; r <= g.rows; ++r)
    for (int c = 1; c <= g.columns; ++c) {
      if (++n >= static_cast<int>(ws.cells.size())) return;
      GridCell& cell = ws.cells[static_cast<std::size_t>(n)];
      cell.column = c;
      cell.row = r;
      cell.x0 = g.originX + (c - 1) * g.cellSize;
      cell.y0 = g.originY + (r - 1) * g.cellSize;
      cell.x1 = cell.x0 + g.cellSize;
      cell.y1 = cell.y0 + g.cellSize;
    }
}

int codeDepth(const unsigned char* code, int g) {
  int e = std::clamp(g, 0, kCodeField);
  while (e < kCodeField && code[e] != '0') ++e;
  return e - std::clamp(g, 0, kCodeField);
}

bool recount(Workspace& ws, int excludedLevel) {
  Counters& c = ws.counters;
  Snapshot keep = c.snapshot;
  c = Counters{};
  c.snapshot = keep;
  ws.dataset = {};  // the counts may have moved: the dataset is built again when next asked for
  if (!ws.datafile.opened) return false;

  const int cells = ws.geo.cells;
  const int taxa = std::min(ws.taxaCount, ws.cards.slots());
  const int g = static_cast<int>(ws.groupCode.size());
  CardStore& cards = ws.cards;

  // Occupied cells: any included taxon with a nonzero level there.
  std::vector<unsigned char> occupied(static_cast<std::size_t>(cells) + 1, 0);
  std::vector<int> scratch;
  scratch.reserve(static_cast<std::size_t>(taxa));
  double totalDepth = 0.0;
  for (int t = 0; t < taxa; ++t) {
    if (!ws.passesGroup(t)) continue;
    const std::int8_t* lv = cards.levels(t);
    unsigned char* occ = occupied.data();
    int n = 0;
    // Branch-free so the compiler can run it over many cells at once.
    for (int cell = 1; cell <= cells; ++cell) {
      occ[cell] |= static_cast<unsigned char>(lv[cell] != 0);
      n += lv[cell] > excludedLevel;
    }
    ++c.includedTaxa;
    cards.setRecordCount(t, n);
    if (n >= 1) {
      cards.setField(static_cast<int>(scratch.size()), cards.layout->sortScratch, n);
      scratch.push_back(n);
      ++c.taxaWithRecords;
      c.sumGaps += cells - n;
      c.sumInverseRanges += 1.0 / n;
      c.sumInverseSquaredRanges += 1.0 / (static_cast<double>(n) * n);
      c.records += n;
      c.minRange = std::min(c.minRange, n);
      c.maxRange = std::max(c.maxRange, n);
    }
    int depth = codeDepth(std::as_const(cards).code(t), g);
    cards.setWeight(t, static_cast<float>(depth));
    totalDepth += depth;
  }
  for (int cell = 1; cell <= cells; ++cell) c.occupiedCells += occupied[static_cast<std::size_t>(cell)];

  // Median range: the record counts in descending order.
  const std::size_t k = scratch.size();
  if (k > 0) {
    std::sort(scratch.begin(), scratch.end(), std::greater<int>());
    for (std::size_t i = 0; i < k; ++i) cards.setField(static_cast<int>(i), cards.layout->sortScratch, scratch[i]);
    if (k == 1) c.medianRange = scratch[0];
    else if (k % 2 == 0) c.medianRange = (scratch[k / 2] + scratch[k / 2 - 1]) / 2;
    else c.medianRange = scratch[k / 2];
  }

  c.snapshot = Snapshot{c.taxaWithRecords, c.occupiedCells, c.includedTaxa, c.records, excludedLevel, g, ws.groupCode};

  if (c.includedTaxa < 3 || ws.taxaCount < 3) return false;

  CodeTree tree(g);
  for (int t = 0; t < taxa; ++t) {
    if (!ws.passesGroup(t)) continue;
    float depth = cards.weight(t);
    if (depth != 0.0f) {
      auto w = static_cast<float>(totalDepth / depth);
      cards.setWeight(t, w);
      c.sumWeights += w;
    } else {
      cards.setWeight(t, 1.0f);
    }
    tree.add(std::as_const(cards).code(t));
  }
  c.codeTreeLength = tree.length();
  return true;
}

void rescaleQuantitative(Workspace& ws) {
  DatafileState& df = ws.datafile;
  if (!df.opened || !df.quantitative || df.rescaled) return;
  const int taxa = std::min(ws.taxaCount, ws.cards.slots());
  for (int t = 0; t < taxa; ++t) {
    int m = 0;
    for (int cell = 1; cell <= ws.geo.cells; ++cell) m = std::max<int>(m, ws.cards.level(t, cell));
    if (m < 1 || m > 99) continue;
    for (int cell = 1; cell <= ws.geo.cells; ++cell) ws.cards.setLevel(t, cell, ws.cards.level(t, cell) * 100 / m);
  }
  df.rescaled = true;
}

void occupancyPass(Workspace& ws, int excludedLevel, const AreaSet& areas) {
  const int cells = ws.geo.cells;
  for (int n = 0; n <= cells && 5 * n + 4 < static_cast<int>(ws.prop.size()); ++n)
    ws.prop[static_cast<std::size_t>(5 * n + 4)] = 0;
  ws.counters.cellsWithData = 0;
  if (!ws.datafile.opened) return;
  const int taxa = std::min(ws.taxaCount, ws.cards.slots());
  for (int t = 0; t < taxa; ++t) {
    if (!ws.passesGroup(t)) continue;
    const std::int8_t* lv = ws.cards.levels(t);
    bool represented = false;
    for (int a : areas.cells)
      if (a >= 1 && a <= cells && lv[a] > excludedLevel) {
        represented = true;
        break;
      }
    if (represented) continue;
    for (int n = 1; n <= cells; ++n)
      if (lv[n] > excludedLevel) ws.prop[static_cast<std::size_t>(5 * n + 4)] = 1;
  }
  for (int n = 1; n <= cells; ++n) ws.counters.cellsWithData += ws.cellHasData(n) ? 1 : 0;
}

BackCell readBackCell(const Workspace& ws, int n) {
  BackCell b;
  const auto at = static_cast<std::size_t>(5 * n);
  if (n < 0 || at + 4 >= ws.backcell.size()) return b;
  b.count = ws.backcell[at];
  std::memcpy(&b.score, &ws.backcell[at + 1], sizeof b.score);
  b.scored = ws.backcell[at + 3];
  b.colour = ws.backcell[at + 4];
  return b;
}

void writeBackCell(Workspace& ws, int n, const BackCell& b) {
  const auto at = static_cast<std::size_t>(5 * n);
  if (n < 0 || at + 4 >= ws.backcell.size()) return;
  ws.backcell[at] = b.count;
  std::memcpy(&ws.backcell[at + 1], &b.score, sizeof b.score);
  ws.backcell[at + 3] = b.scored;
  ws.backcell[at + 4] = b.colour;
}

}  // namespace zn
