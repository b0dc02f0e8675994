#include "shell/scores_commands.h"

#include "interchange/scores_export.h"
#include "interchange/scores_import.h"
#include "measures/scores.h"
#include "shell/dispatch.h"
#include "shell/overlay_commands.h"

namespace zn {

namespace {

}  // namespace

bool importScoresCommand(Shell& sh) {
  Session& s = sh.session;
  clearScores(s);
  // Any overlay goes with the import: its window, colours and background.
  endOverlay(sh);
  const bool imported = importScores(s);
  if (!imported) {
    sh.refreshMenus();
    sh.host.requestRedraw();
    return false;
  }
  setMeasureCode(s, kCodeImportedScores);
  if (s.map.importKind == kImportThreeAxis) {
    buildTitle(s, sh.titleContext());
    showThreeAxis(sh);
    return true;
  }
  if (s.map.importKind == kImportForegroundBackground) sh.flags.scoresSwapped = true;  // swap and overlay open up
  sh.retitle();
  return true;
}

void connectScoresCommands(Shell& shell) {
  shell.connect(Command::ExportScores, [](Shell& sh) {
    exportScores(sh.session);
    sh.refreshMenus();
  });
  shell.connect(Command::ImportScores, [](Shell& sh) { importScoresCommand(sh); });
}

}  // namespace zn
