// Exact minimum sets and maximum coverage by CBC: every shipped sample opened
// as the program opens it, the whole real datasets of the shared data folder
// with every occupied cell as one candidate area (they exceed the 864-cell
// grid, so they are read straight from their data.csv), and seeded synthetic
// workspaces as large as the datafiles hold. Each run checks that it proved
// optimality, and the minimum sets of the datasets are checked against the
// independently computed optima of the data README. The synthetic ones are
// also written as an LP file and solved by the cbc program in the same run,
// reported as cbc_seconds next to our own time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <csignal>
#include <sstream>
#include <thread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "planning/folder.h"
#include "planning/problem.h"
#include "planning/solve.h"
#include "selection/exact.h"
#include "shell/runinputs.h"
#include "shell/silenthost.h"
#include "store/datafile.h"
#include "store/files.h"

namespace {

namespace fs = std::filesystem;

const char* kinds[] = {"minimum", "coverage10"};

std::string statusText(zn::ExactStatus s) {
  switch (s) {
    case zn::ExactStatus::Optimal: return "optimal";
    case zn::ExactStatus::Stopped: return "stopped";
    case zn::ExactStatus::TimeLimit: return "time limit";
    case zn::ExactStatus::Infeasible: return "infeasible";
    case zn::ExactStatus::WorkLimit: return "work limit";
  }
  return "?";
}

// A line of /proc/self/status in megabytes ("VmHWM:", "VmRSS:").
double statusMb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + std::strlen(key)) / 1024.0;
  return -1.0;
}

// Starts a new peak: the resident size high-water mark falls back to now.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void solveAndCount(benchmark::State& state, const zn::ExactProblem& p, int expected) {
  zn::ExactResult r;
  zn::ExactOptions options;
  options.timeLimitSeconds = 600.0;
  state.counters["rss_before_mb"] = statusMb("VmRSS:");
  resetPeak();
  for (auto _ : state) r = zn::solveExact(p, options);
  state.counters["peak_mb"] = statusMb("VmHWM:");
  state.counters["taxa"] = p.rows() + p.taxaMet;
  state.counters["cells"] = p.columns();
  state.counters["objective"] = r.objective;
  state.counters["areas"] = r.areas;
  if (r.status != zn::ExactStatus::Optimal)
    state.SkipWithError(("not proven optimal: " + statusText(r.status)).c_str());
  else if (expected > 0 && r.objective != expected)
    state.SkipWithError(("optimum " + std::to_string(r.objective) + ", expected " + std::to_string(expected)).c_str());
}

// ---- shipped samples --------------------------------------------------------

struct Sample {
  std::unique_ptr<zn::SilentHost> host = std::make_unique<zn::SilentHost>(zn::Answer::Ok);
  std::unique_ptr<zn::Session> s;
};

// A copy of the shipped program folder, removed at exit.
struct ProgramFolder {
  fs::path home = fs::temp_directory_path() / ("zn_bench_exact_" + std::to_string(::getpid()));
  ProgramFolder() { zn::populateProgramFolder(home, fs::path(ZN_SOURCE_DIR) / "programdata"); }
  ~ProgramFolder() {
    std::error_code ec;
    fs::remove_all(home, ec);
  }
};

const fs::path& programFolder() {
  static ProgramFolder folder;
  return folder.home;
}

Sample openSample(const std::string& rel) {
  Sample smp;
  const bool britain = rel.rfind("britain/", 0) == 0;
  smp.s = std::make_unique<zn::Session>(*smp.host, programFolder(),
                                        britain ? zn::GridVariant::Britain : zn::GridVariant::World);
  zn::startSession(*smp.s);
  zn::takeChosenDatafile(smp.s->ws.datafile, programFolder() / rel);
  zn::openChosenDatafile(*smp.s);
  return smp;
}

