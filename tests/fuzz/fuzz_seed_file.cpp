// A seed-areas file (.sed) loaded as the area set of a small datafile: the
// cells must be in the grid and distinct, and save and load again the same.
#include <set>

#include "selection/areaset.h"
#include "tests/fuzz/session_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zn::SilentHost host;
  zn::Session s(host, "/nonexistent");
  if (!zn::fuzz::openSmallDatafile(s)) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  s.areas.cells = zn::parseSeedFile(text, s.ws.geo.cells);
  s.areas.seedCount = size > 0 ? data[0] % 4 : 0;
  if (s.areas.seedCount > s.areas.count()) s.areas.seedCount = s.areas.count();
  if (s.areas.count() > zn::kAreaCapacity) __builtin_trap();
  if (std::set<int>(s.areas.cells.begin(), s.areas.cells.end()).size() != s.areas.cells.size()) __builtin_trap();
  for (int c : s.areas.cells)
    if (c < 1 || c > s.ws.geo.cells) __builtin_trap();
  if (zn::parseSeedFile(zn::seedFileText(s.areas), s.ws.geo.cells) != s.areas.cells) __builtin_trap();
  zn::countCandidateCells(s.ws, 0, s.areas);
  zn::occupancyPass(s.ws, 0, s.areas);
  zn::clearNewAreas(s.areas);
  return 0;
}
