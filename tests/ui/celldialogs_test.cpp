#include "ui/celldialogs.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "tests/support/widgets.h"

namespace zn {
namespace {

using test::saveScreenshot;

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

QString labelText(QDialog& d, const char* id) { return d.findChild<QLabel*>(id)->text(); }

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
