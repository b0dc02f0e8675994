#include "measures/richness.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "measures/scores.h"

namespace zn {

namespace {

GridCell& cellAt(Session& s, int n) { return s.ws.cells[static_cast<std::size_t>(n)]; }

struct Counted {
  PresenceIndex index;
  std::vector<char> take;
};

Counted countedInput(const Session& s) {
  Counted c{buildPresenceIndex(s.ws, s.settings.excludedLevel), {}};
  c.take = countedTaxa(s.ws, c.index, s.areas);
  return c;
}

// Richness of the counted taxa restricted by keep(t): the common core of
// richness and rare-threshold richness.
void countTaxa(Session& s, const std::function<bool(const PresenceIndex&, int)>& keep) {
  beginMeasure(s);
  Counted in = countedInput(s);
  for (int t = 0; t < in.index.taxa; ++t)
    if (in.take[static_cast<std::size_t>(t)] && !keep(in.index, t)) in.take[static_cast<std::size_t>(t)] = 0;
  s.map.taxaCounted = addTaxonValues(s, in.index, in.take, [](int) { return 1.0; });
  finishMeasure(s, s.map.taxaCounted);
}

// Per cell, the values of the counted taxa present there, reduced to their
// median; count = the number of values.
void cellMedians(Session& s, const std::function<double(const PresenceIndex&, int t, int n)>& value, bool zeroAsOne) {
  beginMeasure(s);
  Counted in = countedInput(s);
  std::vector<char> added(static_cast<std::size_t>(in.index.taxa), 0);
  std::vector<double> scratch;
  for (int n = 1; n <= in.index.units; ++n) {
    scratch.clear();
    for (std::int32_t t : in.index.taxaIn(n))
      if (in.take[static_cast<std::size_t>(t)]) {
        scratch.push_back(value(in.index, t, n));
        added[static_cast<std::size_t>(t)] = 1;
      }
    if (scratch.empty()) continue;
    GridCell& c = cellAt(s, n);
    c.count = static_cast<int>(scratch.size());
    double m = medianDescending(scratch);
    c.score = (zeroAsOne && m == 0.0) ? 1.0 : m;
  }
  s.map.taxaCounted = static_cast<int>(std::count(added.begin(), added.end(), 1));
}

}  // namespace

int addTaxonValues(Session& s, const PresenceIndex& index, const std::vector<char>& take,
                   const std::function<double(int)>& value) {
  int added = 0;
  for (int t = 0; t < index.taxa; ++t) {
    if (!take[static_cast<std::size_t>(t)]) continue;
    auto cells = index.unitsOf(t);
    if (cells.empty()) continue;
    const double v = value(t);
    for (std::int32_t n : cells) {
      GridCell& c = cellAt(s, n);
      c.score += v;
      c.count += 1;
    }
    ++added;
  }
  return added;
}

double medianDescending(std::vector<double>& v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end(), std::greater<double>());
  const std::size_t k = v.size();
  return k % 2 == 1 ? v[k / 2] : (v[k / 2 - 1] + v[k / 2]) / 2.0;
}

void computeRichness(Session& s) {
  if (!measureApplies(s, kCodeRichness)) return;
  countTaxa(s, [](const PresenceIndex&, int) { return true; });
}

void computeRareThreshold(Session& s) {
  if (!measureApplies(s, kCodeRareThreshold)) return;
  const int threshold = s.settings.rangeSizeThreshold;
  countTaxa(s, [threshold](const PresenceIndex& ix, int t) { return ix.range(t) <= threshold; });
}

void computeRangeSizeRarity(Session& s) {
  if (!measureApplies(s, kCodeRangeSizeRarity)) return;
  beginMeasure(s);
  Counted in = countedInput(s);
  const RarityFormula formula = s.settings.rarityFormula;
  const int cells = s.ws.geo.cells;
  s.map.taxaCounted =
      addTaxonValues(s, in.index, in.take, [&](int t) { return rarityValue(formula, in.index.range(t), cells); });
  finishMeasure(s, raritySum(s.ws.counters, formula));
}

void computeLevelN(Session& s) {
  if (!measureApplies(s, kCodeLevelN)) return;
  beginMeasure(s);
  Counted in = countedInput(s);
  const int wanted = s.settings.excludedLevel + 1;
  for (int t = 0; t < in.index.taxa; ++t) {
    if (!in.take[static_cast<std::size_t>(t)]) continue;
    bool added = false;
    for (std::int32_t n : in.index.unitsOf(t)) {
      if (s.ws.cards.level(t, n) != wanted) continue;
      GridCell& c = cellAt(s, n);
      c.score += 1.0;
      c.count += 1;
      added = true;
    }
    s.map.taxaCounted += added ? 1 : 0;
  }
  finishMeasure(s, s.map.taxaCounted);
}

void computeMaxLevel(Session& s) {
  if (!measureApplies(s, kCodeMaxLevel)) return;
  beginMeasure(s);
  Counted in = countedInput(s);
  for (int t = 0; t < in.index.taxa; ++t) {
    if (!in.take[static_cast<std::size_t>(t)]) continue;
    auto cells = in.index.unitsOf(t);
    for (std::int32_t n : cells) {
      const int v = s.ws.cards.level(t, n);
      GridCell& c = cellAt(s, n);
      if (v > c.count) {
        c.count = v;
        c.score = v;
      }
    }
    s.map.taxaCounted += cells.empty() ? 0 : 1;
  }
  finishMeasure(s, s.ws.datafile.levels);
}

