// The modal dialogs driven through their widgets: input reaches the model
// and the widgets show what the model holds (the rules are the models' and
// tested with them), and each dialog runs by its resource name.
#include "ui/optiondialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <set>

#include "tests/support/fixtures.h"
#include "tests/support/widgets.h"
#include "ui/celldialogs.h"
#include "ui/dataio_dialogs.h"
#include "ui/dialogs.h"
#include "ui/displaydialogs.h"
#include "ui/overlaydialog.h"
#include "ui/projectdialog.h"
#include "ui/scoresdialog.h"
#include "ui/selectiondialogs.h"

namespace zn {
namespace {

using test::click;
using test::saveScreenshot;
namespace fs = std::filesystem;

Settings darkDefaults() {
  Settings s;
  setDefaults(s);
  return s;
}

// Clicks the button box's OK or Cancel; the dialog closes accepted or rejected.
void closeWith(QDialog& d, QDialogButtonBox::StandardButton which) {
  click(d.findChild<QDialogButtonBox*>()->button(which));
  EXPECT_EQ(d.result(), which == QDialogButtonBox::Ok ? QDialog::Accepted : QDialog::Rejected);
}

// Each control's widget carries the name of its binding, once per dialog.
TEST(OptionDialogWidgets, EveryControlIsFoundByItsName) {
  ToolsOptionsModel tools(darkDefaults(), ToolsOptionsFacts{});
  ToolsOptionsDialog toolsDialog(tools);
  MapOptionsModel map(darkDefaults(), "", MapOptionsFacts{});
  MapOptionsDialog mapDialog(map);
  struct Dialog {
    QDialog* dialog;
    const std::vector<Control>& controls;
  };
  for (const Dialog& d : {Dialog{&toolsDialog, toolsControls()}, Dialog{&mapDialog, mapControls()}}) {
    std::set<std::string> seen;
    for (const Control& c : d.controls) {
      const std::string name = c.name ? c.name : "";
      EXPECT_FALSE(name.empty());
      EXPECT_TRUE(seen.insert(name).second) << name;
      EXPECT_EQ(d.dialog->findChildren<QWidget*>(QString::fromStdString(name)).size(), 1) << name;
    }
  }
}

// The widgets pass input to the model and show what the model then holds;
// the rules themselves are the model's and tested there.
TEST(ToolsOptionsDialogWidgets, InputReachesTheModelAndTheWidgetsFollowIt) {
  ToolsOptionsFacts f;
  f.candidateCells = 40;
  f.areaCount = 6;
  f.seedCount = 2;
  Settings s = darkDefaults();
  s.rangeSizeThreshold = 10;
  ToolsOptionsModel m(s, f);
  ToolsOptionsDialog d(m);
  saveScreenshot(d, "tools_options.png");
  EXPECT_FALSE(d.control(topt::kOptimiseCost)->isEnabled());

  click(d.control(topt::kRarityDifference));
  EXPECT_EQ(m.settings.rarityFormula, RarityFormula::kDifference);

  QSpinBox* threshold = d.number(topt::kThreshold);
  EXPECT_EQ(threshold->maximum(), 40);
  test::typeInto(threshold, "30");
  EXPECT_EQ(m.number(topt::kThreshold), 30);
  EXPECT_EQ(d.percentLabel()->text(), "75.0%");

  // A change the model makes to another control shows in its widget.
  test::typeInto(d.number(topt::kGoal), "3");
  EXPECT_FALSE(d.control(topt::kReorderRichness)->isChecked());
  click(d.control(topt::kReorderRarity));
  EXPECT_EQ(d.number(topt::kGoal)->value(), 1);

  click(d.clearNewButton());
  EXPECT_EQ(m.clearAreas, AreaClear::NewAreas);
  EXPECT_FALSE(d.clearNewButton()->isEnabled());
  click(d.control(topt::kCancelRerun));
  EXPECT_TRUE(m.cancelRerun);
  closeWith(d, QDialogButtonBox::Ok);
}

TEST(MapOptionsDialogWidgets, InputReachesTheModelAndTheWidgetsFollowIt) {
  Settings s = darkDefaults();
  s.fillFrameCoast = Flag::kOff;
  s.frameShown = Flag::kOff;
  MapOptionsModel m(s, "richness", MapOptionsFacts{});
  MapOptionsDialog d(m);
  saveScreenshot(d, "map_drawing_options.png");
  EXPECT_EQ(d.titleEdit()->text(), "richness");

  click(d.control(mopt::kFillFrameCoast));
  EXPECT_TRUE(d.control(mopt::kFrame)->isChecked());
  click(d.control(mopt::kMonoLog));
  EXPECT_FALSE(d.control(mopt::kFillFrameCoast)->isEnabled());

  d.titleEdit()->selectAll();
  QTest::keyClicks(d.titleEdit(), "Birds of the world, breeding ranges");
  EXPECT_EQ(m.title, "Birds of the world, breeding r");
  EXPECT_EQ(d.titleEdit()->text(), "Birds of the world, breeding r");
  closeWith(d, QDialogButtonBox::Ok);
  EXPECT_FALSE(m.defaultsChosen);

  MapOptionsDialog again(m);
  click(again.defaultsButton(true));
  EXPECT_EQ(again.result(), QDialog::Accepted);
  EXPECT_EQ(m.settings.colourMode, kLightColour) << "the light defaults";

  MapOptionsFacts overlay;
  overlay.titleEditable = false;
  MapOptionsModel imported(darkDefaults(), "imported scores (rain)", overlay);
  EXPECT_FALSE(MapOptionsDialog(imported).titleEdit()->isEnabled());
}

TEST(MapInfoDialogWidgets, ShowsTheMapAndSwapsToTheOther) {
  MapRecord fg, bg;
  fg.title = "range-size rarity (inverse)";
  bg.title = "richness";
  MapInfoModel m(fg, bg, /*cost=*/true, /*threat=*/false);
  MapInfoDialog d(m);
  saveScreenshot(d, "map_info.png");
  EXPECT_EQ(d.value("Measure:"), "range-size rarity (inverse)");
  int ticked = 0;
  for (auto* c : d.findChildren<QCheckBox*>()) {
    EXPECT_FALSE(c->isEnabled()) << c->text().toStdString();
    ticked += c->isChecked() && c->text() == "cost data";
  }
  EXPECT_EQ(ticked, 1);
  click(d.swapButton());
  EXPECT_TRUE(m.swapRequested);
  EXPECT_EQ(d.value("Measure:"), "richness");
  const auto* frame = d.findChild<QGroupBox*>();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->title(), "Map (after swapping scores)");
  closeWith(d, QDialogButtonBox::Cancel);
}

SelectivePlotModel plotModel() {
  SelectivePlotModel m;
  m.resource = "RICHDLGBOX1";
  m.lines = {"Aquila chrysaetos", "Buteo buteo", "Circus aeruginosus", "Falco peregrinus", "Milvus milvus"};
  m.lineTaxon = {0, 1, 2, 3, 4};
  return m;
}

TEST(SelectivePlotDialogWidgets, PlotTakesTheSelectedLines) {
  SelectivePlotModel m = plotModel();
  SelectivePlotDialog d(m, false);
  d.list()->item(1)->setSelected(true);
  d.list()->item(3)->setSelected(true);
  saveScreenshot(d, "selective_plot.png");
  EXPECT_TRUE(d.grouped()->isChecked());
  click(d.plotButton());
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(m.action, SelectivePlotModel::Action::Plot);
  EXPECT_EQ(m.selected, (std::vector<int>{1, 3}));
}

TEST(SelectivePlotDialogWidgets, DoubleClickPlotsWithTheClickedLine) {
  SelectivePlotModel m = plotModel();
  SelectivePlotDialog d(m, true);
  saveScreenshot(d, "selective_plot_vga.png");
  d.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
  QListWidget* list = d.list();
  list->scrollToItem(list->item(4));
  // As the window system delivers it: a click, then the second press as a double-click.
  const QPoint at = list->visualItemRect(list->item(4)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(m.action, SelectivePlotModel::Action::Plot);
  EXPECT_EQ(m.selected, (std::vector<int>{4}));
}

TEST(SelectivePlotDialogWidgets, DisplayChecksCloseTheDialogWithTheirChange) {
  struct Case {
    bool grouped;
    SelectivePlotModel::Action action;
  };
  for (Case c : {Case{true, SelectivePlotModel::Action::ToggleGrouped},
                 Case{false, SelectivePlotModel::Action::ToggleRangeSizes}}) {
    SelectivePlotModel m = plotModel();
    SelectivePlotDialog d(m, false);
    click(c.grouped ? static_cast<QCheckBox*>(d.grouped()) : d.rangeSizes());
    EXPECT_EQ(m.action, c.action);
    EXPECT_EQ(m.grouped, !c.grouped);
    EXPECT_EQ(m.rangeSizes, c.grouped ? false : true);
    EXPECT_FALSE(d.isVisible());
  }
  SelectivePlotModel m = plotModel();
  SelectivePlotDialog d(m, false);
  closeWith(d, QDialogButtonBox::Cancel);
  EXPECT_EQ(m.action, SelectivePlotModel::Action::Cancel);
}

// The "Overlay scores" dialog: labels with the counts, OK takes the chosen
// method, Cancel leaves the model alone.
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
  closeWith(d, QDialogButtonBox::Ok);
  EXPECT_EQ(m.method, 1);
  EXPECT_EQ(m.scheme, 0);

  // Shown again on the method taken; Cancel keeps it.
  OverlayDialog again(m);
  EXPECT_TRUE(again.andButton()->isChecked());
  test::click(again.orButton());
  test::click(again.schemeButton(3));
  closeWith(again, QDialogButtonBox::Cancel);
  EXPECT_EQ(m.method, 1);
  EXPECT_EQ(m.scheme, 0);
}

// The "Export scores" dialog: widgets follow the model's rules and the
// user's clicks reach the model.
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

