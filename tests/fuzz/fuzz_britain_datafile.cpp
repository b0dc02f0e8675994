// A datafile of the Britain grid (text taxa count, 4096-byte cards) read on
// the shipped master grid, then counted as opening it would.
#include "store/britain.h"
#include "tests/fuzz/session_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zn::SilentHost host;
  zn::Session s(host, zn::fuzz::scratchHome(), zn::GridVariant::Britain);
  if (!zn::allocateWorkspace(s)) return 0;
  s.memory.limitBytes = s.coreBytes() + (std::size_t(1) << 20);
  if (!zn::readDatafileBytes(s, std::string(data, data + size))) return 0;
  zn::fuzz::countAfterRead(s, data, size);
  return 0;
}
