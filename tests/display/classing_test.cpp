#include "display/classing.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "shell/analyses.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

// Cells 1..n with the given scores; counts equal to the scores unless given.
std::vector<GridCell> cellsWith(const std::vector<double>& scores) {
  std::vector<GridCell> cells(scores.size() + 2);
  for (std::size_t i = 0; i < scores.size(); ++i) {
    cells[i + 1].score = scores[i];
    cells[i + 1].count = static_cast<int>(scores[i]) == 10000 ? 0 : static_cast<int>(scores[i]);
  }
  return cells;
}

std::vector<int> classesOf(const std::vector<GridCell>& cells) {
  std::vector<int> v;
  for (std::size_t i = 1; i + 1 < cells.size(); ++i) v.push_back(cells[i].scored ? cells[i].classNumber : -1);
  return v;
}

ClassingInput input(int scale, bool separate, bool inverted = false, double limit = 0, int k = 6) {
  ClassingInput in;
  in.classCount = k;
  in.scaleType = scale;
  in.maxSeparate = separate;
  in.inverted = inverted;
  in.fixedLimit = limit;
  return in;
}

struct Case {
  const char* what;
  ClassingInput in;
  std::vector<double> scores;
  std::vector<int> classes;
};

TEST(Classing, EachScaleClassesTheScores) {
  const std::vector<double> s{2, 4, 6, 8, 12};
  // Values 1 (3 cells), 2 (2), 3 (1), 5 (4), 9 (2): 12 scored, 2 at the top.
  const std::vector<double> f{1, 1, 1, 2, 2, 3, 5, 5, 5, 5, 9, 9};
  const Case cases[] = {
      {"equal interval", input(kEqualInterval, false), s, {0, 1, 2, 3, 5}},
      {"equal interval, max separate", input(kEqualInterval, true), s, {0, 1, 2, 3, 5}},
      {"inverted", input(kEqualInterval, false, true), s, {5, 4, 3, 2, 0}},
      // The smallest score is the top of an inverted scale; the largest would
      // fall below class 0 and stays in it.
      {"inverted, max separate", input(kEqualInterval, true, true), s, {5, 3, 2, 1, 0}},
      {"fixed limit well above the maximum", input(kFixedLimit, false, false, 24), s, {0, 1, 1, 2, 3}},
      {"fixed limit below the maximum", input(kFixedLimit, false, false, 6), s, {1, 2, 3, 4, 5}},
      {"33 classes", input(kEqualInterval, false, false, 0, 33), {1, 2, 50, 99, 100}, {0, 0, 16, 32, 32}},
      {"frequency", input(kEqualFrequency, false), f, {0, 0, 0, 1, 1, 3, 3, 3, 3, 3, 5, 5}},
      {"frequency, max separate", input(kEqualFrequency, true), f, {0, 0, 0, 1, 1, 2, 3, 3, 3, 3, 5, 5}},
      {"frequency, inverted", input(kEqualFrequency, false, true), f, {5, 5, 5, 4, 4, 2, 2, 2, 2, 2, 0, 0}},
      // Downwards from the top, each value's total runs from the value below
      // it up to the one below the largest.
      {"frequency, inverted, max separate",
       input(kEqualFrequency, true, true),
       f,
       {5, 5, 5, 4, 4, 3, 2, 2, 2, 2, 2, 2}},
      {"frequency, inverted, max separate, evenly filled",
       input(kEqualFrequency, true, true),
       {1, 1, 2, 2, 3, 3, 4, 4, 5},
       {5, 5, 4, 4, 3, 3, 2, 2, 1}},
  };
  for (const Case& c : cases) {
    auto cells = cellsWith(c.scores);
    classifyCells(cells, static_cast<int>(c.scores.size()), c.in);
    EXPECT_EQ(classesOf(cells), c.classes) << c.what;
  }
}

TEST(Classing, EqualMinimumAndMaximumGiveTheTopClass) {
  for (int scale : {kEqualInterval, kEqualFrequency})
    for (bool separate : {false, true})
      for (bool inverted : {false, true}) {
        auto cells = cellsWith({3, 3, 3});
        ClassTable t = classifyCells(cells, 3, input(scale, separate, inverted, 0));
        EXPECT_EQ(classesOf(cells), (std::vector<int>{5, 5, 5}))
            << "scale " << scale << " separate " << separate << " inverted " << inverted;
        EXPECT_EQ(cells[1].topValue, 1);
        EXPECT_EQ(t.scoredCells, 3);
      }
  // A fixed limit of 0 over nothing but zero-score markers: no range at all.
  auto markers = cellsWith({10000, 10000});
  classifyCells(markers, 2, input(kFixedLimit, false, false, 0));
  EXPECT_EQ(classesOf(markers), (std::vector<int>{0, 0}));
}

