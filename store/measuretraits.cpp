#include "store/measuretraits.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "store/analysisdata.h"

namespace zn {

namespace {

constexpr SettingsField kRarityReads[] = {settingsField<&Settings::rarityFormula>()};
constexpr SettingsField kRangeCentreReads[] = {settingsField<&Settings::rangeCentreWeighting>()};
constexpr SettingsField kThresholdReads[] = {settingsField<&Settings::rangeSizeThreshold>()};
constexpr SettingsField kResidualReads[] = {settingsField<&Settings::smoothByMean>()};
constexpr SettingsField kHotspotReads[] = {settingsField<&Settings::hotspotKind>()};
constexpr SettingsField kNearMinimumReads[] = {
    settingsField<&Settings::rejectRedundant>(), settingsField<&Settings::reordering>(),
    settingsField<&Settings::nearMinimumGoal>(), settingsField<&Settings::flexibilityMap>(),
    settingsField<&Settings::optimiseByCost>(),  settingsField<&Settings::flexibilityPartial>(),
    settingsField<&Settings::includeSeeds>(),    settingsField<&Settings::extraTieBreaks>(),
    settingsField<&Settings::mapAllFlexible>(),  settingsField<&Settings::lastTieRandom>()};
constexpr SettingsField kGreedyReads[] = {
    settingsField<&Settings::greedyRejectRedundant>(), settingsField<&Settings::greedyByRarity>(),
    settingsField<&Settings::greedyGoal>(), settingsField<&Settings::greedyIncludeSeeds>()};

// One bit per trait a row declares; a row without bits is a plain score
// map: invertible, smoothable, following nothing.
enum : unsigned {
  kCounts = 1u << 0,        // counts until a pass changes them
  kCountsAlways = 1u << 1,  // counts even after passes
  kCategory = 1u << 2,
  kMaxLevelSpots = 1u << 3,
  kOverlay = 1u << 4,
  kLargeSpots = 1u << 5,
  kItalicTitle = 1u << 6,
  kMedianNumbers = 1u << 7,
  kNoTitle = 1u << 8,
  kNotInvertible = 1u << 9,
  kNotSmoothable = 1u << 10,
  kMeanable = 1u << 11,
  kDependsOnSet = 1u << 12,
  kRecomputesItself = 1u << 13,
  kAreaSelection = 1u << 14,
  kNeedsHierarchy = 1u << 15,
  kNeedsQuantitative = 1u << 16,
  kNeedsAdjacency = 1u << 17,
  kNeedsFixedGrid = 1u << 18,
  kNeedsLevels = 1u << 19,
};

// A map of areas an analysis chose: ranks, not scores to pass over.
constexpr unsigned kChosenAreas = kCategory | kNotInvertible | kNotSmoothable;

struct Row {
  MeasureCode code;
  unsigned bits;
  std::span<const SettingsField> reads;
  const char* title = nullptr;
  MapReading reading = MapReading::Scores;
};

constexpr Row kRows[] = {
    {kCodeNone, kCategory | kNotSmoothable, {}},
    {kCodeRichness, kCounts | kDependsOnSet, {}},
    {kCodeRangeSizeRarity, kMeanable | kDependsOnSet | kRecomputesItself, kRarityReads},
    {kCodeSubtreeLength, kMeanable | kDependsOnSet | kRecomputesItself | kNeedsHierarchy, {}},
    {kCodeRootDistance, kMeanable | kDependsOnSet | kRecomputesItself | kNeedsHierarchy, {}},
    {kCodeRareQuartile, kCounts | kDependsOnSet | kRecomputesItself, {}},
    {kCodeHotspots, kNotInvertible | kNotSmoothable | kAreaSelection, kHotspotReads, nullptr,
     MapReading::HotspotScores},
    {kCodeGreedy, kChosenAreas | kAreaSelection, kGreedyReads, nullptr, MapReading::ChoiceOrder},
    {kCodeNearMinimum, kChosenAreas | kLargeSpots | kAreaSelection, kNearMinimumReads, nullptr,
     MapReading::NearMinimumSet},
    {kCodeNearMaximumCoverage, kChosenAreas | kAreaSelection, {}, nullptr, MapReading::CoverageSet},
    {kCodeOverlay, kCategory | kOverlay | kNotInvertible | kNotSmoothable, {}},
    {kCodeRangeCentres, kCounts | kMeanable | kDependsOnSet | kRecomputesItself | kNeedsFixedGrid, kRangeCentreReads},
    {kCodeMedianRange, kDependsOnSet | kRecomputesItself, {}},
    {kCodeReservedFirstMean, kMeanable, {}},
    {static_cast<MeasureCode>(15), kMeanable, {}},
    {static_cast<MeasureCode>(16), kMeanable, {}},
    {static_cast<MeasureCode>(17), kMeanable, {}},
    {static_cast<MeasureCode>(18), kMeanable, {}},
    {kCodeReservedLastMean, kMeanable, {}},
    {kCodeReservedSelection20, kNotInvertible | kNotSmoothable | kAreaSelection, {}},
    {kCodeReservedSelection21, kNotInvertible | kNotSmoothable | kAreaSelection, {}},
    {kCodeSelectiveRichness, kCounts | kNotInvertible, {}},
    {kCodeRandomSets, kCategory | kNotInvertible, {}, "random area choices", MapReading::TimesChosen},
    // Shares of runs and replacement costs are few values, each worded in
    // the key.
    {kCodeSelectionFrequency, kCategory, {}, nullptr, MapReading::ShareOfRuns},
    {kCodeReplacementCost, kCategory, {}, "replacement cost (exact minimum set)", MapReading::ReplacementCost},
    {kCodeLevelN, kCounts | kNeedsLevels, {}},
    {kCodeMaxLevel, kCategory | kMaxLevelSpots | kNotInvertible | kNotSmoothable | kNeedsLevels, {}, "max data level"},
    {kCodeFlexibilityPlot,
     kCounts | kLargeSpots | kItalicTitle | kNotInvertible | kAreaSelection,
     {},
     nullptr,
     MapReading::FlexibilityPlot},
    {kCodeEmrIrreplaceability, kDependsOnSet, {}, nullptr, MapReading::LevelAndRange},
    {kCodeReorderedByRichness, kChosenAreas, {}, nullptr, MapReading::TaxaAdded},
    {kCodeMaxRarity, kDependsOnSet, {}, nullptr, MapReading::LevelAndRange},
    {kCodeRareThreshold, kCounts, kThresholdReads},
    {kCodeSelectedAreas, kCategory | kDependsOnSet, {}, "selected areas", MapReading::SelectedAreas},
    {kCodeResiduals, kNeedsFixedGrid, kResidualReads},
    {kCodeMedianQuantitative, kCountsAlways | kMedianNumbers | kNoTitle | kNeedsQuantitative | kNeedsLevels, {}},
    {kCodeFullyFlexible, kCategory | kAreaSelection, {}, nullptr, MapReading::FullyFlexible},
    {kCodeRepresentation, 0, {}, nullptr, MapReading::SetReport},
    {kCodeReorderedByThreat, kCategory, {}, "area set re-ordered by threat", MapReading::Threat},
};

constexpr MeasureTraits traitsOf(const Row& r) {
  MeasureTraits t;
  const auto has = [&r](unsigned bit) { return (r.bits & bit) != 0; };
  t.count = has(kCountsAlways) ? CountType::Always : has(kCounts) ? CountType::UntilTransformed : CountType::None;
  t.category = has(kCategory);
  t.maxLevelSpots = has(kMaxLevelSpots);
  t.overlay = has(kOverlay);
  t.largeSpots = has(kLargeSpots);
  t.italicTitle = has(kItalicTitle);
  t.medianNumbers = has(kMedianNumbers);
  t.noTitle = has(kNoTitle);
  t.invertible = !has(kNotInvertible);
  t.smoothable = !has(kNotSmoothable);
  t.meanable = has(kMeanable);
  t.dependsOnSet = has(kDependsOnSet);
  t.recomputesItself = has(kRecomputesItself);
  t.areaSelection = has(kAreaSelection);
  t.needsHierarchy = has(kNeedsHierarchy);
  t.needsQuantitative = has(kNeedsQuantitative);
  t.needsAdjacency = has(kNeedsAdjacency);
  t.needsFixedGrid = has(kNeedsFixedGrid);
  t.needsLevels = has(kNeedsLevels);
  t.reads = r.reads;
  if (r.title) t.title = r.title;
  t.reading = r.reading;
  return t;
}

constexpr std::size_t kTableSize = [] {
  std::size_t size = 0;
  for (const Row& r : kRows) size = std::max(size, static_cast<std::size_t>(r.code) + 1);
  return size;
}();

constexpr std::array<MeasureTraits, kTableSize> table() {
  std::array<MeasureTraits, kTableSize> t{};
  for (const Row& r : kRows) t[static_cast<std::size_t>(r.code)] = traitsOf(r);
  return t;
}

constexpr std::array<MeasureTraits, kTableSize> kTable = table();

}  // namespace

const MeasureTraits& measureTraits(MeasureCode code) {
  static const MeasureTraits plain{};
  const auto i = static_cast<std::size_t>(code);
  return i < kTable.size() ? kTable[i] : plain;
}

std::span<const SettingsField> settingsReadByMaps() {
  static const std::vector<SettingsField> fields = [] {
    std::vector<SettingsField> out;
    for (const MeasureTraits& t : kTable)
      for (SettingsField f : t.reads)
        if (std::find(out.begin(), out.end(), f) == out.end()) out.push_back(f);
    return out;
  }();
  return fields;
}

std::optional<std::string> measureRefusal(MeasureCode code, const AnalysisData& a) {
  const MeasureTraits& t = measureTraits(code);
  if (!a.data) return "no data are open";
  if (t.needsLevels && a.levels <= 0) return "needs the data levels of a datafile";
  if (t.needsQuantitative && !a.quantitative) return "needs quantitative data";
  if (t.needsHierarchy && !a.treeData) return "needs the taxa's code tree or ranks (genus, family) for 3 taxa or more";
  if (t.needsFixedGrid && !a.fixedGrid) return "needs the cells of a fixed grid";
  if (t.needsAdjacency && !a.fixedGrid && a.data->adjacency.empty()) return "needs the units' neighbours";
  return std::nullopt;
}

bool smoothingApplies(MeasureCode code, const AnalysisData& a) {
  if (!measureTraits(code).smoothable) return false;
  return (a.fixedGrid && a.geometry) || (a.data && !a.data->adjacency.empty());
}

}  // namespace zn