  // Run by its name, the dialog works on the model it is given. Other tests
  // may have left windows up: only the export dialog is answered.
  ExportScoresModel byName;
  QTimer::singleShot(0, [] {
    if (auto* d = test::shownWindow<ExportScoresDialog>()) {
      test::click(d->control(kExportBackground));
      closeWith(*d, QDialogButtonBox::Ok);
    }
  });
  EXPECT_TRUE(runScoresDialog("DEXSDLGBOX", byName, nullptr));
  EXPECT_EQ(byName.layout(), kLayoutPair);
}

// The Import data and Export data dialogs: the buttons follow the model and
// a click chooses the layout.
TEST(DataIoDialogs, ImportOpensOnTheQuotedListExportOnListTaxaAndAClickChooses) {
  ImportDialogModel m;
  ImportDataDialog d(m, nullptr);
  ASSERT_NE(d.button(kImportQuoted), nullptr);
  EXPECT_TRUE(d.button(kImportQuoted)->isChecked());
  QTest::mouseClick(d.button(kImportMatrix), Qt::LeftButton);
  EXPECT_EQ(m.layout, kImportMatrix);
  EXPECT_FALSE(d.button(kImportQuoted)->isChecked());
  EXPECT_TRUE(d.button(kImportMatrix)->isChecked());
  saveScreenshot(d, "import_data.png");

  // Britain's dialog has no coordinate layouts.
  m.britain = true;
  ImportDataDialog britain(m, nullptr);
  EXPECT_EQ(britain.button(kImportLatLong), nullptr);
  EXPECT_NE(britain.button(kImportTnc), nullptr);

  ExportDialogModel e;
  ExportDataDialog exporting(e, nullptr);
  EXPECT_TRUE(exporting.button(kExportTaxa)->isChecked());
  QTest::mouseClick(exporting.button(kExportTwinspan), Qt::LeftButton);
  EXPECT_EQ(e.layout, kExportTwinspan);
  saveScreenshot(exporting, "export_data.png");
}

