#include "measures/smoothing.h"

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "measures/richness.h"
#include "measures/scores.h"
#include "store/measurecode.h"
#include "store/measuretraits.h"
#include "store/unitgeometry.h"

namespace zn {

namespace {

double asNumber(double score) { return score == kZeroScore ? 0.0 : score; }

int lastCell(const Session& s) { return lastCellNumber(s.ws); }

// The units of a neighbourhood of 9 (the first ring) or 25 (both rings)
// around each unit, in ring order.
class Neighbourhood {
 public:
  explicit Neighbourhood(const Session& s)
      : geometry_(unitGeometry(s)), rings_(s.settings.neighbourhoodSize == 25 ? 2 : 1) {}
  const std::vector<int>& around(int n) {
    units_.clear();
    for (int k = 1; k <= rings_; ++k) {
      geometry_->ring(n, k, ring_);
      units_.insert(units_.end(), ring_.begin(), ring_.end());
    }
    return units_;
  }

 private:
  std::unique_ptr<UnitGeometry> geometry_;
  int rings_;
  std::vector<int> ring_, units_;
};

bool singleTaxonPlot(const Session& s) {
  const MeasureCode code = s.map.measureCode;
  return (code == kCodeSelectiveRichness || code == kCodeFlexibilityPlot) && markedTaxa(s.ws) == 1;
}

}  // namespace

bool meanPassApplies(const Session& s) { return s.ws.datafile.opened && measureTraits(s.map.measureCode).meanable; }

bool smoothPassApplies(const Session& s) {
  return s.scoresPresent && measureTraits(s.map.measureCode).smoothable && !singleTaxonPlot(s);
}

void meanPass(Session& s) {
  if (!meanPassApplies(s)) return;
  for (int n = 1; n <= lastCell(s); ++n) {
    GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    if (c.count != 0 && c.score != kZeroScore) c.score /= c.count;
  }
  ++s.map.meanPasses;
}

double smoothedValue(double x, const double* neighbours, int k, bool byMean) {
  if (k <= 1) return x;
  if (byMean) {
    double sum = x;
    for (int i = 0; i + 1 < k; ++i) sum += neighbours[i];
    return sum / k;
  }
  std::vector<double> v(neighbours, neighbours + (k - 1));
  v.push_back(x);
  return medianDescending(v);
}

void smoothPass(Session& s) {
  if (!smoothPassApplies(s)) return;
  const int cells = lastCell(s);
  Neighbourhood hood(s);
  const bool byMean = s.settings.smoothByMean == Smoothing::kMean;
  auto& grid = s.ws.cells;
  std::vector<double> smoothed(static_cast<std::size_t>(cells) + 1, 0.0);
  std::array<double, 24> around{};
  for (int n = 1; n <= cells; ++n) {
    const GridCell& c = grid[static_cast<std::size_t>(n)];
    if (c.score == 0.0) continue;
    int k = 1;
    for (const int m : hood.around(n)) {
      const double v = grid[static_cast<std::size_t>(m)].score;
      if (v == 0.0) continue;
      around[static_cast<std::size_t>(k - 1)] = asNumber(v);
      ++k;
    }
    const double r = smoothedValue(asNumber(c.score), around.data(), k, byMean);
    smoothed[static_cast<std::size_t>(n)] = r == 0.0 ? kZeroScore : r;
  }
  for (int n = 1; n <= cells; ++n) {
    GridCell& c = grid[static_cast<std::size_t>(n)];
    if (c.score != 0.0) c.score = smoothed[static_cast<std::size_t>(n)];
  }
  ++s.map.smoothPasses;
}

void smoothThreeAxis(Session& s) {
  ThreeAxisBuffer& b = s.overlay.threeAxis;
  if (!b.loaded || !smoothPassApplies(s)) return;
  const int cells = std::min(lastCell(s), static_cast<int>(b.values.size()) - 1);
  Neighbourhood hood(s);
  const bool byMean = s.settings.smoothByMean == Smoothing::kMean;
  std::array<double, 24> around{};
  for (std::size_t column = 0; column < 3; ++column) {
    auto value = [&](int n) -> double& { return b.values[static_cast<std::size_t>(n)][column]; };
    for (int n = 1; n <= cells; ++n) {
      if (value(n) == 0.0) continue;
      int k = 1;
      for (const int m : hood.around(n)) {
        if (m > cells || value(m) == 0.0) continue;
        around[static_cast<std::size_t>(k - 1)] = asNumber(value(m));
        ++k;
      }
      const double r = smoothedValue(asNumber(value(n)), around.data(), k, byMean);
      value(n) = r == 0.0 ? kZeroScore : r;
    }
  }
  for (int n = 1; n <= cells; ++n)
    s.ws.cells[static_cast<std::size_t>(n)].score = b.values[static_cast<std::size_t>(n)][0];
  ++s.map.smoothPasses;
}

void computeResiduals(Session& s) {
  if (!measureApplies(s, kCodeResiduals)) return;
  setMeasureCode(s, kCodeRichness);
  computeRichness(s);
  smoothPass(s);
  smoothPass(s);
  setMeasureCode(s, kCodeResiduals);

  const bool relative = s.settings.residualsNotRelative == Flag::kOff;
  const int cells = lastCell(s);
  auto& grid = s.ws.cells;
  double lo = 0.0, hi = 0.0;
  for (int n = 1; n <= cells; ++n) {
    GridCell& c = grid[static_cast<std::size_t>(n)];
    if (c.count == 0) continue;
    const double smooth = asNumber(c.score);
    const double diff = c.count - smooth;
    // Smoothed richness of a cell with taxa is at least 1; a zero would only
    // come from a broken map and must not give an infinite score.
    c.score = relative ? (smooth != 0.0 ? diff / smooth : 0.0) : diff;
    lo = std::min(lo, c.score);
    hi = std::max(hi, c.score);
  }
  s.map.scoreOffset = 0.0;
  if (lo < 0.0) {
    hi -= lo;
    s.map.scoreOffset = lo;
    for (int n = 1; n <= cells; ++n) {
      GridCell& c = grid[static_cast<std::size_t>(n)];
      if (c.count == 0) continue;
      c.score = c.score == lo ? kZeroScore : c.score - lo;
    }
  }
  const int smoothed = s.map.smoothPasses;
  finishMeasure(s, hi);
  s.map.smoothPasses = smoothed;
}

}  // namespace zn
