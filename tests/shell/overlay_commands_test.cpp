// The overlay commands on a small world-grid session: the check's refusal,
// the dialog and its counts, the Spearman message, the coincidence and
// randomisation reports in RESULTS, and Convert selected areas.
#include "shell/overlay_commands.h"

#include <algorithm>

#include "display/classing.h"
#include "display/palette.h"
#include "measures/overlay.h"
#include "measures/scores.h"
#include "shell/mapmeasures.h"
#include "shell/options.h"
#include "tests/support/shells.h"

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
  // Richness swapped into the background, range-size rarity overlaid on it.
  void overlayRarityOnRichness() {
    sh.shell->showMeasure(kCodeRichness);
    sh.shell->dispatch(Command::SwapScores);
    sh.shell->showMeasure(kCodeRangeSizeRarity);
    sh.host.dialogAnswers.push_back(true);
    ASSERT_TRUE(overlayScoresCommand(*sh.shell));
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
    d.scheme = 0;
  };
  sh.host.dialogAnswers.push_back(true);
  sh.session->settings.backgroundColour = Shade::kWhite;
  sh.session->settings.scaleType = kEqualInterval;
  ASSERT_TRUE(overlayScoresCommand(*sh.shell));
  EXPECT_EQ(sh.session->overlay.savedBackground, Shade::kWhite);
  EXPECT_EQ(sh.session->settings.backgroundColour, Shade::kGrey);  // grey
  EXPECT_EQ(sh.session->settings.maxNotSeparate, Flag::kOn);
  EXPECT_EQ(sh.host.dialogs, std::vector<std::string>{kOverlayDialog});
  EXPECT_EQ(seen.orLabel(), "use all cells with scores (logical 'or') 5 cells");
  EXPECT_EQ(seen.andLabel(), "use only shared scores  (logical 'and') 3 cells");
  Session& s = *sh.session;
  EXPECT_EQ(s.settings.overlayOption, OverlayJoin::kBoth);
  EXPECT_EQ(s.map.occupiedCells, 3);
  EXPECT_EQ(s.map.code(), kCodeOverlay);
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
  // The scheme chosen in the dialog is kept and coloured with.
  EXPECT_EQ(seen.scheme, 2);
  EXPECT_EQ(s.settings.overlayScheme, OverlayScheme::kBothRed);
  Palette scheme0 = sh.shell->display.palette;
  ASSERT_TRUE(buildTwoAxisPalette(scheme0, s.settings, 0));
  EXPECT_EQ(sh.shell->display.palette.at(139), scheme0.at(139));
  EXPECT_EQ(sh.shell->display.palette.at(95), scheme0.at(95));
}

TEST_F(OverlayCommands, CancelledDialogLeavesTheMapAlone) {
  pair({{10, 2}, {20, 3}}, {{10, 1}, {20, 4}});
  const int code = sh.session->map.code();
  sh.host.dialogAnswers.push_back(false);
  EXPECT_FALSE(overlayScoresCommand(*sh.shell));
  EXPECT_EQ(sh.session->map.code(), code);
  EXPECT_TRUE(sh.host.messages.empty());
}

TEST_F(OverlayCommands, RandomisationReportIsTheOneTheTimeSeedGives) {
  pair({{10, 2}, {20, 3}, {30, 5}, {40, 1}}, {{10, 2}, {50, 4}});
  ASSERT_TRUE(randomisationTestCommand(*sh.shell));
  // The host's time of day is 1000 and its clock stands still.
  const RandomisationInput in = randomisationInput(overlayCells(sh.session->ws), 0.0);
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
      {false, false, false, true, false}, {true, true, false, true, false}, {true, false, true, true, false},
      {true, false, false, false, false}, {true, false, false, true, true},
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
  EXPECT_FALSE(convertSelectedAreasCommand(*sh.shell));
  ASSERT_EQ(sh.host.messages.size(), 1u);
  EXPECT_EQ(sh.host.messages[0].text, "No areas have been selected yet.");
  EXPECT_EQ(sh.host.messages[0].caption, "Convert selected areas to presence data");
  s.areas.cells = {20, 30, 9999};
  sh.shell->flags.view3D = true;
  EXPECT_FALSE(convertSelectedAreasCommand(*sh.shell));
  sh.shell->flags.view3D = false;
  ASSERT_TRUE(convertSelectedAreasCommand(*sh.shell));
  EXPECT_EQ(s.map.code(), kCodeSelectedAreas);
  EXPECT_EQ(s.ws.cells[10].score, 0.0);
  EXPECT_EQ(s.ws.cells[60].score, 0.0);
  EXPECT_EQ(s.ws.cells[20].score, 1.0);
  EXPECT_EQ(s.ws.cells[30].scored, 1);
  EXPECT_EQ(s.map.occupiedCells, 2);
  EXPECT_EQ(s.map.title, "selected areas");
  EXPECT_TRUE(s.map.presenceMap);
  EXPECT_TRUE(s.overlay.presence[0]);
}

