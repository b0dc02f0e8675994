// Classing: turns the cells' scores into colour classes, the per-class cell
// histogram and the per-class limits printed beside the scale bar.
#pragma once

#include <span>
#include <vector>

#include "display/palette.h"
#include "store/maprecord.h"
#include "store/settings.h"
#include "store/workspace.h"

namespace zn {

struct ClassingInput {
  int classCount = 33;
  int scaleType = kEqualFrequency;
  bool maxSeparate = true;
  double fixedLimit = 0.0;  // the measure's scale limit, for the fixed limit scale
  bool inverted = false;    // the one-shot inverted colour scale
};

struct ClassTable {
  int classCount = 0;
  std::vector<double> limits;  // K entries: largest score per class, gaps filled
  std::vector<int> histogram;  // K + 1 entries: classified cells with a non-zero count
  std::vector<double> maxima;  // K entries: largest score per class, 0 for an empty class
  int scoredCells = 0;         // cells whose score is above 0
  double minimum = 0.0, maximum = 0.0;
  bool inverted = false;

  int largestCount() const;
};

// The class of one unit's score: none (not scored) for a zero or
// non-finite score.
struct UnitClass {
  int classNumber = 0;
  bool scored = false;
  bool top = false;  // the top value of the scale
};

// Classes the scores 1 .. n (entry 0 unused) of any units; a unit counts in
// the histogram where its count is not 0. `out` gets each unit's class.
ClassTable classifyValues(std::span<const double> score, std::span<const int> count, const ClassingInput& in,
                          std::vector<UnitClass>& out);

// Classes cells 1 .. cellCount of `cells`: class number, palette colour and
// top-value flag of every cell with a non-zero score, then the scored flags.
ClassTable classifyCells(std::vector<GridCell>& cells, int cellCount, const ClassingInput& in);

// The class a score falls in: the first whose limit reaches it, a limit
// left by the zero-score marker aside (the top class for a score above
// every limit, 0 for an empty table).
int classOfScore(const ClassTable& t, double score);

// Classes the cells of the map `map` titles with the settings (the inverted
// colour scale while its one-shot setting is on) and the palette's class
// count.
ClassTable classifyScores(const Settings& st, const MapRecord& map, Workspace& ws, const Palette& p);

}  // namespace zn
