// The hotspot set: the N cells with the highest score of a chosen measure,
// appended behind the areas already in the set, which become seeds. And the
// "Automated area selection" dialog that asks how many areas to add.
#pragma once

#include <string>
#include <vector>

#include "store/host.h"
#include "store/session.h"

namespace zn {

// The measure code computed for a hotspot kind (0 richness, 1 range-size
// rarity, 2 rare-quartile, 3 rare-threshold, 4 residuals); -1 for others.
int hotspotMeasure(int kind);

// The entries 0 … n of the work list ordered by score, highest first, by
// the exchange sort whose order on ties the hotspots follow. Entry 0 is
// the spare entry; cells[i] moves with scores[i].
void exchangeSortDescending(std::vector<double>& scores, std::vector<int>& cells);

// "Automated area selection" by number (SELECNUMDLGBOX1).
struct AreaNumberModel : DialogModel {
  std::string resource = "SELECNUMDLGBOX1";
  std::string seedsLine;  // 1163 "Number of selected (seed) areas: %d"
  std::string maxLine;    // 1197 "(max %d)"
  int number = 0;         // 1164
  int maximum = 0;        // 1100 - area count
};

AreaNumberModel openAreaNumber(const Session& s);
// The number as OK stores it: lowered to the maximum, never below 0.
int acceptedAreaNumber(const AreaNumberModel& m);
// Counts the candidate cells and asks; false on Cancel (the stored number
// stays). On OK the number goes into the settings.
bool askAreasToAdd(Session& s);

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
