#include "shell/celllist.h"

#include <gtest/gtest.h>

#include <functional>

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "selection/cellinfo.h"
#include "shell/mapmeasures.h"
#include "store/datafile.h"
#include "store/gridtypes.h"
#include "tests/support/listing.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

// Taxa in cell 2 of the "equal" grid (and elsewhere):
//   zeta "11" cells 2, 3     Alpha "12" cell 2     beta "13" cells 2, 40
//   Gamma "21" cell 2        Omega "14" cell 40 (not in cell 2)
struct Fixture : test::Loaded {
  test::TempDir tmp;

  Fixture()
      : Loaded({{"zeta", "11", {{2, 1}, {3, 2}}},
                {"Alpha", "12", {{2, 2}}},
                {"beta", "13", {{2, 1}, {40, 1}}},
                {"Gamma", "21", {{2, 3}}},
                {"Omega", "14", {{40, 1}}}},
               "cell data") {
    s.ws.datafile.subdir = "equal\\";
    s.dataDir = tmp.path();
    computeMeasure(s, kCodeRichness);
  }
  CellListModel open(int cell = 2) { return openCellList(s, cell, false); }
};

// Degrees and truncated minutes; the edge nearer the equator or the
// meridian comes first.
TEST(CellCoordinates, DegreesAndMinutesFromTheEquatorAndMeridianOut) {
  const std::pair<double, const char*> degrees[] = {
      {4.98333, "4'58"}, {0.0, "0'"}, {-4.98333, "4'58"}, {59.1, "59'06"}};
  for (auto [deg, text] : degrees) EXPECT_EQ(degreesText(deg), text) << deg;
  struct Case {
    double south, north, west, east;
    const char* text;
  };
  const Case cases[] = {
      {0.0, 4.98333, 0.0, 10.0, "0'-4'58N    0'-10'E"},
      {-59.68333, -51.0, -180.0, -170.0, "51'-59'40S    170'-180'W"},
  };
  for (const Case& c : cases) EXPECT_EQ(cellCoordinates({c.west, c.south, c.east, c.north}), c.text);
}

TEST(CellList, CoordinatesAlphabeticalVariantAndRangeSizesFollowTheGridMeasureAndSettings) {
  Fixture f;
  // Coordinates only on the equal grid under richness or no measure.
  f.s.ws.datafile.subdir = "ravelund\\";
  EXPECT_EQ(f.open().coordinates, "");
  f.s.ws.datafile.subdir = "equal\\";
  computeMeasure(f.s, kCodeRangeSizeRarity);
  EXPECT_EQ(f.open().coordinates, "");
  setMeasureCode(f.s, kCodeNone);
  EXPECT_NE(f.open().coordinates, "");

  // The alphabetical variant sorts without regard to case.
  f.s.settings.listDialogVariant = Flag::kOff;
  // Alpha, beta, Gamma, zeta: each line still stands for its own taxon.
  EXPECT_EQ(f.open().lineTaxon, (std::vector<int>{1, 2, 3, 0}));
  EXPECT_EQ(openCellList(f.s, 2, true).resource, "BIOTADLGBOX2VGA");

  // Range sizes follow the names except under their own analyses.
  f.s.settings.listDialogOption = Flag::kOn;
  EXPECT_TRUE(f.open().rangeSizes);
  for (MeasureCode code : {kCodeNearMinimum, kCodeFlexibilityPlot, kCodeRangeCentres}) {
    setMeasureCode(f.s, static_cast<MeasureCode>(code));
    CellListModel locked = f.open();
    EXPECT_TRUE(locked.rangeSizesLocked) << code;
    EXPECT_FALSE(locked.rangeSizes) << code;
  }
}

