#include "display/renderer.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/support/golden.h"
#include "tests/support/map_fixture.h"

namespace zn {
namespace {

using test::MapFixture;

// Each case sets its options on the dark or light defaults of the shipped
// world data; the map is then classed and drawn at 1200 x 820.
TEST(GoldenMaps, DrawAsTheirImages) {
  struct Case {
    const char* golden;
    bool light;
    std::function<void(MapFixture&)> set;
  };
  const Case cases[] = {
      {"dark_defaults", false, [](MapFixture&) {}},
      {"light_defaults", true, [](MapFixture&) {}},
      {"monochrome", true,
       [](MapFixture& f) {
         chooseColourMode(f.s.settings, kMonoLog, f.d.palette);
         f.s.settings.coastColour = CoastColour::kBlackWhite;
         f.s.settings.fineGridShown = Flag::kOn;
         f.s.settings.fineGridStyle = FineGridStyle::kCrosses;
         f.s.settings.scaleType = kEqualInterval;
       }},
      {"zoomed", false,  // on Africa
       [](MapFixture& f) { EXPECT_TRUE(zoomTo(f.s, f.d.view, zoomFlags(f.s), {200, 560, 760, 640})); }},
      {"numbers_only", true,
       [](MapFixture& f) {
         f.s.settings.coloursAndNumbers = CellLabels::kNumbers;
         f.s.settings.numbersColour = NumbersColour::kWhite;  // white numbers turn black on white
         f.s.settings.scalableTitle = Flag::kOn;
         f.s.settings.fineGridShown = Flag::kOn;
         f.s.settings.fineGridStyle = FineGridStyle::kLines;
       }},
      {"markers", false,
       [](MapFixture& f) {
         f.s.settings.backgroundColour = Shade::kBlack;
         f.s.settings.fillFrameCoast = Flag::kOff;
         f.s.settings.coastColour = CoastColour::kBlackWhite;
         f.s.settings.selectedAreasDisplay = AreasShown::kSeedsAndSelected;
         // Ten areas, the first three seeds.
         f.s.areas.cells = {258, 259, 295, 331, 403, 411, 455, 499, 520, 609};
         f.s.areas.seedCount = 3;
       }},
      {"histogram", true,
       [](MapFixture& f) {
         f.s.settings.scaleBarStyle = ScaleBarStyle::kHistogram;
         f.s.settings.coloursAndNumbers = CellLabels::kColours;
         f.s.settings.maxSpot = Flag::kOn;
         f.s.settings.scaleType = kEqualInterval;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.golden);
    auto f = MapFixture::world(c.light);
    ASSERT_TRUE(f) << "the shipped program data did not open";
    c.set(*f);
    f->classify();
    test::expectMatchesGolden(renderClient(f->s, f->d, 1200, 820), c.golden);
  }
}

}  // namespace
}  // namespace zn
