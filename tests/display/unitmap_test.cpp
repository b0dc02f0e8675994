// The map of units of any grid: each unit painted in its class's colour,
// units without a value in the neutral colour, the key beside the map.
#include "display/unitmap.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

#include <gtest/gtest.h>

namespace zn {
namespace {

// The pixel at the centre of unit n's outline.
QPoint centreOf(const UnitMapShapes& s, int n, const UnitMapLayout& layout) {
  const auto ring = s.outline(n).at(0);
  double x = 0, y = 0;
  for (const CrsPoint& p : ring) {
    x += p.x / static_cast<double>(ring.size());
    y += p.y / static_cast<double>(ring.size());
  }
  return layout.toPixel(x, y).toPoint();
}

// Units 1 ... 4 on cells of a 4 x 3 lattice, scored 1, 2, none and 9.
UnitMapShapes fourUnits(bool hex, double height = 0.0) {
  UnitMapShapes s;
  s.geographic = false;
  s.lattice = UnitMapShapes::Lattice{0.0, 3000.0, 1000.0, 4, 3, hex, height};
  s.cellOf = {0, 1, 2, 6, 12};
  s.extent = {-500.0, -500.0, 5000.0, 3500.0};
  return s;
}
// Whether the key, right of the map, shows colour c in rows from .. to.
bool keyShows(const QImage& image, const UnitMapLayout& map, const QColor& c, int from, double to, int step = 1) {
  for (int x = static_cast<int>(map.mapArea.right()) + 2; x < image.width(); ++x)
    for (int y = from; y < to; y += step)
      if (QColor(image.pixel(x, y)) == c) return true;
  return false;
}
UnitMapLayer fourScores() {
  UnitMapLayer layer;
  layer.score = {0, 1.0, 2.0, 0.0, 9.0};
  layer.count = {0, 1, 2, 0, 9};
  return layer;
}

TEST(UnitMap, UnitsTakeTheirClassColourAndUnscoredUnitsTheNeutralOne) {
  struct Cells {
    bool hex;
    double height;  // 0: as tall as wide
    bool polygons;  // the same squares as polygon outlines
    const char* name;
  };
  for (const Cells form : {Cells{false, 0.0, false, "squares"}, Cells{true, 0.0, false, "hexagons"},
                           Cells{false, 600.0, false, "rectangles"}, Cells{false, 0.0, true, "polygons"}}) {
    SCOPED_TRACE(form.name);
    UnitMapShapes s = fourUnits(form.hex, form.height);
    if (form.polygons) {
      for (int n = 1; n <= 4; ++n) s.rings.push_back(s.outline(n));
      s.lattice.reset();
    }
    const QImage image = renderUnitMap(s, fourScores(), 900, 600);

    const UnitMapLayout map = unitMapLayout(QRectF(image.rect()), s.extent);
    const int k = UnitMapLayer{}.classing.classCount;
    EXPECT_EQ(QColor(image.pixel(centreOf(s, 4, map))), rampColour(k - 1, k));
    EXPECT_EQ(QColor(image.pixel(centreOf(s, 1, map))), rampColour(0, k));
    EXPECT_EQ(QColor(image.pixel(centreOf(s, 3, map))), noValueColour());
    // The key's top swatch lies right of the map, never over it.
    const int top = static_cast<int>(map.mapArea.top());
    EXPECT_TRUE(keyShows(image, map, rampColour(k - 1, k), top, top + 40));
    // The key swatches exactly the classes the map paints: an empty class
    // between them has no row.
    std::set<int> painted, keyed;
    for (int n : {1, 2, 4})
      for (int c = 0; c < k; ++c)
        if (QColor(image.pixel(centreOf(s, n, map))) == rampColour(c, k)) painted.insert(c);
    for (int c = 0; c < k; ++c)
      if (keyShows(image, map, rampColour(c, k), top, map.mapArea.bottom(), 2)) keyed.insert(c);
    EXPECT_EQ(keyed, painted);
  }
}

// Hexagons too small to show their corners still tile the map without a
// gap, at either device pixel ratio.
TEST(UnitMap, TinyHexagonsLeaveNoGap) {
  UnitMapShapes s;
  s.geographic = false;
  constexpr long long kColumns = 200, kRows = 120;
  s.lattice = UnitMapShapes::Lattice{0.0, 0.0, 1000.0, kColumns, kRows, true, 0.0};
  s.cellOf.push_back(0);
  for (long long c = 1; c <= kColumns * kRows; ++c) s.cellOf.push_back(c);
  const double height = (kRows * 1.5 + 0.5) * 1000.0 / std::sqrt(3.0);
  s.extent = {0.0, -height, (kColumns + 0.5) * 1000.0, 0.0};
  UnitMapLayer layer;
  layer.score.assign(s.cellOf.size(), 5.0);
  layer.count.assign(s.cellOf.size(), 5);
  for (double dpr : {1.0, 2.0}) {
    SCOPED_TRACE(dpr);
    const QImage image = renderUnitMap(s, layer, 400, 300, {}, dpr);
    const UnitMapLayout map = unitMapLayout(QRectF(0, 0, 400, 300), s.extent);
    ASSERT_LT(1000.0 * map.scale * dpr, 4.0) << "the hexagons show their corners";
    // Inside the lattice, less its ragged edge, every pixel is the units' colour.
    const QPointF a = map.toPixel(1500.0, -1500.0), b = map.toPixel(kColumns * 1000.0 - 1500.0, 1500.0 - height);
    const QRgb colour = image.pixel(static_cast<int>(a.x() * dpr) + 2, static_cast<int>(a.y() * dpr) + 2);
    EXPECT_NE(colour, qRgb(255, 255, 255));
    int gaps = 0;
    for (int y = static_cast<int>(a.y() * dpr); y < b.y() * dpr; ++y)
      for (int x = static_cast<int>(a.x() * dpr); x < b.x() * dpr; ++x) gaps += image.pixel(x, y) != colour;
    EXPECT_EQ(gaps, 0);
  }
}

// The area set's outline has its own row in the key, below the classes
// and the units without a value; a map without a set has none.
TEST(UnitMap, AnOutlinedSetHasARowInTheKey) {
  const UnitMapShapes s = fourUnits(true);
  UnitMapLayer layer = fourScores();
  const QColor red(215, 25, 28);
  // The lowest row of the key holding the set's red, -1 where none does.
  auto redRow = [&](const QImage& image) {
    const UnitMapLayout map = unitMapLayout(QRectF(image.rect()), s.extent);
    int row = -1;
    for (int y = 0; y < image.height(); ++y)
      for (int x = static_cast<int>(map.mapArea.right()) + 2; x < image.width(); ++x)
        if (QColor(image.pixel(x, y)) == red) row = y;
    return row;
  };
  // The no-value swatch's lowest row.
  auto greyRow = [&](const QImage& image) {
    const UnitMapLayout map = unitMapLayout(QRectF(image.rect()), s.extent);
    int row = -1;
    for (int y = 0; y < image.height(); ++y)
      if (QColor(image.pixel(static_cast<int>(map.mapArea.right() + map.unit * 2), y)) == noValueColour()) row = y;
    return row;
  };
  const QImage without = renderUnitMap(s, layer, 900, 600);
  EXPECT_EQ(redRow(without), -1);
  layer.inSet = {0, 0, 1, 0, 0};
  const QImage with = renderUnitMap(s, layer, 900, 600);
  ASSERT_GT(greyRow(with), 0);
  EXPECT_GT(redRow(with), greyRow(with));
  // The map outlines the set's unit in the same red.
  const UnitMapLayout map = unitMapLayout(QRectF(with.rect()), s.extent);
  int outlined = 0;
  for (int y = static_cast<int>(map.mapArea.top()); y < map.mapArea.bottom(); ++y)
    for (int x = static_cast<int>(map.mapArea.left()); x < map.mapArea.right(); ++x)
      outlined += QColor(with.pixel(x, y)) == red;
  EXPECT_GT(outlined, 50);
}

TEST(UnitMap, IndexFindsExactlyTheUnitsWhoseBoxesMeetAView) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> at(0.0, 1000.0), size(0.1, 40.0);
  UnitMapShapes s;
  for (int n = 0; n < 3000; ++n) {
    const double x = at(rng), y = at(rng), w = size(rng), h = size(rng);
    s.rings.push_back({{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}});
  }
  s.rings.push_back({});  // a unit without an outline is never found
  const UnitIndex index(s);
  for (int view = 0; view < 50; ++view) {
    const double x = at(rng) - 100, y = at(rng) - 100, w = 3 * size(rng) * (view % 5 + 1);
    const CrsBox box{x, y, x + w, y + w / 2};
    std::vector<int> found;
    index.query(box, found);
    std::sort(found.begin(), found.end());
    std::vector<int> expected;
    for (int n = 1; n <= s.units(); ++n) {
      const auto& r = s.rings[static_cast<std::size_t>(n) - 1];
      if (r.empty()) continue;
      const CrsPoint lo = r[0][0], hi = r[0][2];
      if (lo.x <= box.east && box.west <= hi.x && lo.y <= box.north && box.south <= hi.y) expected.push_back(n);
    }
    EXPECT_EQ(found, expected) << view;
  }
}

// The hover's hit test in what the window's comparison with GEOS never
// builds: an empty hole, a second part, a concave unit's notch.
TEST(UnitMap, PointFallsInTheUnitWhoseOutlineHoldsIt) {
  UnitMapShapes s;
  // 1: a square with an empty square hole; 2: an L whose notch holds unit 3;
  // 4: two parts far apart.
  s.rings.push_back({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{4, 4}, {6, 4}, {6, 6}, {4, 6}}});
  s.rings.push_back({{{20, 0}, {30, 0}, {30, 4}, {24, 4}, {24, 10}, {20, 10}, {20, 0}}});
  s.rings.push_back({{{25, 5}, {29, 5}, {29, 9}, {25, 9}}});
  s.rings.push_back({{{40, 0}, {42, 0}, {42, 2}, {40, 2}}, {{60, 60}, {62, 60}, {62, 62}, {60, 62}}});
  const UnitIndex index(s);
  const struct {
    double x, y;
    int unit;
  } cases[] = {{5, 5, 0},   {22, 8, 2},  {27, 7, 3}, {28, 4.5, 0}, {41, 1, 4},
               {61, 61, 4}, {50, 30, 0}, {-1, 5, 0}, {NAN, 5, 0}};
  for (const auto& c : cases) EXPECT_EQ(outlinedUnitAt(s, index, c.x, c.y), c.unit) << c.x << "," << c.y;
}

