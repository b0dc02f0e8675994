#include "measures/dispatch.h"

#include "measures/tree.h"
#include "store/measurecode.h"
#include "store/measuretraits.h"

namespace zn {

namespace {

using Kernel = MeasureResult (*)(const MeasureInput&, const MeasureParams&, MeasureCode);

template <MeasureResult (*F)(const MeasureInput&, const MeasureParams&)>
MeasureResult plain(const MeasureInput& in, const MeasureParams& p, MeasureCode) {
  return F(in, p);
}

struct Entry {
  MeasureCode code;
  Kernel run;
};

constexpr Entry kKernels[] = {
    {kCodeRichness, plain<runRichness>},
    {kCodeRangeSizeRarity, plain<runRangeSizeRarity>},
    {kCodeSubtreeLength, plain<runSubtreeLength>},
    {kCodeRootDistance, plain<runRootDistance>},
    {kCodeRareQuartile, plain<runRareQuartile>},
    {kCodeRangeCentres, plain<runRangeCentres>},
    {kCodeMedianRange, plain<runMedianRange>},
    {kCodeSelectiveRichness, runSelective},
    {kCodeFlexibilityPlot, runSelective},
    {kCodeSelectiveRarity, runSelective},
    {kCodeLevelN, plain<runLevelN>},
    {kCodeMaxLevel, plain<runMaxLevel>},
    {kCodeRareThreshold, plain<runRareThreshold>},
    {kCodeMedianQuantitative, plain<runMedianQuantitative>},
};

Kernel kernelOf(MeasureCode code) {
  for (const Entry& e : kKernels)
    if (e.code == code) return e.run;
  return nullptr;
}

}  // namespace

bool isComputedMeasure(MeasureCode code) { return kernelOf(code) != nullptr; }

MeasureResult runMeasure(MeasureCode code, const MeasureInput& in, const MeasureParams& p, Feedback& /*feedback*/) {
  const Kernel run = kernelOf(code);
  if (!run || !in.data.data) return {};
  return run(in, p, code);
}

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
