// zonarium select KIND DATAFILE [options]: a priority-area analysis of the
// Area selection menu and its RESULTS report, or the scores of the analyses
// that map cells rather than report on a set.
#include <algorithm>
#include <cmath>

#include "cli/select_cmd.h"

#include "cli/curve_cmd.h"
#include "cli/measure_options.h"
#include "cli/project_analysis.h"
#include "interchange/scr.h"
#include "measures/scores.h"
#include "measures/titles.h"
#include "selection/areaset.h"
#include "selection/exact.h"
#include "selection/flexibility.h"
#include "selection/greedy.h"
#include "selection/hotspots.h"
#include "selection/irreplaceability.h"
#include "selection/nearminimum.h"
#include "selection/randomsets.h"
#include "selection/values.h"
#include "shell/analyses.h"
#include "shell/measure_commands.h"
#include "shell/nearminimum_runs.h"
#include "shell/optionstable.h"
#include "shell/results.h"
#include "shell/set_commands.h"
#include "store/parse.h"
#include "store/text.h"

namespace zn {

namespace {

int refuse(CliContext& ctx, const std::string& text) {
  ctx.err << "zonarium: " << text << "\n";
  return 2;
}

std::string listedKinds() {
  std::string out;
  for (const auto& k : selectKinds()) out += (out.empty() ? "" : ", ") + k;
  return out;
}

// Reads a value column into the cost or threat field; false after a message.
bool loadValues(CliContext& ctx, Session& s, const std::filesystem::path& file, ValueKind kind, bool& present) {
  ScoresRead r = readScoresFile(file.string(), s.ws);
  if (!r.column) {
    ctx.host.messageBox(r.error, "Import scores", Icon::Exclamation, Buttons::Ok);
    return false;
  }
  std::optional<Notice> missing;
  present = useAreaValues(s, kind, r.column->values, &missing);
  if (missing) ctx.host.messageBox(missing->text, missing->caption, missing->icon, Buttons::Ok);
  if (!present)
    ctx.err << "zonarium: " << file.string() << " gives no " << (kind == ValueKind::Cost ? "cost" : "threat")
            << " value for every occupied cell; they are not used\n";
  return true;
}

}  // namespace

std::vector<SetKey> selectSetKeys() {
  std::vector<SetKey> keys = measureSetKeys();
  appendSettingKeys(keys, KeyScope::Selection);
  return keys;
}

const std::vector<std::string>& selectKinds() {
  static const std::vector<std::string> kinds = [] {
    std::vector<std::string> k;
    for (const Analysis& a : analyses())
      if (a.kind == AnalysisKind::Selection) k.push_back(a.name);
    return k;
  }();
  return kinds;
}

int checkSelectKind(CliContext& ctx, const std::string& kind) {
  const auto& kinds = selectKinds();
  if (std::find(kinds.begin(), kinds.end(), kind) != kinds.end()) return 0;
  return refuse(ctx, "unknown kind " + kind + "; valid kinds: " + listedKinds());
}

namespace {

// Two settings given together whose rules would let their order decide
// which one is lost (a goal above 1 and a re-ordering), named in the order
// of the settings table.
int refuseOrderedSettings(CliContext& ctx, const MeasureOptions& m) {
  for (std::size_t i = 0; i < m.sets.size(); ++i)
    for (std::size_t j = i + 1; j < m.sets.size(); ++j) {
      const OptionSetting* a = optionSettingByKey(m.sets[i].first);
      const OptionSetting* b = optionSettingByKey(m.sets[j].first);
      if (!a || !b) continue;
      const char* why = optionConflict(*a, m.sets[i].second, *b, m.sets[j].second);
      if (!why) continue;
      const auto& first = a < b ? m.sets[i] : m.sets[j];
      const auto& second = a < b ? m.sets[j] : m.sets[i];
      return refuse(ctx, "--set " + first.first + "=" + first.second + " and --set " + second.first + "=" +
                             second.second + " conflict: " + why);
    }
  return 0;
}

}  // namespace

int refuseAreasBeyond(CliContext& ctx, const RequestValues& o, int capacity) {
  const std::optional<Refusal> r = zn::refuseAreasBeyond(o, capacity);
  return r ? refuse(ctx, r->text) : 0;
}

int checkSelectRequest(CliContext& ctx, const SelectOptions& o, const MeasureOptions& m) {
  if (const Analysis* a = findAnalysis(o.kind))
    if (const std::optional<Refusal> r = refuseUnusedParams(*a, o)) return refuse(ctx, r->text);
  return refuseOrderedSettings(ctx, m);
}

namespace {

// A flag of the analysis options: a parameter of the registry, or a file or
// the seed, in the order the usage lists them.
struct SelectFlag {
  std::optional<Param> param;
  std::string flag, metavar;
  std::optional<std::filesystem::path> SelectOptions::*file = nullptr;
};

const ParamSpec& specOf(Param p) {
  for (const ParamSpec& s : paramSpecs())
    if (s.param == p) return s;
  return paramSpecs().front();
}

const std::vector<SelectFlag>& selectFlags() {
  static const std::vector<SelectFlag> flags = [] {
    auto param = [](Param p) { return SelectFlag{p, specOf(p).flag, specOf(p).metavar}; };
    return std::vector<SelectFlag>{param(Param::AreasToAdd),
                                   param(Param::Budget),
                                   {std::nullopt, "--costs", "FILE.scr", &SelectOptions::costs},
                                   {std::nullopt, "--threats", "FILE.scr", &SelectOptions::threats},
                                   {std::nullopt, "--random-seed", "S"},
                                   {std::nullopt, "--results", "FILE", &SelectOptions::results},
                                   {std::nullopt, "--areas-out", "FILE.sed", &SelectOptions::areasOut},
                                   param(Param::TimeLimit),
                                   param(Param::WorkLimit),
                                   param(Param::Runs)};
  }();
  return flags;
}

}  // namespace

std::string selectOptionsUsage() {
  std::string out;
  for (const SelectFlag& f : selectFlags()) out += (out.empty() ? "[" : " [") + f.flag + " " + f.metavar + "]";
  return out;
}

int takeSelectOptions(CliContext& ctx, std::vector<std::string>& args, SelectOptions& o) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto f =
        std::find_if(selectFlags().begin(), selectFlags().end(), [&a](const SelectFlag& x) { return x.flag == a; });
    if (f == selectFlags().end()) {
      rest.push_back(a);
      continue;
    }
    if (i + 1 >= args.size()) return refuse(ctx, a + " needs a value");
    const std::string& v = args[++i];
    if (f->param) {
      const ParamSpec& spec = specOf(*f->param);
      if (!spec.parse(v, o)) return refuse(ctx, spec.range);
    } else if (f->file) {
      o.*(f->file) = v;
    } else {
      auto s = parseNumber<std::uint32_t>(v);
      if (!s) return refuse(ctx, "--random-seed takes a whole number from 0 to 4294967295");
      o.seed = *s;
    }
  }
  args = std::move(rest);
  return 0;
}

