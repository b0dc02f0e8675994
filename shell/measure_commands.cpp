#include "shell/measure_commands.h"

#include <algorithm>
#include <utility>

#include "measures/scores.h"
#include "measures/smoothing.h"
#include "shell/analyses.h"

namespace zn {

TitleOutcome buildTitle(Session& s, const TitleContext& ctx) {
  if (s.areas.nearMinimumDone && s.map.code() == kCodeNone) s.areas.nearMinimumDone = false;
  return titleMap(s, s.map, s.ws.cells, ctx);
}

TitleOutcome runMeasureCommand(Session& s, MeasureCode code, const TitleContext& ctx) {
  BusyGuard busy(s.progress);
  computeMeasure(s, code);
  if (code == kCodeRootDistance) meanPass(s);
  return buildTitle(s, ctx);
}

void selectRangeCentres(Session& s, bool fromDiversityMenu, RangeWeighting& remembered) {
  RangeWeighting& w = s.settings.rangeCentreWeighting;
  if (fromDiversityMenu) {
    if (w == RangeWeighting::kLargeRanges || w == RangeWeighting::kSmallRanges) remembered = w;
    w = RangeWeighting::kEqual;
  } else if (w == RangeWeighting::kEqual) {
    w = remembered;
  }
  setMeasureCode(s, kCodeRangeCentres);
}

TitleOutcome applyRecompute(Session& s, Recompute event, const TitleContext& ctx) {
  const RecomputePlan plan = recomputePlan(event, s.map.traits());
  const int means = s.map.meanPasses;
  const int smooths = s.map.smoothPasses;
  if (event == Recompute::ToolsOptions || event == Recompute::Preselection) clearScores(s);
  if (plan.compute) {
    computeMeasure(s, plan.code);
  } else {
    setMeasureCode(s, plan.code);
    // A kept single-taxon plot is drawn again by the title builder.
    if (event == Recompute::Preselection && markedTaxa(s.ws) == 1) s.scoresPresent = true;
  }
  if (plan.reapplyPasses) {
    for (int i = 0; i < means; ++i) meanPass(s);
    for (int i = 0; i < smooths; ++i) smoothPass(s);
  }
  return buildTitle(s, ctx);
}

TitleOutcome plotSelection(Session& s, MeasureCode code, const SelectivePlotModel& m, std::optional<Notice>& refusal,
                           const TitleContext& ctx) {
  setMeasureCode(s, code);
  // One marked taxon is computed too: the title builder draws its plot over
  // the scores, except in quantitative mode for selective rarity, which
  // keeps them and must not show the previous measure's.
  if (markSelectedTaxa(s.ws, s.map, m, refusal) >= 1) computeMeasure(s, code);
  if (code == kCodeSelectiveRichness && s.ws.datafile.quantitative) s.settings.scaleType = kFixedLimit;
  return buildTitle(s, ctx);
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
  for (int n = 1; n <= lastCellNumber(ws); ++n) {
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
    front.show(mapTraits(overlay->code));
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

  const MeasureCode code = s.map.code();
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

}  // namespace zn
