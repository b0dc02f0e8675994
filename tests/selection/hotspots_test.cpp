// Ranked maps: hotspots, EMR irreplaceability and max rarity, and the
// dialog that asks for the number of areas.
#include "selection/hotspots.h"
#include "selection/irreplaceability.h"
#include "shell/selection_commands.h"

#include <gtest/gtest.h>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/values.h"
#include "shell/analyses.h"
#include "shell/mapmeasures.h"
#include "shell/runinputs.h"
#include "tests/support/listing.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::cellsText;
using test::joined;
using test::Loaded;
using test::TaxonSpec;

// Taxon i (0-based) is present in the first `richness[c]` cells' lists:
// cell c holds as many taxa as richness gives it.
std::vector<TaxonSpec> withRichness(const std::map<int, int>& richness) {
  int most = 0;
  for (auto [c, r] : richness) most = std::max(most, r);
  std::vector<TaxonSpec> taxa;
  for (int i = 0; i < most; ++i) {
    TaxonSpec t{"T" + std::to_string(i), "1", {}};
    for (auto [c, r] : richness)
      if (i < r) t.levels[c] = 1;
    taxa.push_back(t);
  }
  return taxa;
}

// Hotspots as the menu and the tool run them.
AnalysisResult hotspots(Loaded& d, int areas) {
  AnalysisParams p;
  p.areasToAdd = areas;
  return findAnalysis("hotspots")->run(d.s, p);
}

TEST(ExchangeSort, OrdersHighestFirstWithItsOwnTieOrder) {
  struct Case {
    std::vector<double> scores;
    std::string cells;  // cell order after sorting (entry i starts as cell i)
  };
  const Case cases[] = {
      // Four equal scores: the gap-2 pass moves 2 before 1 and 4 before 3.
      {{0, 1, 1, 1, 1}, "2 1 4 3 0"},
      // Three equal scores keep their order.
      {{0, 1, 1, 1}, "1 2 3 0"},
      {{0, 3, 5, 4, 1}, "2 3 1 4 0"},
      {{0}, "0"},
      {{}, ""},
  };
  for (const Case& c : cases) {
    std::vector<double> s = c.scores;
    std::vector<int> cells(s.size());
    for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = static_cast<int>(i);
    exchangeSortDescending(s, cells);
    EXPECT_EQ(cellsText(cells), c.cells);
    EXPECT_TRUE(std::is_sorted(s.rbegin(), s.rend()));
  }
}

// The top cells ranked, the rest zeroed; fewer than three scored cells
// select and report nothing, and the map keeps the measure's scores.
// Existing areas become seeds and the hotspots follow them: with cell 40,
// which holds T0 only, richness counts T1 ... T3.
TEST(Hotspots, TakesTheTopCellsRankedAndZeroesTheRest) {
  struct Case {
    std::map<int, int> richness;
    std::vector<int> seeds;
    int areas;
    const char *cells, *map;
  };
  for (const Case& c : {Case{{{5, 4}, {9, 2}, {12, 3}, {40, 1}}, {}, 2, "5 12", "5:4/1 12:3/2 "},
                        Case{{{5, 4}, {9, 2}, {12, 3}}, {}, 500, "5 12 9", "5:4/1 9:2/3 12:3/2 "},
                        Case{{{5, 4}, {9, 2}}, {}, 5, "", "5:4/4 9:2/2 "},
                        Case{{{5, 4}, {9, 2}, {12, 3}, {40, 1}, {41, 1}}, {40}, 2, "40 5 12", "5:3/1 12:2/2 "}}) {
    SCOPED_TRACE(c.cells);
    Loaded d(withRichness(c.richness));
    d.s.areas.cells = c.seeds;
    const AnalysisResult r = hotspots(d, c.areas);
    EXPECT_EQ(r.ran, c.richness.size() >= 3);
    EXPECT_EQ(r.results.empty(), !r.ran);
    EXPECT_EQ(cellsText(d.s.areas.cells), c.cells);
    EXPECT_EQ(d.map(), c.map);
    if (r.ran) {
      EXPECT_EQ(d.s.map.code(), kCodeHotspots);
    }
    EXPECT_EQ(d.s.areas.seedCount, static_cast<int>(c.seeds.size()));
  }
}

