// Map titles, and the plots of single and selected taxa with the dialog
// that chooses them.
#include <gtest/gtest.h>

#include <functional>

#include "measures/selective.h"
#include "measures/smoothing.h"
#include "measures/titles.h"
#include "shell/analyses.h"
#include "shell/mapmeasures.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::fourTaxa;
using test::Loaded;

struct TitleCase {
  const char* name;
  int code;
  void (*setup)(Session&);
  const char* title;
};

void none(Session&) {}

void threeSeedsOfFive(Session& s) {
  s.areas.cells = {1, 2, 3, 4, 5};
  s.areas.seedCount = 3;
}

// The titles the tool's measure cases print (richness, rarity, the tree
// measures, level n, the rare threshold, range centres by weight, imported
// scores, fully flexible areas) are checked there, those the analysis
// commands put on the map (EMR, max rarity, greedy, the exact sets, the
// near-minimum set's flexible map, the quantitative median) with those
// commands; smoothing with the neighbourhood below and with means in
// ToolsOptions; "selected areas" with the overlay commands. A fixed wording
// (range centres) stands for every measure that has one, an unknown code
// for those without a title (representation).
TEST(Titles, BuildsTheTitleFromTheMapRecordAndSettings) {
  const TitleCase cases[] = {
      {"None", 0, none, "none"},
      {"NoneWithAreas", 0, threeSeedsOfFive, "none (5 areas selected)"},
      {"HotspotsByRarity", 6,
       [](Session& s) {
         threeSeedsOfFive(s);
         s.areas.candidateCells = 40;
         s.settings.hotspotKind = HotspotKind::kRarity;
       },
       "top 5.0% hotspots by range-size rarity (3+2 areas)"},
      {"HotspotsBelowThreshold", 6,
       [](Session& s) {
         s.areas.cells = {7, 8};
         s.areas.candidateCells = 3;
         s.settings.hotspotKind = HotspotKind::kThreshold;
         s.settings.rangeSizeThreshold = 12;
       },
       "top 66.7% hotspots below threshold 12 (2 areas)"},
      {"HotspotsWithoutCandidates", 6,
       [](Session& s) {
         s.areas.cells = {7};
         s.settings.hotspotKind = HotspotKind::kThreshold;
       },
       "top 0.0% hotspots by range-size threshold (1 areas)"},
      {"GreedyByRarity", 7,
       [](Session& s) {
         s.settings.greedyByRarity = GreedyBy::kRarity;
         s.settings.greedyGoal = 2;
       },
       "greedy inverse rarity-area set for 2 reps (0 areas)"},
      {"GreedyGoalBelowOneIsRunAsOne", 7, [](Session& s) { s.settings.greedyGoal = 0; },
       "greedy richness-area set for 1 rep (0 areas)"},
      {"NearMinimumPlain", 8,
       [](Session& s) {
         s.settings.flexibilityMap = Flag::kOff;
         s.settings.reordering = Reordering::kUnset;
         threeSeedsOfFive(s);
       },
       "near-minimum-area set (3+2 areas)"},
      {"NearMinimumByRarity", 8,
       [](Session& s) {
         s.settings.flexibilityMap = Flag::kOff;
         s.settings.reordering = Reordering::kByRarity;
       },
       "near-minset re-ordered by rarity (0 areas)"},
      {"NearMinimumForGoal", 8,
       [](Session& s) {
         s.settings.flexibilityMap = Flag::kOff;
         s.settings.reordering = Reordering::kNone;
         s.settings.nearMinimumGoal = 2;
       },
       "near-minimum-area set for 2 reps (0 areas)"},
      {"NearMaximumCoverage", 9,
       [](Session& s) {
         s.areas.cells = {4, 5};
       },
       "near-maximum-coverage set (2 areas)"},
      {"ImportedForegroundKeepsItsTitle", 10,
       [](Session& s) {
         s.map.importKind = kImportForegroundBackground;
         s.map.title = "as imported";
       },
       "as imported"},
      {"OverlayKeepsItsTitle", 11, [](Session& s) { s.map.title = "overlay"; }, "overlay"},
      {"RangeCentres", 12, none, "range centre richness"},
      {"ExactSetChangedSince", 29,
       [](Session& s) {
         s.areas.cells = {4, 9, 12};
         s.areas.exactKind = AreaSet::Exact::kMaximumCoverage;
         s.areas.exactCells = {4, 9};
       },
       "area set re-ordered by richness"},
      {"ResidualsMean25", 38,
       [](Session& s) {
         s.settings.smoothByMean = Smoothing::kMean;
         s.settings.neighbourhoodSize = NeighbourhoodSize::kTwentyFive;
         s.settings.residualsNotRelative = Flag::kOn;
       },
       "abs residuals from smoothed (2x mean 25) richness"},
      {"UnknownCode", 99, none, ""},
  };
  for (const TitleCase& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded d(fourTaxa());
    d.s.scoresPresent = true;
    setMeasureCode(d.s, static_cast<MeasureCode>(c.code));
    c.setup(d.s);
    buildTitle(d.s);
    EXPECT_EQ(d.s.map.title, c.title);
  }
}

