#include "selection/frequency.h"

#include <algorithm>
#include <limits>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/curves.h"
#include "selection/exactcall.h"
#include "selection/nearminimum.h"
#include "selection/report.h"
#include "selection/stopwatch.h"
#include "store/text.h"

namespace zn {

FrequencyResult computeSelectionFrequency(const Session& s, const FrequencyParams& p) {
  FrequencyResult out;
  out.error = qualityRefusal(s, p.runs);
  if (!out.error.empty()) return out;
  Stopwatch watch(s.progress);
  Scratch sc(s);
  sc.s.settings.lastTieRandom = LastTie::kRandom;
  const Settings settings = sc.s.settings;
  out.runs = p.runs;
  out.chosen.assign(s.ws.cells.size(), 0);
  out.smallest = std::numeric_limits<int>::max();
  for (int run = 1; run <= p.runs; ++run) {
    sc.s.settings = settings;  // each run applies its own forcings
    clearAllAreas(sc.s.areas);
    RunRequest req;
    req.env.seed = static_cast<std::uint32_t>(run);
    runMainRun(sc.s, req);
    for (int a : sc.s.areas.cells)
      if (a >= 0 && a < static_cast<int>(out.chosen.size())) ++out.chosen[static_cast<std::size_t>(a)];
    out.smallest = std::min(out.smallest, sc.s.areas.count());
    out.largest = std::max(out.largest, sc.s.areas.count());
    if (p.progress && !p.progress(run * 100 / p.runs)) {
      out.stopped = true;
      out.runs = run;
      break;
    }
  }
  out.seconds = watch.seconds();
  return out;
}

void mapSelectionFrequency(Session& s, const FrequencyResult& r) {
  clearScores(s);
  setMeasureCode(s, kCodeSelectionFrequency);
  for (std::size_t n = 1; n < r.chosen.size() && n < s.ws.cells.size(); ++n) {
    GridCell& g = s.ws.cells[n];
    g.count = r.chosen[n];
    g.score = r.share(static_cast<int>(n));
  }
  s.map.runs = r.runs;
  finishMeasure(s, 100.0);
}

std::string frequencyReport(const Session& s, const FrequencyResult& r) {
  std::string out = strprintf(
      "\n  PRIORITY-AREAS ANALYSIS: Selection frequency of the near-minimum set (%d runs, seeds 1 ... %d)\n"
      "  %s in %.1f seconds.\n\n",
      r.runs, r.runs, reportDataLine(s).c_str(), r.seconds);
  std::vector<int> cells;
  for (std::size_t n = 1; n < r.chosen.size(); ++n)
    if (r.chosen[n] > 0) cells.push_back(static_cast<int>(n));
  std::stable_sort(cells.begin(), cells.end(), [&](int a, int b) {
    return r.chosen[static_cast<std::size_t>(a)] > r.chosen[static_cast<std::size_t>(b)];
  });
  const auto always =
      std::count_if(cells.begin(), cells.end(), [&](int n) { return r.chosen[static_cast<std::size_t>(n)] == r.runs; });
  out += strprintf("  sets of %d to %d areas; %d cells chosen at least once, %d in every run\n\n", r.smallest,
                   r.largest, static_cast<int>(cells.size()), static_cast<int>(always));
  out += "  area  location             runs  frequency %\n\n";
  for (int n : cells)
    out += strprintf("  %4d  %-17s  %6d  %11.1f\n", n, reportLocationName(s, n).c_str(),
                     r.chosen[static_cast<std::size_t>(n)], r.share(n));
  return out;
}

}  // namespace zn
