// What the shell asks of the window system beyond the Host's questions:
// the modeless windows, the help viewer and the about box.
#pragma once

#include <string>

#include "shell/host.h"

namespace zn {

class ShellHost : public Host {
 public:
  virtual void openMonitor() {}
  virtual void closeMonitor() {}
  virtual void refreshMonitor() {}
  virtual void showHelp(bool onHelp) { (void)onHelp; }
  virtual void showAbout() {}
  // Asks the main window to close (the exit question follows).
  virtual void requestClose() {}
  // Opens a modeless tool window by its resource name ("EditDlgBox", …).
  virtual void openModeless(const std::string& name) { (void)name; }
  virtual void closeModeless(const std::string& name) { (void)name; }
  virtual void updateMenus() {}
  // Repaints the map before returning (a one-shot drawing such as the
  // inverted colour scale must be on screen before its flag is cleared).
  virtual void redrawNow() { requestRedraw(); }
};

}  // namespace zn
