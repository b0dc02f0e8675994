#include "selection/setdata.h"

#include <algorithm>
#include <queue>
#include <utility>

#include "measures/scores.h"
#include "selection/report.h"

namespace zn {

SelectionData::SelectionData(const AnalysisData& a, bool byRarity, RarityFormula formula, bool divideByCost)
    : data(a), index(a.occ()), cells(a.units()), included(a.inGroup), byCost(divideByCost) {
  const auto taxa = static_cast<std::size_t>(index.taxa);
  weight.assign(taxa, 0.0);
  for (std::size_t t = 0; t < taxa; ++t)
    if (included[t]) weight[t] = byRarity ? rarityValue(formula, index.range(static_cast<int>(t)), a.gridUnits) : 1.0;
  total.assign(static_cast<std::size_t>(cells) + 1, 0.0);
  for (int n = 1; n <= cells; ++n)
    for (int t : index.taxaIn(n))
      if (included[static_cast<std::size_t>(t)])
        total[static_cast<std::size_t>(n)] += weight[static_cast<std::size_t>(t)];
}

void clearCellScores(std::vector<GridCell>& cells) {
  for (GridCell& c : cells) {
    c.score = 0.0;
    c.count = 0;
  }
}

int rejectRedundantFromEnd(AreaSet& set, const SelectionData& d, int goal) {
  const int seeds = std::clamp(set.seedCount, 0, set.count());
  std::vector<int> presences(static_cast<std::size_t>(d.index.taxa), 0);
  auto valid = [&](int a) { return a >= 1 && a <= d.cells; };
  for (int p = seeds; p < set.count(); ++p)
    if (const int a = set.cells[static_cast<std::size_t>(p)]; valid(a))
      for (int t : d.index.taxaIn(a)) ++presences[static_cast<std::size_t>(t)];
  int rejected = 0;
  // Removing an area only lowers the counts, so areas found needed stay
  // needed: starting again from the last position would find them needed
  // once more and reach the position below the removed one, where this
  // loop goes on directly.
  for (int u = set.count(); u > seeds; --u) {
    const int a = set.cells[static_cast<std::size_t>(u - 1)];
    bool needed = false;
    if (valid(a))
      for (int t : d.index.taxaIn(a))
        if (d.included[static_cast<std::size_t>(t)] && presences[static_cast<std::size_t>(t)] - 1 < goal) {
          needed = true;
          break;
        }
    if (needed) continue;
    if (valid(a))
      for (int t : d.index.taxaIn(a)) --presences[static_cast<std::size_t>(t)];
    set.cells.erase(set.cells.begin() + (u - 1));
    ++rejected;
  }
  return rejected;
}

void reorderByGain(AreaSet& set, const SelectionData& d) {
  const int seeds = std::clamp(set.seedCount, 0, set.count());
  std::vector<int> rest(set.cells.begin() + seeds, set.cells.end());
  if (rest.size() < 2) return;
  auto valid = [&](int a) { return a >= 1 && a <= d.cells; };
  std::vector<char> represented(static_cast<std::size_t>(d.index.taxa), 0);
  for (int p = 0; p < seeds; ++p)
    if (const int a = set.cells[static_cast<std::size_t>(p)]; valid(a))
      for (int t : d.index.taxaIn(a)) represented[static_cast<std::size_t>(t)] = 1;
  // Gains are summed afresh, in card order, for the areas whose taxa have
  // just become represented, so equal gains compare equal.
  auto gainOf = [&](int a) {
    double g = 0.0;
    if (valid(a))
      for (int t : d.index.taxaIn(a))
        if (d.included[static_cast<std::size_t>(t)] && !represented[static_cast<std::size_t>(t)])
          g += d.weight[static_cast<std::size_t>(t)];
    return g;
  };
  std::vector<double> gain(rest.size());
  for (std::size_t i = 0; i < rest.size(); ++i) gain[i] = gainOf(rest[i]);
  std::vector<int> slot(static_cast<std::size_t>(d.cells) + 1, -1);  // cell -> index in rest
  for (std::size_t i = 0; i < rest.size(); ++i)
    if (valid(rest[i])) slot[static_cast<std::size_t>(rest[i])] = static_cast<int>(i);
  std::vector<char> placed(rest.size(), 0), dirty(rest.size(), 0);
  std::vector<std::size_t> touched;
  // The largest gain first, the earliest position on ties; an entry whose
  // gain has since fallen is passed over, as the fallen gain has its own.
  using Entry = std::pair<double, std::ptrdiff_t>;  // gain, minus the position
  std::priority_queue<Entry> heap;
  for (std::size_t i = 0; i < rest.size(); ++i) heap.emplace(gain[i], -static_cast<std::ptrdiff_t>(i));

  for (std::size_t q = 0; q < rest.size(); ++q) {
    std::size_t best = rest.size();
    while (!heap.empty()) {
      const auto [g, minus] = heap.top();
      heap.pop();
      const auto i = static_cast<std::size_t>(-minus);
      if (!placed[i] && g == gain[i]) {
        best = i;
        break;
      }
    }
    placed[best] = 1;
    set.cells[static_cast<std::size_t>(seeds) + q] = rest[best];
    if (!valid(rest[best])) continue;
    for (int t : d.index.taxaIn(rest[best])) {
      if (represented[static_cast<std::size_t>(t)]) continue;
      represented[static_cast<std::size_t>(t)] = 1;
      for (int c : d.index.unitsOf(t))
        if (const int i = slot[static_cast<std::size_t>(c)];
            i >= 0 && !placed[static_cast<std::size_t>(i)] && !dirty[static_cast<std::size_t>(i)]) {
          dirty[static_cast<std::size_t>(i)] = 1;
          touched.push_back(static_cast<std::size_t>(i));
        }
    }
    for (std::size_t i : touched) {
      dirty[i] = 0;
      const double g = gainOf(rest[i]);
      if (g != gain[i]) heap.emplace(gain[i] = g, -static_cast<std::ptrdiff_t>(i));
    }
    touched.clear();
  }
}

void scoreByPosition(MeasureResult& scores, const AreaSet& set) {
  const int seeds = std::clamp(set.seedCount, 0, set.count());
  const int units = static_cast<int>(std::min(scores.score.size(), scores.count.size()));
  for (int p = seeds + 1; p <= set.count(); ++p) {
    const int a = set.cells[static_cast<std::size_t>(p - 1)];
    if (a < 1 || a >= units) continue;
    scores.count[static_cast<std::size_t>(a)] = p;
    scores.score[static_cast<std::size_t>(a)] = set.count() - (p - seeds - 1);
  }
}

}  // namespace zn
