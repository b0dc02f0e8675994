// The two modeless data windows driven through their widgets on a session
// with a datafile open: what a click on a button does to the cards, the
// preselection and the map, and that a change from the map reaches the list.
#include "ui/datawindows.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "shell/data_commands.h"
#include "shell/dispatch.h"
#include "tests/support/data_session.h"
#include "tests/support/widgets.h"

namespace zn {
namespace {

using test::buttonLabelled;
using test::saveScreenshot;

class DataWindowsTest : public test::DataShellSession {
 protected:
  void SetUp() override {
    test::DataShellSession::SetUp();
    open(test::fiveTaxa());
  }
};

TEST_F(DataWindowsTest, PreselectionExcludesTheSelectedTaxaAndTheClickedCell) {
  shell->dispatch(Command::DataPreselection);
  ASSERT_TRUE(shell->flags.preselectionDialogOpen);
  DataWindows windows(*shell, nullptr);
  ASSERT_TRUE(windows.open("DoptDlgBox"));
  PreselectionWindow& w = *windows.preselection();
  saveScreenshot(w, "data_preselection.png");
  ASSERT_EQ(w.taxonList()->count(), 5);
  EXPECT_EQ(w.taxonList()->item(3)->text(), "Delta");

  // A right double-click on the map reaches the window's area list.
  preselectionMapClick(*shell, 40);
  ASSERT_EQ(w.areaList()->count(), 1);

  w.taxonList()->item(3)->setSelected(true);  // Delta
  test::click(buttonLabelled(w, "OK"));
  EXPECT_FALSE(shell->flags.preselectionDialogOpen);
  EXPECT_EQ(s.ws.counters.taxaWithRecords, 4) << "Delta is excluded";
  EXPECT_EQ(s.ws.cells[40].score, 0.0) << "the clicked cell is excluded";
  EXPECT_EQ(s.ws.cells[50].score, 1.0) << "only Epsilon is left in cell 50";
}

TEST_F(DataWindowsTest, PreselectionGroupCodeTypedAndMinimumLevelReachTheModel) {
  shell->dispatch(Command::DataPreselection);
  DataWindows windows(*shell, nullptr);
  ASSERT_TRUE(windows.open("DoptDlgBox"));
  PreselectionWindow& w = *windows.preselection();
  test::typeInto(w.groupCode(), "12");
  test::typeInto(w.minimumLevel(), "2");
  EXPECT_EQ(s.preselection.dialog.groupCode, "12");
  EXPECT_EQ(s.preselection.dialog.minimumLevel, 2);
  // Escape is OK: the group code 12 and level 2 leave Beta (12 at 3 in cell 42).
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_FALSE(shell->flags.preselectionDialogOpen);
  EXPECT_EQ(s.ws.cells[42].score, 1.0);
  EXPECT_EQ(s.ws.cells[41].score, 0.0) << "Beta's level 1 record is below the minimum";
}

TEST_F(DataWindowsTest, EditorWritesATypedNameAndFollowsMapClicks) {
  shell->dispatch(Command::EditData);
  ASSERT_TRUE(shell->flags.mapEditing);
  DataWindows windows(*shell, nullptr);
  ASSERT_TRUE(windows.open("EditDlgBox"));
  EditorWindow& w = *windows.editor();
  saveScreenshot(w, "data_editor.png");
  ASSERT_EQ(w.list()->count(), 5);

  w.list()->setCurrentRow(1);  // Beta
  EXPECT_EQ(w.name()->text(), "Beta");
  test::typeInto(w.name(), "Betula");
  test::click(buttonLabelled(w, "Write"));
  EXPECT_EQ(s.ws.cards.name(1), "Betula");

  // A left click on the map raises Beta's level in an empty cell; the
  // status line of the window says so.
  const int before = s.ws.cards.level(1, 60);
  editorMapClick(*shell, 60, true);
  EXPECT_NE(s.ws.cards.level(1, 60), before);
  EXPECT_FALSE(w.clickText()->text().isEmpty());
}

}  // namespace
}  // namespace zn
