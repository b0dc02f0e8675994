#include "display/unitshapes.h"

#include <cmath>

namespace zn {

std::vector<std::vector<CrsPoint>> UnitMapShapes::outline(int n) const {
  if (!lattice)
    return n >= 1 && n <= static_cast<int>(rings.size()) ? rings[static_cast<std::size_t>(n) - 1]
                                                         : std::vector<std::vector<CrsPoint>>{};
  if (n < 1 || n >= static_cast<int>(cellOf.size())) return {};
  const Lattice& l = *lattice;
  const long long c = cellOf[static_cast<std::size_t>(n)] - 1;
  if (c < 0 || l.columns < 1) return {};
  const long long row = c / l.columns, col = c % l.columns;
  if (!l.hex) {
    const double h = l.rowHeight();
    const double x0 = l.west + static_cast<double>(col) * l.size, y1 = l.north - static_cast<double>(row) * h;
    return {{{x0, y1}, {x0 + l.size, y1}, {x0 + l.size, y1 - h}, {x0, y1 - h}}};
  }
  // Pointy-top hexagons: rows 3/4 of a cell height apart, width = size.
  const double r = l.size / std::sqrt(3.0);
  const double cx = l.west + (static_cast<double>(col) + 0.5 + (row % 2 ? 0.5 : 0.0)) * l.size;
  const double cy = l.north - r - static_cast<double>(row) * 1.5 * r;
  std::vector<CrsPoint> ring;
  for (int k = 0; k < 6; ++k) {
    const double a = M_PI / 180.0 * (60.0 * k + 30.0);
    ring.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return {ring};
}

}  // namespace zn
