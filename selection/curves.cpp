#include "selection/curves.h"

#include <algorithm>
#include <cmath>

#include "measures/dispatch.h"
#include "measures/presence.h"
#include "selection/areaset.h"
#include "selection/exactcall.h"
#include "selection/greedy.h"
#include "selection/hotspots.h"
#include "selection/nearminimum.h"
#include "selection/report.h"
#include "selection/stopwatch.h"
#include "store/random.h"
#include "store/text.h"

namespace zn {

namespace {

// Who counts: included taxa with records, as the exact programme counts them.
struct Counting {
  const Occurrences& ix;
  std::vector<char> counts;
  int taxa = 0;
  std::vector<int> candidates;  // units holding a counted taxon

  explicit Counting(const AnalysisData& a) : ix(a.occ()) {
    counts.assign(static_cast<std::size_t>(ix.taxa), 0);
    for (int t = 0; t < ix.taxa; ++t)
      if (a.counts(t) && !a.excluded[static_cast<std::size_t>(t)] && ix.range(t) > 0) {
        counts[static_cast<std::size_t>(t)] = 1;
        ++taxa;
      }
    for (int n = 1; n <= ix.units; ++n)
      for (int t : ix.taxaIn(n))
        if (counts[static_cast<std::size_t>(t)]) {
          candidates.push_back(n);
          break;
        }
  }
  bool valid(int n) const { return n >= 1 && n <= ix.units; }
};

// Taxa represented after each prefix 0 ... K of the order (flat after its
// end), and the areas the whole order needs for every taxon (-1: never).
std::vector<int> curveOf(const Counting& c, const std::vector<int>& order, int K, int& forAll) {
  std::vector<int> out(static_cast<std::size_t>(K) + 1, 0);
  std::vector<char> seen(c.counts.size(), 0);
  int cum = 0;
  forAll = c.taxa == 0 ? 0 : -1;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (c.valid(order[i]))
      for (int t : c.ix.taxaIn(order[i]))
        if (c.counts[static_cast<std::size_t>(t)] && !seen[static_cast<std::size_t>(t)]) {
          seen[static_cast<std::size_t>(t)] = 1;
          ++cum;
        }
    if (cum == c.taxa && forAll < 0) forAll = static_cast<int>(i) + 1;
    if (static_cast<int>(i) + 1 <= K) out[i + 1] = cum;
  }
  for (std::size_t k = std::min(order.size(), static_cast<std::size_t>(K)) + 1; k <= static_cast<std::size_t>(K); ++k)
    out[k] = out[k - 1];
  return out;
}

std::vector<int> prefix(const std::vector<int>& order, int k) {
  return {order.begin(), order.begin() + std::min<std::ptrdiff_t>(k, static_cast<std::ptrdiff_t>(order.size()))};
}

// Random sets as the random-set analysis draws them: each run takes K
// distinct candidate cells one at a time; the median and the 2.5 % and
// 97.5 % values per k over the runs.
void randomCurves(const Counting& c, int K, int runs, std::uint32_t seed, CurveSet& out) {
  const int cand = static_cast<int>(c.candidates.size());
  const int n = std::min(K, cand);
  std::vector<int> table(static_cast<std::size_t>(n + 1) * static_cast<std::size_t>(runs), 0);
  Random rng;
  rng.seed(seed);
  std::vector<int> chosenIn(static_cast<std::size_t>(c.ix.units) + 2, 0);
  std::vector<int> newIn(c.counts.size(), 0);
  for (int run = 1; run <= runs; ++run) {
    int cum = 0;
    for (int k = 1; k <= n; ++k) {
      int cell = 0;
      do {
        cell = c.candidates[static_cast<std::size_t>(rng.choose(cand))];
      } while (chosenIn[static_cast<std::size_t>(cell)] == run);
      chosenIn[static_cast<std::size_t>(cell)] = run;
      for (int t : c.ix.taxaIn(cell))
        if (c.counts[static_cast<std::size_t>(t)] && newIn[static_cast<std::size_t>(t)] != run) {
          newIn[static_cast<std::size_t>(t)] = run;
          ++cum;
        }
      table[static_cast<std::size_t>(k) * static_cast<std::size_t>(runs) + static_cast<std::size_t>(run - 1)] = cum;
    }
  }
  for (auto* v : {&out.randomMedian, &out.randomLow, &out.randomHigh}) v->assign(static_cast<std::size_t>(K) + 1, 0.0);
  // Ranks as the random-set report takes them for 1000 runs: 25th and 975th
  // (whole-number arithmetic, so 2.5 % of 1000 is exactly 25).
  const auto lowRank = static_cast<std::size_t>((runs * 25 + 999) / 1000 - 1);
  const auto highRank = static_cast<std::size_t>((runs * 975 + 999) / 1000 - 1);
  const auto r = static_cast<std::size_t>(runs);
  for (int k = 1; k <= K; ++k) {
    const auto ks = static_cast<std::size_t>(k);
    if (k > n) {
      out.randomMedian[ks] = out.randomMedian[ks - 1];
      out.randomLow[ks] = out.randomLow[ks - 1];
      out.randomHigh[ks] = out.randomHigh[ks - 1];
      continue;
    }
    const auto first = table.begin() + static_cast<std::ptrdiff_t>(ks * r);
    std::sort(first, first + static_cast<std::ptrdiff_t>(r));
    out.randomMedian[ks] =
        r % 2 == 0 ? (first[static_cast<std::ptrdiff_t>(r / 2 - 1)] + first[static_cast<std::ptrdiff_t>(r / 2)]) / 2.0
                   : first[static_cast<std::ptrdiff_t>(r / 2)];
    out.randomLow[ks] = first[static_cast<std::ptrdiff_t>(lowRank)];
    out.randomHigh[ks] = first[static_cast<std::ptrdiff_t>(highRank)];
  }
}

std::vector<double> asDouble(const std::vector<int>& v) { return {v.begin(), v.end()}; }

}  // namespace

