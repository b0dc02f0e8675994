// Sessions with hand-made taxa on the 36 x 24 world grid, recounted, for the
// measures and the priority-area analyses; the taxa as a project hands them
// over; and the expected-text files reports are compared with. Set
// ZN_REGENERATE=1 to rewrite those files from the current output after a
// deliberate change, then read the diff before committing it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "selection/areaset.h"
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

struct HandSession {
  ScriptedHost host;
  Session s{host, "/nonexistent"};

  HandSession(const std::vector<TaxonSpec>& taxa, const std::string& title, const std::string& fileName) {
    allocateWorkspace(s);
    setDefaults(s.settings);
    readDatafileBytes(s, datafileImage(title, taxa));
    s.ws.datafile.opened = true;
    s.ws.datafile.fileName = fileName;
    recountNow();
  }

  void recountNow() { s.subgroupDataPresent = recount(s.ws, s.settings.excludedLevel); }

  // Stores the code and computes it, as the dispatcher does.
  void run(MeasureCode code) { computeMeasure(s, code); }

  GridCell& cell(int n) { return s.ws.cells[static_cast<std::size_t>(n)]; }
  double score(int n) { return cell(n).score; }
  int count(int n) { return cell(n).count; }
  std::vector<int>& areas() { return s.areas.cells; }
  void name(int n, const std::string& text) {
    auto& f = cell(n).name;
    f.fill('\0');
    text.copy(f.data(), std::min(text.size(), f.size() - 1));
  }
  void costs(const std::vector<std::pair<int, double>>& values, double others = 1.0) {
    for (int n = 1; n <= s.ws.geo.cells; ++n) cell(n).cost = others;
    for (auto [n, c] : values) cell(n).cost = c;
    s.costPresent = true;
  }
  int sole(int taxon) { return s.ws.cards.field(taxon, s.ws.cards.layout->soleArea); }
  int reps(int taxon) { return s.ws.cards.field(taxon, s.ws.cards.layout->repCount); }

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

// For the measures: neighbourhoods built, as smoothing needs them.
struct Loaded : HandSession {
  explicit Loaded(const std::vector<TaxonSpec>& taxa, const std::string& title = "test data")
      : HandSession(taxa, title, "test.dat") {
    buildNeighbourhoods(s.ws);
  }
};

// For the priority-area analyses: short reports.
struct Priority : HandSession {
  explicit Priority(const std::vector<TaxonSpec>& taxa, const std::string& title = "priority data")
      : HandSession(taxa, title, "priority.dat") {
    s.settings.longReports = Flag::kOff;
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

// Compares text with the named expected-text file of the selection reports.
inline void expectMatchesFile(const std::string& text, const std::string& file) {
  expectMatchesFileAt(text, std::filesystem::path(ZN_SOURCE_DIR) / "tests" / "data" / "selection" / file);
}

}  // namespace zn::test
