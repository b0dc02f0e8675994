#include "measures/dispatch.h"

#include "measures/smoothing.h"
#include "measures/tree.h"
#include "store/measurecode.h"
#include "store/measuretraits.h"

namespace zn {

bool isComputedMeasure(MeasureCode code) {
  switch (code) {
    case kCodeRichness:
    case kCodeRangeSizeRarity:
    case kCodeSubtreeLength:
    case kCodeRootDistance:
    case kCodeRareQuartile:
    case kCodeRangeCentres:
    case kCodeMedianRange:
    case kCodeSelectiveRichness:
    case kCodeFlexibilityPlot:
    case kCodeSelectiveRarity:
    case kCodeLevelN:
    case kCodeMaxLevel:
    case kCodeRareThreshold:
    case kCodeMedianQuantitative: return true;
    default: return false;
  }
}

MeasureResult runMeasure(MeasureCode code, const MeasureInput& in, const MeasureParams& p, Feedback& /*feedback*/) {
  if (!in.ws.datafile.opened) return {};
  switch (code) {
    case kCodeRichness: return runRichness(in, p);
    case kCodeRangeSizeRarity: return runRangeSizeRarity(in, p);
    case kCodeSubtreeLength: return runSubtreeLength(in, p);
    case kCodeRootDistance: return runRootDistance(in, p);
    case kCodeRareQuartile: return runRareQuartile(in, p);
    case kCodeRangeCentres: return runRangeCentres(in, p);
    case kCodeMedianRange: return runMedianRange(in, p);
    case kCodeSelectiveRichness:
    case kCodeFlexibilityPlot:
    case kCodeSelectiveRarity: return runSelective(in, p, code);
    case kCodeLevelN: return runLevelN(in, p);
    case kCodeMaxLevel: return runMaxLevel(in, p);
    case kCodeRareThreshold: return runRareThreshold(in, p);
    case kCodeMedianQuantitative: return runMedianQuantitative(in, p);
    default: return {};
  }
}

bool computeMeasure(Session& s, MeasureCode code) {
  setMeasureCode(s, code);
  if (code == kCodeResiduals) {
    computeResiduals(s);
    return true;
  }
  if (!isComputedMeasure(code)) return false;
  const MeasureResult r =
      runMeasure(code, MeasureInput{s.ws, s.areas}, measureParams(s.settings, s.subgroupDataPresent), s.progress);
  if (r.notice) s.tell(r.notice->text, r.notice->caption, r.notice->icon);
  applyMeasure(r, s.map, s.ws, s.scoresPresent);
  return true;
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

}  // namespace zn