TEST_F(OverlayCommands, AnotherMeasureTakesTheOverlayDownAndGivesTheBackgroundBack) {
  Session& s = *sh.session;
  s.settings.backgroundColour = Shade::kWhite;
  overlayRarityOnRichness();
  EXPECT_EQ(s.settings.backgroundColour, Shade::kGrey);
  EXPECT_TRUE(sh.shell->display.palette.overlayInForce);
  EXPECT_EQ(s.overlay.savedMeasure, kCodeRangeSizeRarity);
  // The legend counts every scored cell once.
  int scored = 0, counted = 0;
  for (int n = 1; n <= s.ws.geo.cells; ++n) scored += s.ws.cells[static_cast<std::size_t>(n)].scored != 0;
  for (const auto& row : s.overlay.legend)
    for (int c : row) counted += c;
  EXPECT_TRUE(s.overlay.twoAxisPlotted);
  EXPECT_EQ(counted, scored);
  EXPECT_GT(scored, 0);

  // A second run keeps what was under the overlay, not the overlay itself.
  sh.host.dialogAnswers.push_back(true);
  ASSERT_TRUE(overlayScoresCommand(*sh.shell));
  EXPECT_EQ(s.overlay.savedMeasure, kCodeRangeSizeRarity);

  sh.shell->showMeasure(kCodeRichness);
  EXPECT_EQ(s.settings.backgroundColour, Shade::kWhite);
  EXPECT_FALSE(s.overlay.savedBackground.has_value());
  EXPECT_FALSE(s.overlay.twoAxisPlotted);
  EXPECT_FALSE(sh.shell->display.palette.overlayInForce);
  // Classed on the score ramp again.
  EXPECT_GT(sh.shell->display.classes.scoredCells, 0);
}

TEST_F(OverlayCommands, MapDrawingOptionsKeepTheOverlayColours) {
  Session& s = *sh.session;
  overlayRarityOnRichness();
  std::vector<std::int32_t> before;
  for (const GridCell& c : s.ws.cells) before.push_back(c.fillColour);
  const Rgb corner = sh.shell->display.palette.at(139);

  // Ticking "max in separate class" in Mapdraw options rebuilds the palette
  // and classes the scores again: the two-axis colours stay all the same.
  sh.host.onDialog = [](const std::string&, DialogModel& m) {
    dynamic_cast<MapOptionsModel&>(m).setChecked(mopt::kMaxSeparate, true);
  };
  sh.host.dialogAnswers.push_back(true);
  sh.shell->dispatch(Command::MapdrawOptions);
  sh.host.onDialog = nullptr;
  std::vector<std::int32_t> after;
  for (const GridCell& c : s.ws.cells) after.push_back(c.fillColour);
  EXPECT_EQ(after, before);
  EXPECT_EQ(sh.shell->display.palette.at(139), corner);
  EXPECT_EQ(s.map.code(), kCodeOverlay);

  // A colour mode without the 100 overlay colours ends the overlay.
  s.settings.colourMode = kSixteenColour;
  sh.host.messages.clear();
  sh.host.dialogAnswers.push_back(true);
  sh.shell->dispatch(Command::MapdrawOptions);
  ASSERT_EQ(sh.host.messages.size(), 1u);
  EXPECT_EQ(sh.host.messages[0].text, "Plotting overlays requires 256 colour mode.");
  EXPECT_EQ(s.map.code(), kCodeRichness);
  EXPECT_FALSE(s.overlay.twoAxisPlotted);
}

TEST_F(OverlayCommands, SwapUnderTheOverlayTakesTheMapBeneathIntoTheBackground) {
  Session& s = *sh.session;
  overlayRarityOnRichness();
  sh.shell->dispatch(Command::SwapScores);
  EXPECT_EQ(s.backgroundMap.code(), kCodeRangeSizeRarity);
  EXPECT_EQ(s.backgroundMap.title, "range-size rarity (inverse)");
  EXPECT_EQ(s.map.code(), kCodeRichness);
  EXPECT_FALSE(s.overlay.twoAxisPlotted);  // the overlay went with the swap
}