void computeMedianQuantitative(Session& s) {
  if (!measureApplies(s, kCodeMedianQuantitative) || !s.ws.datafile.quantitative) return;
  const Workspace& ws = s.ws;
  cellMedians(
      s, [&ws](const PresenceIndex&, int t, int n) { return double(ws.cards.level(t, n)); }, true);
  finishMeasure(s, 1.0);
}

void computeMedianRange(Session& s) {
  if (!measureApplies(s, kCodeMedianRange)) return;
  cellMedians(
      s, [](const PresenceIndex& ix, int t, int) { return double(ix.range(t)); }, false);
  finishMeasure(s, s.ws.geo.cells);
}

void computeRareQuartile(Session& s) {
  if (!measureApplies(s, kCodeRareQuartile)) return;
  beginMeasure(s);
  Counted in = countedInput(s);
  CardStore& cards = s.ws.cards;
  const int n = in.index.taxa;
  struct Pair {
    int index, range;
  };
  std::vector<Pair> pairs(static_cast<std::size_t>(n));
  int qualifying = 0;
  for (int i = 0; i < n; ++i) {
    const int r = in.take[static_cast<std::size_t>(i)] ? in.index.range(i) : 0;
    pairs[static_cast<std::size_t>(i)] = {r > 0 ? i : 0, r};
    qualifying += r > 0 ? 1 : 0;
  }
  const int quota = qualifying / 4;
  // This exact procedure decides the order of equal ranges, and with it
  // which tied taxa fall inside the quartile.
  for (int gap = n / 2; gap >= 1; gap /= 2)
    for (int i = 0; i <= n - gap - 1; ++i)
      for (int j = i; j >= 0; --j) {
        auto& a = pairs[static_cast<std::size_t>(j)];
        auto& b = pairs[static_cast<std::size_t>(j + gap)];
        if (a.range >= b.range) break;
        std::swap(a, b);
      }
  // The pairs live in the cards' plot marks and work counts A.
  for (int i = 0; i < n; ++i) {
    cards.setField(i, cards.layout->currentMark, pairs[static_cast<std::size_t>(i)].index);
    cards.setField(i, cards.layout->workA, pairs[static_cast<std::size_t>(i)].range);
  }
  int counted = 0;
  for (int p = n - 1; p >= 0; --p) {
    const Pair& q = pairs[static_cast<std::size_t>(p)];
    if (q.range == 0) continue;
    for (std::int32_t cell : in.index.unitsOf(q.index)) {
      GridCell& c = cellAt(s, cell);
      c.score += 1.0;
      c.count += 1;
    }
    if (++counted == quota) break;
  }
  s.map.taxaCounted = counted;
  finishMeasure(s, counted);
}

void computeRangeCentres(Session& s) {
  if (!measureApplies(s, kCodeRangeCentres)) return;
  CardStore& cards = s.ws.cards;
  for (int t = 0; t < cards.slots(); ++t) cards.setField(t, cards.layout->soleArea, 0);
  beginMeasure(s);
  Counted in = countedInput(s);
  const RangeWeighting weighting = s.settings.rangeCentreWeighting;
  const Counters& totals = s.ws.counters;
  const long long columns = s.ws.geo.columns;
  for (int t = 0; t < in.index.taxa; ++t) {
    if (!in.take[static_cast<std::size_t>(t)]) continue;
    auto cells = in.index.unitsOf(t);
    if (cells.empty()) continue;
    long long sc = 0, sr = 0;
    for (std::int32_t n : cells) {
      sc += cellAt(s, n).column;
      sr += cellAt(s, n).row;
    }
    const long long k = static_cast<long long>(cells.size());
    const long long centre = (sr / k - 1) * columns + sc / k;
    if (centre < 1 || centre > in.index.units) continue;  // cell records without a grid position
    const int r = in.index.range(t);
    GridCell& c = cellAt(s, static_cast<int>(centre));
    c.score += weighting == RangeWeighting::kLargeRanges   ? r
               : weighting == RangeWeighting::kSmallRanges ? totals.occupiedCells - r
                                                           : 1.0;
    c.count += 1;
    cards.setField(t, cards.layout->soleArea, static_cast<std::int32_t>(centre));
    ++s.map.taxaCounted;
  }
  double limit = s.map.taxaCounted;
  if (weighting == RangeWeighting::kLargeRanges) limit = totals.records;
  if (weighting == RangeWeighting::kSmallRanges)
    limit = static_cast<double>(totals.includedTaxa) * s.ws.geo.cells - totals.records;
  finishMeasure(s, limit);
}

void computeSelective(Session& s, MeasureCode code) {
  if (code != kCodeSelectiveRichness && code != kCodeSelectiveRarity && code != kCodeFlexibilityPlot) return;
  if (!measureApplies(s, code) || markedTaxa(s.ws) == 0) return;
  beginMeasure(s);
  PresenceIndex index = buildPresenceIndex(s.ws, s.settings.excludedLevel);
  std::vector<char> take(static_cast<std::size_t>(index.taxa), 0);
  for (int t = 0; t < index.taxa; ++t) take[static_cast<std::size_t>(t)] = plotMarked(s.ws, t) ? 1 : 0;
  const RarityFormula formula = s.settings.rarityFormula;
  const int cells = s.ws.geo.cells;
  s.map.taxaCounted = addTaxonValues(s, index, take, [&](int t) {
    return code == kCodeSelectiveRarity ? rarityValue(formula, index.range(t), cells) : 1.0;
  });
  finishMeasure(
      s, code == kCodeSelectiveRarity ? raritySum(s.ws.counters, formula) : static_cast<double>(s.map.taxaCounted));
}

}  // namespace zn
