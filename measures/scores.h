// The score framework: measure codes, the per-cell score fields and the map
// record they belong to, the common frame of a measure computation, clearing
// and swapping scores, and the plot marks of the single-taxon plots.
#pragma once

#include <string>
#include <vector>

#include "measures/presence.h"
#include "store/measurecode.h"
#include "store/session.h"

namespace zn {

// Stores the code in the map record and in the settings record's slot.
void setMeasureCode(Session& s, MeasureCode code);

// Empties the map title, the score offset and both pass counts, and the
// score, count and scored flag of every cell record 0 … cells.
void clearScores(Session& s);

// Frame of a measure computation. begin: zero score and count of every cell
// record and the taxa counted. finish: scores present, titles, pass counts
// 0, the recount's totals and the scale limit (also the map maximum).
void beginMeasure(Session& s);
void finishMeasure(Session& s, double scaleLimit);

// What the overlay keeps of the map it covers, for swapping while an
// overlay is shown.
struct OverlayUnder {
  MeasureCode code = kCodeNone;
  std::string title;
  int overlayCells = 0;
};

// Exchanges the map on screen with the background map, cells and record.
void swapScores(Session& s, const OverlayUnder* overlay = nullptr);

// Plot marks (the current-taxon mark of each card).
int markedTaxa(const Workspace& ws);
int firstMarkedTaxon(const Workspace& ws);
void clearPlotMarks(Workspace& ws);
void setPlotMark(Workspace& ws, int taxon, bool on);
bool plotMarked(const Workspace& ws, int taxon);

// Display name of a taxon: a name ending in "xy." stands for "xy. <rest>";
// at most 30 characters.
std::string displayName(const std::string& name);

// Range-size rarity value of a taxon of range r for the given formula
// (0 difference, 1 inverse, 2 inverse square); 0 for r < 1.
double rarityValue(RarityFormula formula, int range, int cells);
// The recount's sum for the formula, the scale limit of the rarity measures.
double raritySum(const Counters& c, RarityFormula formula);

// Opens no datafile itself: true when one is open and the stored code is `code`.
bool measureApplies(const Session& s, MeasureCode code);

}  // namespace zn
