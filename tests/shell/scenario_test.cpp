// Whole user sessions through the dispatcher and the scripted host: on the
// shipped carnivore sample what the user sees in message boxes, titles, menus
// and files; the mouse on the map (which dialog or window a click reaches in
// each mode, and that clicks outside the grid or in the wrong mode change
// nothing); and the exact-set commands with their progress box and its Stop.
#include <gtest/gtest.h>

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "selection/values.h"
#include "shell/dispatch.h"
#include "shell/exact_commands.h"
#include "shell/mapclasses.h"
#include "shell/options.h"
#include "shell/selection_commands.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/text.h"
#include "tests/support/map_fixture.h"
#include "tests/support/sessions.h"
#include "tests/support/shells.h"

namespace zn {
namespace {

struct ShellScenario : test::ShellFixture {
  void SetUp() override {
    ASSERT_TRUE(start());
    shell->refreshMenus();
    open("equal/carnivora.dat");
  }
};

TEST_F(ShellScenario, OpenTheSampleThenRarityThenQuantitativeDataAreStandardisedOnce) {
  ASSERT_TRUE(session->ws.datafile.opened);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_GT(shell->display.classes.scoredCells, 400);
  EXPECT_TRUE(shell->menu()[Command::RangeSizeRarity].enabled);
  EXPECT_TRUE(shell->menu()[Command::SubtreeLength].enabled);             // the codes give tree data
  EXPECT_FALSE(shell->menu()[Command::StandardiseQuantitative].enabled);  // presence data

  session->settings.rarityFormula = RarityFormula::kDifference;
  shell->dispatch(Command::RangeSizeRarity);
  shell->dispatch(Command::SmoothScores);
  shell->dispatch(Command::MeanScores);
  EXPECT_EQ(session->map.title, "smoothed (9) mean range-size rarity (difference)");

  // Quantitative data, opened over the carnivores, are standardised once.
  open("austral/acacia.dat");
  ASSERT_TRUE(session->ws.datafile.opened);
  EXPECT_EQ(host.messageLines(), std::vector<std::string>{"File: " + (home / "austral/acacia.dat").string() +
                                                          ": Data in quantitative mode"});
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

TEST_F(ShellScenario, ExitQuestionNamesGridAndDataAndYesStoresTheMapOnScreen) {
  shell->dispatch(Command::RangeSizeRarity);
  host.answers.push_back(Answer::Yes);
  EXPECT_TRUE(shell->confirmExit());
  EXPECT_EQ(host.messageLines().back(),
            "Exit ZONARIUM?: GRID:  equal (World land cells)\nDATA:  carnivora.dat (Carnivora world, PHYLACINE 1.2)");
  Settings back;
  ASSERT_TRUE(readOptions(back, home / "ZONARIUM.OPP"));
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
  EXPECT_TRUE(shell->stepTaxon(100000));
  EXPECT_EQ(firstMarkedTaxon(session->ws), session->ws.taxaCount - 1);
}

TEST_F(ShellScenario, ToolsOptionsRerunFollowsTheMapOnScreenMapInfoSwapsMapOptionsRetitle) {
  host.onDialog = [](const std::string& name, DialogModel& m) {
    ASSERT_EQ(name, "ToptDlgBox");
    dynamic_cast<ToolsOptionsModel&>(m).setChecked(topt::kRarityDifference, true);
  };
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

  // Map info swaps, Map drawing options retitle.
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
  EXPECT_EQ(session->map.title, "my carnivores");  // a typed title stays
}

// An area set on a map without scores is shown with its selected areas.
TEST(MapClasses, AnEmptyMapShowsTheSelectedAreasOfASet) {
  test::MapFixture f;
  classMapScores(f.s, f.d.palette);
  EXPECT_EQ(f.s.settings.selectedAreasDisplay, AreasShown::kSeeds) << "no set";
  f.s.areas.cells = {5, 6};
  classMapScores(f.s, f.d.palette);
  EXPECT_EQ(f.s.settings.selectedAreasDisplay, AreasShown::kSeedsAndSelected);
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

// The titles of the ranked and greedy maps are checked here, with the commands
// that put them on the map.
TEST_F(ShellScenario, IrreplaceabilityAndGreedyMapsAndTheFlexibleMapRefusal) {
  shell->dispatch(Command::EmrIrreplaceability);
  EXPECT_EQ(session->map.title, "EMR irreplaceability");
  shell->dispatch(Command::MaxRarity);
  EXPECT_EQ(session->map.title, "max rarity");
  shell->dispatch(Command::MapFullyFlexible);
  EXPECT_EQ(host.messageLines(),
            std::vector<std::string>{"Map fully flexible areas: No areas have been selected yet."});
  EXPECT_EQ(session->map.code(), kCodeMaxRarity);
  shell->dispatch(Command::GreedySet);
  ASSERT_FALSE(session->areas.empty());
  EXPECT_EQ(session->map.title, strprintf("greedy richness-area set for 1 rep (%d areas)", session->areas.count()));
}

// ----- The mouse on the map

struct MapClicks : ::testing::Test, test::SmallShell {
  void SetUp() override { start(); }
  std::vector<int>& areas() { return session->areas.cells; }
  bool checked(Command c) { return shell->menu()[c].checked; }
};

TEST_F(MapClicks, RightDoubleClickOpensSelectionThenAddsTheCellsClicked) {
  shell->mapDoubleClickRight(20);
  EXPECT_EQ(host.dialogs, std::vector<std::string>{"SelecDlgBox"});
  ASSERT_TRUE(shell->manualSelection);
  EXPECT_TRUE(shell->flags.selectionDialogOpen);
  EXPECT_TRUE(checked(Command::ManualSetSelection));
  EXPECT_TRUE(areas().empty()) << "the click that opens the dialog adds nothing";

  int listChanges = 0;
  shell->manualSelection->onListChanged = [&] { ++listChanges; };
  shell->mapDoubleClickRight(20);
  shell->mapDoubleClickRight(40);
  EXPECT_EQ(areas(), (std::vector<int>{20, 40}));
  EXPECT_EQ(listChanges, 2);
  EXPECT_EQ(host.dialogs.size(), 1u) << "no second dialog while one is open";
  // A cell already chosen closes the dialog as OK; the next right
  // double-click opens a fresh one.
  shell->mapDoubleClickRight(20);
  EXPECT_FALSE(shell->flags.selectionDialogOpen);
  EXPECT_FALSE(checked(Command::ManualSetSelection));
  shell->mapDoubleClickRight(30);
  EXPECT_EQ(host.dialogs.size(), 2u);
  EXPECT_TRUE(shell->manualSelection->isOpen());
}

TEST_F(MapClicks, ClearListEmptiesTheSetItsSeedsAndTheScores) {
  areas() = {50, 20};
  session->areas.seedCount = 1;
  session->areas.nearMinimumDone = true;
  session->ws.cells[50].score = 3.0;
  shell->mapDoubleClickRight(30);
  shell->manualSelection->clearList();
  EXPECT_TRUE(areas().empty());
  EXPECT_EQ(session->areas.seedCount, 0);
  EXPECT_FALSE(session->areas.nearMinimumDone);
  EXPECT_EQ(session->ws.cells[50].score, 0.0);
}

TEST_F(MapClicks, ClicksOutsideTheGridDoNothing) {
  const int cells = session->ws.geo.cells;
  for (int cell : {0, -1, cells + 1, 100000}) {
    shell->mapDoubleClickRight(cell);
    shell->mapDoubleClickLeft(cell);
    shell->mapClick(cell, true);
    shell->mapClick(cell, false);
  }
  EXPECT_TRUE(host.dialogs.empty());
  EXPECT_FALSE(shell->flags.selectionDialogOpen);
  EXPECT_EQ(session->map.code(), kCodeRichness);
}

// The steps of the level are the editor's; here the clicks reach it and
// double-clicks open nothing.
TEST_F(MapClicks, EditorTakesClicksAndIgnoresDoubleClicks) {
  shell->dispatch(Command::EditData);
  ASSERT_TRUE(shell->flags.mapEditing);
  const int taxon = session->editor.dialog.current;
  ASSERT_EQ(session->ws.cards.level(taxon, 77), 0);
  shell->mapClick(77, true);
  ASSERT_EQ(session->ws.cards.level(taxon, 77), 1);
  shell->mapDoubleClickLeft(77);
  shell->mapDoubleClickRight(77);
  EXPECT_TRUE(host.dialogs.empty());
  EXPECT_FALSE(shell->flags.selectionDialogOpen);
  EXPECT_EQ(session->ws.cards.level(taxon, 77), 1);
}

TEST_F(MapClicks, LeftClickShowsGoalEssentialTaxaOnlyOnASetMap) {
  shell->mapClick(10, true);
  EXPECT_EQ(session->map.code(), kCodeRichness) << "a richness map ignores the click";
  session->settings.nearMinimumGoal = 1;
  shell->dispatch(Command::NearMinimumSet);
  ASSERT_EQ(session->map.code(), kCodeNearMinimum);
  // Within the set {10, 30, 20}: T3 has cell 30 alone, T1 and T5 cell 10.
  shell->mapClick(30, true);
  EXPECT_EQ(session->map.code(), kCodeFlexibilityPlot);
  EXPECT_EQ(session->map.currentTaxon, 2);
  shell->mapClick(10, true);
  EXPECT_EQ(session->map.dataTitle, "2 goal-essential taxa");
  shell->mapClick(10, false);
  EXPECT_EQ(session->map.code(), kCodeFlexibilityPlot) << "the right button has no such action";
}

TEST_F(MapClicks, LeftDoubleClickListsTheBiotaOfTheCell) {
  const int before = host.redraws;
  shell->mapDoubleClickLeft(20);
  EXPECT_EQ(host.dialogs, std::vector<std::string>{"BIOTADLGBOX1"});
  EXPECT_GE(host.redraws, before + 2) << "redrawn before and after the list";
  EXPECT_EQ(session->map.code(), kCodeRichness);
}

// ----- The exact-set commands

// Records the progress box; Stop is pressed at the note numbered stopAt.
struct StopHost : test::ScriptedHost {
  std::vector<std::string> boxes;  // "begin TITLE", "end"
  std::vector<std::string> notes;
  int stopAt = 0;  // 0: never
  void stoppableBegin(const std::string& title) override { boxes.push_back("begin " + title); }
  bool stoppableNote(const std::string& text) override {
    notes.push_back(text);
    return stopAt == 0 || static_cast<int>(notes.size()) < stopAt;
  }
  void stoppableEnd() override { boxes.push_back("end"); }
};

using test::taxon;

struct ExactCommands : ::testing::Test, test::ShellOnData<StopHost> {
  int areasAsked = 1;

  void SetUp() override {
    open("ring.dat", "Ring",
         {taxon("T1", {10, 20}), taxon("T2", {20, 30}), taxon("T3", {30, 40}), taxon("T4", {40, 10}),
          taxon("T5", {50})});
    host.onDialog = [this](const std::string&, DialogModel& m) {
      if (auto* n = dynamic_cast<NumberOfAreasModel*>(&m)) n->number = areasAsked;
    };
  }
  std::string results() { return test::readFile(shell->resultsFile()); }
  bool inResults(const std::string& part) { return results().find(part) != std::string::npos; }
};

TEST_F(ExactCommands, MinimumSetMapsTheOptimumWithinTheOptionsTimeLimit) {
  session->settings.exactTimeLimit = 5;
  shell->dispatch(Command::ExactMinimumSet);
  EXPECT_EQ(session->map.title, "exact minimum set (3 areas)");
  shell->retitle();  // a title built again (Map drawing options, say) still names the set
  EXPECT_EQ(session->map.title, "exact minimum set (3 areas)");
  EXPECT_EQ(host.boxes, (std::vector<std::string>{"begin Exact minimum set", "end"}));
  ASSERT_FALSE(host.notes.empty());
  EXPECT_NE(host.notes.front().find("of 5 seconds"), std::string::npos) << host.notes.front();
  EXPECT_EQ(host.busyDepth, 0);
}

// A click on the near-minimum map turns it into the flexibility plot; the set
// is still the quick answer on the user's seeds, not a set of seeds.
TEST_F(ExactCommands, AfterAClickOnTheQuickMapOnlyTheUsersSeedsStay) {
  session->areas.cells = {50};  // the user's one seed
  shell->dispatch(Command::NearMinimumSet);
  const int quick = session->areas.count() - 1;
  ASSERT_GT(quick, 0);
  shell->mapClick(session->areas.cells.back(), true);
  ASSERT_EQ(session->map.code(), kCodeFlexibilityPlot);
  shell->dispatch(Command::ExactMinimumSet);
  EXPECT_EQ(session->areas.seedCount, 1);
  EXPECT_EQ(session->areas.cells.front(), 50);
  EXPECT_FALSE(shell->flags.flexibilityData);  // the exact set has no flexibility classes
  EXPECT_TRUE(inResults(strprintf("  near-minimum set: %d areas, exact minimum: 2 areas", quick))) << results();

  // Run again on the exact set: its own areas give way as well.
  shell->dispatch(Command::ExactMinimumSet);
  EXPECT_EQ(session->areas.count(), 3);
  EXPECT_EQ(session->areas.seedCount, 1);
  EXPECT_EQ(results().find("objective: 0 areas"), std::string::npos) << results();
}

TEST_F(ExactCommands, StopKeepsTheBestSetAndNeverCallsItOptimal) {
  host.stopAt = 1;
  shell->dispatch(Command::ExactMinimumSet);
  EXPECT_EQ(host.boxes.back(), "end");
  EXPECT_GE(session->areas.count(), 3);
  EXPECT_TRUE(inResults("  Exact minimum set: stopped by the user\r\n")) << results();
}

TEST_F(ExactCommands, NothingWhileThePreselectionDialogIsOpenThenCoverageAsksForTheNumber) {
  // Nothing while the preselection dialog is open.
  shell->flags.preselectionDialogOpen = true;
  shell->dispatch(Command::ExactMinimumSet);
  shell->dispatch(Command::ExactMaximumCoverage);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_TRUE(host.dialogs.empty());
  EXPECT_TRUE(session->areas.cells.empty());

  // Closed, coverage asks for the number and stops on Cancel.
  shell->flags.preselectionDialogOpen = false;
  shell->dispatch(Command::ExactMaximumCoverage);  // no answer queued: Cancel
  EXPECT_EQ(host.dialogs, (std::vector<std::string>{"SelecNumDlgBox1"}));
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_TRUE(session->areas.cells.empty());
  areasAsked = 1;
  host.dialogAnswers.push_back(true);
  shell->dispatch(Command::ExactMaximumCoverage);
  EXPECT_EQ(session->map.title, "exact maximum coverage (1 areas)");
}

}  // namespace
}  // namespace zn
