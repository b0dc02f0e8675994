#include "shell/exact_commands.h"

#include <algorithm>

#include "measures/scores.h"
#include "measures/titles.h"
#include "selection/areaset.h"
#include "selection/exact.h"
#include "selection/report.h"
#include "selection/values.h"
#include "shell/dispatch.h"
#include "shell/mapmeasures.h"
#include "shell/reportinputs.h"
#include "shell/selection_commands.h"
#include "shell/set_commands.h"
#include "store/text.h"

namespace zn {

std::string placeExactSet(Session& s, const ExactSetOutcome& e) {
  AreaSet& a = s.areas;
  a.cells = e.cells;
  a.seedCount = e.seedCount;
  if (!e.result.hasSolution) {
    clearScores(s);
    setMeasureCode(s, kCodeNone);
    return e.unsolvedReport(resultsFileHeader(s));
  }
  a.nearMinimumDone = false;
  for (GridCell& c : s.ws.cells) c.flexClass = 0;
  s.settings.selectedAreasDisplay = AreasShown::kSeedsAndSelected;
  if (a.empty()) {
    clearScores(s);
    setMeasureCode(s, kCodeNone);
    return "\n" + e.solverLines + "\n\n";
  }
  return applyCurrentSetRun(s, kCodeReorderedByRichness, reorderByRichnessRun, false, e.facts()).results;
}

namespace {

bool canRun(const Shell& sh) { return sh.session.ws.datafile.opened && !sh.flags.preselectionDialogOpen; }

void runExact(Shell& sh, Command command) {
  const AnalysisResult r = runStoppable(sh, *analysisOfCommand(command));
  if (!r.ran) return;
  sh.writeResults(r.results);
  sh.flags.flexibilityData = sh.session.areas.nearMinimumDone;
  if (r.capacityReached) {
    const Notice n = capacityNotice();
    sh.host.messageBox(n.text, n.caption, n.icon, Buttons::Ok);
  }
  sh.retitle();
}

}  // namespace

void connectExactCommands(Shell& shell) {
  shell.connect(Command::ExactMinimumSet, [](Shell& sh) {
    if (!canRun(sh)) return;
    runExact(sh, Command::ExactMinimumSet);
  });

  shell.connect(Command::ExactMaximumCoverage, [](Shell& sh) {
    if (!canRun(sh) || !askParameters(sh, *analysisOfCommand(Command::ExactMaximumCoverage))) return;
    runExact(sh, Command::ExactMaximumCoverage);
  });
}

}  // namespace zn
