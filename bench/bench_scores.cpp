// Scores files on the world grid: import of long "#0" point lists (each
// point placed through the cell locator's buckets), "#2" pairs, and the
// export text of every cell.
#include <benchmark/benchmark.h>

#include <string>

#include "interchange/scores_export.h"
#include "interchange/scores_import.h"
#include "shell/silenthost.h"
#include "store/session.h"
#include "store/text.h"

namespace {

struct World {
  zn::SilentHost host{zn::Answer::Ok};
  zn::Session s{host, "/nonexistent"};
  World() {
    zn::allocateWorkspace(s);
    for (int n = 1; n <= s.ws.geo.cells; ++n) {
      zn::GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
      const int col = (n - 1) % s.ws.geo.columns, row = (n - 1) / s.ws.geo.columns;
      c.lonWest = -180.0 + 10.0 * col, c.lonEast = c.lonWest + 10.0;
      c.latNorth = 120.0 - 10.0 * row, c.latSouth = c.latNorth - 10.0;
      c.score = n % 7 == 0 ? 0.0 : n * 0.25;
      c.count = c.score != 0.0 ? 1 : 0;
    }
  }
};

// Points spread over the whole grid and beyond it.
std::string pointsFile(int points) {
  std::string t = "#0\n";
  for (int i = 0; i < points; ++i)
    t +=
        zn::strprintf("%8.4f %8.4f%20.6f\n", -190.0 + (i * 37 % 3800) / 10.0, -130.0 + (i * 53 % 2600) / 10.0, i * 0.5);
  return t;
}

void BM_ImportPoints(benchmark::State& state) {
  World w;
  const std::string text = pointsFile(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(zn::parseScoresImport(text, w.s.ws));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ImportPoints)->Arg(864)->Arg(100000);

void BM_ImportPairsAndApply(benchmark::State& state) {
  World w;
  const std::string text = zn::scoresFileText(w.s, zn::kLayoutNumbered, false);
  for (auto _ : state) {
    const auto d = zn::parseScoresImport(text, w.s.ws);
    benchmark::DoNotOptimize(zn::applyScoresImport(zn::scoresImportTarget(w.s), d, "bench.scr"));
  }
}
BENCHMARK(BM_ImportPairsAndApply);

void BM_ExportEveryLayout(benchmark::State& state) {
  World w;
  for (auto _ : state)
    for (int layout = zn::kLayoutCentroids; layout <= zn::kLayoutPair; ++layout)
      benchmark::DoNotOptimize(zn::scoresFileText(w.s, layout, false));
}
BENCHMARK(BM_ExportEveryLayout);

}  // namespace

BENCHMARK_MAIN();
