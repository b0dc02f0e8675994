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
#include "selection/greedygrower.h"
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

// The datafile's or a project's lists as the growing core reads them:
// presences (amount 1), the weights and totals of the rule, costs as the
// options divide by them.
struct SetSource {
  const SelectionData& d;
  int units() const { return d.cells; }
  int taxa() const { return d.index.taxa; }
  int range(int t) const { return d.index.range(t); }
  template <class F>
  void taxaIn(int n, F&& f) const {
    for (int t : d.index.taxaIn(n)) f(t, 1.0);
  }
  template <class F>
  void unitsOf(int t, F&& f) const {
    for (int n : d.index.unitsOf(t)) f(n, 1.0);
  }
  double weight(int t) const { return d.weight[static_cast<std::size_t>(t)]; }
  bool included(int t) const { return d.included[static_cast<std::size_t>(t)] != 0; }
  double total(int n) const { return d.total[static_cast<std::size_t>(n)]; }
  bool byCost() const { return d.byCost; }
  double perCost(int n, double v) const { return d.perCost(n, v); }
  double cost(int n) const { return d.data.unitCost(n); }
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
  const SetSource source{d};
  Grower<SetSource>(set, source, goal, o.capacity).run(r.ties, progress);
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

SetRun greedySetRun(const AnalysisData& a, const SetRunParams& p, Feedback& feedback) {
  GreedyOptions o = greedyOptions(p.settings, p.costs);
  o.capacity = p.capacity;
  GreedyResult g = growGreedySet(a, p.start, o, feedback);
  SetRun r;
  r.ran = g.ran;
  if (!g.ran) return r;
  r.set = std::move(g.set);
  r.scores = MeasureResult::zeroed(a.units(), p.settings.excludedLevel);
  r.scores.scaleLimit = r.set.count();
  scoreByPosition(r.scores, r.set);
  r.representation = std::move(g.representation);
  r.seconds = g.seconds;
  r.rejected = g.rejected;
  return r;
}

}  // namespace zn