// None or too many lines are refused and the map stays; otherwise the
// taxa of the lines are marked and plotted.
TEST(CellList, PlotSelectedMarksTheTaxaOfTheLines) {
  Fixture f;
  f.s.settings.listDialogVariant = Flag::kOff;  // sorted: Alpha, beta, Gamma, zeta
  CellListModel m = f.open();
  for (auto [count, text] : {std::pair{0, "No items selected."}, {513, "Too many items selected."}}) {
    f.host.messages.clear();
    m.selected.assign(static_cast<std::size_t>(count), 0);
    EXPECT_EQ(plotSelectedCellTaxa(f.s, f.host, m), 0);
    EXPECT_EQ(f.host.messageLines(), std::vector<std::string>{std::string("Plot taxa: ") + text});
    EXPECT_EQ(f.s.map.code(), kCodeRichness);
  }
  m.selected = {0, 3};
  EXPECT_EQ(plotSelectedCellTaxa(f.s, f.host, m), 2);
  EXPECT_TRUE(plotMarked(f.s.ws, 1));
  EXPECT_TRUE(plotMarked(f.s.ws, 0));
  EXPECT_EQ(markedTaxa(f.s.ws), 2);
  EXPECT_EQ(f.s.map.code(), kCodeSelectiveRichness);
  EXPECT_EQ(f.s.map.currentTaxon, 0);
}

TEST(CellList, PlotAllMarksTheUnrepresentedTaxaOfTheCell) {
  Fixture f;
  f.s.areas.cells = {40};
  EXPECT_EQ(plotAllCellTaxa(f.s, 2), 3);  // zeta, Alpha, Gamma
  EXPECT_FALSE(plotMarked(f.s.ws, 2));
  EXPECT_EQ(f.s.map.currentTaxon, 3);
  EXPECT_EQ(f.s.map.code(), kCodeSelectiveRichness);
  // A cell whose taxa are all represented leaves no measure on the map.
  EXPECT_EQ(plotAllCellTaxa(f.s, 40), 0);
  EXPECT_EQ(f.s.map.code(), kCodeNone);
  EXPECT_EQ(markedTaxa(f.s.ws), 0);
}

TEST(CellListCommand, DisplayChangesShowTheDialogAgain) {
  Fixture f;
  std::vector<std::string> seen;
  int calls = 0;
  f.host.onDialog = [&](const std::string& name, DialogModel& model) {
    auto& m = dynamic_cast<CellListModel&>(model);
    seen.push_back(name + ":" + test::joined(m.lines));
    switch (calls++) {
      case 0:
        m.grouped = false;
        m.action = CellListModel::Action::ToggleGrouped;
        break;
      case 1:
        m.rangeSizes = true;
        m.action = CellListModel::Action::ToggleRangeSizes;
        break;
      default: m.action = CellListModel::Action::Close;
    }
  };
  f.host.dialogAnswers = {true, true, true};
  for (CellListOutcome o = runCellListOnce(f.s, f.host, 2, false); o.showAgain;
       o = runCellListOnce(f.s, f.host, 2, false)) {
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"BIOTADLGBOX1:zeta|Alpha|beta|Gamma", "BIOTADLGBOX2:Alpha|beta|Gamma|zeta",
                                            "BIOTADLGBOX2:Alpha- 1|beta- 2|Gamma- 1|zeta- 2"}));
  EXPECT_EQ(f.s.settings.listDialogVariant, Flag::kOff);
  EXPECT_EQ(f.s.settings.listDialogOption, Flag::kOn);
}

TEST(CellListCommand, PlotAllFromTheDialogAndRangeSizesRefusedUnderTheirOwnAnalyses) {
  Fixture f;
  // Plot all, on the richness map.
  f.host.onDialog = [](const std::string&, DialogModel& model) {
    dynamic_cast<CellListModel&>(model).action = CellListModel::Action::PlotAll;
  };
  f.host.dialogAnswers = {true};
  CellListOutcome o = runCellListOnce(f.s, f.host, 2, false);
  EXPECT_TRUE(o.plotted);
  EXPECT_EQ(markedTaxa(f.s.ws), 4);

  // Range sizes are refused under their own analyses.
  computeMeasure(f.s, kCodeRangeCentres);
  f.host.onDialog = [](const std::string&, DialogModel& model) {
    auto& m = dynamic_cast<CellListModel&>(model);
    m.rangeSizes = true;
    m.action = CellListModel::Action::ToggleRangeSizes;
  };
  f.host.dialogAnswers = {true};
  o = runCellListOnce(f.s, f.host, 2, false);
  EXPECT_FALSE(o.showAgain);
  EXPECT_EQ(f.s.settings.listDialogOption, Flag::kOff);
}

