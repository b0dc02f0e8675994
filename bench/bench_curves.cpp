// Representation curves, selection frequency and replacement cost on the
// shipped carnivore sample (288 taxa, 516 cells): the whole curve set with
// 1000 random draws and the exact coverage at every k up to the minimum
// set's size, 100 frequency runs, and the replacement cost of every area of
// the minimum set.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "selection/curves.h"
#include "selection/frequency.h"
#include "selection/replacement.h"
#include "shell/runinputs.h"
#include "shell/silenthost.h"
#include "store/datafile.h"
#include "store/files.h"

namespace {

namespace fs = std::filesystem;

struct Carnivores {
  fs::path home = fs::temp_directory_path() / ("zn_bench_curves_" + std::to_string(::getpid()));
  zn::SilentHost host{zn::Answer::Ok};
  std::unique_ptr<zn::Session> s;
  Carnivores() {
    zn::populateProgramFolder(home, fs::path(ZN_SOURCE_DIR) / "programdata");
    s = std::make_unique<zn::Session>(host, home);
    zn::startSession(*s);
    zn::takeChosenDatafile(s->ws.datafile, home / "equal" / "carnivora.dat");
    zn::openChosenDatafile(*s);
  }
  ~Carnivores() {
    std::error_code ec;
    fs::remove_all(home, ec);
  }
};

zn::Session& carnivores() {
  static Carnivores c;
  return *c.s;
}

void BM_CurveSet(benchmark::State& state) {
  zn::Session& s = carnivores();
  zn::CurveParams p;
  p.runs = 1000;
  p.seed = 1;
  zn::CurveSet c;
  for (auto _ : state) c = zn::computeCurves(s, p);
  if (!c.error.empty()) return state.SkipWithError(c.error.c_str());
  int unproven = 0;
  for (char proven : c.optimumProven) unproven += proven ? 0 : 1;
  state.counters["K"] = c.maxAreas;
  state.counters["taxa"] = c.taxa;
  state.counters["unproven"] = unproven;
}
BENCHMARK(BM_CurveSet)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SelectionFrequency(benchmark::State& state) {
  zn::Session& s = carnivores();
  zn::FrequencyParams p;
  p.runs = 100;
  zn::FrequencyResult r;
  const zn::AnalysisData data = zn::analysisData(s);
  const zn::NearMinimumParams near = zn::nearMinimumParams(s.settings, s.costPresent);
  for (auto _ : state) r = zn::selectionFrequency(data, near, p, s.progress);
  state.counters["smallest"] = r.smallest;
  state.counters["largest"] = r.largest;
}
BENCHMARK(BM_SelectionFrequency)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReplacementCost(benchmark::State& state) {
  zn::Session& s = carnivores();
  zn::ReplacementResult r;
  const zn::AnalysisData data = zn::analysisData(s);
  for (auto _ : state) r = zn::computeReplacementCost(data, zn::withOptions(s, {}), {}, s.progress);
  if (!r.error.empty()) return state.SkipWithError(r.error.c_str());
  int irreplaceable = 0;
  for (const auto& row : r.rows) irreplaceable += row.irreplaceable;
  state.counters["areas"] = r.minimumSize;
  state.counters["irreplaceable"] = irreplaceable;
}
BENCHMARK(BM_ReplacementCost)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