// A new neighbourhood alone asks for no re-run (ToolsOptionsModel's case
// "neighbourhood only"): the title reads the size as it now stands.
TEST(Titles, NeighbourhoodChangeAloneShowsTheNewSizeOnTheOldScores) {
  Loaded d(fourTaxa());
  runMeasureCommand(d.s, kCodeRichness);
  smoothPass(d.s);
  smoothPass(d.s);
  d.s.settings.neighbourhoodSize = NeighbourhoodSize::kTwentyFive;
  buildTitle(d.s);
  EXPECT_EQ(d.s.map.title, "smoothed (25) richness");
}

TEST(Titles, StopWithoutScoresAndRefusedInversions) {
  Loaded d(fourTaxa());
  setMeasureCode(d.s, kCodeRichness);
  d.s.map.title = "old";
  EXPECT_EQ(buildTitle(d.s), TitleOutcome::Stopped);
  EXPECT_EQ(d.s.map.title, "old");

  d.s.scoresPresent = true;
  d.s.settings.invertedScale = Flag::kOn;
  EXPECT_EQ(buildTitle(d.s), TitleOutcome::Classify);
  EXPECT_EQ(d.s.map.title, "inverted colour scale");
  setMeasureCode(d.s, kCodeHotspots);
  d.s.map.title = "hotspots";
  EXPECT_EQ(buildTitle(d.s), TitleOutcome::Stopped);
  EXPECT_EQ(d.s.map.title, "hotspots");
}

// A new map words its title by the rule its kind declares, with the set and
// passes as they stand; the fixed title of its kind is the fallback.
TEST(Titles, OutcomesScoreOffsetsAndANewMapsOwnRule) {
  Loaded d(fourTaxa());
  d.s.scoresPresent = true;
  // The outcome tells what follows.
  const struct {
    int code;
    TitleOutcome outcome;
  } cases[] = {{0, TitleOutcome::ClearClasses},
               {1, TitleOutcome::Classify},
               {25, TitleOutcome::NoClassing},
               {37, TitleOutcome::NoClassing}};
  for (const auto& c : cases) {
    setMeasureCode(d.s, static_cast<MeasureCode>(c.code));
    EXPECT_EQ(buildTitle(d.s), c.outcome) << "code " << c.code;
  }
  EXPECT_TRUE(d.s.map.presenceMap);  // code 37 last
  setMeasureCode(d.s, kCodeImportedScores);
  EXPECT_EQ(buildTitle(d.s, TitleContext{false, true}), TitleOutcome::ImportOverlay);

  // The score offset is kept only for residuals and imports.
  for (int code : {1, 2, 10, 38}) {
    setMeasureCode(d.s, static_cast<MeasureCode>(code));
    d.s.map.scoreOffset = -2.5;
    buildTitle(d.s);
    EXPECT_EQ(d.s.map.scoreOffset, code == 10 || code == 38 ? -2.5 : 0.0) << "code " << code;
  }

  // A new map's own rule words its title.
  addArea(d.s.areas, 2);
  static constexpr MeasureTraits kRuled = mapKind(
      static_cast<MeasureCode>(49), 0, {}, "fixed", MapReading::Scores, [](const TitleSource& src, const MapRecord& m) {
        return smoothingPrefix(src.settings, m) + "ruled (" + areaCountText(src.areas) + ")";
      });
  d.s.map.show(kRuled);
  d.s.map.smoothPasses = 1;
  buildTitle(d.s);
  EXPECT_EQ(d.s.map.title, "smoothed (9) ruled (1)");
}

TEST(Titles, NoneClearsTheNearMinimumFlagAndTakesTheDatafileTitle) {
  Loaded d(fourTaxa(), "Four taxa");
  d.s.areas.nearMinimumDone = true;
  d.s.scoresPresent = true;
  d.s.map.dataTitle = "Something else";
  setMeasureCode(d.s, kCodeNone);
  buildTitle(d.s);
  EXPECT_FALSE(d.s.areas.nearMinimumDone);
  EXPECT_EQ(d.s.map.dataTitle, "Four taxa");
}

TEST(DisplayName, MovesATrailingAbbreviationToTheFront) {
  EXPECT_EQ(displayName("Panthera leo"), "Panthera leo");
  EXPECT_EQ(displayName("Bufo bufo ab."), "ab. Bufo bufo");
  EXPECT_EQ(displayName("ab."), "ab.");  // too short to hold a separator
  EXPECT_EQ(displayName("An extraordinarily long taxon name"), "An extraordinarily long taxon ");
}

TEST(SingleTaxon, PresencePlotOfTheOneMarkedTaxon) {
  Loaded d(fourTaxa());
  runMeasureCommand(d.s, kCodeRichness);
  setMeasureCode(d.s, kCodeSelectiveRichness);
  setPlotMark(d.s.ws, 2, true);  // Gamma
  EXPECT_EQ(buildTitle(d.s), TitleOutcome::Classify) << "the plot gets classes of its own";
  EXPECT_EQ(d.s.map.dataTitle, "Gamma");
  EXPECT_EQ(d.cell(2).scored, 1);
  EXPECT_EQ(d.cell(1).scored, 0);
  EXPECT_TRUE(d.s.map.presenceMap);
  EXPECT_EQ(d.s.map.taxaCounted, 1);
  EXPECT_EQ(d.s.map.occupiedCells, 2);
  EXPECT_DOUBLE_EQ(d.s.map.scaleLimit, 1.0);
}

