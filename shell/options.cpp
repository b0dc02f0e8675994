#include "shell/options.h"

#include <algorithm>
#include <array>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "store/text.h"

namespace zn {

namespace T = topt;
namespace M = mopt;

namespace {

// A radio button: choosing it stores `value` in `slot`.
struct Radio {
  int id;
  int slot;
  int value;
};

// A check box over one slot; `inverted` slots store 0 when ticked.
struct Check {
  int id;
  int slot;
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

bool isChecked(const Settings& s, const Check& c) { return (s[c.slot] != 0) != c.inverted; }
void store(Settings& s, const Check& c, bool on) { s[c.slot] = (on != c.inverted) ? 1 : 0; }

template <std::size_t N>
void copySlots(const std::array<int, N>& slots, const Settings& from, Settings& to) {
  for (int slot : slots) to[slot] = from[slot];
}

template <std::size_t N>
bool slotsDiffer(const std::array<int, N>& slots, const Settings& a, const Settings& b) {
  return std::any_of(slots.begin(), slots.end(), [&](int slot) { return a[slot] != b[slot]; });
}

// ----- Tools options tables

constexpr std::array<Radio, 26> kToolRadios{{
    {T::kRarityDifference, kRarityFormula, 0},
    {T::kRarityInverse, kRarityFormula, 1},
    {T::kRarityInverseSquare, kRarityFormula, 2},
    {T::kLargeRanges, kRangeCentreWeighting, 1},
    {T::kSmallRanges, kRangeCentreWeighting, 2},
    {T::kNeighbourhood9, kNeighbourhoodSize, 9},
    {T::kNeighbourhood25, kNeighbourhoodSize, 25},
    {T::kSmoothMedian, kSmoothByMean, 0},
    {T::kSmoothMean, kSmoothByMean, 1},
    {T::kHotspotRichness, kHotspotKind, 0},
    {T::kHotspotRarity, kHotspotKind, 1},
    {T::kHotspotRareQuartile, kHotspotKind, 2},
    {T::kHotspotThreshold, kHotspotKind, 3},
    {T::kHotspotResiduals, kHotspotKind, 4},
    {T::kReorderRichness, kReordering, 1},
    {T::kReorderRarity, kReordering, 2},
    {T::kReorderThreat, kReordering, 4},
    {T::kTieLowestCell, kLastTieRandom, 0},
    {T::kTieRandom, kLastTieRandom, 1},
    {T::kGreedyRichness, kGreedyByRarity, 0},
    {T::kGreedyRarity, kGreedyByRarity, 1},
    {T::kSingleTail, kTwoTailed, 0},
    {T::kTwoTail, kTwoTailed, 1},
    // The flexibility map spreads over three slots; see flexibilityChoice().
    {T::kMapByOrder, kFlexibilityMap, 0},
    {T::kMapIrreplaceable, kFlexibilityMap, 1},
    {T::kMapPartial, kFlexibilityMap, 2},
}};

constexpr std::array<Check, 10> kToolChecks{{
    {T::kResidualsRelative, kResidualsNotRelative, true},
    {T::kMeasuresRelative, kRelativeToRichness, false},
    {T::kRejectRedundant, kRejectRedundant, false},
    {T::kIncludeSeeds, kIncludeSeeds, false},
    {T::kOptimiseCost, kOptimiseByCost, false},
    {T::kExtraTieBreaks, kExtraTieBreaks, false},
    {T::kGreedyReject, kGreedyRejectRedundant, false},
    {T::kGreedyIncludeSeeds, kGreedyIncludeSeeds, false},
    {T::kLongReports, kLongReports, false},
    {T::kBaseOnPresent, kBaseOnPresent, false},
}};

constexpr std::array<int, 26> kToolSlots{
    kRarityFormula,      kRangeCentreWeighting,  kNeighbourhoodSize,  kSmoothByMean,    kResidualsNotRelative,
    kRelativeToRichness, kRangeSizeThreshold,    kHotspotKind,        kRejectRedundant, kReordering,
    kNearMinimumGoal,    kGreedyRejectRedundant, kFlexibilityMap,     kGreedyByRarity,  kGreedyGoal,
    kOptimiseByCost,     kFlexibilityPartial,    kGreedyIncludeSeeds, kIncludeSeeds,    kLongReports,
    kExtraTieBreaks,     kBaseOnPresent,         kMapAllFlexible,     kTwoTailed,       kLastTieRandom,
    kExactTimeLimit};

constexpr int kGoalMax = 99;
constexpr int kNoReordering = 3;
constexpr int kReorderByThreat = 4;

// Which of 7041 … 7044 the three flexibility slots stand for.
int flexibilityChoice(const Settings& s) {
  if (s[kFlexibilityMap] == 0) return T::kMapByOrder;
  if (s[kMapAllFlexible] != 0) return T::kMapAllFlexible;
  if (s[kFlexibilityPartial] != 0) return T::kMapPartial;
  return T::kMapIrreplaceable;
}

void setFlexibilityChoice(Settings& s, int id) {
  s[kFlexibilityMap] = id == T::kMapByOrder ? 0 : 1;
  s[kFlexibilityPartial] = id == T::kMapPartial ? 1 : 0;
  s[kMapAllFlexible] = id == T::kMapAllFlexible ? 1 : 0;
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
    s[kRangeSizeThreshold] =
        std::clamp(s[kRangeSizeThreshold], std::min(2, facts.candidateCells), facts.candidateCells);
  s[kNearMinimumGoal] = std::clamp(s[kNearMinimumGoal], 1, kGoalMax);
  s[kGreedyGoal] = std::clamp(s[kGreedyGoal], 1, kGoalMax);
  if (!facts.costPresent) s[kOptimiseByCost] = 0;
  if (s[kReordering] == kReorderByThreat && !facts.threatPresent) s[kReordering] = 1;
  if (s[kNearMinimumGoal] > 1) s[kReordering] = kNoReordering;
  if (s[kExactTimeLimit] < 1 || s[kExactTimeLimit] > kExactTimeLimitMax) s[kExactTimeLimit] = kExactTimeLimitDefault;
}

bool ToolsOptionsModel::checked(int id) const {
  if (id == T::kCancelRerun) return cancelRerun;
  if (isFlexibilityRadio(id)) return flexibilityChoice(settings) == id;
  if (const Radio* r = findRadio(kToolRadios, id)) return settings[r->slot] == r->value;
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
  settings[r->slot] = r->value;
  // Every re-ordering is for a single representation.
  if (r->slot == kReordering) settings[kNearMinimumGoal] = 1;
}

std::pair<int, int> ToolsOptionsModel::numberRange(int id) const {
  if (id == T::kThreshold) return {1, std::max(1, facts.candidateCells)};
  if (id == T::kExactTimeLimit) return {1, kExactTimeLimitMax};
  return {1, kGoalMax};
}

int ToolsOptionsModel::number(int id) const {
  switch (id) {
    case T::kThreshold: return settings[kRangeSizeThreshold];
    case T::kGoal: return settings[kNearMinimumGoal];
    case T::kGreedyGoal: return settings[kGreedyGoal];
    case T::kExactTimeLimit: return settings[kExactTimeLimit];
    default: return 0;
  }
}

void ToolsOptionsModel::setNumber(int id, int value) {
  if (!enabled(id)) return;
  const auto [lo, hi] = numberRange(id);
  value = std::clamp(value, lo, hi);
  switch (id) {
    case T::kThreshold: settings[kRangeSizeThreshold] = value; break;
    case T::kGoal:
      settings[kNearMinimumGoal] = value;
      // Re-ordering and the flexibility classes need a goal of 1.
      if (value > 1) settings[kReordering] = kNoReordering;
      break;
    case T::kGreedyGoal: settings[kGreedyGoal] = value; break;
    case T::kExactTimeLimit: settings[kExactTimeLimit] = value; break;
    default: break;
  }
}

std::string ToolsOptionsModel::thresholdPercentText() const {
  const double pct = facts.candidateCells > 0 ? settings[kRangeSizeThreshold] * 100.0 / facts.candidateCells : 0.0;
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
    {M::kFixedLimit, kScaleType, 2},
    {M::kEqualInterval, kScaleType, 0},
    {M::kEqualFrequency, kScaleType, 1},
    {M::kFillGreys, kFillColours, 0},
    {M::kFillBrown, kFillColours, 2},
    {M::kFillGreenBlue, kFillColours, 1},
    {M::kBackgroundBlack, kBackgroundColour, 1},
    {M::kBackgroundGrey, kBackgroundColour, 0},
    {M::kBackgroundWhite, kBackgroundColour, 2},
    {M::kFrameBlack, kFrameColour, 1},
    {M::kFrameGrey, kFrameColour, 0},
    {M::kFrameWhite, kFrameColour, 2},
    {M::kCoarseBlack, kCoarseGridColour, 1},
    {M::kCoarseGrey, kCoarseGridColour, 0},
    {M::kCoarseWhite, kCoarseGridColour, 2},
    {M::kFineBlack, kFineGridColour, 1},
    {M::kFineGrey, kFineGridColour, 0},
    {M::kFineWhite, kFineGridColour, 2},
    {M::kCoastBlack, kCoastColour, 2},
    {M::kCoastGrey, kCoastColour, 0},
    {M::kCoastWhite, kCoastColour, 1},
    {M::kCoastBlackWhite, kCoastColour, 3},
    {M::kNumbersBlack, kNumbersColour, 2},
    {M::kNumbersGrey, kNumbersColour, 1},
    {M::kNumbersWhite, kNumbersColour, 0},
    {M::kSpots, kFineGridStyle, 0},
    {M::kCrosses, kFineGridStyle, 1},
    {M::kLines, kFineGridStyle, 2},
    {M::kSeedAndSelected, kSelectedAreasDisplay, 2},
    {M::kSeedOnly, kSelectedAreasDisplay, 1},
    {M::kNoAreas, kSelectedAreasDisplay, 0},
}};

constexpr std::array<Radio, 5> kColourModeRadios{{
    {M::kMonoLog, kColourMode, kMonoLog},
    {M::kMonoLin, kColourMode, kMonoLin},
    {M::kSixteen, kColourMode, kSixteenColour},
    {M::kDark256, kColourMode, kDarkColour},
    {M::kLight256, kColourMode, kLightColour},
}};

constexpr std::array<Check, 8> kMapChecks{{
    {M::kMaxSeparate, kMaxNotSeparate, true},
    {M::kMaxSpot, kMaxSpot, false},
    {M::kFrame, kFrameShown, false},
    {M::kCoarseGrid, kCoarseGridShown, false},
    {M::kFineGrid, kFineGridShown, false},
    {M::kCoast, kCoastShown, false},
    {M::kWriteTitle, kWriteTitle, false},
    {M::kScalableTitle, kScalableTitle, false},
}};

constexpr std::array<int, 24> kMapSlots{
    kColourMode,       kFrameShown,     kCoastShown,        kFillFrameCoast,  kFineGridShown, kWriteTitle,
    kScaleBarShown,    kScaleType,      kScaleBarStyle,     kFillColours,     kCoastColour,   kMaxNotSeparate,
    kBackgroundColour, kMaxSpot,        kColoursAndNumbers, kScalableTitle,   kFineGridStyle, kSelectedAreasDisplay,
    kNumbersColour,    kFineGridColour, kCoarseGridColour,  kCoarseGridShown, kFrameColour,   kMapPalette};

// The ramp radios: each pair sets or clears one bit of kMapPalette.
struct RampRadio {
  int id;
  int bit;
  bool on;
};
constexpr std::array<RampRadio, 4> kRampRadios{{
    {M::kRampStandard, kPaletteColourBlind, false},
    {M::kRampColourBlind, kPaletteColourBlind, true},
    {M::kResidualsAsScores, kPaletteDivergingResiduals, false},
    {M::kResidualsDiverging, kPaletteDivergingResiduals, true},
}};
const RampRadio* findRampRadio(int id) {
  for (const RampRadio& r : kRampRadios)
    if (r.id == id) return &r;
  return nullptr;
}

// Slot 36: 0 colours only, 1 colours and numbers, 2 numbers only.
bool scaleColours(const Settings& s) { return s[kColoursAndNumbers] != 2; }
bool scaleNumbers(const Settings& s) { return s[kColoursAndNumbers] == 1 || s[kColoursAndNumbers] == 2; }

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
  const int code = s.map.measureCode;
  f.titleEditable =
      !(code == kCodeOverlay ||
        (code == kCodeImportedScores && (s.map.importKind == kImportForegroundBackground || s.map.importKind == kImportThreeAxis)));
  return f;
}

MapOptionsModel::MapOptionsModel(const Settings& current, std::string t, const MapOptionsFacts& f)
    : opened(current), settings(current), facts(f), openedTitle(t), title(std::move(t)) {
  palette_.size = facts.paletteSize;
}

bool MapOptionsModel::checked(int id) const {
  const Settings& s = settings;
  if (const Radio* r = findRadio(kColourModeRadios, id)) return s[kColourMode] == r->value;
  if (const Radio* r = findRadio(kMapRadios, id)) return s[r->slot] == r->value;
  if (const Check* c = findCheck(kMapChecks, id)) return isChecked(s, *c);
  if (isBoundaryRadio(id)) return id - M::kBoundariesBlack == boundariesColour_;
  if (isRiverRadio(id)) return id - M::kRiversBlack == riversColour_;
  if (const RampRadio* r = findRampRadio(id)) return ((s[kMapPalette] & r->bit) != 0) == r->on;
  switch (id) {
    case M::kFillFrameCoast: return s[kFillFrameCoast] != 0;
    case M::kScaleColours: return scaleColours(s);
    case M::kScaleNumbers: return scaleNumbers(s);
    case M::kScaleBarOff: return s[kScaleBarShown] == 0;
    case M::kScaleBarPlain: return s[kScaleBarShown] != 0 && s[kScaleBarStyle] == 0;
    case M::kScaleBarHistogram: return s[kScaleBarShown] != 0 && s[kScaleBarStyle] == 1;
    case M::kScaleBarNumbers: return s[kScaleBarShown] != 0 && s[kScaleBarStyle] == 2;
    default: return false;  // boundaries and rivers never stay ticked
  }
}

bool MapOptionsModel::enabled(int id) const {
  switch (id) {
    case M::kFillFrameCoast:
      // Clearing stays possible whatever the mode.
      return (isColour256Mode(settings[kColourMode]) && !facts.zoomed) || settings[kFillFrameCoast] != 0;
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
      s[kColoursAndNumbers] = colours && numbers ? 1 : colours ? 0 : 2;
      return;
    }
    case M::kBoundaries:
    case M::kRivers: return;  // nothing is drawn: the boxes clear themselves
    default: break;
  }
  if (!on) return;
  if (const Radio* r = findRadio(kColourModeRadios, id)) {
    chooseColourMode(s, r->value, palette_);
  } else if (const Radio* r = findRadio(kMapRadios, id)) {
    s[r->slot] = r->value;
  } else if (const RampRadio* ramp = findRampRadio(id)) {
    s[kMapPalette] = ramp->on ? (s[kMapPalette] | ramp->bit) : (s[kMapPalette] & ~ramp->bit);
  } else if (isBoundaryRadio(id)) {
    boundariesColour_ = id - M::kBoundariesBlack;
  } else if (isRiverRadio(id)) {
    riversColour_ = id - M::kRiversBlack;
  } else if (id >= M::kScaleBarOff && id <= M::kScaleBarNumbers) {
    s[kScaleBarShown] = id == M::kScaleBarOff ? 0 : 1;
    s[kScaleBarStyle] = id == M::kScaleBarOff ? 0 : id - M::kScaleBarPlain;
  }
}

