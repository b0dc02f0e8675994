#include "selection/irreplaceability.h"

#include <gtest/gtest.h>

#include "measures/scores.h"
#include "shell/analyses.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::Loaded;

// The entry's run maps the scores on the session; the kernel's own figures
// (passes, candidates) come from the same data and set.
IrreplaceabilityResult mapIrreplaceability(Loaded& d, MeasureCode code) {
  const bool emr = code == kCodeEmrIrreplaceability;
  EXPECT_TRUE(findAnalysis(emr ? "emr" : "max-rarity")->run(d.s, {}).ran);
  const AnalysisData data = analysisData(d.s);
  return emr ? computeEmrIrreplaceability(data, d.s.areas) : computeMaxRarity(data, d.s.areas);
}

// Ranges: A 1, B 2, C 2, E 2, D 3.
std::vector<test::TaxonSpec> fiveTaxa() {
  return {{"A", "1", {{1, 1}}},
          {"B", "1", {{1, 1}, {2, 1}}},
          {"C", "1", {{2, 1}, {3, 1}}},
          {"D", "1", {{4, 1}, {5, 1}, {6, 1}}},
          {"E", "1", {{6, 1}, {7, 1}}}};
}

TEST(EmrIrreplaceability, PassesOverTheRarestTaxaThenTheRestOfTheCandidates) {
  Loaded d(fiveTaxa());
  IrreplaceabilityResult r = mapIrreplaceability(d, kCodeEmrIrreplaceability);
  // Pass 1 scores A's cell and so holds B; pass 2 scores C's and E's cells
  // and so holds D; cells 4 and 5 are left with 1 / 7 candidates.
  EXPECT_EQ(d.map(), "1:1/1 2:0.5/2 3:0.5/2 4:0.142857/3 5:0.142857/3 6:0.5/2 7:0.5/2 ");
  EXPECT_EQ(r.passes, 2);
  EXPECT_EQ(r.candidates, 7);
  EXPECT_EQ(r.taxaCounted, 5);
  EXPECT_EQ(d.s.map.code(), kCodeEmrIrreplaceability);
  EXPECT_TRUE(d.s.scoresPresent);
}

TEST(EmrIrreplaceability, TaxaOfTheSetAreLeftOut) {
  Loaded d(fiveTaxa());
  d.s.areas.cells = {1};
  IrreplaceabilityResult r = mapIrreplaceability(d, kCodeEmrIrreplaceability);
  EXPECT_EQ(d.map(), "2:0.5/1 3:0.5/1 4:0.166667/2 5:0.166667/2 6:0.5/1 7:0.5/1 ");
  EXPECT_EQ(r.candidates, 6);
  EXPECT_EQ(r.taxaCounted, 3);
}

TEST(MaxRarity, ScoresTheSmallestRangeHeldAndItsRank) {
  Loaded d(fiveTaxa());
  IrreplaceabilityResult r = mapIrreplaceability(d, kCodeMaxRarity);
  EXPECT_EQ(d.map(), "1:1/1 2:0.5/2 3:0.5/2 4:0.333333/3 5:0.333333/3 6:0.5/2 7:0.5/2 ");
  EXPECT_EQ(r.passes, 3);
  EXPECT_EQ(d.s.map.code(), kCodeMaxRarity);
  d.s.areas.cells = {2};  // B and C are held: cell 1 keeps A, cell 3 nothing
  mapIrreplaceability(d, kCodeMaxRarity);
  EXPECT_EQ(d.map(), "1:1/1 4:0.333333/3 5:0.333333/3 6:0.5/2 7:0.5/2 ");
}

TEST(MaxRarity, ExcludedGroupsAndLevelsDoNotCount) {
  Loaded d({{"In", "11", {{1, 1}, {2, 1}}}, {"Out", "21", {{3, 1}}}, {"Low", "12", {{4, 1}}}});
  d.s.ws.groupCode = "1";
  d.recountNow();
  mapIrreplaceability(d, kCodeMaxRarity);
  EXPECT_EQ(d.map(), "1:0.5/2 2:0.5/2 4:1/1 ");
  d.s.settings.excludedLevel = 1;
  d.recountNow();
  IrreplaceabilityResult r = mapIrreplaceability(d, kCodeMaxRarity);
  EXPECT_EQ(d.map(), "");
  EXPECT_EQ(r.taxaCounted, 0);
  EXPECT_EQ(mapIrreplaceability(d, kCodeEmrIrreplaceability).candidates, 0);
  EXPECT_EQ(d.map(), "");
}

}  // namespace
}  // namespace zn
