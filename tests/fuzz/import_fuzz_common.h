// Shared by the import fuzzing targets: a silent host and a 3 x 2 grid of
// 10-degree cells whose names begin with 10 km references, and the checks
// that hold for any input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "interchange/dataimport.h"
#include "shell/silenthost.h"
#include "store/session.h"

namespace zn::fuzz {

inline void smallGrid(Workspace& ws) {
  ws.geo.columns = 3;
  ws.geo.rows = 2;
  ws.geo.cells = 6;
  ws.cells.assign(8, GridCell{});
  const char* names[] = {"AA01 a", "AA02 b", "AB01 c", "AB02 d", "AC010 e", "AC02 f"};
  for (int n = 1; n <= 6; ++n) {
    GridCell& c = ws.cells[static_cast<std::size_t>(n)];
    const int col = (n - 1) % 3 + 1, row = (n - 1) / 3 + 1;
    c.lonWest = (col - 1) * 10.0;
    c.lonEast = col * 10.0;
    c.latNorth = 20.0 - (row - 1) * 10.0;
    c.latSouth = c.latNorth - 10.0;
    std::string name = names[n - 1];
    std::copy(name.begin(), name.end(), c.name.begin());
  }
}

// Converts and checks what must hold whatever the input.
inline void convertAndCheck(const ImportInput& in) {
  SilentHost host{Answer::Ok};
  Workspace ws;
  smallGrid(ws);
  const ImportedData d = convertImport(in, ws);
  if (d.cardHeads.size() != d.levels.size() || d.cardHeads.size() > static_cast<std::size_t>(kImportMaxTaxa))
    __builtin_trap();
  long records = 0;
  for (std::size_t t = 0; t < d.cardHeads.size(); ++t) {
    const std::string& head = d.cardHeads[t];
    // The name and code fields stay terminated inside the card.
    if (head.size() != 64 || head[31] != '\0' || head[63] != '\0') __builtin_trap();
    if (d.levels[t].size() != 7 || d.levels[t][0] != 0) __builtin_trap();
    for (int c = 1; c <= 6; ++c) {
      const int v = d.levels[t][static_cast<std::size_t>(c)];
      if (v < 0 || v > 100) __builtin_trap();
      records += v > 0;
    }
  }
  // Every placed record is counted (a cell set twice counts twice).
  if (records > d.records) __builtin_trap();
}

}  // namespace zn::fuzz
