// The basemap under project maps: the coast transformed into the project's
// CRS, cut where it leaves the map or jumps across it; and the world grid's
// shipped coastline against the land cells of "equal".
#include "gis/projectmap.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <gtest/gtest.h>
#include <ogr_geometry.h>

#include "store/binio.h"
#include "store/files.h"
#include "store/gridtypes.h"

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

TEST(ProjectMap, ScaleBarIsTrueOnlyWhereTheProjectionKeepsLengths) {
  // EASE-Grid 2.0 is true along 30 degrees; on the equator a metre of the
  // map is cos 30 / sqrt(1 - e^2 sin^2 30) metres of ground on WGS84.
  const double e2 = 0.00669437999014, s30 = 0.5;
  const double easeEquator = 1.0 / (std::sqrt(3.0) / 2.0 / std::sqrt(1.0 - e2 * s30 * s30));
  struct Case {
    int epsg;
    CrsBox box;
    MapScale scale;
    double metresPerUnit;
    const char* name;
  };
  for (const Case& c : {
           Case{27700, {0.0, 0.0, 700000.0, 1300000.0}, MapScale::True, 1.0, "Britain on its national grid"},
           Case{6933,
                {-17367530.0, -7314540.0, 17367530.0, 7314540.0},
                MapScale::AtEquator,
                easeEquator,
                "the world on a cylindrical equal-area grid"},
           Case{3035,
                {1000000.0, 0.0, 9000000.0, 7000000.0},
                MapScale::None,
                1.0,
                "half the globe on a Lambert azimuthal grid"},
           Case{4326, {-180.0, -90.0, 180.0, 90.0}, MapScale::None, 1.0, "degrees"},
       }) {
    SCOPED_TRACE(c.name);
    double metres = 0.0;
    EXPECT_EQ(mapScaleOf(c.epsg, c.box, metres), c.scale);
    EXPECT_NEAR(metres, c.metresPerUnit, 2e-3);
  }
}

TEST(ProjectMap, GraticuleHasRoundStepsWithinTheMapAndTheCentralMeridianStraight) {
  struct Case {
    int epsg;
    CrsBox box;
    const char* name;
  };
  for (const Case& c : {Case{27700, {0.0, 0.0, 700000.0, 1300000.0}, "Britain"},
                        Case{6933, {-17367530.0, -7314540.0, 17367530.0, 7314540.0}, "the world"}}) {
    SCOPED_TRACE(c.name);
    const CrsBox& box = c.box;
    std::vector<double> meridians, parallels;
    for (const GraticuleLine& g : graticuleIn(c.epsg, box)) {
      (g.meridian ? meridians : parallels).push_back(g.degrees);
      EXPECT_LE(std::fabs(g.degrees), g.meridian ? 180.0 : 89.0);
      for (const auto& piece : g.pieces)
        for (const CrsPoint& q : piece) {
          EXPECT_TRUE(q.x >= box.west && q.x <= box.east && q.y >= box.south && q.y <= box.north) << q.x << " " << q.y;
          // Two degrees west is the national grid's own meridian: due north
          // at E 400 km, but for the shift between WGS84 and the grid's datum.
          if (c.epsg == 27700 && g.meridian && g.degrees == -2.0) {
            EXPECT_NEAR(q.x, 400000.0, 200.0);
          }
        }
    }
    ASSERT_GE(meridians.size(), 4u);
    ASSERT_GE(parallels.size(), 4u);
    if (c.epsg == 27700) {
      EXPECT_NE(std::find(meridians.begin(), meridians.end(), -2.0), meridians.end());
    }
    // One step between neighbours: 1, 2 or 5 times a power of ten, or 15 or 30.
    for (const auto* v : {&meridians, &parallels}) {
      const double step = (*v)[1] - (*v)[0];
      const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
      EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 || std::fabs(mantissa - 5) < 1e-9 ||
                  step == 15.0 || step == 30.0)
          << step;
      for (std::size_t i = 1; i < v->size(); ++i) EXPECT_NEAR((*v)[i] - (*v)[i - 1], step, 1e-9);
    }
  }
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

  // A view wider than the units' extent, or zoomed out, still shows coast and
  // graticule to its edges: both reach an extent beyond it on every side.
  p.data.units = {{37 * 360 + 178 + 1, "lon -2 to -1, lat 52 to 53", 1.0}};
  const UnitMapShapes wales = projectShapes(p, basemapCoastFile(ZN_SOURCE_DIR "/programdata"));
  const CrsBox& e = wales.extent;
  const double side = std::max(e.east - e.west, e.north - e.south);
  const CrsBox reach{e.west - side, e.south - side, e.east + side, e.north + side};
  auto inReach = [&](const CrsPoint& q) {
    return q.x >= reach.west - 1e-9 && q.x <= reach.east + 1e-9 && q.y >= reach.south - 1e-9 &&
           q.y <= reach.north + 1e-9;
  };
  int beyond = 0;
  for (const auto& line : wales.coast)
    for (const CrsPoint& q : line) {
      EXPECT_TRUE(inReach(q)) << q.x << " " << q.y;
      beyond += q.x < e.west;  // the coast of Wales
    }
  EXPECT_GT(beyond, 10);
  double westMost = 0;
  for (const GraticuleLine& g : wales.graticule) {
    if (g.meridian) westMost = std::min(westMost, g.degrees);
    for (const auto& piece : g.pieces)
      for (const CrsPoint& q : piece) EXPECT_TRUE(inReach(q)) << q.x << " " << q.y;
  }
  EXPECT_LT(westMost, e.west - side / 2);
}