int writeSelectResults(CliContext& ctx, const SelectOptions& o, const std::string& text) {
  if (!o.results) {
    ctx.out << text;
    return 0;
  }
  if (!appendResults(*o.results, text)) {
    ctx.err << "zonarium: cannot write " << o.results->string() << "\n";
    return 1;
  }
  return 0;
}

namespace {

// Runs one registered analysis; its message is shown as the window shows
// it, its notes go to the error stream. 0, or 1 when it did not run.
int runRegistered(CliContext& ctx, Session& s, const Analysis& a, const AnalysisParams& p, AnalysisResult& r) {
  r = a.run(s, p);
  if (r.message) ctx.host.messageBox(r.message->text, r.message->caption, r.message->icon, Buttons::Ok);
  for (const std::string& note : r.notes) ctx.err << "zonarium: " << note << "\n";
  return r.ran ? 0 : 1;
}

}  // namespace

int runSelectAnalysis(CliContext& ctx, Session& s, const SelectOptions& o, SelectRun& run) {
  if (int rc = refuseAreasBeyond(ctx, o, kAreaCapacity); rc != 0) return rc;
  bool threatPresent = false;
  if (o.costs) {
    bool present = false;
    if (!loadValues(ctx, s, *o.costs, ValueKind::Cost, present)) return 1;
  }
  if (o.threats && !loadValues(ctx, s, *o.threats, ValueKind::Threat, threatPresent)) return 1;

  const Analysis* analysis = findAnalysis(o.kind);
  if (!analysis || analysis->kind != AnalysisKind::Selection) return refuse(ctx, "unknown kind " + o.kind);
  if (int rc = refuseOrWarn(ctx, *analysis, s, o, threatPresent); rc != 0) return rc;
  AnalysisParams p;
  static_cast<RequestValues&>(p) = o;
  p.threatPresent = threatPresent;
  // The analysis this one is about runs first; its report stays.
  AnalysisResult first, r;
  if (!analysis->after.empty())
    if (int rc = runRegistered(ctx, s, *findAnalysis(analysis->after), p, first); rc != 0) return rc;
  if (int rc = runRegistered(ctx, s, *analysis, p, r); rc != 0) return rc;
  run.scoreMap = analysis->scoreMap;
  if (first.capacityReached || r.capacityReached)
    ctx.err << strprintf("zonarium: the area set reached %d areas before every taxon met the goal\n", kAreaCapacity);
  buildTitle(s);
  run.results = first.results + r.results;
  return 0;
}

