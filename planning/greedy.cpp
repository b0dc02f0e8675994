#include "planning/greedy.h"

#include <limits>

#include "selection/greedygrower.h"

namespace zn::planning {

namespace {

// The problem's rows as the greedy core reads them: unit n is p.units[n - 1],
// its features with their amounts in feature order; a unit that costs
// nothing and helps comes before every other.
struct ProblemSource {
  const Problem& p;
  int units() const { return static_cast<int>(p.units.size()); }
  int taxa() const { return static_cast<int>(p.features.size()); }
  template <class F>
  void taxaIn(int n, F&& f) const {
    const auto u = static_cast<std::size_t>(n) - 1;
    for (const Entry* x = p.featuresIn.begin(u); x != p.featuresIn.end(u); ++x) f(x->index, x->amount);
  }
  double weight(int) const { return 1.0; }
  double cost(int n) const { return p.units[static_cast<std::size_t>(n) - 1].cost; }
  double perCost(int n, double v) const {
    const double c = cost(n);
    return c > 0.0 ? v / c : std::numeric_limits<double>::infinity();
  }
};

}  // namespace

std::vector<char> greedyByCostEffectiveness(const Problem& p, std::uint32_t seed) {
  const std::size_t nu = p.units.size();
  // Aim at what can be reached: a target above the achievable amount would
  // keep every unit of that feature "helpful" for ever.
  const std::vector<double> goal = reachableGoals(p);
  AreaSet set;
  std::vector<char> barred(nu + 1, 0);
  for (std::size_t u = 0; u < nu; ++u) {
    if (p.units[u].status == UnitStatus::LockedIn) set.cells.push_back(static_cast<int>(u) + 1);
    barred[u + 1] = p.units[u].status == UnitStatus::LockedOut;
  }
  const int locked = set.count();
  const ProblemSource source{p};
  Grower<ProblemSource> grower(set, source, 1, static_cast<int>(nu) + 1);
  grower.runWithRandomTies(goal, barred, seed);
  grower.dropRedundantByCost(goal, locked);
  std::vector<char> chosen(nu, 0);
  for (int n : set.cells) chosen[static_cast<std::size_t>(n) - 1] = 1;
  return chosen;
}

}  // namespace zn::planning
