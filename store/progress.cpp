#include "store/progress.h"

#include <chrono>
#include <ctime>

namespace zn {

std::uint32_t Progress::tickMs() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::int64_t Progress::timeOfDay() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace zn
