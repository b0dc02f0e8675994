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
  std::int32_t rarityFormula = 0;
  ColourMode colourMode = kMonoLog;
  std::int32_t frameShown = 0;
  std::int32_t coastShown = 0;
  std::int32_t fillFrameCoast = 0;
  std::int32_t fineGridShown = 0;
  std::int32_t writeTitle = 0;
  std::int32_t scaleBarShown = 0;
  ScaleType scaleType = kEqualInterval;
  HotspotKind hotspotKind = HotspotKind::kRichness;
  std::int32_t rejectRedundant = 0;
  std::int32_t zoomArmed = 0;
  std::int32_t exportAccepted = 0;
  std::int32_t scoresExportChoice = 0;
  std::int32_t scaleBarStyle = 0;
  std::int32_t overlayOption = 0;
  std::int32_t overlayScheme = 0;
  std::int32_t rangeCentreWeighting = 0;
  std::int32_t measureSetting20 = 0;
  std::int32_t measureSetting21 = 0;
  std::int32_t importAccepted = 0;
  std::int32_t fillColours = 0;
  std::int32_t coastColour = 0;
  Reordering reordering = Reordering::kUnset;
  std::int32_t nearMinimumGoal = 0;
  std::int32_t greedyRejectRedundant = 0;
  std::int32_t flexibilityMap = 0;
  std::int32_t greedyByRarity = 0;
  std::int32_t greedyGoal = 0;
  std::int32_t optimiseByCost = 0;
  std::int32_t maxNotSeparate = 0;
  std::int32_t classCount = 0;
  std::int32_t backgroundColour = 0;
  std::int32_t maxSpot = 0;
  std::int32_t coloursAndNumbers = 0;
  std::int32_t scalableTitle = 0;
  std::int32_t areasToAdd = 0;
  std::int32_t listDialogVariant = 0;
  std::int32_t listDialogOption = 0;
  std::int32_t fineGridStyle = 0;
  std::int32_t selectedAreasDisplay = 0;
  std::int32_t flexibilityPartial = 0;
  std::int32_t greedyIncludeSeeds = 0;
  std::int32_t includeSeeds = 0;
  std::int32_t numbersColour = 0;
  std::int32_t neighbourhoodSize = 0;
  std::int32_t printOption = 0;
  std::int32_t bitmapOption = 0;
  // The map's colour ramp beyond the colour mode's own (a slot the record
  // leaves free, so every file written without it reads as the standard
  // ramp): a set of MapPalette bits.
  MapPalette mapPalette = MapPalette::kStandard;
  std::int32_t fineGridColour = 0;
  std::int32_t invertedScale = 0;
  std::int32_t longReports = 0;
  std::int32_t relativeToRichness = 0;
  std::int32_t coarseGridColour = 0;
  std::int32_t coarseGridShown = 0;
  std::int32_t defaultsSlot60 = 0;
  std::int32_t defaultsSlot61 = 0;
  std::int32_t lightDefaults = 0;
  std::int32_t frameColour = 0;
  std::int32_t extraTieBreaks = 0;
  std::int32_t displayOption = 0;
  std::int32_t baseOnPresent = 0;
  std::int32_t smoothByMean = 0;
  std::int32_t rangeSizeThreshold = 0;
  std::int32_t residualsNotRelative = 0;
  std::int32_t mapAllFlexible = 0;
  // Seconds the exact area sets may search (a slot the record leaves free).
  std::int32_t exactTimeLimit = 0;
  std::int32_t twoTailed = 0;
  std::int32_t scoresExportOption = 0;
  std::int32_t lastTieRandom = 0;

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
  int rarityFormula = 0;
  HotspotKind hotspotKind = HotspotKind::kRichness;
  int rejectRedundant = 0;
  int neighbourhoodSize = 0;
};

// Applies the default set chosen by lightDefaults (dark or light); a zoomed view
// keeps the frame-coast fill off.
void setDefaults(Settings& s, bool zoomed = false, bool britain = false);

// Reads the options file; a missing file gives the dark defaults and a short
// file leaves the remaining fields at zero. Returns true when the file was read.
bool readOptions(Settings& s, const std::filesystem::path& file, bool britain = false);

// Start-up corrections; returns the values copied into the background map
// record. savedFill receives the frame-coast fill to restore after a zoom.
MapSettingsCopy correctAtStartup(Settings& s, int& savedFill);

// Writes the 348 bytes through a temporary file; returns false on failure.
bool writeOptions(const Settings& s, const std::filesystem::path& file);

std::array<unsigned char, kSettingsBytes> encodeSettings(const Settings& s);
Settings decodeSettings(const unsigned char* data, std::size_t size);

}  // namespace zn
