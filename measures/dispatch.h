// Entry points of the measures: the dispatcher from measure code to
// computation, and the rules for what is recomputed when settings, the
// preselection or the data change.
#pragma once

#include <span>

#include "measures/richness.h"
#include "measures/scores.h"
#include "store/measuretraits.h"
#include "store/progress.h"

namespace zn {

// True for the codes runMeasure computes.
bool isComputedMeasure(MeasureCode code);

// Runs the measure of `code` on the input; a result that did not run for
// any other code, or on an input without data.
MeasureResult runMeasure(MeasureCode code, const MeasureInput& in, const MeasureParams& p, Feedback& feedback);

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
