#include "selection/randomsets.h"

#include <algorithm>
#include <new>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/progress.h"
#include "selection/stopwatch.h"
#include "store/random.h"

namespace zn {

namespace {

constexpr int kRuns = 1000;

// The taxa of the current areas, which never count as new, and the units
// holding a counted taxon outside them.
std::vector<int> candidateCells(const AnalysisData& a, const std::vector<int>& seeds, std::vector<char>& inSeeds) {
  const Occurrences& ix = a.occ();
  inSeeds.assign(static_cast<std::size_t>(ix.taxa), 0);
  for (int n : seeds)
    if (n >= 1 && n <= ix.units)
      for (int t : ix.taxaIn(n)) inSeeds[static_cast<std::size_t>(t)] = 1;
  std::vector<int> candidates;
  for (int n = 1; n <= ix.units; ++n) {
    const auto taxa = ix.taxaIn(n);
    if (std::any_of(taxa.begin(), taxa.end(),
                    [&](int t) { return a.counts(t) && !inSeeds[static_cast<std::size_t>(t)]; }))
      candidates.push_back(n);
  }
  return candidates;
}

// The median of the runs after each k areas, with the 2.5 % and 97.5 %
// values (two-tailed) or the 95 % value; column k of the table is sorted.
void summariseRuns(std::vector<double>& table, int n, bool twoTailed, RandomSetStats& r) {
  for (int k = 1; k <= n; ++k) {
    const auto first = table.begin() + static_cast<std::ptrdiff_t>(k) * kRuns;
    std::sort(first, first + kRuns);
    r.median[static_cast<std::size_t>(k)] = (first[499] + first[500]) / 2.0;
    if (twoTailed) {
      r.lower[static_cast<std::size_t>(k)] = first[24];
      r.upper[static_cast<std::size_t>(k)] = first[974];
    } else {
      r.upper[static_cast<std::size_t>(k)] = first[949];
    }
  }
}

}  // namespace

RandomSetsParams randomSetsParams(const Settings& st, int areas, std::uint32_t seed) {
  RandomSetsParams p;
  p.areas = areas;
  p.seed = seed;
  p.kind = st.hotspotKind;
  p.rarityFormula = st.rarityFormula;
  p.twoTailed = st.twoTailed != Tails::kSingle;
  p.baseOnPresent = st.baseOnPresent != Flag::kOff;
  return p;
}

RandomSetsOutcome runRandomSets(const AnalysisData& a, const AreaSet& set, const RandomSetsParams& p,
                                Feedback& feedback) {
  RandomSetsOutcome o;
  if (!a.data) return o;
  o.ran = true;
  const Occurrences& ix = a.occ();

  // The current areas are seeds: their taxa never count as new.
  std::vector<char> inSeeds;
  const std::vector<int> candidates = candidateCells(a, set.cells, inSeeds);
  const int c = static_cast<int>(candidates.size());
  const int n = std::clamp(std::min(p.areas, c), 0, p.capacity);

  std::vector<double> table;  // column k holds the 1000 cumulative scores after k areas
  try {
    table.assign(static_cast<std::size_t>(n + 1) * kRuns, 0.0);
  } catch (const std::bad_alloc&) {
    o.refusal = Notice{"Insufficient free memory.", "Random areas", Icon::Exclamation};
    o.outOfMemory = true;
    return o;
  }
  SelectionProgress progress(feedback, kRuns);
  Stopwatch watch(feedback);
  if (c < 3) return o;

  std::vector<double> weight(static_cast<std::size_t>(ix.taxa), 1.0);
  if (p.kind != HotspotKind::kRichness)
    for (int t = 0; t < ix.taxa; ++t)
      weight[static_cast<std::size_t>(t)] = rarityValue(p.rarityFormula, ix.range(t), a.gridUnits);

  RandomSetStats& r = o.stats;
  r.areas = n;
  r.candidates = c;
  r.simulations = kRuns;
  for (auto* v : {&r.presence, &r.added, &r.median, &r.lower, &r.upper})
    v->assign(static_cast<std::size_t>(n) + 1, 0.0);

  Random rng;
  rng.seed(p.seed);
  std::vector<int> chosenIn(static_cast<std::size_t>(ix.units) + 1, 0);  // run that last chose the unit
  std::vector<int> newIn(static_cast<std::size_t>(ix.taxa), 0);          // run in which the taxon was last new
  std::vector<int>& timesChosen = o.timesChosen;
  timesChosen.assign(static_cast<std::size_t>(ix.units) + 1, 0);
  for (int run = 1; run <= kRuns; ++run) {
    double cumulative = 0.0;
    for (int k = 1; k <= n; ++k) {
      int cell = 0;
      do {
        cell = candidates[static_cast<std::size_t>(rng.choose(c))];
      } while (chosenIn[static_cast<std::size_t>(cell)] == run);
      chosenIn[static_cast<std::size_t>(cell)] = run;
      ++timesChosen[static_cast<std::size_t>(cell)];
      for (int t : ix.taxaIn(cell)) {
        if (!a.counts(t)) continue;
        r.presence[static_cast<std::size_t>(k)] += 1.0;
        if (inSeeds[static_cast<std::size_t>(t)] || newIn[static_cast<std::size_t>(t)] == run) continue;
        newIn[static_cast<std::size_t>(t)] = run;
        r.added[static_cast<std::size_t>(k)] += 1.0;
        cumulative += weight[static_cast<std::size_t>(t)];
      }
      table[static_cast<std::size_t>(k) * kRuns + static_cast<std::size_t>(run - 1)] = cumulative;
    }
    progress.reach(run);
  }

  summariseRuns(table, n, p.twoTailed, r);
  const Counters& totals = a.totals;
  r.total = p.kind != HotspotKind::kRichness ? raritySum(totals, p.rarityFormula)
            : p.baseOnPresent                ? totals.taxaWithRecords
                                             : totals.includedTaxa;
  o.simulated = true;
  o.seconds = watch.seconds();
  return o;
}

SetRun randomSetRun(const AnalysisData& a, const SetRunParams& p, Feedback& feedback) {
  RandomSetsParams params = randomSetsParams(p.settings, p.areas, p.seed);
  params.capacity = p.capacity;
  RandomSetsOutcome o = runRandomSets(a, p.start, params, feedback);
  SetRun r;
  r.ran = o.ran;
  if (o.outOfMemory) {
    r.failure = std::move(o.refusal);
    return r;
  }
  if (!o.ran) return r;
  r.set = p.start;
  r.set.seedCount = r.set.count();
  if (!o.simulated) {
    r.nothing = "fewer than 3 candidate " + p.units + ": no random sets are drawn";
    return r;
  }
  r.scores = MeasureResult::zeroed(a.units(), p.settings.excludedLevel);
  const std::size_t units = std::min(r.scores.score.size(), o.timesChosen.size());
  for (std::size_t n = 1; n < units; ++n) {
    r.scores.count[n] = o.timesChosen[n];
    r.scores.score[n] = o.timesChosen[n];
    r.scores.scaleLimit = std::max(r.scores.scaleLimit, r.scores.score[n]);
  }
  r.timesChosen = std::move(o.timesChosen);
  r.seconds = o.seconds;
  r.random = std::move(o.stats);
  return r;
}

}  // namespace zn