void BM_ShippedSample(benchmark::State& state, const std::string& rel, bool coverage) {
  Sample smp = openSample(rel);
  if (!smp.s->ws.datafile.opened) {
    state.SkipWithError(("cannot open " + rel).c_str());
    return;
  }
  zn::ExactRequest req;
  if (coverage) req = {zn::ExactKind::CoverageByNumber, 10, 0.0};
  solveAndCount(state, zn::buildExactProblem(*smp.s, req), 0);
}

// ---- whole datasets ---------------------------------------------------------

fs::path sharedData() {
  if (const char* env = std::getenv("ZN_SHARED_DATA")) return env;
  return fs::path(ZN_SOURCE_DIR) / ".." / "shared" / "data";
}

// Splits one CSV line; quotes protect commas.
std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    else if (c == ',' && !quoted) out.emplace_back();
    else if (c != '\r') out.back() += c;
  }
  return out;
}

// Every species a row, every occupied (cell_x, cell_y) a column.
zn::ExactProblem datasetProblem(const fs::path& csv, zn::ExactKind kind, int areas) {
  std::ifstream in(csv);
  std::string line;
  std::getline(in, line);
  std::map<std::string, int> species;
  std::map<std::pair<long, long>, int> cells;
  std::vector<std::vector<std::int32_t>> rows;
  while (std::getline(in, line)) {
    auto f = csvFields(line);
    if (f.size() < 7) continue;
    auto [sp, newSpecies] = species.try_emplace(f[0], static_cast<int>(species.size()));
    if (newSpecies) rows.emplace_back();
    auto [cell, newCell] =
        cells.try_emplace({std::atol(f[5].c_str()), std::atol(f[6].c_str())}, static_cast<int>(cells.size()));
    (void)newCell;
    rows[static_cast<std::size_t>(sp->second)].push_back(cell->second);
  }
  zn::ExactProblem p;
  p.kind = kind;
  p.areaLimit = kind == zn::ExactKind::MinimumSet ? static_cast<int>(cells.size()) : areas;
  for (std::size_t c = 0; c < cells.size(); ++c) {
    p.cells.push_back(static_cast<int>(c) + 1);
    p.cost.push_back(1.0);
  }
  for (std::size_t t = 0; t < rows.size(); ++t) {
    auto& r = rows[t];
    std::sort(r.begin(), r.end());
    r.erase(std::unique(r.begin(), r.end()), r.end());
    p.addRow(static_cast<int>(t), 1, r);
  }
  p.taxaCounted = p.rows();
  return p;
}

void BM_Dataset(benchmark::State& state, const std::string& folder, int optimum, bool coverage) {
  const fs::path csv = sharedData() / folder / "data.csv";
  if (!fs::exists(csv)) {
    state.SkipWithError(("no " + csv.string()).c_str());
    return;
  }
  const zn::ExactProblem p =
      datasetProblem(csv, coverage ? zn::ExactKind::CoverageByNumber : zn::ExactKind::MinimumSet, 10);
  solveAndCount(state, p, coverage ? 0 : optimum);
}

// ---- synthetic workspaces ---------------------------------------------------

// Taxa on a width x height grid (the last row cut to `cells`), each range a
// clump around a random centre, range sizes log-normal with a median of 3 %
// of the cells. Seeded: the same model every run.
zn::ExactProblem syntheticProblem(int taxa, int cells, int width, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::lognormal_distribution<double> rangeSize(std::log(0.03 * cells), 1.5);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<std::vector<std::int32_t>> rows(static_cast<std::size_t>(taxa));
  std::vector<std::pair<double, int>> by(static_cast<std::size_t>(cells));
  for (auto& row : rows) {
    const int range = std::clamp(static_cast<int>(std::lround(rangeSize(rng))), 1, cells);
    const int centre = static_cast<int>(rng() % static_cast<std::uint32_t>(cells));
    const double stretch = 0.5 + unit(rng);
    for (int c = 0; c < cells; ++c) {
      const double dx = (c % width - centre % width) * stretch, dy = (c / width - centre / width) / stretch;
      by[static_cast<std::size_t>(c)] = {dx * dx + dy * dy + unit(rng), c};
    }
    std::nth_element(by.begin(), by.begin() + (range - 1), by.end());
    for (int k = 0; k < range; ++k) row.push_back(by[static_cast<std::size_t>(k)].second);
    std::sort(row.begin(), row.end());
  }
  zn::ExactProblem p;
  p.areaLimit = cells;
  for (int c = 0; c < cells; ++c) {
    p.cells.push_back(c + 1);
    p.cost.push_back(1.0);
  }
  for (int t = 0; t < taxa; ++t) p.addRow(t, 1, rows[static_cast<std::size_t>(t)]);
  p.taxaCounted = taxa;
  return p;
}

