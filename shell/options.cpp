#include "shell/options.h"
#include "shell/optionstable.h"

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

bool controlChecked(const Settings& s, const Control& c) {
  switch (c.kind) {
    case Control::Radio: return c.field.get(s) == c.value;
    case Control::Check: return c.field.get(s) != 0;
    case Control::InvertedCheck: return c.field.get(s) == 0;
    default: return false;
  }
}

bool storeControl(Settings& s, const Control& c, bool on) {
  switch (c.kind) {
    case Control::Radio:
      if (on) c.field.set(s, c.value);  // a radio is cleared only by choosing another
      return true;
    case Control::Check: c.field.set(s, on ? 1 : 0); return true;
    case Control::InvertedCheck: c.field.set(s, on ? 0 : 1); return true;
    default: return false;
  }
}

namespace {

template <std::size_t N>
void copySlots(const std::array<SettingsField, N>& fields, const Settings& from, Settings& to) {
  for (SettingsField f : fields) f.set(to, f.get(from));
}

template <std::size_t N>
bool slotsDiffer(const std::array<SettingsField, N>& fields, const Settings& a, const Settings& b) {
  return std::any_of(fields.begin(), fields.end(), [&](SettingsField f) { return f.get(a) != f.get(b); });
}

// ----- Tools options tables

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

}  // namespace

// ---------------------------------------------------------------------------
// Tools options

const std::vector<Control>& toolsControls() {
  static const std::vector<Control> kAll{T::kRarityDifference,
                                         T::kRarityInverse,
                                         T::kRarityInverseSquare,
                                         T::kLargeRanges,
                                         T::kSmallRanges,
                                         T::kNeighbourhood9,
                                         T::kNeighbourhood25,
                                         T::kSmoothMedian,
                                         T::kSmoothMean,
                                         T::kResidualsRelative,
                                         T::kMeasuresRelative,
                                         T::kHotspotRichness,
                                         T::kHotspotRarity,
                                         T::kHotspotRareQuartile,
                                         T::kHotspotThreshold,
                                         T::kHotspotResiduals,
                                         T::kThreshold,
                                         T::kThresholdPercent,
                                         T::kGoal,
                                         T::kReorderRichness,
                                         T::kReorderRarity,
                                         T::kReorderThreat,
                                         T::kRejectRedundant,
                                         T::kIncludeSeeds,
                                         T::kOptimiseCost,
                                         T::kExtraTieBreaks,
                                         T::kTieLowestCell,
                                         T::kTieRandom,
                                         T::kExactTimeLimit,
                                         T::kMapByOrder,
                                         T::kMapIrreplaceable,
                                         T::kMapPartial,
                                         T::kMapAllFlexible,
                                         T::kGreedyRichness,
                                         T::kGreedyRarity,
                                         T::kGreedyGoal,
                                         T::kGreedyReject,
                                         T::kGreedyIncludeSeeds,
                                         T::kSingleTail,
                                         T::kTwoTail,
                                         T::kLongReports,
                                         T::kBaseOnPresent,
                                         T::kCancelRerun};
  return kAll;
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
  for (const Control& c : {T::kGoal, T::kGreedyGoal}) {
    const auto [low, high] = optionRange(c);
    c.field.set(s, std::clamp(c.field.get(s), low, high));
  }
  if (!facts.costPresent) s.optimiseByCost = Flag::kOff;
  if (s.reordering == Reordering::kByThreat && !facts.threatPresent) s.reordering = Reordering::kByRichness;
  applyOptionTie(s, T::kGoal);
  s.exactTimeLimit = TimeLimit::optionSeconds(s.exactTimeLimit);
}

bool ToolsOptionsModel::checked(const Control& c) const {
  if (c == T::kCancelRerun) return cancelRerun;
  return optionChecked(settings, c);
}

bool ToolsOptionsModel::enabled(const Control& c) const {
  if (c == T::kOptimiseCost) return facts.costPresent;
  if (c == T::kReorderThreat) return facts.threatPresent;
  if (c == T::kThreshold || c == T::kThresholdPercent) return facts.candidateCells >= 1;
  return true;
}

void ToolsOptionsModel::setChecked(const Control& c, bool on) {
  if (!enabled(c)) return;
  if (c == T::kCancelRerun) cancelRerun = on;
  else chooseOption(settings, c, on);
}

std::pair<int, int> ToolsOptionsModel::numberRange(const Control& c) const {
  if (c == T::kThreshold) return {1, std::max(1, facts.candidateCells)};
  return optionRange(c);
}

