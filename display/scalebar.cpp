#include "display/scalebar.h"

#include "store/text.h"

namespace zn {

std::vector<ScaleLabel> scaleBarLabels(const ClassTable& t, const MeasureKind& kind, int scaleType,
                                       bool inverted) {
  std::vector<ScaleLabel> out;
  const int k = t.classCount;
  if (inverted || kind.category || static_cast<int>(t.limits.size()) < k) return out;
  for (int c = 0; c < k; ++c) {
    const double lim = t.limits[static_cast<std::size_t>(c)];
    const bool top = c == k - 1;
    if (!(lim > 0)) continue;
    if (top ? scaleType == kFixedLimit : lim == t.limits[static_cast<std::size_t>(c + 1)]) continue;
    const double shown = lim > 100 ? 0.0 : lim;
    std::string s;
    if (kind.countType)
      s = strprintf("%d", static_cast<int>(lim));
    else if (top)
      s = strprintf("%6.2f%c", shown, '%');
    else
      s = strprintf("%6.2f", shown);
    out.push_back({c, s});
  }
  return out;
}

}  // namespace zn