TEST(UnitMap, UnitSmallerThanAPixelStillShowsInItsColour) {
  UnitMapShapes s;
  s.geographic = false;
  s.extent = {0.0, 0.0, 100000.0, 100000.0};
  s.rings = {{{{0, 0}, {50000, 0}, {50000, 50000}, {0, 50000}}}, {{{70000, 70000}, {70010, 70000}, {70010, 70010}}}};
  UnitMapLayer layer;
  layer.score = {0, 1.0, 9.0};
  layer.count = {0, 1, 9};
  const QImage image = renderUnitMap(s, layer, 900, 600);
  const UnitMapLayout map = unitMapLayout(QRectF(image.rect()), s.extent);
  const QPointF tiny = map.toPixel(70005, 70005);
  const int k = layer.classing.classCount;
  EXPECT_EQ(QColor(image.pixel(static_cast<int>(tiny.x()), static_cast<int>(tiny.y()))), rampColour(k - 1, k));
}

TEST(UnitMap, RampRunsFromDarkToLightAndIsDistinctPerClass) {
  const int k = 8;
  for (int c = 1; c < k; ++c) {
    EXPECT_LT(qGray(rampColour(c - 1, k).rgb()), qGray(rampColour(c, k).rgb())) << c;
    EXPECT_NE(rampColour(c, k), noValueColour());
  }
}

