// Whole user sessions through the dispatcher and the scripted host, on the
// shipped carnivore sample: what the user sees in message boxes, titles,
// menus, status texts and files; the area-selection commands among them.
#include <gtest/gtest.h>

#include "measures/scores.h"
#include "shell/dispatch.h"
#include "shell/mapclasses.h"
#include "shell/options.h"
#include "shell/results.h"
#include "store/files.h"
#include "tests/support/shells.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

struct ShellScenario : test::ShellFixture {
  void SetUp() override {
    ASSERT_TRUE(start());
    ASSERT_TRUE(startResultsFile(shell->resultsFile()));
    shell->refreshMenus();
    open("equal/carnivora.dat");
  }
};

TEST_F(ShellScenario, OpenTheSampleThenRichnessAndRarity) {
  ASSERT_TRUE(session->ws.datafile.opened);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(session->map.code(), 1);
  EXPECT_EQ(session->map.title, "richness");
  EXPECT_GT(shell->display.classes.scoredCells, 400);
  EXPECT_TRUE(shell->menu()[Command::RangeSizeRarity].enabled);
  EXPECT_TRUE(shell->menu()[Command::SubtreeLength].enabled);             // the codes give tree data
  EXPECT_FALSE(shell->menu()[Command::StandardiseQuantitative].enabled);  // presence data

  session->settings.rarityFormula = RarityFormula::kDifference;
  shell->dispatch(Command::RangeSizeRarity);
  shell->dispatch(Command::SmoothScores);
  shell->dispatch(Command::MeanScores);
  EXPECT_EQ(session->map.title, "smoothed (9) mean range-size rarity (difference)");
}

// Opened over the carnivores.
TEST_F(ShellScenario, QuantitativeDataAreStandardisedOnce) {
  open("austral/acacia.dat");
  ASSERT_TRUE(session->ws.datafile.opened);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Data in quantitative mode");
  EXPECT_TRUE(shell->menu()[Command::StandardiseQuantitative].enabled);
  shell->dispatch(Command::MedianQuantitative);
  EXPECT_EQ(session->map.title, "median value for quantitative data (untransformed)");
  shell->dispatch(Command::StandardiseQuantitative);
  EXPECT_TRUE(session->ws.datafile.rescaled);
  EXPECT_EQ(session->map.title, "median value for quantitative data (transformed)");
  EXPECT_FALSE(shell->menu()[Command::StandardiseQuantitative].enabled);
}

TEST_F(ShellScenario, RestrictedCommandSetWhileTheSelectionDialogIsOpen) {
  shell->flags.selectionDialogOpen = true;
  int redraws = host.redraws;
  shell->dispatch(Command::RangeSizeRarity);  // ignored
  EXPECT_EQ(session->map.title, "richness");
  shell->dispatch(Command::RefreshMap);  // redraw acts
  EXPECT_EQ(host.redraws, redraws + 1);
}

TEST_F(ShellScenario, ExitWithNoKeepsEverythingAndYesWritesTheOptions) {
  shell->dispatch(Command::RangeSizeRarity);
  session->settings.reordering = Reordering::kByThreat;
  host.answers.push_back(Answer::No);
  EXPECT_FALSE(shell->confirmExit());
  EXPECT_FALSE(fs::exists(home / "ZONARIUM.OPP"));
  EXPECT_EQ(host.messageLines().back(),
            "Exit ZONARIUM?: GRID:  equal (World land cells)\nDATA:  carnivora.dat (Carnivora world, PHYLACINE 1.2)");
  host.answers.push_back(Answer::Yes);
  EXPECT_TRUE(shell->confirmExit());
  Settings back;
  ASSERT_TRUE(readOptions(back, home / "ZONARIUM.OPP"));
  EXPECT_EQ(back.reordering, Reordering::kByThreat);
  EXPECT_EQ(back.measureCode, kCodeRangeSizeRarity) << "the code of the map on screen";
}

TEST_F(ShellScenario, SteppingThroughASingleTaxonStopsAtTheEnds) {
  EXPECT_FALSE(shell->stepTaxon(1));  // no single taxon on the map
  setPlotMark(session->ws, 0, true);
  shell->showMeasure(kCodeSelectiveRichness);
  ASSERT_EQ(session->map.code(), 22);
  int beeps = host.beeps;
  EXPECT_TRUE(shell->stepTaxon(-1));
  EXPECT_EQ(host.beeps, beeps + 1);
  EXPECT_TRUE(shell->stepTaxon(20));
  EXPECT_EQ(firstMarkedTaxon(session->ws), 20);
  EXPECT_EQ(session->map.title, "plot " + displayName(session->ws.cards.name(20)));
}