// The minimum set as an LP file the cbc program reads.
void writeLp(const zn::ExactProblem& p, const fs::path& path) {
  std::ofstream out(path);
  out << "Minimize\n obj:";
  for (int j = 0; j < p.columns(); ++j) out << " + x" << j;
  out << "\nSubject To\n";
  for (int r = 0; r < p.rows(); ++r) {
    out << " r" << r << ":";
    for (std::int32_t j : p.columnsOf(r)) out << " + x" << j;
    out << " >= " << p.demand[static_cast<std::size_t>(r)] << "\n";
  }
  out << "Binaries\n";
  for (int j = 0; j < p.columns(); ++j) out << " x" << j << "\n";
  out << "End\n";
}

struct CbcRun {
  double seconds = -1.0, optimum = -1.0, peakMb = -1.0, bound = -1.0, cpu = -1.0;
  bool stopped = false;  // ended at ZN_CBC_WALL
};

// The cbc program on the file: its time, optimum or best found (-1 unknown),
// bound, CPU and peak resident size (read from /proc while it runs). OPTIONS
// go before the solve ("sec 60"). On large models its first relaxation does
// not look at its limit: ZN_CBC_WALL seconds, where set, end it, its CPU and
// peak then being what it had used (`stopped`).
CbcRun runCbcProgram(const fs::path& lp, const std::string& options = "") {
  const fs::path log = lp.string() + ".log";
  const std::string cmd =
      "exec /usr/bin/cbc '" + lp.string() + "' " + options + " solve quit > '" + log.string() + "' 2>&1";
  const char* wallText = std::getenv("ZN_CBC_WALL");
  const double wall = wallText ? std::atof(wallText) : 0.0;
  CbcRun r;
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) return r;
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const std::string proc = "/proc/" + std::to_string(pid);
  const double tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
  int status = 0;
  for (;;) {
    if (::waitpid(pid, &status, WNOHANG) == pid) break;
    {
      std::ifstream in(proc + "/status");
      for (std::string line; std::getline(in, line);)
        if (line.rfind("VmHWM:", 0) == 0) r.peakMb = std::max(r.peakMb, std::atof(line.c_str() + 6) / 1024.0);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (wall > 0 && seconds > wall) {
      std::ifstream in(proc + "/stat");
      std::string text((std::istreambuf_iterator<char>(in)), {});
      // utime and stime are fields 14 and 15, counted after the name's ')'.
      std::istringstream fields(text.substr(text.rfind(')') + 2));
      std::string f;
      double utime = 0, stime = 0;
      for (int k = 3; k <= 15 && fields >> f; ++k) {
        if (k == 14) utime = std::atof(f.c_str());
        if (k == 15) stime = std::atof(f.c_str());
      }
      r.cpu = (utime + stime) / tick;
      r.stopped = true;
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::ifstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Objective value:", 0) == 0) r.optimum = std::atof(line.c_str() + 16);
    if (line.rfind("Lower bound:", 0) == 0) r.bound = std::atof(line.c_str() + 12);
    if (line.rfind("Total time (CPU seconds):", 0) == 0) r.cpu = std::atof(line.c_str() + 25);
  }
  return r;
}

// The cbc program on the model written as an LP file: its time, optimum and
// peak go beside ours in the same run; the file is removed after.
CbcRun cbcOnLpFile(benchmark::State& state, const fs::path& lp, const std::string& options = "") {
  const CbcRun cbc = runCbcProgram(lp, options);
  std::error_code ec;
  state.counters["lp_file_mb"] = static_cast<double>(fs::file_size(lp, ec)) / 1048576.0;
  fs::remove(lp, ec);
  fs::remove(lp.string() + ".log", ec);
  state.counters["cbc_seconds"] = cbc.seconds;
  state.counters["cbc_objective"] = cbc.optimum;
  state.counters["cbc_peak_mb"] = cbc.peakMb;
  state.counters["cbc_stopped"] = cbc.stopped;
  return cbc;
}

void BM_Synthetic(benchmark::State& state, int taxa, int cells, int width) {
  const zn::ExactProblem p = syntheticProblem(taxa, cells, width, 19);
  const fs::path lp =
      fs::temp_directory_path() / ("zn_bench_exact_" + std::to_string(::getpid()) + "_" + std::to_string(taxa) + ".lp");
  writeLp(p, lp);
  const CbcRun cbc = cbcOnLpFile(state, lp);
  solveAndCount(state, p, cbc.optimum > 0.0 ? static_cast<int>(std::lround(cbc.optimum)) : 0);
}

// The same model under a one-second limit: `seconds` is the whole call,
// which must stay within the limit plus half a second.
void BM_SyntheticLimited(benchmark::State& state, int taxa, int cells, int width) {
  const zn::ExactProblem p = syntheticProblem(taxa, cells, width, 19);
  zn::ExactOptions options;
  options.timeLimitSeconds = 1.0;
  zn::ExactResult r;
  for (auto _ : state) r = zn::solveExact(p, options);
  state.counters["seconds"] = r.seconds;
  state.counters["objective"] = r.objective;
  state.counters["bound"] = r.bound;
  state.counters["optimal"] = r.status == zn::ExactStatus::Optimal;
  if (r.seconds > 1.5)
    state.SkipWithError(("over the limit by more than half a second: " + std::to_string(r.seconds)).c_str());
}

// ---- planning units ---------------------------------------------------------

// Units on a 400-wide grid, features with clumped ranges of log-normal size
// (median 1 % of the units), costs 1 to 5. Presence data with a target of
// one occurrence, or log-normal amounts with a target of a tenth of the
// total. Seeded: the same problem every run.
zn::planning::Problem planningProblem(int units, int features, bool amounts, std::uint32_t seed) {
  constexpr int kWidth = 400;
  std::mt19937 rng(seed);
  std::lognormal_distribution<double> rangeSize(std::log(0.01 * units), 1.5), amount(0.0, 1.0);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  zn::planning::Problem p;
  for (int u = 0; u < units; ++u)
    p.units.push_back({u + 1, static_cast<double>(1 + rng() % 5), zn::planning::UnitStatus::Free});
  std::vector<zn::planning::Triple> triples;
  std::vector<std::pair<double, int>> by(static_cast<std::size_t>(units));
  for (int f = 0; f < features; ++f) {
    const int range = std::clamp(static_cast<int>(std::lround(rangeSize(rng))), 1, units);
    const int centre = static_cast<int>(rng() % static_cast<std::uint32_t>(units));
    const double stretch = 0.5 + unit(rng);
    for (int c = 0; c < units; ++c) {
      const double dx = (c % kWidth - centre % kWidth) * stretch, dy = (c / kWidth - centre / kWidth) / stretch;
      by[static_cast<std::size_t>(c)] = {dx * dx + dy * dy + unit(rng), c};
    }
    std::nth_element(by.begin(), by.begin() + (range - 1), by.end());
    for (int k = 0; k < range; ++k)
      triples.push_back({f, by[static_cast<std::size_t>(k)].second, amounts ? amount(rng) : 1.0});
    p.features.push_back({f + 1, "", 1.0});
  }
  zn::planning::buildRows(p, triples);
  if (amounts)
    for (auto& f : p.features) f.target = 0.1 * f.total;
  return p;
}

void writePlanningLp(const zn::planning::Problem& p, const fs::path& path) {
  std::ofstream out(path);
  out.precision(17);
  out << "Minimize\n obj:";
  for (std::size_t u = 0; u < p.units.size(); ++u) out << " + " << p.units[u].cost << " x" << u;
  out << "\nSubject To\n";
  for (std::size_t f = 0; f < p.features.size(); ++f) {
    out << " r" << f << ":";
    for (const auto* x = p.unitsOf.begin(f); x != p.unitsOf.end(f); ++x) out << " + " << x->amount << " x" << x->index;
    out << " >= " << std::min(p.features[f].target, p.features[f].total) << "\n";
  }
  out << "Binaries\n";
  for (std::size_t u = 0; u < p.units.size(); ++u) out << " x" << u << "\n";
  out << "End\n";
}

void BM_Planning(benchmark::State& state, int units, int features, bool amounts) {
  const zn::planning::Problem p = planningProblem(units, features, amounts, 24);
  const fs::path lp = fs::temp_directory_path() / ("zn_bench_planning_" + std::to_string(::getpid()) + ".lp");
  writePlanningLp(p, lp);
  const CbcRun cbc = cbcOnLpFile(state, lp);
  state.counters["rss_before_mb"] = statusMb("VmRSS:");
  resetPeak();
  zn::planning::SolveResult r;
  for (auto _ : state) r = zn::planning::solve(p, {zn::planning::Method::Exact, 1, 600.0});
  state.counters["peak_mb"] = statusMb("VmHWM:");
  state.counters["entries"] = static_cast<double>(p.unitsOf.entries.size());
  if (!r.error.empty() || r.runs.empty()) {
    state.SkipWithError(("no answer: " + r.error).c_str());
    return;
  }
  const zn::planning::Evaluation e = zn::planning::evaluate(p, r.runs[r.best].chosen);
  state.counters["objective"] = e.cost;
  if (r.report.find(": optimal\n") == std::string::npos) state.SkipWithError("not proven optimal");
  else if (cbc.optimum > 0 && std::fabs(e.cost - cbc.optimum) > 1e-6 * cbc.optimum)
    state.SkipWithError(("optimum " + std::to_string(e.cost) + ", cbc " + std::to_string(cbc.optimum)).c_str());
}

// A planning problem with amounts and boundary length as an LP file, in
// the terms the exact method solves it: each target capped at what the units
// not locked out hold, a column z per shared boundary with z >= |x_a - x_b|,
// outer boundaries on the unit's own cost.
void writeAmountsLp(const zn::planning::Problem& p, const fs::path& path) {
  using zn::planning::UnitStatus;
  std::ofstream out(path);
  out.precision(17);
  const auto reach = zn::planning::achievable(p);
  std::vector<double> cost(p.units.size());
  for (std::size_t u = 0; u < p.units.size(); ++u) cost[u] = p.units[u].cost;
  std::map<std::pair<int, int>, double> shared;
  if (p.blm > 0) {
    for (const auto& b : p.boundaries) {
      if (b.a == b.b) cost[static_cast<std::size_t>(b.a)] += p.blm * b.length;
      else shared[{std::min(b.a, b.b), std::max(b.a, b.b)}] += b.length;
    }
  }
  out << "Minimize\n obj:";
  for (std::size_t u = 0; u < p.units.size(); ++u) out << " + " << cost[u] << " x" << u << "\n";
  int k = 0;
  for (const auto& [ab, length] : shared) out << " + " << p.blm * length << " z" << k++ << "\n";
  out << "Subject To\n";
  for (std::size_t f = 0; f < p.features.size(); ++f) {
    const double goal = std::min(p.features[f].target, reach[f]);
    if (goal <= 0) continue;
    out << " r" << f << ":";
    for (const auto* x = p.unitsOf.begin(f); x != p.unitsOf.end(f); ++x) out << " + " << x->amount << " x" << x->index;
    out << " >= " << goal << "\n";
  }
  k = 0;
  for (const auto& [ab, length] : shared) {
    out << " u" << k << ": z" << k << " - x" << ab.first << " + x" << ab.second << " >= 0\n";
    out << " d" << k << ": z" << k << " + x" << ab.first << " - x" << ab.second << " >= 0\n";
    ++k;
  }
  out << "Bounds\n";
  for (std::size_t u = 0; u < p.units.size(); ++u)
    if (p.units[u].status == UnitStatus::LockedIn) out << " x" << u << " = 1\n";
    else if (p.units[u].status == UnitStatus::LockedOut) out << " x" << u << " = 0\n";
  for (int z = 0; z < k; ++z) out << " 0 <= z" << z << " <= 1\n";
  out << "Binaries\n";
  for (std::size_t u = 0; u < p.units.size(); ++u) out << " x" << u << "\n";
  out << "End\n";
}

double cpuSeconds() {
  rusage r{};
  ::getrusage(RUSAGE_SELF, &r);
  return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
         1e-6 * static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec);
}

