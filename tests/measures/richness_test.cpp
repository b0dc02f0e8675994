#include <gtest/gtest.h>

#include <cmath>

#include "measures/richness.h"
#include "selection/areaset.h"
#include "shell/analyses.h"
#include "shell/mapmeasures.h"
#include "store/measuretraits.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::cellAt;
using test::fourTaxa;
using test::Loaded;

struct Case {
  const char* name;
  int code;
  void (*setup)(Session&);
  const char* map;  // "cell:score/count " for every cell with a score or count
  double scaleLimit;
  int taxaCounted;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

void none(Session&) {}

class FourTaxaMeasure : public ::testing::TestWithParam<Case> {};

TEST_P(FourTaxaMeasure, GivesTheHandWorkedMap) {
  const Case& c = GetParam();
  Loaded d(fourTaxa());
  c.setup(d.s);
  d.recountNow();
  d.run(static_cast<MeasureCode>(c.code));
  EXPECT_EQ(d.map(), c.map);
  EXPECT_DOUBLE_EQ(d.s.map.scaleLimit, c.scaleLimit);
  EXPECT_DOUBLE_EQ(d.s.map.mapMaximum, c.scaleLimit);
  EXPECT_EQ(d.s.map.taxaCounted, c.taxaCounted);
  EXPECT_TRUE(d.s.scoresPresent);
}

INSTANTIATE_TEST_SUITE_P(
    Measures, FourTaxaMeasure,
    ::testing::Values(
        Case{"Richness", 1, none, "1:1/1 2:3/3 3:2/2 40:1/1 ", 4, 4},
        Case{"RarityByInverseRange", 2, none, "1:0.333333/1 2:1.83333/3 3:1.33333/2 40:0.5/1 ", 1.0 / 3 + 1 + 0.5 + 1,
             4},
        Case{"RarityByDifference", 2, [](Session& s) { s.settings.rarityFormula = RarityFormula::kDifference; },
             "1:861/1 2:2586/3 3:1724/2 40:862/1 ", 861 + 863 + 862 + 863, 4},
        Case{"RarityByInverseSquare", 2, [](Session& s) { s.settings.rarityFormula = RarityFormula::kInverseSquare; },
             "1:0.111111/1 2:1.36111/3 3:1.11111/2 40:0.25/1 ", 1.0 / 9 + 1 + 0.25 + 1, 4},
        Case{"LevelOneRichness", 24, none, "1:1/1 2:1/1 3:1/1 ", 2, 2},
        Case{"LevelTwoRichnessAboveExcludedLevelOne", 24, [](Session& s) { s.settings.excludedLevel = 1; },
             "2:1/1 3:1/1 ", 2, 2},
        Case{"MaxDataLevel", 25, none, "1:1/1 2:3/3 3:2/2 40:4/4 ", 4, 4},
        Case{"MedianRange", 13, none, "1:3/1 2:2/3 3:2/2 40:2/1 ", 864, 4},
        Case{"RareThresholdOne", 36, [](Session& s) { s.settings.rangeSizeThreshold = 1; }, "2:1/1 3:1/1 ", 2, 2},
        Case{"RareThresholdTwo", 36, [](Session& s) { s.settings.rangeSizeThreshold = 2; }, "2:2/2 3:1/1 40:1/1 ", 3,
             3},
        Case{"RangeCentres", 12, none, "2:2/2 3:2/2 ", 4, 4},
        Case{"RangeCentresForLargeRanges", 12,
             [](Session& s) { s.settings.rangeCentreWeighting = RangeWeighting::kLargeRanges; }, "2:4/2 3:3/2 ", 7, 4},
        Case{"RangeCentresForSmallRanges", 12,
             [](Session& s) { s.settings.rangeCentreWeighting = RangeWeighting::kSmallRanges; }, "2:4/2 3:5/2 ",
             4 * 864 - 7, 4},
        Case{"RichnessWithinGroupOne", 1, [](Session& s) { s.ws.groupCode = "1"; }, "1:1/1 2:2/2 3:1/1 ", 2, 2},
        Case{"RichnessComplementaryToAreaTwo", 1, [](Session& s) { s.areas.cells = {2}; }, "3:1/1 ", 1, 1},
        Case{"RarityComplementaryToAreaTwo", 2, [](Session& s) { s.areas.cells = {2}; }, "3:1/1 ",
             1.0 / 3 + 1 + 0.5 + 1, 1}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

// Every taxon represented, or no taxa at all: each measure runs to a blank
// map with nothing counted and a finite scale.
TEST(Richness, NothingLeftToCountGivesABlankMap) {
  for (const bool represented : {true, false}) {
    Loaded d(represented ? fourTaxa() : std::vector<test::TaxonSpec>{});
    if (represented) d.s.areas.cells = {2, 3, 40};
    d.s.settings.rarityFormula = RarityFormula::kInverseSquare;
    for (int code : {1, 2, 5, 12, 13, 24, 25, 36}) {
      SCOPED_TRACE(testing::Message() << "code " << code << (represented ? ", all represented" : ", no taxa"));
      d.s.scoresPresent = false;
      d.run(static_cast<MeasureCode>(code));
      EXPECT_TRUE(d.s.scoresPresent);
      EXPECT_EQ(d.map(), "");
      EXPECT_EQ(d.s.map.taxaCounted, 0);
      EXPECT_TRUE(std::isfinite(d.s.map.scaleLimit));
    }
  }
}

// The grid's last cell is scored, cleared and plotted like any other.
TEST(Richness, TheLastCellIsScoredAndClearedLikeAnyOther) {
  Loaded d({{"Corner", "1", {{1, 1}, {864, 1}}}, {"Other", "1", {{2, 1}}}});
  d.run(kCodeRichness);
  EXPECT_EQ(d.map(), "1:1/1 2:1/1 864:1/1 ");
  d.s.areas.cells = {1};
  d.run(kCodeRichness);
  EXPECT_EQ(d.map(), "2:1/1 ");
  d.s.areas.cells.clear();
  d.run(kCodeRichness);
  clearScores(d.s.map, d.s.ws, d.s.scoresPresent);
  EXPECT_EQ(d.map(), "");
  EXPECT_FALSE(d.s.scoresPresent);
  d.run(kCodeRichness);
  setMeasureCode(d.s, kCodeSelectiveRichness);
  setPlotMark(d.s.ws, 0, true);
  buildTitle(d.s);
  EXPECT_EQ(d.map(), "1:1/1 864:1/1 ");
  // The next taxon's plot clears the last cell the first one left.
  clearPlotMarks(d.s.ws);
  setPlotMark(d.s.ws, 1, true);
  buildTitle(d.s);
  EXPECT_EQ(d.map(), "2:1/1 ");
}

// A measure that cannot apply leaves the map as it was: no datafile, the
// median of levels on presence data, a plot without marks, and an input
// without data.
TEST(Richness, NothingHappensWhereTheMeasureCannotApply) {
  Loaded d(fourTaxa());
  d.run(kCodeRichness);
  const std::string before = d.map();
  d.s.ws.datafile.opened = false;
  d.run(kCodeRangeSizeRarity);
  EXPECT_EQ(d.map(), before);
  d.s.ws.datafile.opened = true;
  for (MeasureCode code : {kCodeMedianQuantitative, kCodeSelectiveRichness}) {
    d.run(kCodeRichness);
    d.run(code);
    EXPECT_EQ(d.map(), before) << "code " << code;
  }
  Feedback feedback;
  EXPECT_FALSE(runMeasure(kCodeRichness, MeasureInput{AnalysisData{}, AreaSet{}}, MeasureParams{}, feedback).ran);
}

TEST(Richness, FrameCopiesTheRecountAndDatafileIntoTheMapRecord) {
  Loaded d(fourTaxa(), "Four taxa");
  d.s.map.meanPasses = 3;
  d.s.map.smoothPasses = 2;
  d.run(kCodeRichness);
  const MapRecord& m = d.s.map;
  EXPECT_EQ(m.dataTitle, "Four taxa");
  EXPECT_EQ(m.fileName, "test.dat");
  EXPECT_EQ(m.meanPasses, 0);
  EXPECT_EQ(m.smoothPasses, 0);
  EXPECT_EQ(m.includedTaxa, 4);
  EXPECT_EQ(m.occupiedCells, 4);
  EXPECT_EQ(m.records, 7);
}

TEST(Richness, DifferenceFormulaGivesZeroForATaxonInEveryCell) {
  std::map<int, int> everywhere;
  for (int n = 1; n <= 864; ++n) everywhere[n] = 1;
  Loaded d({{"Everywhere", "1", everywhere}});
  d.s.settings.rarityFormula = RarityFormula::kDifference;
  d.run(kCodeRangeSizeRarity);
  EXPECT_EQ(d.score(5), 0.0);  // blank although counted
  EXPECT_EQ(d.count(5), 1);
}

TEST(RareQuartile, TiesAtTheBoundaryFollowTheSortProcedure) {
  // Ranges 3, 1, 1, 3: the quota is 1, and the sort leaves the first of the
  // two range-1 taxa last, where a stable sort would leave the second.
  Loaded d({{"A", "1", {{10, 1}, {11, 1}, {12, 1}}},
            {"B", "1", {{100, 1}}},
            {"C", "1", {{200, 1}}},
            {"D", "1", {{20, 1}, {21, 1}, {22, 1}}}});
  d.run(kCodeRareQuartile);
  EXPECT_EQ(d.map(), "100:1/1 ");
  EXPECT_EQ(d.s.map.taxaCounted, 1);
  EXPECT_DOUBLE_EQ(d.s.map.scaleLimit, 1);
  // The sorted pairs are left in the cards' plot marks and work counts.
  const CardStore& cards = d.s.ws.cards;
  EXPECT_EQ(cards.field(3, cards.layout->currentMark), 1);
  EXPECT_EQ(cards.field(3, cards.layout->workA), 1);
  EXPECT_EQ(cards.field(0, cards.layout->workA), 3);
}

TEST(RareQuartile, FewerThanFourQualifyingTaxaCountsThemAll) {
  Loaded d({{"A", "1", {{10, 1}, {11, 1}}}, {"B", "1", {{11, 1}}}, {"C", "1", {}}});
  d.run(kCodeRareQuartile);
  EXPECT_EQ(d.map(), "10:1/1 11:2/2 ");
  EXPECT_EQ(d.s.map.taxaCounted, 2);
}

TEST(RareQuartile, CountsTheRarestQuarterOfTheUnrepresentedTaxa) {
  std::vector<test::TaxonSpec> taxa;
  for (int i = 0; i < 8; ++i) {
    test::TaxonSpec t{"T" + std::to_string(i), "1", {}};
    for (int k = 0; k <= i; ++k) t.levels[100 + 36 * k + i] = 1;  // range i + 1, column i
    taxa.push_back(t);
  }
  Loaded d(taxa);
  d.run(kCodeRareQuartile);
  EXPECT_EQ(d.map(), "100:1/1 101:1/1 137:1/1 ");  // T0 and T1
  d.s.areas.cells = {100};                         // T0 represented: 7 qualify, quota 1
  d.run(kCodeRareQuartile);
  EXPECT_EQ(d.map(), "101:1/1 137:1/1 ");
}

TEST(RangeCentres, ColumnThreeRowsOneAndTwoCentreOnCellThree) {
  Loaded d({{"A", "1", {{cellAt(3, 1), 1}, {cellAt(3, 2), 1}}}});
  d.run(kCodeRangeCentres);
  EXPECT_EQ(d.map(), "3:1/1 ");
  EXPECT_EQ(d.s.ws.cards.field(0, d.s.ws.cards.layout->soleArea), 3);
}

TEST(MedianQuantitative, TakesTheMedianLevelOfQuantities) {
  Loaded d({{"A", "1", {{5, 10}, {6, 40}}}, {"B", "1", {{5, 30}}}, {"C", "1", {{5, 80}}}, {"D", "1", {{6, 20}}}},
           "*quantities");
  d.run(kCodeMedianQuantitative);
  EXPECT_EQ(d.map(), "5:30/3 6:30/2 ");
  EXPECT_DOUBLE_EQ(d.s.map.scaleLimit, 1.0);
}

TEST(MedianQuantitative, AMedianOfZeroIsStoredAsOne) {
  Loaded d({{"A", "1", {{5, 0}, {6, 3}}}, {"B", "1", {{5, 0}}}}, "*q");
  d.s.settings.excludedLevel = -1;  // zero levels count as present
  d.recountNow();
  d.run(kCodeMedianQuantitative);
  EXPECT_EQ(d.score(5), 1.0);
  EXPECT_EQ(d.count(5), 2);
}

TEST(Selective, CountsMarkedTaxaWhateverTheGroupAndTheAreaSet) {
  Loaded d(fourTaxa());
  d.s.ws.groupCode = "2";
  d.recountNow();
  d.s.areas.cells = {2};
  setPlotMark(d.s.ws, 0, true);  // Alpha: outside the group and represented
  setPlotMark(d.s.ws, 1, true);
  d.run(kCodeSelectiveRichness);
  EXPECT_EQ(d.map(), "1:1/1 2:2/2 3:1/1 ");
  EXPECT_EQ(d.s.map.taxaCounted, 2);
  d.run(kCodeSelectiveRarity);
  EXPECT_EQ(d.map(), "1:0.333333/1 2:1.33333/2 3:0.333333/1 ");
  EXPECT_DOUBLE_EQ(d.s.map.scaleLimit, 0.5 + 1.0);  // the recount's sum, over the group
}

TEST(MeasureInput, AHandMadeInputMeasuresAsTheSameDatafile) {
  for (MeasureCode code : {kCodeRichness, kCodeRangeSizeRarity, kCodeRareQuartile})
    for (const std::vector<int>& areas : {std::vector<int>{}, std::vector<int>{2}}) {
      SCOPED_TRACE(testing::Message() << "code " << code << ", areas " << areas.size());
      Loaded d(fourTaxa());
      d.s.areas.cells = areas;
      d.run(code);
      const AnalysisData a = test::analysisInput(fourTaxa(), d.s.ws.geo.cells);
      AreaSet set;
      set.cells = areas;
      const MeasureResult r = runMeasure(code, MeasureInput{a, set}, measureParams(d.s.settings), d.s.progress);
      ASSERT_TRUE(r.ran);
      ASSERT_EQ(r.score.size(), static_cast<std::size_t>(d.s.ws.geo.cells) + 1);
      for (int n = 1; n <= d.s.ws.geo.cells; ++n) {
        ASSERT_EQ(r.score[static_cast<std::size_t>(n)], d.score(n)) << "unit " << n;
        ASSERT_EQ(r.count[static_cast<std::size_t>(n)], d.count(n)) << "unit " << n;
      }
      EXPECT_EQ(r.taxaCounted, d.s.map.taxaCounted);
      EXPECT_DOUBLE_EQ(r.scaleLimit, d.s.map.scaleLimit);
    }
}

TEST(MeasureInput, DataWithoutLevelsGridOrTreeRefuseTheMeasuresNeedingThem) {
  const AnalysisData project = test::analysisInput(fourTaxa(), 864);
  EXPECT_FALSE(measureRefusal(mapTraits(kCodeRichness), project));
  EXPECT_FALSE(measureRefusal(mapTraits(kCodeRangeSizeRarity), project));
  for (MeasureCode code : {kCodeLevelN, kCodeMaxLevel, kCodeMedianQuantitative, kCodeRangeCentres, kCodeSubtreeLength,
                           kCodeRootDistance, kCodeResiduals}) {
    EXPECT_TRUE(measureRefusal(mapTraits(code), project)) << "code " << code;
    // Nor does the kernel run where the data lack what it reads.
    if (code == kCodeResiduals) continue;
    Feedback feedback;
    EXPECT_FALSE(runMeasure(code, MeasureInput{project, AreaSet{}}, MeasureParams{}, feedback).ran) << "code " << code;
  }
  Loaded d(fourTaxa(), "*quantities");
  for (MeasureCode code : {kCodeLevelN, kCodeRangeCentres, kCodeSubtreeLength, kCodeMedianQuantitative})
    EXPECT_FALSE(measureRefusal(mapTraits(code), analysisData(d.s, true))) << "code " << code;
}

}  // namespace
}  // namespace zn