int cmdSelect(CliContext& ctx, const std::vector<std::string>& args) {
  const std::vector<SetKey> keys = selectSetKeys();
  MeasureOptions mopts;
  std::vector<std::string> rest;
  if (int rc = parseMeasureOptions(ctx, args, mopts, rest, keys); rc != 0) return rc;
  if (!mopts.measure.empty() || !mopts.taxa.empty() || mopts.meanPasses || mopts.smoothPasses)
    return refuse(ctx, "select takes no --measure, --taxa, --mean or --smooth");
  SelectOptions o;
  if (int rc = takeSelectOptions(ctx, rest, o); rc != 0) return rc;
  for (const auto& a : rest)
    if (!a.empty() && a[0] == '-') return refuse(ctx, "unknown option " + a + " for select");
  if (rest.size() != 2) return refuse(ctx, "select takes KIND DATAFILE and the select options");
  o.kind = rest[0];
  if (int rc = checkSelectKind(ctx, o.kind); rc != 0) return rc;
  if (int rc = checkSelectRequest(ctx, o, mopts); rc != 0) return rc;
  if (namesProject(rest[1])) return projectSelect(ctx, mopts, o, keys, rest[1]);

  auto session = startCliSession(ctx);
  if (!session) return 1;
  Session& s = *session;
  mopts.measure = "richness";  // the map after opening a datafile
  if (int rc = prepareMeasure(ctx, s, mopts, rest[1], keys); rc != 0) return rc;
  SelectRun run;
  if (int rc = runSelectAnalysis(ctx, s, o, run); rc != 0) return rc;
  if (run.scoreMap) {
    ctx.out << formatCellScores(s);
    if (o.results && !run.results.empty())
      if (int rc = writeSelectResults(ctx, o, run.results); rc != 0) return rc;
  } else if (int rc = writeSelectResults(ctx, o, run.results); rc != 0) {
    return rc;
  }
  if (o.areasOut && !saveSeedFile(s.areas, *o.areasOut)) {
    ctx.err << "zonarium: cannot write " << o.areasOut->string() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace zn
