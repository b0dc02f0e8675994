#include "planning/problem.h"

#include <algorithm>
#include <numeric>

namespace zn::planning {

namespace {

void fill(SparseRows& rows, std::size_t n, const std::vector<Triple>& t, bool byFeature) {
  rows.start.assign(n + 1, 0);
  for (const auto& x : t) ++rows.start[static_cast<std::size_t>(byFeature ? x.feature : x.unit) + 1];
  for (std::size_t r = 0; r < n; ++r) rows.start[r + 1] += rows.start[r];
  rows.entries.assign(t.size(), Entry{});
  std::vector<std::size_t> next(rows.start.begin(), rows.start.end() - 1);
  for (const auto& x : t) {
    const auto r = static_cast<std::size_t>(byFeature ? x.feature : x.unit);
    rows.entries[next[r]++] = Entry{byFeature ? x.unit : x.feature, x.amount};
  }
}

}  // namespace

void buildRows(Problem& p, std::vector<Triple>& triples) {
  std::sort(triples.begin(), triples.end(), [](const Triple& a, const Triple& b) {
    return a.feature != b.feature ? a.feature < b.feature : a.unit < b.unit;
  });
  std::size_t out = 0;
  for (std::size_t i = 0; i < triples.size(); ++i) {
    if (out > 0 && triples[out - 1].feature == triples[i].feature && triples[out - 1].unit == triples[i].unit)
      triples[out - 1].amount += triples[i].amount;
    else triples[out++] = triples[i];
  }
  triples.resize(out);
  fill(p.unitsOf, p.features.size(), triples, true);
  fill(p.featuresIn, p.units.size(), triples, false);
  for (auto& f : p.features) f.total = 0.0;
  for (const auto& x : triples) p.features[static_cast<std::size_t>(x.feature)].total += x.amount;
}

bool targetMet(const Problem& p, std::size_t feature, double held) {
  return reaches(held, p.features[feature].target * p.missLevel);
}

Evaluation evaluate(const Problem& p, const std::vector<char>& chosen) {
  Evaluation e;
  e.held.assign(p.features.size(), 0.0);
  for (std::size_t u = 0; u < p.units.size(); ++u) {
    if (!chosen[u]) continue;
    e.cost += p.units[u].cost;
    ++e.units;
    for (const Entry* x = p.featuresIn.begin(u); x != p.featuresIn.end(u); ++x)
      e.held[static_cast<std::size_t>(x->index)] += x->amount;
  }
  for (std::size_t f = 0; f < p.features.size(); ++f) {
    // Within the rounding targetMet allows, a target is met in full.
    if (!reaches(e.held[f], p.features[f].target)) e.shortfall += p.features[f].target - e.held[f];
    if (!targetMet(p, f, e.held[f])) ++e.unmet;
  }
  return e;
}

std::vector<double> achievable(const Problem& p) {
  std::vector<double> a(p.features.size(), 0.0);
  for (std::size_t f = 0; f < p.features.size(); ++f)
    for (const Entry* x = p.unitsOf.begin(f); x != p.unitsOf.end(f); ++x)
      if (p.units[static_cast<std::size_t>(x->index)].status != UnitStatus::LockedOut) a[f] += x->amount;
  return a;
}

std::vector<double> reachableGoals(const Problem& p) {
  std::vector<double> goal = achievable(p);
  for (std::size_t f = 0; f < goal.size(); ++f) goal[f] = std::min(p.features[f].target, goal[f]);
  return goal;
}

namespace {

// The rows both ways from the dataset's lists, which are already ordered:
// no triples and no sort. With `consumed`, each direction's lists go once
// their rows stand, and the rest once the problem does.
Problem fromDataset(const Dataset& d, const PlanningTerms& terms, Dataset* consumed) {
  Problem p;
  p.missLevel = terms.missLevel;
  p.blm = terms.blm;
  p.units.reserve(d.units.size());
  for (const DatasetUnit& u : d.units) p.units.push_back({u.id, u.cost, u.status});
  const Occurrences& o = d.occurrences;
  const auto nt = static_cast<std::size_t>(o.taxa);
  const bool amounts = o.hasAmounts() && !o.taxonWords && !o.unitWords;
  std::vector<int> featureOf(nt, -1);
  for (std::size_t t = 0; t < nt; ++t) {
    const int range = o.range(static_cast<int>(t));
    if (!terms.targetsAsGiven && range == 0) continue;
    const DatasetTaxon& x = d.taxa[t];
    const double target =
        terms.targetsAsGiven || x.target > 0 ? x.target : static_cast<double>(std::min(std::max(1, terms.goal), range));
    featureOf[t] = static_cast<int>(p.features.size());
    p.features.push_back({x.id, x.name, target, terms.spf.empty() ? 1.0 : terms.spf[t]});
  }
  const std::size_t pairs = o.unitStart.empty() ? 0 : static_cast<std::size_t>(o.unitStart.back());

  p.unitsOf.start.assign(p.features.size() + 1, 0);
  p.unitsOf.entries.reserve(pairs);
  for (std::size_t t = 0; t < nt; ++t) {
    const int f = featureOf[t];
    if (f < 0) continue;
    const double* a = amounts ? o.amountsOf(static_cast<int>(t)) : nullptr;
    double total = 0.0;
    for (int n : o.unitsOf(static_cast<int>(t))) {
      const double amount = a ? *a++ : 1.0;
      total += amount;
      p.unitsOf.entries.push_back({n - 1, amount});
    }
    p.features[static_cast<std::size_t>(f)].total = total;
    p.unitsOf.start[static_cast<std::size_t>(f) + 1] = p.unitsOf.entries.size();
  }
  if (consumed) {
    std::vector<std::uint32_t>().swap(consumed->occurrences.taxonUnits);
    std::vector<std::uint64_t>().swap(consumed->occurrences.taxonBits);
    std::vector<double>().swap(consumed->occurrences.taxonAmounts);
  }

  const std::size_t nu = p.units.size();
  p.featuresIn.start.assign(nu + 1, 0);
  p.featuresIn.entries.reserve(p.unitsOf.entries.size());
  for (std::size_t u = 0; u < nu && static_cast<int>(u) < o.units; ++u) {
    const int n = static_cast<int>(u) + 1;
    const double* a = amounts ? o.amountsIn(n) : nullptr;
    for (int t : o.taxaIn(n)) {
      const double amount = a ? *a++ : 1.0;
      if (const int f = featureOf[static_cast<std::size_t>(t)]; f >= 0) p.featuresIn.entries.push_back({f, amount});
    }
    p.featuresIn.start[u + 1] = p.featuresIn.entries.size();
  }
  for (std::size_t u = static_cast<std::size_t>(std::max(0, o.units)); u < nu; ++u)
    p.featuresIn.start[u + 1] = p.featuresIn.entries.size();
  if (consumed) consumed->occurrences = Occurrences{};

  const Adjacency& b = d.adjacency;
  if (!b.empty())
    for (int n = 1; n <= d.unitCount(); ++n)
      for (int k = 0; k < b.degree(n); ++k)
        if (const auto m = static_cast<int>(b.neighboursOf(n)[k]); m >= n)
          p.boundaries.push_back({n - 1, m - 1, b.lengthsOf(n)[k]});
  if (consumed) *consumed = Dataset{};
  return p;
}

}  // namespace

Problem problemFromDataset(const Dataset& d, const PlanningTerms& terms) { return fromDataset(d, terms, nullptr); }

Problem problemFromDataset(Dataset&& d, const PlanningTerms& terms) { return fromDataset(d, terms, &d); }

Dataset datasetOf(const Problem& p, std::vector<std::size_t>* unitOf) {
  const std::size_t nu = p.units.size(), nf = p.features.size();
  std::vector<std::size_t> order(nu);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return p.units[a].id < p.units[b].id; });
  std::vector<std::uint32_t> numberOf(nu, 0);
  Dataset d;
  d.units.resize(nu);
  for (std::size_t k = 0; k < nu; ++k) {
    const Unit& u = p.units[order[k]];
    numberOf[order[k]] = static_cast<std::uint32_t>(k + 1);
    d.units[k] = {u.id, std::string(), u.cost, u.status};
  }
  d.taxa.resize(nf);
  // Presence data (every amount 1) keep no amounts.
  const bool amounts =
      std::any_of(p.unitsOf.entries.begin(), p.unitsOf.entries.end(), [](const Entry& e) { return e.amount != 1.0; });
  // The rows are per feature already: renumbered, they are the lists, with
  // no pairs to sort.
  std::vector<std::int64_t> start(nf + 1, 0);
  std::vector<std::uint32_t> units;
  std::vector<double> held;
  units.reserve(p.unitsOf.entries.size());
  if (amounts) held.reserve(p.unitsOf.entries.size());
  for (std::size_t f = 0; f < nf; ++f) {
    const Feature& x = p.features[f];
    DatasetTaxon& t = d.taxa[f];
    t.id = x.id;
    t.name = x.name;
    t.target = x.target;
    for (const Entry* e = p.unitsOf.begin(f); e != p.unitsOf.end(f); ++e) {
      units.push_back(numberOf[static_cast<std::size_t>(e->index)]);
      if (amounts) held.push_back(e->amount);
    }
    start[f + 1] = static_cast<std::int64_t>(units.size());
  }
  d.occurrences = occurrencesFromLists(static_cast<int>(nf), static_cast<int>(nu), std::move(start), std::move(units),
                                       std::move(held));
  std::vector<Edge> edges;
  edges.reserve(p.boundaries.size());
  for (const Boundary& b : p.boundaries)
    edges.push_back({numberOf[static_cast<std::size_t>(b.a)], numberOf[static_cast<std::size_t>(b.b)], b.length});
  d.adjacency = adjacencyFrom(static_cast<int>(nu), edges);
  if (unitOf) {
    unitOf->assign(nu + 1, 0);
    for (std::size_t k = 0; k < nu; ++k) (*unitOf)[k + 1] = order[k];
  }
  return d;
}

}  // namespace zn::planning
