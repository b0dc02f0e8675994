#include "measures/dispatch.h"

#include "store/measurecode.h"
#include "store/measuretraits.h"

namespace zn {

RecomputePlan recomputePlan(Recompute event, const MeasureTraits& map) {
  const MeasureCode code = map.code;
  switch (event) {
    case Recompute::ToolsOptions: {
      if (map.recomputesItself) return {code, true, true};
      const bool selection = map.areaSelection;
      return {selection ? kCodeNone : kCodeRichness, !selection, true};
    }
    case Recompute::Preselection:
      if (map.recomputesItself) return {code, true, false};
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

bool toolsOptionsNeedRerun(const Settings& before, const Settings& after, bool cancelRerun,
                           std::span<const SettingsField> watched) {
  if (cancelRerun) return false;
  for (SettingsField f : watched)
    if (f.get(before) != f.get(after)) return true;
  return false;
}

}  // namespace zn
