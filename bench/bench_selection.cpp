// The priority-area analyses on synthetic data shaped like real atlases:
// the near-minimum set with redundancy rejection and the two-for-one
// exchange on 3,000 taxa over the 864-cell world grid and on 10,000 taxa
// over a 2,800-cell British-size grid, 1,000 random sets of 100 areas, and
// the greedy set on 10^5 and 10^6 units.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>

#include "selection/greedy.h"
#include "selection/nearminimum.h"
#include "selection/randomsets.h"
#include "shell/runinputs.h"
#include "shell/silenthost.h"
#include "store/session.h"

namespace {

// A grid of columns x rows cells holding `taxa` taxa; ranges are lognormal
// random walks over neighbouring cells, as species ranges are clumped.
struct Synthetic {
  zn::SilentHost host{zn::Answer::Ok};
  zn::Session s{host, "/nonexistent"};

  Synthetic(int taxa, int columns, int rows, const zn::CardLayout& layout, unsigned seed, double logMedian = 2.5) {
    zn::Workspace& ws = s.ws;
    ws.geo.columns = columns;
    ws.geo.rows = rows;
    ws.geo.cells = columns * rows;
    ws.cells.assign(static_cast<std::size_t>(ws.geo.cells) + 2, zn::GridCell{});
    ws.prop3.assign(static_cast<std::size_t>(5 * ws.geo.cells + 10), 0);
    ws.cards.layout = &layout;
    ws.cards.reset(taxa + 1);
    ws.taxaCount = taxa;
    ws.capacity = taxa;
    std::mt19937 rng(seed);
    std::lognormal_distribution<double> range(logMedian, 1.2);
    for (int t = 0; t < taxa; ++t) {
      const std::string code = std::to_string(1 + t % 9) + std::to_string(1 + t / 9 % 9);
      std::copy(code.begin(), code.end(), ws.cards.code(t));
      std::fill(ws.cards.code(t) + code.size(), ws.cards.code(t) + zn::kCodeLength, '0');
      const int r = std::clamp(static_cast<int>(range(rng)), 1, ws.geo.cells / 2);
      int c = 1 + static_cast<int>(rng() % static_cast<unsigned>(columns));
      int row = 1 + static_cast<int>(rng() % static_cast<unsigned>(rows));
      for (int k = 0; k < r; ++k) {
        ws.cards.setLevel(t, (row - 1) * columns + c, 1 + static_cast<int>(rng() % 4));
        c = std::clamp(c + static_cast<int>(rng() % 3) - 1, 1, columns);
        row = std::clamp(row + static_cast<int>(rng() % 3) - 1, 1, rows);
      }
    }
    ws.datafile.opened = true;
    ws.datafile.title = "synthetic";
    zn::setDefaults(s.settings);
    zn::recount(ws, 0);
  }
};

zn::RunRequest mainRunRequest(const zn::Session& s) {
  zn::RunRequest r;
  r.params = zn::nearMinimumParams(s.settings, s.costPresent);
  return r;
}

void nearMinimum(benchmark::State& state, Synthetic& d) {
  d.s.settings.rejectRedundant = zn::Flag::kOn;
  d.s.settings.reordering = zn::Reordering::kByRichness;
  zn::RunOutcome last;
  for (auto _ : state) {
    d.s.areas = zn::AreaSet{};
    last = zn::runMainRun(d.s, mainRunRequest(d.s), d.s.areas, d.s.progress);
    benchmark::DoNotOptimize(last.represented);
  }
  state.counters["areas"] = static_cast<double>(d.s.areas.count());
  state.counters["rejected"] = last.rejected;
  state.counters["taxa"] = d.s.ws.counters.taxaWithRecords;
  state.counters["full"] = last.capacityReached ? 1 : 0;
}

void BM_NearMinimumWorld3000(benchmark::State& state) {
  static Synthetic d(3000, 36, 24, zn::kWorldCards, 11);
  nearMinimum(state, d);
}
BENCHMARK(BM_NearMinimumWorld3000)->Unit(benchmark::kMillisecond);

void BM_NearMinimumBritain10000(benchmark::State& state) {
  // A national plant atlas: wider ranges than the world grid's samples.
  static Synthetic d(10000, 56, 50, zn::kBritainCards, 12, 3.5);
  nearMinimum(state, d);
}
BENCHMARK(BM_NearMinimumBritain10000)->Unit(benchmark::kMillisecond);

void BM_NearMinimumWorldGoal3(benchmark::State& state) {
  static Synthetic d(3000, 36, 24, zn::kWorldCards, 13);
  d.s.settings.nearMinimumGoal = 3;
  d.s.settings.reordering = zn::Reordering::kNone;
  for (auto _ : state) {
    d.s.areas = zn::AreaSet{};
    benchmark::DoNotOptimize(zn::runMainRun(d.s, mainRunRequest(d.s), d.s.areas, d.s.progress).represented);
  }
  state.counters["areas"] = static_cast<double>(d.s.areas.count());
}
BENCHMARK(BM_NearMinimumWorldGoal3)->Unit(benchmark::kMillisecond);

void BM_RandomSets100(benchmark::State& state) {
  static Synthetic d(3000, 36, 24, zn::kWorldCards, 14);
  for (auto _ : state) {
    d.s.areas = zn::AreaSet{};
    benchmark::DoNotOptimize(
        zn::runRandomSets(d.s, d.s.areas, zn::randomSetsParams(d.s.settings, 100, 7), d.s.progress).stats.median);
  }
}
BENCHMARK(BM_RandomSets100)->Unit(benchmark::kMillisecond);

// Project scale, with no session: 10,000 taxa with clumped ranges (random
// walks of lognormal length, median 300 units) over a square grid of 10^5
// or 10^6 units, about 2 x 10^6 occurrences; the greedy set by richness or
// range-size rarity with no cap on its areas.
const zn::AnalysisData& projectScale(int units) {
  static std::map<int, zn::AnalysisData> made;
  auto [it, fresh] = made.try_emplace(units);
  zn::AnalysisData& a = it->second;
  if (!fresh) return a;
  constexpr int kTaxa = 10000;
  const int side = static_cast<int>(std::sqrt(static_cast<double>(units)));
  std::mt19937 rng(21);
  std::lognormal_distribution<double> range(std::log(300.0), 1.0);
  std::vector<zn::Occurrence> pairs;
  for (int t = 0; t < kTaxa; ++t) {
    const int r = std::clamp(static_cast<int>(range(rng)), 1, units / 10);
    int x = static_cast<int>(rng() % static_cast<unsigned>(side)),
        y = static_cast<int>(rng() % static_cast<unsigned>(side));
    for (int k = 0; k < r; ++k) {
      pairs.push_back({static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(1 + y * side + x), 1.0});
      x = std::clamp(x + static_cast<int>(rng() % 3) - 1, 0, side - 1);
      y = std::clamp(y + static_cast<int>(rng() % 3) - 1, 0, side - 1);
    }
  }
  auto data = std::make_shared<zn::Dataset>();
  data->occurrences = zn::occurrencesFrom(kTaxa, side * side, std::move(pairs), false);
  a.data = std::move(data);
  a.inGroup.assign(kTaxa, 1);
  a.excluded.assign(kTaxa, 0);
  a.gridUnits = side * side;
  a.totals = zn::countTotals(a);
  return a;
}

void BM_GreedyProjectScale(benchmark::State& state) {
  const zn::AnalysisData& a = projectScale(static_cast<int>(state.range(0)));
  zn::GreedyOptions o;
  o.byRarity = state.range(1) != 0;
  o.capacity = a.units();
  zn::Progress quiet;
  zn::GreedyResult r;
  for (auto _ : state) r = zn::growGreedySet(a, zn::AreaSet{}, o, quiet);
  state.counters["areas"] = r.added;
  state.counters["occurrences"] = static_cast<double>(a.occ().taxonStart.back());
}
BENCHMARK(BM_GreedyProjectScale)
    ->ArgNames({"units", "rarity"})
    ->Args({100000, 0})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
