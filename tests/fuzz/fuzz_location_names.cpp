// ZONARIUM.LOC read into the cells of the world grid: every name stays
// terminated inside its field.
#include "store/gridtypes.h"
#include "tests/fuzz/session_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zn::SilentHost host;
  static zn::Session s(host, "/nonexistent");
  static const bool ready = zn::allocateWorkspace(s);
  if (!ready) return 0;
  const std::filesystem::path dir = zn::fuzz::scratchHome() / "equal";
  zn::fuzz::writeBytes(dir / "ZONARIUM.LOC", data, size);
  zn::readLocationNames(s.ws, dir);
  for (int n = 1; n <= s.ws.geo.cells; ++n)
    if (s.ws.cells[static_cast<std::size_t>(n)].name[zn::kLocationNameLength] != 0) __builtin_trap();
  return 0;
}
