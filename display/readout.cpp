#include "display/readout.h"

#include <cmath>

#include "store/session.h"
#include "store/text.h"
#include "store/unitgeometry.h"

namespace zn {

namespace {

std::string degrees(double v, char positive, char negative) {
  return strprintf("%g%c", std::fabs(v), v < 0 ? negative : positive);
}

}  // namespace

std::string cellReadout(const Session& s, int n) {
  const auto units = unitGeometry(s);
  if (!units->holds(n)) return {};
  const GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
  std::string out = strprintf("cell %d", n);
  const std::string name = units->name(n);
  if (!name.empty()) out += "  " + name;
  if (const auto e = units->extent(n); e && units->geographic())
    out += "  " + degrees(e->west, 'E', 'W') + ".." + degrees(e->east, 'E', 'W') + " " + degrees(e->south, 'N', 'S') +
           ".." + degrees(e->north, 'N', 'S');
  if (s.scoresPresent && std::isfinite(c.score)) {
    // The marker of a zero score, and the shift of negative scores, are undone.
    const double score = c.score == kZeroScore ? 0.0 : c.score + s.map.scoreOffset;
    out += strprintf("  score %g  count %d", score, c.count);
  }
  return out;
}

}  // namespace zn
