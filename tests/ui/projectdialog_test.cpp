// The "New project" dialog on a polygon layer: its fields offered from the
// file typed, chosen by keyboard, and taken by Make.
#include "ui/projectdialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <fstream>

#include "tests/support/fixtures.h"
#include "tests/support/widgets.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

QStringList itemsOf(const QComboBox* c) {
  QStringList out;
  for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
  return out;
}

void typeLine(QLineEdit* e, const std::string& text) {
  QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(e, QString::fromStdString(text));
}

TEST(NewProjectDialogWidgets, LayerFieldsAreOfferedFromTheFileAndMakeTakesThem) {
  test::TempDir tmp;
  const fs::path layer = tmp.path() / "reserves.geojson";
  std::ofstream(layer) << R"({"type":"FeatureCollection","features":[{"type":"Feature",)"
                          R"("properties":{"code":7,"price":2.5,"state":0},"geometry":{"type":"Polygon",)"
                          R"("coordinates":[[[0,0],[1,0],[1,1],[0,1],[0,0]]]}}]})";
  NewProjectModel m = newProjectModel(GridVariant::World);
  NewProjectDialog d(m, nullptr);
  d.show();
  QTest::mouseClick(d.layerUnits(), Qt::LeftButton);
  ASSERT_TRUE(d.layer()->isVisible());
  EXPECT_FALSE(d.cell()->isVisible());

  // A file GDAL cannot read is named once its name is typed, not at each
  // key; a layer's fields fill the three lists.
  std::ofstream(tmp.path() / "notes.txt") << "no layer\n";
  typeLine(d.layer(), (tmp.path() / "notes.txt").string());
  EXPECT_TRUE(d.problem()->text().isEmpty()) << d.problem()->text().toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !d.problem()->text().isEmpty(); }));
  EXPECT_NE(d.problem()->text().indexOf("is not a layer GDAL can read"), -1) << d.problem()->text().toStdString();
  typeLine(d.layer(), layer.string());
  EXPECT_EQ(d.idField()->count(), 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return d.idField()->count() > 1; }));
  const QStringList fields{"(none)", "code", "price", "state"};
  for (const QComboBox* c : {d.idField(), d.costField(), d.statusField()}) EXPECT_EQ(itemsOf(c), fields);

  QTest::keyClicks(d.idField(), "code");
  QTest::keyClicks(d.costField(), "price");
  typeLine(d.input(), (tmp.path() / "records.csv").string());
  typeLine(d.output(), (tmp.path() / "reserves.gpkg").string());
  test::saveScreenshot(d, "new_project_layer.png");
  EXPECT_TRUE(m.grid) << "the model changes only on Make";
  QTest::mouseClick(d.okButton(), Qt::LeftButton);
  ASSERT_EQ(d.result(), QDialog::Accepted) << d.problem()->text().toStdString();
  EXPECT_FALSE(m.grid);
  EXPECT_EQ(m.layer, layer.string());
  EXPECT_EQ(m.idField, "code");
  EXPECT_EQ(m.costField, "price");
  EXPECT_EQ(m.statusField, "");
  EXPECT_EQ(m.crs, "") << "a layer keeps its own CRS unless one is typed";
  EXPECT_EQ(m.output, (tmp.path() / "reserves.gpkg").string());
}

}  // namespace
}  // namespace zn
