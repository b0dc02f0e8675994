// The settings record: 87 four-byte slots holding every user option. The
// options file is its exact little-endian image.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

namespace zn {

enum Slot : int {
  kExcludedLevel = 0,
  kMeasureCode = 1,
  kRarityFormula = 2,
  kColourMode = 3,
  kFrameShown = 4,
  kCoastShown = 5,
  kFillFrameCoast = 6,
  kFineGridShown = 7,
  kWriteTitle = 8,
  kScaleBarShown = 9,
  kScaleType = 10,
  kHotspotKind = 11,
  kRejectRedundant = 12,
  kZoomArmed = 13,
  kExportAccepted = 14,
  kScoresExportChoice = 15,
  kScaleBarStyle = 16,
  kOverlayOption = 17,
  kOverlayScheme = 18,
  kRangeCentreWeighting = 19,
  kMeasureSetting20 = 20,
  kMeasureSetting21 = 21,
  kImportAccepted = 22,
  kFillColours = 23,
  kCoastColour = 24,
  kReordering = 25,
  kNearMinimumGoal = 26,
  kGreedyRejectRedundant = 27,
  kFlexibilityMap = 28,
  kGreedyByRarity = 29,
  kGreedyGoal = 30,
  kOptimiseByCost = 31,
  kMaxNotSeparate = 32,
  kClassCount = 33,
  kBackgroundColour = 34,
  kMaxSpot = 35,
  kColoursAndNumbers = 36,
  kScalableTitle = 37,
  kAreasToAdd = 38,
  kListDialogVariant = 39,
  kListDialogOption = 40,
  kFineGridStyle = 41,
  kSelectedAreasDisplay = 42,
  kFlexibilityPartial = 43,
  kGreedyIncludeSeeds = 44,
  kIncludeSeeds = 45,
  kNumbersColour = 46,
  kNeighbourhoodSize = 47,
  kPrintOption = 48,
  kBitmapOption = 49,
  // The map's colour ramp beyond the colour mode's own (a slot the record
  // leaves free, so every file written without it reads as the standard
  // ramp): kPaletteColourBlind and kPaletteDivergingResiduals bits.
  kMapPalette = 50,
  kFineGridColour = 51,
  kInvertedScale = 53,
  kLongReports = 54,
  kRelativeToRichness = 55,
  kCoarseGridColour = 56,
  kCoarseGridShown = 59,
  kDefaultsSlot60 = 60,
  kDefaultsSlot61 = 61,
  kLightDefaults = 62,
  kFrameColour = 63,
  kExtraTieBreaks = 64,
  kDisplayOption = 65,
  kBaseOnPresent = 66,
  kSmoothByMean = 67,
  kRangeSizeThreshold = 68,
  kResidualsNotRelative = 69,
  kMapAllFlexible = 70,
  kThreeD71 = 71,
  // Seconds the exact area sets may search (a slot the record leaves free).
  kExactTimeLimit = 81,
  kTwoTailed = 82,
  kScoresExportOption = 83,
  kLastTieRandom = 84,
  kBudgetLow = 85,
};

constexpr int kSettingsSlots = 87;

// Bits of kMapPalette: a colour-blind-safe sequential ramp for the scores,
// and a ramp diverging from the zero residual for residual maps.
constexpr int kPaletteColourBlind = 1;
constexpr int kPaletteDivergingResiduals = 2;
constexpr int kPaletteBits = kPaletteColourBlind | kPaletteDivergingResiduals;

// The exact sets' time limit: its default and the values it may take.
constexpr int kExactTimeLimitDefault = 60;
constexpr int kExactTimeLimitMax = 86400;
constexpr int kSettingsBytes = 4 * kSettingsSlots;

struct Settings {
  std::array<std::int32_t, kSettingsSlots> slots{};

  std::int32_t& operator[](int slot) { return slots[static_cast<std::size_t>(slot)]; }
  std::int32_t operator[](int slot) const { return slots[static_cast<std::size_t>(slot)]; }

  // Slots 85 and 86 hold one 64-bit float, low word first.
  double budget() const;
  void setBudget(double b);
};

// The part of the background map record that the start-up corrections fill.
struct MapSettingsCopy {
  int scaleType = 0;
  int rarityFormula = 0;
  int hotspotKind = 0;
  int rejectRedundant = 0;
  int neighbourhoodSize = 0;
};

// Applies the default set chosen by slot 62 (dark or light); a zoomed view
// keeps the frame-coast fill off.
void setDefaults(Settings& s, bool zoomed = false, bool britain = false);

// Reads the options file; a missing file gives the dark defaults and a short
// file leaves the remaining slots at zero. Returns true when the file was read.
bool readOptions(Settings& s, const std::filesystem::path& file, bool britain = false);

// Start-up corrections; returns the values copied into the background map
// record. savedFill receives the frame-coast fill to restore after a zoom.
MapSettingsCopy correctAtStartup(Settings& s, int& savedFill);

// Writes the 348 bytes through a temporary file; returns false on failure.
bool writeOptions(const Settings& s, const std::filesystem::path& file);

std::array<unsigned char, kSettingsBytes> encodeSettings(const Settings& s);
Settings decodeSettings(const unsigned char* data, std::size_t size);

}  // namespace zn