// The shipped coastline of the world grid holds land in exactly the land
// cells of "equal". Source units: x from 4 eastwards from 30 W, 18 a column;
// y from 155 at the south edge, 18 a band; break markers lie right of or
// above the frame and split the closed outlines.
TEST(ShippedCoastline, LandCellsOfEqualAreExactlyTheCellsHoldingLand) {
  const std::filesystem::path shipped = ZN_SOURCE_DIR "/programdata";
  const auto data = readFileBytes(shipped / "ZONARIUM.@17");
  ASSERT_TRUE(data);
  const auto* p = reinterpret_cast<const unsigned char*>(data->data());
  const int a = readU16(p), b = readU16(p + 2);
  ASSERT_LE(a + b, 2002);
  ASSERT_EQ(data->size(), 4u + 4u * static_cast<std::size_t>(a + b));
  std::vector<std::unique_ptr<OGRPolygon>> outlines;
  OGRLinearRing ring;
  auto close = [&] {
    if (ring.IsEmpty()) return;
    EXPECT_GE(ring.getNumPoints(), 3);
    EXPECT_TRUE(ring.get_IsClosed()) << "outlines are closed";
    outlines.push_back(std::make_unique<OGRPolygon>());
    outlines.back()->addRing(&ring);
    ring.empty();
  };
  for (int i = 0; i < a; ++i) {
    const int x = readI16(p + 4 + 4 * i), y = readI16(p + 6 + 4 * i);
    if (x > 652 || y > 587) close();
    else ring.addPoint(x, y);
  }
  close();
  ASSERT_GT(outlines.size(), 50u);

  GridTypes types;
  ASSERT_TRUE(readMapDefinitions(types, shipped / "ZONARIUM.MAP"));
  const GridType& equal = types.types.at(0);
  int land = 0;
  for (int n = 1; n <= 864; ++n) {
    const bool isLand = equal.classes[static_cast<std::size_t>(n)] != 0;
    land += isLand;
    const int c = (n - 1) % 36 + 1, r = (n - 1) / 36 + 1;
    // Shrunk a little so land merely touching the cell's edge does not count.
    const double x0 = 4 + 18.0 * (c - 1) + 0.01, x1 = x0 + 17.98, y1 = 587 - 18.0 * (r - 1) - 0.01, y0 = y1 - 17.98;
    OGRLinearRing edge;
    for (auto [x, y] : {std::pair{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}) edge.addPoint(x, y);
    OGRPolygon cell;
    cell.addRing(&edge);
    const bool found =
        std::any_of(outlines.begin(), outlines.end(), [&](const auto& o) { return o->Intersects(&cell); });
    EXPECT_EQ(found, isLand) << "cell " << n << " (column " << c << ", row " << r << ")";
  }
  EXPECT_GT(land, 400);
}

}  // namespace
}  // namespace zn
