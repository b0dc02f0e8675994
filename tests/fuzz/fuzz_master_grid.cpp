// The Britain master grid (ZONARIUM.SQS) from which the Britain workspace
// and its neighbourhoods are built: every index entry names a cell.
#include "store/britain.h"
#include "tests/fuzz/session_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path home = zn::fuzz::scratchHome() / "sqs";
  static const bool made = std::filesystem::create_directories(home / "britain");
  (void)made;
  zn::fuzz::writeBytes(home / "britain" / "ZONARIUM.SQS", data, size);
  zn::SilentHost host;
  zn::Session s(host, home, zn::GridVariant::Britain);
  if (!zn::allocateWorkspace(s)) return 0;
  const int cells = s.ws.geo.cells;
  if (cells < 1 || static_cast<int>(s.ws.cells.size()) < cells + 1) __builtin_trap();
  for (int v : s.ws.masterIndex)
    if (v < 0 || v > cells) __builtin_trap();
  return 0;
}
