#include "ui/displaydialogs.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace zn {
namespace {

QPushButton* buttonNamed(QWidget& w, const QString& text) {
  for (auto* b : w.findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

TEST(SaveMapDialogWidgets, ShowsAndReturnsTheSaveArea) {
  SaveMapModel m;
  m.area = 1;
  SaveMapDialog d(m);
  EXPECT_EQ(d.areas()->checkedId(), 1);
  d.areas()->button(2)->setChecked(true);
  d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(m.area, 2);

  SaveMapDialog again(m);
  again.areas()->button(0)->setChecked(true);
  again.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  EXPECT_EQ(again.result(), QDialog::Rejected);
  EXPECT_EQ(m.area, 2);
}

TEST(PrintMapDialogWidgets, EditsAreClampedWhenEntered) {
  PrintMapModel m;
  PrintMapDialog d(m);
  EXPECT_EQ(d.width()->value(), 100);
  d.width()->setValue(5);
  d.coast()->setValue(150);
  d.grid()->setValue(-3);
  d.commitEdits();
  EXPECT_EQ(d.width()->value(), 10);
  EXPECT_EQ(d.coast()->value(), 100);
  EXPECT_EQ(d.grid()->value(), 0);
  d.width()->setValue(150);
  buttonNamed(d, "Print")->click();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(m.widthPercent, 100);
  EXPECT_EQ(m.coastThickness, 100);
  EXPECT_FALSE(m.optionsChosen);
}

TEST(PrintMapDialogWidgets, OptionsClosesWithoutPrinting) {
  PrintMapModel m;
  PrintMapDialog d(m);
  buttonNamed(d, "Options")->click();
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_TRUE(m.optionsChosen);
}

TEST(PrintMapDialogWidgets, RunByNameWithItsModel) {
  EXPECT_TRUE(isDisplayDialog("SAVEDLGBOX"));
  EXPECT_TRUE(isDisplayDialog("PRINTDLGBOX"));
  EXPECT_FALSE(isDisplayDialog("MOPTDLGBOX"));
  SaveMapModel wrongModel;
  EXPECT_FALSE(runDisplayDialog("PRINTDLGBOX", wrongModel, nullptr));
  PrintMapModel m;
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<PrintMapDialog*>(w)) buttonNamed(*d, "Print")->click();
  });
  EXPECT_TRUE(runDisplayDialog("PRINTDLGBOX", m, nullptr));
}

TEST(PrintingBoxWidgets, CancelStopsThePrint) {
  PrintingBox box;
  box.open("Printing 'richness'", "to PDF on page.pdf");
  EXPECT_EQ(box.titleText(), "Printing 'richness'");
  EXPECT_EQ(box.destinationText(), "to PDF on page.pdf");
  EXPECT_FALSE(box.cancelled());
  box.dialog()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  EXPECT_TRUE(box.cancelled());
  box.close();
  EXPECT_FALSE(box.dialog()->isVisible());
}

}  // namespace
}  // namespace zn
