// Smoothing and mean passes, residuals, and what Tools Options, a
// preselection, clearing and swapping do to the scores and their passes.
#include <gtest/gtest.h>

#include "measures/smoothing.h"
#include "measures/titles.h"
#include "shell/analyses.h"
#include "shell/mapmeasures.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::cellAt;
using test::fourTaxa;
using test::Loaded;

// A map of hand-set scores under the given code.
struct Scored : Loaded {
  explicit Scored(int code = kCodeRichness) : Loaded({}) {
    setMeasureCode(s, static_cast<MeasureCode>(code));
    s.scoresPresent = true;
  }
  void set(int c, int r, double score, int count = 1) {
    cell(cellAt(c, r)).score = score;
    cell(cellAt(c, r)).count = count;
  }
  double at(int c, int r) { return score(cellAt(c, r)); }
};

TEST(SmoothPass, KindsAndNeighbourhoods) {
  const struct {
    const char* name;
    NeighbourhoodSize size;
    Smoothing by;
    double expected;
  } cases[] = {
      {"median over 9 ignores the outer ring", NeighbourhoodSize::kNine, Smoothing::kMedian, 2.0},
      {"median over 25 takes the outer ring", NeighbourhoodSize::kTwentyFive, Smoothing::kMedian, 3.0},
      {"mean over 25", NeighbourhoodSize::kTwentyFive, Smoothing::kMean, 15.0 / 4},
  };
  for (const auto& c : cases) {
    Scored m;
    m.s.settings.neighbourhoodSize = c.size;
    m.s.settings.smoothByMean = c.by;
    m.set(10, 10, 2);
    m.set(11, 11, 1);  // inner
    m.set(9, 10, 4);   // inner
    m.set(12, 8, 8);   // outer
    smoothPass(m.s);
    EXPECT_DOUBLE_EQ(m.at(10, 10), c.expected) << c.name;
  }
}

TEST(SmoothPass, MarkersReadAsZeroAndAZeroResultBecomesTheMarker) {
  Scored m;
  m.set(5, 5, 3);
  m.set(6, 5, kZeroScore);
  m.set(20, 20, kZeroScore);
  m.set(21, 20, kZeroScore);
  smoothPass(m.s);
  EXPECT_EQ(m.map(), "149:1.5/1 150:1.5/1 704:10000/1 705:10000/1 ");  // 10000: the marker
}

TEST(SmoothPass, DoesNotApplyToSelectionMapsOrSingleTaxonPlots) {
  for (int code : {0, 6, 7, 8, 9, 11, 20, 21, 25, 29}) {
    Scored m(code);
    m.set(5, 5, 1);
    m.set(6, 5, 3);
    smoothPass(m.s);
    EXPECT_DOUBLE_EQ(m.at(5, 5), 1.0) << "code " << code;
    EXPECT_EQ(m.s.map.smoothPasses, 0) << "code " << code;
  }
  Loaded d(fourTaxa());
  setMeasureCode(d.s, kCodeSelectiveRichness);
  setPlotMark(d.s.ws, 0, true);
  d.s.scoresPresent = true;
  EXPECT_FALSE(smoothPassApplies(d.s));
  setPlotMark(d.s.ws, 1, true);
  EXPECT_TRUE(smoothPassApplies(d.s));
  d.s.scoresPresent = false;
  EXPECT_FALSE(smoothPassApplies(d.s));
}

TEST(MeanPass, DividesByTheCountAgainOnEachPassButNotTheMarkerForSummedMeasuresOnly) {
  Scored m(kCodeRangeSizeRarity);
  m.set(5, 5, 18, 3);
  m.set(6, 5, kZeroScore, 2);
  m.set(7, 5, 4, 0);
  meanPass(m.s);
  EXPECT_EQ(m.map(), "149:6/3 150:10000/2 151:4/0 ");
  meanPass(m.s);
  EXPECT_EQ(m.map(), "149:2/3 150:10000/2 151:4/0 ");
  EXPECT_EQ(m.s.map.meanPasses, 2);
  // Only summed measures take the pass.
  Scored richness;
  richness.set(5, 5, 6, 3);
  meanPass(richness.s);
  EXPECT_EQ(richness.map(), "149:6/3 ");
  EXPECT_EQ(richness.s.map.meanPasses, 0);
}

