// Projects: one made from real data at its own resolution (the world's
// carnivores on their native ~96 km equal-area cells), and synthetic
// projects of 10^4 ... 10^6 units with clumped ranges opened from disk;
// richness and range-size rarity on their units.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "gis/occurrences.h"
#include "gis/project.h"
#include "gis/projectdata.h"
#include "measures/dispatch.h"

namespace fs = std::filesystem;

namespace {

fs::path scratch() {
  const fs::path dir = fs::temp_directory_path() / ("zn_bench_project_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir;
}

fs::path sharedData() {
  if (const char* env = std::getenv("ZN_SHARED_DATA")) return env;
  return fs::path(ZN_SOURCE_DIR) / ".." / "shared" / "data";
}

double peakMegabytes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// The carnivores' records as a long table (taxon, lon, lat), made once.
fs::path carnivoraTable() {
  static const fs::path out = [] {
    const fs::path table = scratch() / "carnivora.csv";
    zn::OccurrenceSource src;
    src.path = (sharedData() / "carnivora_world" / "data.csv").string();
    src.separator = ',';
    src.quote = '"';
    zn::OccurrenceReader in(src);
    if (!in.opened()) return fs::path();
    std::ofstream o(table);
    o << "taxon,lon,lat\n";
    std::vector<std::string_view> f;
    in.next(f);  // header: species, genus, family, lon, lat, ...
    while (in.next(f))
      if (f.size() >= 5) o << f[0] << ',' << f[3] << ',' << f[4] << '\n';
    return table;
  }();
  return out;
}

void BM_ProjectCarnivoraNative(benchmark::State& state) {
  const fs::path table = carnivoraTable();
  if (table.empty()) {
    state.SkipWithError("the carnivore data are not there (set ZN_SHARED_DATA)");
    return;
  }
  const fs::path file = scratch() / "carnivora.gpkg";
  int units = 0;
  for (auto _ : state) {
    zn::Project p;
    std::string error;
    p.grid = zn::makeRegularGrid({*zn::parseCellSize("96.5km"), 6933, std::nullopt, false}, error);
    p.data.occurrences = zn::occurrencesFrom(0, 0, {}, false);
    zn::AddSummary sum;
    if (!zn::addTable(p, table.string(), sum, error) || !zn::writeProject(file, p).empty()) {
      state.SkipWithError("the project was not made");
      return;
    }
    units = p.data.unitCount();
  }
  state.counters["units"] = units;
}
BENCHMARK(BM_ProjectCarnivoraNative)->Unit(benchmark::kMillisecond);

// The carnivores' project, made once for the measures.
fs::path carnivoraProject() {
  static const fs::path out = [] {
    const fs::path table = carnivoraTable();
    if (table.empty()) return fs::path();
    zn::Project p;
    std::string error;
    p.grid = zn::makeRegularGrid({*zn::parseCellSize("96.5km"), 6933, std::nullopt, false}, error);
    p.data.occurrences = zn::occurrencesFrom(0, 0, {}, false);
    zn::AddSummary sum;
    const fs::path file = scratch() / "carnivora_measures.gpkg";
    if (!zn::addTable(p, table.string(), sum, error) || !zn::writeProject(file, p).empty()) return fs::path();
    return file;
  }();
  return out;
}

// A project of `units` square cells with units / 100 taxa, each a square
// patch of about 50 x 100 cells' worth of units around a random centre:
// about 50 occurrences a unit.
fs::path syntheticProject(long units) {
  static std::map<long, fs::path> made;
  if (auto it = made.find(units); it != made.end()) return it->second;
  const long side = std::lround(std::sqrt(static_cast<double>(units)));
  zn::Project p;
  std::string error;
  const double size = 10000.0;
  p.grid = zn::makeRegularGrid(
      {zn::CellSize{size, false}, 6933, std::vector<double>{0, 0, size * side, size * side}, false}, error);
  for (long c = 1; c <= side * side; ++c) p.data.units.push_back({c, "", 1.0, zn::UnitStatus::Free});
  const long taxa = std::max(1000L, units / 100);
  std::mt19937 rng(7);
  std::vector<zn::Occurrence> pairs;
  const long patch = std::max(1L, std::lround(std::sqrt(50.0 * static_cast<double>(side * side) / taxa)));
  for (long t = 0; t < taxa; ++t) {
    p.data.taxa.push_back({t + 1, "Taxon " + std::to_string(t + 1), "", "", {}, "", 0.0});
    const long r0 = static_cast<long>(rng() % static_cast<unsigned>(side));
    const long c0 = static_cast<long>(rng() % static_cast<unsigned>(side));
    for (long r = r0; r < std::min(side, r0 + patch); ++r)
      for (long c = c0; c < std::min(side, c0 + patch); ++c)
        pairs.push_back({static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(r * side + c + 1), 1.0});
  }
  p.data.occurrences =
      zn::occurrencesFrom(static_cast<int>(taxa), static_cast<int>(side * side), std::move(pairs), false);
  const fs::path file = scratch() / ("synthetic" + std::to_string(units) + ".gpkg");
  if (!zn::writeProject(file, p).empty()) return {};
  return made[units] = file;
}

void BM_ProjectOpen(benchmark::State& state) {
  const fs::path file = syntheticProject(state.range(0));
  if (file.empty()) {
    state.SkipWithError("the synthetic project was not written");
    return;
  }
  long long pairs = 0;
  for (auto _ : state) {
    std::string error;
    auto p = zn::readProject(file, error);
    if (!p) {
      state.SkipWithError(error.c_str());
      return;
    }
    pairs = static_cast<long long>(p->data.occurrences.taxonUnits.size());
  }
  state.counters["occurrences"] = static_cast<double>(pairs);
  state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
  state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_ProjectOpen)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

fs::path projectFile(long units) { return units == 0 ? carnivoraProject() : syntheticProject(units); }

// A measure on a project's units, the project opened beforehand: argument 0
// is the carnivores' project, else a synthetic one of that many units.
template <zn::MeasureCode Code>
void BM_ProjectMeasure(benchmark::State& state) {
  const fs::path file = projectFile(state.range(0));
  std::string error;
  auto read = file.empty() ? std::nullopt : zn::readProject(file, error);
  if (!read) {
    state.SkipWithError("the project is not there (set ZN_SHARED_DATA for the carnivores)");
    return;
  }
  const zn::AnalysisData data = zn::analysisData(std::make_shared<const zn::Project>(std::move(*read)));
  zn::AreaSet none;
  zn::MeasureParams params;
  params.rarityFormula = zn::RarityFormula::kInverse;
  zn::Progress feedback;
  double total = 0.0;
  for (auto _ : state) {
    const zn::MeasureResult r = zn::runMeasure(Code, zn::MeasureInput{data, none}, params, feedback);
    total = 0.0;
    for (double s : r.score) total += s;
    benchmark::DoNotOptimize(total);
  }
  state.counters["units"] = data.units();
  state.counters["occurrences"] = static_cast<double>(data.occ().taxonUnits.size());
  state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK_TEMPLATE(BM_ProjectMeasure, zn::kCodeRichness)
    ->Arg(0)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ProjectMeasure, zn::kCodeRangeSizeRarity)
    ->Arg(0)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(scratch(), ec);
  return 0;
}
