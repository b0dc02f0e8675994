// The hotspot set: the N cells with the highest score of a chosen measure,
// appended behind the areas already in the set, which become seeds. How many
// is asked by the "Automated area selection" dialog of selection/values.h.
#pragma once

#include <vector>

#include "selection/areaset.h"
#include "selection/setrun.h"
#include "store/measurecode.h"
#include "store/settings.h"

namespace zn {

// The measure code computed for a hotspot kind (0 richness, 1 range-size
// rarity, 2 rare-quartile, 3 rare-threshold, 4 residuals); none for others.
MeasureCode hotspotMeasure(HotspotKind kind);

// The entries 0 … n of the work list ordered by score, highest first, by
// the exchange sort whose order on ties the hotspots follow. Entry 0 is
// the spare entry; cells[i] moves with scores[i].
void exchangeSortDescending(std::vector<double>& scores, std::vector<int>& cells);

struct HotspotResult {
  bool selected = false;  // false: fewer than three cells scored above 0
  int added = 0;
  std::vector<int> chosen;  // the hotspots, highest score first
};

// The top n units by `scores` (per unit, entry 0 unused: a measure's
// result on any data), n lowered to the units scored above 0 and the room
// in the set, behind the areas of `set`. Units already in the set are never
// chosen again; with `zeroMarker` (the residual map) a unit scored
// kZeroScore ranks last. `capacity` is the most areas the set may hold.
HotspotResult chooseHotspots(const std::vector<double>& scores, const AreaSet& set, int n, bool zeroMarker = false,
                             int capacity = kAreaCapacity);

// Hotspots in the declared form: the measure of the options' hotspot kind
// on the data, from the start's areas (which become seeds), then its top
// units behind them. The map keeps the measure's score on each hotspot,
// counting its rank, and 0 elsewhere; with too few units scored, nothing is
// chosen and the map shows the measure's scores.
SetRun hotspotSetRun(const AnalysisData& data, const SetRunParams& params, Feedback& feedback);

}  // namespace zn
