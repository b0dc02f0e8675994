// The area-selection analyses on 3,000 taxa over the 864-cell world grid:
// greedy sets by richness and by rarity, for goals 1 and 3, with and
// without redundancy rejection; hotspots; EMR irreplaceability and max
// rarity with an empty set and with a set of 20 areas.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "selection/greedy.h"
#include "selection/hotspots.h"
#include "selection/irreplaceability.h"
#include "shell/mapmeasures.h"
#include "shell/analyses.h"
#include "shell/runinputs.h"
#include "shell/silenthost.h"
#include "store/datafile.h"
#include "store/gridtypes.h"

namespace {

// Each taxon fills a rectangle of the grid around a random centre, its
// side drawn from a geometric law: many small ranges, a few wide ones,
// clustered as real distributions are.
void fillTaxa(zn::Session& s, int taxa) {
  std::mt19937 rng(29);
  std::geometric_distribution<int> side(0.25);
  zn::Workspace& ws = s.ws;
  ws.cards.reset(taxa + zn::kCapacityMargin + 1);
  ws.taxaCount = taxa;
  ws.capacity = taxa + zn::kCapacityMargin;
  for (int t = 0; t < taxa; ++t) {
    ws.cards.setName(t, "Taxon " + std::to_string(t));
    const std::string code = std::to_string(1 + t / 300) + std::to_string(1 + t / 30 % 9) + "1";
    std::copy(code.begin(), code.end(), ws.cards.code(t));
    const int w = 1 + std::min(side(rng), 20), h = 1 + std::min(side(rng), 14);
    const int c0 = 1 + static_cast<int>(rng() % 36), r0 = 1 + static_cast<int>(rng() % 24);
    for (int r = r0; r < std::min(25, r0 + h); ++r)
      for (int c = c0; c < std::min(37, c0 + w); ++c)
        if (rng() % 3 != 0) ws.cards.setLevel(t, (r - 1) * 36 + c, 1 + static_cast<int>(rng() % 4));
  }
}

struct Grid {
  zn::SilentHost host{zn::Answer::Ok};
  zn::Session s{host, "/nonexistent"};
  Grid() {
    zn::allocateWorkspace(s);
    zn::setDefaults(s.settings);
    fillTaxa(s, 3000);
    s.ws.datafile.opened = true;
    zn::buildNeighbourhoods(s.ws);
    s.subgroupDataPresent = zn::recount(s.ws, 0);
  }
};

Grid& grid() {
  static Grid g;
  return g;
}

void BM_GreedySet(benchmark::State& state) {
  Grid& g = grid();
  zn::GreedyOptions o;
  o.byRarity = state.range(0) != 0;
  o.rarityFormula = zn::RarityFormula::kInverse;
  o.goal = static_cast<int>(state.range(1));
  o.rejectRedundant = state.range(2) != 0;
  int areas = 0;
  for (auto _ : state) {
    g.s.areas = zn::AreaSet{};
    areas = zn::growGreedySet(g.s, g.s.areas, o, g.s.progress).added;
  }
  state.counters["areas"] = areas;
  state.counters["records"] = g.s.ws.counters.records;
}
BENCHMARK(BM_GreedySet)
    ->ArgNames({"rarity", "goal", "reject"})
    ->Args({0, 1, 0})
    ->Args({0, 1, 1})
    ->Args({1, 1, 1})
    ->Args({0, 3, 1})
    ->Args({1, 3, 1})
    ->Unit(benchmark::kMillisecond);

void BM_Hotspots(benchmark::State& state) {
  Grid& g = grid();
  zn::Settings st = g.s.settings;
  st.hotspotKind = static_cast<zn::HotspotKind>(state.range(0));
  const zn::AnalysisData data = zn::analysisData(g.s);
  for (auto _ : state) {
    const zn::SetRunParams p{.settings = st, .start = {}, .areas = 50};
    benchmark::DoNotOptimize(zn::hotspotSetRun(data, p, g.s.progress).set);
  }
}
BENCHMARK(BM_Hotspots)->ArgName("kind")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Irreplaceability(benchmark::State& state) {
  Grid& g = grid();
  g.s.areas = zn::AreaSet{};
  for (int k = 0; k < state.range(1); ++k) g.s.areas.cells.push_back(1 + 43 * k);
  // The entry's scoring on the datafile's data, as its run reckons it.
  const zn::Analysis* a = zn::findAnalysis(state.range(0) == 28 ? "emr" : "max-rarity");
  for (auto _ : state) benchmark::DoNotOptimize(a->scoreUnits(zn::analysisData(g.s), g.s.areas));
  g.s.areas = zn::AreaSet{};
}
BENCHMARK(BM_Irreplaceability)
    ->ArgNames({"code", "areas"})
    ->Args({28, 0})
    ->Args({28, 20})
    ->Args({30, 0})
    ->Args({30, 20})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
