// The shipped samples as a user opens them: each datafile loaded and
// recounted (which builds who-is-present-where), then the near-minimum set
// with redundancy rejection and re-ordering by richness on it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "selection/nearminimum.h"
#include "shell/runinputs.h"
#include "shell/silenthost.h"
#include "store/datafile.h"
#include "store/files.h"

namespace {

namespace fs = std::filesystem;

struct Sample {
  const char* folder;
  const char* file;
  zn::GridVariant grid;
};

const Sample kSamples[] = {
    {"equal", "carnivora.dat", zn::GridVariant::World}, {"safrica", "woody.dat", zn::GridVariant::World},
    {"austral", "acacia.dat", zn::GridVariant::World},  {"neotrop", "phyllomedusa.dat", zn::GridVariant::World},
    {"ravelund", "marine.dat", zn::GridVariant::World}, {"britain", "butterflies.dat", zn::GridVariant::Britain},
};

struct Home {
  fs::path home = fs::temp_directory_path() / ("zn_bench_samples_" + std::to_string(::getpid()));
  Home() { zn::populateProgramFolder(home, fs::path(ZN_SOURCE_DIR) / "programdata"); }
  ~Home() {
    std::error_code ec;
    fs::remove_all(home, ec);
  }
};

const fs::path& home() {
  static Home h;
  return h.home;
}

struct Opened {
  zn::SilentHost host{zn::Answer::Ok};
  std::unique_ptr<zn::Session> s;
  explicit Opened(const Sample& sample) {
    s = std::make_unique<zn::Session>(host, home(), sample.grid);
    zn::startSession(*s);
    zn::takeChosenDatafile(s->ws.datafile, home() / sample.folder / sample.file);
    zn::openChosenDatafile(*s);
  }
};

void BM_LoadAndRecount(benchmark::State& state) {
  const Sample& sample = kSamples[state.range(0)];
  Opened o(sample);
  zn::Session& s = *o.s;
  for (auto _ : state) {
    bool ok = zn::loadDatafile(s);
    s.ws.datafile.opened = ok;
    benchmark::DoNotOptimize(zn::recount(s.ws, s.settings.excludedLevel));
    if (!ok) return state.SkipWithError("load failed");
  }
  state.SetLabel(sample.file);
  state.counters["taxa"] = s.ws.taxaCount;
  state.counters["records"] = s.ws.counters.records;
}
BENCHMARK(BM_LoadAndRecount)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

void BM_NearMinimum(benchmark::State& state) {
  const Sample& sample = kSamples[state.range(0)];
  Opened o(sample);
  zn::Session& s = *o.s;
  s.settings.rejectRedundant = zn::Flag::kOn;
  s.settings.reordering = zn::Reordering::kByRichness;
  for (auto _ : state) {
    s.areas = zn::AreaSet{};
    zn::RunRequest r;
    r.params = zn::nearMinimumParams(s.settings, s.costPresent);
    benchmark::DoNotOptimize(zn::runMainRun(s, r, s.areas, s.progress).represented);
  }
  state.SetLabel(sample.file);
  state.counters["areas"] = static_cast<double>(s.areas.count());
}
BENCHMARK(BM_NearMinimum)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