TEST(SingleTaxon, QuantitativePlotShowsTheLevelsAndIsClassed) {
  Loaded d({{"Felis ab.", "1", {{5, 30}, {6, 70}}}, {"B", "1", {{5, 10}}}}, "*q");
  d.s.scoresPresent = true;
  setMeasureCode(d.s, kCodeSelectiveRichness);
  setPlotMark(d.s.ws, 0, true);
  EXPECT_EQ(buildTitle(d.s), TitleOutcome::Classify);
  EXPECT_EQ(d.s.map.title, "ab. Felis (untransformed)");
  EXPECT_EQ(d.map(), "5:30/30 6:70/70 ");
  EXPECT_DOUBLE_EQ(d.s.map.scaleLimit, 100.0);
}

TEST(SingleTaxon, FlexibilityTitleCountsTheAreas) {
  Loaded d(fourTaxa());
  d.s.scoresPresent = true;
  setMeasureCode(d.s, kCodeFlexibilityPlot);
  setPlotMark(d.s.ws, 1, true);
  EXPECT_EQ(buildTitle(d.s), TitleOutcome::Stopped);
  EXPECT_EQ(d.s.map.title, "flexibility: Beta (1 area)");
  EXPECT_EQ(d.s.map.currentTaxon, 1);
  clearPlotMarks(d.s.ws);
  setPlotMark(d.s.ws, 0, true);
  buildTitle(d.s);
  EXPECT_EQ(d.s.map.title, "flexibility: Alpha (3 areas)");
}

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

// The dialog's answers, given by the model each call sees.
void answer(Loaded& d, std::function<bool(SelectivePlotModel&)> f) {
  d.host.onDialog = [f, &d](const std::string&, DialogModel& m) {
    d.host.dialogAnswers = {f(dynamic_cast<SelectivePlotModel&>(m))};
  };
}

TEST(SelectivePlotCommand, PlotsTwoTaxaAfterADisplayChange) {
  Loaded d(namedTaxa());
  int calls = 0;
  answer(d, [&](SelectivePlotModel& m) {
    if (calls++ == 0) {
      m.grouped = false;
      m.action = SelectivePlotModel::Action::ToggleGrouped;
      return false;
    }
    m.selected = {1, 3};  // sorted: "Felis", "Panthera leo"
    m.action = SelectivePlotModel::Action::Plot;
    return true;
  });
  EXPECT_EQ(runSelectivePlot(d.s, d.host, kCodeSelectiveRichness, false), TitleOutcome::Classify);
  EXPECT_EQ(d.host.dialogs, (std::vector<std::string>{"RICHDLGBOX1", "RICHDLGBOX2"}));
  EXPECT_EQ(d.s.settings.listDialogVariant, Flag::kOff);
  EXPECT_EQ(d.s.map.taxaCounted, 2);
  EXPECT_EQ(d.map(), "1:1/1 2:1/1 5:1/1 6:1/1 7:1/1 ");
}

TEST(SelectivePlotCommand, OneTaxonIsPlottedByTheTitleAndCancelChangesNothing) {
  Loaded d(namedTaxa());
  answer(d, [](SelectivePlotModel& m) {
    m.selected = {3};
    m.action = SelectivePlotModel::Action::Plot;
    return true;
  });
  runSelectivePlot(d.s, d.host, kCodeSelectiveRarity, false);
  EXPECT_EQ(d.s.map.title, "plot Felis");
  EXPECT_EQ(d.s.ws.cells[6].score, 1.0);
  answer(d, [](SelectivePlotModel& m) {
    m.action = SelectivePlotModel::Action::Cancel;
    return false;
  });
  EXPECT_EQ(runSelectivePlot(d.s, d.host, kCodeSelectiveRarity, false), TitleOutcome::Stopped);
  EXPECT_EQ(d.s.map.title, "plot Felis");
  EXPECT_TRUE(plotMarked(d.s.ws, 3));
}

TEST(SelectivePlotCommand, QuantitativeSelectiveRarityOfOneTaxonShowsItsOwnRarity) {
  Loaded d({{"A", "1", {{5, 30}, {6, 70}}}, {"B", "1", {{7, 10}}}}, "*q");
  runMeasureCommand(d.s, kCodeRichness);
  SelectivePlotModel m = openSelectivePlot(d.s.settings, d.s.ws, false);
  m.selected = {0};
  std::optional<Notice> refusal;
  EXPECT_EQ(plotSelection(d.s, kCodeSelectiveRarity, m, refusal), TitleOutcome::Classify);
  EXPECT_FALSE(refusal);
  EXPECT_EQ(d.map(), "5:0.5/1 6:0.5/1 ");  // not the richness that was on the map
}

}  // namespace
}  // namespace zn
