// The "Export scores" dialog: widgets follow the model's rules and the
// user's clicks reach the model.
#include "ui/scoresdialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include "tests/support/widgets.h"

namespace zn {
namespace {

TEST(ExportScoresDialogWidgets, RadiosExcludeEachOtherAndMismatchNeedsAPair) {
  ExportScoresModel m;
  ExportScoresDialog d(m);
  test::saveScreenshot(d, "export_scores.png");
  EXPECT_TRUE(d.control(kExportCellNumbers)->isChecked());
  EXPECT_TRUE(d.control(kExportScr)->isChecked());
  EXPECT_FALSE(d.control(kExportMismatch)->isEnabled());

  test::click(d.control(kExportCentroids));
  EXPECT_EQ(m.layout(), kLayoutCentroids);
  EXPECT_FALSE(d.control(kExportScr)->isChecked()) << "the model, not Qt, keeps the radios apart";
  test::click(d.control(kExportCellNumbers));
  test::click(d.control(kExportScr));
  EXPECT_EQ(m.layout(), kLayoutPlain);

  ExportScoresModel pair;
  pair.pairLoaded = true;
  ExportScoresDialog p(pair);
  ASSERT_TRUE(p.control(kExportMismatch)->isEnabled());
  test::click(p.control(kExportMismatch));
  EXPECT_TRUE(pair.mismatch());
  EXPECT_FALSE(p.control(kExportScr)->isChecked());
}

// The dialog run by its name works on the model it is given.
TEST(ExportScoresDialogWidgets, RunByNameTheClicksReachTheModel) {
  ExportScoresModel m;
  // Other tests may have left windows up: only the export dialog is answered.
  QTimer::singleShot(0, [] {
    if (auto* d = test::shownWindow<ExportScoresDialog>()) {
      test::click(d->control(kExportBackground));
      test::click(d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
    }
  });
  EXPECT_TRUE(runScoresDialog("DEXSDLGBOX", m, nullptr));
  EXPECT_EQ(m.layout(), kLayoutPair);
}

}  // namespace
}  // namespace zn
