// Representation curves: taxa represented against the number of areas for
// the exact maximum coverage, the near-minimum, greedy and richness-hotspot
// orders and random sets, so that a chosen set can be judged against chance
// and against the best possible. One computation serves the window's chart
// and `zonarium curve`.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "selection/greedy.h"
#include "store/analysisdata.h"
#include "store/progress.h"
#include "store/settings.h"

namespace zn {

constexpr int kMaxRuns = 10000;

struct CurveParams {
  int maxAreas = 0;                // K; 0: the size of the exact minimum set
  int runs = 1000;                 // random draws
  std::uint32_t seed = 1;          // of the random draws
  double timeLimitSeconds = 60.0;  // per exact solve
  // Called with 0 ... 100; false stops the computation.
  std::function<bool(int percent)> progress;
};

enum class CurveMethod { Optimum, NearMinimum, Greedy, Hotspots, RandomMedian };

struct CurveSummary {
  CurveMethod method = CurveMethod::Optimum;
  int areasForAll = -1;  // areas the order needs for every taxon; -1: not within its reach
  double index = 0.0;    // accumulation index, mean over k = 1 ... K
  bool hasIndex = false;
};

struct CurveSet {
  std::string error;  // why nothing was computed
  bool stopped = false;
  int taxa = 0;      // included taxa with records: the 100 %
  int cells = 0;     // occupied cells
  int maxAreas = 0;  // K
  int runs = 0;
  std::uint32_t seed = 0;
  int minimumSize = 0;  // areas of the exact minimum set
  bool minimumProven = false;
  // Index k = 0 ... K.
  std::vector<int> optimum;
  std::vector<char> optimumProven;
  std::vector<double> optimumBound;  // proven upper bound of the taxa represented
  std::vector<int> nearMinimum, greedy, hotspots;
  std::vector<double> randomMedian, randomLow, randomHigh;  // 2.5 % and 97.5 %
  std::vector<CurveSummary> summary;                        // one per method, in CurveMethod order
  float seconds = 0.0f;

  double percent(double taxaRepresented) const { return taxa > 0 ? 100.0 * taxaRepresented / taxa : 0.0; }
};

// The orders the curves compare, where the caller has its own: the
// near-minimum set for goal 1 from an empty set (given the draws' seed; none:
// an empty column), the greedy options (goal, seeds and redundancy are set
// here) and the richness hotspots (given how many; none: the units with the
// most included taxa present).
struct CurveOrders {
  std::function<std::vector<int>(std::uint32_t seed)> nearMinimum;
  GreedyOptions greedy;
  std::function<std::vector<int>(int n)> hotspots;
  int capacity = kAreaCapacity;  // the most areas a set may hold: every unit of a project
};

// The curves on any data (group, excluded taxa), from an empty set with
// goal 1. The random draws keep a runs x K table and a few numbers per unit.
CurveSet computeCurves(const AnalysisData& a, const CurveParams& p, const CurveOrders& orders, Feedback& feedback);

// Why the curves refuse the options' goal, or "" (a project has no seeds).
std::string curvesGoalRefusal(const Settings& st);

// Why these analyses cannot run, or "": no datafile, runs outside 1 ...
// 10000 (runs < 0: no runs asked), no taxa left after preselection (on a
// project: no taxon with records).
std::string qualityRefusal(const AnalysisData& a, int runs = -1);

// The name of a method as the chart, the CSV and the report give it.
const char* curveMethodName(CurveMethod m);

// The RESULTS report: title line, data line and time, one row per k and
// the summary per method.
// Under the given data line (what was analysed, as the reports name it).
std::string curvesReport(const std::string& dataLine, const CurveSet& c);

// One row per k, one column per method.
std::string curvesCsv(const CurveSet& c);

// The accumulation index of one curve: the mean over k = 1 ... K of
// (S - S_random) / (S_optimum - S_random), k where the optimum does not beat
// the random median left out; false when no k is left.
bool accumulationIndex(const std::vector<double>& curve, const std::vector<int>& optimum,
                       const std::vector<double>& random, double& index);

}  // namespace zn
