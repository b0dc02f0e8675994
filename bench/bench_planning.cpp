// Planning-unit problems: reading a folder, the greedy and the near-minimum
// sets, on synthetic problems of 100,000 units x 1,000 features with clumped
// lognormal ranges (median 3 % of the units) and, when ZN_CARNIVORA_FOLDER
// names one (written by tools/marxan_folder.py), the world carnivores on
// their native cells. The greedy set runs on amounts of 1 to 3 with targets
// of 30 % of each total, and on presences with a target of one unit, the
// problem the near-minimum set takes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

#include "planning/folder.h"
#include "planning/greedy.h"
#include "planning/nearminimum.h"

namespace {

using namespace zn::planning;

// Units on a square lattice; each feature's range is a random walk from a
// random start, so ranges are clumped as species ranges are.
Problem synthetic(int side, int features, std::uint32_t seed, bool presence = false) {
  std::mt19937 gen(seed);
  const int units = side * side;
  const double median = 0.03 * units;
  std::lognormal_distribution<double> range(std::log(median), 1.0);
  std::uniform_int_distribution<int> cell(0, units - 1), step(0, 3);
  std::uniform_real_distribution<double> cost(1.0, 10.0);
  Problem p;
  for (int u = 0; u < units; ++u) p.units.push_back({u + 1, std::round(cost(gen)), UnitStatus::Free});
  std::vector<Triple> t;
  std::vector<int> mark(static_cast<std::size_t>(units), -1);
  for (int f = 0; f < features; ++f) {
    const int want = std::clamp(static_cast<int>(range(gen)), 1, units / 4);
    int at = cell(gen), have = 0;
    for (int tries = 0; have < want && tries < 20 * want; ++tries) {
      if (mark[static_cast<std::size_t>(at)] != f) {
        mark[static_cast<std::size_t>(at)] = f;
        t.push_back({f, at, presence ? 1.0 : 1.0 + (at % 3)});
        ++have;
      }
      const int r = at / side, c = at % side, s = step(gen);
      at = s == 0   ? (r > 0 ? at - side : at)
           : s == 1 ? (r + 1 < side ? at + side : at)
           : s == 2 ? (c > 0 ? at - 1 : at)
                    : (c + 1 < side ? at + 1 : at);
    }
    p.features.push_back({f + 1, "", 0.0});
  }
  buildRows(p, t);
  for (auto& f : p.features) f.target = presence ? 1.0 : 0.3 * f.total;
  return p;
}

void BM_GreedySynthetic(benchmark::State& state) {
  const Problem p = synthetic(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 7);
  for (auto _ : state) benchmark::DoNotOptimize(greedyByCostEffectiveness(p, 1));
  state.counters["entries"] = static_cast<double>(p.unitsOf.entries.size());
}
BENCHMARK(BM_GreedySynthetic)->Args({100, 100})->Args({317, 1000})->Unit(benchmark::kMillisecond);

void BM_GreedySyntheticPresence(benchmark::State& state) {
  const Problem p = synthetic(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 7, true);
  for (auto _ : state) benchmark::DoNotOptimize(greedyByCostEffectiveness(p, 1));
}
BENCHMARK(BM_GreedySyntheticPresence)->Args({317, 1000})->Unit(benchmark::kMillisecond);

// From the folder's problem: the lists, then one repetition.
void BM_NearMinimumSynthetic(benchmark::State& state) {
  const Problem p = synthetic(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 7, true);
  std::size_t units = 0;
  for (auto _ : state) {
    const NearMinimumInput in = nearMinimumInput(p);
    const std::vector<char> chosen = nearMinimumSet(in, 1);
    units = static_cast<std::size_t>(std::count(chosen.begin(), chosen.end(), 1));
  }
  state.counters["units chosen"] = static_cast<double>(units);
}
BENCHMARK(BM_NearMinimumSynthetic)->Args({100, 100})->Args({317, 1000})->Unit(benchmark::kMillisecond);

void BM_ReadCarnivoraFolder(benchmark::State& state) {
  const char* dir = std::getenv("ZN_CARNIVORA_FOLDER");
  if (!dir) {
    state.SkipWithError("ZN_CARNIVORA_FOLDER is not set");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(readFolder(dir));
}
BENCHMARK(BM_ReadCarnivoraFolder)->Unit(benchmark::kMillisecond);

void BM_GreedyCarnivora(benchmark::State& state) {
  const char* dir = std::getenv("ZN_CARNIVORA_FOLDER");
  if (!dir) {
    state.SkipWithError("ZN_CARNIVORA_FOLDER is not set");
    return;
  }
  const FolderRead r = readFolder(dir);
  const Problem p = problemFromDataset(r.data, r.terms);
  for (auto _ : state) benchmark::DoNotOptimize(greedyByCostEffectiveness(p, 1));
}
BENCHMARK(BM_GreedyCarnivora)->Unit(benchmark::kMillisecond);

void BM_NearMinimumCarnivora(benchmark::State& state) {
  const char* dir = std::getenv("ZN_CARNIVORA_FOLDER");
  if (!dir) {
    state.SkipWithError("ZN_CARNIVORA_FOLDER is not set");
    return;
  }
  FolderRead r = readFolder(dir);
  // As the tool poses it: the problem keeps the folder's dataset, whose lists the set grows on.
  const Problem p = problemFromDataset(std::make_shared<const zn::Dataset>(std::move(r.data)), r.terms);
  std::size_t units = 0;
  for (auto _ : state) {
    const std::vector<char> chosen = nearMinimumSet(nearMinimumInput(p), 1);
    units = static_cast<std::size_t>(std::count(chosen.begin(), chosen.end(), 1));
  }
  state.counters["units chosen"] = static_cast<double>(units);
}
BENCHMARK(BM_NearMinimumCarnivora)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
