// The map record: which measure's scores are on the map, its title and the
// passes applied to them. The background map record keeps a second map.
#pragma once

#include <string>

#include "store/settings.h"

namespace zn {

// The map on screen: which measure, its title and the passes applied.
struct MapRecord {
  int measureCode = 0;
  std::string title;
  double scoreOffset = 0.0;
  int meanPasses = 0;
  int smoothPasses = 0;
  MapSettingsCopy settings;
};

}  // namespace zn
