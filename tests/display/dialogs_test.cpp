// The save, print and printing dialogs under a user's clicks and typing; the
// clamping itself is the model's.
#include "ui/displaydialogs.h"

#include <gtest/gtest.h>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSpinBox>

#include "tests/support/widgets.h"

namespace zn {
namespace {

using test::click;

QPushButton* boxButton(QWidget& w, QDialogButtonBox::StandardButton which) {
  return w.findChild<QDialogButtonBox*>()->button(which);
}

TEST(SaveMapDialogWidgets, ShowsAndReturnsTheSaveArea) {
  SaveMapModel m;
  m.area = 1;
  SaveMapDialog d(m);
  EXPECT_EQ(d.areas()->checkedId(), 1);
  click(d.areas()->button(2));
  click(boxButton(d, QDialogButtonBox::Ok));
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(m.area, 2);

  SaveMapDialog again(m);
  click(again.areas()->button(0));
  click(boxButton(again, QDialogButtonBox::Cancel));
  EXPECT_EQ(again.result(), QDialog::Rejected);
  EXPECT_EQ(m.area, 2);
}

TEST(PrintMapDialogWidgets, TypedEntriesReachTheModelAndShowItsClamping) {
  PrintMapModel m;
  PrintMapDialog d(m);
  EXPECT_EQ(d.width()->value(), 100);
  test::typeInto(d.width(), "5");
  test::typeInto(d.coast(), "7");
  EXPECT_EQ(m.widthPercent, 10);
  EXPECT_EQ(d.width()->value(), 10);
  EXPECT_EQ(m.coastThickness, 7);
  click(test::buttonLabelled(d, "Print"));
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_FALSE(m.optionsChosen);

  PrintMapDialog options(m);
  click(test::buttonLabelled(options, "Options"));
  EXPECT_EQ(options.result(), QDialog::Rejected);
  EXPECT_TRUE(m.optionsChosen);
}

TEST(PrintingBoxWidgets, CancelStopsThePrint) {
  PrintingBox box;
  box.open("Printing 'richness'", "to PDF on page.pdf");
  EXPECT_EQ(box.titleText(), "Printing 'richness'");
  EXPECT_EQ(box.destinationText(), "to PDF on page.pdf");
  EXPECT_FALSE(box.cancelled());
  click(boxButton(*box.dialog(), QDialogButtonBox::Cancel));
  EXPECT_TRUE(box.cancelled());
  box.close();
  EXPECT_FALSE(box.dialog()->isVisible());
}

}  // namespace
}  // namespace zn