// A number after `key` on a line of the report, or -1.
double reportNumber(const std::string& report, const std::string& key) {
  const auto at = report.find(key);
  return at == std::string::npos ? -1.0 : std::atof(report.c_str() + at + key.size());
}

// A planning-unit folder (tools/marxan_folder.py --amounts --prop 0.1 0.3
// --blm B) solved by the exact method with the limit ZN_PLANNING_SECONDS
// (default 60) or the work limit ZN_PLANNING_WORK nodes, then by the cbc
// program on the same model given the CPU seconds ours used (on a busy
// machine ours gets less than its wall-clock limit), or ZN_CBC_SECONDS.
// Objectives are cost + BLM x boundary; penalties are 0 as both meet every
// reachable target.
void BM_PlanningFolder(benchmark::State& state, const fs::path& dir) {
  const zn::planning::FolderRead read = zn::planning::readFolder(dir);
  if (!read.error.empty()) {
    state.SkipWithError(read.error.c_str());
    return;
  }
  const zn::planning::Problem p = zn::planning::problemFromDataset(read.data, read.terms);
  const char* secondsText = std::getenv("ZN_PLANNING_SECONDS");
  const char* workText = std::getenv("ZN_PLANNING_WORK");
  const char* cbcText = std::getenv("ZN_CBC_SECONDS");
  const double seconds = secondsText ? std::atof(secondsText) : 60.0;
  state.counters["rss_before_mb"] = statusMb("VmRSS:");
  resetPeak();
  zn::planning::SolveRequest request{zn::planning::Method::Exact, 1, seconds};
  if (workText) request.workLimit = std::atoll(workText);
  zn::planning::SolveResult r;
  const double cpu0 = cpuSeconds();
  for (auto _ : state) r = zn::planning::solve(p, request);
  const double cpu = cpuSeconds() - cpu0;
  state.counters["cpu"] = cpu;
  state.counters["peak_mb"] = statusMb("VmHWM:");
  if (!r.error.empty() || r.runs.empty()) {
    state.SkipWithError(("no answer: " + r.error).c_str());
    return;
  }
  state.counters["objective"] = reportNumber(r.report, "\nobjective ");
  state.counters["bound"] = reportNumber(r.report, "; lower bound ");
  state.counters["first"] = reportNumber(r.report, "local search): score ");
  state.counters["optimal"] = r.report.find("search ended by: optimal\n") != std::string::npos;

  const fs::path lp = fs::temp_directory_path() / ("zn_bench_folder_" + std::to_string(::getpid()) + ".lp");
  writeAmountsLp(p, lp);
  const int cbcSeconds = cbcText ? std::atoi(cbcText) : std::max(1, static_cast<int>(std::ceil(cpu)));
  const CbcRun cbc = cbcOnLpFile(state, lp, "sec " + std::to_string(cbcSeconds));
  state.counters["cbc_bound"] = cbc.bound;
  state.counters["cbc_cpu"] = cbc.cpu;
}