std::string qualityRefusal(const AnalysisData& a, int runs) {
  if (!a.data) return "No datafile is open.";
  if (runs >= 0 && (runs < 1 || runs > kMaxRuns))
    return strprintf("The number of runs must be from 1 to %d.", kMaxRuns);
  if (Counting(a).taxa == 0)
    // A project has no preselection: with no taxon counted, it holds no records.
    return a.fixedGrid ? "No taxa are left after preselection." : "No taxon of this project has records.";
  return "";
}

bool accumulationIndex(const std::vector<double>& curve, const std::vector<int>& optimum,
                       const std::vector<double>& random, double& index) {
  double sum = 0.0;
  int used = 0;
  const std::size_t K = std::min({curve.size(), optimum.size(), random.size()});
  for (std::size_t k = 1; k < K; ++k) {
    const double span = optimum[k] - random[k];
    if (!(span > 0.0)) continue;
    sum += (curve[k] - random[k]) / span;
    ++used;
  }
  index = used > 0 ? sum / used : 0.0;
  return used > 0;
}

const char* curveMethodName(CurveMethod m) {
  switch (m) {
    case CurveMethod::Optimum: return "exact optimum";
    case CurveMethod::NearMinimum: return "near-minimum";
    case CurveMethod::Greedy: return "greedy";
    case CurveMethod::Hotspots: return "richness hotspots";
    case CurveMethod::RandomMedian: return "random (median)";
  }
  return "";
}

namespace {

// The percent done over a total of steps that grows once K is known; false
// from the first refusal of the caller's progress on.
class CurveSteps {
 public:
  CurveSteps(const CurveParams& p, CurveSet& out) : p_(p), out_(out) {}
  bool report() {
    if (!out_.stopped && p_.progress && !p_.progress(std::min(100, done_ * 100 / std::max(1, total_))))
      out_.stopped = true;
    return !out_.stopped;
  }
  bool step() {
    ++done_;
    return report();
  }
  void setTotal(int total) { total_ = total; }

