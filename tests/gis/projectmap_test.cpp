// The basemap under project maps: the coast transformed into the project's
// CRS, cut where it leaves the map or jumps across it.
#include "gis/projectmap.h"

#include <gtest/gtest.h>

namespace zn {
namespace {

TEST(ProjectMap, CoastIsTransformedAndCutAtTheMapsEdgesAndJumps) {
  // The British National Grid's true origin, lon -2 lat 49, is E 400 km, N -100 km.
  const auto bng = coastIn({{{-2.0, 49.0}, {-2.0, 50.0}, {40.0, 50.0}, {-3.0, 51.0}, {-3.0, 52.0}}}, 27700,
                           {0.0, -200000.0, 700000.0, 1300000.0});
  ASSERT_EQ(bng.size(), 2u);  // the point far east leaves the box and cuts the line
  EXPECT_NEAR(bng[0][0].x, 400000.0, 1.0);
  EXPECT_NEAR(bng[0][0].y, -100000.0, 1.0);
  EXPECT_EQ(bng[1].size(), 2u);

  // Across the 180th meridian a line jumps from one edge to the other: cut.
  const auto world =
      coastIn({{{179.0, 10.0}, {179.9, 10.0}, {-179.9, 10.0}, {-179.0, 10.0}}}, 4326, {-180.0, -90.0, 180.0, 90.0});
  ASSERT_EQ(world.size(), 2u);
  EXPECT_EQ(world[0].back().x, 179.9);
  EXPECT_EQ(world[1].front().x, -179.9);
}

TEST(ProjectMap, ShippedCoastReadsAndRegularGridShapesFollowTheUnits) {
  const auto lines = readCoastPolylines(basemapCoastFile(ZN_SOURCE_DIR "/programdata"));
  EXPECT_EQ(lines.size(), 1429u);

  Project p;
  p.grid.cellSize = 1.0;  // the whole world at 1 degree
  p.data.units = {{1, "first", 1.0}, {361, "below it", 1.0}};
  const UnitMapShapes s = projectShapes(p, basemapCoastFile(ZN_SOURCE_DIR "/programdata"));
  ASSERT_TRUE(s.lattice);
  EXPECT_EQ(s.cellOf, (std::vector<long long>{0, 1, 361}));
  // Two cells at the north-west corner, with a margin, within the world.
  EXPECT_EQ(s.extent.west, -180.0);
  EXPECT_EQ(s.extent.north, 90.0);
  EXPECT_LT(s.extent.east, -178.0);
  EXPECT_GT(s.extent.south, -89.0);
  for (const auto& line : s.coast)
    for (const CrsPoint& q : line) EXPECT_TRUE(q.x >= s.extent.west && q.x <= s.extent.east) << q.x;
}

}  // namespace
}  // namespace zn
