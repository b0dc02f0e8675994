#include "planning/improve.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include <time.h>

namespace zn::planning {

double processCpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

bool Until::passed() const {
  return (wall && std::chrono::steady_clock::now() >= *wall) || (cpu && processCpuSeconds() >= *cpu);
}

namespace {

// A set being changed one unit at a time, with the amount held of each
// feature and the boundary of each unit at hand, so a move is priced from
// the unit's own entries and neighbours alone.
class Search {
 public:
  Search(const Problem& p, const std::vector<double>& goal, std::vector<char>& in)
      : p_(p), goal_(goal), in_(in), held_(p.features.size(), 0.0), outer_(p.units.size(), 0.0) {
    const std::size_t nu = p.units.size();
    if (p.blm > 0) {
      std::vector<std::size_t> degree(nu + 1, 0);
      for (const Boundary& b : p.boundaries)
        if (b.a != b.b) ++degree[static_cast<std::size_t>(b.a) + 1], ++degree[static_cast<std::size_t>(b.b) + 1];
      std::partial_sum(degree.begin(), degree.end(), degree.begin());
      adjStart_ = degree;
      adj_.resize(degree.back());
      for (const Boundary& b : p.boundaries) {
        if (b.a == b.b) {
          outer_[static_cast<std::size_t>(b.a)] += b.length;
          continue;
        }
        adj_[degree[static_cast<std::size_t>(b.a)]++] = {b.b, b.length};
        adj_[degree[static_cast<std::size_t>(b.b)]++] = {b.a, b.length};
      }
    } else {
      adjStart_.assign(nu + 1, 0);
    }
    for (std::size_t u = 0; u < nu; ++u)
      if (in_[u])
        for (const Entry* x = p.featuresIn.begin(u); x != p.featuresIn.end(u); ++x)
          held_[static_cast<std::size_t>(x->index)] += x->amount;
  }

  bool lockedIn(std::size_t u) const { return p_.units[u].status == UnitStatus::LockedIn; }
  bool lockedOut(std::size_t u) const { return p_.units[u].status == UnitStatus::LockedOut; }
  bool in(std::size_t u) const { return in_[u] != 0; }
  // Below its goal, allowing for rounding in the sums.
  double need(std::size_t f) const { return goal_[f] - roundingOf(goal_[f]) - held_[f]; }
  bool open(std::size_t f) const { return need(f) > 0; }

  // What taking unit u in (positive: dearer) or, when it is in, leaving it
  // out costs; `other` and `shared` give the boundary with one more unit.
  double addCost(std::size_t u, std::size_t other = std::numeric_limits<std::size_t>::max(),
                 double* shared = nullptr) {
    double b = outer_[u];
    for (std::size_t k = adjStart_[u]; k < adjStart_[u + 1]; ++k) {
      const auto v = static_cast<std::size_t>(adj_[k].first);
      b += in_[v] ? -adj_[k].second : adj_[k].second;
      if (v == other && shared) *shared += adj_[k].second;
    }
    steps += static_cast<long long>(adjStart_[u + 1] - adjStart_[u]) + 1;
    return p_.units[u].cost + p_.blm * b;
  }

  bool touchesSet(std::size_t u) const {
    for (std::size_t k = adjStart_[u]; k < adjStart_[u + 1]; ++k)
      if (in_[static_cast<std::size_t>(adj_[k].first)]) return true;
    return false;
  }

  // Past the clock time, looked at every 64 calls.
  bool late() {
    if ((!until_.wall && !until_.cpu) || ++lateCalls_ % 64 != 0) return lateSeen_;
    lateSeen_ = lateSeen_ || until_.passed();
    return lateSeen_;
  }

  void flip(std::size_t u) {
    score += in_[u] ? -addCost(u) : addCost(u);
    in_[u] = !in_[u];
    const double sign = in_[u] ? 1.0 : -1.0;
    for (const Entry* x = p_.featuresIn.begin(u); x != p_.featuresIn.end(u); ++x)
      held_[static_cast<std::size_t>(x->index)] += sign * x->amount;
    steps += p_.featuresIn.end(u) - p_.featuresIn.begin(u);
  }

