// The overlay commands on a small world-grid session: the check's refusal,
// the dialog and its counts, the Spearman message, the coincidence and
// randomisation reports in RESULTS, and Convert selected areas.
#include "shell/overlay_commands.h"

#include <algorithm>

#include "display/palette.h"
#include "measures/overlay.h"
#include "measures/scores.h"
#include "shell/mapmeasures.h"
#include "shell/options.h"
#include "tests/support/shells.h"

namespace zn::test {
namespace {

using Lines = std::vector<std::string>;

struct OverlayCommands : ::testing::Test, SmallShell {
  Session* s = nullptr;
  void SetUp() override {
    start();
    connectOverlayCommands(*shell);
    s = session.get();
    for (std::size_t n = 0; n < s->ws.cells.size(); ++n) {
      s->ws.cells[n].score = 0;
      writeBackCell(s->ws, static_cast<int>(n), BackCell{});
    }
  }
  // Foreground and background scores of the cells named.
  void pair(std::initializer_list<std::pair<int, double>> fore, std::initializer_list<std::pair<int, double>> back) {
    for (auto [n, v] : fore) s->ws.cells[static_cast<std::size_t>(n)].score = v;
    for (auto [n, v] : back) writeBackCell(s->ws, n, BackCell{1, v, 1, 0});
  }
  // Richness swapped into the background, range-size rarity overlaid on it.
  void overlayRarityOnRichness() {
    shell->showMeasure(kCodeRichness);
    shell->dispatch(Command::SwapScores);
    shell->showMeasure(kCodeRangeSizeRarity);
    host.dialogAnswers.push_back(true);
    ASSERT_TRUE(overlayScoresCommand(*shell));
  }
  std::string results() {
    std::string text = readFile(shell->resultsFile());
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }
  // The scored flags, or the fill colours, of the cells named.
  std::vector<int> scored(std::initializer_list<int> cells) {
    std::vector<int> out;
    for (int n : cells) out.push_back(s->ws.cells[static_cast<std::size_t>(n)].scored);
    return out;
  }
  std::vector<std::int32_t> fills() {
    std::vector<std::int32_t> out;
    for (const GridCell& c : s->ws.cells) out.push_back(c.fillColour);
    return out;
  }
};

TEST_F(OverlayCommands, PairWithoutSharedCellsIsRefusedBeforeTheDialog) {
  pair({{10, 2}, {20, 3}}, {{30, 1}});
  EXPECT_FALSE(overlayScoresCommand(*shell));
  EXPECT_EQ(host.messageLines(),
            Lines{"Overlay scores: Requires two sets of overlapping map scores-\nuse swap scores."});
  EXPECT_TRUE(host.dialogs.empty());
}

// Cancelled, the dialog leaves the map alone; then taken, on an identical pair.
TEST_F(OverlayCommands, CancelLeavesTheMapAloneAndAnIdenticalPairGivesTheShortMessageAndTheChosenCells) {
  pair({{10, 2}, {20, 3}, {30, 5}, {40, 1}}, {{10, 2}, {20, 3}, {30, 5}, {50, 4}});
  OverlayDialogModel seen;
  host.onDialog = [&](const std::string&, DialogModel& m) {
    auto& d = dynamic_cast<OverlayDialogModel&>(m);
    seen = d;
    d.method = kOverlayAnd;
    d.scheme = 0;
  };
  host.dialogAnswers = {false, true};
  s->settings.backgroundColour = Shade::kWhite;
  EXPECT_FALSE(overlayScoresCommand(*shell));
  EXPECT_EQ(s->map.code(), kCodeRichness);
  EXPECT_TRUE(host.messages.empty());
  ASSERT_TRUE(overlayScoresCommand(*shell));
  EXPECT_EQ(s->overlay.savedBackground, Shade::kWhite);
  EXPECT_EQ(s->settings.backgroundColour, Shade::kGrey);
  EXPECT_EQ(s->settings.maxNotSeparate, Flag::kOn);
  EXPECT_EQ(seen.orLabel(), "use all cells with scores (logical 'or') 5 cells");
  EXPECT_EQ(seen.andLabel(), "use only shared scores  (logical 'and') 3 cells");
  EXPECT_EQ(s->settings.overlayOption, OverlayJoin::kBoth);
  EXPECT_EQ(s->map.occupiedCells, 3);
  EXPECT_EQ(s->map.code(), kCodeOverlay);
  EXPECT_EQ(host.messageLines(), Lines{"Overlay scores: Spearman rank correlation coefficient (G/B)\nrho= 1.0"});
  EXPECT_EQ(s->map.title, "overlay correlation rho= 1.00");
  // Only the shared cells are scored with the 'and' method.
  EXPECT_EQ(scored({10, 40, 50}), (std::vector<int>{1, 0, 0}));
  // The scheme chosen in the dialog is kept and coloured with.
  EXPECT_EQ(seen.scheme, 2);
  EXPECT_EQ(s->settings.overlayScheme, OverlayScheme::kBothRed);
  Palette scheme0 = shell->display.palette;
  ASSERT_TRUE(buildTwoAxisPalette(scheme0, s->settings, 0));
  EXPECT_EQ(shell->display.palette.at(139), scheme0.at(139));
}

TEST_F(OverlayCommands, RandomisationReportIsTheOneTheTimeSeedGivesAndNeedsABackground) {
  pair({{10, 2}}, {});
  const std::string before = results();
  EXPECT_FALSE(randomisationTestCommand(*shell));
  EXPECT_EQ(results(), before);

  pair({{10, 2}, {20, 3}, {30, 5}, {40, 1}}, {{10, 2}, {50, 4}});
  ASSERT_TRUE(randomisationTestCommand(*shell));
  // The host's time of day is 1000 and its clock stands still.
  const RandomisationInput in = randomisationInput(overlayCells(s->ws), 0.0);
  Random rng;
  rng.seed(1000);
  const auto totals = randomDraws(in, rng, {});
  ASSERT_TRUE(totals.has_value());
  const std::string expected = randomisationReport(
      in, *totals, {s->backgroundMap.title, s->backgroundMap.dataTitle, s->map.title, s->map.dataTitle}, 0);
  EXPECT_NE(results().find(expected), std::string::npos) << results();
}

TEST_F(OverlayCommands, MenuRandomisationNeedsOnePresenceAndOneQuantitativeMap) {
  pair({{10, 2}, {20, 3}}, {{10, 1}});
  struct Case {
    bool swapped, view3D, forePresence, backPresence, runs;
  } cases[] = {
      {false, false, false, true, false}, {true, true, false, true, false}, {true, false, true, true, false},
      {true, false, false, false, false}, {true, false, false, true, true},
  };
  for (const Case& c : cases) {
    host.messages.clear();
    shell->flags.monitorOpen = false;
    shell->flags.scoresSwapped = c.swapped;
    shell->flags.view3D = c.view3D;
    s->map.presenceMap = c.forePresence;
    s->backgroundMap.presenceMap = c.backPresence;
    randomisationMenuCommand(*shell);
    EXPECT_EQ(host.messageLines(), c.runs ? Lines{}
                                          : Lines{"Randomisation test on overlays: Requires one presence map and "
                                                  "one quantitative map."});
    EXPECT_EQ(shell->flags.monitorOpen, c.runs);
  }
}

TEST_F(OverlayCommands, ConvertSelectedAreasMakesAPresenceMapAndTwoWithASwapBetweenMakeAPresenceOverlay) {
  pair({{10, 7}, {60, 2}}, {});
  s->areas.cells = {20, 30, 9999};
  shell->flags.view3D = true;
  EXPECT_FALSE(convertSelectedAreasCommand(*shell));
  shell->flags.view3D = false;
  ASSERT_TRUE(convertSelectedAreasCommand(*shell));
  EXPECT_EQ(s->map.code(), kCodeSelectedAreas);
  for (auto [n, score] : {std::pair{10, 0.0}, {60, 0.0}, {20, 1.0}}) EXPECT_EQ(s->ws.cells[n].score, score) << n;
  EXPECT_EQ(s->ws.cells[30].scored, 1);
  EXPECT_EQ(s->map.occupiedCells, 2);
  EXPECT_EQ(s->map.title, "selected areas");
  EXPECT_TRUE(s->map.presenceMap);

  // Two converted sets with a swap between make two presence overlays:
  // convert, swap, convert again, and the overlay goes straight to the
  // coincidence report.
  s->areas.cells = {10, 20};
  ASSERT_TRUE(convertSelectedAreasCommand(*shell));
  shell->dispatch(Command::SwapScores);
  EXPECT_EQ(s->overlay.presence, (std::array<bool, 2>{false, true}));
  s->areas.cells = {20, 30, 40};
  ASSERT_TRUE(convertSelectedAreasCommand(*shell));
  EXPECT_EQ(s->overlay.presence, (std::array<bool, 2>{true, true}));
  ASSERT_TRUE(overlayScoresCommand(*shell));
  EXPECT_TRUE(host.dialogs.empty());
  EXPECT_NE(results().find("\n      2  Clicks  (alone)\n      1  Clicks + Clicks\n      1  Clicks  (alone)\n"),
            std::string::npos)
      << results();
  // A new measure on the foreground drops its presence flag only.
  shell->showMeasure(kCodeRichness);
  EXPECT_EQ(s->overlay.presence, (std::array<bool, 2>{false, true}));
}

TEST_F(OverlayCommands, AnotherMeasureTakesTheOverlayDownAndGivesTheBackgroundBack) {
  s->settings.backgroundColour = Shade::kWhite;
  overlayRarityOnRichness();
  EXPECT_EQ(s->settings.backgroundColour, Shade::kGrey);
  EXPECT_TRUE(shell->display.palette.overlayInForce);
  EXPECT_EQ(s->overlay.savedMeasure, kCodeRangeSizeRarity);
  // The legend counts every scored cell once.
  int scoredCells = 0, counted = 0;
  for (int n = 1; n <= s->ws.geo.cells; ++n) scoredCells += s->ws.cells[static_cast<std::size_t>(n)].scored != 0;
  for (const auto& row : s->overlay.legend)
    for (int c : row) counted += c;
  EXPECT_TRUE(s->overlay.twoAxisPlotted);
  EXPECT_EQ(counted, scoredCells);
  EXPECT_GT(scoredCells, 0);

  // A second run keeps what was under the overlay, not the overlay itself.
  host.dialogAnswers.push_back(true);
  ASSERT_TRUE(overlayScoresCommand(*shell));
  EXPECT_EQ(s->overlay.savedMeasure, kCodeRangeSizeRarity);

  shell->showMeasure(kCodeRichness);
  EXPECT_EQ(s->settings.backgroundColour, Shade::kWhite);
  EXPECT_FALSE(s->overlay.savedBackground.has_value());
  EXPECT_FALSE(s->overlay.twoAxisPlotted);
  EXPECT_FALSE(shell->display.palette.overlayInForce);
  // Classed on the score ramp again.
  EXPECT_GT(shell->display.classes.scoredCells, 0);
}

TEST_F(OverlayCommands, MapDrawingOptionsKeepTheOverlayColours) {
  overlayRarityOnRichness();
  const std::vector<std::int32_t> before = fills();
  const Rgb corner = shell->display.palette.at(139);

  // Ticking "max in separate class" in Mapdraw options rebuilds the palette
  // and classes the scores again: the two-axis colours stay all the same.
  host.onDialog = [](const std::string&, DialogModel& m) {
    dynamic_cast<MapOptionsModel&>(m).setChecked(mopt::kMaxSeparate, true);
  };
  host.dialogAnswers.push_back(true);
  shell->dispatch(Command::MapdrawOptions);
  host.onDialog = nullptr;
  EXPECT_EQ(fills(), before);
  EXPECT_EQ(shell->display.palette.at(139), corner);
  EXPECT_EQ(s->map.code(), kCodeOverlay);

  // A colour mode without the 100 overlay colours ends the overlay.
  s->settings.colourMode = kSixteenColour;
  host.messages.clear();
  host.dialogAnswers.push_back(true);
  shell->dispatch(Command::MapdrawOptions);
  EXPECT_EQ(host.messageLines(), Lines{"Overlay scores: Plotting overlays requires 256 colour mode."});
  EXPECT_EQ(s->map.code(), kCodeRichness);
  EXPECT_FALSE(s->overlay.twoAxisPlotted);
}

TEST_F(OverlayCommands, SwapUnderTheOverlayTakesTheMapBeneathIntoTheBackground) {
  overlayRarityOnRichness();
  shell->dispatch(Command::SwapScores);
  EXPECT_EQ(s->backgroundMap.code(), kCodeRangeSizeRarity);
  EXPECT_EQ(s->backgroundMap.title, "range-size rarity (inverse)");
  EXPECT_EQ(s->map.code(), kCodeRichness);
  EXPECT_FALSE(s->overlay.twoAxisPlotted);  // the overlay went with the swap
}

// Three columns on cells 10 ... 60: column 1 rises, column 2 falls, column 3
// is zero on cell 30.
struct ThreeAxisView : OverlayCommands {
  ThreeAxisBuffer* b = nullptr;
  void load() {
    b = &s->overlay.threeAxis;
    b->values.assign(static_cast<std::size_t>(s->ws.geo.cells) + 1, {0.0, 0.0, 0.0});
    b->loaded = true;
    b->resetAxes();
    for (int k = 1; k <= 6; ++k)
      b->values[static_cast<std::size_t>(10 * k)] = {double(k), double(7 - k), k == 3 ? 0.0 : 1.0 + k};
    s->map.importKind = kImportThreeAxis;
    s->map.importedName = "three.txt";
    s->scoresPresent = true;
    setMeasureCode(*s, kCodeImportedScores);
  }
};

TEST_F(ThreeAxisView, ImportedColumnsColourTheCellsAndOpenTheOptions) {
  s->settings.backgroundColour = Shade::kWhite;
  s->settings.scaleType = kFixedLimit;
  load();
  showThreeAxis(*shell);
  EXPECT_EQ(s->settings.backgroundColour, Shade::kGrey);
  EXPECT_EQ(s->settings.scaleType, kEqualFrequency);
  // Cell 30 has a zero column: not drawn unless any score will do.
  EXPECT_EQ(scored({30, 10}), (std::vector<int>{0, 1}));

  // Red on column 1 reversed, any score: the options' Redraw.
  b->axisOfColour = {0, 1, 0};
  b->reversed = {false, false, true};
  b->anyScore = true;
  ASSERT_TRUE(plotThreeAxis(*shell));
  EXPECT_EQ(s->ws.cells[30].scored, 1);
  EXPECT_EQ(shell->display.palette.at(0).r, 255);  // reversed red starts high

  // The options toggle; another measure closes them and takes the 3D view down.
  shell->dispatch(Command::Map3DOptions);
  EXPECT_FALSE(shell->flags.threeAxisWindowOpen);
  shell->dispatch(Command::Map3DOptions);
  EXPECT_TRUE(shell->flags.threeAxisWindowOpen);
  host.shellCalls.clear();
  shell->showMeasure(kCodeRichness);
  EXPECT_FALSE(shell->flags.view3D);
  EXPECT_FALSE(shell->flags.threeAxisWindowOpen);
  EXPECT_FALSE(b->loaded);
  EXPECT_EQ(s->settings.backgroundColour, Shade::kWhite);
  EXPECT_EQ(shell->display.palette.classCount, 33);
  EXPECT_EQ(host.shellCalls, Lines{"close M3DLGBOX"});
}

TEST_F(ThreeAxisView, SmoothingWorksOnEachColumnInCellOrder) {
  load();
  for (auto& v : b->values) v = {0.0, 0.0, 0.0};
  b->values[10] = {2, 4, 6};
  b->values[11] = {4, 8, 0};
  showThreeAxis(*shell);
  s->settings.smoothByMean = Smoothing::kMean;
  s->settings.neighbourhoodSize = NeighbourhoodSize::kNine;
  shell->dispatch(Command::SmoothScores);
  // Cell 10 takes the mean with cell 11; cell 11 then reads cell 10 smoothed.
  EXPECT_DOUBLE_EQ(b->values[10][0], 3.0);
  EXPECT_DOUBLE_EQ(b->values[11][0], 3.5);
  EXPECT_DOUBLE_EQ(b->values[11][1], 7.0);
  EXPECT_DOUBLE_EQ(b->values[10][2], 6.0) << "an empty neighbour is left out";
  EXPECT_DOUBLE_EQ(s->ws.cells[11].score, 3.5);
  EXPECT_EQ(s->map.smoothPasses, 1);
  EXPECT_TRUE(shell->flags.view3D);
  EXPECT_EQ(s->map.title, "smoothed (9) imported scores (three.txt)");
}

TEST_F(ThreeAxisView, SixteenColoursMapTheFirstColumnInstead) {
  s->settings.backgroundColour = Shade::kWhite;
  shell->rebuildPalette(16);
  load();
  for (int k = 1; k <= 6; ++k) s->ws.cells[static_cast<std::size_t>(10 * k)].score = k;
  showThreeAxis(*shell);
  const Lines refused{"Overlay scores: Must be in 256 colour mode to plot overlays."};
  EXPECT_EQ(host.messageLines(), refused);
  EXPECT_FALSE(shell->flags.view3D);
  EXPECT_FALSE(shell->flags.threeAxisWindowOpen);
  EXPECT_FALSE(b->loaded);
  EXPECT_EQ(s->settings.backgroundColour, Shade::kWhite);
  EXPECT_EQ(shell->display.classes.scoredCells, 6);
  // Later titles do not ask again.
  shell->retitle();
  EXPECT_EQ(host.messageLines(), refused);
}

TEST_F(ThreeAxisView, RetitlingKeepsTheThreeAxisColoursAndTheOverlayCheckRefuses) {
  load();
  showThreeAxis(*shell);
  const std::int32_t colour = s->ws.cells[20].fillColour;
  shell->retitle();
  EXPECT_EQ(s->ws.cells[20].fillColour, colour);
  EXPECT_TRUE(shell->flags.view3D);
  writeBackCell(s->ws, 20, BackCell{1, 2.0, 1, 0});
  host.messages.clear();
  EXPECT_FALSE(overlayScoresCommand(*shell));
  EXPECT_EQ(host.messageLines(), Lines{"Overlay scores: 3D overlay already loaded."});
  // Not while the preselection window is open.
  shell->flags.threeAxisWindowOpen = false;
  shell->flags.preselectionDialogOpen = true;
  threeAxisWindowCommand(*shell);
  EXPECT_FALSE(shell->flags.threeAxisWindowOpen);
}

}  // namespace
}  // namespace zn::test