 private:
  const CurveParams& p_;
  CurveSet& out_;
  int done_ = 0, total_ = 8;
};

struct QuickOrders {
  std::vector<int> nearMinimum, greedy, hotspots;
};

// The quick orders from an empty set with goal 1; false when stopped.
bool quickOrders(const AnalysisData& a, const CurveParams& p, const CurveOrders& given, int cells, CurveSteps& steps,
                 QuickOrders& q) {
  if (given.nearMinimum) q.nearMinimum = given.nearMinimum(p.seed);
  if (!steps.step()) return false;
  {
    GreedyOptions o = given.greedy;
    o.goal = 1;
    o.includeSeeds = false;
    o.rejectRedundant = false;
    o.capacity = given.capacity;
    Progress quiet;
    q.greedy = growGreedySet(a, AreaSet{}, o, quiet).set.cells;
  }
  if (!steps.step()) return false;
  if (given.hotspots) {
    q.hotspots = given.hotspots(std::min(cells, given.capacity));
  } else {
    // Richness: the included taxa present in each unit.
    std::vector<double> richness(static_cast<std::size_t>(a.units()) + 1, 0.0);
    for (int n = 1; n <= a.units(); ++n)
      for (int t : a.occ().taxaIn(n)) richness[static_cast<std::size_t>(n)] += a.counts(t) ? 1.0 : 0.0;
    q.hotspots = chooseHotspots(richness, AreaSet{}, std::min(cells, given.capacity), false, given.capacity).chosen;
  }
  return steps.step();
}

// The start of the search for k areas: the best set at k - 1 grown by the
// cell adding the most taxa, or a quick order's first k cells when they
// represent more.
std::vector<int> coverageStart(const Counting& c, const ExactProblem& coverage, const std::vector<int>& best,
                               const QuickOrders& q, int k) {
  std::vector<int> start = best;
  int bestGain = -1, bestCell = 0;
  std::vector<char> have(c.counts.size(), 0), inBest(static_cast<std::size_t>(c.ix.units) + 1, 0);
  for (int a : best) {
    inBest[static_cast<std::size_t>(a)] = 1;
    for (int t : c.ix.taxaIn(a)) have[static_cast<std::size_t>(t)] = 1;
  }
  for (int n : c.candidates) {
    if (inBest[static_cast<std::size_t>(n)]) continue;
    int gain = 0;
    for (int t : c.ix.taxaIn(n)) gain += c.counts[static_cast<std::size_t>(t)] && !have[static_cast<std::size_t>(t)];
    if (gain > bestGain) bestGain = gain, bestCell = n;
  }
  if (bestCell) start.push_back(bestCell);
  int startMet = representedBy(coverage, start);
  for (const auto* order : {&q.nearMinimum, &q.greedy, &q.hotspots}) {
    std::vector<int> pre = prefix(*order, k);
    const int met = representedBy(coverage, pre);
    if (met > startMet) startMet = met, start = std::move(pre);
  }
  return start;
}

// The optimum at each k = 1 ... K, with whether it is proven and its bound;
// every k from the size of the minimum set on represents every taxon.
bool optimumCurve(const Counting& c, const AnalysisData& data, const std::vector<int>& minCells, const QuickOrders& q,
                  int capacity, ExactCall& call, CurveSteps& steps, CurveSet& out) {
  const int K = out.maxAreas;
  out.optimum.assign(static_cast<std::size_t>(K) + 1, 0);
  out.optimumProven.assign(static_cast<std::size_t>(K) + 1, 1);
  out.optimumBound.assign(static_cast<std::size_t>(K) + 1, 0.0);
  ExactRequest request{ExactKind::CoverageByNumber, 1, 0.0};
  request.capacity = capacity;
  ExactProblem coverage = buildExactProblem(data, AreaSet{}, request);
  std::vector<int> best;
  for (int k = 1; k <= K; ++k) {
    const auto ks = static_cast<std::size_t>(k);
    if (k >= static_cast<int>(minCells.size())) {
      out.optimum[ks] = c.taxa;
      out.optimumBound[ks] = c.taxa;
      best = minCells;
    } else {
      coverage.areaLimit = k;
      call.start = coverageStart(c, coverage, best, q, k);
      const ExactAnswer a = callExact(coverage, call);
      if (out.stopped) return false;
      best = a.cells;
      out.optimum[ks] = a.represented;
      out.optimumProven[ks] = a.proven ? 1 : 0;
      out.optimumBound[ks] = a.proven ? a.represented : std::max<double>(a.bound, a.represented);
    }
    if (!steps.step()) return false;
  }
  return true;
}

// The random curves, then each method's areas for every taxon and its
// accumulation index against the optimum and the random median.
void summarise(const Counting& c, const CurveParams& p, CurveSet& out) {
  const int K = out.maxAreas;
  randomCurves(c, K, p.runs, p.seed, out);
  int randomAll = -1;
  for (int k = 0; k <= K && randomAll < 0; ++k)
    if (out.randomMedian[static_cast<std::size_t>(k)] >= c.taxa) randomAll = k;
  out.summary.push_back({CurveMethod::RandomMedian, randomAll, 0.0, true});
  for (CurveSummary& m : out.summary) {
    const std::vector<int>* curve = m.method == CurveMethod::NearMinimum ? &out.nearMinimum
                                    : m.method == CurveMethod::Greedy    ? &out.greedy
                                    : m.method == CurveMethod::Hotspots  ? &out.hotspots
                                                                         : nullptr;
    if (curve) m.hasIndex = accumulationIndex(asDouble(*curve), out.optimum, out.randomMedian, m.index);
  }
}

}  // namespace

