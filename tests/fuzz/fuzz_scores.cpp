// Feeds arbitrary bytes to "Import scores" on the world grid, as the menu
// command would read them from a file, then exports what was read in every
// layout and reads the "#2" export back: it must give the same map.
#include <cstddef>
#include <cstdint>
#include <string>

#include "interchange/scores_export.h"
#include "interchange/scores_import.h"
#include "tests/fuzz/session_fuzz_common.h"

// Every import starts by clearing what the last one left, so the two
// sessions are made once and serve every input.
struct Sessions {
  zn::SilentHost host{zn::Answer::Ok};
  zn::Session s{host, "/nonexistent"};
  zn::Session t{host, "/nonexistent"};
  bool ready = zn::allocateWorkspace(s) && zn::allocateWorkspace(t);
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Sessions both;
  if (!both.ready) return 0;
  zn::Session& s = both.s;
  zn::Session& t = both.t;
  zn::fuzz::tenDegreeBounds(s.ws);
  s.ws.borrowedAreas = {1, 5, 864};
  const std::string text(reinterpret_cast<const char*>(data), size);
  const zn::ScoresImportData d = zn::parseScoresImport(text, s.ws);
  if (!zn::applyScoresImport(zn::scoresImportTarget(s), d, "fuzz.scr")) return 0;
  for (int layout = zn::kLayoutCentroids; layout <= zn::kLayoutPair; ++layout)
    (void)zn::scoresFileText(s, layout, layout % 2 == 0);
  if (d.format == 3 || d.format == 4 || d.format == 5) return 0;  // pairs and three-axis files reshape columns
  // A single column written as "#2" (markers as 10000) reads back the same.
  const std::string again = zn::scoresFileText(s, zn::kLayoutNumbered, false);
  if (!zn::applyScoresImport(zn::scoresImportTarget(t), zn::parseScoresImport(again, t.ws), "again.scr"))
    __builtin_trap();
  for (int n = 1; n <= s.ws.geo.cells; ++n) {
    const zn::GridCell& a = s.ws.cells[static_cast<std::size_t>(n)];
    const zn::GridCell& b = t.ws.cells[static_cast<std::size_t>(n)];
    // Values below the file's six decimals are lost in the text, not by the reader.
    const bool kept = a.count != 0 && (a.score >= 1e-5 || a.score == 10000.0);
    if (kept != (b.count != 0) && (a.count == 0 || kept)) __builtin_trap();
  }
  return 0;
}
