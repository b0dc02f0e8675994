#include "display/view.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/scripted_host.h"

namespace zn {
namespace {

Workspace worldCells() {
  Workspace ws;
  ws.cells.resize(static_cast<std::size_t>(ws.geo.cells) + 2);
  buildCellCorners(ws);
  return ws;
}

TEST(CellGap, ThresholdsOfClientSizeAndZoom) {
  struct Case {
    int w, h;
    double z;
    int gap;
  };
  const Case cases[] = {
      {1601, 1069, 1, 0}, {1600, 1068, 1, 4}, {1601, 1068, 1, 4},   {801, 535, 1, 4},  {800, 535, 1, 8},
      {401, 268, 1, 8},   {400, 268, 1, 12},  {201, 135, 1, 12},    {100, 300, 1, 20}, {150, 68, 1, 16},
      {150, 67, 1, 20},   {801, 535, 2, 0},   {1601, 1069, 0.5, 0},  // a zoom factor below 1 counts as 1
  };
  for (const Case& c : cases) EXPECT_EQ(cellGap(c.w, c.h, c.z), c.gap) << c.w << " x " << c.h << " zoom " << c.z;
}

TEST(ScreenMapping, CentresTheMapClipsAndKeepsAFortiethMarginWhenZoomed) {
  Geometry geo;
  ViewState view;
  // A wide window: the map's height fills H - 20 and it moves right.
  MapTransform wide = screenTransform(geo, view, 2000, 1020);
  EXPECT_EQ(wide.vpH, 1000);
  EXPECT_EQ(wide.vpX, static_cast<int>((2000 - 1000 / (2249.0 / 3073)) / 2));
  EXPECT_EQ(wide.vpY, 0);
  EXPECT_NEAR(wide.vpW, 1366, 1);
  // A tall window: the width fills and it moves down.
  MapTransform tall = screenTransform(geo, view, 1000, 1500);
  EXPECT_EQ(tall.vpX, 0);
  EXPECT_EQ(tall.vpW, 1000);
  EXPECT_EQ(tall.vpY, static_cast<int>((1480 - 1000 * (2249.0 / 3073)) / 2));

  // The clip keeps off the window's edge; a thumbnail clips to its map.
  MapTransform t = screenTransform(geo, view, 800, 600);
  EXPECT_FALSE(t.thumbnail);
  EXPECT_EQ(t.clip, (DeviceRect{1, 1, 799, 580}));
  MapTransform small = screenTransform(geo, view, 300, 600);
  EXPECT_TRUE(small.thumbnail);
  EXPECT_EQ(small.clip, (DeviceRect{small.vpX, small.vpY, small.vpX + small.vpW, small.vpY + small.vpH}));
  EXPECT_TRUE(screenTransform(geo, view, 600, 300).thumbnail);
  EXPECT_FALSE(screenTransform(geo, view, 301, 301).thumbnail);

  view.zoomed = true;
  view.zoom = {400, 300, 800, 400};
  MapTransform z = screenTransform(geo, view, 1000, 720);
  EXPECT_EQ((LogicalRect{z.winX, z.winY, z.winW, z.winH}), (LogicalRect{380, 290, 840, 420}));
  EXPECT_DOUBLE_EQ(z.aspect, 0.5);
  EXPECT_DOUBLE_EQ(z.zoomFactor, std::min(3073.0 / 800, 2249.0 / 400));
  EXPECT_EQ(z.gap, cellGap(1000, 720, z.zoomFactor));
  EXPECT_EQ(z.clip, (DeviceRect{z.vpX, z.vpY, z.vpX + z.vpW, z.vpY + z.vpH}));
}

TEST(PointToMap, PointsMapBackTheWholeMapFitsTheWindowAndNothingOutsideTheFramePicksACell) {
  Workspace ws = worldCells();
  ViewState view;
  for (auto [w, h] : {std::pair{1200, 820}, std::pair{900, 1200}, std::pair{640, 480}}) {
    MapTransform t = screenTransform(ws.geo, view, w, h);
    EXPECT_NEAR(t.scaleX(), t.scaleY(), 0.002) << "the map keeps its shape in " << w << "x" << h;
    for (auto [lx, ly] : {std::pair{0.0, 0.0}, std::pair{1500.0, 800.0}, std::pair{3073.0, 2249.0}}) {
      auto [x, y] = t.toLogical(t.toDeviceX(lx), t.toDeviceY(ly));
      EXPECT_NEAR(x, lx, 6) << w << "x" << h;
      EXPECT_NEAR(y, ly, 6) << w << "x" << h;
      EXPECT_GE(t.toDeviceX(lx), 0);
      EXPECT_LE(t.toDeviceX(lx), w);
      EXPECT_GE(t.toDeviceY(ly), 0);
      EXPECT_LE(t.toDeviceY(ly), h);
    }
    // The device centre of every cell picks that cell.
    for (int n : {1, 36, 37, 400, 864}) {
      const GridCell& c = ws.cells[static_cast<std::size_t>(n)];
      EXPECT_EQ(cellAtDevice(*worldGeometry(ws), t, t.toDeviceX(c.x0 + 36), t.toDeviceY(c.y0 + 36)), n);
    }
  }
  // Zoomed in, a point near a cell's corner picks that cell.
  view.zoomed = true;
  view.zoom = {1000, 700, 300, 200};
  MapTransform t = screenTransform(ws.geo, view, 1000, 720);
  const GridCell& c = ws.cells[9 * 36 + 13];
  EXPECT_EQ(cellAtDevice(*worldGeometry(ws), t, t.toDeviceX(c.x0 + 2), t.toDeviceY(c.y1 - 2)), 9 * 36 + 13);

  // A logical point picks its cell, and nothing outside the frame.
  const auto units = worldGeometry(ws);
  const struct {
    double x, y;
    int unit;
  } points[] = {{160, 160, 1}, {231, 231, 1},  {232, 160, 2},  {2751, 1887, 864},
                {159, 500, 0}, {2752, 500, 0}, {500, 1888, 0}, {-5, -5, 0}};
  for (const auto& p : points) EXPECT_EQ(units->unitAt(p.x, p.y), p.unit) << p.x << "," << p.y;
  Workspace empty;
  EXPECT_EQ(worldGeometry(empty)->unitAt(200, 200), 0);
}

// A session of the world grid, its view and the flags a zoom keeps.
class Zoom : public ::testing::Test {
 protected:
  test::ScriptedHost host;
  Session s{host, "/nonexistent"};
  ViewState view;
  ZoomFlags z = zoomFlags(s);
  const Geometry& g = s.ws.geo;
};

TEST_F(Zoom, RubberBandAndWheelZoomKeepInsideTheExtentAndTheWheelThePoint) {
  // A rubber band gives the same rectangle drawn either way; a rectangle must
  // lie strictly inside the extent.
  MapTransform t = screenTransform(g, view, 1000, 720);
  LogicalRect a = zoomRectFromPoints(t, 100, 100, 300, 250);
  EXPECT_EQ(a, zoomRectFromPoints(t, 300, 250, 100, 100));
  EXPECT_GT(a.w, 0);
  EXPECT_GT(a.h, 0);
  EXPECT_TRUE(zoomRectAcceptable(g, {1, 1, 3071, 2247}));
  for (LogicalRect r : {LogicalRect{0, 100, 500, 500}, LogicalRect{100, 100, 2973, 500},
                        LogicalRect{100, 100, 500, 2149}, LogicalRect{100, 100, 0, 50}, LogicalRect{100, 100, 50, -5}})
    EXPECT_FALSE(zoomRectAcceptable(g, r)) << r.x << " " << r.y << " " << r.w << " " << r.h;

  // The wheel zooms about the point, within its limits.
  const ScreenArea screen{1000, 720};
  auto shownPosition = [&](double x) { return screenTransform(g, view, screen.width, screen.height).toDeviceX(x); };
  const double before = shownPosition(700);
  ASSERT_TRUE(zoomAbout(s, view, z, 700, 500, 0.5, &screen));
  EXPECT_TRUE(view.zoomed);
  EXPECT_NEAR(view.zoom.w, 3073 * 0.5 / 1.05, 2);
  EXPECT_NEAR(shownPosition(700), before, 1.5);
  // Never closer than two cells.
  for (int i = 0; i < 30; ++i) zoomAbout(s, view, z, 700, 500, 0.5);
  EXPECT_NEAR(std::min(view.zoom.w, view.zoom.h), 2 * g.cellSize, 1);
  EXPECT_FALSE(zoomAbout(s, view, z, 700, 500, 0.5)) << "already at the limit";
  // Out past the whole map leaves the zoom; out from the whole map is nothing.
  EXPECT_TRUE(zoomAbout(s, view, z, 700, 500, 1e6));
  EXPECT_FALSE(view.zoomed);
  EXPECT_FALSE(zoomAbout(s, view, z, 700, 500, 2));
  // Points off the map and broken factors stay inside the extent or do nothing.
  ASSERT_TRUE(zoomAbout(s, view, z, -5000, 99999, 0.3));
  EXPECT_TRUE(zoomRectAcceptable(g, view.zoom));
  EXPECT_FALSE(zoomAbout(s, view, z, 100, 100, 0));
  EXPECT_FALSE(zoomAbout(s, view, z, 100, 100, std::nan("")));
}

TEST_F(Zoom, ZoomToDataFramesTheCellsHoldingRecordsWithAMargin) {
  s.ws.cells.resize(static_cast<std::size_t>(g.cells) + 2);
  buildCellCorners(s.ws);
  s.ws.cards.reset(3);
  s.ws.taxaCount = 2;
  for (GridCell& c : s.ws.cells) c.background = 1;
  EXPECT_FALSE(zoomToData(s, view, z)) << "no records";
  s.ws.cards.setLevel(0, 1, 1);
  s.ws.cards.setLevel(1, g.cells, 2);
  EXPECT_FALSE(zoomToData(s, view, z)) << "records in opposite corners: the whole frame";
  s.ws.cards.setLevel(0, 1, 0);
  s.ws.cards.setLevel(1, g.cells, 0);
  // A southern-African block of records: columns 5-7 of rows 15-18, on a
  // grid whose cells cover the world.
  for (int r = 15; r <= 18; ++r)
    for (int c = 5; c <= 7; ++c) s.ws.cards.setLevel((r + c) % 2, (r - 1) * 36 + c, 1);
  ASSERT_TRUE(zoomToData(s, view, z));
  EXPECT_EQ(view.zoom, (LogicalRect{160 + 3 * 72, 160 + 13 * 72, 5 * 72, 6 * 72}));
}

TEST_F(Zoom, ZoomingSavesTheFillAndUnzoomingRestoresIt) {
  setDefaults(s.settings);
  ASSERT_EQ(s.settings.fillFrameCoast, Flag::kOn);
  EXPECT_FALSE(zoomTo(s, view, z, {0, 0, 3073, 2249}));
  EXPECT_FALSE(view.zoomed);
  EXPECT_EQ(s.settings.fillFrameCoast, Flag::kOn);
  view.zoomArmed = true;
  s.settings.zoomArmed = Flag::kOn;
  ASSERT_TRUE(zoomTo(s, view, z, {400, 300, 800, 400}));
  EXPECT_FALSE(view.zoomArmed);
  EXPECT_EQ(s.settings.zoomArmed, Flag::kOff);
  EXPECT_TRUE(view.zoomed);
  EXPECT_TRUE(s.zoomed);
  EXPECT_EQ(s.settings.fillFrameCoast, Flag::kOff);
  // A second zoom keeps the fill saved by the first.
  ASSERT_TRUE(zoomTo(s, view, z, {500, 300, 400, 400}));
  unzoom(view, z);
  EXPECT_FALSE(view.zoomed);
  EXPECT_FALSE(s.zoomed);
  EXPECT_EQ(s.settings.fillFrameCoast, Flag::kOn);
}

TEST(Pan, StopsAtTheGridOriginAndFarCorner) {
  Geometry geo;
  ViewState view;
  pan(view, geo, 133, 0);
  EXPECT_EQ(view.zoom, LogicalRect{});  // nothing to pan unzoomed
  view.zoomed = true;
  view.zoom = {200, 200, 400, 300};
  pan(view, geo, -kPanStep, 0);
  EXPECT_EQ(view.zoom, (LogicalRect{160, 200, 400, 300}));
  pan(view, geo, 0, -4 * kPanStep);
  EXPECT_EQ(view.zoom, (LogicalRect{160, 160, 400, 300}));
  pan(view, geo, kPanStep, kPanStep);
  EXPECT_EQ(view.zoom, (LogicalRect{293, 293, 400, 300}));
  for (int i = 0; i < 40; ++i) pan(view, geo, kPanStep, kPanStep);
  EXPECT_EQ(view.zoom, (LogicalRect{2752 - 400, 1888 - 300, 400, 300}));
  // A view already past the origin does not jump back by panning away.
  view.zoom = {50, 50, 400, 300};
  pan(view, geo, -kPanStep, -kPanStep);
  EXPECT_EQ(view.zoom, (LogicalRect{50, 50, 400, 300}));
}

TEST(PrintMapping, WidthPercentageAndZoomShrinkTheViewport) {
  Geometry geo;
  ViewState view;
  PageMetrics page{4960, 7016, 100, 100, 0.7071};
  MapTransform full = printTransform(geo, view, page, 100, false);
  EXPECT_EQ(full.vpW, 4760);
  EXPECT_EQ(full.vpX, 100);
  EXPECT_EQ(full.gap, 1);
  EXPECT_EQ(printTransform(geo, view, page, 100, true).gap, 0);
  view.zoomed = true;
  view.zoom = {400, 300, 1200, 600};
  MapTransform half = printTransform(geo, view, page, 50, false);
  EXPECT_NEAR(half.vpW, 0.45 * 4760, 1);
  EXPECT_EQ(half.vpX, static_cast<int>((4960 - 0.45 * 4760) / 2));
  EXPECT_TRUE(half.printing);
  EXPECT_FALSE(half.thumbnail);
  // Landscape: the height (scaled by the pixel aspect) limits the map.
  PageMetrics landscape{7016, 4960, 100, 100, 0.7071};
  view.zoomed = false;
  MapTransform l = printTransform(geo, view, landscape, 100, false);
  EXPECT_NEAR(l.vpH, 4760 * 0.7071, 1);
  EXPECT_GT(l.vpX, 100);
}

TEST(SaveArea, CaptureRectangles) {
  Geometry geo;
  ViewState view;
  MapTransform t = screenTransform(geo, view, 1000, 720);
  EXPECT_EQ(captureRect(0, view, t, geo, 1000, 720), (DeviceRect{1, 1, 999, 700}));
  EXPECT_EQ(captureRect(1, view, t, geo, 1000, 720), (DeviceRect{0, 0, 1000, 720}));
  EXPECT_EQ(
      captureRect(2, view, t, geo, 1000, 720),
      (DeviceRect{static_cast<int>(t.toDeviceX(160)), static_cast<int>(t.toDeviceY(160)),
                  static_cast<int>(t.toDeviceX(2752 + t.gap + 1)), static_cast<int>(t.toDeviceY(1888 + t.gap + 1))}));
  view.zoomed = true;
  view.zoom = {400, 300, 800, 400};
  EXPECT_EQ(captureRect(2, view, t, geo, 1000, 720), (DeviceRect{0, 0, 1000, 720}));
  EXPECT_TRUE(captureRect(0, view, t, geo, 1, 1).empty());
}

}  // namespace
}  // namespace zn
