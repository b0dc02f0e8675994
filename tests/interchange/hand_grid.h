// The hand-made grid of the interchange tests: 3 columns by 2 rows, each
// cell 10 degrees square (cell 1 spans longitude 0..10 and latitude
// 10..20), small enough that every file can be worked out by hand.
#pragma once

#include <filesystem>

#include "store/session.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn::test {

struct HandMadeGrid {
  ScriptedHost host;
  TempDir tmp;
  Session s{host, tmp.path()};

  HandMadeGrid() {
    allocateWorkspace(s);
    setDefaults(s.settings);
    s.ws.geo.columns = 3;
    s.ws.geo.rows = 2;
    s.ws.geo.cells = 6;
    s.ws.cells.resize(8);
    for (int n = 1; n <= 6; ++n) {
      GridCell& c = cell(n);
      c = GridCell{};
      const int col = (n - 1) % 3 + 1, row = (n - 1) / 3 + 1;
      c.column = col;
      c.row = row;
      c.number = n;
      c.lonWest = (col - 1) * 10.0;
      c.lonEast = col * 10.0;
      c.latNorth = 20.0 - (row - 1) * 10.0;
      c.latSouth = c.latNorth - 10.0;
    }
  }

  GridCell& cell(int n) { return s.ws.cells[static_cast<std::size_t>(n)]; }
};

// Where the expected files of the interchange tests are kept.
inline std::filesystem::path interchangeDataDir() {
  return std::filesystem::path(ZN_SOURCE_DIR) / "tests" / "data" / "interchange";
}

}  // namespace zn::test
