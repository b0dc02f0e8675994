#include "selection/greedy.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <tuple>
#include <utility>

#include "measures/presence.h"
#include "selection/areaset.h"
#include "selection/progress.h"
#include "selection/setdata.h"

namespace zn {

GreedyOptions greedyOptions(const Settings& st, bool costPresent) {
  GreedyOptions o;
  o.byRarity = st.greedyByRarity != GreedyBy::kRichness;
  o.goal = std::max(1, static_cast<int>(st.greedyGoal));
  o.rejectRedundant = st.greedyRejectRedundant != Flag::kOff;
  o.includeSeeds = st.greedyIncludeSeeds != Flag::kOff;
  o.rarityFormula = st.rarityFormula;
  o.byCost = costPresent && st.optimiseByCost != Flag::kOff;
  return o;
}

namespace {

// The growing loop's state. Each unit's value is the exact sum a fresh
// count would give, so ties are decided as they would be by recounting
// every unit at every step: where every weight is a whole number (richness,
// the difference formula) the sums are exact in any order and a met taxon's
// weight is taken off its units; otherwise the units of a met taxon are
// summed afresh in taxon order.
//
// The unit to take is the top of a heap ordered as the choice is made:
// value, then total, then the higher number. An entry goes stale when its
// unit's value changes (the new value has its own entry) or the unit joins
// the set. Values only fall, so a unit has one current entry at a time.
class Grower {
 public:
  Grower(AreaSet& set, const SelectionData& d, const GreedyOptions& o)
      : set_(set), d_(d), goal_(std::max(1, o.goal)), capacity_(o.capacity) {}

  void run(GreedyResult& r, SelectionProgress& progress) {
    const int cells = d_.cells;
    const int taxa = d_.index.taxa;
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
      for (int t : d_.index.taxaIn(a)) {
        ++rep_[static_cast<std::size_t>(t)];
        if (p < set.seedCount) ++seedRep[static_cast<std::size_t>(t)];
      }
    }
    met_.assign(static_cast<std::size_t>(taxa), 1);
    outside_.assign(static_cast<std::size_t>(taxa), 0);
    live_ = 0;
    double sum = 0.0;
    subtract_ = true;
    for (int t = 0; t < taxa; ++t) {
      const double w = d_.weight[static_cast<std::size_t>(t)];
      subtract_ = subtract_ && w == std::floor(w);
      sum += std::abs(w) * d_.index.range(t);
      if (!d_.included[static_cast<std::size_t>(t)] || d_.index.range(t) == 0) continue;
      if (set.seedCount > 0 && seedRep[static_cast<std::size_t>(t)] >= goal_) continue;
      met_[static_cast<std::size_t>(t)] = 0;
      for (int c : d_.index.unitsOf(t)) outside_[static_cast<std::size_t>(t)] += !inSet_[static_cast<std::size_t>(c)];
      live_ += outside_[static_cast<std::size_t>(t)] > 0;
    }
    // Whole numbers add exactly while every sum stays below 2^53.
    subtract_ = subtract_ && sum < 9007199254740992.0;
    // Richness values are small whole numbers that wide ties share: the
    // units at each are counted. Other values seldom tie, and a tie is
    // counted off the heap.
    bool ones = !d_.byCost;
    for (std::size_t t = 0; t < d_.weight.size() && ones; ++t) ones = d_.weight[t] == 0.0 || d_.weight[t] == 1.0;
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
      r.ties.push_back(tied);
      // The highest-numbered unit wins among equal totals above -1; with
      // none above, the lowest-numbered unit of the tie.
      const int chosen = tied > 1 && !(total > -1.0) ? lowestWith(m) : top;
      append(chosen, first, progress);
      first = false;
    }
  }

 private:
  static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  using Entry = std::tuple<double, double, int>;  // value per cost, total per cost, unit

  double cellValue(int n) const {
    double v = 0.0;
    for (int t : d_.index.taxaIn(n))
      if (!met_[static_cast<std::size_t>(t)]) v += d_.weight[static_cast<std::size_t>(t)];
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
    if (count(n))
      heap_.emplace(counted_[static_cast<std::size_t>(n)], perCost(n, d_.total[static_cast<std::size_t>(n)]), n);
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
    for (int n = 1; n <= d_.cells; ++n)
      if (!inSet_[static_cast<std::size_t>(n)] && counted_[static_cast<std::size_t>(n)] == m) return n;
    return 0;
  }

