#include "shell/analysis_commands.h"

#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/flexibility.h"
#include "selection/greedy.h"
#include "selection/hotspots.h"
#include "selection/irreplaceability.h"
#include "selection/values.h"
#include "shell/dispatch.h"
#include "shell/nearminimum_runs.h"
#include "shell/runinputs.h"
#include "shell/selection_commands.h"

namespace zn {

namespace {

bool canRun(const Shell& sh) { return sh.session.ws.datafile.opened && !sh.flags.preselectionDialogOpen; }

}  // namespace

void connectAnalysisCommands(Shell& shell) {
  shell.connect(Command::GreedySet, [](Shell& sh) {
    if (!canRun(sh)) return;
    const AnalysisResult r = runSelection(sh, Command::GreedySet, {});
    sh.retitle();
    if (!r.results.empty()) sh.writeResults(r.results);
  });
  shell.connect(Command::Hotspots, [](Shell& sh) {
    if (!canRun(sh) || !askParameters(sh, *analysisOfCommand(Command::Hotspots))) return;
    const AnalysisResult r = runSelection(sh, Command::Hotspots, {});
    sh.retitle();
    if (!r.results.empty()) sh.writeResults(r.results);
  });
  for (Command id : {Command::EmrIrreplaceability, Command::MaxRarity})
    shell.connect(id, [id](Shell& sh) {
      if (!canRun(sh)) return;
      runSelection(sh, id, {});
      sh.retitle();
    });
  shell.connect(Command::MapFullyFlexible, [](Shell& sh) {
    if (!canRun(sh)) return;
    if (runSelection(sh, Command::MapFullyFlexible, {}).ran) sh.retitle();
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
