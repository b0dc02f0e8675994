#include "planning/greedy.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <queue>

#include "store/random.h"

namespace zn::planning {

namespace {

// What a unit adds: the shortfall it removes, and that per unit of cost
// (a unit that costs nothing and helps comes before every other).
struct Gain {
  double reduction = 0.0;
  double ratio = 0.0;
};

Gain gainOf(const Problem& p, const std::vector<double>& shortfall, std::size_t u) {
  Gain g;
  for (const Entry* x = p.featuresIn.begin(u); x != p.featuresIn.end(u); ++x)
    g.reduction += std::min(x->amount, shortfall[static_cast<std::size_t>(x->index)]);
  const double cost = p.units[u].cost;
  g.ratio = g.reduction <= 0.0 ? 0.0 : cost > 0.0 ? g.reduction / cost : std::numeric_limits<double>::infinity();
  return g;
}

struct Candidate {
  double ratio;
  std::uint32_t key;  // the random tie order
  int unit;
  bool operator<(const Candidate& o) const {
    if (ratio != o.ratio) return ratio < o.ratio;
    if (key != o.key) return key < o.key;
    return unit > o.unit;
  }
};

}  // namespace

std::vector<char> greedyByCostEffectiveness(const Problem& p, std::uint32_t seed) {
  const std::size_t nu = p.units.size();
  std::vector<char> chosen(nu, 0);
  // Aim at what can be reached: a target above the achievable amount would
  // keep every unit of that feature "helpful" for ever.
  const std::vector<double> goal = reachableGoals(p);
  std::vector<double> shortfall = goal;

  auto take = [&](std::size_t u) {
    chosen[u] = 1;
    for (const Entry* x = p.featuresIn.begin(u); x != p.featuresIn.end(u); ++x) {
      double& s = shortfall[static_cast<std::size_t>(x->index)];
      s = std::max(0.0, s - x->amount);
    }
  };
  for (std::size_t u = 0; u < nu; ++u)
    if (p.units[u].status == UnitStatus::LockedIn) take(u);

  Random rng;
  rng.seed(seed);
  std::priority_queue<Candidate> heap;
  for (std::size_t u = 0; u < nu; ++u) {
    // Two 15-bit draws per unit, so orders of more than 32,768 units are drawn too.
    const auto key = static_cast<std::uint32_t>(rng.next()) << 15 | static_cast<std::uint32_t>(rng.next());
    if (chosen[u] || p.units[u].status == UnitStatus::LockedOut) continue;
    const Gain g = gainOf(p, shortfall, u);
    if (g.reduction > 0.0) heap.push({g.ratio, key, static_cast<int>(u)});
  }
  // Gains only fall as the set grows, so a unit whose fresh gain still heads
  // the queue is the best one (lazy evaluation).
  while (!heap.empty()) {
    Candidate c = heap.top();
    heap.pop();
    const Gain g = gainOf(p, shortfall, static_cast<std::size_t>(c.unit));
    if (g.reduction <= 0.0) continue;
    if (g.ratio < c.ratio && !heap.empty() && Candidate{g.ratio, c.key, c.unit} < heap.top()) {
      heap.push({g.ratio, c.key, c.unit});
      continue;
    }
    take(static_cast<std::size_t>(c.unit));
  }

  // Drop units whose features stay met without them, most expensive first.
  std::vector<double> held(p.features.size(), 0.0);
  for (std::size_t u = 0; u < nu; ++u)
    if (chosen[u])
      for (const Entry* x = p.featuresIn.begin(u); x != p.featuresIn.end(u); ++x)
        held[static_cast<std::size_t>(x->index)] += x->amount;
  std::vector<int> order;
  for (std::size_t u = 0; u < nu; ++u)
    if (chosen[u] && p.units[u].status != UnitStatus::LockedIn) order.push_back(static_cast<int>(u));
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return p.units[static_cast<std::size_t>(a)].cost > p.units[static_cast<std::size_t>(b)].cost;
  });
  for (int u : order) {
    const auto uu = static_cast<std::size_t>(u);
    bool needed = false;
    for (const Entry* x = p.featuresIn.begin(uu); x != p.featuresIn.end(uu) && !needed; ++x) {
      const auto f = static_cast<std::size_t>(x->index);
      needed = held[f] - x->amount < goal[f] - 1e-9 * std::max(1.0, goal[f]);
    }
    if (needed) continue;
    chosen[uu] = 0;
    for (const Entry* x = p.featuresIn.begin(uu); x != p.featuresIn.end(uu); ++x)
      held[static_cast<std::size_t>(x->index)] -= x->amount;
  }
  return chosen;
}

}  // namespace zn::planning
