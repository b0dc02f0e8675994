#include <gtest/gtest.h>

#include <functional>

#include "measures/selective.h"
#include "shell/analyses.h"
#include "shell/mapmeasures.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::Loaded;

std::vector<test::TaxonSpec> namedTaxa() {
  return {{"Panthera leo", "11", {{1, 1}, {2, 1}}},
          {"Panthera", "12", {{3, 1}}},
          {"acinonyx jubatus", "21", {{4, 1}}},
          {"Felis", "12", {{5, 1}, {6, 1}, {7, 1}}}};
}

TEST(SelectivePlotDialog, ListsTheGroupInCardOrderOrSortedWithOptionalRanges) {
  Loaded d(namedTaxa());
  d.s.settings.listDialogVariant = Flag::kOn;
  d.s.settings.listDialogOption = Flag::kOff;
  SelectivePlotModel grouped = openSelectivePlot(d.s.settings, d.s.ws, false);
  EXPECT_EQ(grouped.resource, "RICHDLGBOX1");
  EXPECT_EQ(grouped.lines, (std::vector<std::string>{"Panthera leo", "Panthera", "acinonyx jubatus", "Felis"}));

  d.s.settings.listDialogVariant = Flag::kOff;
  d.s.settings.listDialogOption = Flag::kOn;
  SelectivePlotModel sorted = openSelectivePlot(d.s.settings, d.s.ws, true);
  EXPECT_EQ(sorted.resource, "RICHDLGBOX2VGA");
  EXPECT_EQ(sorted.lines,
            (std::vector<std::string>{"acinonyx jubatus- 1", "Felis- 3", "Panthera leo- 2", "Panthera- 1"}));
  EXPECT_EQ(sorted.lineTaxon, (std::vector<int>{2, 3, 0, 1}));

  d.s.ws.groupCode = "1";
  EXPECT_EQ(openSelectivePlot(d.s.settings, d.s.ws, false).lines.size(), 3u);
}

TEST(SelectivePlotDialog, MarksTheTaxaOfTheChosenLinesOrRefusesAnEmptyOrOverlongSelection) {
  const struct {
    int lines;
    const char* message;
  } cases[] = {{0, "Plot taxa: No items selected."}, {513, "Plot taxa: Too many items selected."}};
  for (const auto& c : cases) {
    Loaded d(namedTaxa());
    setMeasureCode(d.s, kCodeSelectiveRichness);
    setPlotMark(d.s.ws, 3, true);
    SelectivePlotModel m = openSelectivePlot(d.s.settings, d.s.ws, false);
    m.selected.assign(static_cast<std::size_t>(c.lines), 0);
    std::optional<Notice> refusal;
    EXPECT_EQ(markSelectedTaxa(d.s.ws, d.s.map, m, refusal), 0);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->caption + ": " + refusal->text, c.message);
    EXPECT_TRUE(d.host.messageLines().empty());
    EXPECT_EQ(d.s.map.code(), 0);
    EXPECT_EQ(markedTaxa(d.s.ws), 0);
  }
  // 512 lines are taken; each line marks its own taxon, and lines the
  // dialog never had mark nothing.
  Loaded d(namedTaxa());
  SelectivePlotModel m = openSelectivePlot(d.s.settings, d.s.ws, false);  // card order
  m.selected.assign(512, 3);
  std::optional<Notice> refusal;
  EXPECT_EQ(markSelectedTaxa(d.s.ws, d.s.map, m, refusal), 1);
  clearPlotMarks(d.s.ws);
  m.selected = {1};  // "Panthera", which begins "Panthera leo"'s line too
  EXPECT_EQ(markSelectedTaxa(d.s.ws, d.s.map, m, refusal), 1);
  EXPECT_FALSE(refusal);
  EXPECT_TRUE(plotMarked(d.s.ws, 1));
  EXPECT_FALSE(plotMarked(d.s.ws, 0));
  EXPECT_EQ(d.s.map.currentTaxon, 1);
  clearPlotMarks(d.s.ws);
  m.selected = {-1, 3, 4, 1000};
  EXPECT_EQ(markSelectedTaxa(d.s.ws, d.s.map, m, refusal), 1);
  EXPECT_TRUE(plotMarked(d.s.ws, 3));
  EXPECT_EQ(d.s.map.currentTaxon, 3);
}

