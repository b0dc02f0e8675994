#include "measures/dispatch.h"

#include <algorithm>

#include "measures/smoothing.h"
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

MeasureParams measureParams(const Session& s) {
  MeasureParams p = measureParams(s.settings);
  const int taxa = std::min(s.ws.taxaCount, s.ws.cards.slots());
  p.plotMarks.resize(static_cast<std::size_t>(std::max(taxa, 0)));
  for (int t = 0; t < taxa; ++t) p.plotMarks[static_cast<std::size_t>(t)] = plotMarked(s.ws, t) ? 1 : 0;
  return p;
}

bool computeMeasure(Session& s, MeasureCode code) {
  setMeasureCode(s, code);
  if (code == kCodeResiduals) {
    computeResiduals(s);
    return true;
  }
  if (!isComputedMeasure(code)) return false;
  // Without a datafile the input is empty and the measure does not run.
  const AnalysisData data = s.ws.datafile.opened ? analysisData(s, measureTraits(code).needsLevels) : AnalysisData{};
  const MeasureResult r = runMeasure(code, MeasureInput{data, s.areas}, measureParams(s), s.progress);
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
