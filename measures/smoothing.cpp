#include "measures/smoothing.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "measures/richness.h"
#include "measures/scores.h"
#include "store/unitgeometry.h"

namespace zn {

namespace {

double asNumber(double score) { return score == kZeroScore ? 0.0 : score; }

// The units of a neighbourhood of 9 (the first ring) or 25 (both rings)
// around each unit, in ring order: on a fixed grid the rings of its
// geometry; elsewhere the first ring is the unit's neighbours and the
// second theirs.
class Neighbourhood {
 public:
  Neighbourhood(const AnalysisData& a, int rings) : a_(a), rings_(rings) {}
  const std::vector<int>& around(int n) {
    units_.clear();
    if (a_.fixedGrid && a_.geometry) {
      for (int k = 1; k <= rings_; ++k) {
        a_.geometry->ring(n, k, ring_);
        units_.insert(units_.end(), ring_.begin(), ring_.end());
      }
      return units_;
    }
    if (!a_.data) return units_;
    const Adjacency& adj = a_.data->adjacency;
    if (n < 1 || static_cast<std::size_t>(n) + 1 >= adj.start.size()) return units_;
    if (seen_.size() < adj.start.size()) seen_.assign(adj.start.size(), 0);
    seen_[static_cast<std::size_t>(n)] = n;
    addNeighbours(adj, n, n);
    const std::size_t first = units_.size();
    for (std::size_t i = 0; rings_ >= 2 && i < first; ++i) addNeighbours(adj, units_[i], n);
    return units_;
  }

 private:
  // The neighbours of m not yet around n (the unit's own entry is its outer boundary).
  void addNeighbours(const Adjacency& adj, int m, int n) {
    if (static_cast<std::size_t>(m) + 1 >= adj.start.size()) return;
    const std::uint32_t* next = adj.neighboursOf(m);
    for (int i = 0; i < adj.degree(m); ++i) {
      const auto q = static_cast<std::size_t>(next[i]);
      if (q >= seen_.size() || seen_[q] == n) continue;
      seen_[q] = n;
      units_.push_back(static_cast<int>(q));
    }
  }

  const AnalysisData& a_;
  int rings_;
  std::vector<int> ring_, units_;
  std::vector<int> seen_;  // per unit, the unit whose neighbourhood last took it
};

}  // namespace

double meanScore(double score, int count) { return count != 0 && score != kZeroScore ? score / count : score; }

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

SmoothParams smoothParams(const Settings& st) {
  return {st.smoothByMean == Smoothing::kMean, st.neighbourhoodSize == NeighbourhoodSize::kTwentyFive ? 2 : 1};
}

std::vector<double> smoothScores(const AnalysisData& a, const std::vector<double>& scores, const SmoothParams& p) {
  std::vector<double> out = scores;
  Neighbourhood hood(a, p.rings);
  std::vector<double> around;
  for (std::size_t n = 1; n < scores.size(); ++n) {
    if (scores[n] == 0.0) continue;
    around.clear();
    for (const int m : hood.around(static_cast<int>(n))) {
      if (m < 1 || static_cast<std::size_t>(m) >= scores.size()) continue;
      const double v = scores[static_cast<std::size_t>(m)];
      if (v != 0.0) around.push_back(asNumber(v));
    }
    const double x = asNumber(scores[n]);
    double r = x;
    if (p.byMean) {
      r = smoothedValue(x, around.data(), static_cast<int>(around.size()) + 1, true);
    } else if (!around.empty()) {
      // The median of the unit's value among its neighbours', sorted in place.
      around.push_back(x);
      r = medianDescending(around);
    }
    out[n] = r == 0.0 ? kZeroScore : r;
  }
  return out;
}

void smoothThreeAxisValues(const AnalysisData& place, ThreeAxisBuffer& b, int cells, const SmoothParams& p) {
  cells = std::min(cells, static_cast<int>(b.values.size()) - 1);
  Neighbourhood hood(place, p.rings);
  std::vector<double> around;
  for (std::size_t column = 0; column < 3; ++column) {
    auto value = [&](int n) -> double& { return b.values[static_cast<std::size_t>(n)][column]; };
    for (int n = 1; n <= cells; ++n) {
      if (value(n) == 0.0) continue;
      around.clear();
      for (const int m : hood.around(n))
        if (m <= cells && value(m) != 0.0) around.push_back(asNumber(value(m)));
      const double r = smoothedValue(asNumber(value(n)), around.data(), static_cast<int>(around.size()) + 1, p.byMean);
      value(n) = r == 0.0 ? kZeroScore : r;
    }
  }
}

ResidualScale takeResiduals(std::vector<GridCell>& cells, int last, bool relative) {
  last = std::min(last, static_cast<int>(cells.size()) - 1);
  double lo = 0.0, hi = 0.0;
  for (int n = 1; n <= last; ++n) {
    GridCell& c = cells[static_cast<std::size_t>(n)];
    if (c.count == 0) continue;
    const double smooth = asNumber(c.score);
    const double diff = c.count - smooth;
    // Smoothed richness of a cell with taxa is at least 1; a zero would only
    // come from a broken map and must not give an infinite score.
    c.score = relative ? (smooth != 0.0 ? diff / smooth : 0.0) : diff;
    lo = std::min(lo, c.score);
    hi = std::max(hi, c.score);
  }
  ResidualScale scale;
  if (lo < 0.0) {
    hi -= lo;
    scale.offset = lo;
    for (int n = 1; n <= last; ++n) {
      GridCell& c = cells[static_cast<std::size_t>(n)];
      if (c.count == 0) continue;
      c.score = c.score == lo ? kZeroScore : c.score - lo;
    }
  }
  scale.limit = hi;
  return scale;
}

Residuals residualScores(const MeasureInput& in, const MeasureParams& p, const SmoothParams& smooth, bool relative) {
  Residuals r;
  r.scores = runRichness(in, p);
  if (!r.scores.ran) return r;
  for (; r.smoothPasses < 2; ++r.smoothPasses) r.scores.score = smoothScores(in.data, r.scores.score, smooth);
  std::vector<GridCell> cells(r.scores.score.size());
  for (std::size_t n = 1; n < cells.size(); ++n) {
    cells[n].score = r.scores.score[n];
    cells[n].count = r.scores.count[n];
  }
  const ResidualScale scale = takeResiduals(cells, static_cast<int>(cells.size()) - 1, relative);
  for (std::size_t n = 1; n < cells.size(); ++n) r.scores.score[n] = cells[n].score;
  r.scores.scaleLimit = scale.limit;
  r.offset = scale.offset;
  return r;
}

}  // namespace zn
