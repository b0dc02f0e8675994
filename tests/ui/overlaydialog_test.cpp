// The "Overlay scores" dialog: labels with the counts, OK takes the chosen
// method, Cancel leaves the model alone.
#include "ui/overlaydialog.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>

#include "tests/support/widgets.h"

namespace zn {
namespace {

QPushButton* standardButton(QDialog& d, QDialogButtonBox::StandardButton which) {
  return d.findChild<QDialogButtonBox*>()->button(which);
}

TEST(OverlayDialogWidgets, LabelsCarryTheCountsAndOkTakesTheMethod) {
  OverlayDialogModel m;
  m.unionCount = 120;
  m.sharedCount = 45;
  OverlayDialog d(m);
  test::saveScreenshot(d, "overlay_scores.png");
  EXPECT_EQ(d.orButton()->text(), "use all cells with scores (logical 'or') 120 cells");
  EXPECT_EQ(d.andButton()->text(), "use only shared scores  (logical 'and') 45 cells");
  EXPECT_TRUE(d.orButton()->isChecked());
  EXPECT_TRUE(d.schemeButton(2)->isChecked());
  test::click(d.andButton());
  test::click(d.schemeButton(0));
  EXPECT_EQ(m.method, 0) << "the model changes only on OK";
  test::click(standardButton(d, QDialogButtonBox::Ok));
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(m.method, 1);
  EXPECT_EQ(m.scheme, 0);

  // Shown again on the method taken; Cancel keeps it.
  OverlayDialog again(m);
  EXPECT_TRUE(again.andButton()->isChecked());
  test::click(again.orButton());
  test::click(again.schemeButton(3));
  test::click(standardButton(again, QDialogButtonBox::Cancel));
  EXPECT_EQ(again.result(), QDialog::Rejected);
  EXPECT_EQ(m.method, 1);
  EXPECT_EQ(m.scheme, 0);
}

}  // namespace
}  // namespace zn
