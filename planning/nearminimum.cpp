#include "planning/nearminimum.h"

#include <algorithm>
#include <cmath>

#include "planning/folder.h"
#include "store/text.h"

namespace zn::planning {

namespace {

std::string featureName(const Feature& f) {
  return strprintf("feature %lld", f.id) + (f.name.empty() ? std::string() : " (" + f.name + ")");
}

}  // namespace

NearMinimumInput nearMinimumInput(const Problem& p) {
  NearMinimumInput in;
  const std::size_t nu = p.units.size(), nf = p.features.size();
  const std::string refused = "the near-minimum method cannot solve this folder: ";
  for (std::size_t f = 0; f < nf; ++f)
    for (const Entry* x = p.unitsOf.begin(f); x != p.unitsOf.end(f); ++x)
      if (x->amount != 1.0) {
        in.error = refused + "it reads amounts as presence, and " + featureName(p.features[f]) + " has " +
                   number(x->amount) +
                   strprintf(" in unit %lld (amounts must be 1)", p.units[static_cast<std::size_t>(x->index)].id);
        return in;
      }
  // Units take part in the order of their ids. The dataset the problem was
  // posed from serves where it already numbers them so; otherwise a copy of
  // the lists numbers them by id.
  const bool byId = p.data && p.data->units.size() == nu && p.data->taxa.size() == nf &&
                    std::adjacent_find(p.units.begin(), p.units.end(),
                                       [](const Unit& a, const Unit& b) { return a.id >= b.id; }) == p.units.end();
  Dataset renumbered;
  if (!byId) renumbered = datasetOf(p, &in.unitOf);
  const Dataset& d = byId ? *p.data : renumbered;
  bool lockedOut = false;
  for (const DatasetUnit& u : d.units) lockedOut |= u.status == UnitStatus::LockedOut;
  std::vector<Occurrence> pairs;
  std::vector<long long> reachable(nf, 0);
  for (std::size_t f = 0; f < nf; ++f)
    for (int n : d.occurrences.unitsOf(static_cast<int>(f))) {
      if (d.unit(n).status == UnitStatus::LockedOut) continue;
      if (lockedOut) pairs.push_back({static_cast<std::uint32_t>(f), static_cast<std::uint32_t>(n), 1.0});
      ++reachable[f];
    }
  // Each feature's target in units, as far as its units allow; the goal is
  // the largest, and must then give every feature its own.
  std::vector<long long> want(nf, 0);
  long long goal = 0;
  std::size_t goalFeature = 0;
  for (std::size_t f = 0; f < nf; ++f) {
    const double t = p.features[f].target;
    if (t != std::floor(t)) {
      in.error =
          refused + "its targets are counts of units, and " + featureName(p.features[f]) + " has target " + number(t);
      return in;
    }
    want[f] = std::min(static_cast<long long>(std::min(t, 1e15)), reachable[f]);
    if (want[f] > goal) {
      goal = want[f];
      goalFeature = f;
    }
  }
  for (std::size_t f = 0; f < nf; ++f)
    if (want[f] > 0 && std::min(goal, reachable[f]) != want[f]) {
      in.error = refused + "it takes one goal for every feature, and " + featureName(p.features[goalFeature]) +
                 strprintf(" wants %lld units where ", goal) + featureName(p.features[f]) +
                 strprintf(" wants %lld of its %lld", want[f], reachable[f]);
      return in;
    }
  if (lockedOut) in.own = occurrencesFrom(static_cast<int>(nf), static_cast<int>(nu), std::move(pairs), false);
  else if (byId) in.data = p.data;
  else in.own = std::move(renumbered.occurrences);  // every amount is 1: no amounts kept
  in.units = nu;
  in.counted.assign(nf, 0);
  for (std::size_t f = 0; f < nf; ++f) in.counted[f] = want[f] > 0 ? 1 : 0;
  in.rule.goal = static_cast<int>(std::clamp(goal, 1LL, static_cast<long long>(nu) + 1));
  for (int n = 1; n <= d.unitCount(); ++n)
    if (d.unit(n).status == UnitStatus::LockedIn) in.seeds.push_back(n);
  // Costs steer the choice only where they differ.
  bool costsDiffer = false;
  for (const Unit& u : p.units) costsDiffer |= u.cost != p.units.front().cost;
  if (costsDiffer) {
    in.rule.cost.assign(nu + 1, 0.0);
    for (int n = 1; n <= d.unitCount(); ++n) in.rule.cost[static_cast<std::size_t>(n)] = d.unit(n).cost;
  }
  return in;
}

std::vector<char> nearMinimumSet(const NearMinimumInput& in, std::uint32_t seed) {
  NearMinimumRule rule = in.rule;
  rule.lastTieRandom = true;
  rule.seed = seed;
  const NearMinimumSet set = nearMinimumOnLists(in.lists(), in.counted, in.seeds, rule);
  std::vector<char> chosen(in.units, 0);
  for (int n : set.areas) {
    const auto k = static_cast<std::size_t>(n);
    chosen[in.unitOf.empty() ? k - 1 : in.unitOf[k]] = 1;
  }
  return chosen;
}

}  // namespace zn::planning