// Richness 1 in cell 1 and 3 in cell 2: both smooth twice to 2.
std::vector<test::TaxonSpec> twoCells() {
  return {{"A", "1", {{1, 1}, {2, 1}}}, {"B", "1", {{2, 1}}}, {"C", "1", {{2, 1}}}};
}

TEST(Residuals, ShiftsNegativeResidualsAndKeepsTheOffset) {
  const struct {
    const char* form;
    Flag notRelative;
    const char* map;  // cell 1's residual below zero is shifted to the marker
    double offset, maximum;
    const char* title;
  } cases[] = {
      {"absolute", Flag::kOn, "1:10000/1 2:2/3 ", -1.0, 2.0, "abs residuals from smoothed (2x median 9) richness"},
      {"relative", Flag::kOff, "1:10000/1 2:1/3 ", -0.5, 1.0, "rel residuals from smoothed (2x median 9) richness"},
  };
  for (const auto& c : cases) {
    Loaded d(twoCells());
    d.s.settings.residualsNotRelative = c.notRelative;
    d.run(kCodeResiduals);
    EXPECT_EQ(d.map(), c.map) << c.form;
    EXPECT_DOUBLE_EQ(d.s.map.scoreOffset, c.offset) << c.form;
    EXPECT_DOUBLE_EQ(d.s.map.scaleLimit, c.maximum) << c.form;
    EXPECT_EQ(d.s.map.smoothPasses, 2);
    EXPECT_EQ(d.s.map.meanPasses, 0);
    buildTitle(d.s);
    EXPECT_EQ(d.s.map.title, c.title);
  }
}

TEST(Residuals, NoNegativeResidualShiftsNothing) {
  Loaded d({{"A", "1", {{100, 1}}}, {"B", "1", {{100, 1}}}});
  d.s.map.scoreOffset = 3.0;
  d.run(kCodeResiduals);
  EXPECT_EQ(d.map(), "100:0/2 ");
  EXPECT_DOUBLE_EQ(d.s.map.scoreOffset, 0.0);
}

// Units 1-2-3-4-5 in a row, unit 1 with its own outer boundary listed.
AnalysisData row(bool withNeighbours) {
  auto d = std::make_shared<Dataset>();
  d->units.resize(5);
  d->occurrences = occurrencesFrom(0, 5, {}, false);
  if (withNeighbours)
    d->adjacency = adjacencyFrom(5, {{1, 1, 4.0}, {1, 2, 1.0}, {2, 3, 1.0}, {3, 4, 1.0}, {4, 5, 1.0}});
  AnalysisData a;
  a.data = std::move(d);
  return a;
}

TEST(SmoothScores, WithoutAGridTheRingsAreTheNeighboursAndTheirNeighbours) {
  const std::vector<double> scores{0, 1, 2, 3, 0, 5};  // unit 4 unscored
  // First ring by median: 1 {1,2}, 2 {2,1,3}, 3 {3,2}, 5 {5}.
  EXPECT_EQ(smoothScores(row(true), scores, {false, 1}), (std::vector<double>{0, 1.5, 2, 2.5, 0, 5}));
  // Both rings by mean: 1 {1,2,3}, 2 {2,1,3}, 3 {3,2,1,5}, 5 {5,3}.
  EXPECT_EQ(smoothScores(row(true), scores, {true, 2}), (std::vector<double>{0, 2, 2, 2.75, 0, 4}));
  // Units without neighbours keep their scores.
  EXPECT_EQ(smoothScores(row(false), scores, {true, 2}), scores);
}

