#include "selection/greedy.h"

#include <algorithm>
#include <cmath>
#include <queue>
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
// summed afresh in taxon order. The largest value is found through a heap
// whose entries go stale when a unit's value changes or it joins the set.
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
    value_.assign(static_cast<std::size_t>(cells) + 1, 0.0);
    dirty_.assign(static_cast<std::size_t>(cells) + 1, 0);
    seen_.assign(static_cast<std::size_t>(cells) + 1, 0);
    for (int n = 1; n <= cells; ++n)
      if (!inSet_[static_cast<std::size_t>(n)]) {
        value_[static_cast<std::size_t>(n)] = cellValue(n);
        offer(n);
      }

    std::vector<int> tied;
    bool first = true;
    while (set.count() <= cells && set.count() < capacity_ && live_ > 0) {
      takeTied(tied);
      if (tied.empty()) break;
      r.ties.push_back(static_cast<int>(tied.size()));
      std::sort(tied.begin(), tied.end());
      int chosen = tied.front();
      if (tied.size() > 1) {
        // The highest-numbered unit wins among equal totals.
        double best = -1.0;
        for (auto it = tied.rbegin(); it != tied.rend(); ++it) {
          const double total = perCost(*it, d_.total[static_cast<std::size_t>(*it)]);
          if (total > best) best = total, chosen = *it;
        }
      }
      for (int n : tied)
        if (n != chosen) heap_.emplace(key(n), n);
      append(chosen, first, progress);
      first = false;
    }
  }

 private:
  double cellValue(int n) const {
    double v = 0.0;
    for (int t : d_.index.taxaIn(n))
      if (!met_[static_cast<std::size_t>(t)]) v += d_.weight[static_cast<std::size_t>(t)];
    return v;
  }
  double perCost(int n, double v) const { return d_.perCost(n, v); }
  double key(int n) const { return perCost(n, value_[static_cast<std::size_t>(n)]); }
  // A value that is no number is never the largest.
  void offer(int n) {
    if (const double k = key(n); !std::isnan(k)) heap_.emplace(k, n);
  }

  // Every unit outside the set whose value is the largest, at least -1.
  void takeTied(std::vector<int>& tied) {
    tied.clear();
    ++step_;
    double m = 0.0;
    while (!heap_.empty()) {
      const auto [k, n] = heap_.top();
      if (!tied.empty() && k != m) break;
      heap_.pop();
      const auto i = static_cast<std::size_t>(n);
      if (inSet_[i] || k != key(n) || seen_[i] == step_) continue;
      if (tied.empty()) {
        if (k < -1.0) {
          heap_.emplace(k, n);
          return;
        }
        m = k;
      }
      seen_[i] = step_;
      tied.push_back(n);
    }
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
      if (!subtract_) {
        const double v = cellValue(c);
        if (v == value_[i]) continue;
        value_[i] = v;
      }
      offer(c);
    }
    touched_.clear();
    // Stale entries are dropped once they outnumber the units.
    if (heap_.size() > 2 * value_.size() + 1024) rebuildHeap();
  }

  void rebuildHeap() {
    heap_ = {};
    for (int n = 1; n <= d_.cells; ++n)
      if (!inSet_[static_cast<std::size_t>(n)]) offer(n);
  }

  AreaSet& set_;
  const SelectionData& d_;
  int goal_;
  int capacity_;
  bool subtract_ = true;
  std::vector<char> inSet_, met_, dirty_;
  std::vector<int> rep_, outside_, touched_;
  std::vector<unsigned> seen_;
  unsigned step_ = 0;
  std::vector<double> value_;
  std::priority_queue<std::pair<double, int>> heap_;
  int live_ = 0;
};

int taxaWithRecords(const AnalysisData& a) {
  int n = 0;
  for (int t = 0; t < a.taxa(); ++t) n += a.counts(t) && a.occ().range(t) > 0;
  return n;
}

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
  SelectionProgress progress(feedback, taxaWithRecords(a));

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

GreedyResult growGreedySet(const Session& s, const AreaSet& start, const GreedyOptions& o, Feedback& feedback) {
  if (!s.ws.datafile.opened) return {};
  return growGreedySet(analysisData(s), start, o, feedback);
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
