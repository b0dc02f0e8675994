// What each layer of the map draws, checked on the pixels of small maps
// over the synthetic coastline (tests/support/map_fixture.h).
#include <gtest/gtest.h>
#include <QPainter>

#include "display/renderer.h"
#include "shell/analyses.h"
#include "tests/support/golden.h"
#include "tests/support/map_fixture.h"

namespace zn {
namespace {

using test::MapFixture;

// Logical coordinates of a point given in coastline source units.
std::pair<int, int> fromSource(int x, int y) {
  return {static_cast<int>((x - 4) / 648.0 * 2592) + 160, static_cast<int>((1 - (y - 155) / 432.0) * 1728) + 160};
}

QRgb pixel(const QImage& img, const MapTransform& t, double x, double y) {
  return img.pixel(static_cast<int>(t.toDeviceX(x)), static_cast<int>(t.toDeviceY(y))) & 0xFFFFFF;
}

QRgb rgb(int r, int g, int b) { return static_cast<QRgb>((r << 16) | (g << 8) | b); }
QRgb rgb(Rgb c) { return rgb(c.r, c.g, c.b); }

// Pixels near colour c: the smoothed edges of lines and spots blend a little.
long countNear(const QImage& img, QRgb c, int tolerance = 24) {
  long n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb p = img.pixel(x, y);
      n += std::abs(qRed(p) - qRed(c)) <= tolerance && std::abs(qGreen(p) - qGreen(c)) <= tolerance &&
           std::abs(qBlue(p) - qBlue(c)) <= tolerance;
    }
  return n;
}

std::string hex(QRgb c) { return QString::number(c & 0xFFFFFF, 16).toStdString(); }

// A fixture's cell n, and its first scored cell.
GridCell& cellOf(MapFixture& f, int n) { return f.s.ws.cells[static_cast<std::size_t>(n)]; }
int firstScored(MapFixture& f) {
  for (int n = 1; n <= f.s.ws.geo.cells; ++n)
    if (cellOf(f, n).scored) return n;
  ADD_FAILURE() << "no scored cell";
  return 1;
}
// The fixture scored on its land and classed.
void scoreAndClass(MapFixture& f) {
  f.scoreLand();
  f.classify();
}
// The device column just right of the scale bar's grey backing.
int keyRight(const MapTransform& t, const Geometry& g) {
  return static_cast<int>(t.toDeviceX(g.farX + (g.extentX - g.farX) / 3 - 13 + (g.farX - g.originX) / 100 + 16)) + 1;
}

// Pixels inside a cell (away from its edges) that `counts`.
template <class Counts>
long inCell(const QImage& img, const MapTransform& t, const GridCell& cell, Counts counts) {
  long n = 0;
  const int x0 = static_cast<int>(t.toDeviceX(cell.x0 + 6)), x1 = static_cast<int>(t.toDeviceX(cell.x1 - 6));
  const int y0 = static_cast<int>(t.toDeviceY(cell.y0 + 6)), y1 = static_cast<int>(t.toDeviceY(cell.y1 - 6));
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += counts(img.pixel(x, y));
  return n;
}
long otherThan(const QImage& img, const MapTransform& t, const GridCell& cell, QRgb c) {
  return inCell(img, t, cell, [c](QRgb p) { return (p & 0xFFFFFF) != c; });
}
// Within a smoothed edge of white.
long nearWhite(const QImage& img, const MapTransform& t, const GridCell& cell) {
  return inCell(img, t, cell, [](QRgb p) { return qGray(p) >= 225; });
}

// The map printed at `percent` on a page of `paper` colour, at `dpi` dots
// per inch when given.
QImage printedPage(MapFixture& f, const PageMetrics& page, int percent, QColor paper, int maxPixels, double dpi = 0) {
  QImage image(page.width, page.height, QImage::Format_RGB32);
  if (dpi > 0) {
    image.setDotsPerMeterX(static_cast<int>(dpi / 0.0254));
    image.setDotsPerMeterY(static_cast<int>(dpi / 0.0254));
  }
  image.fill(paper);
  DrawOptions o;
  o.printingPercent = percent;
  {
    QPainter p(&image);
    drawMapOnPage(p, page, f.s, f.d, o, maxPixels);
  }
  return image;
}

TEST(MapLayers, SeaIsFloodFilledFromTheSeedsAndLandKeepsItsColour) {
  MapFixture f;  // dark defaults: fill on, greys
  const QImage img = renderClient(f.s, f.d, 1200, 820);
  const MapTransform& t = f.d.view.last;
  test::showMap(img, "layers_sea_fill");
  const QRgb land = rgb(132, 132, 132), sea = rgb(155, 155, 155);
  auto at = [&](int sx, int sy) {
    auto [x, y] = fromSource(sx, sy);
    return pixel(img, t, x, y);
  };
  EXPECT_EQ(hex(at(380, 400)), hex(land)) << "on the ring around the lake";
  EXPECT_EQ(hex(pixel(img, t, 170, 170)), hex(sea)) << "corner of the frame";
  EXPECT_EQ(hex(at(495, 345)), hex(sea)) << "the lake, filled from its own seed";
}

TEST(MapLayers, ThumbnailHasCellsButNoTitleScaleBarOrNumbers) {
  MapFixture f;
  f.s.settings.coastShown = Flag::kOff;
  f.s.settings.fillFrameCoast = Flag::kOff;
  scoreAndClass(f);
  const QImage big = renderClient(f.s, f.d, 800, 600);
  const MapTransform bt = f.d.view.last;
  const QImage thumb = renderClient(f.s, f.d, 300, 300);
  const MapTransform tt = f.d.view.last;
  test::showMap(thumb, "layers_thumbnail");
  ASSERT_TRUE(tt.thumbnail);
  const QRgb window = rgb(192, 192, 192);
  // Scale bar box of class 0, and the title's first letters.
  EXPECT_NE(hex(pixel(big, bt, 2860, 164 + 32 * 26 + 10)), hex(window));
  EXPECT_EQ(hex(pixel(thumb, tt, 2860, 164 + 32 * 26 + 10)), hex(window));
  // A scored cell: filled in both, a number only in the big map.
  const GridCell& c = cellOf(f, firstScored(f));
  const QRgb colour = rgb(f.d.palette.at(c.classNumber));
  EXPECT_GT(otherThan(big, bt, c, colour), 0) << "number in the cell";
  EXPECT_EQ(otherThan(thumb, tt, c, colour), 0) << "no number in a thumbnail";
}

TEST(MapLayers, BlackWhiteCoastFollowsThePixelsBelow) {
  struct Case {
    const char* what;
    int background;
    std::int32_t cellColour;  // plain RGB
    QRgb marked, unmarked;
  };
  // Black background: white where both ends are dark, dark grey elsewhere.
  // Other backgrounds: white where both ends are dark, black elsewhere.
  const Case cases[] = {
      {"black background, light cells", 1, 0x00FFFFFF, rgb(255, 255, 255), rgb(63, 63, 63)},
      {"white background, dark cells", 2, 0x007D0000, rgb(255, 255, 255), rgb(0, 0, 0)},
  };
  for (const Case& c : cases) {
    MapFixture f;
    f.s.settings.fillFrameCoast = Flag::kOff;
    f.s.settings.backgroundColour = static_cast<Shade>(c.background);
    f.s.settings.coastColour = CoastColour::kBlackWhite;
    for (int n = 1; n <= 864; ++n) {
      cellOf(f, n).scored = cellOf(f, n).background;
      cellOf(f, n).fillColour = c.cellColour;
    }
    const QImage img = renderClient(f.s, f.d, 1200, 820);
    test::showMap(img, std::string("layers_coast_bw_") + std::to_string(c.background));
    // Light cells under the coast on black: the inner coast vertices lie on
    // cells, the outer ones on the background, so both colours appear.
    EXPECT_GT(countNear(img, c.marked), 50) << c.what;
    EXPECT_GT(countNear(img, c.unmarked), 50) << c.what;
  }
}

TEST(MapLayers, OnlySeedAreasAreMarkedWithSeedsOnly) {
  MapFixture f;
  f.s.settings.fillFrameCoast = Flag::kOff;
  f.s.areas.cells = {40, 41, 42, 43, 44, 45, 46, 47, 48, 49};
  f.s.areas.seedCount = 3;
  struct Case {
    int display, marked;
  };
  for (Case c : {Case{1, 3}, Case{2, 10}, Case{0, 0}}) {
    f.s.settings.selectedAreasDisplay = static_cast<AreasShown>(c.display);
    const QImage img = renderClient(f.s, f.d, 1200, 820);
    const MapTransform& t = f.d.view.last;
    int marked = 0, numbered = 0;
    for (int n : f.s.areas.cells) {
      // Left part of the marker, clear of its number; its position, in the
      // white that reads on the marker's grey.
      marked += pixel(img, t, cellOf(f, n).x0 + 16, cellOf(f, n).y0 + 36) == rgb(127, 127, 127);
      numbered += nearWhite(img, t, cellOf(f, n)) > 0;
    }
    EXPECT_EQ(marked, c.marked) << "display " << c.display;
    EXPECT_EQ(numbered, c.marked) << "display " << c.display;
  }
}

TEST(MapLayers, MaxSpotIsBlackWithoutNumbersAndTheTopNumberIsBlackWithThem) {
  MapFixture f(true);  // white background
  f.s.settings.coastShown = Flag::kOff;
  f.s.settings.maxSpot = Flag::kOn;
  f.s.settings.coloursAndNumbers = CellLabels::kColours;
  scoreAndClass(f);
  int top = 0, other = 0;
  for (int n = 1; n <= 864; ++n) {
    if (cellOf(f, n).topValue && !top) top = n;
    if (cellOf(f, n).scored && !cellOf(f, n).topValue && !other) other = n;
  }
  ASSERT_TRUE(top && other);
  const GridCell &tc = cellOf(f, top), &oc = cellOf(f, other);
  QImage img = renderClient(f.s, f.d, 1200, 820);
  MapTransform t = f.d.view.last;
  EXPECT_EQ(hex(pixel(img, t, tc.x0 + 36, tc.y0 + 36)), hex(0));
  EXPECT_NE(hex(pixel(img, t, oc.x0 + 36, oc.y0 + 36)), hex(0));

  f.s.settings.coloursAndNumbers = CellLabels::kColoursAndNumbers;
  img = renderClient(f.s, f.d, 1200, 820);
  // Pixels of black or of white ink inside a cell.
  auto black = [&](const GridCell& c) { return inCell(img, t, c, [](QRgb p) { return qGray(p) < 40; }); };
  auto white = [&](const GridCell& c) { return inCell(img, t, c, [](QRgb p) { return qGray(p) > 225; }); };
  EXPECT_GT(black(tc), 0) << "top number in black";
  // Other numbers are black or white, whichever reads on their cell.
  int dark = 0, light = 0;
  for (int n = 1; n <= 864; ++n) {
    const GridCell& c = cellOf(f, n);
    if (!c.scored || c.topValue || c.count == 0) continue;
    const Rgb fill = f.d.palette.colour(c.fillColour);
    if (0.299 * fill.r + 0.587 * fill.g + 0.114 * fill.b > 140) {
      EXPECT_GT(black(c), 0) << "black on the light cell " << n;
      ++light;
    } else {
      EXPECT_GT(white(c), 0) << "white on the dark cell " << n;
      ++dark;
    }
  }
  EXPECT_GT(light, 0);
  EXPECT_GT(light + dark, 20);
}

TEST(MapLayers, SingleCellUpdateRedrawsOnlyTheTopLayers) {
  MapFixture f;
  scoreAndClass(f);
  f.s.areas.cells = {400};
  f.s.areas.seedCount = 1;
  QImage img = renderClient(f.s, f.d, 1200, 820);
  const MapTransform t = f.d.view.last;
  const GridCell& c = cellOf(f, 400);
  QPainter(&img).fillRect(img.rect(), Qt::magenta);
  DrawOptions o;
  o.singleCellUpdate = 400;
  renderMap(img, t, f.s, f.d, o);
  EXPECT_EQ(hex(pixel(img, t, c.x0 + 3, c.y0 + 3)), hex(rgb(255, 0, 255))) << "cell layer skipped";
  EXPECT_EQ(hex(pixel(img, t, c.x0 + 16, c.y0 + 36)), hex(rgb(127, 127, 127))) << "marker redrawn";
}

TEST(MapLayers, BackgroundChoices) {
  MapFixture f;
  f.s.settings.fillFrameCoast = Flag::kOff;
  DrawOptions o;
  o.windowColour = QColor(10, 20, 30);
  struct Case {
    int background;
    QRgb expect;
  };
  for (Case c : {Case{0, rgb(10, 20, 30)}, Case{1, rgb(0, 0, 0)}, Case{2, rgb(255, 255, 255)}}) {
    f.s.settings.backgroundColour = static_cast<Shade>(c.background);
    const QImage img = renderClient(f.s, f.d, 900, 600, o);
    EXPECT_EQ(hex(img.pixel(40, 300) & 0xFFFFFF), hex(c.expect)) << "background " << c.background;
    // The status bar strip stays the window's own.
    EXPECT_EQ(hex(img.pixel(40, 590) & 0xFFFFFF), hex(rgb(10, 20, 30)));
  }
}

TEST(MapLayers, PrintedPageHoldsTheMapAtThePercentage) {
  MapFixture f;
  scoreAndClass(f);
  ASSERT_TRUE(zoomTo(f.s, f.d.view, zoomFlags(f.s), {400, 300, 1600, 1000}));
  const PageMetrics page{1000, 1400, 50, 50, 0.7071};
  const QImage paper = printedPage(f, page, 50, Qt::magenta, 300);
  test::showMap(paper, "layers_printed_page");
  int left = paper.width(), right = -1;
  for (int x = 0; x < paper.width(); ++x)
    for (int y = 0; y < paper.height(); y += 7)
      if ((paper.pixel(x, y) & 0xFFFFFF) != rgb(255, 0, 255)) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  EXPECT_NEAR(right - left + 1, 0.45 * 900, 2);
  EXPECT_NEAR(left, (1000 - 0.45 * 900) / 2, 2);
}

TEST(MapLayers, DamagedStateDrawsWithoutFault) {
  MapFixture f;
  scoreAndClass(f);
  f.s.coast.countA = 5000;  // more than the points held
  f.s.coast.countB = -7;
  f.s.ws.cells[3].background = 99;
  f.s.ws.cells[4].fillColour = paletteIndexRef(9000);
  f.s.ws.cells[4].scored = 1;
  f.s.ws.cells[5].flexClass = -12;
  f.s.areas.cells = {0, -4, 100000, 5};
  f.s.areas.seedCount = 50;
  f.s.settings.selectedAreasDisplay = AreasShown::kSeeds;
  f.s.map.show(mapTraits(kCodeNearMinimum));
  f.s.gridTypes.current = 4;
  f.d.classes.limits.clear();
  for (int bg : {0, 1, 2})
    for (int w : {1, 40, 301, 900}) {
      f.s.settings.backgroundColour = static_cast<Shade>(bg);
      const QImage img = renderClient(f.s, f.d, w, w * 2 / 3);
      EXPECT_EQ(img.width(), w);
    }
  f.s.ws.cells.clear();
  f.s.ws.lattice.clear();
  EXPECT_FALSE(renderClient(f.s, f.d, 500, 400).isNull());
}

TEST(MapLayers, OverlayTitleWritesTwoLines) {
  MapFixture f(true);
  scoreAndClass(f);
  auto secondLineInk = [&](const DrawOptions& o) {
    const QImage img = renderClient(f.s, f.d, 1200, 820, o);
    const MapTransform& t = f.d.view.last;
    long ink = 0;
    for (int y = static_cast<int>(t.toDeviceY(1888 + 64 + 72)); y < t.toDeviceY(1888 + 64 + 144); ++y)
      for (int x = static_cast<int>(t.toDeviceX(160)); x < t.toDeviceX(1200); ++x) ink += qGray(img.pixel(x, y)) < 128;
    return ink;
  };
  DrawOptions plain;
  EXPECT_EQ(secondLineInk(plain), 0);
  DrawOptions pair;
  pair.overlayTitle.kind = OverlayTitle::Pair;
  pair.overlayTitle.first = "richness";
  pair.overlayTitle.second = "rarity";
  EXPECT_GT(secondLineInk(pair), 20);
}

TEST(MapLayers, MaxDataLevelMapDrawsSpotsByLevel) {
  MapFixture f;
  f.s.settings.fillFrameCoast = Flag::kOff;
  f.s.settings.coastShown = Flag::kOff;
  f.s.map.show(mapTraits(kCodeMaxLevel));
  const int cells[] = {300, 302, 304, 306};
  for (int level = 1; level <= 4; ++level) {
    GridCell& c = cellOf(f, cells[level - 1]);
    c.count = level;
    c.score = level;
    c.scored = 1;
  }
  const QImage img = renderClient(f.s, f.d, 1200, 820);
  const MapTransform& t = f.d.view.last;
  const int dark[] = {2, 9, 16, 21};
  for (int level = 1; level <= 4; ++level) {
    const GridCell& c = cellOf(f, cells[level - 1]);
    EXPECT_EQ(hex(pixel(img, t, c.x0 + 36, c.y0 + 36)), hex(rgb(f.d.palette.at(dark[level - 1])))) << "level " << level;
    EXPECT_EQ(hex(pixel(img, t, c.x0 + 2, c.y0 + 2)), hex(rgb(192, 192, 192))) << "a spot, not a square";
  }
}

TEST(MapLayers, HighlightSpotOnTheClickedCell) {
  MapFixture f(true);
  f.s.settings.coastShown = Flag::kOff;
  scoreAndClass(f);
  const int n = firstScored(f);
  const GridCell& c = cellOf(f, n);
  DrawOptions o;
  o.clickedCell = n;
  o.highlightClicked = true;
  f.s.settings.coloursAndNumbers = CellLabels::kColours;
  const QImage plain = renderClient(f.s, f.d, 1200, 820);
  const QImage lit = renderClient(f.s, f.d, 1200, 820, o);
  const MapTransform& t = f.d.view.last;
  // The spot's white outline crosses the cell's middle row at its inset.
  long white = 0;
  const int y = static_cast<int>(t.toDeviceY(c.y0 + 36));
  for (int x = static_cast<int>(t.toDeviceX(c.x0 + 3)); x < t.toDeviceX(c.x1 - 3); ++x) {
    white += qGray(lit.pixel(x, y)) > 225;
    EXPECT_NE(plain.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu);
  }
  EXPECT_GE(white, 2);
}

TEST(MapLayers, FineGridSpotsAreSinglePixelsAtCellCorners) {
  MapFixture f(true);  // white background
  f.s.settings.coastShown = Flag::kOff;
  f.s.settings.frameShown = Flag::kOff;
  f.s.settings.fineGridShown = Flag::kOn;
  f.s.settings.fineGridStyle = FineGridStyle::kSpots;
  f.s.settings.fineGridColour = Shade::kBlack;  // black
  const QImage img = renderClient(f.s, f.d, 1200, 820);
  const MapTransform& t = f.d.view.last;
  const GridCell& c = cellOf(f, 2 * 36 + 5);
  const int x = static_cast<int>(t.toDeviceX(c.x0)), y = static_cast<int>(t.toDeviceY(c.y0));
  EXPECT_EQ(hex(img.pixel(x, y) & 0xFFFFFF), hex(0));
  EXPECT_EQ(hex(img.pixel(x + 2, y) & 0xFFFFFF), hex(0xFFFFFF));
  // Cells of the first row and column have none.
  const GridCell& first = cellOf(f, 1 * 36 + 1);
  EXPECT_EQ(hex(pixel(img, t, first.x0, first.y0 + 1)), hex(0xFFFFFF));
}

TEST(MapLayers, RegionalGridsDrawTheWorldsCoastUnderTheirCells) {
  MapFixture f(true);
  const QImage world = renderClient(f.s, f.d, 1200, 820);
  f.s.coastApplies = CoastOutline::kNone;  // a regional grid: the world's cells and coast
  f.s.gridTypes.current = 2;
  EXPECT_TRUE(renderClient(f.s, f.d, 1200, 820) == world) << "the coast, and no outlined squares";
  int land = 0, sea = 0;
  for (int n = 1; n <= 864; ++n) (cellOf(f, n).background == 1 ? land : sea) = n;
  ASSERT_TRUE(land && sea);

  // With the frame-coast fill, regional grids are filled by background class.
  MapFixture g;
  g.s.coastApplies = CoastOutline::kNone;
  g.s.gridTypes.current = 2;
  cellOf(g, land).background = 2;
  const QImage filled = renderClient(g.s, g.d, 1200, 820);
  for (auto [n, entry] : {std::pair{land, 36}, std::pair{sea, 37}})
    EXPECT_EQ(hex(pixel(filled, g.d.view.last, cellOf(g, n).x0 + 36, cellOf(g, n).y0 + 36)),
              hex(rgb(g.d.palette.at(entry))))
        << "cell " << n;
}

// Rows of the band right of the scale bar that hold pixels of `ink`, as
// runs of consecutive rows (one run per line of text).
std::vector<int> inkRuns(const QImage& img, int left, int top, int right, int bottom, QRgb ink) {
  std::vector<int> runs;
  int run = 0;
  // Smoothed text: a pixel within 80 grey levels of the ink is ink.
  auto inked = [&](QRgb p) { return std::abs(qGray(p) - qGray(ink)) < 80; };
  for (int y = top; y < bottom; ++y) {
    bool any = false;
    for (int x = left; x < right && !any; ++x) any = inked(img.pixel(x, y));
    if (any) {
      ++run;
    } else if (run > 0) {
      runs.push_back(run);
      run = 0;
    }
  }
  if (run > 0) runs.push_back(run);
  return runs;
}

TEST(MapKey, LabelsAreReadableInAContrastingInkAtAnySize) {
  for (int background : {0, 1}) {  // grey, black
    MapFixture f;
    f.s.settings.backgroundColour = static_cast<Shade>(background);
    scoreAndClass(f);
    const QImage img = renderClient(f.s, f.d, 1000, 700);
    test::showMap(img, "key_numbers_" + std::to_string(background));
    const MapTransform t = f.d.view.last;
    const Geometry& g = f.s.ws.geo;
    const QRgb ink = background == 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    const auto runs = inkRuns(img, keyRight(t, g), static_cast<int>(t.toDeviceY(g.originY)), img.width() - 2,
                              static_cast<int>(t.toDeviceY(g.farY)), ink);
    ASSERT_GE(runs.size(), 4u) << "background " << background;
    // Digits of a 12-pixel face stand about 9 pixels; none run together.
    for (int r : runs) {
      EXPECT_GE(r, 8) << "background " << background;
      EXPECT_LE(r, 14) << "labels overlap";
    }
  }
}

// A small map on a 300 dpi page: white where the screen is grey, no cell
// numbers too small to read, and a key of at least 8 points.
TEST(MapKey, PrintedPageIsWhiteWithReadableTextOnly) {
  MapFixture f;
  f.s.settings.backgroundColour = Shade::kGrey;
  f.s.settings.coastShown = Flag::kOff;  // nothing but numbers crosses a cell
  f.s.settings.fillFrameCoast = Flag::kOff;
  scoreAndClass(f);
  constexpr double kDpi = 300;
  const PageMetrics page{2480, 3508, 0, 0, 0.70710678};
  const int percent = 40;
  const QImage paper = printedPage(f, page, percent, Qt::white, 600, kDpi);
  test::showMap(paper, "printed_small");
  // A few smoothed edges of grey lines may come near it; a filled window
  // would be most of a million pixels.
  EXPECT_LT(countNear(paper, rgb(192, 192, 192), 2), 1000) << "no grey of the screen's background";
  const MapTransform t = printTransform(f.s.ws.geo, f.d.view, page, percent, false);
  int numbered = 0;
  for (int n = 1; n <= f.s.ws.geo.cells; ++n) {
    const GridCell& c = cellOf(f, n);
    if (c.count > 0) numbered += otherThan(paper, t, c, pixel(paper, t, c.x0 + 6, c.y0 + 6)) > 0;
  }
  EXPECT_EQ(numbered, 0) << "cells holding numbers of a few points";
  const Geometry& g = f.s.ws.geo;
  const auto labels = inkRuns(paper, keyRight(t, g), static_cast<int>(t.toDeviceY(g.originY)), t.vpX + t.vpW,
                              static_cast<int>(t.toDeviceY(g.farY)), qRgb(0, 0, 0));
  ASSERT_GE(labels.size(), 2u);
  // Digits stand about 0.7 of the face, less their smoothed edges: 8 points
  // at 300 dpi are 33 pixels, digits of the bar's own size a quarter of it.
  for (int r : labels) EXPECT_GE(r, 0.5 * 8 * kDpi / 72) << "key labels of 8 points or more";
}

TEST(MapKey, CategoryMapsGetWordsAndTheMeasureAsTitle) {
  MapFixture f(true);
  f.scoreLand();
  // A near-minimum set on the flexibility map: two kinds of area.
  int shown = 0;
  for (int n = 1; n <= f.s.ws.geo.cells; ++n) {
    GridCell& c = cellOf(f, n);
    c.score = c.background == 1 && n % 7 == 0 ? (n % 2 ? 4.0 : 3.0) : 0.0;
    shown += c.score > 0;
  }
  ASSERT_GT(shown, 4);
  f.s.map.show(mapTraits(kCodeNearMinimum));
  f.s.map.title = "near-minimum set";
  f.s.settings.flexibilityMap = Flag::kOn;
  f.s.settings.nearMinimumGoal = 1;
  f.classify();
  const QImage img = renderClient(f.s, f.d, 1000, 700);
  test::showMap(img, "key_category");
  const MapTransform t = f.d.view.last;
  const Geometry& g = f.s.ws.geo;
  const int barX = static_cast<int>(t.toDeviceX(g.farX + (g.extentX - g.farX) / 3 - 13));
  // Two lines of words beside two samples, and the title above them.
  const auto words = inkRuns(img, barX, static_cast<int>(t.toDeviceY(g.originY)), img.width() - 2,
                             static_cast<int>(t.toDeviceY(g.originY + 400)), qRgb(0, 0, 0));
  EXPECT_EQ(words.size(), 2u);
  const auto title =
      inkRuns(img, barX - 200, 2, img.width() - 2, static_cast<int>(t.toDeviceY(g.originY)), qRgb(0, 0, 0));
  EXPECT_EQ(title.size(), 1u);
}

TEST(MapKey, ScreenPixelRatioAndAPainterKeepTheMappingForTheMouse) {
  MapFixture f;
  scoreAndClass(f);
  const QImage plain = renderClient(f.s, f.d, 600, 400);
  const MapTransform one = f.d.view.last;
  DrawOptions o;
  o.pixelRatio = 2;
  const QImage fine = renderClient(f.s, f.d, 600, 400, o);
  EXPECT_EQ(fine.size(), QSize(1200, 800));
  EXPECT_EQ(fine.devicePixelRatio(), 2.0);
  // The mouse keeps the window's own coordinates.
  const MapTransform& two = f.d.view.last;
  EXPECT_EQ(std::tuple(two.vpX, two.vpY, two.vpW, two.vpH, two.gap),
            std::tuple(one.vpX, one.vpY, one.vpW, one.vpH, one.gap));
  // The same picture, twice as fine: a point inside a cell, clear of its
  // number, has the same colour.
  const GridCell& c = cellOf(f, 9 * 36 + 14);
  ASSERT_EQ(c.scored, 1);
  const double x = one.toDeviceX(c.x0 + 10), y = one.toDeviceY(c.y0 + 10);
  EXPECT_EQ(plain.pixel(static_cast<int>(x), static_cast<int>(y)),
            fine.pixel(static_cast<int>(2 * x), static_cast<int>(2 * y)));
  // Broken ratios draw at one pixel per pixel.
  o.pixelRatio = std::nan("");
  EXPECT_EQ(renderClient(f.s, f.d, 600, 400, o).size(), QSize(600, 400));

  // Drawn on a painter, the map keeps the mapping for the mouse.
  QImage target(1000, 700, QImage::Format_RGB32);
  {
    QPainter p(&target);
    drawMap(p, QRect(0, 0, 1000, 700), f.s, f.d);
  }
  EXPECT_EQ(f.d.view.last.vpW, std::lround(680 / (2249.0 / 3073)));
  EXPECT_EQ(f.d.view.clientLogical, LogicalRect{});
  ASSERT_TRUE(zoomTo(f.s, f.d.view, zoomFlags(f.s), {400, 300, 800, 600}));
  {
    QPainter p(&target);
    drawMap(p, QRect(0, 0, 1000, 700), f.s, f.d);
  }
  const LogicalRect client = f.d.view.clientLogical;
  EXPECT_LT(client.x, 400);
  EXPECT_GT(client.x + client.w, 1200);
}

}  // namespace
}  // namespace zn