// Optima from the data README (CBC and GLPK agree there).
const std::pair<const char*, int> kDatasets[] = {
    {"bci_trees", 25},       {"acacia_australia", 77}, {"southern_africa_woody", 35}, {"phyllomedusa_frogs", 16},
    {"washington_birds", 7}, {"carnivora_world", 51},  {"gb_butterflies_hectad", 6},
};

const char* kSamples[] = {"equal/carnivora.dat", "ravelund/marine.dat", "neotrop/phyllomedusa.dat",
                          "safrica/woody.dat",   "austral/acacia.dat",  "britain/butterflies.dat"};

int registerAll() {
  // World grid 36 x 24 = 864 cells; Britain 3,947 cells on a 61-wide frame.
  const struct {
    int taxa, cells, width;
  } synthetic[] = {{8000, 864, 36}, {32000, 864, 36}, {8000, 3947, 61}, {9999, 3947, 61}};
  for (const auto& g : synthetic)
    benchmark::RegisterBenchmark(
        ("Synthetic/minimum/" + std::to_string(g.taxa) + "x" + std::to_string(g.cells)).c_str(),
        [g](benchmark::State& st) { BM_Synthetic(st, g.taxa, g.cells, g.width); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
  for (const auto& g : synthetic)
    benchmark::RegisterBenchmark(
        ("Synthetic/minimum-1s/" + std::to_string(g.taxa) + "x" + std::to_string(g.cells)).c_str(),
        [g](benchmark::State& st) { BM_SyntheticLimited(st, g.taxa, g.cells, g.width); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
  for (bool amounts : {false, true})
    benchmark::RegisterBenchmark(amounts ? "Planning/exact-amounts/100000x1000" : "Planning/exact-presence/100000x1000",
                                 [amounts](benchmark::State& st) { BM_Planning(st, 100000, 1000, amounts); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
  // ZN_PLANNING_FOLDERS: planning-unit folders, separated by colons.
  if (const char* folders = std::getenv("ZN_PLANNING_FOLDERS"))
    for (std::string rest = folders; !rest.empty();) {
      const std::size_t colon = rest.find(':');
      const fs::path dir = rest.substr(0, colon);
      rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
      if (dir.empty()) continue;
      benchmark::RegisterBenchmark(("PlanningFolder/" + dir.filename().string()).c_str(),
                                   [dir](benchmark::State& st) { BM_PlanningFolder(st, dir); })
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
    }
  for (bool coverage : {false, true}) {
    const std::string kind = kinds[coverage ? 1 : 0];
    for (const char* rel : kSamples)
      benchmark::RegisterBenchmark(("Sample/" + kind + "/" + rel).c_str(),
                                   [rel, coverage](benchmark::State& st) { BM_ShippedSample(st, rel, coverage); })
          ->Unit(benchmark::kMillisecond)
          ->Iterations(3);
    for (const auto& [folder, optimum] : kDatasets)
      benchmark::RegisterBenchmark(
          ("Dataset/" + kind + "/" + folder).c_str(),
          [f = std::string(folder), o = optimum, coverage](benchmark::State& st) { BM_Dataset(st, f, o, coverage); })
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
  }
  return 0;
}

const int registered = registerAll();

}  // namespace

BENCHMARK_MAIN();
