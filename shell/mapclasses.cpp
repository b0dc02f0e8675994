#include "shell/mapclasses.h"

#include "measures/scores.h"

namespace zn {

void classMap(Session& s, DisplayState& d) {
  const MeasureCode code = s.map.code();
  if (!s.scoresPresent || code == kCodeNone || code == kCodeMaxLevel || code == kCodeSelectedAreas) {
    // No cell keeps the class of the previous map (map exports carry it).
    for (GridCell& c : s.ws.cells) c.classNumber = 0;
  }
  if (!s.scoresPresent || code == kCodeNone) {
    d.classes = ClassTable{};
    return;
  }
  if (code == kCodeMaxLevel || code == kCodeSelectedAreas) return;
  d.classes = classMapScores(s, d.palette);
}

ClassTable classMapScores(Session& s, const Palette& p) {
  ClassTable t = classifyScores(s.settings, s.map, s.ws, p);
  if (t.scoredCells == 0 && !s.areas.empty()) s.settings.selectedAreasDisplay = AreasShown::kSeedsAndSelected;
  return t;
}

}  // namespace zn