  const Problem& p_;
  const std::vector<double>& goal_;
  std::vector<char>& in_;
  std::vector<double> held_, outer_;
  std::vector<std::size_t> adjStart_;
  std::vector<std::pair<int, double>> adj_;
  long long steps = 0;
  double score = 0.0;  // change in cost + BLM x boundary length since made
  Until until_;
  unsigned lateCalls_ = 0;
  bool lateSeen_ = false;

  // The fill's candidates (see fill): per unit, the most its amounts could
  // add towards the goals, its entries' version and its place in the
  // feature being filled (0: not a candidate).
  std::vector<double> most_;
  std::vector<std::uint32_t> version_;
  std::vector<std::uint32_t> place_;
};

constexpr double kGain = 1e-9;  // a move must gain more than rounding

// Swaps unit u (in the set) for the unit outside that covers what leaving
// u out makes short and costs least; false when none gains.
bool bestSwap(Search& s, std::size_t u, double dropGain, std::vector<double>& shortBy) {
  const Problem& p = s.p_;
  std::vector<std::size_t> shortOf;
  std::size_t first = 0, fewest = std::numeric_limits<std::size_t>::max();
  for (const Entry* x = p.featuresIn.begin(u); x != p.featuresIn.end(u); ++x) {
    const auto f = static_cast<std::size_t>(x->index);
    const double lack = s.need(f) + x->amount;
    if (lack <= 0) continue;
    shortBy[f] = lack;
    shortOf.push_back(f);
    const std::size_t n = p.unitsOf.start[f + 1] - p.unitsOf.start[f];
    if (n < fewest) fewest = n, first = f;
  }
  s.steps += p.featuresIn.end(u) - p.featuresIn.begin(u);
  double best = -kGain;
  std::size_t with = std::numeric_limits<std::size_t>::max();
  if (!shortOf.empty()) {
    for (const Entry* c = p.unitsOf.begin(first); c != p.unitsOf.end(first); ++c) {
      const auto v = static_cast<std::size_t>(c->index);
      if (c->amount < shortBy[first] || s.in(v) || s.lockedOut(v)) continue;
      std::size_t covered = 0;
      for (const Entry* x = p.featuresIn.begin(v); x != p.featuresIn.end(v); ++x)
        covered += x->amount >= shortBy[static_cast<std::size_t>(x->index)] &&
                   shortBy[static_cast<std::size_t>(x->index)] > 0;
      s.steps += p.featuresIn.end(v) - p.featuresIn.begin(v) + 1;
      if (covered < shortOf.size()) continue;
      // With u gone a boundary it shares with v no longer counts against v.
      double sharedUV = 0.0;
      const double gain = dropGain + s.addCost(v, u, &sharedUV) + 2.0 * p.blm * sharedUV;
      if (gain < best) best = gain, with = v;
    }
  }
  for (std::size_t f : shortOf) shortBy[f] = 0.0;
  if (with == std::numeric_limits<std::size_t>::max()) return false;
  s.flip(u);
  s.flip(with);
  return true;
}


// The moves of improveSet on a search under way.
void improve(Search& s, long long work) {
  const Problem& p = s.p_;
  const std::size_t nu = p.units.size();
  std::vector<double> shortBy(p.features.size(), 0.0);
  for (bool better = true; better && s.steps < work && !s.late();) {
    better = false;
    // Holes and bays of a clump that cost less than the boundary they close.
    if (p.blm > 0)
      for (std::size_t u = 0; u < nu && s.steps < work && !s.late(); ++u)
        if (!s.in(u) && !s.lockedOut(u) && s.touchesSet(u) && s.addCost(u) < -kGain) {
          s.flip(u);
          better = true;
        }
    for (std::size_t u = 0; u < nu && s.steps < work && !s.late(); ++u) {
      if (!s.in(u) || s.lockedIn(u)) continue;
      const double dropGain = -s.addCost(u);
      bool spare = true;
      for (const Entry* x = p.featuresIn.begin(u); x != p.featuresIn.end(u) && spare; ++x)
        spare = s.need(static_cast<std::size_t>(x->index)) + x->amount <= 0;
      if (spare && dropGain < -kGain) {
        s.flip(u);
        better = true;
      } else if (!spare && bestSwap(s, u, dropGain, shortBy)) {
        better = true;
      }
    }
  }
}

// Features from the fewest units that can hold them to the most: those
// leave the least choice.
std::vector<std::size_t> rarityOrder(const Search& s) {
  const Problem& p = s.p_;
  const std::size_t nf = p.features.size();
  std::vector<std::size_t> units(nf, 0), order(nf);
  for (std::size_t f = 0; f < nf; ++f)
    for (const Entry* x = p.unitsOf.begin(f); x != p.unitsOf.end(f); ++x)
      units[f] += !s.lockedOut(static_cast<std::size_t>(x->index));
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return units[a] < units[b]; });
  return order;
}

