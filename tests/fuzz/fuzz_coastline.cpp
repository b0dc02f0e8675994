#include <cstddef>
#include <cstdint>
#include <string>

#include "store/gridtypes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zn::Coastline coast;
  zn::Geometry geo;
  zn::parseCoastline(coast, std::string(data, data + size), geo);
  if (coast.points.size() > 2002 || coast.countA + coast.countB != static_cast<int>(coast.points.size()))
    __builtin_trap();
  return 0;
}