// A host whose dialogs are answered by a function of the model.
struct DialogHost : test::ScriptedHost {
  std::function<bool(SelectivePlotModel&)> answer;
  bool runDialog(const std::string& name, DialogModel& model) override {
    dialogs.push_back(name);
    return answer(dynamic_cast<SelectivePlotModel&>(model));
  }
};

// The named taxa loaded under a DialogHost.
struct DialogSession {
  DialogHost host;
  Session s{host, "/nonexistent"};
  DialogSession() {
    allocateWorkspace(s);
    setDefaults(s.settings);
    readDatafileBytes(s, test::datafileImage("t", namedTaxa()));
    s.ws.datafile.opened = true;
    s.subgroupDataPresent = recount(s.ws, 0);
  }
};

TEST(SelectivePlotCommand, PlotsTwoTaxaAfterADisplayChange) {
  DialogSession d;
  DialogHost& host = d.host;
  Session& s = d.s;
  int calls = 0;
  host.answer = [&](SelectivePlotModel& m) {
    if (calls++ == 0) {
      m.grouped = false;
      m.action = SelectivePlotModel::Action::ToggleGrouped;
      return false;
    }
    m.selected = {1, 3};  // sorted: "Felis", "Panthera leo"
    m.action = SelectivePlotModel::Action::Plot;
    return true;
  };
  EXPECT_EQ(runSelectivePlot(s, host, kCodeSelectiveRichness, false), TitleOutcome::Classify);
  EXPECT_EQ(host.dialogs, (std::vector<std::string>{"RICHDLGBOX1", "RICHDLGBOX2"}));
  EXPECT_EQ(s.settings.listDialogVariant, Flag::kOff);
  EXPECT_EQ(s.map.title, "plot selected richness");
  EXPECT_EQ(s.map.taxaCounted, 2);
  EXPECT_EQ(s.ws.cells[5].count, 1);
  EXPECT_EQ(s.ws.cells[1].count, 1);
  EXPECT_EQ(s.ws.cells[3].count, 0);
}

TEST(SelectivePlotCommand, OneTaxonIsPlottedByTheTitleAndCancelChangesNothing) {
  DialogSession d;
  DialogHost& host = d.host;
  Session& s = d.s;
  host.answer = [](SelectivePlotModel& m) {
    m.selected = {3};
    m.action = SelectivePlotModel::Action::Plot;
    return true;
  };
  runSelectivePlot(s, host, kCodeSelectiveRarity, false);
  EXPECT_EQ(s.map.title, "plot Felis");
  EXPECT_EQ(s.ws.cells[6].score, 1.0);

  host.answer = [](SelectivePlotModel& m) {
    m.action = SelectivePlotModel::Action::Cancel;
    return false;
  };
  EXPECT_EQ(runSelectivePlot(s, host, kCodeSelectiveRarity, false), TitleOutcome::Stopped);
  EXPECT_EQ(s.map.title, "plot Felis");
  EXPECT_TRUE(plotMarked(s.ws, 3));
}

TEST(SelectivePlotCommand, QuantitativeSelectiveRarityOfOneTaxonShowsItsOwnRarity) {
  test::Loaded d({{"A", "1", {{5, 30}, {6, 70}}}, {"B", "1", {{7, 10}}}}, "*q");
  runMeasureCommand(d.s, kCodeRichness);
  SelectivePlotModel m = openSelectivePlot(d.s.settings, d.s.ws, false);
  m.selected = {0};
  std::optional<Notice> refusal;
  EXPECT_EQ(plotSelection(d.s, kCodeSelectiveRarity, m, refusal), TitleOutcome::Classify);
  EXPECT_FALSE(refusal);
  EXPECT_EQ(d.s.map.title, "A (untransformed)");
  EXPECT_EQ(d.map(), "5:0.5/1 6:0.5/1 ");  // not the richness that was on the map
}

}  // namespace
}  // namespace zn
