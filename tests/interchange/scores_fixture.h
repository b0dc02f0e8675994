// The hand-made grid with scores on both maps:
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
#include <string>

#include "measures/scores.h"
#include "tests/interchange/hand_grid.h"

namespace zn::test {

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
    s.map.measureCode = kCodeRichness;
    s.map.dataTitle = "hand grid";
    s.map.title = "richness";
    s.map.mapMaximum = 5.0;
    s.backgroundMap.dataTitle = "bg data";
    s.backgroundMap.title = "bg measure";
    s.scoresPresent = true;
  }

  // Range-size rarity with a score total of 5: values become percentages.
  void asRarity() {
    s.map.measureCode = kCodeRangeSizeRarity;
    s.map.title = "range-size rarity (inverse)";
  }

  std::filesystem::path file(const std::string& name) const { return tmp.path() / name; }
  std::filesystem::path write(const std::string& name, const std::string& text) const {
    writeFile(file(name), text);
    return file(name);
  }
};

}  // namespace zn::test
