#include "measures/dispatch.h"

#include "measures/richness.h"
#include "measures/scores.h"
#include "measures/smoothing.h"
#include "measures/tree.h"
#include "store/measurecode.h"
#include "store/measuretraits.h"

namespace zn {

bool computeMeasure(Session& s, MeasureCode code) {
  setMeasureCode(s, code);
  switch (code) {
    case kCodeRichness: computeRichness(s); return true;
    case kCodeRangeSizeRarity: computeRangeSizeRarity(s); return true;
    case kCodeSubtreeLength: computeSubtreeLength(s); return true;
    case kCodeRootDistance: computeRootDistance(s); return true;
    case kCodeRareQuartile: computeRareQuartile(s); return true;
    case kCodeRangeCentres: computeRangeCentres(s); return true;
    case kCodeMedianRange: computeMedianRange(s); return true;
    case kCodeSelectiveRichness:
    case kCodeFlexibilityPlot:
    case kCodeSelectiveRarity: computeSelective(s, code); return true;
    case kCodeLevelN: computeLevelN(s); return true;
    case kCodeMaxLevel: computeMaxLevel(s); return true;
    case kCodeRareThreshold: computeRareThreshold(s); return true;
    case kCodeResiduals: computeResiduals(s); return true;
    case kCodeMedianQuantitative: computeMedianQuantitative(s); return true;
    default: return false;
  }
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

RecomputePlan recomputePlan(Recompute event, MeasureCode code) {
  switch (event) {
    case Recompute::ToolsOptions: {
      if (measureTraits(code).recomputesItself) return {code, true, true};
      const bool selection = measureTraits(code).areaSelection;
      return {selection ? kCodeNone : kCodeRichness, !selection, true};
    }
    case Recompute::Preselection:
      if (measureTraits(code).recomputesItself) return {code, true, false};
      if (code == kCodeSelectiveRichness) return {code, false, false};
      return {kCodeRichness, true, false};
    case Recompute::Standardise:
      if (code == kCodeMedianQuantitative) return {code, true, false};
      if (code == kCodeSelectiveRichness) return {code, false, false};
      return {kCodeRichness, true, false};
    case Recompute::DatafileOpened: return {kCodeRichness, true, false};
  }
  return {kCodeRichness, true, false};
}

bool toolsOptionsNeedRerun(const Settings& before, const Settings& after, bool cancelRerun) {
  if (cancelRerun) return false;
  for (SettingsField f : settingsReadByMaps())
    if (f.get(before) != f.get(after)) return true;
  return false;
}

TitleOutcome applyRecompute(Session& s, Recompute event, const TitleContext& ctx) {
  const RecomputePlan plan = recomputePlan(event, s.map.measureCode);
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

}  // namespace zn
