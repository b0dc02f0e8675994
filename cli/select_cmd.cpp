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
#include "shell/results.h"
#include "shell/set_commands.h"
#include "store/parse.h"
#include "store/text.h"

namespace zn {

namespace {

// A --set key whose words stand for values of settings fields.
SetKey wordsKey(std::string name,
                std::vector<std::pair<std::string, std::vector<std::pair<SettingsField, int>>>> words) {
  std::string listed;
  for (const auto& w : words) listed += (listed.empty() ? "" : ", ") + w.first;
  auto find = [words](const std::string& v) -> const std::vector<std::pair<SettingsField, int>>* {
    for (const auto& w : words)
      if (w.first == v) return &w.second;
    return nullptr;
  };
  return SetKey{std::move(name), listed, [find](const std::string& v) { return find(v) != nullptr; },
                [find](CliContext&, Session& s, const std::string& v) {
                  for (auto [field, value] : *find(v)) field.set(s.settings, value);
                  return true;
                }};
}

SetKey yesNoKey(std::string name, SettingsField field) {
  return wordsKey(std::move(name), {{"0", {{field, 0}}}, {"1", {{field, 1}}}});
}

// A goal: a whole number in the range Tools options allows.
SetKey goalKey(std::string name, void (*apply)(Session&, int)) {
  auto goal = [](const std::string& v) {
    const std::optional<int> g = parseNumber<int>(v);
    return g && *g >= 1 && *g <= kGoalMax ? g : std::nullopt;
  };
  return SetKey{std::move(name), strprintf("a whole number from 1 to %d", kGoalMax),
                [goal](const std::string& v) { return goal(v).has_value(); },
                [goal, apply](CliContext&, Session& s, const std::string& v) {
                  apply(s, *goal(v));
                  return true;
                }};
}

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
  // As in Tools options: a goal above 1 drops the re-ordering, choosing a
  // re-ordering sets the goal back to 1.
  keys.push_back(goalKey("goal", [](Session& s, int g) {
    s.settings.nearMinimumGoal = g;
    if (g > 1 && s.settings.reordering != Reordering::kUnset) s.settings.reordering = Reordering::kNone;
  }));
  keys.push_back(
      wordsKey("reorder", {{"none", {{settingsField<&Settings::reordering>(), static_cast<int>(Reordering::kNone)}}},
                           {"richness",
                            {{settingsField<&Settings::reordering>(), static_cast<int>(Reordering::kByRichness)},
                             {settingsField<&Settings::nearMinimumGoal>(), 1}}},
                           {"rarity",
                            {{settingsField<&Settings::reordering>(), static_cast<int>(Reordering::kByRarity)},
                             {settingsField<&Settings::nearMinimumGoal>(), 1}}},
                           {"threat",
                            {{settingsField<&Settings::reordering>(), static_cast<int>(Reordering::kByThreat)},
                             {settingsField<&Settings::nearMinimumGoal>(), 1}}}}));
  keys.push_back(yesNoKey("extra-tie-breaks", settingsField<&Settings::extraTieBreaks>()));
  keys.push_back(wordsKey("last-tie", {{"lowest", {{settingsField<&Settings::lastTieRandom>(), 0}}},
                                       {"random", {{settingsField<&Settings::lastTieRandom>(), 1}}}}));
  keys.push_back(yesNoKey("reject-redundant", settingsField<&Settings::rejectRedundant>()));
  keys.push_back(yesNoKey("include-seeds", settingsField<&Settings::includeSeeds>()));
  keys.push_back(yesNoKey("optimise-cost", settingsField<&Settings::optimiseByCost>()));
  keys.push_back(wordsKey("flexibility-map", {{"order",
                                               {{settingsField<&Settings::flexibilityMap>(), 0},
                                                {settingsField<&Settings::flexibilityPartial>(), 0},
                                                {settingsField<&Settings::mapAllFlexible>(), 0}}},
                                              {"irreplaceable",
                                               {{settingsField<&Settings::flexibilityMap>(), 1},
                                                {settingsField<&Settings::flexibilityPartial>(), 0},
                                                {settingsField<&Settings::mapAllFlexible>(), 0}}},
                                              {"partial",
                                               {{settingsField<&Settings::flexibilityMap>(), 1},
                                                {settingsField<&Settings::flexibilityPartial>(), 1},
                                                {settingsField<&Settings::mapAllFlexible>(), 0}}},
                                              {"all",
                                               {{settingsField<&Settings::flexibilityMap>(), 1},
                                                {settingsField<&Settings::flexibilityPartial>(), 0},
                                                {settingsField<&Settings::mapAllFlexible>(), 1}}}}));
  keys.push_back(yesNoKey("long-reports", settingsField<&Settings::longReports>()));
  keys.push_back(yesNoKey("base-on-present", settingsField<&Settings::baseOnPresent>()));
  keys.push_back(yesNoKey("two-tailed", settingsField<&Settings::twoTailed>()));
  keys.push_back(wordsKey("hotspot-kind", {{"0", {{settingsField<&Settings::hotspotKind>(), 0}}},
                                           {"1", {{settingsField<&Settings::hotspotKind>(), 1}}},
                                           {"2", {{settingsField<&Settings::hotspotKind>(), 2}}},
                                           {"3", {{settingsField<&Settings::hotspotKind>(), 3}}},
                                           {"4", {{settingsField<&Settings::hotspotKind>(), 4}}}}));
  keys.push_back(wordsKey("greedy-by", {{"richness", {{settingsField<&Settings::greedyByRarity>(), 0}}},
                                        {"rarity", {{settingsField<&Settings::greedyByRarity>(), 1}}}}));
  keys.push_back(goalKey("greedy-goal", [](Session& s, int g) { s.settings.greedyGoal = g; }));
  keys.push_back(yesNoKey("greedy-reject-redundant", settingsField<&Settings::greedyRejectRedundant>()));
  keys.push_back(yesNoKey("greedy-include-seeds", settingsField<&Settings::greedyIncludeSeeds>()));
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

// A re-ordering by richness, rarity or threat sets the goal to 1 and a goal
// above 1 drops such a re-ordering, so the two given together would let
// their order decide which one is lost.
int refuseGoalReorderConflict(CliContext& ctx, const MeasureOptions& m) {
  const std::pair<std::string, std::string>*goal = nullptr, *reorder = nullptr;
  for (const auto& kv : m.sets) {
    if (kv.first == "goal" && parseNumber<int>(kv.second).value_or(1) > 1) goal = &kv;
    if (kv.first == "reorder" && kv.second != "none") reorder = &kv;
  }
  if (!goal || !reorder) return 0;
  return refuse(ctx, "--set goal=" + goal->second + " and --set reorder=" + reorder->second +
                         " conflict: a re-ordering by richness, rarity or threat is made for goal 1 only");
}

}  // namespace

int refuseAreasBeyond(CliContext& ctx, const RequestValues& o, int capacity) {
  const std::optional<Refusal> r = zn::refuseAreasBeyond(o, capacity);
  return r ? refuse(ctx, r->text) : 0;
}

int checkSelectRequest(CliContext& ctx, const SelectOptions& o, const MeasureOptions& m) {
  if (const Analysis* a = findAnalysis(o.kind))
    if (const std::optional<Refusal> r = refuseUnusedParams(*a, o)) return refuse(ctx, r->text);
  return refuseGoalReorderConflict(ctx, m);
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
