#include "display/readout.h"

#include <cmath>
#include <cstring>

#include "store/session.h"
#include "store/text.h"

namespace zn {

namespace {

std::string degrees(double v, char positive, char negative) {
  return strprintf("%g%c", std::fabs(v), v < 0 ? negative : positive);
}

std::string trimmed(const std::array<char, 20>& name) {
  std::string t(name.data(), strnlen(name.data(), name.size()));
  const auto b = t.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return t.substr(b, t.find_last_not_of(' ') - b + 1);
}

}  // namespace

std::string cellReadout(const Session& s, int n) {
  const Workspace& ws = s.ws;
  if (n < 1 || n > ws.geo.cells || n >= static_cast<int>(ws.cells.size())) return {};
  const GridCell& c = ws.cells[static_cast<std::size_t>(n)];
  std::string out = strprintf("cell %d", n);
  const std::string name = trimmed(c.name);
  if (!name.empty()) out += "  " + name;
  if (s.grid().geographic())
    out += "  " + degrees(c.lonWest, 'E', 'W') + ".." + degrees(c.lonEast, 'E', 'W') + " " +
           degrees(c.latSouth, 'N', 'S') + ".." + degrees(c.latNorth, 'N', 'S');
  if (s.scoresPresent && std::isfinite(c.score)) {
    // The marker of a zero score, and the shift of negative scores, are undone.
    const double score = c.score == kZeroScore ? 0.0 : c.score + s.map.scoreOffset;
    out += strprintf("  score %g  count %d", score, c.count);
  }
  return out;
}

}  // namespace zn
