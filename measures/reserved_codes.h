// Measure codes that no command selects. A few rules still take them into
// account (14 … 19 take mean passes, 20 and 21 count as area selections), so
// they are named beside the codes of measures/scores.h.
#pragma once

namespace zn {

enum ReservedMeasureCode : int {
  kCodeReservedFirstMean = 14,
  kCodeReservedLastMean = 19,
  kCodeReservedSelection20 = 20,
  kCodeReservedSelection21 = 21,
};

}  // namespace zn
