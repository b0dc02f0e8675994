#include "store/dataset.h"

#include <algorithm>
#include <numeric>

namespace zn {

namespace {

// Running sums over counts held one place to the right: start[i] becomes
// the first slot of row i.
void runningSums(std::vector<std::int64_t>& start) {
  for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
}

}  // namespace

Occurrences occurrencesFrom(int taxa, int units, std::vector<Occurrence> pairs, bool withAmounts) {
  const auto nt = static_cast<std::size_t>(std::max(0, taxa)), nu = static_cast<std::size_t>(std::max(0, units));
  std::erase_if(pairs, [&](const Occurrence& p) { return p.taxon >= nt || p.unit < 1 || p.unit > nu; });

  // Taxon-major by counting sort.
  std::vector<std::int64_t> start(nt + 1, 0);
  for (const Occurrence& p : pairs) ++start[p.taxon + 1];
  runningSums(start);
  std::vector<std::uint32_t> unitOf(pairs.size());
  std::vector<double> amountOf(withAmounts ? pairs.size() : 0);
  {
    std::vector<std::int64_t> next(start.begin(), start.end() - 1);
    for (const Occurrence& p : pairs) {
      const auto slot = static_cast<std::size_t>(next[p.taxon]++);
      unitOf[slot] = p.unit;
      if (withAmounts) amountOf[slot] = p.amount;
    }
  }
  std::vector<Occurrence>().swap(pairs);
  return occurrencesFromLists(taxa, units, std::move(start), std::move(unitOf), std::move(amountOf));
}

Occurrences occurrencesFromLists(int taxa, int units, std::vector<std::int64_t> start,
                                 std::vector<std::uint32_t> unitOf, std::vector<double> amountOf) {
  Occurrences o;
  o.taxa = std::max(0, taxa);
  o.units = std::max(0, units);
  const auto nt = static_cast<std::size_t>(o.taxa), nu = static_cast<std::size_t>(o.units);
  const bool withAmounts = !amountOf.empty();
  if (start.size() != nt + 1 || start.front() != 0 || static_cast<std::size_t>(start.back()) != unitOf.size() ||
      (withAmounts && amountOf.size() != unitOf.size()) || !std::is_sorted(start.begin(), start.end()))
    return occurrencesFrom(taxa, units, {}, withAmounts);
  // Each taxon's units in order, the amounts of a repeated pair added and
  // units outside 1 ... units dropped.
  o.taxonStart.assign(nt + 1, 0);
  std::vector<std::uint32_t> order;
  std::size_t out = 0;
  for (std::size_t t = 0; t < nt; ++t) {
    const auto from = static_cast<std::size_t>(start[t]), to = static_cast<std::size_t>(start[t + 1]);
    if (!std::is_sorted(unitOf.begin() + static_cast<std::ptrdiff_t>(from),
                        unitOf.begin() + static_cast<std::ptrdiff_t>(to))) {
      // Stable, so repeated pairs keep their input order when added up.
      order.resize(to - from);
      std::iota(order.begin(), order.end(), 0u);
      std::stable_sort(order.begin(), order.end(),
                       [&](std::uint32_t a, std::uint32_t b) { return unitOf[from + a] < unitOf[from + b]; });
      std::vector<std::uint32_t> u(to - from);
      std::vector<double> a(withAmounts ? to - from : 0);
      for (std::size_t k = 0; k < order.size(); ++k) {
        u[k] = unitOf[from + order[k]];
        if (withAmounts) a[k] = amountOf[from + order[k]];
      }
      std::copy(u.begin(), u.end(), unitOf.begin() + static_cast<std::ptrdiff_t>(from));
      if (withAmounts) std::copy(a.begin(), a.end(), amountOf.begin() + static_cast<std::ptrdiff_t>(from));
    }
    const std::size_t first = out;
    for (std::size_t k = from; k < to; ++k) {
      if (unitOf[k] < 1 || unitOf[k] > nu) continue;
      if (out > first && unitOf[out - 1] == unitOf[k]) {
        if (withAmounts) amountOf[out - 1] += amountOf[k];
        continue;
      }
      unitOf[out] = unitOf[k];
      if (withAmounts) amountOf[out] = amountOf[k];
      ++out;
    }
    o.taxonStart[t + 1] = static_cast<std::int64_t>(out);
  }
  unitOf.resize(out);
  unitOf.shrink_to_fit();
  if (withAmounts) {
    amountOf.resize(out);
    amountOf.shrink_to_fit();
  }
  o.taxonUnits = std::move(unitOf);
  o.taxonAmounts = std::move(amountOf);

  // Unit-major from taxon-major: taxa go by in order, so each unit's taxa
  // come ascending.
  o.unitStart.assign(nu + 2, 0);
  for (std::uint32_t n : o.taxonUnits) ++o.unitStart[n + 1];
  runningSums(o.unitStart);
  o.unitTaxa.resize(out);
  if (withAmounts) o.unitAmounts.resize(out);
  std::vector<std::int64_t> next(o.unitStart.begin(), o.unitStart.end() - 1);
  for (std::size_t t = 0; t < nt; ++t)
    for (auto k = static_cast<std::size_t>(o.taxonStart[t]); k < static_cast<std::size_t>(o.taxonStart[t + 1]); ++k) {
      const auto slot = static_cast<std::size_t>(next[o.taxonUnits[k]]++);
      o.unitTaxa[slot] = static_cast<std::uint32_t>(t);
      if (withAmounts) o.unitAmounts[slot] = o.taxonAmounts[k];
    }
  return o;
}

Adjacency adjacencyFrom(int units, const std::vector<Edge>& edges) {
  const auto nu = static_cast<std::size_t>(std::max(0, units));
  auto valid = [&](std::uint32_t n) { return n >= 1 && n <= nu; };
  // Each edge both ways, as (unit, neighbour) pairs through the occurrence
  // builder: its counting sort orders and merges them the same way.
  std::vector<Occurrence> pairs;
  pairs.reserve(edges.size() * 2);
  for (const Edge& e : edges) {
    if (!valid(e.a) || !valid(e.b)) continue;
    pairs.push_back({e.a - 1, e.b, e.length});
    if (e.a != e.b) pairs.push_back({e.b - 1, e.a, e.length});
  }
  Occurrences o = occurrencesFrom(static_cast<int>(nu), static_cast<int>(nu), std::move(pairs), true);
  Adjacency a;
  a.start.assign(nu + 2, 0);
  for (std::size_t n = 1; n <= nu + 1; ++n) a.start[n] = o.taxonStart[n - 1];
  a.neighbour = std::move(o.taxonUnits);
  a.length = std::move(o.taxonAmounts);
  return a;
}

}  // namespace zn
