#include "shell/options.h"

#include <algorithm>
#include <array>

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
  int value;
};

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

constexpr std::array<Radio, 26> kToolRadios{{
    {T::kRarityDifference, settingsField<&Settings::rarityFormula>(), 0},
    {T::kRarityInverse, settingsField<&Settings::rarityFormula>(), 1},
    {T::kRarityInverseSquare, settingsField<&Settings::rarityFormula>(), 2},
    {T::kLargeRanges, settingsField<&Settings::rangeCentreWeighting>(), 1},
    {T::kSmallRanges, settingsField<&Settings::rangeCentreWeighting>(), 2},
    {T::kNeighbourhood9, settingsField<&Settings::neighbourhoodSize>(), 9},
    {T::kNeighbourhood25, settingsField<&Settings::neighbourhoodSize>(), 25},
    {T::kSmoothMedian, settingsField<&Settings::smoothByMean>(), 0},
    {T::kSmoothMean, settingsField<&Settings::smoothByMean>(), 1},
    {T::kHotspotRichness, settingsField<&Settings::hotspotKind>(), static_cast<int>(HotspotKind::kRichness)},
    {T::kHotspotRarity, settingsField<&Settings::hotspotKind>(), static_cast<int>(HotspotKind::kRarity)},
    {T::kHotspotRareQuartile, settingsField<&Settings::hotspotKind>(), static_cast<int>(HotspotKind::kRareQuartile)},
    {T::kHotspotThreshold, settingsField<&Settings::hotspotKind>(), static_cast<int>(HotspotKind::kThreshold)},
    {T::kHotspotResiduals, settingsField<&Settings::hotspotKind>(), static_cast<int>(HotspotKind::kResiduals)},
    {T::kReorderRichness, settingsField<&Settings::reordering>(), static_cast<int>(Reordering::kByRichness)},
    {T::kReorderRarity, settingsField<&Settings::reordering>(), static_cast<int>(Reordering::kByRarity)},
    {T::kReorderThreat, settingsField<&Settings::reordering>(), static_cast<int>(Reordering::kByThreat)},
    {T::kTieLowestCell, settingsField<&Settings::lastTieRandom>(), 0},
    {T::kTieRandom, settingsField<&Settings::lastTieRandom>(), 1},
    {T::kGreedyRichness, settingsField<&Settings::greedyByRarity>(), 0},
    {T::kGreedyRarity, settingsField<&Settings::greedyByRarity>(), 1},
    {T::kSingleTail, settingsField<&Settings::twoTailed>(), 0},
    {T::kTwoTail, settingsField<&Settings::twoTailed>(), 1},
    // The flexibility map spreads over three fields; see flexibilityChoice().
    {T::kMapByOrder, settingsField<&Settings::flexibilityMap>(), 0},
    {T::kMapIrreplaceable, settingsField<&Settings::flexibilityMap>(), 1},
    {T::kMapPartial, settingsField<&Settings::flexibilityMap>(), 2},
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
  if (s.flexibilityMap == 0) return T::kMapByOrder;
  if (s.mapAllFlexible != 0) return T::kMapAllFlexible;
  if (s.flexibilityPartial != 0) return T::kMapPartial;
  return T::kMapIrreplaceable;
}

void setFlexibilityChoice(Settings& s, int id) {
  s.flexibilityMap = id == T::kMapByOrder ? 0 : 1;
  s.flexibilityPartial = id == T::kMapPartial ? 1 : 0;
  s.mapAllFlexible = id == T::kMapAllFlexible ? 1 : 0;
}

bool isFlexibilityRadio(int id) { return id >= T::kMapByOrder && id <= T::kMapAllFlexible; }

}  // namespace

// ---------------------------------------------------------------------------
// Tools options

