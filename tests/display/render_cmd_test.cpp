#include <gtest/gtest.h>
#include <QImage>

#include "display/renderer.h"
#include "measures/titles.h"
#include "shell/analyses.h"
#include "shell/mapclasses.h"
#include "shell/measure_commands.h"
#include "store/files.h"
#include "tests/support/map_fixture.h"
#include "tests/support/cli_run.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

// An analysis is drawn as the window shows it after its menu command: its
// own map under its own title. (The tool's measures against the window's
// are the desktop tests'.)
TEST(ZonariumRender, SelectDrawsTheAnalysisUnderItsTitle) {
  test::TempDir dir;
  const fs::path home = dir.path() / "ZONARIUM", png = dir.path() / "greedy.png";
  ASSERT_TRUE(populateProgramFolder(home, shippedProgramData()));
  const auto r = test::runCli({"--home", home.string(), "render", (home / "equal" / "carnivora.dat").string(),
                               "--select", "greedy", "--size", "900x600", "--out", png.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  auto f = test::MapFixture::world();
  ASSERT_TRUE(f);
  ASSERT_TRUE(findAnalysis("greedy")->run(f->s, AnalysisParams{}).ran);
  buildTitle(f->s);
  classMap(f->s, f->d);
  EXPECT_NE(f->s.map.title, "richness");
  EXPECT_EQ(QImage(QString::fromStdString(png.string())).convertToFormat(QImage::Format_RGB32),
            renderClient(f->s, f->d, 900, 600));
}

}  // namespace
}  // namespace zn