std::string curvesGoalRefusal(const Settings& st) {
  const int goal = std::max(st.nearMinimumGoal, st.greedyGoal);
  if (goal > 1)
    return strprintf("Representation curves count each taxon once: set the goal (%d) to 1 to draw them.", goal);
  return "";
}

CurveSet computeCurves(const AnalysisData& a, const CurveParams& p, const CurveOrders& orders, Feedback& feedback) {
  CurveSet out;
  out.error = qualityRefusal(a, p.runs);
  if (!out.error.empty()) return out;
  Stopwatch watch(feedback);
  const Counting c(a);
  out.taxa = c.taxa;
  out.cells = static_cast<int>(c.candidates.size());
  out.runs = p.runs;
  out.seed = p.seed;
  if (p.maxAreas < 0 || p.maxAreas > out.cells) {
    out.error = strprintf("The number of areas (%d) is above the %d occupied cells.", p.maxAreas, out.cells);
    return out;
  }
  CurveSteps steps(p, out);
  QuickOrders q;
  if (!quickOrders(a, p, orders, out.cells, steps, q)) return out;

  // The exact minimum set gives K and the point from which the optimum is 100 %.
  // From an empty set with goal 1.
  ExactRequest request{ExactKind::MinimumSet, 0, 0.0};
  request.capacity = orders.capacity;
  ExactProblem minimum = buildExactProblem(a, AreaSet{}, request);
  ExactCall call;
  call.timeLimitSeconds = p.timeLimitSeconds;
  call.keepGoing = [&steps] { return steps.report(); };
  call.start = q.nearMinimum;
  const ExactAnswer min = callExact(minimum, call);
  if (out.stopped) return out;
  out.minimumSize = min.found ? min.areas : static_cast<int>(q.nearMinimum.size());
  out.minimumProven = min.proven;
  const int K = p.maxAreas > 0 ? p.maxAreas : out.minimumSize;
  out.maxAreas = K;
  steps.setTotal(3 + K + 1);

  int f = 0;
  out.nearMinimum = curveOf(c, q.nearMinimum, K, f);
  out.summary.push_back({CurveMethod::Optimum, out.minimumSize, 1.0, true});
  out.summary.push_back({CurveMethod::NearMinimum, f, 0.0, false});
  out.greedy = curveOf(c, q.greedy, K, f);
  out.summary.push_back({CurveMethod::Greedy, f, 0.0, false});
  out.hotspots = curveOf(c, q.hotspots, K, f);
  out.summary.push_back({CurveMethod::Hotspots, f, 0.0, false});

  if (!optimumCurve(c, a, min.found ? min.cells : q.nearMinimum, q, orders.capacity, call, steps, out)) return out;
  summarise(c, p, out);
  steps.step();
  out.seconds = watch.seconds();
  return out;
}

