#include "measures/scores.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace zn {

void setMeasureCode(Session& s, MeasureCode code) {
  s.map.measureCode = code;
  s.settings.measureCode = code;
}

namespace {
// Cell records 0 … cells that exist.
int lastRecord(const Session& s) { return lastCellNumber(s.ws); }
}  // namespace

void clearScores(Session& s) {
  s.map.title.clear();
  s.map.scoreOffset = 0.0;
  s.map.meanPasses = 0;
  s.map.smoothPasses = 0;
  for (int n = 0; n <= lastRecord(s); ++n) {
    GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    c.score = 0.0;
    c.count = 0;
    c.scored = 0;
  }
  s.scoresPresent = false;
}

bool measureApplies(const Session& s, MeasureCode code) { return s.ws.datafile.opened && s.map.measureCode == code; }

void beginMeasure(Session& s) {
  for (int n = 0; n <= lastRecord(s); ++n) {
    GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    c.score = 0.0;
    c.count = 0;
  }
  s.map.taxaCounted = 0;
}

void finishMeasure(Session& s, double scaleLimit) {
  MapRecord& m = s.map;
  const Workspace& ws = s.ws;
  s.scoresPresent = true;
  m.dataTitle = ws.datafile.title;
  m.fileName = ws.datafile.fileName;
  m.groupCode = ws.groupCode;
  m.excludedLevel = s.settings.excludedLevel;
  m.meanPasses = 0;
  m.smoothPasses = 0;
  m.includedTaxa = ws.counters.includedTaxa;
  m.occupiedCells = ws.counters.occupiedCells;
  m.records = ws.counters.records;
  m.scaleLimit = scaleLimit;
  m.mapMaximum = scaleLimit;
  m.importKind = kNotImported;
}

namespace {

// The foreground's option-backed values live in the settings record.
MapSettingsCopy foregroundSettings(const Settings& st) {
  return MapSettingsCopy{st.scaleType, st.rarityFormula, st.hotspotKind, st.rejectRedundant, st.neighbourhoodSize};
}

void putForegroundSettings(Settings& st, const MapSettingsCopy& c) {
  st.scaleType = c.scaleType;
  st.rarityFormula = c.rarityFormula;
  st.hotspotKind = c.hotspotKind;
  st.rejectRedundant = c.rejectRedundant;
  st.neighbourhoodSize = c.neighbourhoodSize;
}

}  // namespace

void swapScores(Session& s, const OverlayUnder* overlay) {
  Workspace& ws = s.ws;
  for (int n = 1; n <= lastRecord(s); ++n) {
    GridCell& c = ws.cells[static_cast<std::size_t>(n)];
    BackCell b = readBackCell(ws, n);
    writeBackCell(ws, n, BackCell{c.count, c.score, c.scored, c.fillColour});
    c.count = b.count;
    c.score = b.score;
    c.scored = b.scored;
    c.fillColour = b.colour;
  }
  MapRecord front = s.map;
  front.settings = foregroundSettings(s.settings);
  if (overlay) {
    front.measureCode = overlay->code;
    front.title = overlay->title;
    front.occupiedCells = overlay->overlayCells;
  }
  // Everything travels except the import kind, which belongs to the scores
  // in memory rather than to either map.
  MapRecord back = s.backgroundMap;
  back.importKind = s.map.importKind;
  front.importKind = s.backgroundMap.importKind;
  s.map = std::move(back);
  s.backgroundMap = std::move(front);
  putForegroundSettings(s.settings, s.map.settings);
  s.settings.measureCode = s.map.measureCode;

  const MeasureCode code = s.map.measureCode;
  if (code != kCodeSelectiveRichness && code != kCodeSelectiveRarity) return;
  clearPlotMarks(ws);
  const int t = s.map.currentTaxon;
  const int taxa = std::min(ws.taxaCount, ws.cards.slots());
  if (s.map.taxaCounted == 1 && t >= 0 && t < taxa && "plot " + displayName(ws.cards.name(t)) == s.map.title) {
    setPlotMark(ws, t, true);
  } else {
    setMeasureCode(s, kCodeImportedScores);
    s.map.importedName = s.map.title.substr(0, 31);
  }
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
