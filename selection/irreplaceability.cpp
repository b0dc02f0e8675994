#include "selection/irreplaceability.h"

#include <algorithm>
#include <numeric>

#include "measures/presence.h"
#include "measures/scores.h"
#include "selection/selectionindex.h"

namespace zn {

namespace {

// The taxa still to be held (included, with records, not represented),
// rarest first; ties in card order.
struct Pending {
  const PresenceIndex& index;
  std::vector<char> done;
  std::vector<int> byRange;
  int cells = 0;

  Pending(const AnalysisData& a, const AreaSet& areas) : index(a.occ()) {
    cells = scoredUnits(a);
    done = representedTaxa(index, areas);
    for (int t = 0; t < index.taxa; ++t)
      if (!a.counts(t) || index.range(t) == 0) done[static_cast<std::size_t>(t)] = 1;
    for (int t = 0; t < index.taxa; ++t)
      if (!done[static_cast<std::size_t>(t)]) byRange.push_back(t);
    std::stable_sort(byRange.begin(), byRange.end(), [&](int x, int y) { return index.range(x) < index.range(y); });
  }
  int counted() const { return static_cast<int>(byRange.size()); }

  // Gives cell c the score of the pass unless it has one; true when it
  // was scored now.
  bool score(IrreplaceabilityResult& r, int c, int size, int pass) const {
    if (c > cells) return false;
    double& g = r.score[static_cast<std::size_t>(c)];
    if (g != 0.0) return false;
    g = 1.0 / size;
    r.count[static_cast<std::size_t>(c)] = pass;
    return true;
  }
};

// Both measures start alike: no cell scored, the pending taxa.
struct Run {
  Run(const AnalysisData& a, const AreaSet& areas) : p(a, areas) {
    r.taxaCounted = p.counted();
    r.score.assign(static_cast<std::size_t>(std::max(p.cells, 0)) + 1, 0.0);
    r.count.assign(r.score.size(), 0);
  }
  Pending p;
  IrreplaceabilityResult r;
};

void finish(IrreplaceabilityResult& r) { r.top = *std::max_element(r.score.begin(), r.score.end()); }

}  // namespace

IrreplaceabilityResult computeEmrIrreplaceability(const AnalysisData& data, const AreaSet& areas) {
  if (!data.data) return {};
  Run run(data, areas);
  Pending& p = run.p;
  IrreplaceabilityResult& r = run.r;
  // Candidates: cells holding a taxon richness would count.
  std::vector<char> candidate(static_cast<std::size_t>(p.cells) + 1, 0);
  for (int t : p.byRange)
    for (int c : p.index.unitsOf(t))
      if (c <= p.cells && !candidate[static_cast<std::size_t>(c)])
        candidate[static_cast<std::size_t>(c)] = 1, ++r.candidates;

  std::vector<int> scoredNow;
  std::size_t next = 0;
  for (;;) {
    while (next < p.byRange.size() && p.done[static_cast<std::size_t>(p.byRange[next])]) ++next;
    if (next == p.byRange.size()) break;
    const int size = p.index.range(p.byRange[next]);
    ++r.passes;
    scoredNow.clear();
    for (std::size_t k = next; k < p.byRange.size() && p.index.range(p.byRange[k]) == size; ++k) {
      const int t = p.byRange[k];
      if (p.done[static_cast<std::size_t>(t)]) continue;
      for (int c : p.index.unitsOf(t))
        if (p.score(r, c, size, r.passes)) scoredNow.push_back(c);
    }
    for (int c : scoredNow)
      for (int t : p.index.taxaIn(c)) p.done[static_cast<std::size_t>(t)] = 1;
    // Every taxon of this size is held now (one whose cells all lie beyond
    // the grid would otherwise hold the passes up).
    for (std::size_t k = next; k < p.byRange.size() && p.index.range(p.byRange[k]) == size; ++k)
      p.done[static_cast<std::size_t>(p.byRange[k])] = 1;
  }
  for (int c = 1; c <= p.cells; ++c)
    if (candidate[static_cast<std::size_t>(c)] && r.score[static_cast<std::size_t>(c)] == 0.0) {
      r.score[static_cast<std::size_t>(c)] = 1.0 / r.candidates;
      r.count[static_cast<std::size_t>(c)] = r.passes + 1;
    }
  finish(r);
  return run.r;
}

IrreplaceabilityResult computeMaxRarity(const AnalysisData& data, const AreaSet& areas) {
  if (!data.data) return {};
  Run run(data, areas);
  Pending& p = run.p;
  IrreplaceabilityResult& r = run.r;
  for (std::size_t k = 0; k < p.byRange.size();) {
    const int size = p.index.range(p.byRange[k]);
    ++r.passes;
    for (; k < p.byRange.size() && p.index.range(p.byRange[k]) == size; ++k)
      for (int c : p.index.unitsOf(p.byRange[k])) p.score(r, c, size, r.passes);
  }
  finish(r);
  return run.r;
}

MeasureResult asMapScores(const IrreplaceabilityResult& r) {
  MeasureResult m;
  m.ran = true;
  m.score = r.score;
  m.count = r.count;
  m.taxaCounted = r.taxaCounted;
  m.scaleLimit = r.top;
  return m;
}

}  // namespace zn
