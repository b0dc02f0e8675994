// The per-cell measures on hand-worked taxa and the tree measures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <set>

#include "measures/richness.h"
#include "measures/smoothing.h"
#include "measures/tree.h"
#include "selection/areaset.h"
#include "shell/analyses.h"
#include "shell/mapmeasures.h"
#include "store/codetree.h"
#include "store/measuretraits.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::cellAt;
using test::fourTaxa;
using test::Loaded;
using test::noticeLines;

struct Case {
  const char* name;
  int code;
  void (*setup)(Session&);
  const char* map;  // "cell:score/count " for every cell with a score or count
  double scaleLimit;
  int taxaCounted;
};

void none(Session&) {}

TEST(FourTaxaMeasure, GivesTheHandWorkedMap) {
  const Case cases[] = {
      {"Richness", 1, none, "1:1/1 2:3/3 3:2/2 40:1/1 ", 4, 4},
      {"RarityByInverseRange", 2, none, "1:0.333333/1 2:1.83333/3 3:1.33333/2 40:0.5/1 ", 1.0 / 3 + 1 + 0.5 + 1, 4},
      {"RarityByDifference", 2, [](Session& s) { s.settings.rarityFormula = RarityFormula::kDifference; },
       "1:861/1 2:2586/3 3:1724/2 40:862/1 ", 861 + 863 + 862 + 863, 4},
      {"RarityByInverseSquare", 2, [](Session& s) { s.settings.rarityFormula = RarityFormula::kInverseSquare; },
       "1:0.111111/1 2:1.36111/3 3:1.11111/2 40:0.25/1 ", 1.0 / 9 + 1 + 0.25 + 1, 4},
      {"LevelOneRichness", 24, none, "1:1/1 2:1/1 3:1/1 ", 2, 2},
      {"MaxDataLevel", 25, none, "1:1/1 2:3/3 3:2/2 40:4/4 ", 4, 4},
      {"MedianRange", 13, none, "1:3/1 2:2/3 3:2/2 40:2/1 ", 864, 4},
      {"RareThresholdTwo", 36, [](Session& s) { s.settings.rangeSizeThreshold = 2; }, "2:2/2 3:1/1 40:1/1 ", 3, 3},
      {"RangeCentres", 12, none, "2:2/2 3:2/2 ", 4, 4},
      {"RangeCentresForLargeRanges", 12,
       [](Session& s) { s.settings.rangeCentreWeighting = RangeWeighting::kLargeRanges; }, "2:4/2 3:3/2 ", 7, 4},
      {"RangeCentresForSmallRanges", 12,
       [](Session& s) { s.settings.rangeCentreWeighting = RangeWeighting::kSmallRanges; }, "2:4/2 3:5/2 ", 4 * 864 - 7,
       4},
      // Every code has depth 2: weight 8 / 2 = 4; the command's mean of the
      // sums is checked by the tool's case (measure.case).
      {"RootDistanceSumsTheWeights", 4, none, "1:4/1 2:12/3 3:8/2 40:4/1 ", 16, 4},
      {"RichnessComplementaryToAreaTwo", 1, [](Session& s) { s.areas.cells = {2}; }, "3:1/1 ", 1, 1},
      {"RarityComplementaryToAreaTwo", 2, [](Session& s) { s.areas.cells = {2}; }, "3:1/1 ", 1.0 / 3 + 1 + 0.5 + 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
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
}

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

// The frame copies the recount and datafile into the map record. A measure
// that cannot apply leaves the map as it was: no datafile, the median of
// levels on presence data, a plot without marks, and an input without data.
TEST(Richness, FrameFillsTheMapRecordAndNothingHappensWhereTheMeasureCannotApply) {
  Loaded d(fourTaxa(), "Four taxa");
  // The map record after a run.
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

  // Measures that cannot apply.
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

// The rarest quarter of the unrepresented taxa; fewer than four qualifying
// taxa are all counted.
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

  Loaded few({{"A", "1", {{10, 1}, {11, 1}}}, {"B", "1", {{11, 1}}}, {"C", "1", {}}});
  few.run(kCodeRareQuartile);
  EXPECT_EQ(few.map(), "10:1/1 11:2/2 ");
  EXPECT_EQ(few.s.map.taxaCounted, 2);
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

  // A median of zero is stored as one.
  Loaded zero({{"A", "1", {{5, 0}, {6, 3}}}, {"B", "1", {{5, 0}}}}, "*q");
  zero.s.settings.excludedLevel = -1;  // zero levels count as present
  zero.recountNow();
  zero.run(kCodeMedianQuantitative);
  EXPECT_EQ(zero.score(5), 1.0);
  EXPECT_EQ(zero.count(5), 2);
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

// With and without a represented area. The tree measures take families
// from the first character of the codes 11, 12, 21, 22: a tree of the
// codes' shape, so the data without codes measure as the datafile.
TEST(MeasureInput, AHandMadeInputMeasuresAsTheSameDatafile) {
  for (MeasureCode code :
       {kCodeRichness, kCodeRangeSizeRarity, kCodeRareQuartile, kCodeSubtreeLength, kCodeRootDistance})
    for (const std::vector<int>& areas : {std::vector<int>{}, std::vector<int>{2}}) {
      SCOPED_TRACE(testing::Message() << "code " << code << ", areas " << areas.size());
      Loaded d(fourTaxa());
      d.s.areas.cells = areas;
      d.run(code);
      AnalysisData a = test::analysisInput(fourTaxa(), d.s.ws.geo.cells);
      if (code == kCodeSubtreeLength || code == kCodeRootDistance) {
        auto taxa = std::make_shared<Dataset>(*a.data);
        for (std::size_t t = 0; t < taxa->taxa.size(); ++t) taxa->taxa[t].family = fourTaxa()[t].code.substr(0, 1);
        a.data = taxa;
        ASSERT_TRUE(takeTaxonTree(a));
        EXPECT_DOUBLE_EQ(a.totals.codeTreeLength, d.s.ws.counters.codeTreeLength);
      }
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
  AnalysisData project = test::analysisInput(fourTaxa(), 864);
  EXPECT_FALSE(takeTaxonTree(project));  // neither ranks nor codes
  EXPECT_FALSE(measureRefusal(mapTraits(kCodeRichness), project));
  EXPECT_FALSE(measureRefusal(mapTraits(kCodeRangeSizeRarity), project));
  for (MeasureCode code : {kCodeLevelN, kCodeMaxLevel, kCodeMedianQuantitative, kCodeRangeCentres, kCodeSubtreeLength,
                           kCodeRootDistance, kCodeResiduals}) {
    EXPECT_TRUE(measureRefusal(mapTraits(code), project)) << "code " << code;
    // Nor does the kernel run where the data lack what it reads.
    if (code == kCodeResiduals) continue;
    Feedback feedback;
    const MeasureResult refused = runMeasure(code, MeasureInput{project, AreaSet{}}, MeasureParams{}, feedback);
    EXPECT_FALSE(refused.ran) << "code " << code;
    if (code == kCodeSubtreeLength) {
      EXPECT_TRUE(refused.notice);
    }
  }
  Loaded d(fourTaxa(), "*quantities");
  for (MeasureCode code : {kCodeLevelN, kCodeRangeCentres, kCodeSubtreeLength, kCodeMedianQuantitative})
    EXPECT_FALSE(measureRefusal(mapTraits(code), analysisData(d.s, true))) << "code " << code;
}

// ---------------------------------------------------------------------------
// The tree measures

// Codes with '0' inside them, codes repeated by several taxa, and cells
// holding exactly the same taxa: each cell still gets the prefix tree's
// length of its own list; with every taxon represented the map is blank.
TEST(SubtreeLength, AgreesWithThePrefixTreeOnRepeatedCodesAndCells) {
  std::mt19937 rng(19);
  std::vector<test::TaxonSpec> taxa;
  for (int t = 0; t < 150; ++t) {
    test::TaxonSpec spec{"T" + std::to_string(t), "", {}};
    const int depth = 1 + static_cast<int>(rng() % 7);
    for (int k = 0; k < depth; ++k) spec.code += static_cast<char>('0' + rng() % 3);
    if (t % 5 == 4) spec.code = taxa[static_cast<std::size_t>(t - 3)].code;
    for (int k = 0; k < 8; ++k) {
      // Cells 1 ... 10 hold the same taxa as cells 11 ... 20.
      const int n = 1 + static_cast<int>(rng() % 40);
      spec.levels[n] = 1;
      if (n <= 10) spec.levels[n + 10] = 1;
    }
    taxa.push_back(spec);
  }
  std::vector<int> everyCell(40);
  std::iota(everyCell.begin(), everyCell.end(), 1);
  for (const std::vector<int>& set :
       {std::vector<int>{}, std::vector<int>{33}, std::vector<int>{5, 17, 33}, everyCell}) {
    Loaded d(taxa);
    d.s.areas.cells = set;
    d.run(kCodeSubtreeLength);
    // The same from the occurrence lists instead of bit rows.
    MeasureParams byLists = measureParams(d.s.settings);
    byLists.subtreeRowBytes = 0;
    const MeasureResult lists =
        runMeasure(kCodeSubtreeLength, MeasureInput{analysisData(d.s), d.s.areas}, byLists, d.s.progress);
    ASSERT_TRUE(lists.ran);
    const auto& cards = d.s.ws.cards;
    auto present = [&](int t, int n) { return cards.level(t, n) > 0; };
    CodeTree rep;
    std::vector<char> inR(taxa.size(), 0);
    for (int a : set)
      for (int t = 0; t < static_cast<int>(taxa.size()); ++t)
        if (present(t, a) && !inR[static_cast<std::size_t>(t)]) {
          inR[static_cast<std::size_t>(t)] = 1;
          rep.add(cards.code(t));
        }
    const double base = rep.size() >= 2 ? rep.length() : 0.0;
    std::set<int> counted;
    for (int n = 1; n <= 40; ++n) {
      CodeTree tree = set.empty() ? CodeTree() : rep;
      int added = 0;
      const bool isArea = std::find(set.begin(), set.end(), n) != set.end();
      for (int t = 0; t < static_cast<int>(taxa.size()); ++t)
        if (present(t, n) && !inR[static_cast<std::size_t>(t)] && !isArea) {
          tree.add(cards.code(t));
          counted.insert(t);
          ++added;
        }
      double want = 0.0;
      if (added > 0) want = set.empty() ? (added == 1 ? kZeroScore : tree.length()) : tree.length() - base;
      EXPECT_DOUBLE_EQ(d.score(n), want) << "cell " << n << " with " << set.size() << " areas";
      EXPECT_EQ(d.count(n), added) << "cell " << n;
      EXPECT_DOUBLE_EQ(lists.score[static_cast<std::size_t>(n)], want) << "cell " << n << " from the lists";
      EXPECT_EQ(lists.count[static_cast<std::size_t>(n)], added) << "cell " << n << " from the lists";
    }
    EXPECT_EQ(d.s.map.taxaCounted, static_cast<int>(counted.size()));
    EXPECT_EQ(lists.taxaCounted, d.s.map.taxaCounted);
    EXPECT_DOUBLE_EQ(d.s.map.scaleLimit, d.s.ws.counters.codeTreeLength);
  }
}

TEST(SubtreeLength, ComparesFromTheGroupCodeOn) {
  Loaded d({{"A", "911", {{7, 1}}}, {"B", "912", {{7, 1}}}, {"C", "92", {}}});
  d.s.ws.groupCode = "9";
  d.recountNow();
  d.run(kCodeSubtreeLength);
  EXPECT_DOUBLE_EQ(d.score(7), 3.0);
}

// Subtree length's refusal is the tool's case (measure.case); root distance
// refuses by the same rule.
TEST(TreeMeasures, WithoutTreeDataShowTheirMessageAndKeepTheMap) {
  Loaded d({{"A", "11", {{7, 1}}}, {"B", "12", {{7, 1}}}});  // fewer than 3 taxa
  d.run(kCodeRichness);
  const std::string richness = d.map();
  d.run(kCodeRootDistance);
  EXPECT_EQ(d.map(), richness);
  // The measure shows nothing itself: it leaves its notice for the shell.
  EXPECT_TRUE(d.host.messages.empty());
  ASSERT_EQ(d.s.notices.size(), 1u);
  EXPECT_EQ(noticeLines(d.s)[0], "Root distance: Requires tree data\n- data absent or inconsistent");
  EXPECT_EQ(d.s.notices[0].icon, Icon::Information);
}

}  // namespace
}  // namespace zn
