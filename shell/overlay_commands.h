// The overlay commands of the dispatcher: "Over&lay scores" (4400),
// "Randomisation &test on overlays" (40025) and "Convert selected areas"
// (40024), and the "Overlay scores" dialog's model.
#pragma once

#include <string>

#include "store/requests.h"
#include "store/session.h"

namespace zn {

class Shell;

// OVERLAYDLGBOX: which cells the statistics use, each radio labelled with
// its cell count. method 0 = every cell with a score, 1 = only shared ones.
struct OverlayDialogModel : DialogModel {
  int method = 0;
  int unionCount = 0;
  int sharedCount = 0;
  // The two-axis colour scheme 0 ... 3 (radios 7004 ... 7007).
  int scheme = 2;

  std::string orLabel() const;   // radio 4401
  std::string andLabel() const;  // radio 4402
  static const char* schemeLabel(int scheme);
  // The occupied-cell count the chosen method gives the overlay map.
  int occupiedCells() const { return method == 1 ? sharedCount : unionCount; }
};

inline constexpr const char* kOverlayDialog = "OVERLAYDLGBOX";
// The modeless "3D Map drawing options" window of a three-axis import.
inline constexpr const char* kThreeAxisWindow = "M3DLGBOX";

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

// "Convert selected areas": the area set becomes a presence map and the
// first presence overlay. False in the 3D view or without an area set.
bool convertSelectedAreasCommand(Shell& shell);

// The overlay display coloured again after the map drawing options changed
// (palette, scale type); without 256 colours the map returns to richness.
void replotOverlay(Shell& shell);

// Whether the map shows an overlay: the overlay display, or imported scores
// drawn as the three-axis map.
bool overlayOnMap(const Session& s);

// Takes down whatever overlay the map no longer shows: the three-axis buffer
// and its window, the overlay palette, and the background colour set aside.
// The dispatcher calls it whenever a title is built for another map.
void endOverlay(Shell& shell);

// Colours the cells of the three-axis map from the buffer and its axis
// settings; false (map unchanged) without a buffer or 256 colours.
bool plotThreeAxis(Shell& shell);

// After a three-axis import: grey background, equal intervals, the plot,
// and the options window opened.
void showThreeAxis(Shell& shell);

// Swap scores: foreground and background change places with their
// presence flags; while the overlay display is on, the map under it goes
// into the background under its own code and title.
void swapOverlayScores(Shell& shell);

// "Map3D options": opens the options window, or closes it when open. Only
// in the 3D view and not while the preselection window is open.
void threeAxisWindowCommand(Shell& shell);

}  // namespace zn
