#include "cli/measure_options.h"

#include "cli/preselect_option.h"

#include <algorithm>
#include <charconv>

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "measures/selective.h"
#include "measures/smoothing.h"
#include "selection/areaset.h"
#include "shell/analyses.h"
#include "shell/measure_commands.h"
#include "shell/notices.h"
#include "shell/optionstable.h"
#include "store/text.h"

namespace zn {

namespace {

constexpr int kMaxPasses = 10000;

std::optional<int> wholeNumber(const std::string& v, int lo, int hi) {
  int x = 0;
  auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
  if (ec != std::errc() || end != v.data() + v.size() || x < lo || x > hi) return std::nullopt;
  return x;
}

bool applyGroupCode(CliContext& ctx, Session& s, const std::string& code) {
  Workspace& ws = s.ws;
  ws.groupCode = code;
  const int taxa = std::min(ws.taxaCount, ws.cards.slots());
  bool any = false;
  for (int t = 0; t < taxa && !any; ++t) any = ws.passesGroup(t);
  if (!any) {
    // As "Restrict to subgroup" does: the code is dropped and all taxa count.
    ctx.host.messageBox(strprintf("Restrict to subgroup:\nsubgroup %s not found", code.c_str()), "Data preselection",
                        Icon::Information, Buttons::Ok);
    ws.groupCode.clear();
  }
  return true;
}

bool applyExcludedLevel(CliContext& ctx, Session& s, const std::string& v) {
  const int levels = s.ws.datafile.levels;
  auto x = wholeNumber(v, 0, levels - 1);
  if (!x) {
    ctx.err << strprintf("zonarium: excluded-level takes a whole number from 0 to %d for this datafile\n", levels - 1);
    return false;
  }
  s.settings.excludedLevel = *x;
  return true;
}

std::string validNames() {
  std::string out;
  for (const auto& m : measureNames()) out += (out.empty() ? "" : ", ") + m.name;
  return out;
}

std::string validKeys(const std::vector<SetKey>& keys) {
  std::string out;
  for (const auto& k : keys) out += (out.empty() ? "" : ", ") + k.name;
  return out;
}

const SetKey* findKey(const std::vector<SetKey>& keys, const std::string& name) {
  for (const auto& k : keys)
    if (k.name == name) return &k;
  return nullptr;
}

bool selectiveCode(MeasureCode code) { return code == kCodeSelectiveRichness || code == kCodeSelectiveRarity; }

// The lines of the "Selective plot" list that stand for the named taxa (the
// first taxon of each name in card order).
bool selectTaxa(CliContext& ctx, const Session& s, const std::vector<std::string>& names, SelectivePlotModel& m) {
  for (const auto& name : names) {
    int best = -1;
    for (std::size_t i = 0; i < m.lineTaxon.size(); ++i) {
      const int t = m.lineTaxon[i];
      if (s.ws.cards.name(t) == name && (best < 0 || t < m.lineTaxon[static_cast<std::size_t>(best)]))
        best = static_cast<int>(i);
    }
    if (best < 0) {
      ctx.err << "zonarium: no taxon named \"" << name << "\" among the taxa of the included group\n";
      return false;
    }
    m.selected.push_back(best);
  }
  return true;
}

}  // namespace

const std::vector<MeasureName>& measureNames() {
  static const std::vector<MeasureName> names = [] {
    std::vector<MeasureName> n;
    for (const Analysis& a : analyses())
      if (a.kind == AnalysisKind::Measure) n.push_back({a.name, a.code()});
    return n;
  }();
  return names;
}

std::optional<MeasureCode> measureCodeByName(const std::string& name) {
  for (const auto& m : measureNames())
    if (m.name == name) return m.code;
  return std::nullopt;
}

std::optional<MeasureCode> measureCodeOrRefuse(CliContext& ctx, const std::string& name) {
  const std::optional<MeasureCode> code = measureCodeByName(name);
  if (!code) ctx.err << "zonarium: unknown measure " << name << "; valid measures: " << validNames() << "\n";
  return code;
}

void appendSettingKeys(std::vector<SetKey>& keys, KeyScope scope) {
  for (const OptionSetting& o : optionSettings()) {
    if (o.scope != scope) continue;
    const OptionSetting* setting = &o;  // the table lives as long as the program
    keys.push_back(SetKey{o.key, optionValuesText(o),
                          [setting](const std::string& v) { return optionValueValid(*setting, v); },
                          [setting](CliContext&, Session& s, const std::string& v) {
                            return applyOptionValue(s.settings, *setting, v);
                          }});
  }
}

std::string settingKeysUsage(KeyScope scope) {
  std::string out;
  for (const OptionSetting& o : optionSettings())
    if (o.scope == scope)
      out += (out.empty() ? "[--set " : " [--set ") + std::string(o.key) + "=" + optionWords(o, "|") + "]";
  return out;
}

std::vector<SetKey> measureSetKeys() {
  std::vector<SetKey> keys;
  appendSettingKeys(keys, KeyScope::Measure);
  // These two depend on the open datafile and recount it.
  keys.push_back(SetKey{"excluded-level", "a whole number from 0 to the number of data levels - 1",
                        [](const std::string& v) { return wholeNumber(v, 0, 99).has_value(); }, applyExcludedLevel,
                        true});
  keys.push_back(
      SetKey{"group-code", "a code of 1 to 30 characters",
             [](const std::string& v) { return !v.empty() && v.size() <= 30 && v.find('\0') == std::string::npos; },
             applyGroupCode, true});
  return keys;
}

int parseMeasureOptions(CliContext& ctx, const std::vector<std::string>& argsIn, MeasureOptions& opts,
                        std::vector<std::string>& rest, const std::vector<SetKey>& keys) {
  std::vector<std::string> args = argsIn;
  if (int rc = takePreselectOption(ctx, args, opts.preselect); rc != 0) return rc;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool takesValue =
        a == "--measure" || a == "--areas" || a == "--set" || a == "--taxa" || a == "--mean" || a == "--smooth";
    if (!takesValue) {
      rest.push_back(a);
      continue;
    }
    if (i + 1 >= args.size()) {
      ctx.err << "zonarium: " << a << " needs a value\n";
      return 2;
    }
    const std::string& v = args[++i];
    if (a == "--measure") {
      if (!measureCodeOrRefuse(ctx, v)) return 2;
      opts.measure = v;
    } else if (a == "--areas") {
      opts.areas = v;
    } else if (a == "--taxa") {
      opts.taxa.push_back(v);
    } else if (a == "--mean" || a == "--smooth") {
      auto n = wholeNumber(v, 0, kMaxPasses);
      if (!n) {
        ctx.err << "zonarium: " << a << " takes a whole number from 0 to " << kMaxPasses << "\n";
        return 2;
      }
      (a == "--mean" ? opts.meanPasses : opts.smoothPasses) = *n;
    } else {
      const auto eq = v.find('=');
      const std::string key = v.substr(0, eq);
      const SetKey* k = findKey(keys, key);
      if (eq == std::string::npos || !k) {
        ctx.err << "zonarium: unknown --set key " << key << "; valid keys: " << validKeys(keys) << "\n";
        return 2;
      }
      const std::string value = v.substr(eq + 1);
      if (!k->check(value)) {
        ctx.err << "zonarium: invalid value \"" << value << "\" for " << key << "; valid values: " << k->values << "\n";
        return 2;
      }
      opts.sets.emplace_back(key, value);
    }
  }
  return 0;
}

