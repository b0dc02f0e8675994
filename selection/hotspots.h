// The hotspot set: the N cells with the highest score of a chosen measure,
// appended behind the areas already in the set, which become seeds. How many
// is asked by the "Automated area selection" dialog of selection/values.h.
#pragma once

#include <string>
#include <vector>

#include "store/session.h"

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
  int seedCount = 0;
  int added = 0;
  float seconds = 0.0f;
  std::string results;  // the representation report when areas were selected
};

// Computes the measure of the kind in the settings and appends the top n
// cells (code 6 on the map afterwards), with the representation report in
// `results` for the caller to append to RESULTS. Cells already in the set
// are never chosen again. Nothing is done without an open datafile.
HotspotResult runHotspots(Session& s, int n);

}  // namespace zn
