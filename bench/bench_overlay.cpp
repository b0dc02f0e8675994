// Overlay statistics on a Britain-sized grid (2,800 cells): Spearman's rho
// ranks once by sorting (n log n), and the randomisation test's 1000 draws
// mark picked members per draw rather than searching the picks.
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

}  // namespace

BENCHMARK_MAIN();