  void meet(int t, SelectionProgress& progress) {
    met_[static_cast<std::size_t>(t)] = 1;
    if (outside_[static_cast<std::size_t>(t)] > 0) --live_;
    const double w = d_.weight[static_cast<std::size_t>(t)];
    if (subtract_ && w == 0.0) {
      progress.advance();
      return;
    }
    for (int c : d_.index.unitsOf(t)) {
      const auto i = static_cast<std::size_t>(c);
      if (inSet_[i]) continue;
      if (subtract_) value_[i] -= w;
      if (!dirty_[i]) {
        dirty_[i] = 1;
        touched_.push_back(c);
      }
    }
    progress.advance();
  }

  void append(int n, bool first, SelectionProgress& progress) {
    set_.cells.push_back(n);
    uncount(n);
    inSet_[static_cast<std::size_t>(n)] = 1;
    for (int t : d_.index.taxaIn(n)) {
      ++rep_[static_cast<std::size_t>(t)];
      if (!met_[static_cast<std::size_t>(t)] && --outside_[static_cast<std::size_t>(t)] == 0) --live_;
    }
    // The first recount also takes in areas that were in the set without
    // being seeds; after it only the new area's taxa can change.
    if (first) {
      for (int t = 0; t < d_.index.taxa; ++t)
        if (!met_[static_cast<std::size_t>(t)] && rep_[static_cast<std::size_t>(t)] >= goal_) meet(t, progress);
    } else {
      for (int t : d_.index.taxaIn(n))
        if (!met_[static_cast<std::size_t>(t)] && rep_[static_cast<std::size_t>(t)] >= goal_) meet(t, progress);
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

  void rebuildHeap() {
    std::vector<Entry> live;
    for (int n = 1; n <= d_.cells; ++n)
      if (const auto i = static_cast<std::size_t>(n); !inSet_[i] && !std::isnan(counted_[i]))
        live.emplace_back(counted_[i], perCost(n, d_.total[i]), n);
    heap_ = std::priority_queue<Entry>(std::less<Entry>(), std::move(live));
  }

  AreaSet& set_;
  const SelectionData& d_;
  int goal_;
  int capacity_;
  bool subtract_ = true;
  std::vector<char> inSet_, met_, dirty_;
  std::vector<int> rep_, outside_, touched_;
  std::vector<double> value_;
  std::vector<double> counted_;  // per unit: the value it is counted and offered at, or kNone
  std::vector<int> sharing_;     // richness: units counted at each value
  std::vector<Entry> tiedEntries_;
  std::priority_queue<Entry> heap_;
  int live_ = 0;
};

}  // namespace

GreedyResult growGreedySet(const AnalysisData& a, const AreaSet& start, const GreedyOptions& o, Feedback& feedback) {
  GreedyResult r;
  if (!a.data) return r;
  r.ran = true;
  const int goal = std::max(1, o.goal);
  AreaSet& set = r.set;
  set.cells = start.cells;
  set.seedCount = o.includeSeeds ? 0 : set.count();
  r.seedCount = set.seedCount;
  SelectionProgress progress(feedback, a.totals.taxaWithRecords);

  const SelectionData d(a, o.byRarity, o.rarityFormula, o.byCost);
  const std::uint32_t begun = feedback.tickMs();
  Grower(set, d, o).run(r, progress);
  if (o.rejectRedundant) r.rejected = rejectRedundantFromEnd(set, d, goal);
  if (goal == 1 && r.rejected > 0) reorderByGain(set, d);

  r.added = set.count() - set.seedCount;
  r.representation.assign(static_cast<std::size_t>(d.index.taxa), 0);
  for (int n : set.cells)
    if (n >= 1 && n <= d.cells)
      for (int t : d.index.taxaIn(n))
        if (d.included[static_cast<std::size_t>(t)]) ++r.representation[static_cast<std::size_t>(t)];
  r.represented =
      static_cast<int>(std::count_if(r.representation.begin(), r.representation.end(), [](int k) { return k > 0; }));
  r.seconds = static_cast<float>(feedback.tickMs() - begun) * 0.001f;
  return r;
}

void placeGreedySet(const GreedyResult& r, AreaSet& areas, Workspace& ws) {
  if (!r.ran) return;
  areas.cells = r.set.cells;
  areas.seedCount = r.set.seedCount;
  for (GridCell& c : ws.cells) {
    c.score = 0.0;
    c.count = 0;
  }
  scoreByPosition(ws.cells, areas);
  CardStore& cards = ws.cards;
  for (std::size_t t = 0; t < r.representation.size(); ++t)
    cards.setField(static_cast<int>(t), cards.layout->repCount, r.representation[t]);
}

}  // namespace zn
