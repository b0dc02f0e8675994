// Elapsed time of an analysis from the session's millisecond tick, stored as
// the analyses store it (milliseconds x 0.001 as a 32-bit float) and
// reported as "in %.1f seconds".
#pragma once

#include <cstdint>

#include "store/progress.h"

namespace zn {

class Stopwatch {
 public:
  explicit Stopwatch(Progress& progress) : progress_(progress), start_(progress.tickMs()) {}
  float seconds() const { return static_cast<float>(progress_.tickMs() - start_) * 0.001f; }

 private:
  Progress& progress_;
  std::uint32_t start_;
};

}  // namespace zn
