#include "shell/scores_commands.h"

#include "interchange/scores_export.h"
#include "interchange/scores_import.h"
#include "measures/scores.h"
#include "shell/dispatch.h"
#include "shell/measure_commands.h"
#include "shell/notices.h"
#include "shell/overlay_commands.h"

namespace zn {

bool importScores(Session& s, Host& host) {
  const auto path = host.chooseOpenFile(importScoresRequest(s));
  const bool imported = path && importScoresFile(scoresImportTarget(s), *path);
  showNotices(s, host);
  return imported;
}

bool exportScores(Session& s, Host& host) {
  if (!anyCellOccupied(s)) return false;
  ExportScoresModel choice = exportScoresModel(s);
  if (!host.runDialog("DEXSDLGBOX", choice)) return false;
  takeExportScoresChoice(s.settings, choice);
  const auto path = host.chooseSaveFile(exportScoresRequest(s));
  if (!path) return false;
  const bool written = exportScoresTo(s, s.notices, choice, *path);
  showNotices(s, host);
  return written;
}

bool importScoresCommand(Shell& sh) {
  Session& s = sh.session;
  clearScores(s);
  // Any overlay goes with the import: its window, colours and background.
  endOverlay(sh);
  const bool imported = importScores(s, sh.host);
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
    exportScores(sh.session, sh.host);
    sh.refreshMenus();
  });
  shell.connect(Command::ImportScores, [](Shell& sh) { importScoresCommand(sh); });
}

}  // namespace zn
