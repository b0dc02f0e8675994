#include "store/settings.h"

#include <algorithm>
#include <cstring>

#include "store/binio.h"
#include "store/files.h"

namespace zn {

double Settings::budget() const {
  std::uint64_t bits = static_cast<std::uint32_t>(slots[85]) |
                       static_cast<std::uint64_t>(static_cast<std::uint32_t>(slots[86])) << 32;
  double d;
  std::memcpy(&d, &bits, 8);
  return d;
}

void Settings::setBudget(double b) {
  std::uint64_t bits;
  std::memcpy(&bits, &b, 8);
  slots[85] = static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
  slots[86] = static_cast<std::int32_t>(static_cast<std::uint32_t>(bits >> 32));
}

void setDefaults(Settings& s, bool zoomed, bool britain) {
  std::int32_t measure = s[kMeasureCode];
  std::int32_t light = s[kLightDefaults];
  s.slots.fill(0);
  s[kMeasureCode] = measure;
  s[kLightDefaults] = light;
  if (light == 0) {
    s[kColourMode] = 2;
    s[kFillFrameCoast] = 1;
    s[kBackgroundColour] = 0;
    s[kCoastColour] = 2;
    s[kDefaultsSlot61] = 0;
    // The Britain map keeps spots for its dense fine grid.
    s[kFineGridStyle] = britain ? 0 : 2;
  } else {
    s[kColourMode] = 3;
    s[kFillFrameCoast] = 0;
    s[kBackgroundColour] = 2;
    s[kCoastColour] = 2;
    s[kDefaultsSlot61] = 1;
    s[kNumbersColour] = 1;
  }
  s[kExcludedLevel] = 0;
  s[kRarityFormula] = 1;
  s[kFrameShown] = 1;
  s[kCoastShown] = 1;
  s[kDefaultsSlot60] = 1;
  s[kCoarseGridShown] = 1;
  s[kWriteTitle] = 1;
  s[kScaleBarShown] = 1;
  s[kScaleType] = 1;
  s[kHotspotKind] = 0;
  s[kScaleBarStyle] = 2;
  s[kOverlayScheme] = 2;
  s[kNearMinimumGoal] = 1;
  s[kGreedyGoal] = 1;
  s[kFlexibilityMap] = 1;
  s[kReordering] = 1;
  s[kRejectRedundant] = 1;
  s[kClassCount] = 4;
  s[kColoursAndNumbers] = 1;
  s[kAreasToAdd] = 10;
  s[kScalableTitle] = 0;
  s[kListDialogVariant] = 1;
  s[kFlexibilityPartial] = 0;
  s[kSelectedAreasDisplay] = 1;
  s[kNeighbourhoodSize] = 9;
  s[kLongReports] = 1;
  s[kImportAccepted] = 0;
  s[kBaseOnPresent] = 1;
  s[kExactTimeLimit] = kExactTimeLimitDefault;
  if (zoomed) s[kFillFrameCoast] = 0;
}

Settings decodeSettings(const unsigned char* data, std::size_t size) {
  Settings s;
  std::array<unsigned char, kSettingsBytes> buf{};
  std::memcpy(buf.data(), data, std::min<std::size_t>(size, kSettingsBytes));
  for (int k = 0; k < kSettingsSlots; ++k) s[k] = readI32(buf.data() + 4 * k);
  return s;
}

std::array<unsigned char, kSettingsBytes> encodeSettings(const Settings& s) {
  std::array<unsigned char, kSettingsBytes> buf{};
  for (int k = 0; k < kSettingsSlots; ++k) writeI32(buf.data() + 4 * k, s[k]);
  return buf;
}

bool readOptions(Settings& s, const std::filesystem::path& file, bool britain) {
  auto data = readFileBytes(file, kSettingsBytes);
  if (!data) {
    setDefaults(s, false, britain);
    return false;
  }
  s = decodeSettings(reinterpret_cast<const unsigned char*>(data->data()), data->size());
  return true;
}

MapSettingsCopy correctAtStartup(Settings& s, int& savedFill) {
  s[kMeasureCode] = 0;
  if (s[kColourMode] < 2) s[kFillFrameCoast] = 0;
  if (s[kAreasToAdd] < 2) s[kAreasToAdd] = 2;
  if (s[kFillFrameCoast] != 0) {
    s[kFrameShown] = 1;
    s[kCoastShown] = 1;
  }
  s[kOptimiseByCost] = 0;
  if (s[kReordering] == 4) s[kReordering] = 1;
  s[kExcludedLevel] = 0;
  s[kExtraTieBreaks] = 0;
  s[kZoomArmed] = 0;
  s[kLongReports] = 0;
  s[kOverlayScheme] = 2;
  s[kImportAccepted] = 0;
  s[kClassCount] = std::clamp(s[kClassCount], 2, 10);
  if (s[kNeighbourhoodSize] != 9 && s[kNeighbourhoodSize] != 25) s[kNeighbourhoodSize] = 9;
  // Options files written before the exact sets hold 0 in this slot.
  if (s[kExactTimeLimit] < 1 || s[kExactTimeLimit] > kExactTimeLimitMax) s[kExactTimeLimit] = kExactTimeLimitDefault;
  // A value no version writes is read as the standard ramp.
  if (s[kMapPalette] < 0 || s[kMapPalette] > kPaletteBits) s[kMapPalette] = 0;
  savedFill = s[kFillFrameCoast];
  return MapSettingsCopy{s[kScaleType], s[kRarityFormula], s[kHotspotKind], s[kRejectRedundant],
                         s[kNeighbourhoodSize]};
}

bool writeOptions(const Settings& s, const std::filesystem::path& file) {
  auto buf = encodeSettings(s);
  return saveFileAtomically(file, std::string(reinterpret_cast<const char*>(buf.data()), buf.size()));
}

}  // namespace zn
