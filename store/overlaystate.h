// What the overlays keep between commands: the foreground/background pair
// and its cell counts, the three-axis buffer filled by a "#4"/"#5" scores
// import, and the offsets that an import subtracted from negative columns.
// "Import scores" fills it; the overlay display and the 3D map read it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/settings.h"

namespace zn {

// The three score columns of a three-axis import, one record per cell.
// values[n] is cell n (index 0 unused); axis k of the colour maps is column
// k of every record. Columns hold the values as the overlay draws them: the
// excluded areas zeroed and negative columns already shifted by their
// offset (so 10000 may stand for a shifted minimum, as on any map).
struct ThreeAxisBuffer {
  bool loaded = false;
  std::vector<std::array<double, 3>> values;
  // Which column (0, 1, 2) each colour shows, in the order green, blue, red.
  std::array<int, 3> axisOfColour{0, 1, 2};
  std::array<bool, 3> reversed{false, false, false};  // green, blue, red
  std::array<bool, 3> on{true, true, true};           // green, blue, red
  std::array<std::string, 3> titles;                  // axis titles ("#5" reads them)
  // "use all cells with scores (logical 'or')": a cell with any non-zero
  // column is drawn, not only one with all three.
  bool anyScore = false;

  // Back to axis 1, 2, 3 on green, blue, red, none reversed, all on, no titles.
  void resetAxes() {
    axisOfColour = {0, 1, 2};
    reversed = {false, false, false};
    on = {true, true, true};
    titles = {};
  }
  void release() {
    loaded = false;
    std::vector<std::array<double, 3>>().swap(values);
  }
};

struct OverlayState {
  // A foreground/background pair is loaded ("#3" import).
  bool pairLoaded = false;
  // Presence overlays (from "Convert selected areas"), first and second.
  std::array<bool, 2> presence{false, false};
  // Cells where foreground or background > 0, and where both are.
  int unionCount = 0;
  int sharedCount = 0;
  // Cells with a background score after a pair import.
  int backgroundCells = 0;
  // Columns the overlay display marks as raw: exported as read, without
  // the percentage rule. Foreground and background.
  std::array<bool, 2> raw{false, false};
  // Offsets of the second and third imported columns (the map score's own
  // offset is MapRecord::scoreOffset; a pair's background offset is the
  // background map's scoreOffset).
  std::array<double, 2> extraOffsets{0.0, 0.0};
  // The background colour setting in force before an overlay set it to
  // grey; given back when the overlay is unloaded.
  std::optional<Shade> savedBackground;
  // The map that was on screen before the overlay display (measure code 11)
  // replaced it: Swap scores takes it into the background under this code
  // and title.
  MeasureCode savedMeasure = kCodeNone;
  std::string savedTitle;
  // The last two-axis plot: cells per colour, [foreground class][background
  // class], for the legend; plotted is false when the display shows none.
  bool twoAxisPlotted = false;
  std::array<std::array<int, 10>, 10> legend{};
  ThreeAxisBuffer threeAxis;

  bool loaded() const { return pairLoaded || threeAxis.loaded || presence[0] || presence[1]; }

  // Sets the background colour setting to grey, keeping the first one met.
  void greyBackground(Shade& setting) {
    if (!savedBackground) savedBackground = setting;
    setting = Shade::kGrey;
  }
  // Gives the kept setting back, if there is one.
  void restoreBackground(Shade& setting) {
    if (savedBackground) setting = *savedBackground;
    savedBackground.reset();
  }
};

}  // namespace zn
