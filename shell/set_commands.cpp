#include "shell/set_commands.h"

#include <algorithm>

#include "measures/scores.h"
#include "selection/reorder.h"
#include "selection/report.h"
#include "selection/selectionindex.h"
#include "shell/mapmeasures.h"
#include "shell/reportinputs.h"
#include "shell/runinputs.h"

namespace zn {

namespace {

constexpr const char* kNoAreas = "No areas have been selected yet.";
constexpr const char* kNoThreat = "No threat variable has been loaded.";

// Without a set the command does nothing but say so.
std::optional<AnalysisOutcome> refuseEmpty(const Session& s, const char* caption) {
  if (!s.areas.empty()) return std::nullopt;
  AnalysisOutcome a;
  a.refusal = noAreasNotice(caption);
  return a;
}

AnalysisOutcome withReport(Session& s, const ReportFacts& f) {
  AnalysisOutcome a;
  a.ran = true;
  a.seconds = f.seconds;
  const Report rep = representationReport(s, f);
  storeRepresentation(s.ws.cards, rep.reps);
  a.results = rep.text;
  return a;
}

AnalysisOutcome withReport(Session& s, float seconds) {
  ReportFacts f;
  f.seconds = seconds;
  return withReport(s, f);
}

}  // namespace

Notice noAreasNotice(const char* caption) { return Notice{kNoAreas, caption, Icon::None}; }

AnalysisOutcome reorderSetByRichness(Session& s, float lastSeconds) {
  ReportFacts f;
  f.seconds = lastSeconds;
  return reorderSetByRichness(s, f);
}

AnalysisOutcome reorderSetByRichness(Session& s, const ReportFacts& facts) {
  if (!s.ws.datafile.opened) return {};
  if (auto refused = refuseEmpty(s, "Re-order areas by richness")) return *refused;
  setMeasureCode(s, kCodeReorderedByRichness);
  const SelectionIndex x = selectionIndex(s);
  scorePlacedAreas(s.ws.cells, reorderByRichnessPasses(s.areas, x));
  double top = 0.0;
  for (const GridCell& c : s.ws.cells) top = std::max(top, c.score);
  finishMeasure(s, top);
  return withReport(s, facts);
}

AnalysisOutcome reorderSetByThreat(Session& s, bool threatPresent, float lastSeconds) {
  if (!s.ws.datafile.opened) return {};
  if (!threatPresent) {
    AnalysisOutcome a;
    a.refusal = Notice{kNoThreat, "Re-order areas by threat", Icon::None};
    return a;
  }
  if (auto refused = refuseEmpty(s, "Re-order areas by threat")) return *refused;
  setMeasureCode(s, kCodeReorderedByThreat);
  reorderByThreat(s.areas, s.ws);
  return withReport(s, lastSeconds);
}

AnalysisOutcome representationResults(Session& s, float lastSeconds) {
  if (!s.ws.datafile.opened) return {};
  if (auto refused = refuseEmpty(s, "Representation RESULTS")) return *refused;
  setMeasureCode(s, kCodeRepresentation);
  return withReport(s, lastSeconds);
}

bool convertSelectedAreas(Session& s) {
  if (!s.ws.datafile.opened || s.areas.empty()) return false;
  setMeasureCode(s, kCodeSelectedAreas);
  for (GridCell& c : s.ws.cells) {
    c.score = 0.0;
    c.count = 0;
    c.scored = 0;
  }
  int areas = 0;
  for (int a : s.areas.cells) {
    if (a < 1 || a > lastCellNumber(s.ws)) continue;
    GridCell& c = s.ws.cells[static_cast<std::size_t>(a)];
    c.score = 1.0;
    c.count = 1;
    c.scored = 1;
    ++areas;
  }
  finishMeasure(s, 1.0);
  s.map.occupiedCells = areas;
  s.map.presenceMap = true;
  return true;
}

}  // namespace zn