// How much unit v adds towards the open goals (each as a share of its goal)
// per unit of what it costs; one that closes more boundary than it costs
// comes before every other.
double fillScore(Search& s, std::size_t v) {
  const Problem& p = s.p_;
  double value = 0.0;
  for (const Entry* x = p.featuresIn.begin(v); x != p.featuresIn.end(v); ++x) {
    const auto g = static_cast<std::size_t>(x->index);
    if (s.open(g)) value += std::min(x->amount, s.need(g)) / s.goal_[g];
  }
  s.steps += p.featuresIn.end(v) - p.featuresIn.begin(v);
  const double price = s.addCost(v);
  return price <= 0 ? std::numeric_limits<double>::max() / 2 + value : value / price;
}

// Brings every open goal to its target in ORDER: each takes the unit that
// scores best (fillScore), the first in its list among equals.
//
// A unit's value only falls as goals fill, and its price only changes when a
// neighbour joins, so candidates wait in a heap under a score no lower than
// their own: at first their amounts' whole worth over the price, then the
// score itself once reckoned; the top is reckoned afresh and taken when it
// still leads, and a taken unit's neighbours are queued again at their new
// price. The picks are those of reckoning every candidate at every pick,
// at the cost of reckoning few.
void fill(Search& s, const std::vector<std::size_t>& order) {
  const Problem& p = s.p_;
  const std::size_t nu = p.units.size();
  if (s.most_.empty()) {
    s.most_.assign(nu, 0.0);
    for (std::size_t u = 0; u < nu; ++u)
      for (const Entry* x = p.featuresIn.begin(u); x != p.featuresIn.end(u); ++x) {
        const auto g = static_cast<std::size_t>(x->index);
        if (s.goal_[g] > 0) s.most_[u] += std::max(x->amount, 0.0) / s.goal_[g];
      }
    s.version_.assign(nu, 0);
    s.place_.assign(nu, 0);
  }
  struct Waiting {
    double score;
    std::uint32_t place, version;
    std::size_t unit;
  };
  // The best score first, then the first place.
  const auto below = [](const Waiting& a, const Waiting& b) {
    return a.score != b.score ? a.score < b.score : a.place > b.place;
  };
  std::vector<Waiting> heap;
  const auto push = [&](const Waiting& w) {
    heap.push_back(w);
    std::push_heap(heap.begin(), heap.end(), below);
  };
  const auto bound = [&](std::size_t v) {
    const double price = s.addCost(v);
    return price <= 0 ? std::numeric_limits<double>::max() / 2 + s.most_[v] : s.most_[v] / price;
  };
  for (std::size_t f : order) {
    if (!s.open(f)) continue;
    heap.clear();
    std::uint32_t place = 0;
    for (const Entry* c = p.unitsOf.begin(f); c != p.unitsOf.end(f); ++c) {
      const auto v = static_cast<std::size_t>(c->index);
      ++place;
      if (s.in(v) || s.lockedOut(v) || s.place_[v]) continue;
      s.place_[v] = place;
      heap.push_back({bound(v), place, ++s.version_[v], v});
    }
    std::make_heap(heap.begin(), heap.end(), below);
    while (s.open(f) && !heap.empty()) {
      std::pop_heap(heap.begin(), heap.end(), below);
      const Waiting top = heap.back();
      heap.pop_back();
      if (s.in(top.unit) || top.version != s.version_[top.unit]) continue;
      const double score = fillScore(s, top.unit);
      const Waiting now{score, top.place, ++s.version_[top.unit], top.unit};
      if (!heap.empty() && below(now, heap.front())) {
        push(now);
        continue;
      }
      s.flip(top.unit);
      for (std::size_t k = s.adjStart_[top.unit]; k < s.adjStart_[top.unit + 1]; ++k) {
        const auto w = static_cast<std::size_t>(s.adj_[k].first);
        if (s.place_[w] && !s.in(w)) push({bound(w), s.place_[w], ++s.version_[w], w});
      }
    }
    for (const Entry* c = p.unitsOf.begin(f); c != p.unitsOf.end(f); ++c)
      s.place_[static_cast<std::size_t>(c->index)] = 0;
  }
}

}  // namespace

