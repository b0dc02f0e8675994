// The exact sets as analyses: what they leave in the area set and on the
// map, and the report they write, on hand-made grids whose optimum is known
// by hand; and the exact minimum against the near-minimum set on every
// shipped sample.
#include <gtest/gtest.h>

#include <filesystem>

#include "measures/scores.h"
#include "selection/exact.h"
#include "selection/nearminimum.h"
#include "shell/analyses.h"
#include "shell/data_dialogue.h"
#include "shell/exact_commands.h"
#include "shell/nearminimum_runs.h"
#include "shell/runinputs.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/text.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::taxon;

// A ring of four cells, each taxon in two neighbours, and one taxon alone in
// cell 50: one representation needs 10+30 or 20+40, and 50.
std::vector<test::TaxonSpec> ring() {
  return {taxon("T1", {10, 20}), taxon("T2", {20, 30}), taxon("T3", {30, 40}), taxon("T4", {40, 10}),
          taxon("T5", {50})};
}

std::vector<int> sorted(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  return v;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The declared run from the session's set, map and options, placed on the
// session with its report.
struct Placed : ExactSetOutcome {
  std::string results;
};
Placed run(Session& s, ExactRequest r = {}, std::function<bool(const std::string&)> progress = {}) {
  Placed p{exactSetRun(analysisData(s), selectionIndex(s),
                       {.settings = s.settings,
                        .start = s.areas,
                        .mapCode = s.map.code(),
                        .kind = r.kind,
                        .areas = r.areasToAdd,
                        .budget = r.budget,
                        .costs = s.costPresent,
                        .progress = std::move(progress)}),
           {}};
  if (p.ran) p.results = placeExactSet(s, p);
  return p;
}

TEST(ExactMinimumSet, PutsTheOptimumOnTheMapRankedByRichness) {
  test::Priority d(ring());
  const Placed out = run(d.s);
  ASSERT_TRUE(out.ran);
  EXPECT_EQ(out.result.status, ExactStatus::Optimal);
  EXPECT_EQ(d.areas().size(), 3u);
  EXPECT_EQ(d.s.areas.seedCount, 0);
  const std::vector<int> set = sorted(d.areas());
  EXPECT_TRUE(set == (std::vector<int>{10, 30, 50}) || set == (std::vector<int>{20, 40, 50})) << set.size();
  EXPECT_EQ(d.s.map.code(), kCodeReorderedByRichness);
  // Positions as counts, the first area scoring highest.
  for (std::size_t i = 0; i < d.areas().size(); ++i) EXPECT_EQ(d.cell(d.areas()[i]).count, static_cast<int>(i) + 1);
  EXPECT_GT(d.cell(d.areas()[0]).score, 0.0);
  EXPECT_EQ(d.cell(60).score, 0.0);
  EXPECT_TRUE(has(out.results, "Representation summary by area sequence"));
  EXPECT_TRUE(has(out.results, "  proven lower bound: 3 areas\n  solver finished in ")) << out.results;
  EXPECT_FALSE(has(out.results, "gap:"));
  EXPECT_FALSE(has(out.results, "near-minimum set:"));  // no quick set to compare with
}

// A seed that stays is checked by the tool's case (exact.case): in front,
// counted in the report. Included seeds are no seeds: 60 holds nothing, and
// an optimum never needs it.
TEST(ExactMinimumSet, IncludedSeedsGiveWay) {
  test::Priority d(ring());
  d.areas() = {60};
  d.s.settings.includeSeeds = Flag::kOn;
  const Placed out = run(d.s);
  EXPECT_EQ(out.result.status, ExactStatus::Optimal);
  EXPECT_EQ(d.s.areas.seedCount, 0);
  EXPECT_EQ(d.areas().size(), 3u);  // either ring pair does
  EXPECT_EQ(std::count(d.areas().begin(), d.areas().end(), 60), 0);
}

TEST(ExactMinimumSet, OptimisedByCostTakesTheCheapestCover) {
  test::Priority d(ring());
  d.costs({{10, 1.0}, {20, 5.0}, {30, 1.0}, {40, 5.0}, {50, 1.0}});
  d.s.settings.optimiseByCost = Flag::kOn;
  const Placed out = run(d.s);
  EXPECT_EQ(sorted(d.areas()), (std::vector<int>{10, 30, 50}));
  EXPECT_DOUBLE_EQ(out.result.cost, 3.0);
  EXPECT_TRUE(has(out.results, "Exact minimum-cost set")) << out.results;
  EXPECT_TRUE(has(out.results, "  objective: cost 3.00 (3 areas)\n  proven lower bound: cost 3.00\n")) << out.results;
}

TEST(ExactMinimumSet, ComparesWithTheNearMinimumSetOnTheMapAndStartsFromItsSeeds) {
  test::Priority d(ring());
  d.areas() = {60};  // a seed that holds nothing
  const AnalysisOutcome quick = runNearMinimumSet(d.s, {});
  ASSERT_TRUE(quick.ran);
  const int quickAreas = d.s.areas.count() - d.s.areas.seedCount;
  const Placed out = run(d.s);
  EXPECT_TRUE(out.quick.present);
  EXPECT_EQ(out.quick.areas, quickAreas);
  EXPECT_EQ(d.areas().front(), 60);
  EXPECT_EQ(d.s.areas.seedCount, 1);
  EXPECT_EQ(d.areas().size(), 4u);  // the seed and three exact areas, not the near-minimum's on top
  const std::string line = strprintf("  near-minimum set: %d areas, exact minimum: 3 areas (%.1f%% more)\n", quickAreas,
                                     (quickAreas - 3) * 100.0 / 3.0);
  EXPECT_TRUE(has(out.results, line)) << out.results;
  EXPECT_FALSE(d.s.areas.nearMinimumDone);
}

TEST(ExactMaximumCoverage, MostTaxaThenFewestAreasThenLowestCost) {
  struct Case {
    const char* name;
    ExactKind kind;
    int areas;
    double budget;
    bool costs;
    int represented;
    int chosen;
    double cost;
  };
  const Case cases[] = {
      {"three areas cover all", ExactKind::CoverageByNumber, 3, 0.0, false, 5, 3, -1.0},
      {"more areas than needed", ExactKind::CoverageByNumber, 6, 0.0, false, 5, 3, -1.0},
      {"one area: the cheap one", ExactKind::CoverageByNumber, 1, 0.0, true, 2, 1, 1.0},
      {"budget 2: 10 and 30", ExactKind::CoverageByBudget, 0, 2.0, true, 4, 2, 2.0},
      {"budget 0.5: nothing", ExactKind::CoverageByBudget, 0, 0.5, true, 0, 0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::Priority d(ring());
    if (c.costs) d.costs({{10, 1.0}, {20, 5.0}, {30, 1.0}, {40, 5.0}, {50, 1.0}}, 9.0);
    const Placed out = run(d.s, {c.kind, c.areas, c.budget});
    EXPECT_EQ(out.result.status, ExactStatus::Optimal);
    EXPECT_EQ(out.result.represented, c.represented);
    EXPECT_EQ(d.s.areas.count(), c.chosen);
    if (c.cost >= 0.0) {
      EXPECT_DOUBLE_EQ(out.result.cost, c.cost);
    }
    EXPECT_TRUE(has(out.results, strprintf("  objective: %d taxa represented with %d areas", c.represented, c.chosen)))
        << out.results;
    EXPECT_TRUE(has(out.results, strprintf("  proven upper bound: %d taxa represented\n", c.represented)));
  }
}

TEST(ExactMaximumCoverage, ComparesWithTheCoverageSetOfTheSameNumber) {
  test::Priority d(ring());
  const AnalysisOutcome quick = runNearMaximumCoverage(d.s, false, 2, 0.0, {});
  ASSERT_TRUE(quick.ran);
  ASSERT_EQ(d.s.map.code(), kCodeNearMaximumCoverage);
  const Placed out = run(d.s, {ExactKind::CoverageByNumber, 2, 0.0});
  ASSERT_TRUE(out.quick.present);
  EXPECT_EQ(out.result.represented, 4);
  EXPECT_TRUE(has(out.results, strprintf("  near-maximum-coverage set: %d taxa, exact maximum coverage: 4 taxa",
                                         out.quick.represented)))
      << out.results;
}

TEST(ExactSets, AStoppedRunReportsItsBestSetAndGapNeverOptimal) {
  test::Priority d(ring());
  int calls = 0;
  const Placed out = run(d.s, {}, [&](const std::string&) { return ++calls < 1; });
  ASSERT_GE(calls, 1);
  EXPECT_EQ(out.result.status, ExactStatus::Stopped);
  ASSERT_TRUE(out.result.hasSolution);
  EXPECT_EQ(d.s.areas.count(), out.result.areas);
  EXPECT_TRUE(has(out.results, "  Exact minimum set: stopped by the user\n")) << out.results;
  EXPECT_TRUE(has(out.results, "  gap: ")) << out.results;
  EXPECT_FALSE(has(out.results, ": optimal"));
}

TEST(ExactSets, NothingWithoutAnOpenDatafile) {
  test::Priority d(ring());
  d.s.ws.datafile.opened = false;
  d.areas() = {10};
  EXPECT_FALSE(findAnalysis("exact-minimum")->run(d.s, {}).ran);
  EXPECT_EQ(d.areas(), (std::vector<int>{10}));
}

TEST(ExactProgressText, ShowsBestSetBoundAndTime) {
  const std::vector<int> cells{4, 9, 12};
  ExactProgress p;
  p.hasSolution = true;
  p.objective = 3;
  p.bound = 2;
  p.cells = cells;
  p.seconds = 5.2;
  EXPECT_EQ(exactProgressText(ExactKind::MinimumSet, false, p, 60.0),
            "Best set so far: 3 areas\nLower bound: 2 areas\nCells: 4 9 12\n5 of 60 seconds");
  p.objective = 7.5;
  EXPECT_EQ(exactProgressText(ExactKind::MinimumSet, true, p, 0.0),
            "Best set so far: cost 7.50 (3 areas)\nLower bound: cost 2.00\nCells: 4 9 12\n5 seconds");
  p.objective = 40;
  p.bound = 44;
  EXPECT_EQ(exactProgressText(ExactKind::CoverageByNumber, false, p, 60.0),
            "Best set so far: 40 taxa represented (3 areas)\nUpper bound: 44 taxa\nCells: 4 9 12\n5 of 60 seconds");
  ExactProgress none;
  EXPECT_EQ(exactProgressText(ExactKind::MinimumSet, false, none, 10.0),
            "No set found yet\nLower bound: 0 areas\n0 of 10 seconds");
}

// ---- shipped samples ----------------------------------------------------------

class ShippedSamples : public ::testing::TestWithParam<const char*> {};

TEST_P(ShippedSamples, ExactMinimumIsNeverLargerThanTheNearMinimumSet) {
  const std::string rel = GetParam();
  test::TempDir tmp;
  const std::filesystem::path home = tmp.path() / "ZONARIUM";
  ASSERT_TRUE(populateProgramFolder(home, std::filesystem::path(ZN_SOURCE_DIR) / "programdata"));
  test::ScriptedHost host;
  const bool britain = rel.rfind("britain/", 0) == 0;
  Session s(host, home, britain ? GridVariant::Britain : GridVariant::World);
  ASSERT_TRUE(startSession(s));
  host.openFiles.push_back(home / rel);
  openDatafile(s, host);
  ASSERT_TRUE(s.ws.datafile.opened) << rel;
  ASSERT_TRUE(runNearMinimumSet(s, {}).ran);
  const int quick = s.areas.count() - s.areas.seedCount;
  const Placed out = run(s);
  ASSERT_TRUE(out.quick.present);
  EXPECT_EQ(out.result.status, ExactStatus::Optimal);
  EXPECT_LE(out.result.areas, quick) << rel;
  EXPECT_EQ(s.areas.count(), out.result.areas);
  EXPECT_TRUE(
      has(out.results, strprintf("  near-minimum set: %d areas, exact minimum: %d areas", quick, out.result.areas)))
      << out.results;
}

INSTANTIATE_TEST_SUITE_P(Samples, ShippedSamples,
                         ::testing::Values("equal/carnivora.dat", "ravelund/marine.dat", "neotrop/phyllomedusa.dat",
                                           "safrica/woody.dat", "austral/acacia.dat", "britain/butterflies.dat"),
                         [](const auto& param_info) {
                           std::string n = param_info.param;
                           return n.substr(0, n.find('/'));
                         });

}  // namespace
}  // namespace zn
