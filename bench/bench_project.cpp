// Projects: one made from real data at its own resolution (the world's
// carnivores on their native ~96 km equal-area cells) and solved through
// the planning path, a GBIF download of 10^7 rows put onto a 0.1-degree
// world grid, and synthetic projects of 10^4 ... 10^6 units with clumped
// ranges opened from disk; richness and range-size rarity, the near-minimum,
// greedy and exact minimum sets on their units, and the carnivores' curves.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>

#include "gis/gbif.h"
#include "gis/occurrences.h"
#include "gis/project.h"
#include "gis/projectdata.h"
#include "measures/dispatch.h"
#include "planning/solve.h"
#include "selection/exact.h"
#include "selection/exactcall.h"
#include "selection/greedy.h"
#include "selection/nearminimum.h"
#include "selection/selectionindex.h"
#include "shell/projectcurves.h"
#include "shell/projectselect.h"
#include "tests/support/gbif_rows.h"

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

// The process's CPU time: the machine may be shared, so wall time says little.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
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

// The native grid: one degree of longitude wide on the equal-area
// cylinder of latitude 30, edges where the source raster has them.
zn::GridDefinition carnivoraGrid() {
  std::string error;
  return zn::makeRegularGrid({*zn::parseCellSize("96486.27x96514.96m"), 6933,
                              std::vector<double>{-17367528.6, -6356742.34, 17367528.6, 7348381.98}, false},
                             error);
}

fs::path carnivoraProject() {
  static const fs::path out = [] {
    const fs::path table = carnivoraTable(), file = scratch() / "carnivora.gpkg";
    zn::Project p;
    p.grid = carnivoraGrid();
    p.data.occurrences = zn::occurrencesFrom(0, 0, {}, false);
    zn::AddSummary sum;
    std::string error;
    if (table.empty() || !zn::addTable(p, table.string(), sum, error) || !zn::writeProject(file, p).empty())
      return fs::path();
    return file;
  }();
  return out;
}

