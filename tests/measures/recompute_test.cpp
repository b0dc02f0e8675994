#include <gtest/gtest.h>

#include "measures/smoothing.h"
#include "shell/analyses.h"
#include "shell/mapmeasures.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::fourTaxa;
using test::Loaded;

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

TEST(ToolsOptions, RerunRepeatsMeansThenSmoothingsAndSelectionMapsBecomeNone) {
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
}

TEST(Preselection, SingleTaxonPlotIsDrawnAgainWithoutPasses) {
  Loaded d(fourTaxa());
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

TEST(SwapScores, ExchangesCellsRecordAndTheSettingsTheyWereMadeWith) {
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
}

TEST(SwapScores, SelectivePlotComesBackMarkedOrAsImportedScores) {
  Loaded d(fourTaxa());
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
