// The Import data and Export data dialogs: the buttons follow the model and
// a click chooses the layout.
#include "ui/dataio_dialogs.h"

#include <gtest/gtest.h>

#include <QRadioButton>
#include <QTest>

#include "tests/support/widgets.h"

namespace zn {
namespace {

using test::saveScreenshot;

TEST(DataIoDialogs, ImportOpensOnTheQuotedListAndAClickChooses) {
  ImportDialogModel m;
  ImportDataDialog d(m, nullptr);
  ASSERT_NE(d.button(kImportQuoted), nullptr);
  EXPECT_TRUE(d.button(kImportQuoted)->isChecked());
  EXPECT_EQ(d.button(kImportQuoted)->objectName(), "layout1");
  QTest::mouseClick(d.button(kImportMatrix), Qt::LeftButton);
  EXPECT_EQ(m.layout, kImportMatrix);
  EXPECT_FALSE(d.button(kImportQuoted)->isChecked());
  EXPECT_TRUE(d.button(kImportMatrix)->isChecked());
  saveScreenshot(d, "import_data.png");

  // Britain's dialog has no coordinate layouts.
  m.britain = true;
  ImportDataDialog britain(m, nullptr);
  EXPECT_EQ(britain.button(kImportLatLong), nullptr);
  ASSERT_NE(britain.button(kImportTnc), nullptr);
  EXPECT_EQ(britain.button(kImportTnc)->text(), "NWPS format");
}

TEST(DataIoDialogs, ExportOpensOnListTaxa) {
  ExportDialogModel m;
  ExportDataDialog d(m, nullptr);
  EXPECT_TRUE(d.button(kExportTaxa)->isChecked());
  QTest::mouseClick(d.button(kExportTwinspan), Qt::LeftButton);
  EXPECT_EQ(m.layout, kExportTwinspan);
  EXPECT_FALSE(d.button(kExportTaxa)->isChecked());
  saveScreenshot(d, "export_data.png");
}

}  // namespace
}  // namespace zn
