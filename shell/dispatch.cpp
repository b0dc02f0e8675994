#include "shell/dispatch.h"

#include "shell/results.h"
#include "shell/status.h"
#include "store/datafile.h"

namespace zn {

Shell::Shell(Session& s, ShellHost& h) : session(s), host(h) {
  computeAndDraw = [](Shell& sh) { sh.host.requestRedraw(); };
  connectCore();
}

void Shell::connectCore() {
  connect(1100, [](Shell& sh) {
    if (openDatafile(sh.session)) sh.flags.paintStage = 3;
    sh.refreshMenus();
    if (sh.session.ws.datafile.opened) sh.computeAndDraw(sh);
  });
  connect(1900, [](Shell& sh) { sh.host.requestClose(); });
  connect(3300, [](Shell& sh) { sh.host.requestRedraw(); });
  connect(40016, [](Shell& sh) {
    startResultsFile(sh.resultsFile());
    if (sh.flags.monitorOpen) sh.host.refreshMonitor();
  });
  connect(40018, [](Shell& sh) {
    if (sh.flags.monitorOpen) {
      sh.host.closeMonitor();
      sh.flags.monitorOpen = false;
    } else if (sh.flags.monitorAvailable) {
      sh.host.openMonitor();
      sh.flags.monitorOpen = true;
    }
    sh.refreshMenus();
  });
  connect(40028, [](Shell& sh) {
    if (!standardiseQuantitative(sh.session)) return;
    sh.refreshMenus();
    sh.computeAndDraw(sh);
  });
  connect(4200, [](Shell& sh) { sh.host.showAbout(); });
  connect(4301, [](Shell& sh) { sh.host.showHelp(false); });
  connect(4302, [](Shell& sh) { sh.host.showHelp(true); });
  connect(3200, [](Shell& sh) {
    Session& s = sh.session;
    if (!sh.flags.zoomArmed && !s.zoomed) {
      sh.flags.zoomArmed = true;
      s.settings[kZoomArmed] = 1;
    } else {
      sh.flags.zoomArmed = false;
      s.settings[kZoomArmed] = 0;
      if (s.zoomed) {
        s.zoomed = false;
        s.settings[kFillFrameCoast] = s.savedFillFrameCoast;
      }
    }
    sh.refreshMenus();
    sh.host.requestRedraw();
  });
}

bool Shell::restricted(int id) const {
  if (!flags.selectionDialogOpen && !flags.mapEditing) return false;
  switch (id) {
    case 3300: case 4302: case 4301: case 4200: case 1900: case 3200: case 1800: case 1810:
      return false;
    case 3400:
    case 1400:
      return !flags.mapEditing;
    default:
      return true;
  }
}

void Shell::dispatch(int id) {
  if (restricted(id)) return;
  auto it = operations_.find(id);
  if (it == operations_.end()) return;
  it->second(*this);
}

void Shell::escape() {
  if (!flags.zoomArmed && !session.zoomed) return;
  flags.zoomArmed = false;
  session.settings[kZoomArmed] = 0;
  if (session.zoomed) {
    session.zoomed = false;
    session.settings[kFillFrameCoast] = session.savedFillFrameCoast;
  }
  refreshMenus();
  host.requestRedraw();
}

void Shell::refreshMenus() {
  const Session& s = session;
  MenuInputs in;
  in.datafileOpen = s.ws.datafile.opened;
  in.mapEditing = flags.mapEditing;
  in.scoresSwapped = flags.scoresSwapped;
  in.scoresPresent = s.scoresPresent;
  in.subgroupData = s.subgroupDataPresent;
  in.quantitative = s.ws.datafile.opened && s.ws.datafile.quantitative;
  in.standardised = s.ws.datafile.rescaled;
  in.zoomArmed = flags.zoomArmed;
  in.zoomed = s.zoomed;
  in.selectionDialogOpen = flags.selectionDialogOpen;
  in.monitorOpen = flags.monitorOpen;
  in.view3D = flags.view3D;
  in.flexibilityData = flags.flexibilityData;
  in.threatPresent = flags.threatPresent;
  updateMenus(menu_, in);
  // A command whose operation has not been connected cannot be chosen.
  for (const auto& popup : mainMenu()) {
    std::function<void(const std::vector<MenuItem>&)> walk = [&](const std::vector<MenuItem>& items) {
      for (const MenuItem& m : items) {
        if (m.id != 0 && !connected(m.id)) menu_.enable(m.id, false);
        walk(m.items);
      }
    };
    walk(popup.items);
  }
  host.updateMenus();
}

void Shell::writeResults(const std::string& text) {
  if (appendResults(resultsFile(), text) && flags.monitorOpen) host.refreshMonitor();
}

bool Shell::confirmExit() {
  if (flags.monitorOpen) {
    host.closeMonitor();
    flags.monitorOpen = false;
  }
  if (host.messageBox(exitQuestion(session), "Exit ZONARIUM?", Icon::Question, Buttons::YesNo) !=
      Answer::Yes)
    return false;
  writeOptions(session.settings, session.optionsFile());
  return true;
}

}  // namespace zn
