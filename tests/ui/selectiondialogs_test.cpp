// "Select grid cells", the two "Automated area selection" dialogs, "List of
// biota" and "Gridcell name" driven through their widgets: what each button
// does to the area set or the model, that the modeless window follows clicks
// on the map and goes when its model closes.
#include "ui/selectiondialogs.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "tests/support/shells.h"
#include "tests/support/widgets.h"
#include "ui/celldialogs.h"
#include "ui/dialogs.h"

namespace zn {
namespace {

using test::saveScreenshot;

QString labelText(QWidget& w, const char* id) {
  auto* l = w.findChild<QLabel*>(id);
  return l ? l->text() : QString("(no label %1)").arg(id);
}

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

TEST_F(SelectGridCells, ShowsTheSetAndFollowsTheMap) {
  EXPECT_FALSE(window->isModal());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(rows(window->list()), QStringList{"   1: 50"});
  shell->mapDoubleClickRight(20);
  shell->mapDoubleClickRight(864);
  EXPECT_EQ(rows(window->list()), (QStringList{"   1: 50", "   2: 20", "   3: 864"}));
  window->resize(window->sizeHint());
  saveScreenshot(*window, "select_grid_cells.png");
}

// The rules of the set are the model's; here each button and key reaches it
// and the window goes when the model closes.
TEST_F(SelectGridCells, ButtonsAndEscapeReachTheModelAndTheWindowGoesWithIt) {
  shell->mapDoubleClickRight(20);
  window->list()->item(0)->setSelected(true);
  click("Delete grid cell");
  EXPECT_EQ(rows(window->list()), QStringList{"   1: 20"});
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

NumberOfAreasModel numberModel() {
  NumberOfAreasModel m;
  m.seedsLine = "Number of selected (seed) areas: 3";
  m.maxLine = "(max 1097)";
  m.number = 12;
  m.maximum = 1097;
  return m;
}

// Return and Escape take the typed number; Cancel keeps the one before.
TEST(AreaNumberDialogWidgets, ShowTheSetAndTakeTheTypedNumberUnlessCancelled) {
  NumberOfAreasModel m = numberModel();
  {
    AreaNumberDialog d(m);
    EXPECT_EQ(labelText(d, "seeds"), "Number of selected (seed) areas: 3");
    EXPECT_EQ(labelText(d, "maximum"), "(max 1097)");
    EXPECT_EQ(d.number()->value(), 12);
    saveScreenshot(d, "area_number.png");
    d.number()->selectAll();
    QTest::keyClicks(d.number(), "99");
    test::click(d.cancelButton());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(m.number, 12);
  }
  for (auto [key, typed] : {std::pair{Qt::Key_Return, 40}, std::pair{Qt::Key_Escape, 99}}) {
    AreaNumberDialog d(m);
    d.show();
    d.number()->selectAll();
    QTest::keyClicks(d.number(), QString::number(typed));
    QTest::keyClick(key == Qt::Key_Return ? static_cast<QWidget*>(d.number()) : &d, key);
    EXPECT_EQ(d.result(), QDialog::Accepted) << typed;
    EXPECT_EQ(m.number, typed);
  }
}

TEST(BudgetDialogWidgets, ShowTheBoundsAndTakeAWholeBudget) {
  BudgetModel m;
  m.minimumLine = "Minimum cost of an area: 2";
  m.totalLine = "Total cost of all areas: 870";
  m.budget = 40.0;
  {
    BudgetDialog d(m);
    EXPECT_EQ(labelText(d, "minimumCost"), "Minimum cost of an area: 2");
    EXPECT_EQ(labelText(d, "totalCost"), "Total cost of all areas: 870");
    EXPECT_EQ(d.budget()->value(), 40.0);
    saveScreenshot(d, "area_budget.png");
    d.show();
    d.budget()->selectAll();
    QTest::keyClicks(d.budget(), "12.7");
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(m.budget, 40.0) << "Cancel keeps the budget";
  }
  BudgetDialog d(m);
  d.show();
  d.budget()->selectAll();
  QTest::keyClicks(d.budget(), "125");
  QTest::keyClick(d.budget(), Qt::Key_Return);
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(m.budget, 125.0);
}

CellListModel listModel() {
  CellListModel m;
  m.cell = 7;
  m.resource = "BIOTADLGBOX1";
  m.cellLine = "Area 7: Lisbon           ";
  m.coordinates = "37'12-43'40N    0'-10'W";
  m.infoLines = {"choice 2 by", "greedy richness-area set for 1 rep (3 areas)", ""};
  m.lines = {"Alpha", "(Beta)", "Gamma"};
  m.lineTaxon = {0, 1, 2};
  m.counts = "2(3)/5 taxa";
  return m;
}

TEST(CellListDialogWidgets, ShowTheModelsLines) {
  CellListModel m = listModel();
  CellListDialog d(m, false);
  saveScreenshot(d, "list_of_biota.png");
  EXPECT_EQ(labelText(d, "cellLine"), "Area 7: Lisbon           ");
  EXPECT_EQ(labelText(d, "coordinates"), "37'12-43'40N    0'-10'W");
  EXPECT_EQ(labelText(d, "info1"), "choice 2 by");
  EXPECT_EQ(labelText(d, "counts"), "2(3)/5 taxa");
  ASSERT_EQ(d.list()->count(), 3);
  EXPECT_EQ(d.list()->item(1)->text(), "(Beta)");
  EXPECT_TRUE(d.grouped()->isChecked());
  EXPECT_FALSE(d.rangeSizes()->isChecked());
}

TEST(CellListDialogWidgets, ButtonsCloseWithTheirAction) {
  using A = CellListModel::Action;
  struct Case {
    QAbstractButton* (*button)(CellListDialog&);
    bool locked;
    A action;
  };
  const Case cases[] = {
      {[](CellListDialog& d) -> QAbstractButton* { return d.plotSelected(); }, false, A::PlotSelected},
      {[](CellListDialog& d) -> QAbstractButton* { return d.plotAll(); }, false, A::PlotAll},
      {[](CellListDialog& d) -> QAbstractButton* { return d.grouped(); }, false, A::ToggleGrouped},
      // Range sizes locked: the box stays clear and nothing is decided.
      {[](CellListDialog& d) -> QAbstractButton* { return d.rangeSizes(); }, true, A::Close},
  };
  for (const Case& c : cases) {
    CellListModel m = listModel();
    m.rangeSizesLocked = c.locked;
    CellListDialog d(m, false);
    d.list()->item(0)->setSelected(true);
    d.list()->item(2)->setSelected(true);
    test::click(c.button(d));
    EXPECT_EQ(m.action, c.action);
    EXPECT_EQ(d.result(), c.locked ? 0 : QDialog::Accepted);
    EXPECT_FALSE(m.grouped == (c.action == A::ToggleGrouped));
    EXPECT_FALSE(m.rangeSizes);
    EXPECT_FALSE(d.rangeSizes()->isChecked());
    if (c.action == A::PlotSelected) {
      EXPECT_EQ(m.selected, (std::vector<int>{0, 2}));
    }
  }
}

TEST(CellListDialogWidgets, EditNameRefreshesTheCellLine) {
  CellListModel m = listModel();
  int edits = 0;
  m.editCellName = [&] {
    ++edits;
    m.cellLine = "Area 7: Porto            ";
  };
  CellListDialog d(m, true);
  test::click(d.editName());
  EXPECT_EQ(edits, 1);
  EXPECT_EQ(d.cellLine()->text(), "Area 7: Porto            ");
}

TEST(CellNameDialogWidgets, EscapeKeepsTheNameCancelDoesNot) {
  CellNameModel m;
  m.prompt = "Edit name for area 7:";
  m.name = "Lisbon";
  {
    CellNameDialog d(m);
    saveScreenshot(d, "gridcell_name.png");
    EXPECT_EQ(d.name()->maxLength(), 17);
    test::typeInto(d.name(), "Porto");
    d.show();
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(m.name, "Porto");
  }
  {
    CellNameDialog d(m);
    test::typeInto(d.name(), "Faro");
    test::click(d.cancelButton());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(m.name, "Porto");
  }
}

}  // namespace
}  // namespace zn
