// The settings record: every user option as a named field. The options file
// (ZONARIUM.OPP) is a fixed image of 87 little-endian four-byte slots; the
// codec that maps fields to slots lives in store/settings.cpp. Every field
// keeps whatever 32-bit value the file held, so a file round-trips unchanged
// even where a value lies outside its enum.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <type_traits>
#include <utility>

#include "store/measurecode.h"

namespace zn {

// A yes/no option as the file stores it: 0 no, 1 yes. Any other value a
// file holds is kept and reads as yes.
enum class Flag : std::int32_t { kOff = 0, kOn = 1 };

constexpr bool isOn(Flag f) { return f != Flag::kOff; }
constexpr Flag flagOf(bool on) { return on ? Flag::kOn : Flag::kOff; }

// The range-size rarity formula.
enum class RarityFormula : std::int32_t { kDifference = 0, kInverse = 1, kInverseSquare = 2 };

// How richness is weighted by range size for the range-centre maps.
enum class RangeWeighting : std::int32_t { kEqual = 0, kLargeRanges = 1, kSmallRanges = 2 };

// Smoothing of the scores over a neighbourhood.
enum class Smoothing : std::int32_t { kMedian = 0, kMean = 1 };

// The cells a score is smoothed over: the 3 x 3 or the 5 x 5 block around
// a cell. The file stores the number of cells.
enum class NeighbourhoodSize : std::int32_t { kNine = 9, kTwentyFive = 25 };

constexpr int cellsIn(NeighbourhoodSize n) { return static_cast<int>(n); }

// What the greedy area set chooses by.
enum class GreedyBy : std::int32_t { kRichness = 0, kRarity = 1 };

// The last tie break of the near-minimum sets.
enum class LastTie : std::int32_t { kLowestCell = 0, kRandom = 1 };

// The random area sets' test.
enum class Tails : std::int32_t { kSingle = 0, kTwo = 1 };

// The three-way colour of the background, the frame and the grids.
enum class Shade : std::int32_t { kGrey = 0, kBlack = 1, kWhite = 2 };

enum class CoastColour : std::int32_t { kGrey = 0, kWhite = 1, kBlack = 2, kBlackWhite = 3 };

enum class NumbersColour : std::int32_t { kWhite = 0, kGrey = 1, kBlack = 2 };

// The colours of the frame-coast fill.
enum class FillColours : std::int32_t { kGreys = 0, kGreenBlue = 1, kBrown = 2 };

enum class FineGridStyle : std::int32_t { kSpots = 0, kCrosses = 1, kLines = 2 };

// Which areas of the area set the map marks.
enum class AreasShown : std::int32_t { kNone = 0, kSeeds = 1, kSeedsAndSelected = 2 };

// What the scale bar draws besides its classes.
enum class ScaleBarStyle : std::int32_t { kPlain = 0, kHistogram = 1, kNumbers = 2 };

// What the map's cells show of their scores.
enum class CellLabels : std::int32_t { kColours = 0, kColoursAndNumbers = 1, kNumbers = 2 };

// Colour modes.
enum ColourMode : std::int32_t {
  kMonoLog = 0,
  kSixteenColour = 1,
  kDarkColour = 2,
  kLightColour = 3,
  kMonoLin = 4,
};

// How the scores are cut into colour classes.
enum ScaleType : std::int32_t { kEqualInterval = 0, kEqualFrequency = 1, kFixedLimit = 2 };

// What the hotspot areas are chosen by.
enum class HotspotKind : std::int32_t {
  kRichness = 0,
  kRarity = 1,
  kRareQuartile = 2,
  kThreshold = 3,
  kResiduals = 4,
};

// How the near-minimum area sets re-order their areas. kUnset is what a
// zeroed record holds; kNone is the explicit choice of no re-ordering.
enum class Reordering : std::int32_t {
  kUnset = 0,
  kByRichness = 1,
  kByRarity = 2,
  kNone = 3,
  kByThreat = 4,
};

// Bits of the map's extra colour ramps: a colour-blind-safe sequential ramp
// for the scores, and a ramp diverging from the zero residual for residual
// maps.
enum class MapPalette : std::int32_t {
  kStandard = 0,
  kColourBlind = 1,
  kDivergingResiduals = 2,
  kAllBits = kColourBlind | kDivergingResiduals,
};

constexpr bool hasRamp(MapPalette p, MapPalette bit) {
  return (static_cast<std::int32_t>(p) & static_cast<std::int32_t>(bit)) != 0;
}
constexpr MapPalette withRamp(MapPalette p, MapPalette bit, bool on) {
  const auto v = static_cast<std::int32_t>(p), b = static_cast<std::int32_t>(bit);
  return static_cast<MapPalette>(on ? (v | b) : (v & ~b));
}

// How two overlaid score maps are joined: over the cells scored in either,
// or only over those scored in both.
enum class OverlayJoin : std::int32_t { kEither = 0, kBoth = 1 };

// The two-axis overlay colours: axis 1 green, axis 2 blue, and cells scored
// on both red, white, or white to grey (with axis 2 reversed in the last).
enum class OverlayScheme : std::int32_t {
  kBothRed = 0,
  kBothWhite = 1,
  kBothWhiteGrey = 2,
  kBothWhiteGreyReversed = 3,
};

// The layout of the last scores export; the mismatch export has none.
enum ScoresLayout : std::int32_t {
  kLayoutNone = -1,
  kLayoutCentroids = 0,         // "#0" longitude, latitude, value of occupied cells
  kLayoutNumbered = 1,          // "#2" every cell
  kLayoutNumberedOccupied = 2,  // "#2" occupied cells only
  kLayoutPlain = 3,             // "#1" every cell
  kLayoutPlainOccupied = 4,     // "#1" occupied cells only
  kLayoutPair = 5,              // "#3" foreground and background
};

// The part of the window a saved bitmap holds.
enum class BitmapArea : std::int32_t { kExcludeStatusBar = 0, kIncludeStatusBar = 1, kMapFrame = 2 };

constexpr int kSettingsSlots = 87;
constexpr int kSettingsBytes = 4 * kSettingsSlots;
// Slots of the file image that no field uses; they are carried unchanged.
constexpr int kSpareSlots = 3;
// The block of 3D-map and overlay slots. The three-axis settings start
// afresh with each import, so nothing reads the block: it is carried as read.
constexpr int kThreeDSlots = 10;

// The exact sets' time limit: its default and the values it may take.
constexpr int kExactTimeLimitDefault = 60;
constexpr int kExactTimeLimitMax = 86400;

struct Settings {
  std::int32_t excludedLevel = 0;
  MeasureCode measureCode = kCodeNone;
  RarityFormula rarityFormula{};
  ColourMode colourMode = kMonoLog;
  Flag frameShown{};
  Flag coastShown{};
  Flag fillFrameCoast{};
  Flag fineGridShown{};
  Flag writeTitle{};
  Flag scaleBarShown{};
  ScaleType scaleType = kEqualInterval;
  HotspotKind hotspotKind = HotspotKind::kRichness;
  Flag rejectRedundant{};
  Flag zoomArmed{};
  Flag exportAccepted{};
  ScoresLayout scoresExportChoice = kLayoutCentroids;
  ScaleBarStyle scaleBarStyle{};
  OverlayJoin overlayOption = OverlayJoin::kEither;
  OverlayScheme overlayScheme = OverlayScheme::kBothRed;
  RangeWeighting rangeCentreWeighting{};
  std::int32_t measureSetting20 = 0;
  std::int32_t measureSetting21 = 0;
  Flag importAccepted{};
  FillColours fillColours{};
  CoastColour coastColour{};
  Reordering reordering = Reordering::kUnset;
  std::int32_t nearMinimumGoal = 0;
  Flag greedyRejectRedundant{};
  Flag flexibilityMap{};
  GreedyBy greedyByRarity{};
  std::int32_t greedyGoal = 0;
  Flag optimiseByCost{};
  Flag maxNotSeparate{};
  std::int32_t classCount = 0;
  Shade backgroundColour{};
  Flag maxSpot{};
  CellLabels coloursAndNumbers{};
  Flag scalableTitle{};
  std::int32_t areasToAdd = 0;
  Flag listDialogVariant{};
  Flag listDialogOption{};
  FineGridStyle fineGridStyle{};
  AreasShown selectedAreasDisplay{};
  Flag flexibilityPartial{};
  Flag greedyIncludeSeeds{};
  Flag includeSeeds{};
  NumbersColour numbersColour{};
  NeighbourhoodSize neighbourhoodSize{};
  std::int32_t printOption = 0;
  BitmapArea bitmapOption = BitmapArea::kExcludeStatusBar;
  // The map's colour ramp beyond the colour mode's own (a slot the record
  // leaves free, so every file written without it reads as the standard
  // ramp): a set of MapPalette bits.
  MapPalette mapPalette = MapPalette::kStandard;
  Shade fineGridColour{};
  Flag invertedScale{};
  Flag longReports{};
  Flag relativeToRichness{};
  Shade coarseGridColour{};
  Flag coarseGridShown{};
  // Set by either default set, and set by the light one only.
  Flag defaultsSlot60{};
  Flag defaultsSlot61{};
  Flag lightDefaults{};
  Shade frameColour{};
  Flag extraTieBreaks{};
  std::int32_t displayOption = 0;
  Flag baseOnPresent{};
  Smoothing smoothByMean{};
  std::int32_t rangeSizeThreshold = 0;
  Flag residualsNotRelative{};
  Flag mapAllFlexible{};
  // Seconds the exact area sets may search (a slot the record leaves free).
  std::int32_t exactTimeLimit = 0;
  Tails twoTailed{};
  Flag scoresExportOption{};
  LastTie lastTieRandom{};

