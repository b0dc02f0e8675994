// Mouse on the map through the dispatcher: which dialog or window a click
// reaches in each mode, what it changes, and that clicks outside the grid
// or in the wrong mode change nothing.
#include <gtest/gtest.h>

#include "measures/scores.h"
#include "shell/selection_commands.h"
#include "tests/support/shells.h"

namespace zn {
namespace {

struct MapClicks : ::testing::Test, test::SmallShell {
  void SetUp() override { start(); }
  std::vector<int>& areas() { return session->areas.cells; }
  std::string results() { return test::readFile(shell->resultsFile()); }
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
  ASSERT_EQ(areas(), (std::vector<int>{10, 30, 20}));
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

}  // namespace
}  // namespace zn
