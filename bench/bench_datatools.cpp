// The data tools on a full world datafile of 32,767 taxa: reading and
// applying a preselection file that excludes many taxa and cells, and the
// editor's re-ordering of the cards by code.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>

#include "shell/silenthost.h"
#include "store/datafile.h"
#include "store/editor.h"
#include "store/preselection.h"

namespace {

namespace fs = std::filesystem;

using QuietHost = zn::SilentHost;

constexpr int kTaxa = 32767;

// A datafile image: names "Taxon n", shuffled six-digit codes, a few
// records per taxon.
const std::string& image() {
  static const std::string data = [] {
    std::mt19937 rng(11);
    std::string out;
    out.push_back(static_cast<char>(kTaxa & 0xff));
    out.push_back(static_cast<char>(kTaxa >> 8));
    out += std::string(32, '\0');
    for (int t = 0; t < kTaxa; ++t) {
      std::string card(1024, '\0');
      const std::string name = "Taxon " + std::to_string(t);
      card.replace(0, name.size(), name);
      std::string code = std::to_string(100000 + rng() % 900000);
      code.resize(31, '0');
      card.replace(32, 31, code);
      for (int k = 0; k < 1 + static_cast<int>(rng() % 40); ++k) card[66 + 1 + rng() % 864] = 1;
      out += card;
    }
    return out;
  }();
  return data;
}

// A preselection file excluding every tenth taxon and 400 cells.
const std::string& preselection() {
  static const std::string text = [] {
    std::string t = "[included group code]\n[excluded data level]\n[excluded taxa]\n";
    for (int n = 0; n < kTaxa; n += 10) t += "Taxon " + std::to_string(n) + "\n";
    t += "[excluded areas]\n";
    for (int c = 1; c <= 800; c += 2) t += std::to_string(c) + "\n";
    return t + "[end]\n";
  }();
  return text;
}

void loaded(zn::Session& s) {
  zn::allocateWorkspace(s);
  zn::readDatafileBytes(s, image());
  s.ws.datafile.opened = true;
}

void BM_ParsePreselectionFile(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(zn::parsePreselectionFile(preselection(), 864));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(preselection().size()));
}
BENCHMARK(BM_ParsePreselectionFile)->Unit(benchmark::kMillisecond);

void BM_ApplyPreselectionFile(benchmark::State& state) {
  QuietHost host;
  zn::Session s(host, "/nonexistent");
  const zn::PreselectionFile f = zn::parsePreselectionFile(preselection(), 864);
  for (auto _ : state) {
    state.PauseTiming();
    loaded(s);
    std::vector<int> excluded;
    state.ResumeTiming();
    zn::applyPreselectionFile(s.ws, s.settings, s.grid(), f, excluded);
    zn::applyPreselection(s);
    benchmark::DoNotOptimize(s.ws.counters.records);
  }
}
BENCHMARK(BM_ApplyPreselectionFile)->Unit(benchmark::kMillisecond);

void BM_ReorderTaxa(benchmark::State& state) {
  QuietHost host;
  zn::Session s(host, "/nonexistent");
  for (auto _ : state) {
    state.PauseTiming();
    loaded(s);
    state.ResumeTiming();
    zn::reorderTaxa(zn::editorCards(s));
    benchmark::DoNotOptimize(s.ws.cards.card(0));
  }
}
BENCHMARK(BM_ReorderTaxa)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
