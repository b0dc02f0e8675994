#include "selection/frequency.h"

#include <algorithm>
#include <limits>

#include "selection/areaset.h"
#include "selection/curves.h"
#include "selection/nearminimum.h"
#include "selection/report.h"
#include "selection/selectionindex.h"
#include "selection/stopwatch.h"
#include "store/text.h"

namespace zn {

FrequencyResult selectionFrequency(const AnalysisData& data, const NearMinimumParams& params, const FrequencyParams& p,
                                   Feedback& feedback) {
  FrequencyResult out;
  Stopwatch watch(feedback);
  Progress quiet;
  const SelectionIndex x(data);
  RunRequest req;
  req.params = params;
  req.params.lastTieRandom = true;
  AreaSet set;
  out.runs = p.runs;
  out.chosen.assign(static_cast<std::size_t>(std::max(data.gridUnits, x.cells)) + 2, 0);
  out.smallest = std::numeric_limits<int>::max();
  for (int run = 1; run <= p.runs; ++run) {
    clearAllAreas(set);
    req.params.seed = static_cast<std::uint32_t>(run);
    runMainRun(data, x, req, set, quiet);
    for (int a : set.cells)
      if (a >= 0 && a < static_cast<int>(out.chosen.size())) ++out.chosen[static_cast<std::size_t>(a)];
    out.smallest = std::min(out.smallest, set.count());
    out.largest = std::max(out.largest, set.count());
    if (p.progress && !p.progress(run * 100 / p.runs)) {
      out.stopped = true;
      out.runs = run;
      break;
    }
  }
  out.seconds = watch.seconds();
  return out;
}

namespace {

std::string frequencyText(const ReportContext& context, const FrequencyResult& r) {
  std::string out = strprintf(
      "\n  PRIORITY-AREAS ANALYSIS: Selection frequency of the near-minimum set (%d runs, seeds 1 ... %d)\n"
      "  %s in %.1f seconds.\n\n",
      r.runs, r.runs, context.dataLine.c_str(), r.seconds);
  std::vector<int> cells;
  for (std::size_t n = 1; n < r.chosen.size(); ++n)
    if (r.chosen[n] > 0) cells.push_back(static_cast<int>(n));
  std::stable_sort(cells.begin(), cells.end(), [&](int a, int b) {
    return r.chosen[static_cast<std::size_t>(a)] > r.chosen[static_cast<std::size_t>(b)];
  });
  const auto always =
      std::count_if(cells.begin(), cells.end(), [&](int n) { return r.chosen[static_cast<std::size_t>(n)] == r.runs; });
  out += strprintf("  sets of %d to %d areas; %d areas chosen at least once, %d in every run\n\n", r.smallest,
                   r.largest, static_cast<int>(cells.size()), static_cast<int>(always));
  out += "  area  location             runs  frequency %\n\n";
  for (int n : cells)
    out += strprintf("  %4d  %-17s  %6d  %11.1f\n", n, context.name(n).c_str(), r.chosen[static_cast<std::size_t>(n)],
                     r.share(n));
  return out;
}

}  // namespace

SearchRun frequencySearch(const AnalysisData& data, const SearchRunParams& params, Feedback& feedback) {
  SearchRun out;
  FrequencyParams p;
  p.runs = params.runs.value_or(p.runs);
  p.progress = params.progress;
  out.error = qualityRefusal(data, p.runs);
  if (!out.error.empty()) return out;
  NearMinimumParams near = nearMinimumParams(params.settings, params.costs);
  near.capacity = params.capacity;
  const FrequencyResult r = selectionFrequency(data, near, p, feedback);
  out.stopped = r.stopped;
  if (r.stopped) return out;
  out.results = frequencyText(params.report, r);
  out.title = strprintf("Selection frequency of the near-minimum set (%d runs)", r.runs);
  out.runs = r.runs;
  out.scores.ran = true;
  out.scores.scaleLimit = 100.0;
  out.scores.count = r.chosen;
  for (std::size_t n = 0; n < r.chosen.size(); ++n) out.scores.score.push_back(r.share(static_cast<int>(n)));
  UnitColumn times{"times_chosen", true, std::vector<double>(static_cast<std::size_t>(data.units()) + 1, 0.0)};
  for (std::size_t n = 1; n < times.values.size() && n < r.chosen.size(); ++n) times.values[n] = r.chosen[n];
  out.fields.push_back(std::move(times));
  return out;
}

}  // namespace zn
