#include <gtest/gtest.h>

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

void PrintTo(const TitleCase& c, std::ostream* os) { *os << c.name; }

void none(Session&) {}

void threeSeedsOfFive(Session& s) {
  s.areas.cells = {1, 2, 3, 4, 5};
  s.areas.seedCount = 3;
}

// The titles the tool's measure cases print (richness, rarity, the tree
// measures, level n, the rare threshold, imported scores, fully flexible
// areas) are checked there, those the analysis commands put on the map (EMR,
// max rarity) with those commands.
class TitleTable : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleTable, BuildsTheTitleFromTheMapRecordAndSettings) {
  const TitleCase& c = GetParam();
  Loaded d(fourTaxa());
  d.s.scoresPresent = true;
  setMeasureCode(d.s, static_cast<MeasureCode>(c.code));
  c.setup(d.s);
  buildTitle(d.s);
  EXPECT_EQ(d.s.map.title, c.title);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, TitleTable,
    ::testing::Values(
        TitleCase{"None", 0, none, "none"},
        TitleCase{"NoneWithAreas", 0, threeSeedsOfFive, "none (5 areas selected)"},
        TitleCase{"SmoothedRichness", 1,
                  [](Session& s) {
                    s.map.smoothPasses = 2;
                    s.settings.neighbourhoodSize = NeighbourhoodSize::kTwentyFive;
                  },
                  "smoothed (25) richness"},
        TitleCase{"MeanSmoothedRarity", 2,
                  [](Session& s) {
                    s.map.smoothPasses = 1;
                    s.map.meanPasses = 1;
                    s.settings.rarityFormula = RarityFormula::kInverseSquare;
                  },
                  "smoothed (9) mean range-size rarity (inverse square)"},
        TitleCase{"RareQuartile", 5, none, "richness among 25% rarest taxa"},
        TitleCase{"HotspotsByRarity", 6,
                  [](Session& s) {
                    threeSeedsOfFive(s);
                    s.areas.candidateCells = 40;
                    s.settings.hotspotKind = HotspotKind::kRarity;
                  },
                  "top 5.0% hotspots by range-size rarity (3+2 areas)"},
        TitleCase{"HotspotsBelowThreshold", 6,
                  [](Session& s) {
                    s.areas.cells = {7, 8};
                    s.areas.candidateCells = 3;
                    s.settings.hotspotKind = HotspotKind::kThreshold;
                    s.settings.rangeSizeThreshold = 12;
                  },
                  "top 66.7% hotspots below threshold 12 (2 areas)"},
        TitleCase{"HotspotsWithoutCandidates", 6,
                  [](Session& s) {
                    s.areas.cells = {7};
                    s.settings.hotspotKind = HotspotKind::kThreshold;
                  },
                  "top 0.0% hotspots by range-size threshold (1 areas)"},
        TitleCase{"GreedyByRichness", 7, [](Session& s) { s.areas.cells = {1, 2, 3}; },
                  "greedy richness-area set for 1 rep (3 areas)"},
        TitleCase{"GreedyByRarity", 7,
                  [](Session& s) {
                    s.settings.greedyByRarity = GreedyBy::kRarity;
                    s.settings.greedyGoal = 2;
                  },
                  "greedy inverse rarity-area set for 2 reps (0 areas)"},
        TitleCase{"GreedyGoalBelowOneIsRunAsOne", 7, [](Session& s) { s.settings.greedyGoal = 0; },
                  "greedy richness-area set for 1 rep (0 areas)"},
        TitleCase{"NearMinimumPlain", 8,
                  [](Session& s) {
                    s.settings.flexibilityMap = Flag::kOff;
                    s.settings.reordering = Reordering::kUnset;
                    threeSeedsOfFive(s);
                  },
                  "near-minimum-area set (3+2 areas)"},
        TitleCase{"NearMinimumByRarity", 8,
                  [](Session& s) {
                    s.settings.flexibilityMap = Flag::kOff;
                    s.settings.reordering = Reordering::kByRarity;
                  },
                  "near-minset re-ordered by rarity (0 areas)"},
        TitleCase{"NearMinimumForGoal", 8,
                  [](Session& s) {
                    s.settings.flexibilityMap = Flag::kOff;
                    s.settings.reordering = Reordering::kNone;
                    s.settings.nearMinimumGoal = 2;
                  },
                  "near-minimum-area set for 2 reps (0 areas)"},
        TitleCase{"NearMinimumFlexible", 8, [](Session& s) { s.areas.cells = {4}; },
                  "near-minset: 1 irreplaceable(R)/flexible(O) areas for 1 rep"},
        TitleCase{"NearMaximumCoverage", 9, [](Session& s) { s.areas.cells = {4, 5}; },
                  "near-maximum-coverage set (2 areas)"},
        TitleCase{"ImportedForegroundKeepsItsTitle", 10,
                  [](Session& s) {
                    s.map.importKind = kImportForegroundBackground;
                    s.map.title = "as imported";
                  },
                  "as imported"},
        TitleCase{"OverlayKeepsItsTitle", 11, [](Session& s) { s.map.title = "overlay"; }, "overlay"},
        TitleCase{"RangeCentres", 12, none, "range centre richness"},
        TitleCase{"RangeCentresSmall", 12, [](Session& s) { s.settings.rangeCentreWeighting = RangeWeighting::kSmallRanges; },
                  "range centre richness (small ranges)"},
        TitleCase{"MedianRange", 13, none, "median range size"},
        TitleCase{"RandomSets", 23, none, "random area choices"},
        TitleCase{"MaxLevel", 25, none, "max data level"},
        TitleCase{"Flexibility", 26, none, "richness showing flexibility"},
        TitleCase{"SelectedRarity", 27, [](Session& s) { s.map.smoothPasses = 1; },
                  "smoothed (9) plot selected rarity"},
        TitleCase{"ReorderedByRichness", 29, none, "area set re-ordered by richness"},
        TitleCase{"ExactMinimumSet", 29,
                  [](Session& s) {
                    s.areas.cells = {4, 9};
                    s.areas.exactKind = AreaSet::Exact::kMinimumSet;
                    s.areas.exactCells = {4, 9};
                  },
                  "exact minimum set (2 areas)"},
        TitleCase{"ExactSetChangedSince", 29,
                  [](Session& s) {
                    s.areas.cells = {4, 9, 12};
                    s.areas.exactKind = AreaSet::Exact::kMaximumCoverage;
                    s.areas.exactCells = {4, 9};
                  },
                  "area set re-ordered by richness"},
        TitleCase{"Representation", 32, none, ""},
        TitleCase{"SelectedAreas", 37, none, "selected areas"},
        TitleCase{"ResidualsMean25", 38,
                  [](Session& s) {
                    s.settings.smoothByMean = Smoothing::kMean;
                    s.settings.neighbourhoodSize = NeighbourhoodSize::kTwentyFive;
                    s.settings.residualsNotRelative = Flag::kOn;
                  },
                  "abs residuals from smoothed (2x mean 25) richness"},
        TitleCase{"MedianQuantitative", 39, [](Session& s) { s.ws.datafile.rescaled = true; },
                  "median value for quantitative data (transformed)"},
        TitleCase{"ReorderedByThreat", 46, none, "area set re-ordered by threat"},
        TitleCase{"ReservedCode", 17, none, ""},
        TitleCase{"UnknownCode", 99, none, ""}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(Titles, NeighbourhoodChangeAloneShowsTheNewSizeOnTheOldScores) {
  Loaded d(fourTaxa());
  d.s.settings.neighbourhoodSize = NeighbourhoodSize::kTwentyFive;
  runMeasureCommand(d.s, kCodeRichness);
  smoothPass(d.s);
  smoothPass(d.s);
  buildTitle(d.s);
  EXPECT_EQ(d.s.map.title, "smoothed (25) richness");
  Settings before = d.s.settings;
  d.s.settings.neighbourhoodSize = NeighbourhoodSize::kNine;
  EXPECT_FALSE(toolsOptionsNeedRerun(before, d.s.settings, false, settingsReadByMaps()));
  buildTitle(d.s);
  EXPECT_EQ(d.s.map.title, "smoothed (9) richness");
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

TEST(Titles, OutcomesTellWhatFollows) {
  Loaded d(fourTaxa());
  d.s.scoresPresent = true;
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
}

// A new map words its title by the rule its kind declares, with the set and
// passes as they stand; the fixed title of its kind is the fallback.
TEST(Titles, ANewMapsOwnRuleWordsItsTitle) {
  Loaded d(fourTaxa());
  d.s.scoresPresent = true;
  addArea(d.s.areas, 2);
  static constexpr MeasureTraits kRuled =
      mapKind(static_cast<MeasureCode>(49), 0, {}, "fixed", MapReading::Scores,
              [](const TitleSource& src, const MapRecord& m) {
                return smoothingPrefix(src.settings, m) + "ruled (" + areaCountText(src.areas) + ")";
              });
  d.s.map.show(kRuled);
  d.s.map.smoothPasses = 1;
  buildTitle(d.s);
  EXPECT_EQ(d.s.map.title, "smoothed (9) ruled (1)");
}

TEST(Titles, ScoreOffsetIsKeptOnlyForResidualsAndImports) {
  Loaded d(fourTaxa());
  d.s.scoresPresent = true;
  for (int code : {1, 2, 10, 38}) {
    setMeasureCode(d.s, static_cast<MeasureCode>(code));
    d.s.map.scoreOffset = -2.5;
    buildTitle(d.s);
    EXPECT_EQ(d.s.map.scoreOffset, code == 10 || code == 38 ? -2.5 : 0.0) << "code " << code;
  }
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
  EXPECT_EQ(d.s.map.title, "plot Gamma");
  EXPECT_EQ(d.s.map.dataTitle, "Gamma");
  EXPECT_EQ(d.map(), "2:1/1 40:1/1 ");
  EXPECT_EQ(d.cell(2).scored, 1);
  EXPECT_EQ(d.cell(1).scored, 0);
  EXPECT_TRUE(d.s.map.presenceMap);
  EXPECT_EQ(d.s.map.taxaCounted, 1);
  EXPECT_EQ(d.s.map.occupiedCells, 2);
  EXPECT_DOUBLE_EQ(d.s.map.scaleLimit, 1.0);
  buildTitle(d.s, TitleContext{true, false});
  EXPECT_EQ(d.s.map.title, "editing Gamma");
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

}  // namespace
}  // namespace zn