void BM_ProjectCarnivoraNative(benchmark::State& state) {
  const fs::path table = carnivoraTable();
  if (table.empty()) {
    state.SkipWithError("the carnivore data are not there (set ZN_SHARED_DATA)");
    return;
  }
  const fs::path file = scratch() / "carnivora_made.gpkg";
  int units = 0;
  for (auto _ : state) {
    zn::Project p;
    std::string error;
    p.grid = carnivoraGrid();
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

// The carnivore project read from its file, then a set found through the
// planning path (the problem built from the project's dataset, then solved).
void solveCarnivora(benchmark::State& state, zn::planning::Method method) {
  const fs::path file = carnivoraProject();
  std::string error;
  auto project = file.empty() ? std::nullopt : zn::readProject(file, error);
  if (!project) {
    state.SkipWithError("the carnivore project was not made (set ZN_SHARED_DATA)");
    return;
  }
  zn::planning::SolveRequest request;
  request.method = method;
  std::size_t units = 0;
  bool proven = false;
  for (auto _ : state) {
    const zn::planning::Problem problem = zn::planning::problemFromDataset(project->data);
    const zn::planning::SolveResult r = zn::planning::solve(problem, request);
    if (!r.error.empty() || r.runs.empty()) {
      state.SkipWithError(r.error.c_str());
      return;
    }
    const auto& chosen = r.runs[r.best].chosen;
    units = static_cast<std::size_t>(std::count(chosen.begin(), chosen.end(), 1));
    proven = r.report.find(": optimal") != std::string::npos;
  }
  state.counters["set"] = static_cast<double>(units);
  if (method == zn::planning::Method::Exact) state.counters["proven"] = proven;
}
void BM_ProjectCarnivoraNearMinimum(benchmark::State& state) {
  solveCarnivora(state, zn::planning::Method::NearMinimum);
}
void BM_ProjectCarnivoraExact(benchmark::State& state) { solveCarnivora(state, zn::planning::Method::Exact); }
BENCHMARK(BM_ProjectCarnivoraNearMinimum)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProjectCarnivoraExact)->Unit(benchmark::kMillisecond);

// A GBIF simple download of `rows` records (the download's 50 columns in
// GBIF's order, the ones the reader uses filled): 20,000 species, each
// around its own centre with a spread of a few degrees, written once.
fs::path syntheticGbif(long rows) {
  const fs::path file = fs::temp_directory_path() / ("zn_bench_gbif_" + std::to_string(rows) + ".csv");
  std::error_code ec;
  if (fs::exists(file, ec)) return file;
  const fs::path tmp = file.string() + ".part";
  std::FILE* out = std::fopen(tmp.c_str(), "w");
  if (!out) return {};
  std::fputs(zn::test::gbifHeader().c_str(), out);
  constexpr int kSpecies = 20000;
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> lonC(-170, 170), latC(-55, 70), spread(-3, 3);
  std::vector<std::pair<double, double>> centre(kSpecies);
  for (auto& c : centre) c = {lonC(rng), latC(rng)};
  for (long r = 0; r < rows; ++r) {
    const int t = static_cast<int>(rng() % kSpecies);
    const double lat = std::clamp(centre[t].second + spread(rng), -89.9, 89.9);
    const double lon = std::clamp(centre[t].first + spread(rng), -179.9, 179.9);
    std::fprintf(out,
                 "%ld\tds\t\tPlantae\tTracheophyta\tMagnoliopsida\tOrder%d\tFamily%d\tGenus%d\tGenus%d "
                 "species%d\t\tSPECIES\tGenus%d species%d L.\t\t\tXX\t\t\tPRESENT\t\t\t%.5f\t%.5f\t%d\t\t\t\t\t\t"
                 "2015-06-01\t1\t6\t%d\t%d\t%d\tHUMAN_OBSERVATION\t\t\t\t\t\t\tCC_BY_4_0\t\t\t\t\t"
                 "2024-01-01\t\t\n",
                 r + 1, t % 40, t % 400, t / 4, t / 4, t, t / 4, t, lat, lon, 100 + static_cast<int>(r % 5000),
                 1990 + static_cast<int>(r % 35), 1000 + t, 1000 + t);
  }
  if (std::fclose(out) != 0) return {};
  fs::rename(tmp, file, ec);
  return ec ? fs::path() : file;
}

void BM_ProjectGbifWorld(benchmark::State& state) {
  const fs::path input = syntheticGbif(state.range(0));
  if (input.empty()) {
    state.SkipWithError("the synthetic download was not written");
    return;
  }
  zn::AddSummary sum;
  int units = 0;
  long long pairs = 0;
  double addSeconds = 0, writeSeconds = 0;
  for (auto _ : state) {
    zn::Project p;
    std::string error;
    p.grid = zn::makeRegularGrid({*zn::parseCellSize("0.1deg"), 4326, std::nullopt, false}, error);
    p.data.occurrences = zn::occurrencesFrom(0, 0, {}, false);
    zn::GbifImportOptions o;
    o.input = input;
    sum = {};
    const double t0 = cpuSeconds();
    if (!zn::addGbifToProject(p, o, sum, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    const double t1 = cpuSeconds();
    if (std::string why = zn::writeProject(scratch() / "gbif.gpkg", p); !why.empty()) {
      state.SkipWithError(why.c_str());
      return;
    }
    addSeconds = t1 - t0;
    writeSeconds = cpuSeconds() - t1;
    units = p.data.unitCount();
    pairs = static_cast<long long>(p.data.occurrences.taxonUnits.size());
  }
  state.counters["rows"] = static_cast<double>(sum.rows);
  state.counters["placed"] = static_cast<double>(sum.placed);
  state.counters["occurrences"] = static_cast<double>(pairs);
  state.counters["units"] = units;
  state.counters["add_cpu_s"] = addSeconds;
  state.counters["write_cpu_s"] = writeSeconds;
  state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_ProjectGbifWorld)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(1);

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

// The analysis input of a project opened from its file, kept for the
// benchmarks after it (the last one only: a million units hold gigabytes).
const zn::AnalysisData* openedData(long units) {
  static long held = -1;
  static std::optional<zn::AnalysisData> data;
  if (held != units) {
    data.reset();
    held = units;
    const fs::path file = projectFile(units);
    std::string error;
    auto read = file.empty() ? std::nullopt : zn::readProject(file, error);
    if (read) data = zn::analysisData(std::make_shared<const zn::Project>(std::move(*read)));
  }
  return data ? &*data : nullptr;
}

std::vector<int> nearMinimumSet(const zn::AnalysisData& d) {
  zn::RunRequest r;
  r.params.goal = 1;
  r.params.capacity = zn::areaCapacity(d);
  zn::AreaSet set;
  zn::Progress quiet;
  zn::runMainRun(d, zn::SelectionIndex(d), r, set, quiet);
  return set.cells;
}

// The near-minimum set, and the greedy set by richness, from nothing.
void BM_ProjectNearMinimum(benchmark::State& state) {
  const zn::AnalysisData* d = openedData(state.range(0));
  if (!d) return state.SkipWithError("the project is not there (set ZN_SHARED_DATA for the carnivores)");
  const double cpu = cpuSeconds();
  std::size_t areas = 0;
  for (auto _ : state) areas = nearMinimumSet(*d).size();
  state.counters["areas"] = static_cast<double>(areas);
  state.counters["cpu_s"] = (cpuSeconds() - cpu) / static_cast<double>(state.iterations());
  state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_ProjectNearMinimum)->Arg(0)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ProjectGreedy(benchmark::State& state) {
  const zn::AnalysisData* d = openedData(state.range(0));
  if (!d) return state.SkipWithError("the project is not there (set ZN_SHARED_DATA for the carnivores)");
  zn::GreedyOptions o;
  o.capacity = zn::areaCapacity(*d);
  const double cpu = cpuSeconds();
  int areas = 0;
  for (auto _ : state) {
    zn::Progress quiet;
    areas = zn::growGreedySet(*d, zn::AreaSet{}, o, quiet).set.count();
  }
  state.counters["areas"] = areas;
  state.counters["cpu_s"] = (cpuSeconds() - cpu) / static_cast<double>(state.iterations());
  state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_ProjectGreedy)->Arg(0)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The exact minimum set under a time limit of 10 s, started from the
// near-minimum set as the tool starts it: the best set, its lower bound,
// how far the wall time ran past the limit, and whether the set is ever
// larger than the near-minimum one (it must not be).
void BM_ProjectExactMinimum(benchmark::State& state) {
  const zn::AnalysisData* d = openedData(state.range(0));
  if (!d) return state.SkipWithError("the project is not there (set ZN_SHARED_DATA for the carnivores)");
  constexpr double kLimit = 10.0;
  zn::ExactRequest request{zn::ExactKind::MinimumSet, 0, 0.0};
  request.capacity = zn::areaCapacity(*d);
  const zn::ExactProblem problem = zn::buildExactProblem(*d, zn::AreaSet{}, request);
  zn::ExactCall call;
  call.timeLimitSeconds = kLimit;
  call.start = nearMinimumSet(*d);
  zn::ExactAnswer a;
  double wall = 0.0;
  const double cpu = cpuSeconds();
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    a = zn::callExact(problem, call);
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  state.counters["areas"] = a.areas;
  state.counters["near_minimum_areas"] = static_cast<double>(call.start.size());
  state.counters["bound"] = a.bound;
  state.counters["proven"] = a.proven ? 1 : 0;
  state.counters["past_limit_s"] = wall - kLimit;
  state.counters["cpu_s"] = (cpuSeconds() - cpu) / static_cast<double>(state.iterations());
  state.counters["peak_MB"] = peakMegabytes();
  if (!a.found || a.areas > static_cast<int>(call.start.size()))
    state.SkipWithError("the exact set is larger than the near-minimum set");
}
BENCHMARK(BM_ProjectExactMinimum)
    ->Arg(0)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Representation curves of the carnivores with 1,000 random draws, as
// `zonarium curve` computes them on the project.
void BM_ProjectCurvesCarnivora(benchmark::State& state) {
  const zn::AnalysisData* d = openedData(0);
  if (!d) return state.SkipWithError("the carnivore data are not there (set ZN_SHARED_DATA)");
  zn::Progress progress;
  zn::Session session(progress, {});
  zn::CurveParams p;
  p.runs = 1000;
  const double cpu = cpuSeconds();
  zn::CurveSet c;
  for (auto _ : state) c = zn::projectCurves(*d, session, p, progress);
  if (!c.error.empty()) return state.SkipWithError(c.error.c_str());
  state.counters["areas"] = c.maxAreas;
  state.counters["cpu_s"] = (cpuSeconds() - cpu) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ProjectCurvesCarnivora)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(scratch(), ec);
  return 0;
}