int prepareMeasure(CliContext& ctx, Session& s, const MeasureOptions& opts, const std::filesystem::path& datafile,
                   const std::vector<SetKey>& keys) {
  const std::optional<MeasureCode> known = measureCodeOrRefuse(ctx, opts.measure);
  if (!known) return 2;
  const MeasureCode code = *known;
  if (!opts.taxa.empty() && !selectiveCode(code)) {
    ctx.err << "zonarium: --taxa applies to selective-richness and selective-rarity only\n";
    return 2;
  }
  if (!openCliDatafile(ctx, s, datafile)) return 1;
  applyRecompute(s, Recompute::DatafileOpened);
  if (opts.preselect && !applyPreselectionFile(ctx, s, *opts.preselect)) return 1;

  bool preselection = false;
  for (const auto& [key, value] : opts.sets) {
    const SetKey* k = findKey(keys, key);
    if (!k || !k->apply(ctx, s, value)) return 2;
    preselection = preselection || k->preselection;
  }
  if (preselection) {
    clearScores(s);
    s.subgroupDataPresent = recount(s.ws, s.settings.excludedLevel);
    if (!s.subgroupDataPresent && !s.ws.groupCode.empty())
      ctx.host.messageBox("Restrict to subgroup:\nsubgroup data absent or incomplete\nin database", "Data preselection",
                          Icon::Information, Buttons::Ok);
    occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
    applyRecompute(s, Recompute::Preselection);
  }
  if (opts.areas) {
    std::optional<Notice> refusal;
    if (!loadSeedFile(s.areas, s.ws.geo.cells, *opts.areas, refusal)) {
      if (refusal) ctx.host.messageBox(refusal->text, refusal->caption, refusal->icon, Buttons::Ok);
      return 1;
    }
    occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
  }

  // The menu disables these commands without their data; here they are refused.
  const Analysis* measure = findAnalysis(opts.measure);
  if (int rc = refuseOrWarn(ctx, *measure, s, {}, false); rc != 0) return rc;
  AnalysisParams p;
  if (selectiveCode(code)) {
    SelectivePlotModel m = openSelectivePlot(s.settings, s.ws, false);
    if (!selectTaxa(ctx, s, opts.taxa, m)) return 2;
    for (int line : m.selected) p.taxa.push_back(m.lineTaxon[static_cast<std::size_t>(line)]);
  }
  const AnalysisResult r = measure->run(s, p);
  showNotices(s, ctx.host);
  if (r.message) ctx.host.messageBox(r.message->text, r.message->caption, r.message->icon, Buttons::Ok);
  if (!r.ran && !selectiveCode(code)) return 1;  // the tree measures without tree data
  for (int i = 0; i < opts.meanPasses; ++i) findAnalysis("mean")->run(s, {});
  for (int i = 0; i < opts.smoothPasses; ++i) findAnalysis("smooth")->run(s, {});
  return 0;
}

int refuseOrWarn(CliContext& ctx, const Analysis& a, Session& s, const RequestValues& values, bool threatPresent) {
  std::vector<std::string> warnings;
  std::optional<Refusal> r;
  if (a.kind == AnalysisKind::Selection) r = takeCostRequest(s.settings, s.costPresent, values, warnings);
  if (!r && std::find(a.checks.begin(), a.checks.end(), Check::CandidateCells) != a.checks.end() &&
      s.settings.optimiseByCost == Flag::kOff)
    countCandidatesAsMenus(s);
  if (!r) r = validateRequest(a, s, threatPresent);
  for (const std::string& w : warnings) ctx.err << "zonarium: " << w << "\n";
  if (!r) return 0;
  if (r->notice) ctx.host.messageBox(r->notice->text, r->notice->caption, r->notice->icon, Buttons::Ok);
  else ctx.err << "zonarium: " << r->text << "\n";
  return r->status;
}

std::string formatCellScores(const Session& s) {
  std::string out = "title: " + s.map.title + "\n";
  const int cells = lastCellNumber(s.ws);
  for (int n = 1; n <= cells; ++n) {
    const GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    out += strprintf("%d %.6f %d\n", n, c.score, c.count);
  }
  return out;
}

}  // namespace zn