QString labelText(QWidget& w, const char* id) {
  auto* l = w.findChild<QLabel*>(id);
  return l ? l->text() : QString("(no label %1)").arg(id);
}

// Return and Escape take the typed number; Cancel keeps the one before.
TEST(AreaNumberDialogWidgets, ShowTheSetAndTakeTheTypedNumberUnlessCancelled) {
  NumberOfAreasModel m;
  m.seedsLine = "Number of selected (seed) areas: 3";
  m.maxLine = "(max 1097)";
  m.number = 12;
  m.maximum = 1097;
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
  test::typeInto(d.budget(), "125");
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
    EXPECT_EQ(m.selected, (c.action == A::PlotSelected ? std::vector<int>{0, 2} : std::vector<int>{}));
  }
}

TEST(CellListDialogWidgets, ShowTheModelsLinesAndEditNameRefreshesTheCellLine) {
  CellListModel m = listModel();
  int edits = 0;
  m.editCellName = [&] {
    ++edits;
    m.cellLine = "Area 7: Porto            ";
  };
  CellListDialog d(m, false);
  saveScreenshot(d, "list_of_biota.png");
  EXPECT_EQ(labelText(d, "info1"), "choice 2 by");
  EXPECT_TRUE(d.grouped()->isChecked());
  EXPECT_FALSE(d.rangeSizes()->isChecked());
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

QStringList itemsOf(const QComboBox* c) {
  QStringList out;
  for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
  return out;
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
  test::typeInto(d.layer(), QString::fromStdString((tmp.path() / "notes.txt").string()));
  EXPECT_TRUE(d.problem()->text().isEmpty()) << d.problem()->text().toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !d.problem()->text().isEmpty(); }));
  EXPECT_NE(d.problem()->text().indexOf("is not a layer GDAL can read"), -1) << d.problem()->text().toStdString();
  test::typeInto(d.layer(), QString::fromStdString(layer.string()));
  EXPECT_EQ(d.idField()->count(), 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return d.idField()->count() > 1; }));
  const QStringList fields{"(none)", "code", "price", "state"};
  for (const QComboBox* c : {d.idField(), d.costField(), d.statusField()}) EXPECT_EQ(itemsOf(c), fields);

  QTest::keyClicks(d.idField(), "code");
  QTest::keyClicks(d.costField(), "price");
  test::typeInto(d.input(), QString::fromStdString((tmp.path() / "records.csv").string()));
  test::typeInto(d.output(), QString::fromStdString((tmp.path() / "reserves.gpkg").string()));
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

