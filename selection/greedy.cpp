#include "selection/greedy.h"

#include <algorithm>

#include "measures/presence.h"
#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/progress.h"
#include "selection/report.h"
#include "selection/setdata.h"

namespace zn {

GreedyOptions greedyOptions(const Session& s) {
  GreedyOptions o;
  o.byRarity = s.settings.greedyByRarity != GreedyBy::kRichness;
  o.goal = std::max(1, static_cast<int>(s.settings.greedyGoal));
  o.rejectRedundant = s.settings.greedyRejectRedundant != Flag::kOff;
  o.includeSeeds = s.settings.greedyIncludeSeeds != Flag::kOff;
  o.rarityFormula = s.settings.rarityFormula;
  o.byCost = s.costPresent && s.settings.optimiseByCost != Flag::kOff;
  return o;
}

namespace {

// The growing loop's state. Cell values are kept per cell and recomputed,
// in card order, only for the cells of taxa that have just met the goal,
// so every value is the exact sum a fresh count would give and ties are
// decided as they would be by recounting every cell at every step.
class Grower {
 public:
  Grower(Session& s, const SelectionData& d, const GreedyOptions& o) : s_(s), d_(d), goal_(std::max(1, o.goal)) {}

  void run(GreedyResult& r, SelectionProgress& progress) {
    const int cells = d_.cells;
    const int taxa = d_.index.taxa;
    AreaSet& set = s_.areas;
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
    s_.areas.cells.push_back(n);
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

  Session& s_;
  const SelectionData& d_;
  int goal_;
  std::vector<char> inSet_, met_, dirty_;
  std::vector<int> rep_, outside_;
  std::vector<double> value_;
  int live_ = 0;
};

}  // namespace

GreedyResult growGreedySet(Session& s, const GreedyOptions& o) {
  GreedyResult r;
  if (!s.ws.datafile.opened) return r;
  const int goal = std::max(1, o.goal);
  AreaSet& set = s.areas;
  set.seedCount = o.includeSeeds ? 0 : set.count();
  r.seedCount = set.seedCount;
  SelectionProgress progress(s.progress, s.ws.counters.taxaWithRecords);
  clearCellScores(s.ws.cells);

  const SelectionData d(s, o.byRarity, o.rarityFormula, o.byCost);
  const std::uint32_t start = s.progress.tickMs();
  Grower(s, d, o).run(r, progress);
  if (o.rejectRedundant) r.rejected = rejectRedundantFromEnd(set, d, goal);
  if (goal == 1 && r.rejected > 0) reorderByGain(set, d);

  scoreByPosition(s.ws.cells, set);
  r.added = set.count() - set.seedCount;
  r.represented = storeRepresentation(s.ws.cards, set, d);
  r.seconds = static_cast<float>(s.progress.tickMs() - start) * 0.001f;
  return r;
}

GreedyResult runGreedySet(Session& s) {
  if (!s.ws.datafile.opened) return {};
  setMeasureCode(s, kCodeGreedy);
  BusyGuard busy(s.progress);
  GreedyResult r = growGreedySet(s, greedyOptions(s));
  finishMeasure(s, static_cast<double>(s.areas.count()));
  ReportFacts f;
  f.seconds = r.seconds;
  f.rejected = r.rejected;
  const Report rep = representationReport(s, f);
  storeRepresentation(s.ws.cards, rep.reps);
  r.results = rep.text;
  return r;
}

}  // namespace zn
