// What the renderer needs to know about the measure on the map: whether its
// scores are counts (numbers in cells, "%d" scale labels), categories (no
// scale labels), drawn as symbols, or drawn by the overlay display.
#pragma once

#include "store/maprecord.h"

namespace zn {

struct MeasureKind {
  bool countType = false;      // numbers in cells, max spots, "%d" labels
  bool category = false;       // classes are ranks or categories: no scale numbers
  bool maxLevelSpots = false;  // spots coloured by the highest data level
  bool overlay = false;        // the overlay display draws the cells itself
  bool largeSpots = false;     // near-minimum and goal-essential maps: spots inset by a third
  bool italicTitle = false;    // goal-essential display
  bool medianNumbers = false;  // numbers are the score cut to an integer
  bool noTitle = false;        // the median quantitative data map has no title
};

MeasureKind measureKind(const MapRecord& m);

}  // namespace zn
