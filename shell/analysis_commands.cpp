#include "shell/analysis_commands.h"

#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/flexibility.h"
#include "selection/greedy.h"
#include "selection/hotspots.h"
#include "selection/irreplaceability.h"
#include "selection/values.h"
#include "shell/dispatch.h"

namespace zn {

namespace {

bool canRun(const Shell& sh) { return sh.session.ws.datafile.opened && !sh.flags.preselectionDialogOpen; }

}  // namespace

void connectAnalysisCommands(Shell& shell) {
  shell.connect(2810, [](Shell& sh) {
    if (!canRun(sh)) return;
    const GreedyResult r = runGreedySet(sh.session);
    sh.retitle();
    if (!r.results.empty()) sh.writeResults(r.results);
  });
  shell.connect(2800, [](Shell& sh) {
    Session& s = sh.session;
    if (!canRun(sh)) return;
    countCandidateCells(s);
    if (!askNumberOfAreas(s)) return;
    BusyGuard busy(sh.host);
    const HotspotResult r = runHotspots(s, s.settings.areasToAdd);
    sh.retitle();
    if (!r.results.empty()) sh.writeResults(r.results);
  });
  shell.connect(40008, [](Shell& sh) {
    if (!canRun(sh)) return;
    BusyGuard busy(sh.host);
    computeEmrIrreplaceability(sh.session);
    sh.retitle();
  });
  shell.connect(2830, [](Shell& sh) {
    if (!canRun(sh)) return;
    BusyGuard busy(sh.host);
    if (runMapFullyFlexible(sh.session)) sh.retitle();
  });
  shell.connect(40010, [](Shell& sh) {
    if (!canRun(sh)) return;
    BusyGuard busy(sh.host);
    computeMaxRarity(sh.session);
    sh.retitle();
  });
}

bool clickGoalEssential(Shell& shell, int cell) {
  Session& s = shell.session;
  if (!goalEssentialClickApplies(s) || cell < 1 || cell > s.ws.geo.cells) return false;
  showGoalEssentialTaxa(s, cell);
  shell.retitle();
  return true;
}

}  // namespace zn
