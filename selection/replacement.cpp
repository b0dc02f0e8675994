#include "selection/replacement.h"

#include <algorithm>
#include <cmath>

#include "selection/areaset.h"
#include "selection/curves.h"
#include "selection/exactcall.h"
#include "selection/report.h"
#include "selection/stopwatch.h"
#include "store/text.h"

namespace zn {

ReplacementResult computeReplacementCost(const AnalysisData& a, const ExactRequest& request, const ReplacementParams& p,
                                         Feedback& feedback) {
  ReplacementResult out;
  out.error = qualityRefusal(a);
  if (!out.error.empty()) return out;
  Stopwatch watch(feedback);
  const ExactProblem base = [&] {
    ExactRequest minimum = request;
    minimum.kind = ExactKind::MinimumSet;
    ExactProblem q = buildExactProblem(a, AreaSet{}, minimum);
    q.byCost = false;
    return q;
  }();
  ExactCall call;
  call.timeLimitSeconds = p.timeLimitSeconds;
  call.keepGoing = [&] { return !out.stopped; };
  const ExactAnswer min = callExact(base, call);
  if (!min.found) {
    out.error = strprintf("No set of at most %d areas meets every goal.", request.capacity);
    return out;
  }
  out.minimumSize = min.areas;
  out.minimumProven = min.proven;
  const int total = static_cast<int>(min.cells.size());
  for (int i = 0; i < total; ++i) {
    ReplacementRow row;
    row.cell = min.cells[static_cast<std::size_t>(i)];
    const auto column =
        static_cast<int>(std::lower_bound(base.cells.begin(), base.cells.end(), row.cell) - base.cells.begin());
    bool possible = true;
    const ExactProblem without = withoutColumn(base, column, possible);
    if (!possible) {
      row.irreplaceable = true;
    } else {
      const ExactAnswer answer = callExact(without, call);
      if (!answer.found) {
        row.irreplaceable = true;
      } else {
        row.cost = std::max(0, answer.areas - min.areas);
        row.proven = answer.proven && min.proven;
      }
    }
    out.rows.push_back(row);
    if (p.progress && !p.progress((i + 1) * 100 / std::max(1, total))) {
      out.stopped = true;
      break;
    }
  }
  out.seconds = watch.seconds();
  return out;
}

namespace {

std::string replacementText(const ReportContext& context, const ReplacementResult& r) {
  std::string out = strprintf(
      "\n  PRIORITY-AREAS ANALYSIS: Replacement cost of the %d areas of the exact minimum set%s\n"
      "  %s in %.1f seconds.\n\n",
      r.minimumSize, r.minimumProven ? "" : " (not proven optimal)", context.dataLine.c_str(), r.seconds);
  int none = 0, never = 0;
  for (const ReplacementRow& row : r.rows) {
    none += !row.irreplaceable && row.cost == 0;
    never += row.irreplaceable;
  }
  out += strprintf("  %d replaceable at no cost, %d irreplaceable\n\n", none, never);
  out += "  area  location           extra areas\n\n";
  for (const ReplacementRow& row : r.rows) {
    const std::string cost = row.irreplaceable ? std::string("irreplaceable")
                                               : strprintf("%d%s", row.cost, row.proven ? "" : " (not proven)");
    out += strprintf("  %4d  %-17s  %s\n", row.cell, context.name(row.cell).c_str(), cost.c_str());
  }
  return out;
}

}  // namespace

SearchRun replacementSearch(const AnalysisData& data, const SearchRunParams& params, Feedback& feedback) {
  SearchRun out;
  ReplacementParams p;
  p.timeLimitSeconds = params.timeLimitSeconds;
  p.progress = params.progress;
  ExactRequest request;
  request.goal = std::max(1, params.settings.nearMinimumGoal);
  request.capacity = params.capacity;
  const ReplacementResult r = computeReplacementCost(data, request, p, feedback);
  out.error = r.error;
  out.stopped = r.stopped;
  if (!r.error.empty() || r.stopped) return out;
  out.results = replacementText(params.report, r);
  out.title = strprintf("Replacement cost of the %d areas of the exact minimum set", r.minimumSize);
  const int units = data.units();
  out.scores = MeasureResult::zeroed(units, 0);
  UnitColumn extra{"extra_areas", true, std::vector<double>(static_cast<std::size_t>(units) + 1, NAN)};
  UnitColumn never{"irreplaceable", true, extra.values};
  int largest = 0;
  for (const ReplacementRow& row : r.rows)
    if (!row.irreplaceable) largest = std::max(largest, row.cost);
  for (const ReplacementRow& row : r.rows) {
    if (row.cell < 1 || row.cell > units) continue;
    out.set.cells.push_back(row.cell);
    const auto n = static_cast<std::size_t>(row.cell);
    out.scores.count[n] = row.irreplaceable ? -1 : row.cost;
    out.scores.score[n] = row.irreplaceable ? largest + 1.0 : row.cost == 0 ? kZeroScore : row.cost;
    never.values[n] = row.irreplaceable ? 1.0 : 0.0;
    if (!row.irreplaceable) extra.values[n] = row.cost;
  }
  out.scores.scaleLimit = largest + 1.0;
  out.fields = {std::move(extra), std::move(never)};
  return out;
}

}  // namespace zn
