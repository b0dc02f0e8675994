#include "shell/curve_commands.h"

#include <algorithm>

#include "selection/frequency.h"
#include "selection/replacement.h"
#include "shell/dispatch.h"
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
  shell.connect(kRepresentationCurvesCommand, [](Shell& sh) {
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

  shell.connect(kSelectionFrequencyCommand, [](Shell& sh) {
    if (!canRun(sh)) return;
    Session& s = sh.session;
    FrequencyParams p;
    FrequencyResult r;
    {
      BusyGuard busy(sh.host);
      StopBox box(sh.host, "Selection frequency");
      p.progress = [&box](int percent) { return box.note(percent); };
      r = computeSelectionFrequency(s, p);
    }
    if (!r.error.empty()) return refuse(sh, r.error, "Selection frequency");
    if (r.stopped) return;
    mapSelectionFrequency(s, r);
    sh.writeResults(frequencyReport(s, r));
    sh.retitle();
  });

  shell.connect(kReplacementCostCommand, [](Shell& sh) {
    if (!canRun(sh)) return;
    Session& s = sh.session;
    ReplacementParams p;
    p.timeLimitSeconds = timeLimit(s);
    ReplacementResult r;
    {
      BusyGuard busy(sh.host);
      StopBox box(sh.host, "Replacement cost");
      p.progress = [&box](int percent) { return box.note(percent); };
      r = computeReplacementCost(s, p);
    }
    if (!r.error.empty()) return refuse(sh, r.error, "Replacement cost");
    if (r.stopped) return;
    mapReplacementCost(s, r);
    sh.writeResults(replacementReport(s, r));
    sh.retitle();
  });
}

}  // namespace zn
