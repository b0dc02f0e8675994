#include "shell/exact_commands.h"

#include <algorithm>

#include "measures/scores.h"
#include "measures/titles.h"
#include "selection/areaset.h"
#include "selection/exact.h"
#include "selection/values.h"
#include "shell/dispatch.h"
#include "store/text.h"

namespace zn {

namespace {

bool canRun(const Shell& sh) { return sh.session.ws.datafile.opened && !sh.flags.preselectionDialogOpen; }

// Shows the progress box for as long as the guard lives.
class StoppableBox {
 public:
  StoppableBox(Host& host, const std::string& title) : host_(host) { host_.stoppableBegin(title); }
  ~StoppableBox() { host_.stoppableEnd(); }
  StoppableBox(const StoppableBox&) = delete;
  StoppableBox& operator=(const StoppableBox&) = delete;

 private:
  Host& host_;
};

void runExact(Shell& sh, const ExactRequest& request, const char* title) {
  Session& s = sh.session;
  const double limit = std::clamp(s.settings.exactTimeLimit, 1, kExactTimeLimitMax);
  const bool byCost = request.kind == ExactKind::MinimumSet && exactByCost(s);
  ExactOptions options;
  options.timeLimitSeconds = limit;
  options.progress = [&sh, &request, byCost, limit](const ExactProgress& p) {
    return sh.host.stoppableNote(exactProgressText(request.kind, byCost, p, limit));
  };
  ExactSetOutcome out;
  {
    BusyGuard busy(sh.host);
    StoppableBox box(sh.host, title);
    out = runExactSet(s, request, options);
  }
  if (!out.ran) return;
  sh.writeResults(out.results);
  sh.flags.flexibilityData = s.areas.nearMinimumDone;
  if (out.capacityReached)
    sh.host.messageBox("The area set holds its most, 1100 areas:\nsome taxa are below the goal.", "Area selection",
                       Icon::Exclamation, Buttons::Ok);
  // The map shows the set ranked as "Re-order set by richness" ranks it;
  // its title says which set it is for as long as the set is unchanged.
  s.areas.exactKind = !out.result.hasSolution ? 0 : request.kind == ExactKind::MinimumSet ? 1 : 2;
  s.areas.exactCells = s.areas.cells;
  sh.retitle();
}

}  // namespace

void connectExactCommands(Shell& shell) {
  shell.connect(kExactMinimumCommand, [](Shell& sh) {
    if (!canRun(sh)) return;
    runExact(sh, ExactRequest{ExactKind::MinimumSet, 0, 0.0}, "Exact minimum set");
  });

  shell.connect(kExactCoverageCommand, [](Shell& sh) {
    Session& s = sh.session;
    if (!canRun(sh)) return;
    occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
    countCandidateCells(s);
    const ExactKind kind = coverageKind(s);
    if (!(kind == ExactKind::CoverageByBudget ? askBudget(s) : askNumberOfAreas(s))) return;
    runExact(sh, ExactRequest{kind, s.settings.areasToAdd, s.settings.budget()}, "Exact maximum coverage");
  });
}

}  // namespace zn
