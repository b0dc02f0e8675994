// Entry points of the measures: the form of a measure's computation, which
// its analysis's entry names, and the rules for what is recomputed when
// settings, the preselection or the data change.
#pragma once

#include <span>

#include "measures/richness.h"
#include "measures/scores.h"
#include "store/measuretraits.h"
#include "store/progress.h"

namespace zn {

// A measure's computation; the code tells apart the measures that share
// one (selective richness and rarity, the flexibility plot).
using MeasureKernel = MeasureResult (*)(const MeasureInput&, const MeasureParams&, MeasureCode);

// A computation that needs no code as a kernel.
template <MeasureResult (*F)(const MeasureInput&, const MeasureParams&)>
MeasureResult plainKernel(const MeasureInput& in, const MeasureParams& p, MeasureCode) {
  return F(in, p);
}

// What happens to the map after an event that invalidates its scores.
enum class Recompute { ToolsOptions, Preselection, Standardise, DatafileOpened };

struct RecomputePlan {
  MeasureCode code = kCodeNone;  // the code to compute (0: none)
  bool compute = true;           // false: keep the scores as they are (code 22, 39 rules)
  bool reapplyPasses = false;    // repeat the remembered mean, then smoothing passes
};

// Pure rule: what the map becomes after the event with a map of this kind
// on screen.
RecomputePlan recomputePlan(Recompute event, const MeasureTraits& map);

// True when closing "Tools options" with OK must re-run the measure: one of
// the measure or area-selection settings changed and "cancel re-run on OK"
// is clear. A changed neighbourhood size or residual form alone does not.
// `watched`: every setting some map reads (settingsReadByMaps()).
bool toolsOptionsNeedRerun(const Settings& before, const Settings& after, bool cancelRerun,
                           std::span<const SettingsField> watched);

}  // namespace zn
