// The dataset at the sizes of whole projects: occurrence lists of 10^4 to
// 10^6 units with clumped ranges (each taxon a run of neighbouring unit
// numbers), built both ways by counting sort, and one pass over every list.
// The memory counter is the bytes the lists hold.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "store/dataset.h"

namespace {

std::vector<zn::Occurrence> clumped(int units, int taxa, long long pairs, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<zn::Occurrence> out;
  out.reserve(static_cast<std::size_t>(pairs));
  const long long perTaxon = pairs / taxa;
  for (int t = 0; t < taxa; ++t) {
    const auto start = static_cast<std::uint32_t>(1 + rng() % static_cast<unsigned>(units));
    for (long long k = 0; k < perTaxon; ++k)
      out.push_back({static_cast<std::uint32_t>(t),
                     static_cast<std::uint32_t>(1 + (start + k * 3 + rng() % 3) % static_cast<unsigned>(units)), 1.0});
  }
  std::shuffle(out.begin(), out.end(), rng);
  return out;
}

std::size_t bytesOf(const zn::Occurrences& o) {
  return (o.taxonStart.size() + o.unitStart.size()) * 8 + (o.taxonUnits.size() + o.unitTaxa.size()) * 4 +
         (o.taxonAmounts.size() + o.unitAmounts.size()) * 8;
}

// range(0): units; 10,000 taxa, 50 pairs per unit.
void BM_OccurrencesFromPairs(benchmark::State& state) {
  const int units = static_cast<int>(state.range(0)), taxa = 10000;
  const std::vector<zn::Occurrence> pairs = clumped(units, taxa, 50LL * units, 5);
  zn::Occurrences o;
  for (auto _ : state) {
    o = zn::occurrencesFrom(taxa, units, pairs, false);
    benchmark::DoNotOptimize(o.taxonUnits.data());
  }
  long long sum = 0;
  for (int n = 1; n <= units; ++n)
    for (int t : o.taxaIn(n)) sum += t;
  benchmark::DoNotOptimize(sum);
  state.counters["pairs"] = static_cast<double>(o.taxonUnits.size());
  state.counters["MB"] = static_cast<double>(bytesOf(o)) / 1e6;
  state.counters["largestUnit"] = zn::kLargestUnitNumber;
}
BENCHMARK(BM_OccurrencesFromPairs)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Range-size rarity, one pass over the lists of every unit, at 10^6 units.
void BM_RarityOverLists(benchmark::State& state) {
  const int units = 1000000, taxa = 10000;
  const zn::Occurrences o = zn::occurrencesFrom(taxa, units, clumped(units, taxa, 50LL * units, 6), false);
  std::vector<double> inverse(static_cast<std::size_t>(taxa)), rarity(static_cast<std::size_t>(units) + 1);
  for (int t = 0; t < taxa; ++t) inverse[static_cast<std::size_t>(t)] = o.range(t) ? 1.0 / o.range(t) : 0.0;
  for (auto _ : state) {
    for (int n = 1; n <= units; ++n) {
      double r = 0.0;
      for (int t : o.taxaIn(n)) r += inverse[static_cast<std::size_t>(t)];
      rarity[static_cast<std::size_t>(n)] = r;
    }
    benchmark::DoNotOptimize(rarity.data());
  }
}
BENCHMARK(BM_RarityOverLists)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