TEST_F(OverlayCommands, TwoConvertedSetsWithASwapBetweenMakeTwoPresenceOverlays) {
  // Convert, swap, convert again: both sides are presence maps, so the
  // overlay goes straight to the coincidence report.
  Session& s = *sh.session;
  s.areas.cells = {10, 20};
  ASSERT_TRUE(convertSelectedAreasCommand(*sh.shell));
  sh.shell->dispatch(Command::SwapScores);
  EXPECT_EQ(s.overlay.presence, (std::array<bool, 2>{false, true}));
  s.areas.cells = {20, 30, 40};
  ASSERT_TRUE(convertSelectedAreasCommand(*sh.shell));
  EXPECT_EQ(s.overlay.presence, (std::array<bool, 2>{true, true}));
  ASSERT_TRUE(overlayScoresCommand(*sh.shell));
  EXPECT_TRUE(sh.host.dialogs.empty());
  EXPECT_NE(results().find("\n      2  Clicks  (alone)\n      1  Clicks + Clicks\n      1  Clicks  (alone)\n"),
            std::string::npos)
      << results();
  // A new measure on the foreground drops its presence flag only.
  sh.shell->showMeasure(kCodeRichness);
  EXPECT_EQ(s.overlay.presence, (std::array<bool, 2>{false, true}));
}

class ThreeAxisView : public OverlayCommands {
 protected:
  // Three columns on cells 10 ... 60: column 1 rises, column 2 falls,
  // column 3 is zero on cell 30.
  void load() {
    Session& s = *sh.session;
    ThreeAxisBuffer& b = s.overlay.threeAxis;
    b.values.assign(static_cast<std::size_t>(s.ws.geo.cells) + 1, {0.0, 0.0, 0.0});
    b.loaded = true;
    b.resetAxes();
    for (int k = 1; k <= 6; ++k)
      b.values[static_cast<std::size_t>(10 * k)] = {double(k), double(7 - k), k == 3 ? 0.0 : 1.0 + k};
    s.map.importKind = kImportThreeAxis;
    s.map.importedName = "three.txt";
    s.scoresPresent = true;
    setMeasureCode(s, kCodeImportedScores);
  }
};

TEST_F(ThreeAxisView, ImportedColumnsColourTheCellsAndOpenTheOptions) {
  Session& s = *sh.session;
  s.settings.backgroundColour = Shade::kWhite;
  s.settings.scaleType = kFixedLimit;
  load();
  showThreeAxis(*sh.shell);
  EXPECT_TRUE(sh.shell->flags.view3D);
  EXPECT_TRUE(sh.shell->flags.threeAxisWindowOpen);
  EXPECT_NE(std::find(sh.host.shellCalls.begin(), sh.host.shellCalls.end(), "open M3DLGBOX"), sh.host.shellCalls.end());
  EXPECT_EQ(s.settings.backgroundColour, Shade::kGrey);
  EXPECT_EQ(s.settings.scaleType, kEqualFrequency);
  // Equal intervals from here on, as the map options may choose.
  s.settings.scaleType = kEqualInterval;
  ASSERT_TRUE(plotThreeAxis(*sh.shell));
  const int L = threeAxisLevels(sh.shell->display.palette);
  EXPECT_EQ(sh.shell->display.palette.classCount, L * L * L);
  // Cell 30 has a zero column: not drawn unless any score will do.
  EXPECT_EQ(s.ws.cells[30].scored, 0);
  // Cell 10: green (column 1) lowest, blue (column 2) highest, red (column 3) lowest.
  EXPECT_EQ(s.ws.cells[10].scored, 1);
  EXPECT_EQ(s.ws.cells[10].fillColour, paletteIndexRef(L - 1));
  EXPECT_EQ(s.ws.cells[60].fillColour, paletteIndexRef(((L - 1) * L + (L - 1)) * L));

  // Red on column 1 reversed, any score: the options' Redraw.
  s.overlay.threeAxis.axisOfColour = {0, 1, 0};
  s.overlay.threeAxis.reversed = {false, false, true};
  s.overlay.threeAxis.anyScore = true;
  ASSERT_TRUE(plotThreeAxis(*sh.shell));
  EXPECT_EQ(s.ws.cells[30].scored, 1);
  EXPECT_EQ(sh.shell->display.palette.at(0).r, 255);  // reversed red starts high

  // The options toggle; another measure closes them and takes the 3D view down.
  sh.shell->dispatch(Command::Map3DOptions);
  EXPECT_FALSE(sh.shell->flags.threeAxisWindowOpen);
  sh.shell->dispatch(Command::Map3DOptions);
  EXPECT_TRUE(sh.shell->flags.threeAxisWindowOpen);
  sh.host.shellCalls.clear();
  sh.shell->showMeasure(kCodeRichness);
  EXPECT_FALSE(sh.shell->flags.view3D);
  EXPECT_FALSE(sh.shell->flags.threeAxisWindowOpen);
  EXPECT_FALSE(s.overlay.threeAxis.loaded);
  EXPECT_EQ(s.settings.backgroundColour, Shade::kWhite);
  EXPECT_EQ(sh.shell->display.palette.classCount, 33);
  EXPECT_NE(std::find(sh.host.shellCalls.begin(), sh.host.shellCalls.end(), "close M3DLGBOX"),
            sh.host.shellCalls.end());
}

