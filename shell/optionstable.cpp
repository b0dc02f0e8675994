#include "shell/optionstable.h"

#include <algorithm>

#include "store/parse.h"
#include "store/text.h"
#include "store/timelimit.h"

namespace zn {

namespace T = topt;

namespace {

// The most representations a near-minimum or greedy goal asks of a taxon.
constexpr int kGoalMax = 99;
// The tool takes a threshold before the data are open, so it cannot bound
// it by the candidate cells as the dialog does.
constexpr int kThresholdMax = 100000;

// The settings of the list of biota, which the tool's cell listing takes.
constexpr Control kGrouped = checkControl<&Settings::listDialogVariant>("grouped");
constexpr Control kRangeSizes = checkControl<&Settings::listDialogOption>("rangeSizes");

// Every re-ordering but none is made for a single representation, so each
// of these two rules undoes the other.
constexpr const char* kGoalReorderReason = "a re-ordering by richness, rarity or threat is made for goal 1 only";

void goalDropsReordering(Settings& s) {
  if (s.nearMinimumGoal > 1) s.reordering = Reordering::kNone;
}

void reorderingNeedsGoalOne(Settings& s) {
  if (s.reordering == Reordering::kByRichness || s.reordering == Reordering::kByRarity ||
      s.reordering == Reordering::kByThreat)
    s.nearMinimumGoal = 1;
}

OptionSetting choice(const char* key, KeyScope scope, std::vector<OptionWord> words) {
  return OptionSetting{.key = key, .scope = scope, .words = std::move(words)};
}

OptionSetting yesNo(const char* key, KeyScope scope, const Control& check) {
  return choice(key, scope, {{"0", check, false}, {"1", check, true}});
}

OptionSetting number(const char* key, KeyScope scope, const Control& edit, int low, int high) {
  return OptionSetting{.key = key, .scope = scope, .words = {}, .number = edit, .low = low, .high = high};
}

OptionSetting goal(const char* key, const Control& edit) {
  OptionSetting o = number(key, KeyScope::Selection, edit, 1, kGoalMax);
  o.representations = true;
  return o;
}

OptionSetting tied(OptionSetting o, void (*tie)(Settings&), const char* why) {
  o.tie = tie;
  o.tieReason = why;
  return o;
}

// The four ways of mapping a set, spread over three flags.
struct FlexibilityRadio {
  Control control;
  bool map, partial, all;
};
constexpr FlexibilityRadio kFlexibilityRadios[] = {
    {T::kMapByOrder, false, false, false},
    {T::kMapIrreplaceable, true, false, false},
    {T::kMapPartial, true, true, false},
    {T::kMapAllFlexible, true, false, true},
};

const FlexibilityRadio* flexibilityRadio(const Control& c) {
  for (const FlexibilityRadio& r : kFlexibilityRadios)
    if (r.control == c) return &r;
  return nullptr;
}

const FlexibilityRadio& flexibilityChoice(const Settings& s) {
  const auto& r = kFlexibilityRadios;
  if (s.flexibilityMap == Flag::kOff) return r[0];
  if (s.mapAllFlexible != Flag::kOff) return r[3];
  if (s.flexibilityPartial != Flag::kOff) return r[2];
  return r[1];
}

const OptionWord* findWord(const OptionSetting& o, std::string_view value) {
  for (const OptionWord& w : o.words)
    if (value == w.word) return &w;
  return nullptr;
}

}  // namespace

const std::vector<OptionSetting>& optionSettings() {
  using K = KeyScope;
  static const std::vector<OptionSetting> kAll{
      // Measures
      choice("rarity-formula", K::Measure,
             {{"0", T::kRarityDifference}, {"1", T::kRarityInverse}, {"2", T::kRarityInverseSquare}}),
      choice("range-centre-weighting", K::Measure,
             {{"0", T::kEqualRanges}, {"1", T::kLargeRanges}, {"2", T::kSmallRanges}}),
      number("range-size-threshold", K::Measure, T::kThreshold, 0, kThresholdMax),
      choice("neighbourhood", K::Measure, {{"9", T::kNeighbourhood9}, {"25", T::kNeighbourhood25}}),
      choice("smoothing", K::Measure, {{"median", T::kSmoothMedian}, {"mean", T::kSmoothMean}}),
      choice("residuals", K::Measure, {{"abs", T::kResidualsRelative, false}, {"rel", T::kResidualsRelative, true}}),
      // Area selection
      tied(goal("goal", T::kGoal), goalDropsReordering, kGoalReorderReason),
      tied(choice("reorder", K::Selection,
                  {{"none", T::kReorderNone},
                   {"richness", T::kReorderRichness},
                   {"rarity", T::kReorderRarity},
                   {"threat", T::kReorderThreat}}),
           reorderingNeedsGoalOne, kGoalReorderReason),
      yesNo("extra-tie-breaks", K::Selection, T::kExtraTieBreaks),
      choice("last-tie", K::Selection, {{"lowest", T::kTieLowestCell}, {"random", T::kTieRandom}}),
      yesNo("reject-redundant", K::Selection, T::kRejectRedundant),
      yesNo("include-seeds", K::Selection, T::kIncludeSeeds),
      yesNo("optimise-cost", K::Selection, T::kOptimiseCost),
      choice("flexibility-map", K::Selection,
             {{"order", T::kMapByOrder},
              {"irreplaceable", T::kMapIrreplaceable},
              {"partial", T::kMapPartial},
              {"all", T::kMapAllFlexible}}),
      yesNo("long-reports", K::Selection, T::kLongReports),
      yesNo("base-on-present", K::Selection, T::kBaseOnPresent),
      choice("two-tailed", K::Selection, {{"0", T::kSingleTail}, {"1", T::kTwoTail}}),
      choice("hotspot-kind", K::Selection,
             {{"0", T::kHotspotRichness},
              {"1", T::kHotspotRarity},
              {"2", T::kHotspotRareQuartile},
              {"3", T::kHotspotThreshold},
              {"4", T::kHotspotResiduals}}),
      choice("greedy-by", K::Selection, {{"richness", T::kGreedyRichness}, {"rarity", T::kGreedyRarity}}),
      goal("greedy-goal", T::kGreedyGoal),
      yesNo("greedy-reject-redundant", K::Selection, T::kGreedyReject),
      yesNo("greedy-include-seeds", K::Selection, T::kGreedyIncludeSeeds),
      // The list of biota
      yesNo("grouped", K::CellList, kGrouped),
      yesNo("range-sizes", K::CellList, kRangeSizes),
      // Only the window sets the exact sets' time limit; the tool gives one per run.
      number(nullptr, K::None, T::kExactTimeLimit, TimeLimit::kLeastOptionSeconds, TimeLimit::kMaxSeconds),
  };
  return kAll;
}

const OptionSetting* optionSettingOf(const Control& c) {
  for (const OptionSetting& o : optionSettings()) {
    if (o.number == c && c.name) return &o;
    for (const OptionWord& w : o.words)
      if (w.control == c) return &o;
  }
  return nullptr;
}

const OptionSetting* optionSettingByKey(std::string_view key) {
  for (const OptionSetting& o : optionSettings())
    if (o.key && key == o.key) return &o;
  return nullptr;
}

std::string optionWords(const OptionSetting& o, const char* separator) {
  std::string listed;
  for (const OptionWord& w : o.words) listed += (listed.empty() ? "" : separator) + std::string(w.word);
  return listed;
}

std::string optionValuesText(const OptionSetting& o) {
  if (o.words.empty()) return strprintf("a whole number from %d to %d", o.low, o.high);
  return optionWords(o, ", ");
}

std::optional<int> optionNumber(const OptionSetting& o, std::string_view value) {
  if (!o.words.empty()) return std::nullopt;
  const std::optional<int> n = parseNumber<int>(value);
  return n && *n >= o.low && *n <= o.high ? n : std::nullopt;
}

bool optionValueValid(const OptionSetting& o, std::string_view value) {
  return findWord(o, value) || optionNumber(o, value);
}

bool applyOptionValue(Settings& s, const OptionSetting& o, std::string_view value) {
  if (const OptionWord* w = findWord(o, value)) return chooseOption(s, w->control, w->on);
  const std::optional<int> n = optionNumber(o, value);
  if (n) setOptionNumber(s, o.number, *n);
  return n.has_value();
}

bool optionChecked(const Settings& s, const Control& c) {
  if (flexibilityRadio(c)) return flexibilityChoice(s).control == c;
  return controlChecked(s, c);
}

bool chooseOption(Settings& s, const Control& c, bool on) {
  if (const FlexibilityRadio* r = flexibilityRadio(c)) {
    if (on) {
      s.flexibilityMap = flagOf(r->map);
      s.flexibilityPartial = flagOf(r->partial);
      s.mapAllFlexible = flagOf(r->all);
    }
  } else if (c.kind == Control::Number || !storeControl(s, c, on)) {
    return false;
  }
  // A radio cleared changes nothing, so its rule has nothing to follow.
  if (on || c.kind != Control::Radio) applyOptionTie(s, c);
  return true;
}

std::pair<int, int> optionRange(const Control& c) {
  const OptionSetting* o = optionSettingOf(c);
  return o && o->words.empty() ? std::pair<int, int>{o->low, o->high} : std::pair<int, int>{0, 0};
}

void setOptionNumber(Settings& s, const Control& c, int value) {
  if (c.kind != Control::Number) return;
  const auto [low, high] = optionRange(c);
  c.field.set(s, std::clamp(value, low, high));
  applyOptionTie(s, c);
}

void applyOptionTie(Settings& s, const Control& c) {
  if (const OptionSetting* o = optionSettingOf(c); o && o->tie) o->tie(s);
}

const char* optionConflict(const OptionSetting& a, std::string_view va, const OptionSetting& b, std::string_view vb) {
  if (&a == &b || (!a.tie && !b.tie)) return nullptr;
  Settings ab, ba;
  setDefaults(ab);
  ba = ab;
  applyOptionValue(ab, a, va);
  applyOptionValue(ab, b, vb);
  applyOptionValue(ba, b, vb);
  applyOptionValue(ba, a, va);
  if (ab == ba) return nullptr;
  return a.tie ? a.tieReason : b.tieReason;
}

}  // namespace zn
