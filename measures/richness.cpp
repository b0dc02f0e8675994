#include "measures/richness.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace zn {

namespace {

struct Counted {
  const PresenceIndex& index;
  std::vector<char> take;
};

Counted countedInput(const MeasureInput& in) { return {in.data.occ(), countedTaxa(in.data, in.areas)}; }

MeasureResult fresh(const MeasureInput& in, const MeasureParams& p) {
  return MeasureResult::zeroed(in.data.units(), p.excludedLevel);
}

// Richness of the counted taxa restricted by keep(t): the common core of
// richness and rare-threshold richness.
MeasureResult countTaxa(const MeasureInput& in, const MeasureParams& p,
                        const std::function<bool(const PresenceIndex&, int)>& keep) {
  MeasureResult r = fresh(in, p);
  Counted c = countedInput(in);
  for (int t = 0; t < c.index.taxa; ++t)
    if (c.take[static_cast<std::size_t>(t)] && !keep(c.index, t)) c.take[static_cast<std::size_t>(t)] = 0;
  r.taxaCounted = addTaxonValues(r, c.index, c.take, [](int) { return 1.0; });
  r.scaleLimit = r.taxaCounted;
  return r;
}

// Per cell, the values of the counted taxa present there (from the taxon
// and its amount in the cell), reduced to their median; count = the number
// of values.
MeasureResult cellMedians(const MeasureInput& in, const MeasureParams& p,
                          const std::function<double(const PresenceIndex&, int t, double amount)>& value,
                          bool zeroAsOne) {
  MeasureResult r = fresh(in, p);
  Counted c = countedInput(in);
  std::vector<char> added(static_cast<std::size_t>(c.index.taxa), 0);
  std::vector<double> scratch;
  const bool amounts = c.index.hasAmounts();
  for (int n = 1; n <= c.index.units; ++n) {
    scratch.clear();
    const double* amount = amounts ? c.index.amountsIn(n) : nullptr;
    for (std::int32_t t : c.index.taxaIn(n)) {
      const double a = amount ? *amount++ : 1.0;
      if (!c.take[static_cast<std::size_t>(t)]) continue;
      scratch.push_back(value(c.index, t, a));
      added[static_cast<std::size_t>(t)] = 1;
    }
    if (scratch.empty()) continue;
    r.count[static_cast<std::size_t>(n)] = static_cast<int>(scratch.size());
    const double m = medianDescending(scratch);
    r.score[static_cast<std::size_t>(n)] = (zeroAsOne && m == 0.0) ? 1.0 : m;
  }
  r.taxaCounted = static_cast<int>(std::count(added.begin(), added.end(), 1));
  return r;
}

// Presences without their amounts: the level measures cannot read them.
bool withoutAmounts(const Occurrences& o) {
  return !o.hasAmounts() && !o.taxonStart.empty() && o.taxonStart.back() > 0;
}

// Calls f(unit, amount) for each presence of taxon t (amounts as kept).
template <class F>
void forEachAmount(const PresenceIndex& ix, int t, F f) {
  const double* amount = ix.amountsOf(t);
  for (std::int32_t n : ix.unitsOf(t)) f(n, *amount++);
}

}  // namespace

