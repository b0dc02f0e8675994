// Feeds arbitrary bytes to the datafile reader, then recounts and rescales
// what it read, as opening a hostile file would.
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/datafile.h"
#include "store/silenthost.h"


extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zn::SilentHost host;
  zn::Session s(host, "/nonexistent");
  if (!zn::allocateWorkspace(s)) return 0;
  // A small budget keeps runs fast and walks the shrink path on large counts.
  s.memory.limitBytes = s.coreBytes() + (std::size_t(256) << 10);
  std::string bytes(data, data + size);
  if (!zn::readDatafileBytes(s, bytes)) return 0;
  s.ws.datafile.opened = true;
  if (size > 0 && data[0] & 1) s.ws.groupCode = "1";
  zn::rescaleQuantitative(s.ws);
  zn::recount(s.ws, size > 1 ? static_cast<std::int8_t>(data[1]) % 5 : 0);
  s.areas.cells = {1, 864, 0, 5000};
  zn::occupancyPass(s.ws, 0, s.areas);
  return 0;
}
