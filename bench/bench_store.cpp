// Load and recount of a large datafile: 32,767 taxa on the 864-cell world
// grid, with codes of family, genus and species characters like real data.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "shell/silenthost.h"
#include "store/codetree.h"
#include "store/datafile.h"

namespace {

namespace fs = std::filesystem;

using QuietHost = zn::SilentHost;

const char kAlphabet[] = "123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Writes the datafile once per process and returns its path.
const fs::path& bigDatafile() {
  static const fs::path path = [] {
    fs::path dir = fs::temp_directory_path() / "zn-bench" / "equal";
    fs::create_directories(dir);
    fs::path p = dir / "big.dat";
    std::mt19937 rng(7);
    std::lognormal_distribution<double> range(3.0, 1.3);
    const int taxa = 32767;
    std::string out;
    out.push_back(static_cast<char>(taxa & 0xff));
    out.push_back(static_cast<char>(taxa >> 8));
    std::string title(32, '\0');
    title.replace(0, 15, "benchmark world");
    out += title;
    int family = 0, genus = 0, species = 0;
    for (int t = 0; t < taxa; ++t) {
      std::string card(1024, '\0');
      std::string name = "Taxon " + std::to_string(t);
      card.replace(0, name.size(), name);
      if (++species >= 1 + static_cast<int>(rng() % 12)) {
        species = 0;
        if (++genus >= 1 + static_cast<int>(rng() % 30)) {
          genus = 0;
          ++family;
        }
      }
      std::string code;
      code += kAlphabet[family / 61 % 61];
      code += kAlphabet[family % 61];
      code += kAlphabet[genus % 61];
      code += kAlphabet[species % 61];
      code.resize(31, '0');
      card.replace(32, 31, code);
      int n = std::clamp(static_cast<int>(range(rng)), 1, 864);
      int start = 1 + static_cast<int>(rng() % 864);
      for (int k = 0; k < n; ++k) card[static_cast<std::size_t>(66 + 1 + (start + k * 7) % 864)] = 1;
      out += card;
    }
    std::ofstream(p, std::ios::binary).write(out.data(), static_cast<std::streamsize>(out.size()));
    return p;
  }();
  return path;
}

void BM_LoadAndRecount32767Taxa(benchmark::State& state) {
  const fs::path& file = bigDatafile();
  QuietHost host;
  zn::Session s(host, file.parent_path().parent_path());
  zn::allocateWorkspace(s);
  for (auto _ : state) {
    s.ws.datafile.fullPath = file.string();
    bool ok = zn::loadDatafile(s);
    s.ws.datafile.opened = ok;
    bool counted = zn::recount(s.ws, 0);
    benchmark::DoNotOptimize(counted);
    if (!ok || s.ws.taxaCount != 32767) state.SkipWithError("load failed");
  }
  state.counters["records"] = s.ws.counters.records;
  state.counters["tree"] = s.ws.counters.codeTreeLength;
}
BENCHMARK(BM_LoadAndRecount32767Taxa)->Unit(benchmark::kMillisecond);

void BM_RecountOnly32767Taxa(benchmark::State& state) {
  const fs::path& file = bigDatafile();
  QuietHost host;
  zn::Session s(host, file.parent_path().parent_path());
  zn::allocateWorkspace(s);
  s.ws.datafile.fullPath = file.string();
  s.ws.datafile.opened = zn::loadDatafile(s);
  for (auto _ : state) benchmark::DoNotOptimize(zn::recount(s.ws, 0));
}
BENCHMARK(BM_RecountOnly32767Taxa)->Unit(benchmark::kMillisecond);

void BM_CodeTreeLength32767Codes(benchmark::State& state) {
  const fs::path& file = bigDatafile();
  QuietHost host;
  zn::Session s(host, file.parent_path().parent_path());
  zn::allocateWorkspace(s);
  s.ws.datafile.fullPath = file.string();
  zn::loadDatafile(s);
  for (auto _ : state) {
    zn::CodeTree tree(0);
    for (int t = 0; t < s.ws.taxaCount; ++t) tree.add(s.ws.cards.code(t));
    benchmark::DoNotOptimize(tree.length());
  }
}
BENCHMARK(BM_CodeTreeLength32767Codes)->Unit(benchmark::kMillisecond);

}  // namespace