std::string curvesReport(const std::string& dataLine, const CurveSet& c) {
  std::string out = strprintf(
      "\n  PRIORITY-AREAS ANALYSIS: Representation curves for 0 ... %d areas (%d random draws, seed %u)\n"
      "  %s in %.1f seconds.\n\n",
      c.maxAreas, c.runs, c.seed, dataLine.c_str(), c.seconds);
  out += strprintf("  %d included taxa with records in %d occupied cells; exact minimum set: %d areas%s\n\n", c.taxa,
                   c.cells, c.minimumSize, c.minimumProven ? "" : " (not proven optimal)");
  out += "  areas  optimum    gap %  near-min   greedy  hotspots   random    2.5 %   97.5 %\n\n";
  for (int k = 0; k <= c.maxAreas; ++k) {
    const auto ks = static_cast<std::size_t>(k);
    const double gap = c.optimum[ks] > 0 ? 100.0 * (c.optimumBound[ks] - c.optimum[ks]) / c.optimum[ks] : 0.0;
    out += strprintf("  %5d%9d%s%8s%10d%9d%10d%9.1f%9.0f%9.0f\n", k, c.optimum[ks], c.optimumProven[ks] ? " " : "*",
                     c.optimumProven[ks] ? "-" : strprintf("%.1f", gap).c_str(), c.nearMinimum[ks], c.greedy[ks],
                     c.hotspots[ks], c.randomMedian[ks], c.randomLow[ks], c.randomHigh[ks]);
  }
  const bool unproven = std::find(c.optimumProven.begin(), c.optimumProven.end(), 0) != c.optimumProven.end();
  out += unproven ? "\n  (* not proven optimal within the time limit; gap to the proven bound)\n\n" : "\n";
  out += "  method               areas for 100 %   accumulation index\n";
  for (const CurveSummary& m : c.summary) {
    const std::string all = m.areasForAll >= 0 ? strprintf("%d", m.areasForAll) : strprintf("> %d", c.maxAreas);
    const std::string idx = m.hasIndex ? strprintf("%.3f", m.index) : std::string("-");
    out += strprintf("  %-20s %15s %20s\n", curveMethodName(m.method), all.c_str(), idx.c_str());
  }
  return out;
}

std::string curvesCsv(const CurveSet& c) {
  std::string out =
      "areas,optimum,optimum_proven,optimum_bound,near_minimum,greedy,hotspots,random_median,random_2.5,random_97.5\n";
  for (int k = 0; k <= c.maxAreas; ++k) {
    const auto ks = static_cast<std::size_t>(k);
    out += strprintf("%d,%d,%d,%.0f,%d,%d,%d,%.1f,%.0f,%.0f\n", k, c.optimum[ks], c.optimumProven[ks] ? 1 : 0,
                     c.optimumBound[ks], c.nearMinimum[ks], c.greedy[ks], c.hotspots[ks], c.randomMedian[ks],
                     c.randomLow[ks], c.randomHigh[ks]);
  }
  return out;
}

}  // namespace zn