ToolsOptionsFacts toolsOptionsFacts(Session& s, bool threatPresent) {
  ToolsOptionsFacts f;
  f.candidateCells = countCandidateCells(s);
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
  if (!facts.costPresent) s.optimiseByCost = 0;
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
    {M::kFixedLimit, settingsField<&Settings::scaleType>(), kFixedLimit},
    {M::kEqualInterval, settingsField<&Settings::scaleType>(), kEqualInterval},
    {M::kEqualFrequency, settingsField<&Settings::scaleType>(), kEqualFrequency},
    {M::kFillGreys, settingsField<&Settings::fillColours>(), 0},
    {M::kFillBrown, settingsField<&Settings::fillColours>(), 2},
    {M::kFillGreenBlue, settingsField<&Settings::fillColours>(), 1},
    {M::kBackgroundBlack, settingsField<&Settings::backgroundColour>(), 1},
    {M::kBackgroundGrey, settingsField<&Settings::backgroundColour>(), 0},
    {M::kBackgroundWhite, settingsField<&Settings::backgroundColour>(), 2},
    {M::kFrameBlack, settingsField<&Settings::frameColour>(), 1},
    {M::kFrameGrey, settingsField<&Settings::frameColour>(), 0},
    {M::kFrameWhite, settingsField<&Settings::frameColour>(), 2},
    {M::kCoarseBlack, settingsField<&Settings::coarseGridColour>(), 1},
    {M::kCoarseGrey, settingsField<&Settings::coarseGridColour>(), 0},
    {M::kCoarseWhite, settingsField<&Settings::coarseGridColour>(), 2},
    {M::kFineBlack, settingsField<&Settings::fineGridColour>(), 1},
    {M::kFineGrey, settingsField<&Settings::fineGridColour>(), 0},
    {M::kFineWhite, settingsField<&Settings::fineGridColour>(), 2},
    {M::kCoastBlack, settingsField<&Settings::coastColour>(), 2},
    {M::kCoastGrey, settingsField<&Settings::coastColour>(), 0},
    {M::kCoastWhite, settingsField<&Settings::coastColour>(), 1},
    {M::kCoastBlackWhite, settingsField<&Settings::coastColour>(), 3},
    {M::kNumbersBlack, settingsField<&Settings::numbersColour>(), 2},
    {M::kNumbersGrey, settingsField<&Settings::numbersColour>(), 1},
    {M::kNumbersWhite, settingsField<&Settings::numbersColour>(), 0},
    {M::kSpots, settingsField<&Settings::fineGridStyle>(), 0},
    {M::kCrosses, settingsField<&Settings::fineGridStyle>(), 1},
    {M::kLines, settingsField<&Settings::fineGridStyle>(), 2},
    {M::kSeedAndSelected, settingsField<&Settings::selectedAreasDisplay>(), 2},
    {M::kSeedOnly, settingsField<&Settings::selectedAreasDisplay>(), 1},
    {M::kNoAreas, settingsField<&Settings::selectedAreasDisplay>(), 0},
}};

constexpr std::array<Radio, 5> kColourModeRadios{{
    {M::kMonoLog, settingsField<&Settings::colourMode>(), kMonoLog},
    {M::kMonoLin, settingsField<&Settings::colourMode>(), kMonoLin},
    {M::kSixteen, settingsField<&Settings::colourMode>(), kSixteenColour},
    {M::kDark256, settingsField<&Settings::colourMode>(), kDarkColour},
    {M::kLight256, settingsField<&Settings::colourMode>(), kLightColour},
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
bool scaleColours(const Settings& s) { return s.coloursAndNumbers != 2; }
bool scaleNumbers(const Settings& s) { return s.coloursAndNumbers == 1 || s.coloursAndNumbers == 2; }

bool isBoundaryRadio(int id) { return id >= M::kBoundariesBlack && id <= M::kBoundariesWhite; }
bool isRiverRadio(int id) { return id >= M::kRiversBlack && id <= M::kRiversWhite; }

// At most `n` bytes, never ending inside a UTF-8 sequence.
std::string cutUtf8(const std::string& text, std::size_t n) {
  if (text.size() <= n) return text;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

}  // namespace

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
  if (isBoundaryRadio(id)) return id - M::kBoundariesBlack == boundariesColour_;
  if (isRiverRadio(id)) return id - M::kRiversBlack == riversColour_;
  if (const RampRadio* r = findRampRadio(id)) return hasRamp(s.mapPalette, r->bit) == r->on;
  switch (id) {
    case M::kFillFrameCoast: return s.fillFrameCoast != 0;
    case M::kScaleColours: return scaleColours(s);
    case M::kScaleNumbers: return scaleNumbers(s);
    case M::kScaleBarOff: return s.scaleBarShown == 0;
    case M::kScaleBarPlain: return s.scaleBarShown != 0 && s.scaleBarStyle == 0;
    case M::kScaleBarHistogram: return s.scaleBarShown != 0 && s.scaleBarStyle == 1;
    case M::kScaleBarNumbers: return s.scaleBarShown != 0 && s.scaleBarStyle == 2;
    default: return false;  // boundaries and rivers never stay ticked
  }
}

bool MapOptionsModel::enabled(int id) const {
  switch (id) {
    case M::kFillFrameCoast:
      // Clearing stays possible whatever the mode.
      return (isColour256Mode(settings.colourMode) && !facts.zoomed) || settings.fillFrameCoast != 0;
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
      s.coloursAndNumbers = colours && numbers ? 1 : colours ? 0 : 2;
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
  } else if (isBoundaryRadio(id)) {
    boundariesColour_ = id - M::kBoundariesBlack;
  } else if (isRiverRadio(id)) {
    riversColour_ = id - M::kRiversBlack;
  } else if (id >= M::kScaleBarOff && id <= M::kScaleBarNumbers) {
    s.scaleBarShown = id == M::kScaleBarOff ? 0 : 1;
    s.scaleBarStyle = id == M::kScaleBarOff ? 0 : id - M::kScaleBarPlain;
  }
}

void MapOptionsModel::setTitle(const std::string& text) {
  if (facts.titleEditable) title = cutUtf8(text, kMapTitleEditLength);
}

void MapOptionsModel::chooseDefaults(bool light) {
  settings.lightDefaults = light ? 1 : 0;
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
    const std::int32_t level = target.excludedLevel, armed = target.zoomArmed;
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