long long improveSet(const Problem& p, const std::vector<double>& goal, std::vector<char>& chosen, long long work,
                     Until until) {
  Search s(p, goal, chosen);
  s.until_ = until;
  improve(s, work);
  return s.steps;
}

std::vector<char> rarityStart(const Problem& p, const std::vector<double>& goal) {
  std::vector<char> chosen(p.units.size(), 0);
  for (std::size_t u = 0; u < chosen.size(); ++u) chosen[u] = p.units[u].status == UnitStatus::LockedIn;
  Search s(p, goal, chosen);
  fill(s, rarityOrder(s));
  return chosen;
}

std::vector<char> completedSet(const Problem& p, const std::vector<double>& goal, std::vector<char> chosen) {
  chosen.resize(p.units.size(), 0);
  for (std::size_t u = 0; u < chosen.size(); ++u)
    chosen[u] = p.units[u].status == UnitStatus::LockedIn || (chosen[u] && p.units[u].status != UnitStatus::LockedOut);
  Search s(p, goal, chosen);
  fill(s, rarityOrder(s));
  return chosen;
}

long long refineSet(const Problem& p, const std::vector<double>& goal, std::vector<char>& chosen, long long work,
                    Until until) {
  std::vector<char> trial = chosen;
  Search s(p, goal, trial);
  s.until_ = until;
  improve(s, work);
  const std::vector<std::size_t> order = rarityOrder(s);
  std::vector<std::size_t> region;
  double best = s.score;
  chosen = trial;
  // Each round clears the units of one feature in turn (in a fixed
  // scrambled order) and refills and improves the set; a set as good as the
  // best is kept too, so the search can cross level ground. A whole turn of
  // the features without a better set ends it.
  const std::size_t nf = p.features.size();
  std::size_t lastBetter = 0;
  for (std::size_t round = 0; nf > 0 && s.steps < work && round < lastBetter + nf; ++round) {
    if (until.passed()) break;
    const std::size_t f = order[(round * 7919) % nf];
    region.clear();
    for (const Entry* x = p.unitsOf.begin(f); x != p.unitsOf.end(f); ++x) {
      const auto u = static_cast<std::size_t>(x->index);
      if (s.in(u) && !s.lockedIn(u)) region.push_back(u);
    }
    s.steps += p.unitsOf.end(f) - p.unitsOf.begin(f);
    if (region.empty()) continue;
    for (std::size_t u : region) s.flip(u);
    fill(s, order);
    improve(s, work);
    if (s.score <= best + kGain) {
      if (s.score < best - kGain) lastBetter = round + 1;
      best = std::min(best, s.score);
      chosen = trial;
    } else {
      for (std::size_t u = 0; u < trial.size(); ++u)
        if (trial[u] != chosen[u]) s.flip(u);
    }
    s.steps += static_cast<long long>(trial.size());
  }
  return s.steps;
}

