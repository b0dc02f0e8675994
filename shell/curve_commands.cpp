#include "shell/curve_commands.h"

#include <algorithm>

#include "selection/frequency.h"
#include "selection/replacement.h"
#include "shell/dispatch.h"
#include "shell/selection_commands.h"
#include "store/text.h"

namespace zn {

namespace {

bool canRun(const Shell& sh) { return sh.session.ws.datafile.opened && !sh.flags.preselectionDialogOpen; }

double timeLimit(const Session& s) { return std::clamp(s.settings.exactTimeLimit, 1, kExactTimeLimitMax); }

// The stoppable box with the percent done, for as long as the guard lives.
class StopBox {
 public:
  StopBox(Host& host, const std::string& title) : host_(host) { host_.stoppableBegin(title); }
  ~StopBox() { host_.stoppableEnd(); }
  StopBox(const StopBox&) = delete;
  StopBox& operator=(const StopBox&) = delete;
  bool note(int percent) { return host_.stoppableNote(strprintf("%d%% done", percent)); }

 private:
  Host& host_;
};

void refuse(Shell& sh, const std::string& text, const char* caption) {
  sh.host.messageBox(text, caption, Icon::Exclamation, Buttons::Ok);
}

}  // namespace

void connectCurveCommands(Shell& shell) {
  shell.connect(Command::RepresentationCurves, [](Shell& sh) {
    if (!canRun(sh)) return;
    Session& s = sh.session;
    CurveParams p;
    p.seed = static_cast<std::uint32_t>(sh.host.timeOfDay());
    p.timeLimitSeconds = timeLimit(s);
    CurveChartModel model;
    {
      BusyGuard busy(sh.host);
      StopBox box(sh.host, "Representation curves");
      p.progress = [&box](int percent) { return box.note(percent); };
      model.curves = computeCurves(s, p);
    }
    if (!model.curves.error.empty()) return refuse(sh, model.curves.error, "Representation curves");
    if (model.curves.stopped) return;
    sh.writeResults(curvesReport(s, model.curves));
    model.dataTitle = s.ws.datafile.title;
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
