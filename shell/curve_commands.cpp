#include "shell/curve_commands.h"

#include "shell/dispatch.h"
#include "shell/selection_commands.h"

namespace zn {

namespace {

bool canRun(const Shell& sh) { return sh.session.ws.datafile.opened && !sh.flags.preselectionDialogOpen; }

}  // namespace

void connectCurveCommands(Shell& shell) {
  // Representation curves: a report and a chart; the map stays as it was.
  shell.connect(Command::RepresentationCurves, [](Shell& sh) {
    if (!canRun(sh)) return;
    const AnalysisResult r = runStoppable(sh, Command::RepresentationCurves, "Representation curves");
    if (!r.ran) return;
    sh.writeResults(r.results);
    CurveChartModel model;
    model.curves = *r.curves;
    model.dataTitle = sh.session.ws.datafile.title;
    sh.host.runDialog("CurveChart", model);
  });

  // Selection frequency and replacement cost: a map of scores and a report.
  for (auto [id, title] : {std::pair{Command::SelectionFrequency, "Selection frequency"},
                           std::pair{Command::ReplacementCost, "Replacement cost"}})
    shell.connect(id, [id = id, title = title](Shell& sh) {
      if (!canRun(sh)) return;
      const AnalysisResult r = runStoppable(sh, id, title);
      if (!r.ran) return;
      sh.writeResults(r.results);
      sh.retitle();
    });
}

}  // namespace zn
