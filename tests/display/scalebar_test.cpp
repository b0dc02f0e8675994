#include "display/scalebar.h"

#include <gtest/gtest.h>

#include "display/readout.h"
#include "measures/scores.h"
#include "shell/analyses.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

ClassTable table(std::vector<double> limits) {
  ClassTable t;
  t.classCount = static_cast<int>(limits.size());
  t.limits = std::move(limits);
  t.histogram.assign(t.limits.size() + 1, 0);
  return t;
}

MeasureKind counts() {
  MeasureKind k;
  k.countType = true;
  return k;
}

TEST(ScaleBarLabels, CountsSkipRepeatedLimitsAndEmptyClasses) {
  const ClassTable t = table({0, 4, 6, 8, 8, 12});
  EXPECT_EQ(scaleBarLabels(t, counts(), kEqualInterval, false),
            (std::vector<ScaleLabel>{{1, "4"}, {2, "6"}, {4, "8"}, {5, "12"}}));
  // The fixed limit scale leaves the top class without a number.
  EXPECT_EQ(scaleBarLabels(t, counts(), kFixedLimit, false), (std::vector<ScaleLabel>{{1, "4"}, {2, "6"}, {4, "8"}}));
  // Scores 1 ... 3 in classes 0, 3 and 5: each number beside the class its
  // cells are in, none beside the empty classes that repeat a limit.
  ClassTable few = table({1, 1, 1, 2, 2, 3});
  few.maxima = {1, 0, 0, 2, 0, 3};
  EXPECT_EQ(scaleBarLabels(few, counts(), kEqualFrequency, false),
            (std::vector<ScaleLabel>{{0, "1"}, {3, "2"}, {5, "3"}}));
}

TEST(ScaleBarLabels, OtherScoresInFixedPointWithAPercentOnTopEqualTextsMerged) {
  const ClassTable t = table({0.5, 2.25, 150, 99.999});
  EXPECT_EQ(scaleBarLabels(t, MeasureKind{}, kEqualFrequency, false),
            (std::vector<ScaleLabel>{{0, "  0.50"}, {1, "  2.25"}, {2, "  0.00"}, {3, "100.00%"}}));
  const ClassTable over = table({1, 250});
  EXPECT_EQ(scaleBarLabels(over, MeasureKind{}, kEqualInterval, false),
            (std::vector<ScaleLabel>{{0, "  1.00"}, {1, "  0.00%"}}));

  // Limits that differ but print alike: "0.03" once, on the highest class.
  const ClassTable alike = table({0.031, 0.032, 0.034, 0.05, 0.052, 0.2});
  EXPECT_EQ(scaleBarLabels(alike, MeasureKind{}, kEqualFrequency, false),
            (std::vector<ScaleLabel>{{2, "  0.03"}, {4, "  0.05"}, {5, "  0.20%"}}));
}

TEST(ScaleBarLabels, InvertedScaleLabelsEachClassWithItsLargestScore) {
  // Inverted: class 0 holds the largest scores and is the top of the bar.
  ClassTable t = table({6, 4, 4, 0, 0, 1});
  t.maxima = {8, 6, 4, 0, 1, 1};
  EXPECT_EQ(scaleBarLabels(t, counts(), kEqualInterval, true),
            (std::vector<ScaleLabel>{{0, "8"}, {1, "6"}, {2, "4"}, {4, "1"}}));
  t.maxima = {0.5, 0.25, 0, 0, 0, 0.1};
  EXPECT_EQ(scaleBarLabels(t, MeasureKind{}, kEqualInterval, true),
            (std::vector<ScaleLabel>{{0, "  0.50%"}, {1, "  0.25"}, {5, "  0.10"}}));
  t.maxima.clear();  // no maxima: nothing to write
  EXPECT_TRUE(scaleBarLabels(t, counts(), kEqualInterval, true).empty());
}

TEST(ScaleBarLabels, NoneForCategories) {
  const ClassTable t = table({1, 2, 3});
  MeasureKind ranks;
  ranks.category = true;
  EXPECT_TRUE(scaleBarLabels(t, ranks, kEqualInterval, false).empty());
  ClassTable shortTable = table({1, 2});
  shortTable.classCount = 33;
  EXPECT_TRUE(scaleBarLabels(shortTable, counts(), kEqualInterval, false).empty());
}

// A session whose cells 1.. hold the given scores and counts, classed so
// that each score's colour is its own palette entry.
struct KeySession {
  test::ScriptedHost host;
  Session s{host, "/nonexistent"};
  KeySession(MeasureCode code, const std::vector<std::pair<double, int>>& cells) {
    s.ws.cells.resize(static_cast<std::size_t>(s.ws.geo.cells) + 2);
    s.map.show(mapTraits(code));
    for (std::size_t i = 0; i < cells.size(); ++i) {
      GridCell& c = s.ws.cells[i + 1];
      c.score = cells[i].first;
      c.count = cells[i].second;
      c.scored = 1;
      c.fillColour = paletteIndexRef(static_cast<int>(c.score));
    }
  }
  std::vector<KeyEntry> key() { return categoryKey(s, measureKind(s.map)); }
};

