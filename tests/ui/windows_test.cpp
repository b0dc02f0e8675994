// The modeless windows driven through their widgets: "Select grid cells"
// (each button reaches the area set, the window follows clicks on the map and
// goes when its model closes) and the two data windows on a session with a
// datafile open (a click on a button changes the cards, the preselection and
// the map; a change from the map reaches the list).
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <memory>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "shell/data_commands.h"
#include "shell/dispatch.h"
#include "tests/support/data_session.h"
#include "tests/support/shells.h"
#include "tests/support/widgets.h"
#include "ui/datawindows.h"
#include "ui/dialogs.h"
#include "ui/selectiondialogs.h"

namespace zn {
namespace {

using test::buttonLabelled;
using test::saveScreenshot;

QStringList rows(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// Deleted windows go at the next turn of the event loop.
void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

struct SelectGridCells : ::testing::Test, test::SmallShell {
  QPointer<ManualSelectionWindow> window;

  void SetUp() override {
    start();
    session->areas.cells = {50};
    openWindow();
  }
  // "Select grid cells" from the menu, and its window.
  void openWindow() {
    shell->dispatch(Command::ManualSetSelection);
    ASSERT_TRUE(shell->manualSelection);
    window = openManualSelection("SelecDlgBox", *shell->manualSelection, nullptr);
    ASSERT_TRUE(window);
  }
  void TearDown() override {
    delete window.data();
    settle();
  }
  void click(const char* label) {
    QPushButton* b = window ? window->button(label) : nullptr;
    ASSERT_NE(b, nullptr) << label;
    test::click(b);
    settle();
  }
  std::vector<int>& areas() { return session->areas.cells; }
};

// The rules of the set are the model's; here the window shows the set and
// follows the map, each button and key reaches the model, and the window
// goes when the model closes.
TEST_F(SelectGridCells, FollowsTheMapItsButtonsAndEscapeReachTheModelAndTheWindowGoesWithIt) {
  EXPECT_FALSE(window->isModal());
  EXPECT_TRUE(window->isVisible());
  shell->mapDoubleClickRight(864);
  EXPECT_EQ(rows(window->list()), (QStringList{"   1: 50", "   2: 864"}));
  window->resize(window->sizeHint());
  saveScreenshot(*window, "select_grid_cells.png");
  window->list()->item(0)->setSelected(true);
  click("Delete grid cell");
  EXPECT_EQ(rows(window->list()), QStringList{"   1: 864"});
  click("Clear list");
  EXPECT_EQ(window->list()->count(), 0);
  click("Cancel");
  EXPECT_EQ(areas(), std::vector<int>{50});
  EXPECT_FALSE(window) << "the window went with its model";
  EXPECT_FALSE(shell->flags.selectionDialogOpen);

  const auto file = tmp.path() / "set.sed";
  for (const char* how : {"OK", "Escape", "Save file"}) {
    openWindow();
    shell->mapDoubleClickRight(30);
    if (std::string(how) == "Save file") host.saveFiles.push_back(file);
    if (std::string(how) == "Escape") {
      QTest::keyClick(window.data(), Qt::Key_Escape);
      settle();
    } else {
      click(how);
    }
    EXPECT_FALSE(window) << how;
    EXPECT_EQ(areas(), (std::vector<int>{50, 30})) << how;
    areas() = {50};
  }
  EXPECT_EQ(test::readFile(file), "[seed selected grid cell biotas]\n50\n30\n[end]\n");
  openWindow();
  host.openFiles.push_back(file);
  click("Load file");
  EXPECT_FALSE(window);
  EXPECT_EQ(areas(), (std::vector<int>{50, 30}));
}

class DataWindowsTest : public test::DataShellSession {
 protected:
  std::unique_ptr<DataWindows> windows;
  void SetUp() override {
    test::DataShellSession::SetUp();
    open(test::fiveTaxa());
  }
  // The menu command, then its window as the main window opens it.
  void openWindow(Command command, const char* name) {
    shell->dispatch(command);
    windows = std::make_unique<DataWindows>(*shell, nullptr);
    ASSERT_TRUE(windows->open(name));
  }
};

TEST_F(DataWindowsTest, PreselectionExcludesTheSelectedTaxaAndTheClickedCell) {
  openWindow(Command::DataPreselection, "DoptDlgBox");
  ASSERT_TRUE(shell->flags.preselectionDialogOpen);
  PreselectionWindow& w = *windows->preselection();
  saveScreenshot(w, "data_preselection.png");
  ASSERT_EQ(w.taxonList()->count(), 5);
  EXPECT_EQ(w.taxonList()->item(3)->text(), "Delta");

  preselectionMapClick(*shell, 40);  // a right double-click on the map

  w.taxonList()->item(3)->setSelected(true);  // Delta
  test::click(buttonLabelled(w, "OK"));
  EXPECT_FALSE(shell->flags.preselectionDialogOpen);
  EXPECT_EQ(s.ws.counters.taxaWithRecords, 4) << "Delta is excluded";
  EXPECT_EQ(s.ws.cells[40].score, 0.0) << "the clicked cell is excluded";
  EXPECT_EQ(s.ws.cells[50].score, 1.0) << "only Epsilon is left in cell 50";
}

TEST_F(DataWindowsTest, PreselectionGroupCodeTypedAndMinimumLevelReachTheModel) {
  openWindow(Command::DataPreselection, "DoptDlgBox");
  PreselectionWindow& w = *windows->preselection();
  test::typeInto(w.groupCode(), "12");
  test::typeInto(w.minimumLevel(), "2");
  EXPECT_EQ(s.preselection.dialog.minimumLevel, 2);
  // Escape is OK: the group code 12 and level 2 leave Beta (12 at 3 in cell 42).
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_FALSE(shell->flags.preselectionDialogOpen);
  EXPECT_EQ(s.ws.cells[42].score, 1.0);
  EXPECT_EQ(s.ws.cells[41].score, 0.0) << "Beta's level 1 record is below the minimum";
}

TEST_F(DataWindowsTest, EditorWritesATypedNameAndFollowsMapClicks) {
  openWindow(Command::EditData, "EditDlgBox");
  ASSERT_TRUE(shell->flags.mapEditing);
  EditorWindow& w = *windows->editor();
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
