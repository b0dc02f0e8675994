// Data import and export on the world grid at full size: lists of 300,000
// records, exports of 3,000 taxa on 864 cells.
#include <benchmark/benchmark.h>

#include <string>

#include "interchange/dataexport.h"
#include "interchange/dataimport.h"
#include "shell/silenthost.h"
#include "store/datafile.h"
#include "store/gridtypes.h"
#include "store/session.h"
#include "store/text.h"

namespace {

struct World {
  zn::SilentHost host{zn::Answer::Ok};
  zn::Session s{host, "/nonexistent"};
  World() {
    zn::allocateWorkspace(s);
    zn::buildNeighbourhoods(s.ws);
  }
};

// 2,500 taxa (below the import's limit of 3,000) of 120 records each, in a fixed pseudo-random order of cells.
std::string commaList() {
  std::string text;
  unsigned x = 12345;
  for (int r = 0; r < 120; ++r)
    for (int t = 0; t < 2500; ++t) {
      x = x * 1103515245u + 12345u;
      text += zn::strprintf("Genus%d,species%d,%u\n", t % 97, t, 1 + (x >> 8) % 864);
    }
  return text;
}

std::string latLongList() {
  std::string text;
  unsigned x = 777;
  for (int r = 0; r < 120; ++r)
    for (int t = 0; t < 2500; ++t) {
      x = x * 1103515245u + 12345u;
      const double lat = -60.0 + (x >> 8) % 13000 / 100.0;
      x = x * 1103515245u + 12345u;
      const double lon = -180.0 + (x >> 8) % 36000 / 100.0;
      text += zn::strprintf("\"Genus%d\",\"species%d\",%.2f,%.2f\n", t % 97, t, lat, lon);
    }
  return text;
}

void importList(benchmark::State& state, int layout, const std::string& text) {
  World w;
  zn::ImportInput in;
  in.layout = layout;
  in.text = text;
  in.inputName = "bench.txt";
  long records = 0;
  for (auto _ : state) {
    zn::ImportedData d = zn::convertImport(in, w.s.ws);
    records = d.records;
    benchmark::DoNotOptimize(d.levels.data());
  }
  state.counters["records"] = static_cast<double>(records);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

void BM_ImportCommaList(benchmark::State& state) { importList(state, zn::kImportComma, commaList()); }
void BM_ImportLatLongList(benchmark::State& state) { importList(state, zn::kImportQuotedLatLong, latLongList()); }

// The world grid with 3,000 taxa, each in about a tenth of the cells.
void fillCards(World& w) {
  zn::Workspace& ws = w.s.ws;
  zn::allocateCardStore(w.s, 3000 + zn::kCapacityMargin);
  unsigned x = 99;
  for (int t = 0; t < 3000; ++t) {
    ws.cards.setName(t, zn::strprintf("Genus%d species%d", t % 97, t));
    for (int c = 1; c <= 864; ++c) {
      x = x * 1103515245u + 12345u;
      if ((x >> 8) % 10 == 0) ws.cards.setLevel(t, c, 1 + static_cast<int>((x >> 12) % 4));
    }
  }
  ws.taxaCount = 3000;
  ws.datafile.title = "Bench";
  zn::recount(ws, 0);
}

void BM_Export(benchmark::State& state) {
  World w;
  fillCards(w);
  const int layout = static_cast<int>(state.range(0));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = zn::exportText(w.s.ws, layout, {});
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetLabel(zn::ExportDialogModel::label(layout));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

}  // namespace

BENCHMARK(BM_ImportCommaList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportLatLongList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->DenseRange(1, 7)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
