// The codes of the measures and analyses that put scores on the map. The
// number is what the map record and the options file keep, so each code
// keeps its value.
#pragma once

namespace zn {

// Which measure or analysis put its scores on the map.
enum MeasureCode : int {
  kCodeNone = 0,
  kCodeRichness = 1,
  kCodeRangeSizeRarity = 2,
  kCodeSubtreeLength = 3,
  kCodeRootDistance = 4,
  kCodeRareQuartile = 5,
  kCodeHotspots = 6,
  kCodeGreedy = 7,
  kCodeNearMinimum = 8,
  kCodeNearMaximumCoverage = 9,
  kCodeImportedScores = 10,
  kCodeOverlay = 11,
  kCodeRangeCentres = 12,
  kCodeMedianRange = 13,
  kCodeSelectiveRichness = 22,
  kCodeRandomSets = 23,
  kCodeLevelN = 24,
  kCodeMaxLevel = 25,
  kCodeFlexibilityPlot = 26,
  kCodeSelectiveRarity = 27,
  kCodeEmrIrreplaceability = 28,
  kCodeReorderedByRichness = 29,
  kCodeMaxRarity = 30,
  kCodeRepresentation = 32,
  kCodeRareThreshold = 36,
  kCodeSelectedAreas = 37,
  kCodeResiduals = 38,
  kCodeMedianQuantitative = 39,
  kCodeFullyFlexible = 40,
  kCodeReorderedByThreat = 46,
  kCodeSelectionFrequency = 47,
  kCodeReplacementCost = 48,
};

// Codes that no command selects. A few rules still take them into account
// (14 ... 19 take mean passes, 20 and 21 count as area selections).
constexpr MeasureCode kCodeReservedFirstMean = static_cast<MeasureCode>(14);
constexpr MeasureCode kCodeReservedLastMean = static_cast<MeasureCode>(19);
constexpr MeasureCode kCodeReservedSelection20 = static_cast<MeasureCode>(20);
constexpr MeasureCode kCodeReservedSelection21 = static_cast<MeasureCode>(21);

}  // namespace zn
