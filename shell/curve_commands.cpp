#include "shell/curve_commands.h"

#include "shell/dispatch.h"
#include "shell/projectcurves.h"
#include "shell/projectscreen.h"
#include "shell/projectselect.h"
#include "shell/selection_commands.h"
#include "store/text.h"
#include "store/timelimit.h"

namespace zn {

namespace {

bool canRun(const Shell& sh) { return sh.session.ws.datafile.opened && !sh.flags.preselectionDialogOpen; }

void showChart(Shell& sh, const CurveSet& curves, const std::string& title) {
  CurveChartModel model;
  model.curves = curves;
  model.dataTitle = title;
  sh.host.runDialog("CurveChart", model);
}

// The curves of the project on screen, computed as `zonarium curve` computes
// them, behind the box that stops them; the chart is titled with the file's
// name as the tool's is.
void projectCurvesCommand(Shell& sh) {
  const ProjectScreen& p = *sh.project;
  CurveParams cp;
  cp.seed = static_cast<std::uint32_t>(sh.session.progress.timeOfDay());
  cp.timeLimitSeconds = TimeLimit::ofOption(sh.session.settings.exactTimeLimit).seconds();
  cp.progress = [&sh](int percent) { return sh.host.stoppableNote(strprintf("%d%% done", percent)); };
  sh.host.stoppableBegin("Representation curves");
  const CurveSet c = projectCurves(p.data, sh.session, cp, sh.session.progress);
  sh.host.stoppableEnd();
  if (!c.error.empty()) {
    sh.host.messageBox(c.error, "Representation curves", Icon::Exclamation, Buttons::Ok);
    return;
  }
  if (c.stopped) return;
  sh.writeResults(curvesReport(kProjectDataLine, c));
  showChart(sh, c, p.file.filename().string());
}

}  // namespace

void connectCurveCommands(Shell& shell) {
  // Representation curves: a report and a chart; the map stays as it was.
  shell.connect(Command::RepresentationCurves, [](Shell& sh) {
    if (sh.project && !sh.flags.preselectionDialogOpen) return projectCurvesCommand(sh);
    if (!canRun(sh)) return;
    const AnalysisResult r = runStoppable(sh, Command::RepresentationCurves, "Representation curves");
    if (!r.ran) return;
    sh.writeResults(r.results);
    showChart(sh, *r.curves, sh.session.ws.datafile.title);
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
