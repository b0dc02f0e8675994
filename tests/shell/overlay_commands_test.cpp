// The overlay commands on a small world-grid session: the check's refusal,
// the dialog and its counts, the Spearman message, the coincidence and
// randomisation reports in RESULTS, and Convert selected areas.
#include "shell/overlay_commands.h"

#include <algorithm>

#include "display/classing.h"
#include "display/palette.h"
#include "measures/overlay.h"
#include "measures/scores.h"
#include "tests/shell/small_shell.h"

namespace zn::test {
namespace {

class OverlayCommands : public ::testing::Test {
 protected:
  SmallShell sh;
  void SetUp() override {
    sh.start();
    connectOverlayCommands(*sh.shell);
    Session& s = *sh.session;
    for (std::size_t n = 0; n < s.ws.cells.size(); ++n) {
      s.ws.cells[n].score = 0;
      writeBackCell(s.ws, static_cast<int>(n), BackCell{});
    }
  }
  // Foreground and background scores of the cells named.
  void pair(std::initializer_list<std::pair<int, double>> fore, std::initializer_list<std::pair<int, double>> back) {
    Session& s = *sh.session;
    for (auto [n, v] : fore) s.ws.cells[static_cast<std::size_t>(n)].score = v;
    for (auto [n, v] : back) writeBackCell(s.ws, n, BackCell{1, v, 1, 0});
  }
  std::string results() {
    std::string text = readFile(sh.shell->resultsFile());
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }
};

TEST_F(OverlayCommands, PairWithoutSharedCellsIsRefusedBeforeTheDialog) {
  pair({{10, 2}, {20, 3}}, {{30, 1}});
  EXPECT_FALSE(overlayScoresCommand(*sh.shell));
  ASSERT_EQ(sh.host.messages.size(), 1u);
  EXPECT_EQ(sh.host.messages[0].text, "Requires two sets of overlapping map scores-\nuse swap scores.");
  EXPECT_EQ(sh.host.messages[0].caption, "Overlay scores");
  EXPECT_TRUE(sh.host.dialogs.empty());
  EXPECT_EQ(sh.session->overlay.unionCount, 3);
  EXPECT_EQ(sh.session->overlay.sharedCount, 0);
}

TEST_F(OverlayCommands, IdenticalPairGivesTheShortMessageAndTheChosenCells) {
  pair({{10, 2}, {20, 3}, {30, 5}, {40, 1}}, {{10, 2}, {20, 3}, {30, 5}, {50, 4}});
  OverlayDialogModel seen;
  sh.host.onDialog = [&](const std::string&, DialogModel& m) {
    auto& d = dynamic_cast<OverlayDialogModel&>(m);
    seen = d;
    d.method = kOverlayAnd;
  };
  sh.host.dialogAnswers.push_back(true);
  sh.session->settings[kBackgroundColour] = 2;
  sh.session->settings[kScaleType] = kEqualInterval;
  ASSERT_TRUE(overlayScoresCommand(*sh.shell));
  EXPECT_EQ(sh.session->overlay.savedBackgroundColour, 2);
  EXPECT_EQ(sh.session->settings[kBackgroundColour], 0);  // grey
  EXPECT_EQ(sh.session->settings[kMaxNotSeparate], 1);
  EXPECT_EQ(sh.host.dialogs, std::vector<std::string>{kOverlayDialog});
  EXPECT_EQ(seen.orLabel(), "use all cells with scores (logical 'or') 5 cells");
  EXPECT_EQ(seen.andLabel(), "use only shared scores  (logical 'and') 3 cells");
  Session& s = *sh.session;
  EXPECT_EQ(s.settings[kOverlayOption], kOverlayAnd);
  EXPECT_EQ(s.map.occupiedCells, 3);
  EXPECT_EQ(s.map.measureCode, kCodeOverlay);
  ASSERT_EQ(sh.host.messages.size(), 1u);
  EXPECT_EQ(sh.host.messages[0].text, "Spearman rank correlation coefficient (G/B)\nrho= 1.0");
  EXPECT_EQ(s.map.title, "overlay correlation rho= 1.00");
  // Only the shared cells are scored with the 'and' method.
  EXPECT_EQ(s.ws.cells[10].scored, 1);
  EXPECT_EQ(s.ws.cells[40].scored, 0);
  EXPECT_EQ(s.ws.cells[50].scored, 0);
  // Shared scores 2, 3, 5 on both axes: equal-interval classes 0, 3 and 9.
  EXPECT_EQ(s.ws.cells[10].fillColour, paletteIndexRef(40));
  EXPECT_EQ(s.ws.cells[20].fillColour, paletteIndexRef(40 + 33));
  EXPECT_EQ(s.ws.cells[30].fillColour, paletteIndexRef(139));
}

TEST_F(OverlayCommands, CancelledDialogLeavesTheMapAlone) {
  pair({{10, 2}, {20, 3}}, {{10, 1}, {20, 4}});
  const int code = sh.session->map.measureCode;
  sh.host.dialogAnswers.push_back(false);
  EXPECT_FALSE(overlayScoresCommand(*sh.shell));
  EXPECT_EQ(sh.session->map.measureCode, code);
  EXPECT_TRUE(sh.host.messages.empty());
}

TEST_F(OverlayCommands, TwoPresenceOverlaysAppendTheCoincidenceReport) {
  pair({{10, 1}, {20, 1}}, {{20, 1}, {30, 1}, {40, 1}});
  Session& s = *sh.session;
  s.overlay.presence = {true, true};
  s.map.dataTitle = "reserves";
  s.backgroundMap.dataTitle = "hotspots";
  ASSERT_TRUE(overlayScoresCommand(*sh.shell));
  EXPECT_TRUE(sh.host.dialogs.empty());
  EXPECT_NE(results().find("      1  reserves  (alone)\n      1  reserves + hotspots\n      2  hotspots  (alone)\n"),
            std::string::npos)
      << results();
}

TEST_F(OverlayCommands, RandomisationReportIsTheOneTheTimeSeedGives) {
  pair({{10, 2}, {20, 3}, {30, 5}, {40, 1}}, {{10, 2}, {50, 4}});
  ASSERT_TRUE(randomisationTestCommand(*sh.shell));
  // The host's time of day is 1000 and its clock stands still.
  const RandomisationInput in = randomisationInput(overlayCells(*sh.session), 0.0);
  Random rng;
  rng.seed(1000);
  const auto totals = randomDraws(in, rng, {});
  ASSERT_TRUE(totals.has_value());
  const Session& s = *sh.session;
  const std::string expected = randomisationReport(
      in, *totals, {s.backgroundMap.title, s.backgroundMap.dataTitle, s.map.title, s.map.dataTitle}, 0);
  EXPECT_NE(results().find(expected), std::string::npos) << results();
}

TEST_F(OverlayCommands, RandomisationWithoutBackgroundWritesNothing) {
  pair({{10, 2}}, {});
  const std::string before = results();
  EXPECT_FALSE(randomisationTestCommand(*sh.shell));
  EXPECT_EQ(results(), before);
}

TEST_F(OverlayCommands, MenuRandomisationNeedsOnePresenceAndOneQuantitativeMap) {
  pair({{10, 2}, {20, 3}}, {{10, 1}});
  Session& s = *sh.session;
  struct Case {
    bool swapped, view3D, forePresence, backPresence, runs;
  } cases[] = {
      {false, false, false, true, false},
      {true, true, false, true, false},
      {true, false, true, true, false},
      {true, false, false, false, false},
      {true, false, false, true, true},
  };
  for (const Case& c : cases) {
    sh.host.messages.clear();
    sh.host.shellCalls.clear();
    sh.shell->flags.monitorOpen = false;
    sh.shell->flags.scoresSwapped = c.swapped;
    sh.shell->flags.view3D = c.view3D;
    s.map.presenceMap = c.forePresence;
    s.backgroundMap.presenceMap = c.backPresence;
    randomisationMenuCommand(*sh.shell);
    if (c.runs) {
      EXPECT_TRUE(sh.host.messages.empty());
      EXPECT_TRUE(sh.shell->flags.monitorOpen);
    } else {
      ASSERT_EQ(sh.host.messages.size(), 1u);
      EXPECT_EQ(sh.host.messages[0].text, "Requires one presence map and one quantitative map.");
      EXPECT_EQ(sh.host.messages[0].caption, "Randomisation test on overlays");
      EXPECT_FALSE(sh.shell->flags.monitorOpen);
    }
  }
}

TEST_F(OverlayCommands, ConvertSelectedAreasMakesAPresenceMapOfTheSet) {
  Session& s = *sh.session;
  pair({{10, 7}, {60, 2}}, {});
  s.areas.cells = {20, 30, 9999};
  s.map.measureCode = kCodeRichness;
  EXPECT_FALSE(convertSelectedAreasCommand(*sh.shell));  // not the selected-areas map
  s.map.measureCode = kCodeSelectedAreas;
  s.map.dataTitle = "Clicks";
  ASSERT_TRUE(convertSelectedAreasCommand(*sh.shell));
  EXPECT_EQ(s.ws.cells[10].score, 0.0);
  EXPECT_EQ(s.ws.cells[60].score, 0.0);
  EXPECT_EQ(s.ws.cells[20].score, 1.0);
  EXPECT_EQ(s.ws.cells[30].scored, 1);
  EXPECT_EQ(s.map.occupiedCells, 2);
  EXPECT_EQ(s.map.title, "Clicks");
  EXPECT_TRUE(s.overlay.presence[0]);
}

}  // namespace
}  // namespace zn::test
