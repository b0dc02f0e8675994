// The map of units of any grid: each unit painted in its class's colour,
// units without a value in the neutral colour, the key beside the map.
#include "display/unitmap.h"

#include <gtest/gtest.h>

namespace zn {
namespace {

// The pixel at the centre of unit n's outline.
QPoint centreOf(const UnitMapShapes& s, int n, const QRect& map) {
  const auto ring = s.outline(n).at(0);
  double x = 0, y = 0;
  for (const CrsPoint& p : ring) {
    x += p.x;
    y += p.y;
  }
  x /= static_cast<double>(ring.size());
  y /= static_cast<double>(ring.size());
  const CrsBox& e = s.extent;
  const double scale = std::min(map.width() / (e.east - e.west), map.height() / (e.north - e.south));
  const double x0 = map.left() + (map.width() - (e.east - e.west) * scale) / 2.0;
  const double y0 = map.top() + (map.height() - (e.north - e.south) * scale) / 2.0;
  return {static_cast<int>(x0 + (x - e.west) * scale), static_cast<int>(y0 + (e.north - y) * scale)};
}

TEST(UnitMap, UnitsTakeTheirClassColourAndUnscoredUnitsTheNeutralOne) {
  for (bool hex : {false, true}) {
    SCOPED_TRACE(hex ? "hexagons" : "squares");
    UnitMapShapes s;
    s.geographic = false;
    s.lattice = UnitMapShapes::Lattice{0.0, 3000.0, 1000.0, 4, 3, hex};
    s.cellOf = {0, 1, 2, 6, 12};  // units 1 ... 4 on cells of the 4 x 3 lattice
    s.extent = {-500.0, -500.0, 5000.0, 3500.0};
    UnitMapLayer layer;
    layer.score = {0, 1.0, 2.0, 0.0, 9.0};
    layer.count = {0, 1, 2, 0, 9};
    const QImage image = renderUnitMap(s, layer, 900, 600);

    // Find the map's frame from the layout the drawing uses: the map takes
    // the left part, so unit centres lie in its left four-fifths.
    const double unit = std::max(8.0, 600 / 60.0);
    const double keyWidth = std::max(unit * 10.0, 900 * 0.16);
    const double titleHeight = QFontMetricsF([&] {
                                 QFont f("Liberation Sans");
                                 f.setPixelSize(static_cast<int>(std::lround(unit * 1.3)));
                                 f.setBold(true);
                                 return f;
                               }())
                                   .height() +
                               unit;
    const QRect map(static_cast<int>(unit), static_cast<int>(titleHeight + unit),
                    static_cast<int>(900 - keyWidth - 3 * unit), static_cast<int>(600 - titleHeight - 2 * unit));
    const int k = UnitMapStyle{}.classing.classCount;
    EXPECT_EQ(QColor(image.pixel(centreOf(s, 4, map))), rampColour(k - 1, k));
    EXPECT_EQ(QColor(image.pixel(centreOf(s, 1, map))), rampColour(0, k));
    EXPECT_EQ(QColor(image.pixel(centreOf(s, 3, map))), noValueColour());
    // The key's top swatch lies right of the map, never over it.
    bool keyFound = false;
    for (int x = map.right() + 2; x < image.width() && !keyFound; ++x)
      for (int y = map.top(); y < map.top() + 40 && !keyFound; ++y)
        keyFound = QColor(image.pixel(x, y)) == rampColour(k - 1, k);
    EXPECT_TRUE(keyFound);
  }
}

TEST(UnitMap, RampRunsFromDarkToLightAndIsDistinctPerClass) {
  const int k = 8;
  for (int c = 1; c < k; ++c) {
    EXPECT_LT(qGray(rampColour(c - 1, k).rgb()), qGray(rampColour(c, k).rgb())) << c;
    EXPECT_NE(rampColour(c, k), noValueColour());
  }
}

}  // namespace
}  // namespace zn
