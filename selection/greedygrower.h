// The greedy set's growing core, one for every greedy rule and any sparse
// lists: the datafile's and a project's richness and rarity sets, and the
// cost-effectiveness set on a planning problem's amounts.
//
// A unit's value is what it adds towards the taxa's goals: the summed
// weights of its taxa not yet represented often enough (weight 1 for
// richness, the taxon's rarity for rarity), or, on amounts, the shortfall
// against each taxon's goal it removes (the sum of min(amount, shortfall)).
// Either way it is divided by the unit's cost as the source says, and only
// falls as the set grows. Equal values are settled one of two ways:
// - counted ties (run): the higher total, then the higher number, with the
//   tied units counted at each step; every value is kept current;
// - random ties (runWithRandomTies): a seeded random order, then the lower
//   number; a value is refreshed only when its unit heads the queue.
//
// A Source gives units() (numbered 1 … units), taxa(), range(t),
// taxaIn(n, f) and unitsOf(t, f) calling f(number, amount) in ascending
// order, weight(t), included(t), total(n), byCost(), perCost(n, v) and cost(n);
// random ties read only units, taxa, taxaIn, weight, perCost and cost.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <queue>
#include <tuple>
#include <utility>
#include <vector>

#include "selection/areaset.h"
#include "selection/progress.h"
#include "store/random.h"

namespace zn {

// The growing loop's state. With counted ties each unit's value is the
// exact sum a fresh count would give, so ties are decided as they would be
// by recounting every unit at every step: where every weight is a whole
// number (richness, the difference formula) the sums are exact in any order
// and a met taxon's weight is taken off its units; otherwise the units of a
// met taxon are summed afresh in taxon order.
//
// The unit to take is the top of a heap ordered as the choice is made:
// value, then total, then the higher number. An entry goes stale when its
// unit's value changes (the new value has its own entry) or the unit joins
// the set. Values only fall, so a unit has one current entry at a time.
template <class Source>
class Grower {
 public:
  Grower(AreaSet& set, const Source& d, int goal, int capacity)
      : set_(set), d_(d), goal_(std::max(1, goal)), capacity_(capacity) {}

