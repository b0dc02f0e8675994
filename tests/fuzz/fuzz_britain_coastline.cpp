// The Britain coastline (ZONARIUM.@50) converted to the Britain frame.
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/britain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zn::Geometry geo;
  geo.originX = 80, geo.originY = 60, geo.extentX = 1081, geo.extentY = 1491;
  zn::Coastline coast;
  zn::parseBritainCoastline(coast, std::string(data, data + size), geo);
  if (coast.countA != static_cast<int>(coast.points.size()) || coast.countB != 0) __builtin_trap();
  if (coast.points.size() > (size < 4 ? 0 : (size - 4) / 8)) __builtin_trap();
  for (const zn::CoastPoint& p : coast.points)
    if (p.x < -1000000 || p.x > 1000000 || p.y < -1000000 || p.y > 1000000) __builtin_trap();
  return 0;
}
