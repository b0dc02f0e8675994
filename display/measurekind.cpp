#include "display/measurekind.h"

#include "store/measuretraits.h"

namespace zn {

MeasureKind measureKind(const MapRecord& m) {
  const MeasureTraits& t = m.traits();
  const bool transformed = m.meanPasses > 0 || m.smoothPasses > 0;
  MeasureKind k;
  k.countType = t.count == CountType::Always || (t.count == CountType::UntilTransformed && !transformed);
  k.category = t.category;
  k.maxLevelSpots = t.maxLevelSpots;
  k.overlay = t.overlay;
  k.largeSpots = t.largeSpots;
  k.italicTitle = t.italicTitle;
  k.medianNumbers = t.medianNumbers;
  k.noTitle = t.noTitle;
  return k;
}

}  // namespace zn