  // Raw values of the 3D-map block and of the spare slots, in slot order.
  std::array<std::int32_t, kThreeDSlots> threeD{};
  std::array<std::int32_t, kSpareSlots> spare{};

  // The budget is one 64-bit float across the last two slots.
  double budget() const;
  void setBudget(double b);
  std::uint64_t budgetBits = 0;

  friend bool operator==(const Settings&, const Settings&) = default;
};

// One field seen as its stored 32-bit value, for tables of options (dialog
// controls, command-line keys) that set fields by number.
struct SettingsField {
  std::int32_t (*get)(const Settings&);
  void (*set)(Settings&, std::int32_t);
  friend bool operator==(SettingsField a, SettingsField b) { return a.get == b.get; }
};

template <auto Member>
constexpr SettingsField settingsField() {
  using T = std::remove_cvref_t<decltype(std::declval<Settings&>().*Member)>;
  return {[](const Settings& s) { return static_cast<std::int32_t>(s.*Member); },
          [](Settings& s, std::int32_t v) { s.*Member = static_cast<T>(v); }};
}

// The part of the background map record that the start-up corrections fill.
struct MapSettingsCopy {
  ScaleType scaleType = kEqualInterval;
  RarityFormula rarityFormula{};
  HotspotKind hotspotKind = HotspotKind::kRichness;
  Flag rejectRedundant{};
  NeighbourhoodSize neighbourhoodSize{};
};

// Applies the default set chosen by lightDefaults (dark or light); a zoomed view
// keeps the frame-coast fill off.
void setDefaults(Settings& s, bool zoomed = false, bool britain = false);

// Reads the options file; a missing file gives the dark defaults and a short
// file leaves the remaining fields at zero. Returns true when the file was read.
bool readOptions(Settings& s, const std::filesystem::path& file, bool britain = false);

// Start-up corrections; returns the values copied into the background map
// record. savedFill receives the frame-coast fill to restore after a zoom.
MapSettingsCopy correctAtStartup(Settings& s, Flag& savedFill);

// Writes the 348 bytes through a temporary file; returns false on failure.
bool writeOptions(const Settings& s, const std::filesystem::path& file);

std::array<unsigned char, kSettingsBytes> encodeSettings(const Settings& s);
Settings decodeSettings(const unsigned char* data, std::size_t size);

}  // namespace zn
