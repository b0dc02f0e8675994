// The hand-made grid with location names that begin with made-up 10 km
// references, for the data import and export layouts.
//
//   cell  name           longitude  latitude
//    1    "AA01 Aird"      0..10     10..20
//    2    "AA02 Bree"     10..20     10..20
//    3    "AB01 Carn"     20..30     10..20
//    4    "AB02 Dun"       0..10      0..10
//    5    "AC01 Eske"     10..20      0..10
//    6    "AC02 Fell"     20..30      0..10
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "store/datafile.h"
#include "store/editor.h"
#include "tests/interchange/hand_grid.h"

namespace zn::test {

struct TinyTaxon {
  std::string name;
  std::string code;
  std::map<int, int> levels;
};

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

  void load(const std::string& title, const std::vector<TinyTaxon>& taxa) {
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
    std::vector<TinyTaxon> trees;
    for (const char* n : {"Abies alba", "Acer campestre", "Betula pendula", "Carpinus betulus", "Fagus sylvatica",
                          "Fraxinus excelsior", "Pinus sylvestris", "Quercus robur", "Tilia cordata"})
      trees.push_back({n, "1", {{2, 1}}});
    trees[0].levels[5] = 1;
    trees[4].levels[5] = 2;
    load("Trees", trees);
  }
};

inline std::string expectedFile(const std::string& name) { return readFile(interchangeDataDir() / name); }

}  // namespace zn::test
