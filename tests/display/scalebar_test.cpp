#include "display/scalebar.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(scaleBarLabels(t, counts(), kFixedLimit, false),
            (std::vector<ScaleLabel>{{1, "4"}, {2, "6"}, {4, "8"}}));
}

TEST(ScaleBarLabels, OtherScoresInFixedPointWithAPercentOnTop) {
  const ClassTable t = table({0.5, 2.25, 150, 99.999});
  EXPECT_EQ(scaleBarLabels(t, MeasureKind{}, kEqualFrequency, false),
            (std::vector<ScaleLabel>{{0, "  0.50"}, {1, "  2.25"}, {2, "  0.00"}, {3, "100.00%"}}));
  const ClassTable over = table({1, 250});
  EXPECT_EQ(scaleBarLabels(over, MeasureKind{}, kEqualInterval, false),
            (std::vector<ScaleLabel>{{0, "  1.00"}, {1, "  0.00%"}}));
}

TEST(ScaleBarLabels, NoneForTheInvertedScaleOrCategories) {
  const ClassTable t = table({1, 2, 3});
  EXPECT_TRUE(scaleBarLabels(t, counts(), kEqualInterval, true).empty());
  MeasureKind ranks;
  ranks.category = true;
  EXPECT_TRUE(scaleBarLabels(t, ranks, kEqualInterval, false).empty());
  ClassTable shortTable = table({1, 2});
  shortTable.classCount = 33;
  EXPECT_TRUE(scaleBarLabels(shortTable, counts(), kEqualInterval, false).empty());
}

TEST(MeasureKinds, CountsUnlessTransformed) {
  MapRecord m;
  m.measureCode = 1;
  EXPECT_TRUE(measureKind(m).countType);
  m.smoothPasses = 1;
  EXPECT_FALSE(measureKind(m).countType);
  m.smoothPasses = 0;
  m.meanPasses = 2;
  EXPECT_FALSE(measureKind(m).countType);
  m.meanPasses = 0;
  m.measureCode = 2;
  EXPECT_FALSE(measureKind(m).countType);
  EXPECT_FALSE(measureKind(m).category);
  m.measureCode = 8;
  EXPECT_TRUE(measureKind(m).category);
  EXPECT_TRUE(measureKind(m).largeSpots);
  m.measureCode = 25;
  EXPECT_TRUE(measureKind(m).maxLevelSpots);
  m.measureCode = 26;
  EXPECT_TRUE(measureKind(m).italicTitle);
  m.measureCode = 39;
  EXPECT_TRUE(measureKind(m).medianNumbers);
  EXPECT_TRUE(measureKind(m).noTitle);
}

}  // namespace
}  // namespace zn
