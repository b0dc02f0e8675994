// The desktop host's Stop box of the exact sets.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include "app/qthost.h"
#include "tests/support/widgets.h"

namespace zn {
namespace {

TEST(StopBox, ShowsEachNoteAndReportsStop) {
  QtHost host;
  EXPECT_TRUE(host.stoppableNote("before the box"));  // no box: never stops
  host.stoppableBegin("Exact minimum set");
  QProgressDialog* box = host.stoppableBox();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  QPushButton* stop = box->findChild<QPushButton*>();
  ASSERT_NE(stop, nullptr);

  EXPECT_TRUE(host.stoppableNote("Best set so far: 12 areas\nLower bound: 11 areas"));
  QLabel* label = box->findChild<QLabel*>();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "Best set so far: 12 areas\nLower bound: 11 areas");
  test::saveScreenshot(*box, "stopbox.png");

  QTest::mouseClick(stop, Qt::LeftButton);
  EXPECT_FALSE(host.stoppableNote("Best set so far: 12 areas"));
  host.stoppableEnd();
  EXPECT_EQ(host.stoppableBox(), nullptr);
}

}  // namespace
}  // namespace zn