  // Counted ties: grows the set until every counted taxon is represented
  // `goal` times, the set is full or no unit adds anything; the tied units
  // at each step go to `ties`.
  void run(std::vector<int>& ties, SelectionProgress& progress) {
    const int cells = d_.units();
    const int taxa = d_.taxa();
    AreaSet& set = set_;
    inSet_.assign(static_cast<std::size_t>(cells) + 1, 0);
    for (int a : set.cells)
      if (a >= 1 && a <= cells) inSet_[static_cast<std::size_t>(a)] = 1;

    // Representations over the whole set; at the start only the seeds can
    // meet the goal.
    rep_.assign(static_cast<std::size_t>(taxa), 0);
    std::vector<int> seedRep(static_cast<std::size_t>(taxa), 0);
    for (int p = 0; p < set.count(); ++p) {
      const int a = set.cells[static_cast<std::size_t>(p)];
      if (a < 1 || a > cells) continue;
      d_.taxaIn(a, [&](int t, double) {
        ++rep_[static_cast<std::size_t>(t)];
        if (p < set.seedCount) ++seedRep[static_cast<std::size_t>(t)];
      });
    }
    met_.assign(static_cast<std::size_t>(taxa), 1);
    outside_.assign(static_cast<std::size_t>(taxa), 0);
    live_ = 0;
    double sum = 0.0;
    subtract_ = true;
    for (int t = 0; t < taxa; ++t) {
      const double w = d_.weight(t);
      subtract_ = subtract_ && w == std::floor(w);
      sum += std::abs(w) * d_.range(t);
      if (!d_.included(t) || d_.range(t) == 0) continue;
      if (set.seedCount > 0 && seedRep[static_cast<std::size_t>(t)] >= goal_) continue;
      met_[static_cast<std::size_t>(t)] = 0;
      d_.unitsOf(t,
                 [&](int c, double) { outside_[static_cast<std::size_t>(t)] += !inSet_[static_cast<std::size_t>(c)]; });
      live_ += outside_[static_cast<std::size_t>(t)] > 0;
    }
    // Whole numbers add exactly while every sum stays below 2^53.
    subtract_ = subtract_ && sum < 9007199254740992.0;
    // Richness values are small whole numbers that wide ties share: the
    // units at each are counted. Other values seldom tie, and a tie is
    // counted off the heap.
    bool ones = !d_.byCost();
    for (int t = 0; t < taxa && ones; ++t) ones = d_.weight(t) == 0.0 || d_.weight(t) == 1.0;
    sharing_.clear();
    if (ones) sharing_.assign(static_cast<std::size_t>(taxa) + 1, 0);
    value_.assign(static_cast<std::size_t>(cells) + 1, 0.0);
    dirty_.assign(static_cast<std::size_t>(cells) + 1, 0);
    counted_.assign(static_cast<std::size_t>(cells) + 1, kNone);
    for (int n = 1; n <= cells; ++n)
      if (!inSet_[static_cast<std::size_t>(n)]) {
        value_[static_cast<std::size_t>(n)] = cellValue(n);
        count(n);
      }
    rebuildHeap();

    bool first = true;
    while (set.count() <= cells && set.count() < capacity_ && live_ > 0) {
      while (!heap_.empty() && !current(heap_.top())) heap_.pop();
      // No unit left, or every value below -1: nothing is taken.
      if (heap_.empty() || std::get<0>(heap_.top()) < -1.0) break;
      const auto [m, total, top] = heap_.top();
      const int tied = sharing_.empty() ? tiedAt(m) : sharing_[static_cast<std::size_t>(m)];
      ties.push_back(tied);
      // The highest-numbered unit wins among equal totals above -1; with
      // none above, the lowest-numbered unit of the tie.
      const int chosen = tied > 1 && !(total > -1.0) ? lowestWith(m) : top;
      append(chosen, first, progress);
      first = false;
    }
  }

  // Random ties, on amounts: from the units already in the set, takes the
  // unit that removes the most shortfall against each taxon's `goal` per
  // unit of cost until none removes any; equal values go to a random order
  // drawn from `seed` for every unit in turn, then to the lower number.
  // Units `barred` marks (0 … units) are never taken. A unit's value is
  // refreshed only when it heads the queue: values only fall, so a fresh
  // value still ahead of every other entry is the best.
  void runWithRandomTies(const std::vector<double>& goal, const std::vector<char>& barred, std::uint32_t seed) {
    const int units = d_.units();
    inSet_.assign(static_cast<std::size_t>(units) + 1, 0);
    shortfall_ = goal;
    const std::vector<int> start = set_.cells;
    set_.cells.clear();
    for (int a : start)
      if (a >= 1 && a <= units && !inSet_[static_cast<std::size_t>(a)]) takeShortfall(a);
    Random rng;
    rng.seed(seed);
    std::vector<Offer> offered;
    offered.reserve(static_cast<std::size_t>(units));
    for (int n = 1; n <= units; ++n) {
      // Two 15-bit draws per unit, so orders of more than 32,768 units are drawn too.
      const auto key = static_cast<std::uint32_t>(rng.next()) << 15 | static_cast<std::uint32_t>(rng.next());
      if (inSet_[static_cast<std::size_t>(n)] || barred[static_cast<std::size_t>(n)]) continue;
      if (const double v = cellValue(n); v > 0.0) offered.push_back({perCost(n, v), key, n});
    }
    std::priority_queue<Offer> offers(std::less<Offer>(), std::move(offered));
    while (!offers.empty()) {
      const Offer top = offers.top();
      offers.pop();
      const double v = cellValue(top.unit);
      if (v <= 0.0) continue;
      const Offer fresh{perCost(top.unit, v), top.order, top.unit};
      if (fresh.value < top.value && !offers.empty() && fresh < offers.top()) {
        offers.push(fresh);
        continue;
      }
      takeShortfall(top.unit);
    }
  }

