// The hand-made grid of the interchange tests: 3 columns by 2 rows, each
// cell 10 degrees square (cell 1 spans longitude 0..10 and latitude
// 10..20), small enough that every file can be worked out by hand.
//
// TinyGrid names the cells with made-up 10 km references, for the data
// import and export layouts:
//
//   cell  name           longitude  latitude
//    1    "AA01 Aird"      0..10     10..20
//    2    "AA02 Bree"     10..20     10..20
//    3    "AB01 Carn"     20..30     10..20
//    4    "AB02 Dun"       0..10      0..10
//    5    "AC01 Eske"     10..20      0..10
//    6    "AC02 Fell"     20..30      0..10
//
// HandGrid puts scores on both maps:
//
//   cell  centroid   score    count      background score / count
//    1    5, 15      3.5      2          2.0 / 1
//    2   15, 15      0        0          4.0 / 1
//    3   25, 15      10000    1 (zero)   0 / 0
//    4    5,  5      1.25     1          10000 / 1 (zero)
//    5   15,  5      0        0          0 / 0
//    6   25,  5      7        3          0 / 0
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "measures/scores.h"
#include "shell/analyses.h"
#include "store/datafile.h"
#include "store/editor.h"
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

struct TinyGrid : HandMadeGrid {
  TinyGrid() {
    const char* names[] = {"AA01 Aird", "AA02 Bree", "AB01 Carn", "AB02 Dun", "AC01 Eske", "AC02 Fell"};
    for (int n = 1; n <= 6; ++n) {
      GridCell& c = cell(n);
      std::string name = names[n - 1];
      name.resize(kLocationNameLength, ' ');
      std::copy(name.begin(), name.end(), c.name.begin());
      c.name[kLocationNameLength] = 0;
    }
  }

  void load(const std::string& title, const std::vector<TaxonSpec>& taxa) {
    Workspace& ws = s.ws;
    allocateCardStore(s, static_cast<int>(taxa.size()) + kCapacityMargin);
    for (std::size_t t = 0; t < taxa.size(); ++t) {
      const int i = static_cast<int>(t);
      ws.cards.setName(i, taxa[t].name);
      setCardCode(ws, i, taxa[t].code);
      for (auto [cell, level] : taxa[t].levels) ws.cards.setLevel(i, cell, level);
    }
    ws.taxaCount = static_cast<int>(taxa.size());
    ws.datafile.title = title;
    ws.datafile.opened = true;
    recount(ws, 0);
  }

  // Canis lupus in cells 1 (2) and 3 (1), Vulpes vulpes in 3 (2) and 6
  // (4), Ursus without records.
  void loadThree() {
    load("Tiny data",
         {{"Canis lupus", "1", {{1, 2}, {3, 1}}}, {"Vulpes vulpes", "12", {{3, 2}, {6, 4}}}, {"Ursus", "2", {}}});
  }

  // Nine trees in cell 2, Abies alba and Fagus sylvatica in cell 5 too.
  void loadTrees() {
    std::vector<TaxonSpec> trees;
    for (const char* n : {"Abies alba", "Acer campestre", "Betula pendula", "Carpinus betulus", "Fagus sylvatica",
                          "Fraxinus excelsior", "Pinus sylvestris", "Quercus robur", "Tilia cordata"})
      trees.push_back({n, "1", {{2, 1}}});
    trees[0].levels[5] = 1;
    trees[4].levels[5] = 2;
    load("Trees", trees);
  }
};

inline std::string expectedFile(const std::string& name) { return readFile(interchangeDataDir() / name); }

struct HandGrid : HandMadeGrid {
  // The scores of the table above: richness on the map, a background map
  // of imported scores.
  void fillScores() {
    const double scores[] = {3.5, 0.0, kZeroScore, 1.25, 0.0, 7.0};
    const int counts[] = {2, 0, 1, 1, 0, 3};
    for (int n = 1; n <= 6; ++n) {
      cell(n).score = scores[n - 1];
      cell(n).count = counts[n - 1];
    }
    const double back[] = {2.0, 4.0, 0.0, kZeroScore, 0.0, 0.0};
    for (int n = 1; n <= 6; ++n) writeBackCell(s.ws, n, BackCell{back[n - 1] != 0.0 ? 1 : 0, back[n - 1], 0, 0});
    s.map.showBase(kCodeRichness);
    s.map.dataTitle = "hand grid";
    s.map.title = "richness";
    s.map.mapMaximum = 5.0;
    s.backgroundMap.dataTitle = "bg data";
    s.backgroundMap.title = "bg measure";
    s.scoresPresent = true;
  }

  // Range-size rarity with a score total of 5: values become percentages.
  void asRarity() {
    s.map.show(mapTraits(kCodeRangeSizeRarity));
    s.map.title = "range-size rarity (inverse)";
  }

  std::filesystem::path file(const std::string& name) const { return tmp.path() / name; }
  std::filesystem::path write(const std::string& name, const std::string& text) const {
    writeFile(file(name), text);
    return file(name);
  }
};

}  // namespace zn::test
