// The score framework: what a measure is run with and what it returns, the
// one function that puts a result on the map, clearing the scores, the plot
// marks of the single-taxon plots and the rarity values.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "measures/presence.h"
#include "store/maprecord.h"
#include "store/measurecode.h"
#include "store/notice.h"
#include "store/workspace.h"
#include "store/settings.h"

namespace zn {

// The parameters of one measure run, filled from the settings by the shell.
struct MeasureParams {
  int excludedLevel = 0;
  RarityFormula rarityFormula = RarityFormula::kInverse;
  int rangeSizeThreshold = 0;
  RangeWeighting rangeCentreWeighting = RangeWeighting::kEqual;
  // Per taxon, 1 for the taxa the selective measures plot; none marked (or
  // empty): they do not run.
  std::vector<char> plotMarks;
  // Subtree length holds each unit's new taxa as bit rows (fast on dense
  // data) when they take at most this or at most the occurrence lists;
  // else it reads the lists.
  double subtreeRowBytes = 64.0 * 1024 * 1024;
};
MeasureParams measureParams(const Settings& st);
// The same with the cards' plot marks.
MeasureParams measureParams(const Settings& st, const Workspace& ws);

// What a measure computed. Nothing reaches the map unless `ran`: a measure
// that does not apply, or refuses, leaves the scores on the map as they are.
struct MeasureResult {
  bool ran = false;
  std::vector<double> score;  // per cell 1 … cells; entry 0 unused
  std::vector<int> count;
  int taxaCounted = 0;
  double scaleLimit = 0.0;  // upper end of the fixed-limit scale
  int excludedLevel = 0;    // the level the scores were made with
  std::optional<Notice> notice;
  // The cards' run-time fields the cell taxa list and the reports read
  // afterwards: each taxon's range centre (range centres; cards past them
  // get none), or the taxon and range pairs in their sorted order (rare
  // quartile). Empty: untouched.
  std::vector<std::int32_t> rangeCentre;
  std::vector<std::pair<int, int>> quartileOrder;

  // A result over cells 1 … cells with every score and count 0.
  static MeasureResult zeroed(int cells, int excludedLevel);
  void add(int cell, double value) {
    score[static_cast<std::size_t>(cell)] += value;
    count[static_cast<std::size_t>(cell)] += 1;
  }
};

// Puts a result on the map: the cell records' scores and counts (all of
// them zeroed first), the map record's totals and scale limit, the cards'
// run-time fields it carries, and the scores-present flag. A result that
// did not run changes nothing.
void applyMeasure(const MeasureResult& r, MapRecord& map, Workspace& ws, bool& scoresPresent);

// Empties the map title, the score offset and both pass counts, and the
// score, count and scored flag of every cell record 0 … cells.
void clearScores(MapRecord& map, Workspace& ws, bool& scoresPresent);

// Frame of a computation that writes the cells itself. begin: zero score
// and count of every cell record and the taxa counted. finish: titles, pass
// counts 0, the recount's totals and the scale limit (also the map maximum).
void beginMeasure(MapRecord& map, Workspace& ws);
void finishMeasure(MapRecord& map, const Workspace& ws, int excludedLevel, double scaleLimit);

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

}  // namespace zn
