#include <gtest/gtest.h>

#include "measures/smoothing.h"
#include "shell/mapmeasures.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::fourTaxa;
using test::Loaded;

TEST(RecomputePlan, ToolsOptionsKeepsTheSelfRecomputingMeasuresOnly) {
  for (int code : {2, 3, 4, 5, 12, 13}) {
    RecomputePlan p = recomputePlan(Recompute::ToolsOptions, static_cast<MeasureCode>(code));
    EXPECT_EQ(p.code, code);
    EXPECT_TRUE(p.compute && p.reapplyPasses) << code;
  }
  for (int code : {6, 7, 8, 9, 20, 21, 26, 40}) {
    RecomputePlan p = recomputePlan(Recompute::ToolsOptions, static_cast<MeasureCode>(code));
    EXPECT_EQ(p.code, 0) << code;
    EXPECT_FALSE(p.compute) << code;
  }
  for (int code : {0, 1, 10, 22, 24, 27, 36, 38, 39})
    EXPECT_EQ(recomputePlan(Recompute::ToolsOptions, static_cast<MeasureCode>(code)).code, 1);
}

TEST(RecomputePlan, PreselectionKeepsSelectiveRichnessAndReappliesNoPasses) {
  for (int code : {2, 3, 4, 5, 12, 13})
    EXPECT_EQ(recomputePlan(Recompute::Preselection, static_cast<MeasureCode>(code)).code, code);
  RecomputePlan sel = recomputePlan(Recompute::Preselection, kCodeSelectiveRichness);
  EXPECT_EQ(sel.code, 22);
  EXPECT_FALSE(sel.compute);
  for (int code : {0, 8, 27, 38, 39}) {
    RecomputePlan p = recomputePlan(Recompute::Preselection, static_cast<MeasureCode>(code));
    EXPECT_EQ(p.code, 1) << code;
    EXPECT_FALSE(p.reapplyPasses);
  }
}

TEST(RecomputePlan, StandardiseAndOpeningADatafile) {
  EXPECT_EQ(recomputePlan(Recompute::Standardise, kCodeMedianQuantitative).code, 39);
  EXPECT_FALSE(recomputePlan(Recompute::Standardise, kCodeSelectiveRichness).compute);
  EXPECT_EQ(recomputePlan(Recompute::Standardise, kCodeRangeSizeRarity).code, 1);
  EXPECT_EQ(recomputePlan(Recompute::DatafileOpened, kCodeResiduals).code, 1);
}

TEST(ToolsOptions, RerunFollowsTheWatchedSettingsAndTheCancelBox) {
  Settings before;
  setDefaults(before);
  const SettingsField watched[] = {
      settingsField<&Settings::rarityFormula>(),      settingsField<&Settings::rangeCentreWeighting>(),
      settingsField<&Settings::rangeSizeThreshold>(), settingsField<&Settings::smoothByMean>(),
      settingsField<&Settings::hotspotKind>(),        settingsField<&Settings::nearMinimumGoal>(),
      settingsField<&Settings::greedyGoal>(),         settingsField<&Settings::reordering>()};
  int i = 0;
  for (SettingsField f : watched) {
    Settings after = before;
    f.set(after, f.get(after) + 1);
    EXPECT_TRUE(toolsOptionsNeedRerun(before, after, false)) << "watched " << i;
    EXPECT_FALSE(toolsOptionsNeedRerun(before, after, true)) << "watched " << i;
    ++i;
  }
  for (SettingsField f : {settingsField<&Settings::neighbourhoodSize>(),
                          settingsField<&Settings::residualsNotRelative>(), settingsField<&Settings::colourMode>()}) {
    Settings after = before;
    f.set(after, f.get(after) + 1);
    EXPECT_FALSE(toolsOptionsNeedRerun(before, after, false));
  }
}

TEST(ToolsOptions, RerunRepeatsMeansThenSmoothings) {
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
}

TEST(ToolsOptions, SelectiveRichnessIsReplacedByRichness) {
  Loaded d(fourTaxa());
  setPlotMark(d.s.ws, 0, true);
  setPlotMark(d.s.ws, 1, true);
  runMeasureCommand(d.s, kCodeSelectiveRichness);
  applyRecompute(d.s, Recompute::ToolsOptions);
  EXPECT_EQ(d.s.map.measureCode, 1);
  EXPECT_EQ(d.s.map.title, "richness");
  EXPECT_EQ(d.map(), "1:1/1 2:3/3 3:2/2 40:1/1 ");
}

TEST(ToolsOptions, SelectionMapsBecomeNone) {
  Loaded d(fourTaxa());
  runMeasureCommand(d.s, kCodeRichness);
  setMeasureCode(d.s, kCodeNearMinimum);
  applyRecompute(d.s, Recompute::ToolsOptions);
  EXPECT_EQ(d.s.map.measureCode, 0);
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
  EXPECT_EQ(d.s.backgroundMap.measureCode, kCodeRangeSizeRarity);
  EXPECT_EQ(d.s.backgroundMap.settings.rarityFormula, RarityFormula::kDifference);

  d.s.settings.rarityFormula = RarityFormula::kInverseSquare;
  runMeasureCommand(d.s, kCodeRichness);
  swapScores(d.s);
  EXPECT_EQ(d.map(), rarity);
  EXPECT_EQ(d.cell(2).fillColour, 7);
  EXPECT_EQ(d.s.map.measureCode, kCodeRangeSizeRarity);
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
  EXPECT_EQ(d.s.map.measureCode, kCodeSelectiveRichness);
  EXPECT_TRUE(plotMarked(d.s.ws, 1));
  EXPECT_EQ(markedTaxa(d.s.ws), 1);

  setPlotMark(d.s.ws, 0, true);
  runMeasureCommand(d.s, kCodeSelectiveRichness);  // two taxa: "plot selected richness"
  swapScores(d.s);
  swapScores(d.s);
  EXPECT_EQ(d.s.map.measureCode, kCodeImportedScores);
  EXPECT_EQ(d.s.map.importedName, "plot selected richness");
  EXPECT_EQ(markedTaxa(d.s.ws), 0);
}

TEST(SwapScores, UnderAnOverlayTheCoveredMapGoesBack) {
  Loaded d(fourTaxa());
  setMeasureCode(d.s, kCodeOverlay);
  d.s.map.title = "overlay of two";
  OverlayUnder under{kCodeRangeCentres, "range centre richness", 12};
  swapScores(d.s, &under);
  EXPECT_EQ(d.s.backgroundMap.measureCode, kCodeRangeCentres);
  EXPECT_EQ(d.s.backgroundMap.title, "range centre richness");
  EXPECT_EQ(d.s.backgroundMap.occupiedCells, 12);
}

TEST(RangeCentresCommands, DiversityMenuRemembersAndRarityMenuRestores) {
  Loaded d(fourTaxa());
  RangeWeighting remembered = RangeWeighting::kLargeRanges;
  d.s.settings.rangeCentreWeighting = RangeWeighting::kSmallRanges;
  selectRangeCentres(d.s, true, remembered);
  EXPECT_EQ(d.s.settings.rangeCentreWeighting, RangeWeighting::kEqual);
  EXPECT_EQ(remembered, RangeWeighting::kSmallRanges);
  EXPECT_EQ(d.s.map.measureCode, kCodeRangeCentres);
  selectRangeCentres(d.s, false, remembered);
  EXPECT_EQ(d.s.settings.rangeCentreWeighting, RangeWeighting::kSmallRanges);
}

}  // namespace
}  // namespace zn
