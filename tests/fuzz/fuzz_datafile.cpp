// Feeds arbitrary bytes to the datafile reader, then recounts and rescales
// what it read, as opening a hostile file would.
#include "tests/fuzz/session_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zn::SilentHost host;
  zn::Session s(host, "/nonexistent");
  if (!zn::allocateWorkspace(s)) return 0;
  // A small budget keeps runs fast and walks the shrink path on large counts.
  s.memory.limitBytes = s.coreBytes() + (std::size_t(256) << 10);
  if (!zn::readDatafileBytes(s, std::string(data, data + size))) return 0;
  zn::fuzz::countAfterRead(s, data, size);
  return 0;
}