TEST(Hotspots, TheLowestResidualRanksLast) {
  // The residual map is shifted so that its lowest cell is exactly zero,
  // written as the zero-score marker; asking for every scored cell must
  // still leave that cell out.
  std::map<int, int> richness;
  for (int c = 1; c <= 36; ++c) richness[c] = 1 + (c * 7) % 5;
  richness[80] = 6;
  Loaded d(withRichness(richness));
  d.s.settings.hotspotKind = HotspotKind::kResiduals;
  const AnalysisResult r = hotspots(d, 200);
  ASSERT_TRUE(r.ran);
  ASSERT_GT(d.s.areas.count(), 3);
  for (int c : d.s.areas.cells) {
    EXPECT_NE(d.score(c), kZeroScore) << "cell " << c;
    EXPECT_GT(d.score(c), 0.0) << "cell " << c;
  }
  std::vector<int> chosen = d.s.areas.cells;
  std::sort(chosen.begin(), chosen.end());
  EXPECT_EQ(std::adjacent_find(chosen.begin(), chosen.end()), chosen.end());
  // The first hotspot has the highest residual.
  for (int c : d.s.areas.cells) EXPECT_LE(d.score(c), d.score(d.s.areas.cells.front()));
  // Each keeps the score of the residual map, smoothed twice as that map is.
  EXPECT_EQ(d.s.map.smoothPasses, 2);
  Loaded residuals(withRichness(richness));
  computeMeasure(residuals.s, kCodeResiduals);
  for (int c : d.s.areas.cells) EXPECT_EQ(d.score(c), residuals.score(c)) << "cell " << c;
}

TEST(Hotspots, AKindWithoutAMeasureIsRefusedAndTheMapStays) {
  Loaded d(withRichness({{5, 4}, {9, 2}, {12, 3}}));
  setMeasureCode(d.s, kCodeRichness);
  d.s.settings.hotspotKind = static_cast<HotspotKind>(-2);
  const AnalysisResult r = hotspots(d, 2);
  EXPECT_FALSE(r.ran);
  EXPECT_EQ(joined(r.notes), "hotspots: the options' hotspot kind has no measure");
  EXPECT_EQ(d.s.map.code(), kCodeRichness);
  EXPECT_TRUE(d.s.areas.empty());
}

TEST(AreaNumberDialog, ShowsTheSetAndClampsTheNumber) {
  Loaded d(withRichness({{5, 1}}));
  d.s.areas.cells = {1, 2, 3};
  d.s.settings.areasToAdd = 12;
  NumberOfAreasModel m = openNumberOfAreas(d.s);
  EXPECT_EQ(m.seedsLine, "Number of selected (seed) areas: 3");
  EXPECT_EQ(m.maxLine, "(max 1097)");
  EXPECT_EQ(m.number, 12);
  // Nothing to add would run an analysis for nothing: one is the least.
  const std::pair<int, int> cases[] = {{5, 5}, {1097, 1097}, {5000, 1097}, {0, 1}, {-4, 1}};
  for (auto [typed, stored] : cases) {
    m.number = typed;
    EXPECT_EQ(acceptedNumberOfAreas(m), stored) << "typed " << typed;
  }
  d.s.areas.cells.assign(kAreaCapacity, 1);
  m = openNumberOfAreas(d.s);
  EXPECT_EQ(m.maxLine, "(max 0)");
  m.number = 5;
  EXPECT_EQ(acceptedNumberOfAreas(m), 0) << "a full set leaves no room";
}

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
  // The taxa of the set are left out.
  d.s.areas.cells = {1};
  r = mapIrreplaceability(d, kCodeEmrIrreplaceability);
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
