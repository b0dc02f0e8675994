#include "shell/scores_commands.h"

#include "interchange/scores_export.h"
#include "interchange/scores_import.h"
#include "measures/scores.h"
#include "shell/dispatch.h"

namespace zn {

namespace {

constexpr const char* kThreeAxisWindow = "M3DLGBOX";

// The axis switches of the buffer (green, blue, red) as the palette takes them.
ThreeAxisScales scalesOf(const ThreeAxisBuffer& b) {
  ThreeAxisScales a;
  a.green = {b.on[0], b.reversed[0]};
  a.blue = {b.on[1], b.reversed[1]};
  a.red = {b.on[2], b.reversed[2]};
  return a;
}

}  // namespace

bool importScoresCommand(Shell& sh) {
  Session& s = sh.session;
  const bool hadThreeAxis = s.overlay.threeAxis.loaded;
  clearScores(s);
  const bool imported = importScores(s);
  if (hadThreeAxis && !s.overlay.threeAxis.loaded) {
    // The three-axis overlay went with the import: its window and colours too.
    sh.host.closeModeless(kThreeAxisWindow);
    sh.rebuildPalette();
  }
  if (!imported) {
    sh.refreshMenus();
    sh.host.requestRedraw();
    return false;
  }
  setMeasureCode(s, kCodeImportedScores);
  if (s.map.importKind == kImportThreeAxis) {
    buildTitle(s, sh.titleContext());
    buildThreeAxisPalette(sh.display.palette, scalesOf(s.overlay.threeAxis), sh.host);
    sh.host.openModeless(kThreeAxisWindow);
    sh.refreshMenus();
    sh.host.requestRedraw();
    return true;
  }
  if (s.map.importKind == kImportForegroundBackground) sh.flags.scoresSwapped = true;  // swap and overlay open up
  sh.retitle();
  return true;
}

void connectScoresCommands(Shell& shell) {
  shell.connect(1700, [](Shell& sh) {
    exportScores(sh.session);
    sh.refreshMenus();
  });
  shell.connect(1300, [](Shell& sh) { importScoresCommand(sh); });
}

}  // namespace zn
