// A session with hand-made taxa on the 36 x 24 world grid, recounted and
// with its neighbourhoods built, ready for the measures.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "shell/measure_commands.h"
#include "store/analysisdata.h"
#include "store/datafile.h"
#include "store/gridtypes.h"
#include "store/session.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn::test {

// Cell number of column c and row r on the 36-column grid.
constexpr int cellAt(int c, int r) { return (r - 1) * 36 + c; }

struct Loaded {
  ScriptedHost host;
  Session s{host, "/nonexistent"};

  explicit Loaded(const std::vector<TaxonSpec>& taxa, const std::string& title = "test data") {
    allocateWorkspace(s);
    setDefaults(s.settings);
    readDatafileBytes(s, datafileImage(title, taxa));
    s.ws.datafile.opened = true;
    s.ws.datafile.fileName = "test.dat";
    buildNeighbourhoods(s.ws);
    recountNow();
  }

  void recountNow() { s.subgroupDataPresent = recount(s.ws, s.settings.excludedLevel); }

  // Stores the code and computes it, as the dispatcher does.
  void run(MeasureCode code) { computeMeasure(s, code); }

  GridCell& cell(int n) { return s.ws.cells[static_cast<std::size_t>(n)]; }
  double score(int n) { return cell(n).score; }
  int count(int n) { return cell(n).count; }

  // Cells with a non-zero score or count, as "cell:score/count" text, so a
  // failing comparison shows the whole map.
  std::string map() {
    std::string out;
    for (int n = 1; n <= s.ws.geo.cells; ++n) {
      const GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
      if (c.score == 0.0 && c.count == 0) continue;
      char buf[64];
      std::snprintf(buf, sizeof buf, "%d:%g/%d ", n, c.score, c.count);
      out += buf;
    }
    return out;
  }
};

// The taxa as a project hands them over: occurrences (levels above 0) and
// group only, with no session, cards or geometry, and totals counted from
// the occurrences. Ranges count against `units`; every unit number is moved
// up by `offset` among offset + units units, to reach past a datafile's.
inline AnalysisData analysisInput(const std::vector<TaxonSpec>& specs, int units, int offset = 0) {
  auto d = std::make_shared<Dataset>();
  std::vector<Occurrence> pairs;
  for (std::size_t t = 0; t < specs.size(); ++t)
    for (const auto& [cell, level] : specs[t].levels)
      if (level > 0) pairs.push_back({static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(cell + offset), 1.0});
  d->occurrences = occurrencesFrom(static_cast<int>(specs.size()), units + offset, std::move(pairs), false);
  d->units.resize(static_cast<std::size_t>(units + offset));
  d->taxa.resize(specs.size());
  AnalysisData a;
  a.data = std::move(d);
  a.inGroup.assign(specs.size(), 1);
  a.excluded.assign(specs.size(), 0);
  a.gridUnits = units;
  a.totals = countTotals(a);
  return a;
}

// Four taxa on the first rows, worked by hand in the tests:
//   Alpha "11": cells 1, 2, 3 at levels 1, 2, 1   (range 3)
//   Beta  "12": cell 2 at level 3                  (range 1)
//   Gamma "21": cells 2, 40 at levels 1, 4         (range 2)
//   Delta "22": cell 3 at level 2                  (range 1)
inline std::vector<TaxonSpec> fourTaxa() {
  return {{"Alpha", "11", {{1, 1}, {2, 2}, {3, 1}}},
          {"Beta", "12", {{2, 3}}},
          {"Gamma", "21", {{2, 1}, {40, 4}}},
          {"Delta", "22", {{3, 2}}}};
}

}  // namespace zn::test
