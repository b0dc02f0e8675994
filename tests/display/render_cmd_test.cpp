#include <gtest/gtest.h>
#include <QImage>

#include "display/renderer.h"
#include "measures/titles.h"
#include "shell/analyses.h"
#include "shell/mapclasses.h"
#include "shell/measure_commands.h"
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

}  // namespace
}  // namespace zn
