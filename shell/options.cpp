#include "shell/options.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "store/text.h"
#include "store/timelimit.h"

namespace zn {

namespace T = topt;
namespace M = mopt;

namespace {

// A radio button: choosing it stores `value` in `field`.
struct Radio {
  int id;
  SettingsField field;
  std::int32_t value;
};

// The radio button `id` binds the field `Member` to one of its values, named
// in the field's own type.
template <auto Member>
constexpr Radio choice(int id, std::remove_cvref_t<decltype(std::declval<Settings&>().*Member)> value) {
  return {id, settingsField<Member>(), static_cast<std::int32_t>(value)};
}

// A check box over one field; `inverted` fields store 0 when ticked.
struct Check {
  int id;
  SettingsField field;
  bool inverted;
};

template <std::size_t N>
const Radio* findRadio(const std::array<Radio, N>& table, int id) {
  for (const Radio& r : table)
    if (r.id == id) return &r;
  return nullptr;
}

template <std::size_t N>
const Check* findCheck(const std::array<Check, N>& table, int id) {
  for (const Check& c : table)
    if (c.id == id) return &c;
  return nullptr;
}

bool isChecked(const Settings& s, const Check& c) { return (c.field.get(s) != 0) != c.inverted; }
void store(Settings& s, const Check& c, bool on) { c.field.set(s, (on != c.inverted) ? 1 : 0); }

template <std::size_t N>
void copySlots(const std::array<SettingsField, N>& fields, const Settings& from, Settings& to) {
  for (SettingsField f : fields) f.set(to, f.get(from));
}

template <std::size_t N>
bool slotsDiffer(const std::array<SettingsField, N>& fields, const Settings& a, const Settings& b) {
  return std::any_of(fields.begin(), fields.end(), [&](SettingsField f) { return f.get(a) != f.get(b); });
}

// ----- Tools options tables

constexpr std::array<Radio, 23> kToolRadios{{
    choice<&Settings::rarityFormula>(T::kRarityDifference, RarityFormula::kDifference),
    choice<&Settings::rarityFormula>(T::kRarityInverse, RarityFormula::kInverse),
    choice<&Settings::rarityFormula>(T::kRarityInverseSquare, RarityFormula::kInverseSquare),
    choice<&Settings::rangeCentreWeighting>(T::kLargeRanges, RangeWeighting::kLargeRanges),
    choice<&Settings::rangeCentreWeighting>(T::kSmallRanges, RangeWeighting::kSmallRanges),
    choice<&Settings::neighbourhoodSize>(T::kNeighbourhood9, 9),
    choice<&Settings::neighbourhoodSize>(T::kNeighbourhood25, 25),
    choice<&Settings::smoothByMean>(T::kSmoothMedian, Smoothing::kMedian),
    choice<&Settings::smoothByMean>(T::kSmoothMean, Smoothing::kMean),
    choice<&Settings::hotspotKind>(T::kHotspotRichness, HotspotKind::kRichness),
    choice<&Settings::hotspotKind>(T::kHotspotRarity, HotspotKind::kRarity),
    choice<&Settings::hotspotKind>(T::kHotspotRareQuartile, HotspotKind::kRareQuartile),
    choice<&Settings::hotspotKind>(T::kHotspotThreshold, HotspotKind::kThreshold),
    choice<&Settings::hotspotKind>(T::kHotspotResiduals, HotspotKind::kResiduals),
    choice<&Settings::reordering>(T::kReorderRichness, Reordering::kByRichness),
    choice<&Settings::reordering>(T::kReorderRarity, Reordering::kByRarity),
    choice<&Settings::reordering>(T::kReorderThreat, Reordering::kByThreat),
    choice<&Settings::lastTieRandom>(T::kTieLowestCell, LastTie::kLowestCell),
    choice<&Settings::lastTieRandom>(T::kTieRandom, LastTie::kRandom),
    choice<&Settings::greedyByRarity>(T::kGreedyRichness, GreedyBy::kRichness),
    choice<&Settings::greedyByRarity>(T::kGreedyRarity, GreedyBy::kRarity),
    choice<&Settings::twoTailed>(T::kSingleTail, Tails::kSingle),
    choice<&Settings::twoTailed>(T::kTwoTail, Tails::kTwo),
}};

constexpr std::array<Check, 10> kToolChecks{{
    {T::kResidualsRelative, settingsField<&Settings::residualsNotRelative>(), true},
    {T::kMeasuresRelative, settingsField<&Settings::relativeToRichness>(), false},
    {T::kRejectRedundant, settingsField<&Settings::rejectRedundant>(), false},
    {T::kIncludeSeeds, settingsField<&Settings::includeSeeds>(), false},
    {T::kOptimiseCost, settingsField<&Settings::optimiseByCost>(), false},
    {T::kExtraTieBreaks, settingsField<&Settings::extraTieBreaks>(), false},
    {T::kGreedyReject, settingsField<&Settings::greedyRejectRedundant>(), false},
    {T::kGreedyIncludeSeeds, settingsField<&Settings::greedyIncludeSeeds>(), false},
    {T::kLongReports, settingsField<&Settings::longReports>(), false},
    {T::kBaseOnPresent, settingsField<&Settings::baseOnPresent>(), false},
}};

constexpr std::array<SettingsField, 26> kToolSlots{
    settingsField<&Settings::rarityFormula>(),        settingsField<&Settings::rangeCentreWeighting>(),
    settingsField<&Settings::neighbourhoodSize>(),    settingsField<&Settings::smoothByMean>(),
    settingsField<&Settings::residualsNotRelative>(), settingsField<&Settings::relativeToRichness>(),
    settingsField<&Settings::rangeSizeThreshold>(),   settingsField<&Settings::hotspotKind>(),
    settingsField<&Settings::rejectRedundant>(),      settingsField<&Settings::reordering>(),
    settingsField<&Settings::nearMinimumGoal>(),      settingsField<&Settings::greedyRejectRedundant>(),
    settingsField<&Settings::flexibilityMap>(),       settingsField<&Settings::greedyByRarity>(),
    settingsField<&Settings::greedyGoal>(),           settingsField<&Settings::optimiseByCost>(),
    settingsField<&Settings::flexibilityPartial>(),   settingsField<&Settings::greedyIncludeSeeds>(),
    settingsField<&Settings::includeSeeds>(),         settingsField<&Settings::longReports>(),
    settingsField<&Settings::extraTieBreaks>(),       settingsField<&Settings::baseOnPresent>(),
    settingsField<&Settings::mapAllFlexible>(),       settingsField<&Settings::twoTailed>(),
    settingsField<&Settings::lastTieRandom>(),        settingsField<&Settings::exactTimeLimit>()};

constexpr int kGoalMax = 99;

// Which of 7041 … 7044 the three flexibility fields stand for.
int flexibilityChoice(const Settings& s) {
  if (s.flexibilityMap == Flag::kOff) return T::kMapByOrder;
  if (s.mapAllFlexible != Flag::kOff) return T::kMapAllFlexible;
  if (s.flexibilityPartial != Flag::kOff) return T::kMapPartial;
  return T::kMapIrreplaceable;
}

void setFlexibilityChoice(Settings& s, int id) {
  s.flexibilityMap = flagOf(id != T::kMapByOrder);
  s.flexibilityPartial = flagOf(id == T::kMapPartial);
  s.mapAllFlexible = flagOf(id == T::kMapAllFlexible);
}

bool isFlexibilityRadio(int id) {
  return id == T::kMapByOrder || id == T::kMapIrreplaceable || id == T::kMapPartial || id == T::kMapAllFlexible;
}

}  // namespace

// ---------------------------------------------------------------------------
// Tools options

const char* toolsControlName(int id) {
  static constexpr std::array<const char*, 43> kNames{"rarityDifference",
                                                      "rarityInverse",
                                                      "rarityInverseSquare",
                                                      "largeRanges",
                                                      "smallRanges",
                                                      "neighbourhood9",
                                                      "neighbourhood25",
                                                      "smoothMedian",
                                                      "smoothMean",
                                                      "residualsRelative",
                                                      "measuresRelative",
                                                      "hotspotRichness",
                                                      "hotspotRarity",
                                                      "hotspotRareQuartile",
                                                      "hotspotThreshold",
                                                      "hotspotResiduals",
                                                      "threshold",
                                                      "thresholdPercent",
                                                      "goal",
                                                      "reorderRichness",
                                                      "reorderRarity",
                                                      "reorderThreat",
                                                      "rejectRedundant",
                                                      "includeSeeds",
                                                      "optimiseCost",
                                                      "extraTieBreaks",
                                                      "tieLowestCell",
                                                      "tieRandom",
                                                      "exactTimeLimit",
                                                      "mapByOrder",
                                                      "mapIrreplaceable",
                                                      "mapPartial",
                                                      "mapAllFlexible",
                                                      "greedyRichness",
                                                      "greedyRarity",
                                                      "greedyGoal",
                                                      "greedyReject",
                                                      "greedyIncludeSeeds",
                                                      "singleTail",
                                                      "twoTail",
                                                      "longReports",
                                                      "baseOnPresent",
                                                      "cancelRerun"};
  static_assert(static_cast<std::size_t>(topt::kCancelRerun) == kNames.size(),
                "one name per control, in declaration order");
  return id >= 1 && id <= static_cast<int>(kNames.size()) ? kNames[static_cast<std::size_t>(id - 1)] : "";
}

ToolsOptionsFacts toolsOptionsFacts(Session& s, bool threatPresent) {
  ToolsOptionsFacts f;
  f.candidateCells = countCandidateCells(s.ws, s.settings.excludedLevel, s.areas);
  f.costPresent = s.costPresent;
  f.threatPresent = threatPresent;
  f.areaCount = s.areas.count();
  f.seedCount = s.areas.seedCount;
  return f;
}

ToolsOptionsModel::ToolsOptionsModel(const Settings& current, const ToolsOptionsFacts& f)
    : opened(current), settings(current), facts(f) {
  Settings& s = settings;
  // The threshold is a range size among the candidate cells: 2 at least
  // when the dialog opens. Without candidate cells there is nothing to
  // measure it against, and it is kept as it is.
  if (facts.candidateCells >= 1)
    s.rangeSizeThreshold = std::clamp(s.rangeSizeThreshold, std::min(2, facts.candidateCells), facts.candidateCells);
  s.nearMinimumGoal = std::clamp(s.nearMinimumGoal, 1, kGoalMax);
  s.greedyGoal = std::clamp(s.greedyGoal, 1, kGoalMax);
  if (!facts.costPresent) s.optimiseByCost = Flag::kOff;
  if (s.reordering == Reordering::kByThreat && !facts.threatPresent) s.reordering = Reordering::kByRichness;
  if (s.nearMinimumGoal > 1) s.reordering = Reordering::kNone;
  s.exactTimeLimit = TimeLimit::optionSeconds(s.exactTimeLimit);
}

bool ToolsOptionsModel::checked(int id) const {
  if (id == T::kCancelRerun) return cancelRerun;
  if (isFlexibilityRadio(id)) return flexibilityChoice(settings) == id;
  if (const Radio* r = findRadio(kToolRadios, id)) return r->field.get(settings) == r->value;
  if (const Check* c = findCheck(kToolChecks, id)) return isChecked(settings, *c);
  return false;
}

bool ToolsOptionsModel::enabled(int id) const {
  switch (id) {
    case T::kOptimiseCost: return facts.costPresent;
    case T::kReorderThreat: return facts.threatPresent;
    case T::kThreshold:
    case T::kThresholdPercent: return facts.candidateCells >= 1;
    default: return true;
  }
}

void ToolsOptionsModel::setChecked(int id, bool on) {
  if (!enabled(id)) return;
  if (id == T::kCancelRerun) {
    cancelRerun = on;
    return;
  }
  if (const Check* c = findCheck(kToolChecks, id)) {
    store(settings, *c, on);
    return;
  }
  if (!on) return;  // a radio is cleared only by choosing another
  if (isFlexibilityRadio(id)) {
    setFlexibilityChoice(settings, id);
    return;
  }
  const Radio* r = findRadio(kToolRadios, id);
  if (!r) return;
  r->field.set(settings, r->value);
  // Every re-ordering is for a single representation.
  if (r->field == settingsField<&Settings::reordering>()) settings.nearMinimumGoal = 1;
}

std::pair<int, int> ToolsOptionsModel::numberRange(int id) const {
  if (id == T::kThreshold) return {1, std::max(1, facts.candidateCells)};
  if (id == T::kExactTimeLimit) return {TimeLimit::kLeastOptionSeconds, TimeLimit::kMaxSeconds};
  return {1, kGoalMax};
}

int ToolsOptionsModel::number(int id) const {
  switch (id) {
    case T::kThreshold: return settings.rangeSizeThreshold;
    case T::kGoal: return settings.nearMinimumGoal;
    case T::kGreedyGoal: return settings.greedyGoal;
    case T::kExactTimeLimit: return settings.exactTimeLimit;
    default: return 0;
  }
}

void ToolsOptionsModel::setNumber(int id, int value) {
  if (!enabled(id)) return;
  const auto [lo, hi] = numberRange(id);
  value = std::clamp(value, lo, hi);
  switch (id) {
    case T::kThreshold: settings.rangeSizeThreshold = value; break;
    case T::kGoal:
      settings.nearMinimumGoal = value;
      // Re-ordering and the flexibility classes need a goal of 1.
      if (value > 1) settings.reordering = Reordering::kNone;
      break;
    case T::kGreedyGoal: settings.greedyGoal = value; break;
    case T::kExactTimeLimit: settings.exactTimeLimit = value; break;
    default: break;
  }
}

std::string ToolsOptionsModel::thresholdPercentText() const {
  const double pct = facts.candidateCells > 0 ? settings.rangeSizeThreshold * 100.0 / facts.candidateCells : 0.0;
  return strprintf("%3.1f%%", pct);
}

void ToolsOptionsModel::pressClearNew() {
  if (clearNewEnabled() && clearAreas != AreaClear::AllAreas) clearAreas = AreaClear::NewAreas;
}

void ToolsOptionsModel::pressClearAll() {
  if (clearAllEnabled()) clearAreas = AreaClear::AllAreas;
}

int ToolsOptionsModel::areasAfterClear() const {
  switch (clearAreas) {
    case AreaClear::NewAreas: return std::clamp(facts.seedCount, 0, facts.areaCount);
    case AreaClear::AllAreas: return 0;
    default: return facts.areaCount;
  }
}

void ToolsOptionsModel::apply(Settings& target, AreaSet& areas) const {
  copySlots(kToolSlots, settings, target);
  if (clearAreas == AreaClear::NewAreas) clearNewAreas(areas);
  if (clearAreas == AreaClear::AllAreas) clearAllAreas(areas);
}

// ---------------------------------------------------------------------------
// Map drawing options

namespace {

constexpr std::array<Radio, 31> kMapRadios{{
    choice<&Settings::scaleType>(M::kFixedLimit, kFixedLimit),
    choice<&Settings::scaleType>(M::kEqualInterval, kEqualInterval),
    choice<&Settings::scaleType>(M::kEqualFrequency, kEqualFrequency),
    choice<&Settings::fillColours>(M::kFillGreys, FillColours::kGreys),
    choice<&Settings::fillColours>(M::kFillBrown, FillColours::kBrown),
    choice<&Settings::fillColours>(M::kFillGreenBlue, FillColours::kGreenBlue),
    choice<&Settings::backgroundColour>(M::kBackgroundBlack, Shade::kBlack),
    choice<&Settings::backgroundColour>(M::kBackgroundGrey, Shade::kGrey),
    choice<&Settings::backgroundColour>(M::kBackgroundWhite, Shade::kWhite),
    choice<&Settings::frameColour>(M::kFrameBlack, Shade::kBlack),
    choice<&Settings::frameColour>(M::kFrameGrey, Shade::kGrey),
    choice<&Settings::frameColour>(M::kFrameWhite, Shade::kWhite),
    choice<&Settings::coarseGridColour>(M::kCoarseBlack, Shade::kBlack),
    choice<&Settings::coarseGridColour>(M::kCoarseGrey, Shade::kGrey),
    choice<&Settings::coarseGridColour>(M::kCoarseWhite, Shade::kWhite),
    choice<&Settings::fineGridColour>(M::kFineBlack, Shade::kBlack),
    choice<&Settings::fineGridColour>(M::kFineGrey, Shade::kGrey),
    choice<&Settings::fineGridColour>(M::kFineWhite, Shade::kWhite),
    choice<&Settings::coastColour>(M::kCoastBlack, CoastColour::kBlack),
    choice<&Settings::coastColour>(M::kCoastGrey, CoastColour::kGrey),
    choice<&Settings::coastColour>(M::kCoastWhite, CoastColour::kWhite),
    choice<&Settings::coastColour>(M::kCoastBlackWhite, CoastColour::kBlackWhite),
    choice<&Settings::numbersColour>(M::kNumbersBlack, NumbersColour::kBlack),
    choice<&Settings::numbersColour>(M::kNumbersGrey, NumbersColour::kGrey),
    choice<&Settings::numbersColour>(M::kNumbersWhite, NumbersColour::kWhite),
    choice<&Settings::fineGridStyle>(M::kSpots, FineGridStyle::kSpots),
    choice<&Settings::fineGridStyle>(M::kCrosses, FineGridStyle::kCrosses),
    choice<&Settings::fineGridStyle>(M::kLines, FineGridStyle::kLines),
    choice<&Settings::selectedAreasDisplay>(M::kSeedAndSelected, AreasShown::kSeedsAndSelected),
    choice<&Settings::selectedAreasDisplay>(M::kSeedOnly, AreasShown::kSeeds),
    choice<&Settings::selectedAreasDisplay>(M::kNoAreas, AreasShown::kNone),
}};

constexpr std::array<Radio, 5> kColourModeRadios{{
    choice<&Settings::colourMode>(M::kMonoLog, kMonoLog),
    choice<&Settings::colourMode>(M::kMonoLin, kMonoLin),
    choice<&Settings::colourMode>(M::kSixteen, kSixteenColour),
    choice<&Settings::colourMode>(M::kDark256, kDarkColour),
    choice<&Settings::colourMode>(M::kLight256, kLightColour),
}};

constexpr std::array<Check, 8> kMapChecks{{
    {M::kMaxSeparate, settingsField<&Settings::maxNotSeparate>(), true},
    {M::kMaxSpot, settingsField<&Settings::maxSpot>(), false},
    {M::kFrame, settingsField<&Settings::frameShown>(), false},
    {M::kCoarseGrid, settingsField<&Settings::coarseGridShown>(), false},
    {M::kFineGrid, settingsField<&Settings::fineGridShown>(), false},
    {M::kCoast, settingsField<&Settings::coastShown>(), false},
    {M::kWriteTitle, settingsField<&Settings::writeTitle>(), false},
    {M::kScalableTitle, settingsField<&Settings::scalableTitle>(), false},
}};

constexpr std::array<SettingsField, 24> kMapSlots{
    settingsField<&Settings::colourMode>(),        settingsField<&Settings::frameShown>(),
    settingsField<&Settings::coastShown>(),        settingsField<&Settings::fillFrameCoast>(),
    settingsField<&Settings::fineGridShown>(),     settingsField<&Settings::writeTitle>(),
    settingsField<&Settings::scaleBarShown>(),     settingsField<&Settings::scaleType>(),
    settingsField<&Settings::scaleBarStyle>(),     settingsField<&Settings::fillColours>(),
    settingsField<&Settings::coastColour>(),       settingsField<&Settings::maxNotSeparate>(),
    settingsField<&Settings::backgroundColour>(),  settingsField<&Settings::maxSpot>(),
    settingsField<&Settings::coloursAndNumbers>(), settingsField<&Settings::scalableTitle>(),
    settingsField<&Settings::fineGridStyle>(),     settingsField<&Settings::selectedAreasDisplay>(),
    settingsField<&Settings::numbersColour>(),     settingsField<&Settings::fineGridColour>(),
    settingsField<&Settings::coarseGridColour>(),  settingsField<&Settings::coarseGridShown>(),
    settingsField<&Settings::frameColour>(),       settingsField<&Settings::mapPalette>()};

// The ramp radios: each pair sets or clears one bit of the map palette.
struct RampRadio {
  int id;
  MapPalette bit;
  bool on;
};
constexpr std::array<RampRadio, 4> kRampRadios{{
    {M::kRampStandard, MapPalette::kColourBlind, false},
    {M::kRampColourBlind, MapPalette::kColourBlind, true},
    {M::kResidualsAsScores, MapPalette::kDivergingResiduals, false},
    {M::kResidualsDiverging, MapPalette::kDivergingResiduals, true},
}};
const RampRadio* findRampRadio(int id) {
  for (const RampRadio& r : kRampRadios)
    if (r.id == id) return &r;
  return nullptr;
}

// coloursAndNumbers: 0 colours only, 1 colours and numbers, 2 numbers only.
bool scaleColours(const Settings& s) { return s.coloursAndNumbers != CellLabels::kNumbers; }
bool scaleNumbers(const Settings& s) {
  return s.coloursAndNumbers == CellLabels::kColoursAndNumbers || s.coloursAndNumbers == CellLabels::kNumbers;
}

// The scale bar radios: shown or not, and what the bar draws when shown.
struct ScaleBarRadio {
  int id;
  Flag shown;
  ScaleBarStyle style;
};
constexpr std::array<ScaleBarRadio, 4> kScaleBarRadios{{
    {M::kScaleBarOff, Flag::kOff, ScaleBarStyle::kPlain},
    {M::kScaleBarPlain, Flag::kOn, ScaleBarStyle::kPlain},
    {M::kScaleBarHistogram, Flag::kOn, ScaleBarStyle::kHistogram},
    {M::kScaleBarNumbers, Flag::kOn, ScaleBarStyle::kNumbers},
}};
const ScaleBarRadio* findScaleBarRadio(int id) {
  for (const ScaleBarRadio& r : kScaleBarRadios)
    if (r.id == id) return &r;
  return nullptr;
}
bool scaleBarChecked(const Settings& s, const ScaleBarRadio& r) {
  if (r.shown == Flag::kOff) return s.scaleBarShown == Flag::kOff;
  return s.scaleBarShown != Flag::kOff && s.scaleBarStyle == r.style;
}

// The boundaries and rivers rows: black, grey and white in that order.
constexpr std::array<int, 3> kBoundaryRadios{M::kBoundariesBlack, M::kBoundariesGrey, M::kBoundariesWhite};
constexpr std::array<int, 3> kRiverRadios{M::kRiversBlack, M::kRiversGrey, M::kRiversWhite};
int positionIn(const std::array<int, 3>& row, int id) {
  const auto it = std::find(row.begin(), row.end(), id);
  return it == row.end() ? -1 : static_cast<int>(it - row.begin());
}

// At most `n` bytes, never ending inside a UTF-8 sequence.
std::string cutUtf8(const std::string& text, std::size_t n) {
  if (text.size() <= n) return text;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

}  // namespace

const char* mapControlName(int id) {
  static constexpr std::array<const char*, 66> kNames{"monoLog",         "monoLin",           "sixteen",
                                                      "dark256",         "light256",          "fixedLimit",
                                                      "equalInterval",   "equalFrequency",    "maxSeparate",
                                                      "maxSpot",         "scaleColours",      "scaleNumbers",
                                                      "scaleBarOff",     "scaleBarPlain",     "scaleBarHistogram",
                                                      "scaleBarNumbers", "fillFrameCoast",    "fillGreys",
                                                      "fillGreenBlue",   "fillBrown",         "backgroundBlack",
                                                      "backgroundGrey",  "backgroundWhite",   "frame",
                                                      "frameBlack",      "frameGrey",         "frameWhite",
                                                      "coarseGrid",      "coarseBlack",       "coarseGrey",
                                                      "coarseWhite",     "fineGrid",          "fineBlack",
                                                      "fineGrey",        "fineWhite",         "coast",
                                                      "coastBlack",      "coastGrey",         "coastWhite",
                                                      "coastBlackWhite", "numbersBlack",      "numbersGrey",
                                                      "numbersWhite",    "boundaries",        "boundariesBlack",
                                                      "boundariesGrey",  "boundariesWhite",   "rivers",
                                                      "riversBlack",     "riversGrey",        "riversWhite",
                                                      "spots",           "crosses",           "lines",
                                                      "writeTitle",      "scalableTitle",     "titleText",
                                                      "seedAndSelected", "seedOnly",          "noAreas",
                                                      "defaultsDark",    "defaultsLight",     "rampStandard",
                                                      "rampColourBlind", "residualsAsScores", "residualsDiverging"};
  static_assert(static_cast<std::size_t>(mopt::kResidualsDiverging) == kNames.size(),
                "one name per control, in declaration order");
  return id >= 1 && id <= static_cast<int>(kNames.size()) ? kNames[static_cast<std::size_t>(id - 1)] : "";
}

MapOptionsFacts mapOptionsFacts(const Session& s, const Palette& p) {
  MapOptionsFacts f;
  f.paletteSize = p.size;
  f.zoomed = s.zoomed;
  f.britain = s.grid().denseFineGrid();
  // The overlay displays write their own title lines.
  const MeasureCode code = s.map.measureCode;
  f.titleEditable =
      !(code == kCodeOverlay || (code == kCodeImportedScores && (s.map.importKind == kImportForegroundBackground ||
                                                                 s.map.importKind == kImportThreeAxis)));
  return f;
}

MapOptionsModel::MapOptionsModel(const Settings& current, std::string t, const MapOptionsFacts& f)
    : opened(current), settings(current), facts(f), openedTitle(t), title(std::move(t)) {
  palette_.size = facts.paletteSize;
}

bool MapOptionsModel::checked(int id) const {
  const Settings& s = settings;
  if (const Radio* r = findRadio(kColourModeRadios, id)) return s.colourMode == r->value;
  if (const Radio* r = findRadio(kMapRadios, id)) return r->field.get(s) == r->value;
  if (const Check* c = findCheck(kMapChecks, id)) return isChecked(s, *c);
  if (const int at = positionIn(kBoundaryRadios, id); at >= 0) return at == boundariesColour_;
  if (const int at = positionIn(kRiverRadios, id); at >= 0) return at == riversColour_;
  if (const ScaleBarRadio* r = findScaleBarRadio(id)) return scaleBarChecked(s, *r);
  if (const RampRadio* r = findRampRadio(id)) return hasRamp(s.mapPalette, r->bit) == r->on;
  switch (id) {
    case M::kFillFrameCoast: return s.fillFrameCoast != Flag::kOff;
    case M::kScaleColours: return scaleColours(s);
    case M::kScaleNumbers: return scaleNumbers(s);
    default: return false;  // boundaries and rivers never stay ticked
  }
}

bool MapOptionsModel::enabled(int id) const {
  switch (id) {
    case M::kFillFrameCoast:
      // Clearing stays possible whatever the mode.
      return (isColour256Mode(settings.colourMode) && !facts.zoomed) || settings.fillFrameCoast != Flag::kOff;
    case M::kTitleText: return facts.titleEditable;
    default: return true;
  }
}

void MapOptionsModel::setChecked(int id, bool on) {
  if (!enabled(id)) return;
  Settings& s = settings;
  if (const Check* c = findCheck(kMapChecks, id)) {
    store(s, *c, on);
    return;
  }
  switch (id) {
    case M::kFillFrameCoast: chooseFillFrameCoast(s, on, facts.zoomed); return;
    case M::kScaleColours:
    case M::kScaleNumbers: {
      bool colours = scaleColours(s), numbers = scaleNumbers(s);
      (id == M::kScaleColours ? colours : numbers) = on;
      if (!colours && !numbers) return;  // one of the two stays ticked
      s.coloursAndNumbers = colours && numbers ? CellLabels::kColoursAndNumbers
                            : colours          ? CellLabels::kColours
                                               : CellLabels::kNumbers;
      return;
    }
    case M::kBoundaries:
    case M::kRivers: return;  // nothing is drawn: the boxes clear themselves
    default: break;
  }
  if (!on) return;
  if (const Radio* mode = findRadio(kColourModeRadios, id)) {
    chooseColourMode(s, mode->value, palette_);
  } else if (const Radio* r = findRadio(kMapRadios, id)) {
    r->field.set(s, r->value);
  } else if (const RampRadio* ramp = findRampRadio(id)) {
    s.mapPalette = withRamp(s.mapPalette, ramp->bit, ramp->on);
  } else if (const int at = positionIn(kBoundaryRadios, id); at >= 0) {
    boundariesColour_ = at;
  } else if (const int at = positionIn(kRiverRadios, id); at >= 0) {
    riversColour_ = at;
  } else if (const ScaleBarRadio* bar = findScaleBarRadio(id)) {
    s.scaleBarShown = bar->shown;
    s.scaleBarStyle = bar->style;
  }
}

void MapOptionsModel::setTitle(const std::string& text) {
  if (facts.titleEditable) title = cutUtf8(text, kMapTitleEditLength);
}

void MapOptionsModel::chooseDefaults(bool light) {
  settings.lightDefaults = flagOf(light);
  setDefaults(settings, facts.zoomed, facts.britain);
  defaultsChosen = true;
}

MapOptionsChanges MapOptionsModel::changes() const {
  MapOptionsChanges c;
  c.palette = settings.colourMode != opened.colourMode || settings.maxNotSeparate != opened.maxNotSeparate ||
              settings.mapPalette != opened.mapPalette;
  c.reclass = c.palette || settings.scaleType != opened.scaleType;
  c.title = title != openedTitle;
  c.any = c.title || (defaultsChosen ? settings != opened : slotsDiffer(kMapSlots, settings, opened));
  return c;
}

void MapOptionsModel::apply(Settings& target, MapRecord& map) const {
  if (defaultsChosen) {
    // The default set rewrites the whole record, but the excluded data level
    // belongs to the preselection the data are counted with, and the zoom
    // flag to the zoom mode in force.
    const std::int32_t level = target.excludedLevel;
    const Flag armed = target.zoomArmed;
    target = settings;
    target.excludedLevel = level;
    target.zoomArmed = armed;
  } else {
    copySlots(kMapSlots, settings, target);
  }
  if (title != openedTitle) map.title = title;
}

// ---------------------------------------------------------------------------
// Map info

std::vector<InfoRow> mapInfoRows(const MapRecord& m) {
  std::vector<InfoRow> rows{
      {"Measure:", m.title},
      {"Data:", m.dataTitle},
      {"Datafile:", m.fileName},
      {"Subgroup:", m.groupCode.empty() ? "all subgroups" : m.groupCode},
      {"Data level:", strprintf("%d and above", m.excludedLevel + 1)},
      {"Taxa counted:", strprintf("%d", m.taxaCounted)},
      {"Included taxa:", strprintf("%d", m.includedTaxa)},
      {"Occupied cells:", strprintf("%d", m.occupiedCells)},
      {"Records:", strprintf("%d", m.records)},
      {"Map maximum:", strprintf("%.6g", m.mapMaximum)},
      {"Scale limit:", strprintf("%.6g", m.scaleLimit)},
  };
  if (m.scoreOffset != 0.0) rows.emplace_back("Score offset:", strprintf("%.6g", m.scoreOffset));
  rows.emplace_back("Mean passes:", strprintf("%d", m.meanPasses));
  rows.emplace_back("Smoothing passes:", strprintf("%d", m.smoothPasses));
  if (!m.importedName.empty()) rows.emplace_back("Imported scores:", m.importedName);
  rows.emplace_back("Measure code:", strprintf("%d", m.measureCode));
  return rows;
}

MapInfoModel::MapInfoModel(const MapRecord& foreground, const MapRecord& background, bool costPresent,
                           bool threatPresent, bool swapAllowed_)
    : shown(foreground),
      hidden(background),
      costData(costPresent),
      threatData(threatPresent),
      swapAllowed(swapAllowed_) {}

void MapInfoModel::pressSwap() {
  if (!swapAllowed) return;
  std::swap(shown, hidden);
  swapRequested = !swapRequested;
}

}  // namespace zn
