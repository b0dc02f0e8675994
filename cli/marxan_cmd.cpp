// zonarium marxan DIR [--input input.dat] [--method exact|near-minimum|greedy]
//   [--reps N] [--time-limit S] [--out DIR]: solves a planning-unit folder and
// writes the outputs where its input.dat says (or --out), then prints the report.
// zonarium export-marxan DATAFILE DIR [--costs FILE.scr] [--areas FILE.sed]
//   [--preselect FILE.pre] [--set KEY=VALUE]...: the other way round.
#include "cli/marxan_cmd.h"

#include <charconv>
#include <memory>

#include "cli/measure_options.h"
#include "cli/select_cmd.h"
#include "gis/project.h"
#include "interchange/scr.h"
#include "planning/folder.h"
#include "planning/solve.h"
#include "shell/nearminimum_runs.h"
#include "shell/sessionproblem.h"
#include "store/text.h"
#include "store/timelimit.h"

namespace zn {

namespace {

const char* const kMarxanHelp =
    "zonarium marxan DIR [--input input.dat] [--method exact|near-minimum|greedy] [--reps N] [--time-limit S] "
    "[--work-limit N] [--out DIR]\n"
    "Solves the planning-unit folder DIR (input.dat naming pu.dat, spec.dat and puvspr2.dat or puvspr.dat) and\n"
    "writes Marxan's CSV outputs as its SAVE... keys choose (SCEN_best.csv, SCEN_r00001.csv ..., SCEN_mv00001.csv\n"
    "..., SCEN_mvbest.csv, SCEN_ssoln.csv, SCEN_sum.csv, SCEN_solutionsmatrix.csv, SCEN_sen.dat) with\n"
    "SCEN_report.txt; the new set replaces the last run's whole.\n"
    "Methods:\n"
    "  exact         (the default) the least-cost set meeting every target that can be met (with BLM above 0:\n"
    "                least cost + BLM x boundary length), started from the greedy set and the units that\n"
    "                priced targets take (with amounts or BLM also a rarest-first set; each improved by local\n"
    "                search, the best refined in rounds, priced targets giving a bound too; these first sets\n"
    "                take shares of the limit counted in CPU seconds, and on models of over 2 million entries\n"
    "                the solver's time as well); proven optimal, or the best found with its gap when\n"
    "                --time-limit seconds (default 60, on the wall clock) run out, or when --work-limit N\n"
    "                search nodes run out (the same set on any machine, however busy, unless the time limit\n"
    "                ends it first); the report says which limit ended the search, the objective, the bound\n"
    "                and the gap; N repetitions (NUMREPS or --reps) are the same set\n"
    "  greedy        any folder without BLM: adds the unit that removes most shortfall per unit of cost;\n"
    "                N repetitions break ties at random with seeds 1 ... N\n"
    "  near-minimum  when every target is a count of units: every amount 1 (a presence), every target a\n"
    "                whole number and one goal for all features (a feature with fewer units than the goal\n"
    "                wants all of them); progressive rarity as for a datafile, costs used where they differ,\n"
    "                N repetitions with the last tie broken at random, seeds 1 ... N; any other folder is\n"
    "                refused with the reason\n"
    "A feature with spf 0 is reported, not required. Targets no set can meet are reported with their\n"
    "shortfall. Keys of the annealing (RUNMODE, NUMITNS, STARTTEMP ...) are named in the report as not used.\n";

bool wholeNumber(const std::string& s, int lo, int hi, int& v) {
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && v >= lo && v <= hi;
}

}  // namespace

int cmdMarxan(CliContext& ctx, const std::vector<std::string>& args) {
  std::string dir, input = "input.dat", out;
  planning::SolveRequest request;
  int reps = 0;
  bool timeLimitGiven = false, workLimitGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--help" || a == "-h") {
      ctx.out << kMarxanHelp;
      return 0;
    } else if (a == "--input" && hasValue) {
      input = args[++i];
    } else if (a == "--out" && hasValue) {
      out = args[++i];
    } else if (a == "--method" && hasValue) {
      const std::string& m = args[++i];
      if (m == "exact") request.method = planning::Method::Exact;
      else if (m == "near-minimum") request.method = planning::Method::NearMinimum;
      else if (m == "greedy") request.method = planning::Method::Greedy;
      else {
        ctx.err << "zonarium: --method is exact, near-minimum or greedy\n";
        return 2;
      }
    } else if (a == "--reps" && hasValue) {
      if (!wholeNumber(args[++i], 1, 10000, reps)) {
        ctx.err << "zonarium: --reps takes a whole number from 1 to 10000\n";
        return 2;
      }
    } else if (a == "--time-limit" && hasValue) {
      const std::optional<int> t = TimeLimit::parseWholeSeconds(args[++i]);
      if (!t) {
        ctx.err << "zonarium: --time-limit takes whole seconds from 1 to " << TimeLimit::kMaxSeconds << "\n";
        return 2;
      }
      request.timeLimit = *t;
      timeLimitGiven = true;
    } else if (a == "--work-limit" && hasValue) {
      const std::optional<long long> n = WorkLimit::parse(args[++i]);
      if (!n) {
        ctx.err << "zonarium: " << WorkLimit::kRange << "\n";
        return 2;
      }
      request.workLimit = *n;
      workLimitGiven = true;
    } else if (dir.empty() && !a.starts_with("--")) {
      dir = a;
    } else {
      ctx.err << "zonarium: marxan does not take " << a << "\n";
      return 2;
    }
  }
  if (dir.empty()) {
    ctx.err << "zonarium: marxan takes a folder\n";
    return 2;
  }
  if ((timeLimitGiven || workLimitGiven) && request.method != planning::Method::Exact) {
    ctx.err << "zonarium: " << (timeLimitGiven ? "--time-limit" : "--work-limit") << " is not used by "
            << (request.method == planning::Method::Greedy ? "greedy" : "near-minimum") << "; it is for exact\n";
    return 2;
  }
  planning::FolderRead read = planning::readFolder(dir, input);
  if (!read.error.empty()) {
    ctx.err << "zonarium: " << read.error << "\n";
    return 1;
  }
  request.reps = reps > 0 ? reps : read.settings.reps;
  // The near-minimum set grows on the dataset's own lists; the other methods
  // want only the problem's rows, so there the lists go as the rows stand.
  const planning::Problem problem =
      request.method == planning::Method::NearMinimum
          ? planning::problemFromDataset(std::make_shared<const Dataset>(std::move(read.data)), read.terms)
          : planning::problemFromDataset(std::move(read.data), read.terms);
  planning::SolveResult r = planning::solve(problem, request);
  if (!r.error.empty()) {
    ctx.err << "zonarium: " << r.error << "\n";
    return 1;
  }
  if (!read.settings.unusedKeys.empty()) {
    std::string keys;
    for (const auto& k : read.settings.unusedKeys) keys += (keys.empty() ? "" : ", ") + k;
    r.report = input + " keys read but not used by this method: " + keys + "\n" + r.report;
  }
  const std::filesystem::path outDir = out.empty() ? read.settings.outputDir : std::filesystem::path(out);
  std::error_code ec;
  if (std::filesystem::equivalent(outDir, dir, ec)) {
    ctx.err << "zonarium: --out is the planning-unit folder itself: the outputs need a folder of their own\n";
    return 2;
  }
  std::string error;
  if (!planning::writeOutputs(problem, read.settings, outDir, r.runs, r.best, r.method, r.report, error)) {
    ctx.err << "zonarium: " << error << "\n";
    return 1;
  }
  ctx.out << r.report;
  return 0;
}