TEST(Classing, ZeroScoreMarkerIsScoredAndLowest) {
  for (int scale : {kEqualInterval, kEqualFrequency}) {
    auto cells = cellsWith({10000, 4, 8});
    ClassTable t = classifyCells(cells, 3, input(scale, false));
    EXPECT_EQ(t.scoredCells, 3);
    EXPECT_EQ(t.minimum, 0.0);
    EXPECT_EQ(t.maximum, 8.0);
    EXPECT_EQ(cells[1].classNumber, 0) << "scale " << scale;
    EXPECT_EQ(cells[1].fillColour, paletteIndexRef(0));
    EXPECT_EQ(cells[1].scored, 1);
    EXPECT_EQ(cells[1].topValue, 0);
  }
  // With the interval scale the minimum pulled to 0 spreads the others.
  auto cells = cellsWith({10000, 4, 8});
  classifyCells(cells, 3, input(kEqualInterval, false));
  EXPECT_EQ(classesOf(cells), (std::vector<int>{0, 3, 5}));
  // Inverted, the marker is in the bottom class (the last one) but keeps the
  // first colour, on every scale.
  for (int scale : {kEqualInterval, kEqualFrequency, kFixedLimit})
    for (bool separate : {false, true}) {
      auto inv = cellsWith({10000, 4, 8});
      classifyCells(inv, 3, input(scale, separate, true, 10));
      EXPECT_EQ(inv[1].classNumber, 5) << "scale " << scale;
      EXPECT_EQ(inv[1].fillColour, paletteIndexRef(0)) << "scale " << scale << " separate " << separate;
      EXPECT_NE(inv[3].fillColour, paletteIndexRef(5)) << "only the marker moved";
    }
}

TEST(Classing, MaxInSeparateClassKeepsTheTopColourForTheMaximumOnly) {
  auto cells = cellsWith({10, 20, 30, 90, 99, 100});
  classifyCells(cells, 6, input(kEqualInterval, true, false, 0, 33));
  EXPECT_EQ(cells[6].classNumber, 32);
  EXPECT_EQ(cells[6].topValue, 1);
  for (int n = 1; n <= 5; ++n) {
    EXPECT_LT(cells[static_cast<std::size_t>(n)].classNumber, 32) << n;
    EXPECT_EQ(cells[static_cast<std::size_t>(n)].topValue, 0);
  }
  auto shared = cellsWith({10, 20, 30, 90, 99, 100});
  classifyCells(shared, 6, input(kEqualInterval, false, false, 0, 33));
  EXPECT_EQ(shared[5].classNumber, 32);
  EXPECT_EQ(shared[6].classNumber, 32);
}

// The histogram counts the cells with a count; each limit is its class's
// maximum, an empty class taking the limit below it.
TEST(Classing, HistogramAndLimitsWithGapsFilled) {
  auto cells = cellsWith({2, 4, 6, 8, 12});
  cells[2].count = 0;  // scored, but nothing to count
  ClassTable t = classifyCells(cells, 5, input(kEqualInterval, false));
  EXPECT_EQ(t.histogram, (std::vector<int>{1, 0, 1, 1, 0, 1, 0}));
  EXPECT_EQ(t.largestCount(), 1);
  EXPECT_EQ(t.limits, (std::vector<double>{2, 4, 6, 8, 8, 12}));
  auto inv = cellsWith({2, 4, 6, 8, 12});
  ClassTable ti = classifyCells(inv, 5, input(kEqualInterval, false, true));
  // Classes 5..0 hold 2, 4, 6, 8, (empty), 12; the empty one takes 8 from
  // above, then every entry moves one place down.
  EXPECT_EQ(ti.limits, (std::vector<double>{8, 8, 6, 4, 2, 2}));
}

