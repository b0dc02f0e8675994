#include "shell/mapclasses.h"

#include "measures/scores.h"

namespace zn {

void classMap(Session& s, DisplayState& d) {
  const MeasureCode code = s.map.measureCode;
  if (!s.scoresPresent || code == kCodeNone || code == kCodeMaxLevel || code == kCodeSelectedAreas) {
    // No cell keeps the class of the previous map (map exports carry it).
    for (GridCell& c : s.ws.cells) c.classNumber = 0;
  }
  if (!s.scoresPresent || code == kCodeNone) {
    d.classes = ClassTable{};
    return;
  }
  if (code == kCodeMaxLevel || code == kCodeSelectedAreas) return;
  d.classes = classifyScores(s, d.palette);
}

}  // namespace zn
