// Overlay statistics on a Britain-sized grid (2,800 cells): Spearman's rho
// ranks once by sorting (n log n), and the randomisation test's 1000 draws
// mark picked members per draw rather than searching the picks; the two-
// and three-axis plots class each axis in one pass or one sort.
#include <benchmark/benchmark.h>

#include "measures/overlay.h"

namespace {

std::vector<zn::OverlayCell> grid(int cells) {
  zn::Random rng;
  rng.seed(3);
  std::vector<zn::OverlayCell> out;
  for (int i = 0; i < cells; ++i) {
    const double f = rng.choose(40);  // many ties, as in richness scores
    out.push_back({f, rng.choose(3) == 0 ? 0.0 : f + rng.choose(20)});
  }
  return out;
}

void BM_Spearman(benchmark::State& state) {
  const auto cells = zn::scoredOverlayCells(grid(static_cast<int>(state.range(0))), zn::kOverlayOr);
  for (auto _ : state) benchmark::DoNotOptimize(zn::spearman(cells));
}
BENCHMARK(BM_Spearman)->Arg(864)->Arg(2800);

void BM_RandomisationTest(benchmark::State& state) {
  const auto in = zn::randomisationInput(grid(static_cast<int>(state.range(0))), 0.0);
  zn::Random rng;
  rng.seed(1);
  for (auto _ : state) benchmark::DoNotOptimize(zn::randomDraws(in, rng, {}));
}
BENCHMARK(BM_RandomisationTest)->Arg(864)->Arg(2800);

// The two-axis plot: both axes classed by sorting once (equal frequency) or
// by one pass (equal interval), then one table lookup per cell.
void BM_TwoAxisPlot(benchmark::State& state) {
  const auto cells = zn::scoredOverlayCells(grid(static_cast<int>(state.range(0))), zn::kOverlayOr);
  const bool equalFrequency = state.range(1) != 0;
  for (auto _ : state) benchmark::DoNotOptimize(zn::twoAxisPlot(cells, equalFrequency));
}
BENCHMARK(BM_TwoAxisPlot)->Args({2800, 0})->Args({2800, 1});

// The three-axis map on a 16-level (4096-colour) block.
void BM_ThreeAxisLevels(benchmark::State& state) {
  const auto cells = grid(static_cast<int>(state.range(0)));
  zn::ThreeAxisBuffer b;
  b.loaded = true;
  b.values.push_back({0, 0, 0});
  for (std::size_t i = 0; i < cells.size(); ++i) b.values.push_back({cells[i].fore, cells[i].back, double(i % 17)});
  const bool equalFrequency = state.range(1) != 0;
  for (auto _ : state) benchmark::DoNotOptimize(zn::threeAxisLevels(b, 16, true, equalFrequency));
}
BENCHMARK(BM_ThreeAxisLevels)->Args({2800, 0})->Args({2800, 1});

}  // namespace

BENCHMARK_MAIN();