// Only positive, finite scores are scored; flags left from an earlier map
// go, and a cell count beyond the table is cut to it.
TEST(Classing, OnlyPositiveFiniteScoresAreScored) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  struct Scored {
    const char* what;
    ClassingInput in;
    std::vector<double> scores;
    int cellCount;
    std::vector<int> classes;
  };
  const Scored cases[] = {
      {"zeros between", input(kEqualInterval, false), {0, 5, 0, 7}, 4, {-1, 0, -1, 5}},
      {"all zero or negative", input(kEqualFrequency, true), {0, -3, 0}, 3, {-1, -1, -1}},
      {"damaged, interval", input(kEqualInterval, true), {1, nan, 3, inf, 5}, 5, {0, -1, 2, -1, 5}},
      {"damaged, frequency", input(kEqualFrequency, true), {1, nan, 3, inf, 5}, 5, {0, -1, 2, -1, 5}},
      {"count beyond the table", input(kEqualInterval, false), {1, 2}, 5000, {0, 5}},
  };
  for (const Scored& c : cases) {
    SCOPED_TRACE(c.what);
    auto cells = cellsWith(c.scores);
    cells[1].scored = 1;  // stale flags from an earlier map
    cells[1].topValue = 1;
    const ClassTable t = classifyCells(cells, c.cellCount, c.in);
    EXPECT_EQ(classesOf(cells), c.classes);
    const auto scored = std::count_if(c.classes.begin(), c.classes.end(), [](int k) { return k >= 0; });
    EXPECT_EQ(t.scoredCells, scored);
    EXPECT_EQ(cells[1].topValue, 0);
    if (scored == 0) {
      EXPECT_EQ(t.largestCount(), 0);
    }
  }
}

// A session on the default settings with an empty world grid, and its palette.
struct ClassedSession {
  test::ScriptedHost host;
  Session s{host, "/nonexistent"};
  Palette p;
  explicit ClassedSession(int scale) {
    setDefaults(s.settings);
    s.settings.scaleType = static_cast<ScaleType>(scale);
    s.ws.cells.resize(s.ws.geo.cells + 2);
    allocatePalette(p, -1, s.settings);
    buildPalette(p, s.settings);
  }
  ClassTable classify() { return classifyScores(s.settings, s.map, s.ws, p); }
  GridCell& cell(int n) { return s.ws.cells[static_cast<std::size_t>(n)]; }
};

TEST(Classing, MapClassingUsesTheSettingsAndTheMapsScaleLimit) {
  ClassedSession k(kFixedLimit);
  k.s.map.scaleLimit = 66;
  k.cell(1).score = k.cell(1).count = 33;
  EXPECT_EQ(k.classify().classCount, 33);
  EXPECT_EQ(k.cell(1).classNumber, 16);
  // The one-shot inverted colour scale.
  k.cell(2).score = k.cell(2).count = 10;
  k.s.settings.invertedScale = Flag::kOn;
  EXPECT_TRUE(k.classify().inverted);
  EXPECT_GT(k.cell(2).classNumber, k.cell(1).classNumber);
}

TEST(Classing, SharesOfRunsAreClassedOverTheWholePercentRange) {
  ClassedSession k(kEqualFrequency);
  k.s.map.show(mapTraits(kCodeSelectionFrequency));
  // Many cells seldom chosen would crowd 58 % and 94 % into one class of
  // the equal frequency scale.
  for (int n = 1; n <= 200; ++n) k.cell(n).score = n <= 100 ? 1 : 2;
  k.cell(201).score = 58, k.cell(202).score = 94, k.cell(203).score = 100;
  const ClassTable t = k.classify();
  EXPECT_LT(k.cell(1).classNumber, k.cell(201).classNumber);
  EXPECT_LT(k.cell(201).classNumber, k.cell(202).classNumber) << "58 % and 94 % apart";
  EXPECT_LT(k.cell(202).classNumber, k.cell(203).classNumber);
  // A share sits as far up the bar as it is of 100 %, whatever the other
  // cells hold.
  EXPECT_NEAR(k.cell(201).classNumber, 0.58 * t.classCount, 2);
}

TEST(Classing, ClassOfAScoreIsTheFirstLimitReachingIt) {
  ClassTable t;
  t.classCount = 4;
  t.limits = {1.0, 2.0, 2.0, 5.0};
  EXPECT_EQ(classOfScore(t, -3.0), 0);
  EXPECT_EQ(classOfScore(t, 1.0), 0);
  EXPECT_EQ(classOfScore(t, 1.5), 1);
  EXPECT_EQ(classOfScore(t, 2.0), 1) << "a repeated limit: its first class";
  EXPECT_EQ(classOfScore(t, 9.0), 3) << "above every limit: the top";
  EXPECT_EQ(classOfScore(ClassTable{}, 1.0), 0);
  t.limits[0] = kZeroScore;  // the marker's class
  EXPECT_EQ(classOfScore(t, 0.5), 1);
  t.classCount = 9;  // more classes than limits: only the limits count
  EXPECT_EQ(classOfScore(t, 9.0), 3);
}

}  // namespace
}  // namespace zn
