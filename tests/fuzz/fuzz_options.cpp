#include <cstddef>
#include <cstdint>

#include "store/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zn::Settings s = zn::decodeSettings(data, size);
  zn::Flag saved{};
  zn::correctAtStartup(s, saved);
  if (zn::cellsIn(s.neighbourhoodSize) != 9 && zn::cellsIn(s.neighbourhoodSize) != 25) __builtin_trap();
  if (s.classCount < 2 || s.classCount > 10) __builtin_trap();
  zn::encodeSettings(s);
  return 0;
}