int addTaxonValues(MeasureResult& r, const PresenceIndex& index, const std::vector<char>& take,
                   const std::function<double(int)>& value) {
  int added = 0;
  for (int t = 0; t < index.taxa; ++t) {
    if (!take[static_cast<std::size_t>(t)]) continue;
    auto cells = index.unitsOf(t);
    if (cells.empty()) continue;
    const double v = value(t);
    for (std::int32_t n : cells) r.add(n, v);
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

MeasureResult runRichness(const MeasureInput& in, const MeasureParams& p) {
  return countTaxa(in, p, [](const PresenceIndex&, int) { return true; });
}

MeasureResult runRareThreshold(const MeasureInput& in, const MeasureParams& p) {
  const int threshold = p.rangeSizeThreshold;
  return countTaxa(in, p, [threshold](const PresenceIndex& ix, int t) { return ix.range(t) <= threshold; });
}

MeasureResult runRangeSizeRarity(const MeasureInput& in, const MeasureParams& p) {
  MeasureResult r = fresh(in, p);
  Counted c = countedInput(in);
  const RarityFormula formula = p.rarityFormula;
  const int cells = in.data.gridUnits;
  r.taxaCounted =
      addTaxonValues(r, c.index, c.take, [&](int t) { return rarityValue(formula, c.index.range(t), cells); });
  r.scaleLimit = raritySum(in.data.totals, formula);
  return r;
}

MeasureResult runLevelN(const MeasureInput& in, const MeasureParams& p) {
  if (withoutAmounts(in.data.occ())) return {};
  MeasureResult r = fresh(in, p);
  Counted c = countedInput(in);
  const double wanted = p.excludedLevel + 1;
  for (int t = 0; t < c.index.taxa; ++t) {
    if (!c.take[static_cast<std::size_t>(t)]) continue;
    bool added = false;
    forEachAmount(c.index, t, [&](int n, double level) {
      if (level != wanted) return;
      r.add(n, 1.0);
      added = true;
    });
    r.taxaCounted += added ? 1 : 0;
  }
  r.scaleLimit = r.taxaCounted;
  return r;
}

MeasureResult runMaxLevel(const MeasureInput& in, const MeasureParams& p) {
  if (withoutAmounts(in.data.occ())) return {};
  MeasureResult r = fresh(in, p);
  Counted c = countedInput(in);
  for (int t = 0; t < c.index.taxa; ++t) {
    if (!c.take[static_cast<std::size_t>(t)]) continue;
    forEachAmount(c.index, t, [&](int n, double level) {
      const int v = static_cast<int>(level);
      int& count = r.count[static_cast<std::size_t>(n)];
      if (v > count) {
        count = v;
        r.score[static_cast<std::size_t>(n)] = v;
      }
    });
    r.taxaCounted += c.index.range(t) == 0 ? 0 : 1;
  }
  r.scaleLimit = in.data.levels;
  return r;
}

MeasureResult runMedianQuantitative(const MeasureInput& in, const MeasureParams& p) {
  if (!in.data.quantitative || withoutAmounts(in.data.occ())) return {};
  MeasureResult r = cellMedians(
      in, p, [](const PresenceIndex&, int, double level) { return level; }, true);
  r.scaleLimit = 1.0;
  return r;
}

MeasureResult runMedianRange(const MeasureInput& in, const MeasureParams& p) {
  MeasureResult r = cellMedians(
      in, p, [](const PresenceIndex& ix, int t, double) { return double(ix.range(t)); }, false);
  r.scaleLimit = in.data.gridUnits;
  return r;
}

MeasureResult runRareQuartile(const MeasureInput& in, const MeasureParams& p) {
  MeasureResult r = fresh(in, p);
  Counted c = countedInput(in);
  const int n = c.index.taxa;
  std::vector<std::pair<int, int>>& pairs = r.quartileOrder;  // (taxon, range)
  pairs.resize(static_cast<std::size_t>(n));
  int qualifying = 0;
  for (int i = 0; i < n; ++i) {
    const int range = c.take[static_cast<std::size_t>(i)] ? c.index.range(i) : 0;
    pairs[static_cast<std::size_t>(i)] = {range > 0 ? i : 0, range};
    qualifying += range > 0 ? 1 : 0;
  }
  const int quota = qualifying / 4;
  // This exact procedure decides the order of equal ranges, and with it
  // which tied taxa fall inside the quartile.
  for (int gap = n / 2; gap >= 1; gap /= 2)
    for (int i = 0; i <= n - gap - 1; ++i)
      for (int j = i; j >= 0; --j) {
        auto& a = pairs[static_cast<std::size_t>(j)];
        auto& b = pairs[static_cast<std::size_t>(j + gap)];
        if (a.second >= b.second) break;
        std::swap(a, b);
      }
  int counted = 0;
  for (int k = n - 1; k >= 0; --k) {
    const auto& q = pairs[static_cast<std::size_t>(k)];
    if (q.second == 0) continue;
    for (std::int32_t cell : c.index.unitsOf(q.first)) r.add(cell, 1.0);
    if (++counted == quota) break;
  }
  r.taxaCounted = counted;
  r.scaleLimit = counted;
  return r;
}

MeasureResult runRangeCentres(const MeasureInput& in, const MeasureParams& p) {
  const AnalysisData& data = in.data;
  const auto positions = static_cast<std::size_t>(data.units()) + 1;
  if (data.columns <= 0 || data.column.size() < positions || data.row.size() < positions) return {};
  MeasureResult r = fresh(in, p);
  r.rangeCentre.assign(static_cast<std::size_t>(data.taxa()), 0);
  Counted c = countedInput(in);
  const RangeWeighting weighting = p.rangeCentreWeighting;
  const Counters& totals = data.totals;
  const long long columns = data.columns;
  const long long last = static_cast<long long>(r.score.size()) - 1;
  for (int t = 0; t < c.index.taxa; ++t) {
    if (!c.take[static_cast<std::size_t>(t)]) continue;
    auto cells = c.index.unitsOf(t);
    if (cells.empty()) continue;
    long long sc = 0, sr = 0;
    for (std::int32_t n : cells) {
      sc += data.column[static_cast<std::size_t>(n)];
      sr += data.row[static_cast<std::size_t>(n)];
    }
    const long long k = static_cast<long long>(cells.size());
    const long long centre = (sr / k - 1) * columns + sc / k;
    // Cell records without a grid position.
    if (centre < 1 || centre > c.index.units || centre > last) continue;
    const int range = c.index.range(t);
    r.add(static_cast<int>(centre), weighting == RangeWeighting::kLargeRanges   ? range
                                    : weighting == RangeWeighting::kSmallRanges ? totals.occupiedCells - range
                                                                                : 1.0);
    r.rangeCentre[static_cast<std::size_t>(t)] = static_cast<std::int32_t>(centre);
    ++r.taxaCounted;
  }
  r.scaleLimit = r.taxaCounted;
  if (weighting == RangeWeighting::kLargeRanges) r.scaleLimit = totals.records;
  if (weighting == RangeWeighting::kSmallRanges)
    r.scaleLimit = static_cast<double>(totals.includedTaxa) * data.gridUnits - totals.records;
  return r;
}

MeasureResult runSelective(const MeasureInput& in, const MeasureParams& p, MeasureCode code) {
  if (code != kCodeSelectiveRichness && code != kCodeSelectiveRarity && code != kCodeFlexibilityPlot) return {};
  const PresenceIndex& index = in.data.occ();
  std::vector<char> take(static_cast<std::size_t>(index.taxa), 0);
  for (std::size_t t = 0; t < take.size() && t < p.plotMarks.size(); ++t) take[t] = p.plotMarks[t] ? 1 : 0;
  if (std::find(take.begin(), take.end(), 1) == take.end()) return {};
  MeasureResult r = fresh(in, p);
  const RarityFormula formula = p.rarityFormula;
  const int cells = in.data.gridUnits;
  r.taxaCounted = addTaxonValues(r, index, take, [&](int t) {
    return code == kCodeSelectiveRarity ? rarityValue(formula, index.range(t), cells) : 1.0;
  });
  r.scaleLimit = code == kCodeSelectiveRarity ? raritySum(in.data.totals, formula) : static_cast<double>(r.taxaCounted);
  return r;
}

}  // namespace zn
