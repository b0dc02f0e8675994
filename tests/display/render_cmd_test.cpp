#include <gtest/gtest.h>
#include <QImage>

#include "display/measurekind.h"
#include "display/renderer.h"
#include "display/scalebar.h"
#include "measures/titles.h"
#include "selection/nearminimum.h"
#include "shell/analyses.h"
#include "shell/mapclasses.h"
#include "shell/measure_commands.h"
#include "shell/nearminimum_runs.h"
#include "store/binio.h"
#include "store/files.h"
#include "tests/support/golden.h"
#include "tests/support/map_fixture.h"
#include "tests/support/cli_run.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

test::CliOutput zonarium(const fs::path& home, std::vector<std::string> args) {
  args.insert(args.begin(), {"--home", home.string()});
  return test::runCli(args);
}

class ZonariumRender : public ::testing::Test {
 protected:
  test::TempDir dir;
  fs::path home = dir.path() / "ZONARIUM";
  fs::path data = home / "equal" / "carnivora.dat";
  void SetUp() override { ASSERT_TRUE(populateProgramFolder(home, shippedProgramData())); }
  QImage image(const fs::path& p) { return QImage(QString::fromStdString(p.string())); }
};

TEST_F(ZonariumRender, DrawsWhatTheWindowShowsAtThatSize) {
  const fs::path png = dir.path() / "richness.png";
  auto r =
      zonarium(home, {"render", data.string(), "--measure", "richness", "--size", "1200x820", "--out", png.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const QImage got = image(png);
  ASSERT_EQ(got.size(), QSize(1200, 820));
  test::showMap(got, "cli_richness");
  // The same map drawn from a session that opened the data itself.
  auto f = test::MapFixture::world();
  ASSERT_TRUE(f);
  f->classify();
  const QImage want = renderClient(f->s, f->d, 1200, 820);
  EXPECT_EQ(got.convertToFormat(QImage::Format_RGB32), want);
}

// An analysis is drawn as the window shows it after its menu command: its
// own map under its own title.
TEST_F(ZonariumRender, SelectDrawsTheAnalysisUnderItsTitle) {
  const fs::path png = dir.path() / "greedy.png";
  auto r = zonarium(home, {"render", data.string(), "--select", "greedy", "--size", "900x600", "--out", png.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  auto f = test::MapFixture::world();
  ASSERT_TRUE(f);
  ASSERT_TRUE(findAnalysis("greedy")->run(f->s, AnalysisParams{}).ran);
  buildTitle(f->s);
  classMap(f->s, f->d);
  EXPECT_NE(f->s.map.title, "richness");
  EXPECT_EQ(image(png).convertToFormat(QImage::Format_RGB32), renderClient(f->s, f->d, 900, 600));
}

TEST_F(ZonariumRender, FileTypeByExtension) {
  const fs::path bmp = dir.path() / "map.BMP", pdf = dir.path() / "map.pdf";
  ASSERT_EQ(zonarium(home, {"render", data.string(), "--measure", "rare-quartile", "--size", "400x300", "--out",
                            bmp.string()})
                .rc,
            0);
  const std::string b = test::readFile(bmp);
  ASSERT_GE(b.size(), 54u);
  const auto* u = reinterpret_cast<const unsigned char*>(b.data());
  EXPECT_EQ(b.substr(0, 2), "BM");
  EXPECT_EQ(readI32(u + 18), 400);
  EXPECT_EQ(readI32(u + 22), 300);
  EXPECT_EQ(readU16(u + 28), 24);
  ASSERT_EQ(zonarium(home, {"render", data.string(), "--measure", "richness", "--out", pdf.string()}).rc, 0);
  EXPECT_EQ(test::readFile(pdf).substr(0, 5), "%PDF-");
}

TEST_F(ZonariumRender, OptionsFileChoosesTheDrawingSettings) {
  Settings light;
  light.lightDefaults = Flag::kOn;
  setDefaults(light);
  const fs::path opp = dir.path() / "light.opp";
  ASSERT_TRUE(writeOptions(light, opp));
  const fs::path png = dir.path() / "light.png";
  auto r = zonarium(home, {"render", data.string(), "--measure", "richness", "--options", opp.string(), "--size",
                           "600x420", "--out", png.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(image(png).pixel(30, 200) & 0xFFFFFF, 0xFFFFFFu) << "white background of the light defaults";
}

// The real near-minimum set of the carnivores on the flexibility map: its
// key names the kinds of area in words, in black on the light background.
TEST(WordedKey, NearMinimumSetOnTheFlexibilityMap) {
  auto f = test::MapFixture::world(true);
  ASSERT_TRUE(f);
  Session& s = f->s;
  s.settings.flexibilityMap = Flag::kOn;
  s.settings.nearMinimumGoal = 1;
  ASSERT_TRUE(runNearMinimumSet(s, SelectionEnv{}).ran);
  ASSERT_EQ(buildTitle(s), TitleOutcome::Classify);
  f->classify();
  const auto key = categoryKey(s, measureKind(s.map));
  ASSERT_FALSE(key.empty()) << s.map.title;
  for (const KeyEntry& e : key)
    EXPECT_TRUE(e.text == "irreplaceable (R)" || e.text == "flexible (O)" || e.text == "partial alternative" ||
                e.text == "seed")
        << e.text;
  const QImage img = renderClient(s, f->d, 1200, 860);
  test::showMap(img, "near_minimum_key");
  const MapTransform t = f->d.view.last;
  const Geometry& g = s.ws.geo;
  int ink = 0;
  for (int y = static_cast<int>(t.toDeviceY(g.originY)); y < t.toDeviceY(g.originY + 300); ++y)
    for (int x = static_cast<int>(t.toDeviceX(g.farX + 20)); x < img.width(); ++x)
      ink += (img.pixel(x, y) & 0xFFFFFF) == 0;
  EXPECT_GT(ink, 40) << "words beside the samples";
}

}  // namespace
}  // namespace zn