// Tools Options computes again only the measures that depend on its
// settings, keeping their passes; selection maps become none and the rest
// richness. A preselection keeps the selective plot without computing it.
TEST(RecomputePlan, SelfRecomputingMeasuresKeepTheirCodeOthersBecomeRichnessOrNone) {
  for (int code : {2, 3, 4, 5, 12, 13}) {
    const RecomputePlan p = recomputePlan(Recompute::ToolsOptions, mapTraits(static_cast<MeasureCode>(code)));
    EXPECT_TRUE(p.code == code && p.compute && p.reapplyPasses) << code;
    EXPECT_EQ(recomputePlan(Recompute::Preselection, mapTraits(static_cast<MeasureCode>(code))).code, code);
  }
  for (int code : {6, 8, 40})
    EXPECT_EQ(recomputePlan(Recompute::ToolsOptions, mapTraits(static_cast<MeasureCode>(code))).code, 0);
  for (int code : {1, 22, 38})
    EXPECT_EQ(recomputePlan(Recompute::ToolsOptions, mapTraits(static_cast<MeasureCode>(code))).code, 1);
  const RecomputePlan sel = recomputePlan(Recompute::Preselection, mapTraits(kCodeSelectiveRichness));
  EXPECT_TRUE(sel.code == 22 && !sel.compute);
  const RecomputePlan set = recomputePlan(Recompute::Preselection, mapTraits(kCodeNearMinimum));
  EXPECT_TRUE(set.code == 1 && !set.reapplyPasses);
  EXPECT_EQ(recomputePlan(Recompute::Standardise, mapTraits(kCodeMedianQuantitative)).code, 39);
  EXPECT_EQ(recomputePlan(Recompute::DatafileOpened, mapTraits(kCodeResiduals)).code, 1);
}

TEST(ApplyRecompute, ToolsOptionsRepeatsPassesAndPreselectionDrawsThePlotWithoutThem) {
  // Tools Options repeats means then smoothings; selection maps become none.
  Loaded d(fourTaxa());
  runMeasureCommand(d.s, kCodeRangeSizeRarity);
  smoothPass(d.s);
  meanPass(d.s);
  d.s.settings.rarityFormula = RarityFormula::kInverseSquare;
  applyRecompute(d.s, Recompute::ToolsOptions);

  Loaded want(fourTaxa());
  want.s.settings.rarityFormula = RarityFormula::kInverseSquare;
  runMeasureCommand(want.s, kCodeRangeSizeRarity);
  meanPass(want.s);
  smoothPass(want.s);
  buildTitle(want.s);
  EXPECT_EQ(d.map(), want.map());
  EXPECT_EQ(d.s.map.meanPasses, 1);
  EXPECT_EQ(d.s.map.smoothPasses, 1);
  EXPECT_EQ(d.s.map.title, "smoothed (9) mean range-size rarity (inverse square)");
  // A selection map becomes none.
  setMeasureCode(d.s, kCodeNearMinimum);
  applyRecompute(d.s, Recompute::ToolsOptions);
  EXPECT_EQ(d.s.map.code(), 0);
  EXPECT_EQ(d.map(), "");

  // A preselection draws a single-taxon plot again, without passes.
  runMeasureCommand(d.s, kCodeRichness);
  setMeasureCode(d.s, kCodeSelectiveRichness);
  setPlotMark(d.s.ws, 3, true);
  d.s.map.smoothPasses = 1;
  applyRecompute(d.s, Recompute::Preselection);
  EXPECT_EQ(d.map(), "3:1/1 ");
  EXPECT_EQ(d.s.map.title, "plot Delta");
  EXPECT_EQ(d.s.map.smoothPasses, 0);
}

TEST(ClearScores, EmptiesTheMapAndItsPasses) {
  Loaded d(fourTaxa());
  runMeasureCommand(d.s, kCodeRangeSizeRarity);
  meanPass(d.s);
  d.s.map.scoreOffset = 2.0;
  d.cell(0).score = 4.0;
  d.cell(2).scored = 1;
  clearScores(d.s);
  EXPECT_EQ(d.map(), "");
  EXPECT_EQ(d.cell(0).score, 0.0);
  EXPECT_EQ(d.cell(2).scored, 0);
  EXPECT_EQ(d.s.map.title, "");
  EXPECT_EQ(d.s.map.scoreOffset, 0.0);
  EXPECT_EQ(d.s.map.meanPasses, 0);
  EXPECT_FALSE(d.s.scoresPresent);
}

