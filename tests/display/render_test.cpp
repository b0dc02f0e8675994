#include "display/renderer.h"

#include <gtest/gtest.h>
#include <QPainter>

#include "tests/support/golden.h"
#include "tests/support/map_fixture.h"

namespace zn {
namespace {

using test::MapFixture;

QImage render(MapFixture& f, int w = 1200, int h = 820, const DrawOptions& o = {}) {
  return renderClient(f.s, f.d, w, h, o);
}

std::unique_ptr<MapFixture> world(bool light = false) {
  auto f = MapFixture::world(light);
  EXPECT_TRUE(f) << "the shipped program data did not open";
  return f;
}

// Ten areas, the first three seeds.
void selectTenAreas(Session& s) {
  s.areas.cells = {258, 259, 295, 331, 403, 411, 455, 499, 520, 609};
  s.areas.seedCount = 3;
}

TEST(GoldenMaps, DarkDefaults) {
  auto f = world();
  ASSERT_TRUE(f);
  f->classify();
  test::expectMatchesGolden(render(*f), "dark_defaults");
}

TEST(GoldenMaps, LightDefaults) {
  auto f = world(true);
  ASSERT_TRUE(f);
  f->classify();
  test::expectMatchesGolden(render(*f), "light_defaults");
}

TEST(GoldenMaps, MonochromeWithBlackWhiteCoastAndFineGrid) {
  auto f = world(true);
  ASSERT_TRUE(f);
  chooseColourMode(f->s.settings, kMonoLog, f->d.palette);
  f->s.settings.coastColour = CoastColour::kBlackWhite;
  f->s.settings.fineGridShown = Flag::kOn;
  f->s.settings.fineGridStyle = FineGridStyle::kCrosses;
  f->s.settings.scaleType = kEqualInterval;
  f->classify();
  test::expectMatchesGolden(render(*f), "monochrome");
}

TEST(GoldenMaps, ZoomedOnAfrica) {
  auto f = world();
  ASSERT_TRUE(f);
  f->classify();
  ASSERT_TRUE(zoomTo(f->s, f->d.view, {200, 560, 760, 640}));
  test::expectMatchesGolden(render(*f), "zoomed");
}

TEST(GoldenMaps, NumbersOnlyInScalableTitle) {
  auto f = world(true);
  ASSERT_TRUE(f);
  f->s.settings.coloursAndNumbers = CellLabels::kNumbers;
  f->s.settings.numbersColour = NumbersColour::kWhite;  // white numbers turn black on white
  f->s.settings.scalableTitle = Flag::kOn;
  f->s.settings.fineGridShown = Flag::kOn;
  f->s.settings.fineGridStyle = FineGridStyle::kLines;
  f->classify();
  test::expectMatchesGolden(render(*f), "numbers_only");
}

TEST(GoldenMaps, AreaMarkersOnBlackWithBlackWhiteCoast) {
  auto f = world();
  ASSERT_TRUE(f);
  f->s.settings.backgroundColour = Shade::kBlack;
  f->s.settings.fillFrameCoast = Flag::kOff;
  f->s.settings.coastColour = CoastColour::kBlackWhite;
  f->s.settings.selectedAreasDisplay = AreasShown::kSeedsAndSelected;
  selectTenAreas(f->s);
  f->classify();
  test::expectMatchesGolden(render(*f), "markers");
}

TEST(GoldenMaps, ScaleBarHistogramAndMaxSpots) {
  auto f = world(true);
  ASSERT_TRUE(f);
  f->s.settings.scaleBarStyle = ScaleBarStyle::kHistogram;
  f->s.settings.coloursAndNumbers = CellLabels::kColours;
  f->s.settings.maxSpot = Flag::kOn;
  f->s.settings.scaleType = kEqualInterval;
  f->classify();
  test::expectMatchesGolden(render(*f), "histogram");
}

}  // namespace
}  // namespace zn
