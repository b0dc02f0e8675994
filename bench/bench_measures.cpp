// The measures on a datafile of 3,000 taxa on the 864-cell world grid, with
// ranges and codes shaped like real data: every counting measure should cost
// the number of records, subtree length a prefix-tree walk per cell.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>

#include "measures/dispatch.h"
#include "measures/presence.h"
#include "measures/scores.h"
#include "measures/smoothing.h"
#include "shell/mapmeasures.h"
#include "shell/silenthost.h"
#include "store/datafile.h"
#include "store/gridtypes.h"

namespace {

using QuietHost = zn::SilentHost;

// Ranges are random walks over neighbouring cells, lognormal in size; codes
// are family, genus and species characters.
std::string worldImage(int taxa) {
  std::mt19937 rng(11);
  std::lognormal_distribution<double> range(2.5, 1.2);
  std::string out;
  out.push_back(static_cast<char>(taxa & 0xff));
  out.push_back(static_cast<char>(taxa >> 8));
  std::string title(32, '\0');
  title.replace(0, 11, "bench world");
  out += title;
  int family = 0, genus = 0, species = 0;
  for (int t = 0; t < taxa; ++t) {
    std::string card(1024, '\0');
    const std::string name = "Taxon " + std::to_string(t);
    card.replace(0, name.size(), name);
    if (++species >= 1 + static_cast<int>(rng() % 8)) {
      species = 0;
      if (++genus >= 1 + static_cast<int>(rng() % 20)) {
        genus = 0;
        ++family;
      }
    }
    std::string code{static_cast<char>('1' + family / 9 % 9), static_cast<char>('1' + family % 9),
                     static_cast<char>('1' + genus % 9), static_cast<char>('1' + species % 9)};
    code.resize(31, '0');
    card.replace(32, 31, code);
    const int r = std::clamp(static_cast<int>(range(rng)), 1, 400);
    int c = 1 + static_cast<int>(rng() % 36), row = 1 + static_cast<int>(rng() % 24);
    for (int k = 0; k < r; ++k) {
      card[static_cast<std::size_t>(66 + (row - 1) * 36 + c)] = static_cast<char>(1 + rng() % 4);
      c = std::clamp(c + static_cast<int>(rng() % 3) - 1, 1, 36);
      row = std::clamp(row + static_cast<int>(rng() % 3) - 1, 1, 24);
    }
    out += card;
  }
  return out;
}

struct World {
  QuietHost host;
  zn::Session s{host, "/nonexistent"};
  World() {
    zn::allocateWorkspace(s);
    zn::setDefaults(s.settings);
    zn::readDatafileBytes(s, worldImage(3000));
    s.ws.datafile.opened = true;
    zn::buildNeighbourhoods(s.ws);
    s.subgroupDataPresent = zn::recount(s.ws, 0);
    s.scoresPresent = true;
  }
};

World& world() {
  static World w;
  return w;
}

void BM_PresenceIndex(benchmark::State& state) {
  World& w = world();
  for (auto _ : state) benchmark::DoNotOptimize(zn::buildPresenceIndex(w.s.ws, 0));
  state.counters["records"] = w.s.ws.counters.records;
}
BENCHMARK(BM_PresenceIndex)->Unit(benchmark::kMillisecond);

// One measure with an area set of state.range(1) cells (every 43rd cell).
void BM_Measure(benchmark::State& state) {
  World& w = world();
  w.s.areas.cells.clear();
  for (int k = 0; k < state.range(1); ++k) w.s.areas.cells.push_back(1 + 43 * k);
  const auto code = static_cast<zn::MeasureCode>(state.range(0));
  for (auto _ : state) zn::computeMeasure(w.s, code);
  w.s.areas.cells.clear();
}
BENCHMARK(BM_Measure)
    ->ArgNames({"code", "areas"})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({4, 0})
    ->Args({5, 0})
    ->Args({12, 0})
    ->Args({13, 0})
    ->Args({24, 0})
    ->Args({25, 0})
    ->Args({36, 0})
    ->Args({1, 20})
    ->Args({3, 0})
    ->Args({3, 20})
    ->Args({38, 0})
    ->Unit(benchmark::kMillisecond);

void BM_SmoothPass(benchmark::State& state) {
  World& w = world();
  w.s.settings.neighbourhoodSize = static_cast<zn::NeighbourhoodSize>(state.range(0));
  zn::computeMeasure(w.s, zn::kCodeRichness);
  for (auto _ : state) zn::smoothPass(w.s);
  w.s.settings.neighbourhoodSize = zn::NeighbourhoodSize::kNine;
}
BENCHMARK(BM_SmoothPass)->Arg(9)->Arg(25)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