int cmdExportMarxan(CliContext& ctx, const std::vector<std::string>& args) {
  const std::vector<SetKey> keys = selectSetKeys();
  MeasureOptions opts;
  std::vector<std::string> rest;
  if (const int rc = parseMeasureOptions(ctx, args, opts, rest, keys)) return rc;
  if (!opts.measure.empty() || !opts.taxa.empty() || opts.meanPasses || opts.smoothPasses) {
    ctx.err << "zonarium: export-marxan takes no measure options\n";
    return 2;
  }
  std::vector<std::string> positional;
  std::string costs;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == "--costs" && i + 1 < rest.size()) costs = rest[++i];
    else if (rest[i].starts_with("--")) {
      ctx.err << "zonarium: export-marxan does not take " << rest[i] << "\n";
      return 2;
    } else positional.push_back(rest[i]);
  }
  if (positional.size() != 2) {
    ctx.err << "zonarium: export-marxan takes DATAFILE DIR or FILE.gpkg DIR\n";
    return 2;
  }
  if (std::filesystem::path(positional[0]).extension() == ".gpkg") {
    // A project is written as it stands: its units, costs, status, targets,
    // amounts and shared boundaries.
    if (!costs.empty() || opts.areas || opts.preselect || !opts.sets.empty()) {
      ctx.err << "zonarium: --costs, --areas, --preselect and --set apply to datafiles, not to projects\n";
      return 2;
    }
    std::string error;
    const auto project = readProject(positional[0], error);
    if (!project) {
      ctx.err << "zonarium: " << error << "\n";
      return 1;
    }
    const planning::Problem p = planning::problemFromDataset(project->data);
    if (!planning::writeFolder(p, std::filesystem::path(positional[0]).stem().string(), positional[1], error,
                               "project")) {
      ctx.err << "zonarium: " << error << "\n";
      return 1;
    }
    ctx.out << strprintf("planning units: %zu, features: %zu, amounts: %zu, boundaries: %zu\n", p.units.size(),
                         p.features.size(), p.unitsOf.entries.size(), p.boundaries.size());
    return 0;
  }
  auto s = startCliSession(ctx);
  if (!s) return 1;
  opts.measure = "richness";
  if (const int rc = prepareMeasure(ctx, *s, opts, positional[0], keys)) return rc;
  if (!costs.empty()) {
    const ScoresRead r = readScoresFile(costs, s->ws);
    if (!r.column) {
      ctx.err << "Import scores: " << r.error << "\n";
      return 1;
    }
    std::optional<Notice> missing;
    const bool present = useAreaValues(*s, ValueKind::Cost, r.column->values, &missing);
    if (missing) ctx.host.messageBox(missing->text, missing->caption, missing->icon, Buttons::Ok);
    if (!present) {
      ctx.err << "zonarium: " << costs << " gives no cost for every occupied cell\n";
      return 1;
    }
  }
  const planning::Problem p = problemFromSession(*s);
  std::string error;
  if (!planning::writeFolder(p, s->ws.datafile.title, positional[1], error)) {
    ctx.err << "zonarium: " << error << "\n";
    return 1;
  }
  ctx.out << strprintf("planning units: %zu, features: %zu, amounts: %zu\n", p.units.size(), p.features.size(),
                       p.unitsOf.entries.size());
  return 0;
}

}  // namespace zn
