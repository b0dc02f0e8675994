#include "store/settings.h"
#include "store/measurecode.h"

#include <algorithm>
#include <cstring>

#include "store/binio.h"
#include "store/files.h"
#include "store/settings_slots.h"
#include "store/timelimit.h"

namespace zn {

namespace {

struct SlotField {
  int slot;
  SettingsField field;
};

constexpr SlotField kSlotFields[] = {
    {kExcludedLevel, settingsField<&Settings::excludedLevel>()},
    {kMeasureCode, settingsField<&Settings::measureCode>()},
    {kRarityFormula, settingsField<&Settings::rarityFormula>()},
    {kColourMode, settingsField<&Settings::colourMode>()},
    {kFrameShown, settingsField<&Settings::frameShown>()},
    {kCoastShown, settingsField<&Settings::coastShown>()},
    {kFillFrameCoast, settingsField<&Settings::fillFrameCoast>()},
    {kFineGridShown, settingsField<&Settings::fineGridShown>()},
    {kWriteTitle, settingsField<&Settings::writeTitle>()},
    {kScaleBarShown, settingsField<&Settings::scaleBarShown>()},
    {kScaleType, settingsField<&Settings::scaleType>()},
    {kHotspotKind, settingsField<&Settings::hotspotKind>()},
    {kRejectRedundant, settingsField<&Settings::rejectRedundant>()},
    {kZoomArmed, settingsField<&Settings::zoomArmed>()},
    {kExportAccepted, settingsField<&Settings::exportAccepted>()},
    {kScoresExportChoice, settingsField<&Settings::scoresExportChoice>()},
    {kScaleBarStyle, settingsField<&Settings::scaleBarStyle>()},
    {kOverlayOption, settingsField<&Settings::overlayOption>()},
    {kOverlayScheme, settingsField<&Settings::overlayScheme>()},
    {kRangeCentreWeighting, settingsField<&Settings::rangeCentreWeighting>()},
    {kMeasureSetting20, settingsField<&Settings::measureSetting20>()},
    {kMeasureSetting21, settingsField<&Settings::measureSetting21>()},
    {kImportAccepted, settingsField<&Settings::importAccepted>()},
    {kFillColours, settingsField<&Settings::fillColours>()},
    {kCoastColour, settingsField<&Settings::coastColour>()},
    {kReordering, settingsField<&Settings::reordering>()},
    {kNearMinimumGoal, settingsField<&Settings::nearMinimumGoal>()},
    {kGreedyRejectRedundant, settingsField<&Settings::greedyRejectRedundant>()},
    {kFlexibilityMap, settingsField<&Settings::flexibilityMap>()},
    {kGreedyByRarity, settingsField<&Settings::greedyByRarity>()},
    {kGreedyGoal, settingsField<&Settings::greedyGoal>()},
    {kOptimiseByCost, settingsField<&Settings::optimiseByCost>()},
    {kMaxNotSeparate, settingsField<&Settings::maxNotSeparate>()},
    {kClassCount, settingsField<&Settings::classCount>()},
    {kBackgroundColour, settingsField<&Settings::backgroundColour>()},
    {kMaxSpot, settingsField<&Settings::maxSpot>()},
    {kColoursAndNumbers, settingsField<&Settings::coloursAndNumbers>()},
    {kScalableTitle, settingsField<&Settings::scalableTitle>()},
    {kAreasToAdd, settingsField<&Settings::areasToAdd>()},
    {kListDialogVariant, settingsField<&Settings::listDialogVariant>()},
    {kListDialogOption, settingsField<&Settings::listDialogOption>()},
    {kFineGridStyle, settingsField<&Settings::fineGridStyle>()},
    {kSelectedAreasDisplay, settingsField<&Settings::selectedAreasDisplay>()},
    {kFlexibilityPartial, settingsField<&Settings::flexibilityPartial>()},
    {kGreedyIncludeSeeds, settingsField<&Settings::greedyIncludeSeeds>()},
    {kIncludeSeeds, settingsField<&Settings::includeSeeds>()},
    {kNumbersColour, settingsField<&Settings::numbersColour>()},
    {kNeighbourhoodSize, settingsField<&Settings::neighbourhoodSize>()},
    {kPrintOption, settingsField<&Settings::printOption>()},
    {kBitmapOption, settingsField<&Settings::bitmapOption>()},
    {kMapPalette, settingsField<&Settings::mapPalette>()},
    {kFineGridColour, settingsField<&Settings::fineGridColour>()},
    {kInvertedScale, settingsField<&Settings::invertedScale>()},
    {kLongReports, settingsField<&Settings::longReports>()},
    {kRelativeToRichness, settingsField<&Settings::relativeToRichness>()},
    {kCoarseGridColour, settingsField<&Settings::coarseGridColour>()},
    {kCoarseGridShown, settingsField<&Settings::coarseGridShown>()},
    {kDefaultsSlot60, settingsField<&Settings::defaultsSlot60>()},
    {kDefaultsSlot61, settingsField<&Settings::defaultsSlot61>()},
    {kLightDefaults, settingsField<&Settings::lightDefaults>()},
    {kFrameColour, settingsField<&Settings::frameColour>()},
    {kExtraTieBreaks, settingsField<&Settings::extraTieBreaks>()},
    {kDisplayOption, settingsField<&Settings::displayOption>()},
    {kBaseOnPresent, settingsField<&Settings::baseOnPresent>()},
    {kSmoothByMean, settingsField<&Settings::smoothByMean>()},
    {kRangeSizeThreshold, settingsField<&Settings::rangeSizeThreshold>()},
    {kResidualsNotRelative, settingsField<&Settings::residualsNotRelative>()},
    {kMapAllFlexible, settingsField<&Settings::mapAllFlexible>()},
    {kExactTimeLimit, settingsField<&Settings::exactTimeLimit>()},
    {kTwoTailed, settingsField<&Settings::twoTailed>()},
    {kScoresExportOption, settingsField<&Settings::scoresExportOption>()},
    {kLastTieRandom, settingsField<&Settings::lastTieRandom>()},
};

static_assert(std::size(kSlotFields) + kThreeDSlots + std::size(kSpareSlotNumbers) + 2 == kSettingsSlots,
              "every slot is a field, in the 3D-map block, a spare slot or half of the budget");
static_assert(std::size(kSpareSlotNumbers) == kSpareSlots);

}  // namespace

double Settings::budget() const {
  double d;
  std::memcpy(&d, &budgetBits, 8);
  return d;
}

void Settings::setBudget(double b) { std::memcpy(&budgetBits, &b, 8); }

void setDefaults(Settings& s, bool zoomed, bool britain) {
  const MeasureCode measure = s.measureCode;
  const Flag light = s.lightDefaults;
  s = Settings{};
  s.measureCode = measure;
  s.lightDefaults = light;
  if (light == Flag::kOff) {
    s.colourMode = kDarkColour;
    s.fillFrameCoast = Flag::kOn;
    s.backgroundColour = Shade::kGrey;
    s.coastColour = CoastColour::kBlack;
    s.defaultsSlot61 = Flag::kOff;
    // The Britain map keeps spots for its dense fine grid.
    s.fineGridStyle = britain ? FineGridStyle::kSpots : FineGridStyle::kLines;
  } else {
    s.colourMode = kLightColour;
    s.fillFrameCoast = Flag::kOff;
    s.backgroundColour = Shade::kWhite;
    s.coastColour = CoastColour::kBlack;
    s.defaultsSlot61 = Flag::kOn;
    s.numbersColour = NumbersColour::kGrey;
  }
  s.excludedLevel = 0;
  s.rarityFormula = RarityFormula::kInverse;
  s.frameShown = Flag::kOn;
  s.coastShown = Flag::kOn;
  s.defaultsSlot60 = Flag::kOn;
  s.coarseGridShown = Flag::kOn;
  s.writeTitle = Flag::kOn;
  s.scaleBarShown = Flag::kOn;
  s.scaleType = kEqualFrequency;
  s.hotspotKind = HotspotKind::kRichness;
  s.scaleBarStyle = ScaleBarStyle::kNumbers;
  s.overlayScheme = OverlayScheme::kBothWhiteGrey;
  s.nearMinimumGoal = 1;
  s.greedyGoal = 1;
  s.flexibilityMap = Flag::kOn;
  s.reordering = Reordering::kByRichness;
  s.rejectRedundant = Flag::kOn;
  s.classCount = 4;
  s.coloursAndNumbers = CellLabels::kColoursAndNumbers;
  s.areasToAdd = 10;
  s.scalableTitle = Flag::kOff;
  s.listDialogVariant = Flag::kOn;
  s.flexibilityPartial = Flag::kOff;
  s.selectedAreasDisplay = AreasShown::kSeeds;
  s.neighbourhoodSize = NeighbourhoodSize::kNine;
  s.longReports = Flag::kOn;
  s.importAccepted = Flag::kOff;
  s.baseOnPresent = Flag::kOn;
  s.exactTimeLimit = kExactTimeLimitDefault;
  if (zoomed) s.fillFrameCoast = Flag::kOff;
}

Settings decodeSettings(const unsigned char* data, std::size_t size) {
  std::array<unsigned char, kSettingsBytes> buf{};
  std::memcpy(buf.data(), data, std::min<std::size_t>(size, kSettingsBytes));
  auto slot = [&](int k) { return readI32(buf.data() + 4 * k); };
  Settings s;
  for (const SlotField& f : kSlotFields) f.field.set(s, slot(f.slot));
  for (int i = 0; i < kThreeDSlots; ++i) s.threeD[static_cast<std::size_t>(i)] = slot(kThreeDFirst + i);
  for (int i = 0; i < kSpareSlots; ++i) s.spare[static_cast<std::size_t>(i)] = slot(kSpareSlotNumbers[i]);
  s.budgetBits = static_cast<std::uint32_t>(slot(kBudgetLow)) |
                 static_cast<std::uint64_t>(static_cast<std::uint32_t>(slot(kBudgetLow + 1))) << 32;
  return s;
}

std::array<unsigned char, kSettingsBytes> encodeSettings(const Settings& s) {
  std::array<unsigned char, kSettingsBytes> buf{};
  auto put = [&](int k, std::int32_t v) { writeI32(buf.data() + 4 * k, v); };
  for (const SlotField& f : kSlotFields) put(f.slot, f.field.get(s));
  for (int i = 0; i < kThreeDSlots; ++i) put(kThreeDFirst + i, s.threeD[static_cast<std::size_t>(i)]);
  for (int i = 0; i < kSpareSlots; ++i) put(kSpareSlotNumbers[i], s.spare[static_cast<std::size_t>(i)]);
  put(kBudgetLow, static_cast<std::int32_t>(static_cast<std::uint32_t>(s.budgetBits)));
  put(kBudgetLow + 1, static_cast<std::int32_t>(static_cast<std::uint32_t>(s.budgetBits >> 32)));
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

MapSettingsCopy correctAtStartup(Settings& s, Flag& savedFill) {
  s.measureCode = kCodeNone;
  if (s.colourMode < kDarkColour) s.fillFrameCoast = Flag::kOff;
  if (s.areasToAdd < 2) s.areasToAdd = 2;
  if (s.fillFrameCoast != Flag::kOff) {
    s.frameShown = Flag::kOn;
    s.coastShown = Flag::kOn;
  }
  s.optimiseByCost = Flag::kOff;
  if (s.reordering == Reordering::kByThreat) s.reordering = Reordering::kByRichness;
  s.excludedLevel = 0;
  s.extraTieBreaks = Flag::kOff;
  s.zoomArmed = Flag::kOff;
  s.longReports = Flag::kOff;
  s.overlayScheme = OverlayScheme::kBothWhiteGrey;
  s.importAccepted = Flag::kOff;
  s.classCount = std::clamp(s.classCount, 2, 10);
  if (s.neighbourhoodSize != NeighbourhoodSize::kNine && s.neighbourhoodSize != NeighbourhoodSize::kTwentyFive)
    s.neighbourhoodSize = NeighbourhoodSize::kNine;
  // Options files written before the exact sets hold 0 in this slot.
  s.exactTimeLimit = TimeLimit::optionSeconds(s.exactTimeLimit);
  // A value no version writes is read as the standard ramp.
  if (s.mapPalette < MapPalette::kStandard || s.mapPalette > MapPalette::kAllBits) s.mapPalette = MapPalette::kStandard;
  savedFill = s.fillFrameCoast;
  return MapSettingsCopy{s.scaleType, s.rarityFormula, s.hotspotKind, s.rejectRedundant, s.neighbourhoodSize};
}

bool writeOptions(const Settings& s, const std::filesystem::path& file) {
  auto buf = encodeSettings(s);
  return saveFileAtomically(file, std::string(reinterpret_cast<const char*>(buf.data()), buf.size()));
}

}  // namespace zn