// Each family of dialogs runs by its names, in any case, on its own kind of
// model only; a name of none runs nothing.
TEST(RunUiDialog, RunsEachDialogByItsNameOnItsModel) {
  ToolsOptionsModel tools(darkDefaults(), ToolsOptionsFacts{});
  MapInfoModel info(MapRecord{}, MapRecord{}, false, false);
  for (const char* name : {"AboutDlgBox", "BIOTADLGBOX3", "OVERLAYDLGBOX2", "selecnumdlgbox3"}) {
    EXPECT_FALSE(isUiDialog(name)) << name;
    EXPECT_FALSE(runUiDialog(name, tools, nullptr)) << name;
  }
  MapOptionsModel map(darkDefaults(), "", MapOptionsFacts{});
  SelectivePlotModel plot = plotModel();
  SaveMapModel save;
  PrintMapModel print;
  CellListModel cells;
  CellNameModel cellName;
  NumberOfAreasModel number;
  BudgetModel budget;
  ExportScoresModel scores;
  OverlayDialogModel overlay;
  ExportDialogModel exportData;
  ImportDialogModel importData;
  // Names of every dialog, in one case or another.
  const std::pair<const char*, DialogModel*> runs[] = {
      {"ToptDlgBox", &tools},       {"moptdlgbox", &map},         {"SummDlgBox", &info},
      {"RICHDLGBOX2", &plot},       {"RICHDLGBOX1VGA", &plot},    {"SAVEDLGBOX", &save},
      {"PRINTDLGBOX", &print},      {"biotadlgbox2", &cells},     {"BIOTADLGBOX1VGA", &cells},
      {"LOCNMDLGBOX", &cellName},   {"selecnumdlgbox1", &number}, {"SelecNumDlgBox2", &budget},
      {"DexsDlgBox", &scores},      {"OverlayDlgBox", &overlay},  {"DEXDDLGBOX", &exportData},
      {"dimddlgbox1", &importData},
  };
  // "Select grid cells" is modeless: only an open selection model gets its window.
  EXPECT_TRUE(isUiDialog("SELECDLGBOXVGA"));
  EXPECT_EQ(openManualSelection("SelecDlgBox", number, nullptr), nullptr);
  for (auto [name, model] : runs) {
    EXPECT_TRUE(isUiDialog(name)) << name;
    EXPECT_FALSE(runUiDialog(name, model == &tools ? static_cast<DialogModel&>(info) : tools, nullptr))
        << name << ": another kind of model";
    QTimer::singleShot(0, [] {
      if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->accept();
    });
    EXPECT_TRUE(runUiDialog(name, *model, nullptr)) << name;
  }
}

}  // namespace
}  // namespace zn
