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

Notice noAreasNotice(const char* caption) { return Notice{"No areas have been selected yet.", caption, Icon::None}; }

AnalysisOutcome applyCurrentSetRun(Session& s, MeasureCode code, CurrentSetFn run, bool threatPresent,
                                   const ReportFacts& facts) {
  if (!s.ws.datafile.opened) return {};
  const AnalysisData data = analysisData(s);
  CurrentSetRun r = run(data, selectionIndex(s, data), {s.areas, threatPresent, facts});
  AnalysisOutcome a;
  if (r.refusal) {
    a.refusal = std::move(r.refusal);
    return a;
  }
  setMeasureCode(s, code);
  s.areas.cells = std::move(r.set.cells);
  if (r.rescored) {
    scorePlacedAreas(s.ws.cells, r.placed);
    double top = 0.0;
    for (const GridCell& c : s.ws.cells) top = std::max(top, c.score);
    finishMeasure(s, top);
  }
  a.ran = true;
  a.seconds = r.facts.seconds;
  const Report rep = representationReport(s, r.facts);
  storeRepresentation(s.ws.cards, rep.reps);
  a.results = rep.text;
  return a;
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
