#include "shell/mapmeasures.h"

#include <algorithm>

#include "measures/scores.h"
#include "measures/smoothing.h"
#include "shell/analyses.h"
#include "store/analysisdata.h"
#include "store/measuretraits.h"
#include "store/unitgeometry.h"

namespace zn {

namespace {

// The session's units as smoothing sees them: their place only.
AnalysisData placeOf(const Session& s) {
  AnalysisData a;
  a.geometry = unitGeometry(s);
  a.fixedGrid = true;
  return a;
}

bool singleTaxonPlot(const Session& s) {
  const MeasureCode code = s.map.code();
  return (code == kCodeSelectiveRichness || code == kCodeFlexibilityPlot) && markedTaxa(s.ws) == 1;
}

}  // namespace

void setMeasureCode(Session& s, MeasureCode code) { s.map.show(mapTraits(code)); }
void clearScores(Session& s) { clearScores(s.map, s.ws, s.scoresPresent); }
void beginMeasure(Session& s) { beginMeasure(s.map, s.ws); }
void finishMeasure(Session& s, double scaleLimit) {
  finishMeasure(s.map, s.ws, s.settings.excludedLevel, scaleLimit);
  s.scoresPresent = true;
}

bool measureApplies(const Session& s, MeasureCode code) { return s.ws.datafile.opened && s.map.code() == code; }

bool meanPassApplies(const Session& s) { return s.ws.datafile.opened && s.map.traits().meanable; }

bool smoothPassApplies(const Session& s) {
  return s.scoresPresent && s.map.traits().smoothable && !singleTaxonPlot(s);
}

void meanPass(Session& s) {
  if (!meanPassApplies(s)) return;
  for (int n = 1; n <= lastCellNumber(s.ws); ++n) {
    GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    c.score = meanScore(c.score, c.count);
  }
  ++s.map.meanPasses;
}

void smoothPass(Session& s) {
  if (!smoothPassApplies(s)) return;
  const auto cells = static_cast<std::size_t>(lastCellNumber(s.ws));
  auto& grid = s.ws.cells;
  std::vector<double> scores(cells + 1, 0.0);
  for (std::size_t n = 1; n <= cells; ++n) scores[n] = grid[n].score;
  const std::vector<double> smoothed = smoothScores(placeOf(s), scores, smoothParams(s.settings));
  for (std::size_t n = 1; n <= cells; ++n) grid[n].score = smoothed[n];
  ++s.map.smoothPasses;
}

void smoothThreeAxis(Session& s) {
  ThreeAxisBuffer& b = s.overlay.threeAxis;
  if (!b.loaded || !smoothPassApplies(s)) return;
  const int cells = std::min(lastCellNumber(s.ws), static_cast<int>(b.values.size()) - 1);
  smoothThreeAxisValues(placeOf(s), b, cells, smoothParams(s.settings));
  for (int n = 1; n <= cells; ++n)
    s.ws.cells[static_cast<std::size_t>(n)].score = b.values[static_cast<std::size_t>(n)][0];
  ++s.map.smoothPasses;
}

void computeResiduals(Session& s) {
  if (!measureApplies(s, kCodeResiduals)) return;
  const bool relative = s.settings.residualsNotRelative == Flag::kOff;
  const Residuals r =
      residualScores(MeasureInput{analysisData(s), s.areas}, measureParams(s), smoothParams(s.settings), relative);
  applyMeasure(r.scores, s.map, s.ws, s.scoresPresent);
  s.map.scoreOffset = r.offset;
  s.map.smoothPasses = r.smoothPasses;
}

MeasureParams measureParams(const Session& s) { return measureParams(s.settings, s.ws); }

bool computeMeasure(Session& s, MeasureCode code) {
  setMeasureCode(s, code);
  if (code == kCodeResiduals) {
    computeResiduals(s);
    return true;
  }
  if (!measureKernel(code)) return false;
  // Without a datafile the input is empty and the measure does not run.
  const AnalysisData data = s.ws.datafile.opened ? analysisData(s, mapTraits(code).needsLevels) : AnalysisData{};
  const MeasureResult r = runMeasure(code, MeasureInput{data, s.areas}, measureParams(s), s.progress);
  if (r.notice) s.tell(r.notice->text, r.notice->caption, r.notice->icon);
  applyMeasure(r, s.map, s.ws, s.scoresPresent);
  return true;
}

void computeSelective(Session& s, MeasureCode code) {
  if (measureApplies(s, code)) computeMeasure(s, code);
}

TitleSource titleSource(const Session& s) {
  return TitleSource{s.settings, s.ws, s.areas, s.scoresPresent, s.backgroundMap.presenceMap};
}

TitleOutcome titleMap(const Session& s, MapRecord& map, std::vector<GridCell>& cells, const TitleContext& ctx) {
  return titleMap(titleSource(s), map, cells, ctx);
}

std::string measureTitle(const Session& s, const MapRecord& m) {
  return measureTitle(titleSource(s), m);
}

}  // namespace zn
