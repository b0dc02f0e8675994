#include "ui/optiondialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "display/bitmap.h"
#include "ui/dialogs.h"

namespace zn {
namespace {

// Writes the dialog's picture where ZN_SCREENSHOT_DIR says, for a person to
// look at; nothing when it is unset.
void saveScreenshot(QWidget& w, const char* name) {
  const char* dir = std::getenv("ZN_SCREENSHOT_DIR");
  if (!dir || !*dir) return;
  std::filesystem::create_directories(dir);
  w.adjustSize();
  EXPECT_TRUE(w.grab().save(QString::fromStdString((std::filesystem::path(dir) / name).string())));
}

Settings darkDefaults() {
  Settings s;
  setDefaults(s);
  return s;
}

void clickOk(QDialog& d) { d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }

template <class Dialog>
bool isOn(Dialog& d, const Control& c) {
  return d.control(c)->isChecked();
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

TEST(ToolsOptionsDialogWidgets, ControlsFollowTheModelsRules) {
  ToolsOptionsFacts f;
  f.candidateCells = 40;
  f.areaCount = 6;
  f.seedCount = 2;
  Settings s = darkDefaults();
  s.rangeSizeThreshold = 10;
  ToolsOptionsModel m(s, f);
  ToolsOptionsDialog d(m);
  saveScreenshot(d, "tools_options.png");

  EXPECT_EQ(d.windowTitle(), "Tools options");
  EXPECT_EQ(d.control(topt::kRarityInverse)->text(), "rarity by inverse range size");
  EXPECT_TRUE(isOn(d, topt::kRarityInverse));
  EXPECT_FALSE(d.control(topt::kOptimiseCost)->isEnabled());
  EXPECT_FALSE(d.control(topt::kReorderThreat)->isEnabled());
  EXPECT_EQ(d.percentLabel()->text(), "25.0%");

  d.control(topt::kRarityDifference)->click();
  EXPECT_EQ(m.settings.rarityFormula, RarityFormula::kDifference);
  EXPECT_FALSE(isOn(d, topt::kRarityInverse));
  // Clicking the chosen radio again keeps it chosen.
  d.control(topt::kRarityDifference)->click();
  EXPECT_TRUE(isOn(d, topt::kRarityDifference));

  d.number(topt::kThreshold)->setValue(30);
  EXPECT_EQ(m.number(topt::kThreshold), 30);
  EXPECT_EQ(d.percentLabel()->text(), "75.0%");
  EXPECT_EQ(d.number(topt::kThreshold)->maximum(), 40);

  d.number(topt::kGoal)->setValue(3);
  EXPECT_FALSE(isOn(d, topt::kReorderRichness));
  d.control(topt::kReorderRarity)->click();
  EXPECT_EQ(d.number(topt::kGoal)->value(), 1);
  EXPECT_TRUE(isOn(d, topt::kReorderRarity));

  d.control(topt::kMapAllFlexible)->click();
  EXPECT_EQ(m.settings.mapAllFlexible, Flag::kOn);
  EXPECT_FALSE(isOn(d, topt::kMapIrreplaceable));

  ASSERT_TRUE(isOn(d, topt::kResidualsRelative));  // stored inverted: 0 is ticked
  d.control(topt::kResidualsRelative)->click();
  EXPECT_EQ(m.settings.residualsNotRelative, Flag::kOn);

  d.clearNewButton()->click();
  EXPECT_EQ(m.clearAreas, AreaClear::NewAreas);
  EXPECT_FALSE(d.clearNewButton()->isEnabled());
  EXPECT_TRUE(d.clearAllButton()->isEnabled());

  d.control(topt::kCancelRerun)->click();
  EXPECT_TRUE(m.cancelRerun);
  clickOk(d);
  EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST(ToolsOptionsDialogWidgets, TimeLimitEditSetsTheExactSetsLimit) {
  ToolsOptionsModel m(darkDefaults(), ToolsOptionsFacts{});
  ToolsOptionsDialog d(m);
  QSpinBox* limit = d.number(topt::kExactTimeLimit);
  ASSERT_NE(limit, nullptr);
  EXPECT_EQ(limit->value(), 60);
  EXPECT_EQ(limit->minimum(), 1);
  EXPECT_EQ(limit->maximum(), 86400);
  limit->setValue(90);
  EXPECT_EQ(m.number(topt::kExactTimeLimit), 90);
}

TEST(ToolsOptionsDialogWidgets, CostAndThreatEnabledWithTheirDataAndThresholdKeptWithoutCandidates) {
  ToolsOptionsFacts f;
  f.costPresent = true;
  f.threatPresent = true;
  Settings s = darkDefaults();
  s.rangeSizeThreshold = 12;
  ToolsOptionsModel m(s, f);
  ToolsOptionsDialog d(m);
  EXPECT_TRUE(d.control(topt::kOptimiseCost)->isEnabled());
  d.control(topt::kOptimiseCost)->click();
  EXPECT_EQ(m.settings.optimiseByCost, Flag::kOn);
  d.control(topt::kReorderThreat)->click();
  EXPECT_EQ(m.settings.reordering, Reordering::kByThreat);
  EXPECT_FALSE(d.number(topt::kThreshold)->isEnabled());
  EXPECT_EQ(d.number(topt::kThreshold)->value(), 12);
  EXPECT_EQ(d.percentLabel()->text(), "0.0%");
  EXPECT_FALSE(d.clearAllButton()->isEnabled());
}

TEST(MapOptionsDialogWidgets, ControlsFollowTheModelsRules) {
  MapOptionsFacts f;
  f.paletteSize = 16;
  Settings s = darkDefaults();
  s.colourMode = kSixteenColour;
  MapOptionsModel m(s, "richness", f);
  MapOptionsDialog d(m);
  saveScreenshot(d, "map_drawing_options.png");

  EXPECT_EQ(d.windowTitle(), "Map drawing options");
  EXPECT_EQ(d.titleEdit()->text(), "richness");
  // A 256 colour mode on a 16-entry palette moves back to 16 colour.
  d.control(mopt::kDark256)->click();
  EXPECT_TRUE(isOn(d, mopt::kSixteen));
  EXPECT_FALSE(isOn(d, mopt::kDark256));
  // The frame-coast fill is on in the record but may only be cleared.
  EXPECT_TRUE(d.control(mopt::kFillFrameCoast)->isEnabled());
  d.control(mopt::kFillFrameCoast)->click();
  EXPECT_FALSE(isOn(d, mopt::kFillFrameCoast));
  EXPECT_FALSE(d.control(mopt::kFillFrameCoast)->isEnabled());

  d.control(mopt::kMonoLog)->click();
  EXPECT_TRUE(isOn(d, mopt::kBackgroundWhite));
  EXPECT_TRUE(isOn(d, mopt::kCoastBlack));
  EXPECT_TRUE(isOn(d, mopt::kFineBlack));

  d.control(mopt::kScaleBarHistogram)->click();
  EXPECT_EQ(m.settings.scaleBarStyle, ScaleBarStyle::kHistogram);
  d.control(mopt::kScaleNumbers)->click();
  d.control(mopt::kScaleColours)->click();  // refused: one stays ticked
  EXPECT_TRUE(isOn(d, mopt::kScaleColours));
  d.control(mopt::kBoundaries)->click();
  EXPECT_FALSE(isOn(d, mopt::kBoundaries));

  d.titleEdit()->selectAll();
  QTest::keyClicks(d.titleEdit(), "Birds of the world, breeding ranges");
  EXPECT_EQ(m.title, "Birds of the world, breeding r");
  clickOk(d);
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_FALSE(m.defaultsChosen);
}

TEST(MapOptionsDialogWidgets, FillTicksTheFrameAndDefaultsCloseAsOk) {
  Settings s = darkDefaults();
  s.fillFrameCoast = Flag::kOff;
  s.frameShown = Flag::kOff;
  MapOptionsModel m(s, "", MapOptionsFacts{});
  MapOptionsDialog d(m);
  d.control(mopt::kFillFrameCoast)->click();
  EXPECT_TRUE(isOn(d, mopt::kFrame));
  EXPECT_EQ(d.defaultsButton(true)->text(), "Default options (light)");
  d.defaultsButton(true)->click();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_TRUE(m.defaultsChosen);
  EXPECT_EQ(m.settings.colourMode, kLightColour);
}

TEST(MapOptionsDialogWidgets, OverlayTitleIsNotEditable) {
  MapOptionsFacts f;
  f.titleEditable = false;
  MapOptionsModel m(darkDefaults(), "imported scores (rain)", f);
  MapOptionsDialog d(m);
  EXPECT_FALSE(d.titleEdit()->isEnabled());
}

TEST(MapInfoDialogWidgets, ShowsTheMapAndSwapsToTheOther) {
  MapRecord fg, bg;
  fg.title = "range-size rarity (inverse)";
  fg.dataTitle = "Birds of Europe";
  fg.fileName = "birds.dat";
  fg.taxaCounted = 412;
  fg.records = 23001;
  bg.title = "richness";
  MapInfoModel m(fg, bg, /*cost=*/true, /*threat=*/false);
  MapInfoDialog d(m);
  saveScreenshot(d, "map_info.png");
  EXPECT_EQ(d.windowTitle(), "Map info");
  EXPECT_EQ(d.value("Measure:"), "range-size rarity (inverse)");
  EXPECT_EQ(d.value("Taxa counted:"), "412");
  int ticked = 0;
  for (auto* c : d.findChildren<QCheckBox*>()) {
    EXPECT_FALSE(c->isEnabled()) << c->text().toStdString();
    ticked += c->isChecked() && c->text() == "cost data";
  }
  EXPECT_EQ(ticked, 1);
  EXPECT_EQ(d.swapButton()->text(), "Swap scores");
  d.swapButton()->click();
  EXPECT_TRUE(m.swapRequested);
  EXPECT_EQ(d.value("Measure:"), "richness");
  d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  EXPECT_EQ(d.result(), QDialog::Rejected);
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
  EXPECT_EQ(d.windowTitle(), "Selective plot");
  EXPECT_EQ(d.list()->count(), 5);
  EXPECT_TRUE(d.grouped()->isChecked());
  d.plotButton()->click();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(m.action, SelectivePlotModel::Action::Plot);
  EXPECT_EQ(m.selected, (std::vector<int>{1, 3}));
}

TEST(SelectivePlotDialogWidgets, DoubleClickPlotsWithTheClickedLine) {
  SelectivePlotModel m = plotModel();
  SelectivePlotDialog d(m, true);
  saveScreenshot(d, "selective_plot_vga.png");
  Q_EMIT d.list()->itemDoubleClicked(d.list()->item(4));
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
    (c.grouped ? static_cast<QCheckBox*>(d.grouped()) : d.rangeSizes())->click();
    EXPECT_EQ(m.action, c.action);
    EXPECT_EQ(m.grouped, !c.grouped);
    EXPECT_EQ(m.rangeSizes, c.grouped ? false : true);
    EXPECT_FALSE(d.isVisible());
  }
  SelectivePlotModel m = plotModel();
  SelectivePlotDialog d(m, false);
  d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  EXPECT_EQ(m.action, SelectivePlotModel::Action::Cancel);
  EXPECT_EQ(d.result(), QDialog::Rejected);
}

// Accepts the next modal dialog once it is shown.
void acceptNextDialog() {
  QTimer::singleShot(0, [] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->accept();
  });
}

TEST(RunUiDialog, RunsEachDialogByItsNameOnItsModel) {
  EXPECT_FALSE(isUiDialog("AboutDlgBox"));
  ToolsOptionsModel tools(darkDefaults(), ToolsOptionsFacts{});
  EXPECT_FALSE(runUiDialog("AboutDlgBox", tools, nullptr));
  MapInfoModel info(MapRecord{}, MapRecord{}, false, false);
  EXPECT_FALSE(runUiDialog("ToptDlgBox", info, nullptr));  // wrong model: nothing shown

  MapOptionsModel map(darkDefaults(), "", MapOptionsFacts{});
  SelectivePlotModel plot = plotModel();
  SaveMapModel save;
  const std::pair<const char*, DialogModel*> runs[] = {
      {"ToptDlgBox", &tools}, {"TOPTDLGBOX", &tools},    {"MoptDlgBox", &map},  {"SummDlgBox", &info},
      {"RICHDLGBOX2", &plot}, {"RICHDLGBOX1VGA", &plot}, {"SAVEDLGBOX", &save},
  };
  for (auto [name, model] : runs) {
    EXPECT_TRUE(isUiDialog(name)) << name;
    acceptNextDialog();
    EXPECT_TRUE(runUiDialog(name, *model, nullptr)) << name;
  }
}

}  // namespace
}  // namespace zn