TEST_F(ThreeAxisView, SmoothingWorksOnEachColumnInCellOrder) {
  Session& s = *sh.session;
  load();
  ThreeAxisBuffer& b = s.overlay.threeAxis;
  for (auto& v : b.values) v = {0.0, 0.0, 0.0};
  b.values[10] = {2, 4, 6};
  b.values[11] = {4, 8, 0};
  showThreeAxis(*sh.shell);
  s.settings.smoothByMean = Smoothing::kMean;
  s.settings.neighbourhoodSize = NeighbourhoodSize::kNine;
  sh.shell->dispatch(Command::SmoothScores);
  // Cell 10 takes the mean with cell 11; cell 11 then reads cell 10 smoothed.
  EXPECT_DOUBLE_EQ(b.values[10][0], 3.0);
  EXPECT_DOUBLE_EQ(b.values[11][0], 3.5);
  EXPECT_DOUBLE_EQ(b.values[11][1], 7.0);
  EXPECT_DOUBLE_EQ(b.values[10][2], 6.0) << "an empty neighbour is left out";
  EXPECT_DOUBLE_EQ(s.ws.cells[11].score, 3.5);
  EXPECT_EQ(s.map.smoothPasses, 1);
  EXPECT_TRUE(sh.shell->flags.view3D);
  EXPECT_EQ(s.map.title, "smoothed (9) imported scores (three.txt)");
}

TEST_F(ThreeAxisView, SixteenColoursMapTheFirstColumnInstead) {
  Session& s = *sh.session;
  s.settings.backgroundColour = Shade::kWhite;
  sh.shell->rebuildPalette(16);
  load();
  for (int k = 1; k <= 6; ++k) s.ws.cells[static_cast<std::size_t>(10 * k)].score = k;
  showThreeAxis(*sh.shell);
  ASSERT_EQ(sh.host.messages.size(), 1u);
  EXPECT_EQ(sh.host.messages[0].text, "Must be in 256 colour mode to plot overlays.");
  EXPECT_FALSE(sh.shell->flags.view3D);
  EXPECT_FALSE(sh.shell->flags.threeAxisWindowOpen);
  EXPECT_FALSE(s.overlay.threeAxis.loaded);
  EXPECT_EQ(s.settings.backgroundColour, Shade::kWhite);
  EXPECT_EQ(sh.shell->display.classes.scoredCells, 6);
  // Later titles do not ask again.
  sh.shell->retitle();
  EXPECT_EQ(sh.host.messages.size(), 1u);
}

TEST_F(ThreeAxisView, RetitlingKeepsTheThreeAxisColoursAndTheOverlayCheckRefuses) {
  Session& s = *sh.session;
  load();
  showThreeAxis(*sh.shell);
  const std::int32_t colour = s.ws.cells[20].fillColour;
  sh.shell->retitle();
  EXPECT_EQ(s.ws.cells[20].fillColour, colour);
  EXPECT_TRUE(sh.shell->flags.view3D);
  writeBackCell(s.ws, 20, BackCell{1, 2.0, 1, 0});
  sh.host.messages.clear();
  EXPECT_FALSE(overlayScoresCommand(*sh.shell));
  ASSERT_EQ(sh.host.messages.size(), 1u);
  EXPECT_EQ(sh.host.messages[0].text, "3D overlay already loaded.");
  // Not while the preselection window is open.
  sh.shell->flags.threeAxisWindowOpen = false;
  sh.shell->flags.preselectionDialogOpen = true;
  threeAxisWindowCommand(*sh.shell);
  EXPECT_FALSE(sh.shell->flags.threeAxisWindowOpen);
}

}  // namespace
}  // namespace zn::test