int ToolsOptionsModel::number(const Control& c) const { return c.kind == Control::Number ? c.field.get(settings) : 0; }

void ToolsOptionsModel::setNumber(const Control& c, int value) {
  if (c.kind != Control::Number || !enabled(c)) return;
  const auto [lo, hi] = numberRange(c);
  setOptionNumber(settings, c, std::clamp(value, lo, hi));
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
  Control control;
  MapPalette bit;
  bool on;
};
constexpr std::array<RampRadio, 4> kRampRadios{{
    {M::kRampStandard, MapPalette::kColourBlind, false},
    {M::kRampColourBlind, MapPalette::kColourBlind, true},
    {M::kResidualsAsScores, MapPalette::kDivergingResiduals, false},
    {M::kResidualsDiverging, MapPalette::kDivergingResiduals, true},
}};

template <class Row, std::size_t N>
const Row* findRow(const std::array<Row, N>& table, const Control& c) {
  for (const Row& r : table)
    if (r.control == c) return &r;
  return nullptr;
}

// coloursAndNumbers: 0 colours only, 1 colours and numbers, 2 numbers only.
bool scaleColours(const Settings& s) { return s.coloursAndNumbers != CellLabels::kNumbers; }
bool scaleNumbers(const Settings& s) {
  return s.coloursAndNumbers == CellLabels::kColoursAndNumbers || s.coloursAndNumbers == CellLabels::kNumbers;
}

// The scale bar radios: shown or not, and what the bar draws when shown.
struct ScaleBarRadio {
  Control control;
  Flag shown;
  ScaleBarStyle style;
};
constexpr std::array<ScaleBarRadio, 4> kScaleBarRadios{{
    {M::kScaleBarOff, Flag::kOff, ScaleBarStyle::kPlain},
    {M::kScaleBarPlain, Flag::kOn, ScaleBarStyle::kPlain},
    {M::kScaleBarHistogram, Flag::kOn, ScaleBarStyle::kHistogram},
    {M::kScaleBarNumbers, Flag::kOn, ScaleBarStyle::kNumbers},
}};
bool scaleBarChecked(const Settings& s, const ScaleBarRadio& r) {
  if (r.shown == Flag::kOff) return s.scaleBarShown == Flag::kOff;
  return s.scaleBarShown != Flag::kOff && s.scaleBarStyle == r.style;
}

// The boundaries and rivers rows: black, grey and white in that order.
constexpr std::array<Control, 3> kBoundaryRadios{M::kBoundariesBlack, M::kBoundariesGrey, M::kBoundariesWhite};
constexpr std::array<Control, 3> kRiverRadios{M::kRiversBlack, M::kRiversGrey, M::kRiversWhite};
int positionIn(const std::array<Control, 3>& row, const Control& c) {
  const auto it = std::find(row.begin(), row.end(), c);
  return it == row.end() ? -1 : static_cast<int>(it - row.begin());
}

// At most `n` bytes, never ending inside a UTF-8 sequence.
std::string cutUtf8(const std::string& text, std::size_t n) {
  if (text.size() <= n) return text;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

}  // namespace

const std::vector<Control>& mapControls() {
  static const std::vector<Control> kAll{M::kMonoLog,         M::kMonoLin,           M::kSixteen,
                                         M::kDark256,         M::kLight256,          M::kFixedLimit,
                                         M::kEqualInterval,   M::kEqualFrequency,    M::kMaxSeparate,
                                         M::kMaxSpot,         M::kScaleColours,      M::kScaleNumbers,
                                         M::kScaleBarOff,     M::kScaleBarPlain,     M::kScaleBarHistogram,
                                         M::kScaleBarNumbers, M::kFillFrameCoast,    M::kFillGreys,
                                         M::kFillGreenBlue,   M::kFillBrown,         M::kBackgroundBlack,
                                         M::kBackgroundGrey,  M::kBackgroundWhite,   M::kFrame,
                                         M::kFrameBlack,      M::kFrameGrey,         M::kFrameWhite,
                                         M::kCoarseGrid,      M::kCoarseBlack,       M::kCoarseGrey,
                                         M::kCoarseWhite,     M::kFineGrid,          M::kFineBlack,
                                         M::kFineGrey,        M::kFineWhite,         M::kCoast,
                                         M::kCoastBlack,      M::kCoastGrey,         M::kCoastWhite,
                                         M::kCoastBlackWhite, M::kNumbersBlack,      M::kNumbersGrey,
                                         M::kNumbersWhite,    M::kBoundaries,        M::kBoundariesBlack,
                                         M::kBoundariesGrey,  M::kBoundariesWhite,   M::kRivers,
                                         M::kRiversBlack,     M::kRiversGrey,        M::kRiversWhite,
                                         M::kSpots,           M::kCrosses,           M::kLines,
                                         M::kWriteTitle,      M::kScalableTitle,     M::kTitleText,
                                         M::kSeedAndSelected, M::kSeedOnly,          M::kNoAreas,
                                         M::kDefaultsDark,    M::kDefaultsLight,     M::kRampStandard,
                                         M::kRampColourBlind, M::kResidualsAsScores, M::kResidualsDiverging};
  return kAll;
}

