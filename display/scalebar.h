// The numbers beside the scale bar: which classes get a label and its text.
#pragma once

#include <string>
#include <vector>

#include "display/classing.h"
#include "display/measurekind.h"

namespace zn {

struct ScaleLabel {
  int classNumber;
  std::string text;
  friend bool operator==(const ScaleLabel&, const ScaleLabel&) = default;
};

// A class is labelled when its limit is above 0 and differs from the next
// class up, or when it is the top class and the scale is not the fixed limit
// scale. Counts are "%d"; other scores "%6.2f" with a "%" after the top one,
// and a limit above 100 reads 0.00. No labels for the inverted colour scale
// or for classes that are categories.
std::vector<ScaleLabel> scaleBarLabels(const ClassTable& t, const MeasureKind& kind, int scaleType,
                                       bool inverted);

}  // namespace zn
