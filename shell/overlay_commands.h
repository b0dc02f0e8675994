// The overlay commands of the dispatcher: "Over&lay scores" (4400),
// "Randomisation &test on overlays" (40025) and "Convert selected areas"
// (40024), and the "Overlay scores" dialog's model.
#pragma once

#include <string>

#include "store/host.h"

namespace zn {

class Shell;

// OVERLAYDLGBOX: which cells the statistics use, each radio labelled with
// its cell count. method 0 = every cell with a score, 1 = only shared ones.
struct OverlayDialogModel : DialogModel {
  int method = 0;
  int unionCount = 0;
  int sharedCount = 0;

  std::string orLabel() const;   // radio 4401
  std::string andLabel() const;  // radio 4402
  // The occupied-cell count the chosen method gives the overlay map.
  int occupiedCells() const { return method == 1 ? sharedCount : unionCount; }
};

inline constexpr const char* kOverlayDialog = "OVERLAYDLGBOX";

// Connects the three commands; the dispatcher calls it once when it is made.
void connectOverlayCommands(Shell& shell);

// "Overlay scores": the check, the dialog, the scored flags and then the
// Spearman message for a pair or the coincidence report for two presence
// overlays. False when the check or the dialog stopped it.
bool overlayScoresCommand(Shell& shell);

// "Randomisation test on overlays": 1000 draws seeded by the time, the
// report appended to RESULTS. False (silently) without a background sample.
bool randomisationTestCommand(Shell& shell);

// The menu's way in: only after a swap, not in the 3D view, and with one
// presence map and one quantitative map ("Requires one presence map and one
// quantitative map." otherwise); opens the RESULTS monitor after the test.
void randomisationMenuCommand(Shell& shell);

// "Convert selected areas": the area set becomes the first presence overlay.
// False when the map is not the selected-areas map or the set is empty.
bool convertSelectedAreasCommand(Shell& shell);

}  // namespace zn
