// The measures as the window and the tool run them on the session: the
// measure menu commands, the selective plot, the recomputation after an
// event, the title builder and "Swap scores". Here the results of the
// measures are put on the map and the options that follow them are kept.
#pragma once

#include <optional>
#include <string>

#include "measures/dispatch.h"
#include "measures/selective.h"
#include "measures/titles.h"
#include "shell/mapmeasures.h"
#include "store/session.h"

namespace zn {

// Titles the map on screen (titleMap); a map of code 0 ends the shown
// near-minimum run of the area set.
TitleOutcome buildTitle(Session& s, const TitleContext& ctx = {});

// A measure menu command: store the code, compute, apply what the command
// adds (one mean pass for "Mean root distance"), build the title. The
// returned outcome tells the caller whether to class the scores.
TitleOutcome runMeasureCommand(Session& s, MeasureCode code, const TitleContext& ctx = {});

// "Range centres" from the Diversity menu (weighting 0, the previous one
// remembered) or from the Rarity menu (the remembered one restored).
// `remembered` is the weighting kept between the two (large ranges at start-up).
void selectRangeCentres(Session& s, bool fromDiversityMenu, RangeWeighting& remembered);

// Applies the plan: for Tools options the passes are remembered, the scores
// cleared, the code recomputed and the passes repeated (means first); then
// the title is built. For the preselection the caller has already recounted.
TitleOutcome applyRecompute(Session& s, Recompute event, const TitleContext& ctx = {});

// What follows "Plot" for code 22 or 27: the marks, the computation of the
// marked taxa, and the title (after the fixed-limit scale
// for selective richness in quantitative mode).
TitleOutcome plotSelection(Session& s, MeasureCode code, const SelectivePlotModel& m, std::optional<Notice>& refusal,
                           const TitleContext& ctx = {});

// What the overlay keeps of the map it covers, for swapping while an
// overlay is shown.
struct OverlayUnder {
  MeasureCode code = kCodeNone;
  std::string title;
  int overlayCells = 0;
};

// Exchanges the map on screen with the background map, cells and record;
// the settings take the options the new foreground was made with.
void swapScores(Session& s, const OverlayUnder* overlay = nullptr);

}  // namespace zn
