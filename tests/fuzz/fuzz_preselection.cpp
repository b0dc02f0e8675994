// Feeds arbitrary bytes to the preselection-file reader and applies what it
// read to a small datafile, as "Load file" would.
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/datafile.h"
#include "store/preselection.h"
#include "store/silenthost.h"

namespace {
// Three cards named A, B and C with a few records.
std::string smallDatafile() {
  std::string d;
  d += '\x03';
  d += '\0';
  d += std::string(32, '\0');
  for (char name : {'A', 'B', 'C'}) {
    std::string card(1024, '\0');
    card[0] = name;
    card.replace(32, 31, std::string(1, static_cast<char>(name - 'A' + '1')) + std::string(30, '0'));
    for (int n = 1; n <= 864; n += 7) card[66 + n] = static_cast<char>(1 + n % 4);
    d += card;
  }
  return d;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zn::SilentHost host;
  zn::Session s(host, "/nonexistent");
  if (!zn::allocateWorkspace(s)) return 0;
  if (!zn::readDatafileBytes(s, smallDatafile())) return 0;
  s.ws.datafile.opened = true;
  const std::string text(reinterpret_cast<const char*>(data), size);
  zn::PreselectionFile f = zn::parsePreselectionFile(text, s.ws.geo.cells);
  zn::applyPreselectionFile(s, f, s.ws.borrowedAreas);
  zn::applyPreselection(s);
  // What was read must write back and read again the same.
  const std::string again = zn::preselectionFileText(s, s.ws.borrowedAreas);
  zn::PreselectionFile g = zn::parsePreselectionFile(again, s.ws.geo.cells);
  if (g.cells != s.ws.borrowedAreas) __builtin_trap();
  return 0;
}
