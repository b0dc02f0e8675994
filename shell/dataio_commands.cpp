#include "shell/dataio_commands.h"

#include "interchange/dataexport.h"
#include "interchange/dataimport.h"
#include "measures/scores.h"
#include "shell/dispatch.h"

namespace zn {

void connectInterchangeDataCommands(Shell& shell) {
  shell.connect(Command::ImportData, [](Shell& sh) {
    // A new datafile would leave the open windows' lists behind.
    if (sh.flags.preselectionDialogOpen || sh.flags.mapEditing) return;
    Session& s = sh.session;
    const bool made = importDataCommand(s);
    if (s.fatal) return;
    if (!made || !openImported(s)) {
      sh.refreshMenus();
      sh.host.requestRedraw();
      return;
    }
    sh.flags.paintStage = 3;
    sh.showMeasure(kCodeRichness);
  });
  shell.connect(Command::ExportData, [](Shell& sh) { exportDataCommand(sh.session); });
}

}  // namespace zn
