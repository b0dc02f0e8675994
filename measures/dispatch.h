// Entry points of the measures: the dispatcher from measure code to
// computation, the menu commands as the dispatcher runs them, and what is
// recomputed when settings, the preselection or the data change.
#pragma once

#include <functional>

#include "measures/titles.h"
#include "store/session.h"

namespace zn {

// Stores the code and runs its computation. False when the code is not one
// of this subsystem's measures (the scores are then left alone).
bool computeMeasure(Session& s, MeasureCode code);

// A measure menu command: store the code, compute, apply what the command
// adds (one mean pass for "Mean root distance"), build the title. The
// returned outcome tells the caller whether to class the scores.
TitleOutcome runMeasureCommand(Session& s, MeasureCode code, const TitleContext& ctx = {});

// "Range centres" from the Diversity menu (weighting 0, the previous one
// remembered) or from the Rarity menu (the remembered one restored).
// `remembered` is the weighting kept between the two (large ranges at start-up).
void selectRangeCentres(Session& s, bool fromDiversityMenu, RangeWeighting& remembered);

// What happens to the map after an event that invalidates its scores.
enum class Recompute { ToolsOptions, Preselection, Standardise, DatafileOpened };

struct RecomputePlan {
  MeasureCode code = kCodeNone;  // the code to compute (0: none)
  bool compute = true;           // false: keep the scores as they are (code 22, 39 rules)
  bool reapplyPasses = false;    // repeat the remembered mean, then smoothing passes
};

// Pure rule: what the map becomes after the event with `code` on the map.
RecomputePlan recomputePlan(Recompute event, MeasureCode code);

// True when closing "Tools options" with OK must re-run the measure: one of
// the measure or area-selection settings changed and "cancel re-run on OK"
// is clear. A changed neighbourhood size or residual form alone does not.
bool toolsOptionsNeedRerun(const Settings& before, const Settings& after, bool cancelRerun);

// Applies the plan: for Tools options the passes are remembered, the scores
// cleared, the code recomputed and the passes repeated (means first); then
// the title is built. For the preselection the caller has already recounted.
TitleOutcome applyRecompute(Session& s, Recompute event, const TitleContext& ctx = {});

}  // namespace zn