void MapOptionsModel::setTitle(const std::string& text) {
  if (facts.titleEditable) title = cutUtf8(text, kMapTitleEditLength);
}

void MapOptionsModel::chooseDefaults(bool light) {
  settings[kLightDefaults] = light ? 1 : 0;
  setDefaults(settings, facts.zoomed, facts.britain);
  defaultsChosen = true;
}

MapOptionsChanges MapOptionsModel::changes() const {
  MapOptionsChanges c;
  c.palette = settings[kColourMode] != opened[kColourMode] || settings[kMaxNotSeparate] != opened[kMaxNotSeparate] ||
              settings[kMapPalette] != opened[kMapPalette];
  c.reclass = c.palette || settings[kScaleType] != opened[kScaleType];
  c.title = title != openedTitle;
  c.any = c.title || (defaultsChosen ? settings.slots != opened.slots : slotsDiffer(kMapSlots, settings, opened));
  return c;
}

void MapOptionsModel::apply(Settings& target, MapRecord& map) const {
  if (defaultsChosen) {
    // The default set rewrites the whole record, but the excluded data level
    // belongs to the preselection the data are counted with, and the zoom
    // flag to the zoom mode in force.
    const std::int32_t level = target[kExcludedLevel], armed = target[kZoomArmed];
    target = settings;
    target[kExcludedLevel] = level;
    target[kZoomArmed] = armed;
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
