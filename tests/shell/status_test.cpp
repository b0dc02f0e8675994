#include "shell/status.h"

#include <gtest/gtest.h>

#include "tests/support/scripted_host.h"

namespace zn {
namespace {

struct StatusFixture : ::testing::Test {
  test::ScriptedHost host;
  Session s{host, "/nowhere"};
};

using Texts = std::array<std::string, 3>;

TEST_F(StatusFixture, NothingOpenThenQuantitativeDataWithGroupCode) {
  EXPECT_EQ(statusTexts(s), (Texts{"MAP: none", "DATA: none", "TREATMENT: none"}));
  EXPECT_EQ(exitQuestion(s), "GRID:  None (None)\nDATA:  None (None)");
  s.ws.datafile.opened = true;
  s.ws.datafile.subdir = "equal\\";
  s.ws.datafile.fileName = "acacia.dat";
  s.ws.datafile.title = "*Acacia counts";
  s.ws.datafile.quantitative = true;
  s.map.title = "richness";
  s.gridTypes.types.push_back({"Equal-area world grid", {}, {}});
  EXPECT_EQ(statusTexts(s), (Texts{"MAP: equal", "DATA:*acacia", "TREATMENT: richness"}));
  s.ws.datafile.rescaled = true;
  s.ws.groupCode = "12";
  EXPECT_EQ(statusTexts(s)[1], "DATA:+acacia-12");
  EXPECT_EQ(statusTexts(s, {true, "overlay presence data"}),
            (Texts{"MAP: equal", "DATA:+overlays", "TREATMENT: overlay presence data"}));
  EXPECT_EQ(exitQuestion(s), "GRID:  equal (Equal-area world grid)\nDATA:  acacia.dat (*Acacia counts)");

  // The overlay display names its own treatment.
  EXPECT_FALSE(statusInputs(s).overlaysShown);
  s.map.showBase(kCodeOverlay);
  s.map.title = "overlay correlation rho= 0.42";
  EXPECT_EQ(statusTexts(s, statusInputs(s))[2], "TREATMENT: overlay correlation rho= 0.42");
  s.overlay.presence = {false, true};
  EXPECT_EQ(statusTexts(s, statusInputs(s))[2], "TREATMENT: overlay presence/quantitative data");
  s.overlay.presence = {true, true};
  EXPECT_EQ(statusTexts(s, statusInputs(s))[2], "TREATMENT: overlay presence data");
}

// File names lose a four-character extension; the part edges widen with a
// group code.
TEST(StatusBar, FileNamesAndPartEdges) {
  const std::pair<const char*, const char*> names[] = {
      {"a.dat", "a"}, {"abcd", "abcd"}, {"birds.dat", "birds"}, {"birds_dat", "birds_dat"}, {".dat", ".dat"}};
  for (auto [name, shown] : names) EXPECT_EQ(displayFileName(name), shown) << name;
  EXPECT_EQ(statusPartEdges(1920, false), (std::array<int, 3>{240, 480, 1920}));
  EXPECT_EQ(statusPartEdges(1920, true), (std::array<int, 3>{320, 639, 1920}));
}

}  // namespace
}  // namespace zn