// A count map of few distinct values keys each value on its own, so no
// class between two values is left empty; more values than classes, or
// scores that are not counts, keep the eight classes of the scale.
TEST(UnitMap, CountsOfFewValuesTakeAClassEach) {
  struct Case {
    const char* name;
    std::vector<double> score;  // units 1 ... n
    bool counts, inverted;
    int classes;  // expected; 0: the scale's own
  };
  const std::vector<Case> cases{
      {"five counts", {1, 2, 3, 5, 6, 6, 0, 1}, true, false, 5},
      {"inverted", {1, 2, 3, 5, 6, 6, 0, 1}, true, true, 5},
      {"one value", {4, 4, 0}, true, false, 1},
      {"no value", {0, 0}, true, false, 0},
      {"eight counts", {1, 2, 3, 4, 5, 6, 7, 8}, true, false, 8},
      {"nine counts", {1, 2, 3, 4, 5, 6, 7, 8, 9}, true, false, 0},
      {"not counts", {0.5, 1.5, 2.5}, false, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(c.score.size());
    UnitMapShapes s;
    s.lattice = UnitMapShapes::Lattice{0.0, 1.0, 1.0, n, 1, false, 0.0};
    s.extent = {0.0, 0.0, static_cast<double>(n), 1.0};
    s.cellOf.push_back(0);
    for (int i = 1; i <= n; ++i) s.cellOf.push_back(i);
    UnitMapLayer layer;
    layer.score = {0};
    layer.count = {0};
    for (double v : c.score) {
      layer.score.push_back(v);
      layer.count.push_back(static_cast<int>(std::ceil(v)));
    }
    layer.counts = c.counts;
    layer.classing.inverted = c.inverted;
    const UnitMapPicture pic(s, layer);
    const ClassTable& t = pic.table;
    if (c.classes == 0) {
      EXPECT_FALSE(pic.categorical);
      EXPECT_EQ(t.classCount, layer.classing.classCount);
      continue;
    }
    ASSERT_TRUE(pic.categorical);
    ASSERT_EQ(t.classCount, c.classes);
    // Every class holds units, and each unit's class is its value's.
    for (int k = 0; k < t.classCount; ++k) EXPECT_GT(t.histogram[static_cast<std::size_t>(k)], 0) << k;
    for (int i = 1; i <= n; ++i) {
      const double v = layer.score[static_cast<std::size_t>(i)];
      const std::uint8_t shade = pic.shade[static_cast<std::size_t>(i)];
      if (v == 0) {
        EXPECT_EQ(shade, t.classCount) << i;  // the no-value colour
        continue;
      }
      EXPECT_EQ(t.limits[shade], v) << i;
      EXPECT_EQ(t.maxima[shade], v) << i;
    }
    // The top class holds the largest value, unless the scale is inverted.
    EXPECT_EQ(t.limits.back(), c.inverted ? t.minimum : t.maximum);
  }
}

}  // namespace
}  // namespace zn