TEST_F(ShellScenario, ToolsOptionsRerunFollowsTheMapOnScreen) {
  auto changeFormula = [](const std::string& name, DialogModel& m) {
    ASSERT_EQ(name, "ToptDlgBox");
    auto& t = dynamic_cast<ToolsOptionsModel&>(m);
    t.setChecked(topt::kRarityDifference, true);
  };
  host.onDialog = changeFormula;
  // Range-size rarity is computed again with the new formula.
  shell->dispatch(Command::RangeSizeRarity);
  EXPECT_EQ(session->map.title, "range-size rarity (inverse)");
  host.dialogAnswers.push_back(true);
  shell->dispatch(Command::ToolsOptions);
  EXPECT_EQ(session->map.title, "range-size rarity (difference)");
  // Level n richness becomes richness.
  shell->dispatch(Command::LevelNRichness);
  session->settings.rarityFormula = RarityFormula::kInverse;
  host.dialogAnswers.push_back(true);
  shell->dispatch(Command::ToolsOptions);
  EXPECT_EQ(session->map.code(), 1);
  EXPECT_EQ(session->map.title, "richness");
  // Cancel changes nothing.
  session->settings.rarityFormula = RarityFormula::kInverse;
  shell->dispatch(Command::RangeSizeRarity);
  host.dialogAnswers.push_back(false);
  shell->dispatch(Command::ToolsOptions);
  EXPECT_EQ(session->map.title, "range-size rarity (inverse)");
}

TEST_F(ShellScenario, MapInfoSwapAndMapOptionsRetitle) {
  shell->dispatch(Command::RangeSizeRarity);
  host.onDialog = [](const std::string& name, DialogModel& m) {
    if (name == "SummDlgBox") dynamic_cast<MapInfoModel&>(m).pressSwap();
    if (name == "MoptDlgBox") dynamic_cast<MapOptionsModel&>(m).setTitle("my carnivores");
  };
  host.dialogAnswers.push_back(true);
  shell->dispatch(Command::MapInfo);
  EXPECT_TRUE(shell->flags.scoresSwapped);
  EXPECT_TRUE(shell->menu()[Command::OverlayScores].enabled) << "a swap gives the overlay a pair";
  host.dialogAnswers.push_back(true);
  shell->dispatch(Command::MapdrawOptions);
  EXPECT_EQ(host.dialogs.back(), "MoptDlgBox");
  EXPECT_EQ(session->map.title, "my carnivores");  // a typed title stays
}

// An area set on a map without scores is shown with its selected areas.
TEST(MapClasses, AnEmptyMapShowsTheSelectedAreasOfASet) {
  test::ScriptedHost host;
  Session s(host, "/nonexistent");
  setDefaults(s.settings);
  s.ws.cells.resize(static_cast<std::size_t>(s.ws.geo.cells) + 2);
  Palette p;
  allocatePalette(p, -1, s.settings);
  buildPalette(p, s.settings);
  classMapScores(s, p);
  EXPECT_EQ(s.settings.selectedAreasDisplay, AreasShown::kSeeds) << "no set";
  s.areas.cells = {5, 6};
  classMapScores(s, p);
  EXPECT_EQ(s.settings.selectedAreasDisplay, AreasShown::kSeedsAndSelected);
}

TEST_F(ShellScenario, HotspotsAskForTheNumberAndCancelChangesNothing) {
  session->settings.areasToAdd = 5;
  host.dialogAnswers = {false, true};
  shell->dispatch(Command::Hotspots);
  EXPECT_TRUE(session->areas.empty());
  EXPECT_EQ(session->map.code(), kCodeRichness);
  shell->dispatch(Command::Hotspots);
  EXPECT_EQ(session->areas.count(), 5);
  EXPECT_EQ(session->map.code(), kCodeHotspots);
  EXPECT_EQ(host.dialogs, (std::vector<std::string>{"SelecNumDlgBox1", "SelecNumDlgBox1"}));
}

TEST_F(ShellScenario, FlexibleMapWithoutASetIsRefused) {
  shell->dispatch(Command::MapFullyFlexible);
  EXPECT_EQ(host.messageLines(),
            std::vector<std::string>{"Map fully flexible areas: No areas have been selected yet."});
  EXPECT_EQ(session->map.code(), kCodeRichness);
}

}  // namespace
}  // namespace zn