double lagrangianBound(const Problem& p, const std::vector<double>& goal, const std::vector<double>& cost,
                       double upper, long long work, std::vector<char>* taken, Until until) {
  const std::size_t nf = p.features.size(), nu = p.units.size();
  double fixed = 0.0;
  std::vector<double> need(goal);
  for (std::size_t u = 0; u < nu; ++u) {
    if (p.units[u].status != UnitStatus::LockedIn) continue;
    fixed += cost[u];
    for (const Entry* x = p.featuresIn.begin(u); x != p.featuresIn.end(u); ++x)
      need[static_cast<std::size_t>(x->index)] -= x->amount;
  }
  for (double& n : need) n = n > 1e-9 * std::max(1.0, std::fabs(n)) ? n : 0.0;
  std::vector<double> price(nf, 0.0), slope(nf, 0.0);
  std::vector<char> now(nu, 0);
  if (taken) taken->assign(nu, 0);
  double best = fixed, step = 2.0;
  int flat = 0;
  long long steps = 0;
  while (steps < work && !until.passed()) {
    // The relaxation at these prices: every unit whose capped amounts are
    // worth more than its cost is taken.
    double value = fixed;
    for (std::size_t f = 0; f < nf; ++f) {
      value += price[f] * need[f];
      slope[f] = need[f];
    }
    for (std::size_t u = 0; u < nu; ++u) {
      if (p.units[u].status != UnitStatus::Free) continue;
      double reduced = cost[u];
      for (const Entry* x = p.featuresIn.begin(u); x != p.featuresIn.end(u); ++x) {
        const auto f = static_cast<std::size_t>(x->index);
        reduced -= price[f] * std::min(x->amount, need[f]);
      }
      steps += p.featuresIn.end(u) - p.featuresIn.begin(u) + 1;
      now[u] = reduced < 0.0;
      if (reduced >= 0.0) continue;
      value += reduced;
      for (const Entry* x = p.featuresIn.begin(u); x != p.featuresIn.end(u); ++x) {
        const auto f = static_cast<std::size_t>(x->index);
        slope[f] -= std::min(x->amount, need[f]);
      }
    }
    if (value > best + 1e-12 * std::max(1.0, std::fabs(best))) {
      best = value;
      flat = 0;
      if (taken) *taken = now;
    } else if (++flat >= 10) {
      step /= 2;
      flat = 0;
      if (step < 1e-4) break;
    }
    double norm = 0.0;
    for (std::size_t f = 0; f < nf; ++f) {
      if (price[f] <= 0.0 && slope[f] < 0.0) slope[f] = 0.0;  // a price cannot fall below nothing
      norm += slope[f] * slope[f];
    }
    const double gap = upper - value;
    if (norm <= 0.0 || !(gap > 0.0)) break;
    const double t = step * gap / norm;
    for (std::size_t f = 0; f < nf; ++f) price[f] = std::max(0.0, price[f] + t * slope[f]);
    steps += static_cast<long long>(nf);
  }
  return best;
}

double coverBound(const Problem& p, const std::vector<double>& goal) {
  double fixed = 0.0, most = 0.0;
  for (const Unit& u : p.units) fixed += u.status == UnitStatus::LockedIn ? u.cost : 0.0;
  std::vector<std::pair<double, double>> free;  // cost per amount, amount
  for (std::size_t f = 0; f < p.features.size(); ++f) {
    double need = goal[f];
    free.clear();
    for (const Entry* x = p.unitsOf.begin(f); x != p.unitsOf.end(f); ++x) {
      const Unit& u = p.units[static_cast<std::size_t>(x->index)];
      if (u.status == UnitStatus::LockedIn) need -= x->amount;
      else if (u.status != UnitStatus::LockedOut && x->amount > 0) free.push_back({u.cost / x->amount, x->amount});
    }
    std::sort(free.begin(), free.end());
    double cost = 0.0;
    for (std::size_t k = 0; k < free.size() && need > 0; ++k) {
      const double take = std::min(need, free[k].second);
      cost += take * free[k].first;
      need -= take;
    }
    most = std::max(most, cost);
  }
  return fixed + most;
}

}  // namespace zn::planning
