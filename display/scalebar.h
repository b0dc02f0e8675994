// The key beside the map: which classes of the scale bar get a number and
// its text, and the worded key of the maps whose classes are categories.
#pragma once

#include <string>
#include <vector>

#include "display/classing.h"
#include "display/measurekind.h"

namespace zn {

struct Session;

struct ScaleLabel {
  int classNumber;
  std::string text;
  friend bool operator==(const ScaleLabel&, const ScaleLabel&) = default;
};

// A class is labelled with its own largest score when it holds cells (the
// top class not on the fixed limit scale). Counts are "%d"; other scores
// "%6.2f" with a "%" after the top one, and a limit above 100 reads 0.00.
// Neighbouring classes whose labels read the same keep only the upper
// label. With the inverted colour scale the bar runs from class 0 (the
// largest scores) at the top. Classes that are categories get none.
std::vector<ScaleLabel> scaleBarLabels(const ClassTable& t, const MeasureKind& kind, int scaleType, bool inverted);

// One line of a worded key: a sample of palette entry `paletteIndex` (or of
// the grey area marker when it is kMarkerSample) and its words.
constexpr int kMarkerSample = -1;
struct KeyEntry {
  int paletteIndex;
  std::string text;
  friend bool operator==(const KeyEntry&, const KeyEntry&) = default;
};

// The worded key of a map whose classes are categories (area sets, random
// choices, presence, shares of runs, replacement costs): one entry per kind
// of cell shown, top first, and the seed marker when seeds are marked.
// Empty for every other map.
std::vector<KeyEntry> categoryKey(const Session& s, const MeasureKind& kind);

}  // namespace zn
