// What each kind of map is, declared once: how its numbers are drawn, which
// passes and inversions it allows, whether it follows the area set, what it
// needs of the data and which settings it reads. An analysis of the menus
// declares the kind of the map it leaves in its own entry; the maps no
// analysis leaves (none, richness after a load, imports, overlays, the
// flexibility plot, the selected areas, the reserved codes) have their rows
// here. The map record carries its kind, so the renderer, the passes, the
// title builder and the GIS export read it there rather than by code.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "store/measurecode.h"
#include "store/settings.h"

namespace zn {

// How a map's scores count taxa.
enum class CountType {
  None,              // scores are not counts
  UntilTransformed,  // counts until a mean or smoothing pass changes them
  Always             // counts even after passes (the median of quantitative data)
};

// How a map's values read to the user: the map key's lines, the cell
// information lines and the GIS fields each follow the reading a code
// declares, so a new map that reads like an existing one touches none of
// them.
enum class MapReading {
  Scores,           // a measure's score and count
  HotspotScores,    // a measure's value on the chosen cells only
  ChoiceOrder,      // areas by order of choice (greedy)
  NearMinimumSet,   // order of choice, flexibility where it was assessed
  CoverageSet,      // as a near-minimum set; fully flexible groups when all are mapped
  FullyFlexible,    // groups of areas that stand in for one another
  FlexibilityPlot,  // goal-essential taxa of each area
  TimesChosen,      // random draws
  LevelAndRange,    // irreplaceability: the level and range that gave it
  TaxaAdded,        // re-ordered by richness
  Threat,           // re-ordered by threat
  ShareOfRuns,      // selection frequency
  ReplacementCost,  // extra areas of the exact minimum set's areas
  SelectedAreas,    // the area set alone
  SetReport         // the set the report is about, nothing per area
};

struct TitleSource;
struct MapRecord;

struct MeasureTraits {
  MeasureCode code = kCodeNone;       // the number the map record and the options file keep
  CountType count = CountType::None;  // numbers in cells, max spots, "%d" scale labels
  bool category = false;              // classes are ranks or categories: no scale numbers
  bool maxLevelSpots = false;         // spots coloured by the highest data level
  bool overlay = false;               // the overlay display draws the cells itself
  bool largeSpots = false;            // spots inset by a third
  bool italicTitle = false;
  bool medianNumbers = false;  // numbers are the score cut to an integer
  bool noTitle = false;
  bool invertible = true;                // the inverted scale applies
  bool smoothable = true;                // "Smooth scores" applies
  bool meanable = false;                 // "Mean scores" applies
  bool dependsOnSet = false;             // scores are made relative to the area set: recomputed when it changes
  bool recomputesItself = false;         // a preselection or options change computes it again rather than richness
  bool areaSelection = false;            // an options change clears it rather than computing richness
  bool needsHierarchy = false;           // needs the taxon tree of the datafile
  bool needsQuantitative = false;        // needs a datafile in quantitative mode
  bool needsLevels = false;              // reads each presence's data level
  bool needsAdjacency = false;           // reads the neighbours of each cell
  bool needsFixedGrid = false;           // reads rings of cells of the fixed grid
  std::span<const SettingsField> reads;  // the settings its scores depend on
  MapReading reading = MapReading::Scores;
  // The map's title where nothing of the run words it; empty: the title
  // builder words it.
  std::string_view title;
  // A title worded from the map and the data (its prefixes for passes, the
  // set's count): a new map's own rule, which the title builder follows
  // where it has no wording of its own for the code.
  std::string (*titleRule)(const TitleSource& source, const MapRecord& map) = nullptr;
};

// One bit per trait a kind declares; a kind without bits is a plain score
// map: invertible, smoothable, following nothing.
namespace trait {
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
  kSelectsAreas = 1u << 14,
  kNeedsHierarchy = 1u << 15,
  kNeedsQuantitative = 1u << 16,
  kNeedsAdjacency = 1u << 17,
  kNeedsFixedGrid = 1u << 18,
  kNeedsLevels = 1u << 19,
};
// A map of areas an analysis chose: ranks, not scores to pass over.
constexpr unsigned kChosenAreas = kCategory | kNotInvertible | kNotSmoothable;
}  // namespace trait

// The kind of the map of `code`, from the bits of its traits.
constexpr MeasureTraits mapKind(MeasureCode code, unsigned bits, std::span<const SettingsField> reads = {},
                                const char* title = nullptr, MapReading reading = MapReading::Scores,
                                std::string (*titleRule)(const TitleSource&, const MapRecord&) = nullptr) {
  using namespace trait;
  struct BitOf {
    unsigned bit;
    bool MeasureTraits::*member;
  };
  constexpr BitOf kFlags[] = {{kCategory, &MeasureTraits::category},
                              {kMaxLevelSpots, &MeasureTraits::maxLevelSpots},
                              {kOverlay, &MeasureTraits::overlay},
                              {kLargeSpots, &MeasureTraits::largeSpots},
                              {kItalicTitle, &MeasureTraits::italicTitle},
                              {kMedianNumbers, &MeasureTraits::medianNumbers},
                              {kNoTitle, &MeasureTraits::noTitle},
                              {kMeanable, &MeasureTraits::meanable},
                              {kDependsOnSet, &MeasureTraits::dependsOnSet},
                              {kRecomputesItself, &MeasureTraits::recomputesItself},
                              {kSelectsAreas, &MeasureTraits::areaSelection},
                              {kNeedsHierarchy, &MeasureTraits::needsHierarchy},
                              {kNeedsQuantitative, &MeasureTraits::needsQuantitative},
                              {kNeedsAdjacency, &MeasureTraits::needsAdjacency},
                              {kNeedsFixedGrid, &MeasureTraits::needsFixedGrid},
                              {kNeedsLevels, &MeasureTraits::needsLevels}};
  MeasureTraits t;
  t.code = code;
  for (const BitOf& f : kFlags) t.*f.member = (bits & f.bit) != 0;
  t.count = (bits & kCountsAlways) ? CountType::Always
            : (bits & kCounts)     ? CountType::UntilTransformed
                                   : CountType::None;
  t.invertible = (bits & kNotInvertible) == 0;
  t.smoothable = (bits & kNotSmoothable) == 0;
  t.reads = reads;
  if (title) t.title = title;
  t.titleRule = titleRule;
  t.reading = reading;
  return t;
}

// The kind of a map no analysis leaves; any other code gets a plain score
// map of that code (an analysis's entry holds the kind of its own map).
const MeasureTraits& baseMapKind(MeasureCode code);

// True when `code` is one of the maps whose kind is declared here.
bool isBaseMapCode(MeasureCode code);

// The kinds declared here, for the registry's list of every kind.
std::span<const MeasureTraits> baseMapKinds();

struct AnalysisData;

// Why the data cannot give a map of this kind (a project lacks what only a
// datafile or a fixed grid has), as the message the tool gives; nothing
// when they can.
std::optional<std::string> measureRefusal(const MeasureTraits& t, const AnalysisData& a);

// True when a smoothing pass over a map of this kind applies to the data:
// the map is smoothable and the units have rings (a fixed grid's or their
// neighbours').
bool smoothingApplies(const MeasureTraits& t, const AnalysisData& a);

}  // namespace zn
