#include "selection/hotspots.h"

#include <algorithm>
#include <utility>

#include "measures/dispatch.h"
#include "measures/smoothing.h"
#include "selection/areaset.h"
#include "selection/stopwatch.h"
#include "store/measuretraits.h"
#include "store/text.h"

namespace zn {

MeasureCode hotspotMeasure(HotspotKind kind) {
  switch (kind) {
    case HotspotKind::kRichness: return kCodeRichness;
    case HotspotKind::kRarity: return kCodeRangeSizeRarity;
    case HotspotKind::kRareQuartile: return kCodeRareQuartile;
    case HotspotKind::kThreshold: return kCodeRareThreshold;
    case HotspotKind::kResiduals: return kCodeResiduals;
    default: return kCodeNone;
  }
}

void exchangeSortDescending(std::vector<double>& scores, std::vector<int>& cells) {
  const int last = static_cast<int>(std::min(scores.size(), cells.size())) - 1;
  for (int gap = last / 2; gap > 0; gap /= 2)
    for (int i = 0; i <= last - gap; ++i)
      for (int j = i; j >= 0; --j) {
        const auto a = static_cast<std::size_t>(j), b = static_cast<std::size_t>(j + gap);
        if (!(scores[a] < scores[b])) break;
        std::swap(scores[a], scores[b]);
        std::swap(cells[a], cells[b]);
      }
}

HotspotResult chooseHotspots(const std::vector<double>& scores, const AreaSet& set, int n, bool zeroMarker,
                             int capacity) {
  HotspotResult r;
  const int cells = static_cast<int>(scores.size()) - 1;
  if (cells < 1) return r;
  std::vector<char> inSet(static_cast<std::size_t>(cells) + 1, 0);
  for (int a : set.cells)
    if (a >= 1 && a <= cells) inSet[static_cast<std::size_t>(a)] = 1;
  // The residual map marks its lowest cell with the zero-score marker: that
  // cell ranks last, not first. A cell already in the set ranks with the
  // cells without a score, so it cannot be chosen a second time.
  std::vector<double> keys(inSet.size(), 0.0);
  std::vector<int> order(inSet.size(), 0);
  int positive = 0;
  for (int c = 1; c <= cells; ++c) {
    const double v = scores[static_cast<std::size_t>(c)];
    const double key = inSet[static_cast<std::size_t>(c)] || (zeroMarker && v == kZeroScore) ? 0.0 : v;
    keys[static_cast<std::size_t>(c)] = key;
    order[static_cast<std::size_t>(c)] = c;
    positive += key > 0.0;
  }
  if (positive < 3) return r;
  n = std::clamp(n, 0, std::min(positive, capacity - set.count()));
  exchangeSortDescending(keys, order);
  r.selected = true;
  r.added = n;
  r.chosen.assign(order.begin(), order.begin() + n);
  return r;
}

SetRun hotspotSetRun(const AnalysisData& a, const SetRunParams& p, Feedback& feedback) {
  const Stopwatch watch(feedback);
  SetRun r;
  r.set = p.start;
  const MeasureCode code = hotspotMeasure(p.settings.hotspotKind);
  if (code == kCodeNone) {
    r.misfit = "hotspots: the options' hotspot kind has no measure";
    return r;
  }
  const MeasureInput in{a, p.start};
  const MeasureParams params = measureParams(p.settings);
  if (code == kCodeResiduals) {
    // Residuals smooth over the rings of a fixed grid, which a project lacks.
    if (!a.fixedGrid) {
      r.misfit = "hotspots by residuals needs the cells of a fixed grid";
      return r;
    }
    Residuals residuals =
        residualScores(in, params, smoothParams(p.settings), p.settings.residualsNotRelative == Flag::kOff);
    r.scores = std::move(residuals.scores);
    r.smoothPasses = residuals.smoothPasses;
  } else if (a.data) {
    r.scores = code == kCodeRichness          ? runRichness(in, params)
               : code == kCodeRangeSizeRarity ? runRangeSizeRarity(in, params)
               : code == kCodeRareQuartile    ? runRareQuartile(in, params)
                                              : runRareThreshold(in, params);
  }
  r.ran = r.scores.ran;
  if (!r.ran) return r;
  const HotspotResult h = chooseHotspots(r.scores.score, p.start, p.areas, code == kCodeResiduals, p.capacity);
  if (!h.selected) {
    r.nothing = "fewer than 3 " + p.units + " score above 0 by the hotspot measure: no hotspots are selected";
    return r;
  }
  if (h.added < p.areas)
    r.notes.push_back(strprintf("only %d %s score above 0: %d hotspots are selected", h.added, p.units.c_str(), h.added));
  r.set.seedCount = r.set.count();
  r.set.cells.insert(r.set.cells.end(), h.chosen.begin(), h.chosen.end());
  std::vector<int> rank(r.scores.score.size(), 0);
  for (std::size_t k = 0; k < h.chosen.size(); ++k) rank[static_cast<std::size_t>(h.chosen[k])] = static_cast<int>(k) + 1;
  for (std::size_t n = 1; n < rank.size(); ++n) {
    if (rank[n] == 0) r.scores.score[n] = 0.0;
    r.scores.count[n] = rank[n];
  }
  r.seconds = watch.seconds();
  return r;
}

}  // namespace zn
