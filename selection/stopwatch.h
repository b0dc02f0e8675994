// Elapsed time of an analysis from the host's millisecond tick, stored as
// the analyses store it (milliseconds x 0.001 as a 32-bit float) and
// reported as "in %.1f seconds".
#pragma once

#include <cstdint>

#include "store/host.h"

namespace zn {

class Stopwatch {
 public:
  explicit Stopwatch(Host& host) : host_(host), start_(host.tickMs()) {}
  float seconds() const { return static_cast<float>(host_.tickMs() - start_) * 0.001f; }

 private:
  Host& host_;
  std::uint32_t start_;
};

}  // namespace zn