MapOptionsFacts mapOptionsFacts(const Session& s, const Palette& p) {
  MapOptionsFacts f;
  f.paletteSize = p.size;
  f.zoomed = s.zoomed;
  f.britain = s.grid().denseFineGrid();
  // The overlay displays write their own title lines.
  const MeasureCode code = s.map.code();
  f.titleEditable =
      !(code == kCodeOverlay || (code == kCodeImportedScores && (s.map.importKind == kImportForegroundBackground ||
                                                                 s.map.importKind == kImportThreeAxis)));
  return f;
}

MapOptionsModel::MapOptionsModel(const Settings& current, std::string t, const MapOptionsFacts& f)
    : opened(current), settings(current), facts(f), openedTitle(t), title(std::move(t)) {
  palette_.size = facts.paletteSize;
}

bool MapOptionsModel::checked(const Control& c) const {
  const Settings& s = settings;
  if (const int at = positionIn(kBoundaryRadios, c); at >= 0) return at == boundariesColour_;
  if (const int at = positionIn(kRiverRadios, c); at >= 0) return at == riversColour_;
  if (const ScaleBarRadio* r = findRow(kScaleBarRadios, c)) return scaleBarChecked(s, *r);
  if (const RampRadio* r = findRow(kRampRadios, c)) return hasRamp(s.mapPalette, r->bit) == r->on;
  if (c == M::kFillFrameCoast) return s.fillFrameCoast != Flag::kOff;
  if (c == M::kScaleColours) return scaleColours(s);
  if (c == M::kScaleNumbers) return scaleNumbers(s);
  return controlChecked(s, c);  // boundaries and rivers never stay ticked
}

bool MapOptionsModel::enabled(const Control& c) const {
  // Clearing the fill stays possible whatever the mode.
  if (c == M::kFillFrameCoast)
    return (isColour256Mode(settings.colourMode) && !facts.zoomed) || settings.fillFrameCoast != Flag::kOff;
  if (c == M::kTitleText) return facts.titleEditable;
  return true;
}

void MapOptionsModel::setChecked(const Control& c, bool on) {
  if (!enabled(c)) return;
  Settings& s = settings;
  if (c == M::kFillFrameCoast) {
    chooseFillFrameCoast(s, on, facts.zoomed);
  } else if (c == M::kScaleColours || c == M::kScaleNumbers) {
    bool colours = scaleColours(s), numbers = scaleNumbers(s);
    (c == M::kScaleColours ? colours : numbers) = on;
    if (!colours && !numbers) return;  // one of the two stays ticked
    s.coloursAndNumbers = colours && numbers ? CellLabels::kColoursAndNumbers
                          : colours          ? CellLabels::kColours
                                             : CellLabels::kNumbers;
  } else if (!on) {
    // A radio is cleared only by choosing another; boundaries and rivers
    // draw nothing, so their boxes clear themselves.
    if (c.kind != Control::Radio) storeControl(s, c, on);
  } else if (c.kind == Control::Radio && c.field == settingsField<&Settings::colourMode>()) {
    chooseColourMode(s, c.value, palette_);
  } else if (const RampRadio* ramp = findRow(kRampRadios, c)) {
    s.mapPalette = withRamp(s.mapPalette, ramp->bit, ramp->on);
  } else if (const int at = positionIn(kBoundaryRadios, c); at >= 0) {
    boundariesColour_ = at;
  } else if (const int river = positionIn(kRiverRadios, c); river >= 0) {
    riversColour_ = river;
  } else if (const ScaleBarRadio* bar = findRow(kScaleBarRadios, c)) {
    s.scaleBarShown = bar->shown;
    s.scaleBarStyle = bar->style;
  } else {
    storeControl(s, c, on);
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
  rows.emplace_back("Measure code:", strprintf("%d", m.code()));
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