// The location-name file as the grid type creates it.
std::string blankNames(int cells) {
  std::string rec(17, ' ');
  rec += std::string("\0<\r", 3);
  std::string out;
  for (int i = 0; i < cells; ++i) out += rec;
  return out;
}

TEST(CellName, StoredNamesArePaddedOrCutToSeventeen) {
  const std::pair<std::string, std::string> cases[] = {
      {"Oslo", "Oslo             "},
      {"Twenty characters!!!", "Twenty characters"},
      {"", "                 "},
      {std::string("a\0b", 3), "a b              "},
  };
  for (const auto& [typed, stored] : cases) EXPECT_EQ(paddedLocationName(typed), stored);
}

TEST(CellName, AFileThatCannotTakeTheNameIsLeftAloneWithAMessage) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> make;
  };
  const Case cases[] = {
      {"missing", [](const fs::path&) {}},
      {"read-only",
       [](const fs::path& p) {
         test::writeFile(p, blankNames(864));
         fs::permissions(p, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
       }},
      {"too short", [](const fs::path& p) { test::writeFile(p, blankNames(2)); }},
  };
  for (const Case& c : cases) {
    Fixture f;
    const fs::path loc = f.tmp.path() / "ZONARIUM.LOC";
    c.make(loc);
    const bool existed = fs::is_regular_file(loc);
    const std::string before = existed ? test::readFile(loc) : "";
    EXPECT_FALSE(storeCellName(f.s, f.host, 5, "Lisbon")) << c.what;
    EXPECT_EQ(locationName(f.s.ws, 5), "Lisbon           ") << c.what;
    ASSERT_EQ(f.host.messages.size(), 1u) << c.what;
    EXPECT_EQ(f.host.messages[0].caption, "Gridcell name");
    EXPECT_NE(f.host.messages[0].text.find("for this run only"), std::string::npos);
    EXPECT_EQ(fs::is_regular_file(loc), existed) << c.what;
    if (existed) {
      EXPECT_EQ(test::readFile(loc), before) << c.what;
    }
  }
}

TEST(CellName, CancelChangesNothingOkWritesInPlaceAndRefreshesTheCellLine) {
  Fixture f;
  // Cancel changes nothing.
  std::memcpy(f.s.ws.cells[2].name.data(), "Old", 3);
  f.host.onDialog = [](const std::string&, DialogModel& model) {
    dynamic_cast<CellNameModel&>(model).name = "New";
  };  // and Cancel
  editCellName(f.s, f.host, 2);
  EXPECT_EQ(locationName(f.s.ws, 2), "Old");
  EXPECT_TRUE(f.host.messages.empty());

  // From the list, the name is written over its cell's 17 bytes, nothing
  // else, and shown.
  const fs::path loc = f.tmp.path() / "ZONARIUM.LOC";
  std::string file = blankNames(864);
  test::writeFile(loc, file);
  std::string shownAfterEdit;
  f.host.onDialog = [&](const std::string& name, DialogModel& model) {
    if (name == "LOCNMDLGBOX") {
      auto& n = dynamic_cast<CellNameModel&>(model);
      EXPECT_EQ(n.prompt, "Edit name for area 2:");
      n.name = "Harbour and town names";
      return;
    }
    auto& m = dynamic_cast<CellListModel&>(model);
    m.editCellName();
    shownAfterEdit = m.cellLine;
  };
  f.host.dialogAnswers = {true, true};
  runCellListOnce(f.s, f.host, 2, false);
  EXPECT_EQ(shownAfterEdit, "Area 2: Harbour and town ");
  EXPECT_EQ(test::readFile(loc), file.replace(20, 17, "Harbour and town "));
  EXPECT_EQ(locationName(f.s.ws, 2), "Harbour and town ");
  EXPECT_TRUE(f.host.messages.empty());
}

}  // namespace
}  // namespace zn
