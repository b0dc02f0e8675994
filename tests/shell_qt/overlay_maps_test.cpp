// The overlay maps as the program draws them from the shipped carnivores:
// the two-axis display of richness over range-size rarity with its 10 x 10
// key, and a three-axis import with its options window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QRadioButton>

#include "display/palette.h"
#include "display/renderer.h"
#include "measures/overlay.h"
#include "measures/scores.h"
#include "shell/overlay_commands.h"
#include "store/text.h"
#include "tests/support/golden.h"
#include "tests/support/shells.h"
#include "tests/support/widgets.h"
#include "ui/threeaxiswindow.h"

namespace zn::test {
namespace {

class OverlayMaps : public ShellFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(start());
    open("equal/carnivora.dat");
    ASSERT_TRUE(session->ws.datafile.opened);
  }
  QImage draw() { return renderClient(*session, shell->display, 1200, 820); }
  // A pixel of the drawn map at the middle of a cell.
  QRgb at(const QImage& img, int n) {
    const GridCell& c = session->ws.cells[static_cast<std::size_t>(n)];
    const MapTransform& t = shell->display.view.last;
    return img.pixel(static_cast<int>(t.toDeviceX((c.x0 + c.x1) / 2.0)),
                     static_cast<int>(t.toDeviceY((c.y0 + c.y1) / 2.0)));
  }
};

TEST_F(OverlayMaps, TwoAxisDisplayOfRichnessOverRarity) {
  shell->showMeasure(kCodeRichness);
  shell->dispatch(Command::SwapScores);
  shell->showMeasure(kCodeRangeSizeRarity);
  host.dialogAnswers.push_back(true);
  shell->dispatch(Command::OverlayScores);
  ASSERT_EQ(session->map.code(), kCodeOverlay);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text.rfind("Spearman rank correlation coefficient (G/B)\nrho= ", 0), 0u);
  EXPECT_EQ(overlayTitleOf(*session).kind, OverlayTitle::Pair);
  EXPECT_EQ(overlayTitleOf(*session).second, session->backgroundMap.title);
  expectMatchesGolden(draw(), "overlay_two_axis");
  showMap(renderClient(*session, shell->display, 1920, 1080), "overlay_two_axis_large");
}

TEST_F(OverlayMaps, OnePresenceOverlayDotsItsCellsOverTheScoreColours) {
  shell->showMeasure(kCodeRichness);
  // A set of the first few occupied cells becomes the presence map.
  std::vector<int> occupied;
  for (int n = 1; n <= session->ws.geo.cells; ++n)
    if (session->ws.cells[static_cast<std::size_t>(n)].count > 0) occupied.push_back(n);
  ASSERT_GT(occupied.size(), 20u);
  session->areas.cells.assign(occupied.begin(), occupied.begin() + 10);
  shell->dispatch(Command::ConvertSelectedAreas);
  ASSERT_EQ(session->map.code(), kCodeSelectedAreas);
  shell->dispatch(Command::SwapScores);
  shell->showMeasure(kCodeRichness);
  host.dialogAnswers.push_back(true);
  shell->dispatch(Command::OverlayScores);
  ASSERT_EQ(session->map.code(), kCodeOverlay);
  EXPECT_EQ(overlayTitleOf(*session).kind, OverlayTitle::OnePresence);
  const QImage img = draw();
  showMap(img, "overlay_one_presence");
  const QRgb dark = qRgb(0, 0, 0);
  EXPECT_EQ(at(img, occupied[0]) & 0xFFFFFF, dark & 0xFFFFFF) << "a presence cell has the dark dot";
  const GridCell& other = session->ws.cells[static_cast<std::size_t>(occupied[15])];
  const Rgb want = shell->display.palette.colour(other.fillColour);
  EXPECT_NE(other.fillColour, 0);
  EXPECT_EQ(at(img, occupied[15]) & 0xFFFFFF, qRgb(want.r, want.g, want.b) & 0xFFFFFF) << "others show their class";
}

TEST_F(OverlayMaps, ThreeAxisImportWithItsOptionsWindow) {
  // Richness, rarity and latitude band of every occupied cell as a "#5" file.
  shell->showMeasure(kCodeRichness);
  std::vector<double> richness(static_cast<std::size_t>(session->ws.geo.cells) + 1);
  for (int n = 1; n <= session->ws.geo.cells; ++n)
    richness[static_cast<std::size_t>(n)] = session->ws.cells[static_cast<std::size_t>(n)].score;
  shell->showMeasure(kCodeRangeSizeRarity);
  std::string text = "richness\nrange-size rarity\nrow\n#5\n";
  for (int n = 1; n <= session->ws.geo.cells; ++n) {
    const GridCell& c = session->ws.cells[static_cast<std::size_t>(n)];
    if (richness[static_cast<std::size_t>(n)] > 0)
      text += strprintf("%d %g %g %d\n", n, richness[static_cast<std::size_t>(n)], c.score, c.row);
  }
  const auto file = tmp.path() / "three.txt";
  writeFile(file, text);
  host.openFiles.push_back(file);
  shell->dispatch(Command::ImportScores);
  ASSERT_TRUE(shell->flags.view3D);
  EXPECT_EQ(session->map.title, "imported scores (three.txt)");
  expectMatchesGolden(draw(), "overlay_three_axis");

  // The window shows the import's settings and its Redraw applies new ones.
  ThreeAxisWindow w(*shell);
  EXPECT_TRUE(w.axisButton(0, 0)->isChecked());
  EXPECT_TRUE(w.axisButton(2, 2)->isChecked());
  EXPECT_EQ(w.titleEdit(1)->text(), "range-size rarity");
  test::click(w.onBox(2));          // red off
  test::click(w.axisButton(1, 0));  // blue shows richness too
  test::click(w.anyScoreBox());
  w.titleEdit(1)->selectAll();
  QTest::keyClicks(w.titleEdit(1), "rarity");
  test::click(buttonLabelled(w, "Redraw"));
  const ThreeAxisBuffer& b = session->overlay.threeAxis;
  EXPECT_EQ(b.axisOfColour, (std::array<int, 3>{0, 0, 2}));
  EXPECT_FALSE(b.on[2]);
  EXPECT_TRUE(b.anyScore);
  EXPECT_EQ(b.titles[1], "rarity");
  // With red off no entry of the block has any red.
  for (int i = 0; i < shell->display.palette.classCount; ++i) ASSERT_EQ(shell->display.palette.at(i).r, 0) << i;
  saveScreenshot(w, "threeaxis_window.png");
}

}  // namespace
}  // namespace zn::test
