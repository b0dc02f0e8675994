#include "display/measurekind.h"

namespace zn {

MeasureKind measureKind(const MapRecord& m) {
  MeasureKind k;
  const bool transformed = m.meanPasses > 0 || m.smoothPasses > 0;
  switch (m.measureCode) {
    case 1:   // richness
    case 5:   // rare-quartile richness
    case 12:  // range centre richness
    case 22:  // selective richness
    case 24:  // level n richness
    case 36:  // rare-threshold richness
      k.countType = !transformed;
      break;
    case 26:  // richness showing flexibility (goal-essential taxa of an area)
      k.countType = !transformed;
      k.largeSpots = true;
      k.italicTitle = true;
      break;
    case 39:  // median quantitative data
      k.countType = true;
      k.medianNumbers = true;
      k.noTitle = true;
      break;
    case 8:   // near-minimum set: areas ranked by position
      k.category = true;
      k.largeSpots = true;
      break;
    case 0:
    case 7:
    case 9:
    case 23:
    case 29:
    case 37:
    case 40:
    case 46:
      k.category = true;
      break;
    case 25:  // max data level
      k.category = true;
      k.maxLevelSpots = true;
      break;
    case 11:
      k.overlay = true;
      k.category = true;
      break;
    default:
      break;
  }
  return k;
}

}  // namespace zn
