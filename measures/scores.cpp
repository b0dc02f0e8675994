#include "measures/scores.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace zn {

MeasureParams measureParams(const Settings& st) {
  MeasureParams p;
  p.excludedLevel = st.excludedLevel;
  p.rarityFormula = st.rarityFormula;
  p.rangeSizeThreshold = st.rangeSizeThreshold;
  p.rangeCentreWeighting = st.rangeCentreWeighting;
  return p;
}

MeasureParams measureParams(const Settings& st, const Workspace& ws) {
  MeasureParams p = measureParams(st);
  const int taxa = std::min(ws.taxaCount, ws.cards.slots());
  p.plotMarks.resize(static_cast<std::size_t>(std::max(taxa, 0)));
  for (int t = 0; t < taxa; ++t) p.plotMarks[static_cast<std::size_t>(t)] = plotMarked(ws, t) ? 1 : 0;
  return p;
}

MeasureResult MeasureResult::zeroed(int cells, int excludedLevel) {
  MeasureResult r;
  r.ran = true;
  r.excludedLevel = excludedLevel;
  r.score.assign(static_cast<std::size_t>(std::max(cells, 0)) + 1, 0.0);
  r.count.assign(r.score.size(), 0);
  return r;
}

void applyMeasure(const MeasureResult& r, MapRecord& map, Workspace& ws, bool& scoresPresent) {
  if (!r.ran) return;
  CardStore& cards = ws.cards;
  // Cards past the result's taxa hold no centre.
  if (!r.rangeCentre.empty())
    for (std::size_t t = 0; t < static_cast<std::size_t>(cards.slots()); ++t)
      cards.setField(static_cast<int>(t), cards.layout->soleArea, t < r.rangeCentre.size() ? r.rangeCentre[t] : 0);
  for (std::size_t i = 0; i < r.quartileOrder.size() && i < static_cast<std::size_t>(cards.slots()); ++i) {
    cards.setField(static_cast<int>(i), cards.layout->currentMark, r.quartileOrder[i].first);
    cards.setField(static_cast<int>(i), cards.layout->workA, r.quartileOrder[i].second);
  }
  beginMeasure(map, ws);
  const std::size_t cells = std::min(r.score.size(), static_cast<std::size_t>(lastCellNumber(ws)) + 1);
  for (std::size_t n = 1; n < cells; ++n) {
    GridCell& c = ws.cells[n];
    c.score = r.score[n];
    c.count = r.count[n];
  }
  map.taxaCounted = r.taxaCounted;
  finishMeasure(map, ws, r.excludedLevel, r.scaleLimit);
  scoresPresent = true;
}

void clearScores(MapRecord& map, Workspace& ws, bool& scoresPresent) {
  map.title.clear();
  map.scoreOffset = 0.0;
  map.meanPasses = 0;
  map.smoothPasses = 0;
  for (int n = 0; n <= lastCellNumber(ws); ++n) {
    GridCell& c = ws.cells[static_cast<std::size_t>(n)];
    c.score = 0.0;
    c.count = 0;
    c.scored = 0;
  }
  scoresPresent = false;
}

void beginMeasure(MapRecord& map, Workspace& ws) {
  for (int n = 0; n <= lastCellNumber(ws); ++n) {
    GridCell& c = ws.cells[static_cast<std::size_t>(n)];
    c.score = 0.0;
    c.count = 0;
  }
  map.taxaCounted = 0;
}

void finishMeasure(MapRecord& m, const Workspace& ws, int excludedLevel, double scaleLimit) {
  m.dataTitle = ws.datafile.title;
  m.fileName = ws.datafile.fileName;
  m.groupCode = ws.groupCode;
  m.excludedLevel = excludedLevel;
  m.meanPasses = 0;
  m.smoothPasses = 0;
  m.includedTaxa = ws.counters.includedTaxa;
  m.occupiedCells = ws.counters.occupiedCells;
  m.records = ws.counters.records;
  m.scaleLimit = scaleLimit;
  m.mapMaximum = scaleLimit;
  m.importKind = kNotImported;
}

int markedTaxa(const Workspace& ws) {
  int k = 0;
  for (int t = 0; t < std::min(ws.taxaCount, ws.cards.slots()); ++t) k += plotMarked(ws, t) ? 1 : 0;
  return k;
}

int firstMarkedTaxon(const Workspace& ws) {
  for (int t = 0; t < std::min(ws.taxaCount, ws.cards.slots()); ++t)
    if (plotMarked(ws, t)) return t;
  return -1;
}

void clearPlotMarks(Workspace& ws) {
  for (int t = 0; t < ws.cards.slots(); ++t) setPlotMark(ws, t, false);
}

void setPlotMark(Workspace& ws, int taxon, bool on) {
  ws.cards.setField(taxon, ws.cards.layout->currentMark, on ? 1 : 0);
}

bool plotMarked(const Workspace& ws, int taxon) { return ws.cards.field(taxon, ws.cards.layout->currentMark) != 0; }

std::string displayName(const std::string& name) {
  const std::size_t n = name.size();
  std::string out = name;
  // Too short to hold "xy." after a separator: shown as it is.
  if (n >= 4 && name[n - 1] == '.') out = std::string{name[n - 3], name[n - 2], '.', ' '} + name.substr(0, n - 4);
  if (out.size() > 30) out.resize(30);
  return out;
}

double rarityValue(RarityFormula formula, int range, int cells) {
  if (range < 1) return 0.0;
  switch (formula) {
    case RarityFormula::kDifference: return static_cast<double>(cells - range);
    case RarityFormula::kInverse: return 1.0 / range;
    case RarityFormula::kInverseSquare: return 1.0 / (static_cast<double>(range) * range);
    default: return 0.0;
  }
}

double raritySum(const Counters& c, RarityFormula formula) {
  switch (formula) {
    case RarityFormula::kDifference: return c.sumGaps;
    case RarityFormula::kInverse: return c.sumInverseRanges;
    case RarityFormula::kInverseSquare: return c.sumInverseSquaredRanges;
    default: return 0.0;
  }
}

}  // namespace zn
