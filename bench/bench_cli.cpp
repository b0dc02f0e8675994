// The zonarium tool end to end on the shipped carnivore data: start a
// session, open the datafile, run the analysis and format its output, as a
// batch script calling the tool once per result pays for it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "store/files.h"

namespace {

namespace fs = std::filesystem;

struct Home {
  fs::path dir = fs::temp_directory_path() / ("zn-bench-cli-" + std::to_string(::getpid()));
  Home() { zn::populateProgramFolder(dir, zn::shippedProgramData()); }
  ~Home() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string data() const { return (dir / "equal" / "carnivora.dat").string(); }
};

Home& home() {
  static Home h;
  return h;
}

void runTool(benchmark::State& state, std::vector<std::string> args) {
  Home& h = home();
  args.insert(args.begin(), {"--home", h.dir.string()});
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::ostringstream out, err;
    if (zn::runZonarium(args, out, err) != 0) {
      state.SkipWithError(err.str().c_str());
      return;
    }
    bytes = out.str().size();
  }
  state.counters["output bytes"] = static_cast<double>(bytes);
}

void BM_SelectKind(benchmark::State& state, const char* kind) {
  std::vector<std::string> args{"select", kind, home().data()};
  if (std::string(kind) == "hotspots") args.insert(args.end(), {"--areas-to-add", "50"});
  if (std::string(kind) == "greedy") args.insert(args.end(), {"--set", "greedy-reject-redundant=1"});
  runTool(state, args);
}
BENCHMARK_CAPTURE(BM_SelectKind, greedy, "greedy")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SelectKind, hotspots, "hotspots")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SelectKind, near_minimum, "near-minimum")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SelectKind, flexible, "flexible")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SelectKind, emr, "emr")->Unit(benchmark::kMillisecond);

void BM_CellAfterNearMinimum(benchmark::State& state) {
  runTool(state, {"cell", home().data(), "229", "--after", "near-minimum"});
}
BENCHMARK(BM_CellAfterNearMinimum)->Unit(benchmark::kMillisecond);

void BM_InfoOnly(benchmark::State& state) { runTool(state, {"info", home().data()}); }
BENCHMARK(BM_InfoOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
