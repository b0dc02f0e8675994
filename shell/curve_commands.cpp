#include "shell/curve_commands.h"

#include "shell/dispatch.h"
#include "shell/projectcurves.h"
#include "shell/projectscreen.h"
#include "shell/projectselect.h"
#include "shell/runinputs.h"
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
  cp.timeLimitSeconds = TimeLimit::forRun(std::nullopt, sh.session.settings).seconds();
  cp.progress = [&sh](int percent) { return sh.host.stoppableNote(strprintf("%d%% done", percent)); };
  sh.host.stoppableBegin(analysisOfCommand(Command::RepresentationCurves)->caption());
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
    const AnalysisResult r = runStoppable(sh, *analysisOfCommand(Command::RepresentationCurves));
    if (!r.ran) return;
    sh.writeResults(r.results);
    showChart(sh, *r.curves, sh.session.ws.datafile.title);
  });

  // The other searches the user may stop, as their entries declare, that
  // no command of their own runs: a map of scores and a report.
  for (const Analysis& a : analyses())
    if (a.stoppable && !shell.connected(a.command))
      shell.connect(a.command, [&a](Shell& sh) {
        if (!canRun(sh) || !askParameters(sh, a)) return;
        const AnalysisResult r = runStoppable(sh, a);
        if (!r.ran) return;
        sh.writeResults(r.results);
        sh.retitle();
      });
}

}  // namespace zn