  // Takes out the units after the set's first `fixed` whose taxa all keep
  // their goal without them, the most expensive first (the lower number on
  // equal costs). Returns the number taken out.
  int dropRedundantByCost(const std::vector<double>& goal, int fixed) {
    const int units = d_.units();
    std::vector<char> kept(static_cast<std::size_t>(units) + 1, 0);
    for (int p = 0; p < std::min(fixed, set_.count()); ++p)
      kept[static_cast<std::size_t>(set_.cells[static_cast<std::size_t>(p)])] = 1;
    // Held amounts summed in unit order, whatever order the set grew in.
    std::vector<double> held(static_cast<std::size_t>(d_.taxa()), 0.0);
    std::vector<int> order;
    for (int n = 1; n <= units; ++n) {
      if (!inSet_[static_cast<std::size_t>(n)]) continue;
      d_.taxaIn(n, [&](int t, double a) { held[static_cast<std::size_t>(t)] += a; });
      if (!kept[static_cast<std::size_t>(n)]) order.push_back(n);
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return d_.cost(a) > d_.cost(b); });
    int dropped = 0;
    for (int n : order) {
      bool needed = false;
      d_.taxaIn(n, [&](int t, double a) {
        const double g = goal[static_cast<std::size_t>(t)];
        needed = needed || held[static_cast<std::size_t>(t)] - a < g - 1e-9 * std::max(1.0, g);
      });
      if (needed) continue;
      inSet_[static_cast<std::size_t>(n)] = 0;
      d_.taxaIn(n, [&](int t, double a) { held[static_cast<std::size_t>(t)] -= a; });
      ++dropped;
    }
    std::erase_if(set_.cells, [&](int n) { return !inSet_[static_cast<std::size_t>(n)]; });
    return dropped;
  }

 private:
  static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  // Counted ties: value per cost, total per cost, unit.
  using Entry = std::tuple<double, double, int>;
  // Random ties: value per cost, the random order, then the lower number.
  struct Offer {
    double value;
    std::uint32_t order;
    int unit;
    bool operator<(const Offer& o) const {
      if (value != o.value) return value < o.value;
      if (order != o.order) return order < o.order;
      return unit > o.unit;
    }
  };

  // What unit n adds: the weights of its taxa not yet met, or on amounts the
  // shortfall it removes.
  double cellValue(int n) const {
    double v = 0.0;
    if (shortfall_.empty())
      d_.taxaIn(n, [&](int t, double) {
        if (!met_[static_cast<std::size_t>(t)]) v += d_.weight(t);
      });
    else d_.taxaIn(n, [&](int t, double a) { v += std::min(a, shortfall_[static_cast<std::size_t>(t)]); });
    return v;
  }
  double perCost(int n, double v) const { return d_.perCost(n, v); }
  double key(int n) const { return perCost(n, value_[static_cast<std::size_t>(n)]); }
  bool current(const Entry& e) const {
    const auto i = static_cast<std::size_t>(std::get<2>(e));
    return !inSet_[i] && std::get<0>(e) == counted_[i];
  }

  // The unit's value has changed (or is new): it is counted and offered at
  // the new one. A value that is no number is never the largest.
  void offer(int n) {
    if (count(n)) heap_.emplace(counted_[static_cast<std::size_t>(n)], perCost(n, d_.total(n)), n);
  }
  // Counts the unit at its value; true when that is a new number.
  bool count(int n) {
    const auto i = static_cast<std::size_t>(n);
    const double k = key(n);
    if (k == counted_[i]) return false;
    uncount(n);
    if (std::isnan(k)) return false;
    counted_[i] = k;
    if (!sharing_.empty()) ++sharing_[static_cast<std::size_t>(k)];
    return true;
  }
  void uncount(int n) {
    const auto i = static_cast<std::size_t>(n);
    if (std::isnan(counted_[i])) return;
    if (!sharing_.empty()) --sharing_[static_cast<std::size_t>(counted_[i])];
    counted_[i] = kNone;
  }
  // The units whose value is m, taken off the heap and put back.
  int tiedAt(double m) {
    tiedEntries_.clear();
    while (!heap_.empty() && std::get<0>(heap_.top()) == m) {
      if (current(heap_.top())) tiedEntries_.push_back(heap_.top());
      heap_.pop();
    }
    for (const Entry& e : tiedEntries_) heap_.push(e);
    return static_cast<int>(tiedEntries_.size());
  }
  int lowestWith(double m) const {
    for (int n = 1; n <= d_.units(); ++n)
      if (!inSet_[static_cast<std::size_t>(n)] && counted_[static_cast<std::size_t>(n)] == m) return n;
    return 0;
  }

