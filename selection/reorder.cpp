#include "selection/reorder.h"

#include <algorithm>

namespace zn {

namespace {

// Index of each cell in a list of areas (-1 when absent).
std::vector<int> slotsOf(const std::vector<int>& areas, const SelectionIndex& x) {
  std::vector<int> slot(static_cast<std::size_t>(x.cells) + 1, -1);
  for (std::size_t i = 0; i < areas.size(); ++i)
    if (x.valid(areas[i])) slot[static_cast<std::size_t>(areas[i])] = static_cast<int>(i);
  return slot;
}

// Included taxa present in the area and not yet covered.
int uncoveredTaxa(const SelectionIndex& x, int area, const std::vector<char>& covered) {
  int k = 0;
  if (x.valid(area))
    for (int t : x.ix.taxaIn(area)) k += x.counts(t) && !covered[static_cast<std::size_t>(t)];
  return k;
}

}  // namespace

std::vector<PlacedArea> reorderByRichnessPasses(AreaSet& set, const SelectionIndex& x) {
  std::vector<PlacedArea> placedAreas;
  const int seeds = std::clamp(set.seedCount, 0, set.count());
  const int areaCount = set.count();
  const std::vector<int> work(set.cells.begin() + seeds, set.cells.end());
  set.cells.resize(static_cast<std::size_t>(seeds));

  int withRecords = 0;
  for (int t = 0; t < x.ix.taxa; ++t) withRecords += x.counts(t) && x.range(t) > 0;

  // Taxa present in the positions since the pass started; the first pass
  // starts at position 1, so the seeds count.
  std::vector<char> covered(static_cast<std::size_t>(x.ix.taxa), 0);
  int coveredCount = 0;
  auto cover = [&](int area, std::vector<int>* value, const std::vector<int>& slot, const std::vector<char>& placed) {
    if (!x.valid(area)) return;
    for (int t : x.ix.taxaIn(area)) {
      if (!x.counts(t) || covered[static_cast<std::size_t>(t)]) continue;
      covered[static_cast<std::size_t>(t)] = 1;
      ++coveredCount;
      if (!value) continue;
      for (int c : x.ix.unitsOf(t))
        if (const int i = slot[static_cast<std::size_t>(c)]; i >= 0 && !placed[static_cast<std::size_t>(i)])
          --(*value)[static_cast<std::size_t>(i)];
    }
  };
  const std::vector<int> slot = slotsOf(work, x);
  std::vector<char> placed(work.size(), 0);
  for (int p = 0; p < seeds; ++p) cover(set.cells[static_cast<std::size_t>(p)], nullptr, slot, placed);
  std::vector<int> value(work.size(), 0);
  auto newPass = [&] {
    std::fill(covered.begin(), covered.end(), 0);
    coveredCount = 0;
    for (std::size_t i = 0; i < work.size(); ++i)
      if (!placed[i]) value[i] = uncoveredTaxa(x, work[i], covered);
  };
  for (std::size_t i = 0; i < work.size(); ++i) value[i] = uncoveredTaxa(x, work[i], covered);

  int restarts = 0;
  std::size_t left = work.size();
  while (left > 0) {
    std::size_t best = work.size();
    for (std::size_t i = 0; i < work.size(); ++i)
      if (!placed[i] && (best == work.size() || value[i] > value[best])) best = i;
    if (value[best] <= 0) {
      // A new pass at this position; once it has been tried as often as
      // there are areas, the rest add nothing in any pass.
      if (restarts >= areaCount) break;
      ++restarts;
      newPass();
      continue;
    }
    placed[best] = 1;
    --left;
    const int a = work[best];
    set.cells.push_back(a);
    if (x.valid(a)) placedAreas.push_back({a, value[best], set.count()});
    cover(a, &value, slot, placed);
    if (coveredCount >= withRecords) newPass();
  }
  for (std::size_t i = 0; i < work.size(); ++i)
    if (!placed[i]) set.cells.push_back(work[i]);
  return placedAreas;
}

void reorderByGain(AreaSet& set, const SelectionIndex& x, const std::vector<double>& weight,
                   const std::vector<double>* costs) {
  const int seeds = std::clamp(set.seedCount, 0, set.count());
  const std::vector<int> rest(set.cells.begin() + seeds, set.cells.end());
  if (rest.size() < 2) return;
  std::vector<char> covered(static_cast<std::size_t>(x.ix.taxa), 0);
  for (int p = 0; p < seeds; ++p)
    if (const int a = set.cells[static_cast<std::size_t>(p)]; x.valid(a))
      for (int t : x.ix.taxaIn(a)) covered[static_cast<std::size_t>(t)] = 1;
  // Sums are made afresh in card order whenever an area's taxa change, so
  // that equal sets of taxa give equal sums and tie as they should.
  auto gainOf = [&](int a) {
    double g = 0.0;
    if (!x.valid(a)) return g;
    for (int t : x.ix.taxaIn(a))
      if (x.counts(t) && !covered[static_cast<std::size_t>(t)]) g += weight[static_cast<std::size_t>(t)];
    if (costs && g != 0.0) {
      const double c = (*costs)[static_cast<std::size_t>(a)];
      if (c > 0.0) g /= c;
    }
    return g;
  };
  std::vector<double> gain(rest.size());
  for (std::size_t i = 0; i < rest.size(); ++i) gain[i] = gainOf(rest[i]);
  const std::vector<int> slot = slotsOf(rest, x);
  std::vector<char> placed(rest.size(), 0), dirty(rest.size(), 0);
  std::size_t q = static_cast<std::size_t>(seeds);
  for (std::size_t step = 0; step < rest.size(); ++step) {
    std::size_t best = rest.size();
    for (std::size_t i = 0; i < rest.size(); ++i)
      if (!placed[i] && (best == rest.size() || gain[i] > gain[best])) best = i;
    if (gain[best] <= 0.0) break;  // the rest add nothing: they keep their order
    placed[best] = 1;
    set.cells[q++] = rest[best];
    const int a = rest[best];
    if (!x.valid(a)) continue;
    for (int t : x.ix.taxaIn(a)) {
      if (covered[static_cast<std::size_t>(t)]) continue;
      covered[static_cast<std::size_t>(t)] = 1;
      for (int c : x.ix.unitsOf(t))
        if (const int i = slot[static_cast<std::size_t>(c)]; i >= 0 && !placed[static_cast<std::size_t>(i)])
          dirty[static_cast<std::size_t>(i)] = 1;
    }
    for (std::size_t i = 0; i < rest.size(); ++i)
      if (dirty[i]) {
        dirty[i] = 0;
        gain[i] = gainOf(rest[i]);
      }
  }
  for (std::size_t i = 0; i < rest.size(); ++i)
    if (!placed[i]) set.cells[q++] = rest[i];
}

void reorderByThreat(AreaSet& set, const std::vector<double>& threat) {
  const int seeds = std::clamp(set.seedCount, 0, set.count());
  const auto of = [&](int a) {
    return a >= 1 && a < static_cast<int>(threat.size()) ? threat[static_cast<std::size_t>(a)] : 0.0;
  };
  std::stable_sort(set.cells.begin() + seeds, set.cells.end(), [&](int a, int b) { return of(a) > of(b); });
}

namespace {

// The set as given, or the refusal of an empty one under `caption`.
CurrentSetRun startRun(const CurrentSetParams& p, const char* caption) {
  CurrentSetRun r;
  if (p.set.empty()) r.refusal = Notice{"No areas have been selected yet.", caption, Icon::None};
  r.set = p.set;
  r.facts = p.facts;
  return r;
}

}  // namespace

CurrentSetRun reorderByRichnessRun(const AnalysisData&, const SelectionIndex& x, const CurrentSetParams& p) {
  CurrentSetRun r = startRun(p, "Re-order areas by richness");
  if (r.refusal) return r;
  r.placed = reorderByRichnessPasses(r.set, x);
  r.rescored = true;
  return r;
}

CurrentSetRun reorderByThreatRun(const AnalysisData& data, const SelectionIndex&, const CurrentSetParams& p) {
  if (!p.threatPresent) {
    CurrentSetRun r;
    r.refusal = Notice{"No threat variable has been loaded.", "Re-order areas by threat", Icon::None};
    return r;
  }
  CurrentSetRun r = startRun(p, "Re-order areas by threat");
  if (!r.refusal) reorderByThreat(r.set, data.threat);
  return r;
}

CurrentSetRun setAsItStands(const AnalysisData&, const SelectionIndex&, const CurrentSetParams& p) {
  return startRun(p, "Representation RESULTS");
}

}  // namespace zn
