#include "selection/cellinfo.h"

#include <algorithm>

#include "store/text.h"

namespace zn {

std::string locationName(const Workspace& ws, int cell) {
  if (cell < 1 || cell >= static_cast<int>(ws.cells.size())) return {};
  const auto& name = ws.cells[static_cast<std::size_t>(cell)].name;
  return fieldText(reinterpret_cast<const unsigned char*>(name.data()), 17);
}

int areaPosition(const AreaSet& a, int cell) {
  auto it = std::find(a.cells.begin(), a.cells.end(), cell);
  return it == a.cells.end() ? 0 : static_cast<int>(it - a.cells.begin()) + 1;
}

}  // namespace zn
