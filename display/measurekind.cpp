#include "display/measurekind.h"

#include "measures/scores.h"

namespace zn {

MeasureKind measureKind(const MapRecord& m) {
  MeasureKind k;
  const bool transformed = m.meanPasses > 0 || m.smoothPasses > 0;
  switch (m.measureCode) {
    case kCodeRichness:
    case kCodeRareQuartile:
    case kCodeRangeCentres:
    case kCodeSelectiveRichness:
    case kCodeLevelN:
    case kCodeRareThreshold: k.countType = !transformed; break;
    case kCodeFlexibilityPlot:  // goal-essential taxa of an area
      k.countType = !transformed;
      k.largeSpots = true;
      k.italicTitle = true;
      break;
    case kCodeMedianQuantitative:
      k.countType = true;
      k.medianNumbers = true;
      k.noTitle = true;
      break;
    case kCodeNearMinimum:  // areas ranked by position
      k.category = true;
      k.largeSpots = true;
      break;
    case kCodeNone:
    case kCodeGreedy:
    case kCodeNearMaximumCoverage:
    case kCodeRandomSets:
    case kCodeReorderedByRichness:
    case kCodeSelectedAreas:
    case kCodeFullyFlexible:
    case kCodeReorderedByThreat:
    // Shares of runs and replacement costs are few values, each worded.
    case kCodeSelectionFrequency:
    case kCodeReplacementCost: k.category = true; break;
    case kCodeMaxLevel:
      k.category = true;
      k.maxLevelSpots = true;
      break;
    case kCodeOverlay:
      k.overlay = true;
      k.category = true;
      break;
    default: break;
  }
  return k;
}

}  // namespace zn