TEST(SwapScores, ExchangesCellsRecordSettingsAndSelectivePlots) {
  Loaded d(fourTaxa());
  d.s.settings.rarityFormula = RarityFormula::kDifference;
  runMeasureCommand(d.s, kCodeRangeSizeRarity);
  const std::string rarity = d.map();
  const double rarityLimit = d.s.map.scaleLimit;
  d.cell(2).fillColour = 7;
  swapScores(d.s);  // rarity goes to the background, the empty map comes forward
  EXPECT_EQ(d.map(), "");
  EXPECT_EQ(readBackCell(d.s.ws, 2).colour, 7);
  EXPECT_EQ(d.s.backgroundMap.code(), kCodeRangeSizeRarity);
  EXPECT_EQ(d.s.backgroundMap.settings.rarityFormula, RarityFormula::kDifference);

  d.s.settings.rarityFormula = RarityFormula::kInverseSquare;
  runMeasureCommand(d.s, kCodeRichness);
  swapScores(d.s);
  EXPECT_EQ(d.map(), rarity);
  EXPECT_EQ(d.cell(2).fillColour, 7);
  EXPECT_EQ(d.s.map.code(), kCodeRangeSizeRarity);
  EXPECT_EQ(d.s.settings.rarityFormula, RarityFormula::kDifference);
  EXPECT_EQ(d.s.map.title, "range-size rarity (difference)");
  EXPECT_DOUBLE_EQ(d.s.map.scaleLimit, rarityLimit);
  EXPECT_EQ(d.s.backgroundMap.title, "richness");
  EXPECT_EQ(d.s.backgroundMap.settings.rarityFormula, RarityFormula::kInverseSquare);
  EXPECT_EQ(readBackCell(d.s.ws, 2).count, 3);

  // A selective plot comes back marked, or as imported scores.
  runMeasureCommand(d.s, kCodeRichness);
  setMeasureCode(d.s, kCodeSelectiveRichness);
  setPlotMark(d.s.ws, 1, true);
  buildTitle(d.s);  // "plot Beta"
  swapScores(d.s);
  clearPlotMarks(d.s.ws);
  swapScores(d.s);
  EXPECT_EQ(d.s.map.code(), kCodeSelectiveRichness);
  EXPECT_TRUE(plotMarked(d.s.ws, 1));
  EXPECT_EQ(markedTaxa(d.s.ws), 1);

  setPlotMark(d.s.ws, 0, true);
  runMeasureCommand(d.s, kCodeSelectiveRichness);  // two taxa: "plot selected richness"
  swapScores(d.s);
  swapScores(d.s);
  EXPECT_EQ(d.s.map.code(), kCodeImportedScores);
  EXPECT_EQ(d.s.map.importedName, "plot selected richness");
  EXPECT_EQ(markedTaxa(d.s.ws), 0);
}

TEST(RangeCentresCommands, DiversityMenuRemembersAndRarityMenuRestores) {
  Loaded d(fourTaxa());
  RangeWeighting remembered = RangeWeighting::kLargeRanges;
  d.s.settings.rangeCentreWeighting = RangeWeighting::kSmallRanges;
  selectRangeCentres(d.s, true, remembered);
  EXPECT_EQ(d.s.settings.rangeCentreWeighting, RangeWeighting::kEqual);
  EXPECT_EQ(remembered, RangeWeighting::kSmallRanges);
  EXPECT_EQ(d.s.map.code(), kCodeRangeCentres);
  selectRangeCentres(d.s, false, remembered);
  EXPECT_EQ(d.s.settings.rangeCentreWeighting, RangeWeighting::kSmallRanges);
}

}  // namespace
}  // namespace zn