  void meet(int t, SelectionProgress& progress) {
    met_[static_cast<std::size_t>(t)] = 1;
    if (outside_[static_cast<std::size_t>(t)] > 0) --live_;
    const double w = d_.weight(t);
    if (subtract_ && w == 0.0) {
      progress.advance();
      return;
    }
    d_.unitsOf(t, [&](int c, double) {
      const auto i = static_cast<std::size_t>(c);
      if (inSet_[i]) return;
      if (subtract_) value_[i] -= w;
      if (!dirty_[i]) {
        dirty_[i] = 1;
        touched_.push_back(c);
      }
    });
    progress.advance();
  }

  void append(int n, bool first, SelectionProgress& progress) {
    set_.cells.push_back(n);
    uncount(n);
    inSet_[static_cast<std::size_t>(n)] = 1;
    d_.taxaIn(n, [&](int t, double) {
      ++rep_[static_cast<std::size_t>(t)];
      if (!met_[static_cast<std::size_t>(t)] && --outside_[static_cast<std::size_t>(t)] == 0) --live_;
    });
    // The first recount also takes in areas that were in the set without
    // being seeds; after it only the new area's taxa can change.
    if (first) {
      for (int t = 0; t < d_.taxa(); ++t)
        if (!met_[static_cast<std::size_t>(t)] && rep_[static_cast<std::size_t>(t)] >= goal_) meet(t, progress);
    } else {
      d_.taxaIn(n, [&](int t, double) {
        if (!met_[static_cast<std::size_t>(t)] && rep_[static_cast<std::size_t>(t)] >= goal_) meet(t, progress);
      });
    }
    for (int c : touched_) {
      const auto i = static_cast<std::size_t>(c);
      dirty_[i] = 0;
      if (inSet_[i]) continue;
      if (!subtract_) value_[i] = cellValue(c);
      offer(c);
    }
    touched_.clear();
    // Stale entries are dropped once they outnumber the units.
    if (heap_.size() > 2 * value_.size() + 1024) rebuildHeap();
  }

  void takeShortfall(int n) {
    set_.cells.push_back(n);
    inSet_[static_cast<std::size_t>(n)] = 1;
    d_.taxaIn(n, [&](int t, double a) {
      double& s = shortfall_[static_cast<std::size_t>(t)];
      s = std::max(0.0, s - a);
    });
  }

  void rebuildHeap() {
    std::vector<Entry> live;
    for (int n = 1; n <= d_.units(); ++n)
      if (const auto i = static_cast<std::size_t>(n); !inSet_[i] && !std::isnan(counted_[i]))
        live.emplace_back(counted_[i], perCost(n, d_.total(n)), n);
    heap_ = std::priority_queue<Entry>(std::less<Entry>(), std::move(live));
  }

  AreaSet& set_;
  const Source& d_;
  int goal_;
  int capacity_;
  bool subtract_ = true;
  std::vector<char> inSet_, met_, dirty_;
  std::vector<int> rep_, outside_, touched_;
  std::vector<double> value_;
  std::vector<double> shortfall_;  // random ties: per taxon, what the set still lacks of its goal
  std::vector<double> counted_;    // per unit: the value it is counted and offered at, or kNone
  std::vector<int> sharing_;       // richness: units counted at each value
  std::vector<Entry> tiedEntries_;
  std::priority_queue<Entry> heap_;
  int live_ = 0;
};

}  // namespace zn
