#include "selection/greedy.h"

#include <algorithm>

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

// The growing loop's state. Cell values are kept per cell and recomputed,
// in card order, only for the cells of taxa that have just met the goal,
// so every value is the exact sum a fresh count would give and ties are
// decided as they would be by recounting every cell at every step.
class Grower {
 public:
  Grower(AreaSet& set, const SelectionData& d, const GreedyOptions& o) : set_(set), d_(d), goal_(std::max(1, o.goal)) {}

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
    for (int t = 0; t < taxa; ++t) {
      if (!d_.included[static_cast<std::size_t>(t)] || d_.index.range(t) == 0) continue;
      if (set.seedCount > 0 && seedRep[static_cast<std::size_t>(t)] >= goal_) continue;
      met_[static_cast<std::size_t>(t)] = 0;
      for (int c : d_.index.unitsOf(t)) outside_[static_cast<std::size_t>(t)] += !inSet_[static_cast<std::size_t>(c)];
      live_ += outside_[static_cast<std::size_t>(t)] > 0;
    }
    value_.assign(static_cast<std::size_t>(cells) + 1, 0.0);
    dirty_.assign(static_cast<std::size_t>(cells) + 1, 0);
    for (int n = 1; n <= cells; ++n)
      if (!inSet_[static_cast<std::size_t>(n)]) value_[static_cast<std::size_t>(n)] = cellValue(n);

    std::vector<int> tied;
    bool first = true;
    while (set.count() <= cells && set.count() < kAreaCapacity && live_ > 0) {
      double m = -1.0;
      for (int n = 1; n <= cells; ++n)
        if (!inSet_[static_cast<std::size_t>(n)]) m = std::max(m, perCost(n, value_[static_cast<std::size_t>(n)]));
      tied.clear();
      for (int n = 1; n <= cells; ++n)
        if (!inSet_[static_cast<std::size_t>(n)] && perCost(n, value_[static_cast<std::size_t>(n)]) == m)
          tied.push_back(n);
      if (tied.empty()) break;
      r.ties.push_back(static_cast<int>(tied.size()));
      int chosen = tied.front();
      if (tied.size() > 1) {
        // The highest-numbered cell wins among equal totals.
        double best = -1.0;
        for (auto it = tied.rbegin(); it != tied.rend(); ++it) {
          const double total = perCost(*it, d_.total[static_cast<std::size_t>(*it)]);
          if (total > best) best = total, chosen = *it;
        }
      }
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

  void meet(int t, SelectionProgress& progress) {
    met_[static_cast<std::size_t>(t)] = 1;
    if (outside_[static_cast<std::size_t>(t)] > 0) --live_;
    for (int c : d_.index.unitsOf(t)) dirty_[static_cast<std::size_t>(c)] = 1;
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
    for (int c = 1; c <= d_.cells; ++c) {
      if (!dirty_[static_cast<std::size_t>(c)]) continue;
      dirty_[static_cast<std::size_t>(c)] = 0;
      if (!inSet_[static_cast<std::size_t>(c)]) value_[static_cast<std::size_t>(c)] = cellValue(c);
    }
  }

  AreaSet& set_;
  const SelectionData& d_;
  int goal_;
  std::vector<char> inSet_, met_, dirty_;
  std::vector<int> rep_, outside_;
  std::vector<double> value_;
  int live_ = 0;
};

}  // namespace

GreedyResult growGreedySet(const Session& s, const AreaSet& start, const GreedyOptions& o, Feedback& feedback) {
  GreedyResult r;
  if (!s.ws.datafile.opened) return r;
  r.ran = true;
  const int goal = std::max(1, o.goal);
  AreaSet& set = r.set;
  set.cells = start.cells;
  set.seedCount = o.includeSeeds ? 0 : set.count();
  r.seedCount = set.seedCount;
  SelectionProgress progress(feedback, s.ws.counters.taxaWithRecords);

  const SelectionData d(s, o.byRarity, o.rarityFormula, o.byCost);
  const std::uint32_t begun = feedback.tickMs();
  Grower(set, d, o).run(r, progress);
  if (o.rejectRedundant) r.rejected = rejectRedundantFromEnd(set, d, goal);
  if (goal == 1 && r.rejected > 0) reorderByGain(set, d);

  r.added = set.count() - set.seedCount;
  r.representation.assign(static_cast<std::size_t>(d.index.taxa), 0);
  for (int a : set.cells)
    if (a >= 1 && a <= d.cells)
      for (int t : d.index.taxaIn(a))
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
