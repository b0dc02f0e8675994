// Data at the limits of the formats: 32,767 taxa present in all 864 cells
// of the world grid (28 million records) for subtree length and the
// near-minimum set, the same with every cell missing its own eighth of the
// taxa (no two cells alike), and a 256 MiB DMAP file imported by the tool on
// the British grid. Run one benchmark per process
// (--benchmark_filter=NAME): "peak MB" is the peak resident size of the
// process during the runs (the card store included), "start MB" the size
// before them, "input MB" the size of the datafile or the file imported.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "measures/dispatch.h"
#include "measures/scores.h"
#include "shell/mapmeasures.h"
#include "shell/nearminimum_runs.h"
#include "shell/silenthost.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/gridtypes.h"

namespace {

namespace fs = std::filesystem;

// Resident sizes from /proc (Linux): the peak since the last resetPeak(),
// and the size when it was reset ("start MB": the card store and the rest
// of the session before the runs).
double statusMegabytes(const char* field) {
  std::ifstream status("/proc/self/status");
  const std::string key = field;
  for (std::string line; std::getline(status, line);)
    if (line.rfind(key, 0) == 0) return std::stod(line.substr(key.size())) / 1024.0;
  return 0.0;
}
double startMB = 0.0;
void resetPeak() {
  ::malloc_trim(0);  // the setup's freed buffers (the datafile image) go back first
  std::ofstream("/proc/self/clear_refs") << "5";
  startMB = statusMegabytes("VmRSS:");
}
double peakMegabytes() { return statusMegabytes("VmHWM:"); }

constexpr int kTaxa = 32767;
constexpr int kCells = 864;

// Codes of family, genus and species characters; `sparse` leaves each cell
// without the taxa t with (t + cell) % 8 == 0.
std::string denseImage(bool sparse) {
  std::string out;
  out.push_back(static_cast<char>(kTaxa & 0xff));
  out.push_back(static_cast<char>(kTaxa >> 8));
  std::string title(32, '\0');
  title.replace(0, 5, "dense");
  out += title;
  out.reserve(out.size() + std::size_t(kTaxa) * 1024);
  for (int t = 0; t < kTaxa; ++t) {
    std::string card(1024, '\0');
    const std::string name = "Taxon " + std::to_string(t);
    card.replace(0, name.size(), name);
    std::string code{static_cast<char>('1' + t / 4096 % 9), static_cast<char>('1' + t / 512 % 8),
                     static_cast<char>('1' + t / 64 % 8), static_cast<char>('1' + t / 8 % 8),
                     static_cast<char>('1' + t % 8)};
    code.resize(31, '0');
    card.replace(32, 31, code);
    for (int c = 1; c <= kCells; ++c)
      if (!sparse || (t + c) % 8 != 0) card[static_cast<std::size_t>(66 + c)] = 1;
    out += card;
  }
  return out;
}

struct Dense {
  zn::SilentHost host{zn::Answer::Ok};
  zn::Session s{host, "/nonexistent"};
  double inputMB = 0.0;
  explicit Dense(bool sparse) {
    zn::allocateWorkspace(s);
    zn::setDefaults(s.settings);
    const std::string image = denseImage(sparse);
    inputMB = static_cast<double>(image.size()) / (1024.0 * 1024.0);
    zn::readDatafileBytes(s, image);
    s.ws.datafile.opened = true;
    zn::buildNeighbourhoods(s.ws);
    s.subgroupDataPresent = zn::recount(s.ws, 0);
    s.scoresPresent = true;
  }
};

void report(benchmark::State& state, const Dense& d) {
  state.counters["records"] = static_cast<double>(d.s.ws.counters.records);
  state.counters["input MB"] = d.inputMB;
  state.counters["peak MB"] = peakMegabytes();
  state.counters["start MB"] = startMB;
}

void subtreeLength(benchmark::State& state, bool sparse) {
  Dense d(sparse);
  resetPeak();
  for (auto _ : state) zn::computeMeasure(d.s, zn::kCodeSubtreeLength);
  state.counters["cell 1"] = d.s.ws.cells[1].score;
  report(state, d);
}
void BM_DenseSubtreeLength(benchmark::State& state) { subtreeLength(state, false); }
void BM_DenseSubtreeLengthUnlikeCells(benchmark::State& state) { subtreeLength(state, true); }
BENCHMARK(BM_DenseSubtreeLength)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DenseSubtreeLengthUnlikeCells)->Unit(benchmark::kMillisecond)->Iterations(3);

void nearMinimum(benchmark::State& state, bool sparse) {
  Dense d(sparse);
  resetPeak();
  for (auto _ : state) {
    d.s.areas = zn::AreaSet{};
    benchmark::DoNotOptimize(zn::runNearMinimumSet(d.s, {}).ran);
  }
  state.counters["areas"] = static_cast<double>(d.s.areas.count());
  report(state, d);
}
void BM_DenseNearMinimum(benchmark::State& state) { nearMinimum(state, false); }
void BM_DenseNearMinimumUnlikeCells(benchmark::State& state) { nearMinimum(state, true); }
BENCHMARK(BM_DenseNearMinimum)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DenseNearMinimumUnlikeCells)->Unit(benchmark::kMillisecond)->Iterations(3);

// `zonarium --grid britain import-data dmap`: 3,000 taxa (the import's limit)
// each listing the shipped grid's 10 km references over and over, some with
// a status letter, until the file holds 256 MiB.
void BM_DmapImport256MiB(benchmark::State& state) {
  const fs::path dir = fs::temp_directory_path() / ("zn-bench-dense-" + std::to_string(::getpid()));
  const fs::path home = dir / "ZONARIUM";
  zn::populateProgramFolder(home, zn::shippedProgramData());
  std::vector<std::string> refs;
  {
    std::ifstream loc(home / "britain" / "ZONARIUM.LOC", std::ios::binary);
    std::string rec(20, '\0');
    while (loc.read(rec.data(), 20))
      if (rec.find(' ') >= 4 && std::isalpha(static_cast<unsigned char>(rec[0]))) refs.push_back(rec.substr(0, 4));
  }
  const fs::path input = dir / "big.dis";
  const std::size_t target = std::size_t(256) << 20;
  {
    std::string text;
    text.reserve(target + 4096);
    const std::size_t perTaxon = target / 3000;
    std::size_t k = 0;
    for (int t = 0; t < 3000; ++t) {
      const std::size_t end = text.size() + perTaxon;
      text += "Taxon" + std::to_string(t) + " species\n";
      while (text.size() + 16 < end) {
        text += refs[k++ % refs.size()];
        text += (k % 7 == 0) ? " K\n" : "\n";
      }
      text += "-1\n";
    }
    std::ofstream(input, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  const double inputMB = static_cast<double>(fs::file_size(input)) / (1024.0 * 1024.0);
  resetPeak();
  for (auto _ : state) {
    std::ostringstream out, err;
    const int rc = zn::runZonarium({"--home", home.string(), "--grid", "britain", "import-data", "dmap", input.string(),
                                    (home / "britain" / "big.dat").string()},
                                   out, err);
    if (rc != 0) {
      state.SkipWithError(err.str().c_str());
      break;
    }
  }
  state.counters["references"] = static_cast<double>(refs.size());
  state.counters["input MB"] = inputMB;
  state.counters["peak MB"] = peakMegabytes();
  state.counters["start MB"] = startMB;
  std::error_code ec;
  fs::remove_all(dir, ec);
}
BENCHMARK(BM_DmapImport256MiB)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
