// Feeds arbitrary bytes to the preselection-file reader and applies what it
// read to a small datafile, as "Load file" would.
#include "store/preselection.h"
#include "tests/fuzz/session_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zn::SilentHost host;
  zn::Session s(host, "/nonexistent");
  if (!zn::fuzz::openSmallDatafile(s)) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  zn::PreselectionFile f = zn::parsePreselectionFile(text, s.ws.geo.cells);
  zn::applyPreselectionFile(s.ws, s.settings, s.grid(), f, s.ws.borrowedAreas);
  zn::applyPreselection(s);
  // What was read must write back and read again the same.
  const std::string again = zn::preselectionFileText(s.ws, s.settings, s.ws.borrowedAreas);
  zn::PreselectionFile g = zn::parsePreselectionFile(again, s.ws.geo.cells);
  if (g.cells != s.ws.borrowedAreas) __builtin_trap();
  return 0;
}