TEST(CategoryKey, WordsForTheKindsOfCellsTopFirstAndBothEndsOfLongRuns) {
  KeySession flex(kCodeNearMinimum, {{4, 2}, {3, 1}, {3, 1}, {2, 0}});
  flex.s.settings.flexibilityMap = Flag::kOn;
  flex.s.settings.nearMinimumGoal = 1;
  EXPECT_EQ(flex.key(),
            (std::vector<KeyEntry>{{4, "irreplaceable (R)"}, {3, "flexible (O)"}, {2, "partial alternative"}}));
  // Seeds marked on the map get their marker in the key.
  flex.s.areas.cells = {7, 1};
  flex.s.areas.seedCount = 1;
  flex.s.settings.selectedAreasDisplay = AreasShown::kSeeds;
  EXPECT_EQ(flex.key().back(), (KeyEntry{kMarkerSample, "seed"}));
  flex.s.settings.selectedAreasDisplay = AreasShown::kNone;
  EXPECT_NE(flex.key().back().text, "seed");

  // Without the flexibility map the same code is an order of choice.
  KeySession order(kCodeNearMinimum, {{3, 1}, {2, 2}, {1, 3}});
  EXPECT_EQ(order.key(), (std::vector<KeyEntry>{{3, "chosen 1st"}, {2, "chosen 2nd"}, {1, "chosen 3rd"}}));
  KeySession later(kCodeNearMinimum, {{4, 11}, {3, 19}, {2, 21}, {1, 112}});
  EXPECT_EQ(later.key(),
            (std::vector<KeyEntry>{{4, "chosen 11th"}, {3, "chosen 19th"}, {2, "chosen 21st"}, {1, "chosen 112th"}}));

  KeySession random(kCodeRandomSets, {{1, 1}, {5, 5}});
  EXPECT_EQ(random.key(), (std::vector<KeyEntry>{{5, "5 times chosen"}, {1, "1 times chosen"}}));

  KeySession flexible(kCodeFullyFlexible, {{3, 2}, {2, 1}, {1, 1}});
  EXPECT_EQ(flexible.key(), (std::vector<KeyEntry>{{3, "selected area"}, {2, "alternative area"}}));

  // Shares of runs in per cent; replacement costs in extra areas, the
  // freely replaceable (the zero-score marker) last.
  KeySession frequency(kCodeSelectionFrequency, {{58, 58}, {94, 94}, {100.0 / 3, 1}});
  EXPECT_EQ(frequency.key(),
            (std::vector<KeyEntry>{{94, "94 % of runs"}, {58, "58 % of runs"}, {33, "33.3 % of runs"}}));
  KeySession cost(kCodeReplacementCost, {{kZeroScore, 0}, {1, 1}, {5, -1}, {2, 2}});
  EXPECT_EQ(cost.key(), (std::vector<KeyEntry>{{5, "irreplaceable"},
                                               {2, "2 extra areas"},
                                               {1, "1 extra area"},
                                               {static_cast<int>(kZeroScore), "no extra area"}}));

  // Ordinary measures keep their numbered scale.
  KeySession rarity(kCodeRangeSizeRarity, {{3, 1}});
  EXPECT_TRUE(rarity.key().empty());

  // Long runs keep both ends.
  std::vector<std::pair<double, int>> cells;
  for (int v = 1; v <= 30; ++v) cells.emplace_back(v, v);
  KeySession runs(kCodeRandomSets, cells);
  const auto key = runs.key();
  ASSERT_EQ(key.size(), 8u);
  EXPECT_EQ(key.front().text, "30 times chosen");
  EXPECT_EQ(key.back().text, "1 times chosen");
}

TEST(CellReadout, NumberNameSpanScoreAndCount) {
  KeySession k(kCodeRichness, {{12, 12}, {kZeroScore, 1}});
  GridCell& c = k.s.ws.cells[1];
  std::snprintf(c.name.data(), c.name.size(), "  Iceland        ");
  c.lonWest = -30;
  c.lonEast = -20;
  c.latNorth = 71.73333;
  c.latSouth = 59.68333;
  k.s.scoresPresent = true;
  EXPECT_EQ(cellReadout(k.s, 1), "cell 1  Iceland  30W..20W 59.6833N..71.7333N  score 12  count 12");
  EXPECT_EQ(cellReadout(k.s, 2), "cell 2  0E..0E 0N..0N  score 0  count 1") << "the marker reads 0";
  k.s.variant = GridVariant::Britain;
  EXPECT_EQ(cellReadout(k.s, 1), "cell 1  Iceland  score 12  count 12");
  EXPECT_EQ(cellReadout(k.s, 0), "");
  EXPECT_EQ(cellReadout(k.s, k.s.ws.geo.cells + 1), "");
}

// The kinds the traits give (categories, spots by level) are drawn by the
// key and layer tests; here the rule a pass adds to them.
TEST(MeasureKinds, CountsUnlessTransformed) {
  MapRecord m;
  m.showBase(kCodeRichness);
  EXPECT_TRUE(measureKind(m).countType);
  m.smoothPasses = 1;
  EXPECT_FALSE(measureKind(m).countType);
  m.smoothPasses = 0;
  m.meanPasses = 2;
  EXPECT_FALSE(measureKind(m).countType);
  m.meanPasses = 0;
  m.show(mapTraits(kCodeRangeSizeRarity));
  EXPECT_FALSE(measureKind(m).countType) << "never counts";
  m.showBase(kCodeFlexibilityPlot);
  EXPECT_TRUE(measureKind(m).italicTitle);
  m.show(mapTraits(kCodeMedianQuantitative));
  EXPECT_TRUE(measureKind(m).medianNumbers);
  EXPECT_TRUE(measureKind(m).noTitle);
}

}  // namespace
}  // namespace zn
