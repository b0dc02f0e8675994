// What each kind of map is, declared once: how its numbers are drawn, which
// passes and inversions it allows, whether it follows the area set, what it
// needs of the data and which settings it reads. The renderer, the passes,
// the title builder, the area-set editor and Tools options all read these
// rows; the analyses of the menus name the code whose row they fill.
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

struct MeasureTraits {
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
};

// The row of a code; codes without a row (and reserved codes) get the
// traits of a plain score map unless declared otherwise.
const MeasureTraits& measureTraits(MeasureCode code);

// Every setting some map reads, each once: a Tools options change to one of
// them reruns the analysis on the map.
std::span<const SettingsField> settingsReadByMaps();

struct AnalysisData;

// Why the data cannot give the map of `code` (a project lacks what only a
// datafile or a fixed grid has), as the message the tool gives; nothing
// when they can.
std::optional<std::string> measureRefusal(MeasureCode code, const AnalysisData& a);

// True when a smoothing pass over the map of `code` applies to the data:
// the map is smoothable and the units have rings (a fixed grid's or their
// neighbours').
bool smoothingApplies(MeasureCode code, const AnalysisData& a);

}  // namespace zn
