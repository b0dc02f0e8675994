// The map of units of any grid: each unit painted in its class's colour,
// units without a value in the neutral colour, the key beside the map.
#include "display/unitmap.h"

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

TEST(UnitMap, UnitsTakeTheirClassColourAndUnscoredUnitsTheNeutralOne) {
  struct Cells {
    bool hex;
    double height;  // 0: as tall as wide
    const char* name;
  };
  for (const Cells c :
       {Cells{false, 0.0, "squares"}, Cells{true, 0.0, "hexagons"}, Cells{false, 600.0, "rectangles"}}) {
    SCOPED_TRACE(c.name);
    UnitMapShapes s;
    s.geographic = false;
    s.lattice = UnitMapShapes::Lattice{0.0, 3000.0, 1000.0, 4, 3, c.hex, c.height};
    s.cellOf = {0, 1, 2, 6, 12};  // units 1 ... 4 on cells of the 4 x 3 lattice
    s.extent = {-500.0, -500.0, 5000.0, 3500.0};
    UnitMapLayer layer;
    layer.score = {0, 1.0, 2.0, 0.0, 9.0};
    layer.count = {0, 1, 2, 0, 9};
    const QImage image = renderUnitMap(s, layer, 900, 600);

    const UnitMapLayout map = unitMapLayout(QRectF(image.rect()), s.extent);
    const int k = UnitMapLayer{}.classing.classCount;
    EXPECT_EQ(QColor(image.pixel(centreOf(s, 4, map))), rampColour(k - 1, k));
    EXPECT_EQ(QColor(image.pixel(centreOf(s, 1, map))), rampColour(0, k));
    EXPECT_EQ(QColor(image.pixel(centreOf(s, 3, map))), noValueColour());
    // The key's top swatch lies right of the map, never over it.
    bool keyFound = false;
    for (int x = map.mapArea.right() + 2; x < image.width() && !keyFound; ++x)
      for (int y = map.mapArea.top(); y < map.mapArea.top() + 40 && !keyFound; ++y)
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
