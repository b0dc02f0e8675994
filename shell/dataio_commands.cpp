#include "shell/dataio_commands.h"

#include "interchange/dataexport.h"
#include "interchange/dataimport.h"
#include "shell/dispatch.h"

namespace zn {

void connectInterchangeDataCommands(Shell& shell) {
  shell.connect(1200, [](Shell& sh) {
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
    sh.showMeasure(1);
  });
  shell.connect(1600, [](Shell& sh) { exportDataCommand(sh.session); });
}

}  // namespace zn
