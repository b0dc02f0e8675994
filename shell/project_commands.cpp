#include "shell/project_commands.h"

#include "shell/dispatch.h"
#include "shell/projectscreen.h"
#include "store/text.h"

namespace zn {

namespace {

constexpr const char* kOpenCaption = "Open project";

const Analysis* analysisOf(Command c) {
  for (const Analysis& a : analyses())
    if (a.command == c) return &a;
  return nullptr;
}

void openProjectCommand(Shell& sh) {
  if (sh.flags.preselectionDialogOpen || sh.flags.mapEditing) return;
  FileRequest open;
  open.title = kOpenCaption;
  open.filters = {{"Zonarium project (*.gpkg)", "*.gpkg"}, {"All files (*.*)", "*"}};
  open.initialDir = sh.session.dataDir.empty() ? sh.session.home : sh.session.dataDir;
  open.mustExist = true;
  const auto file = sh.host.chooseOpenFile(open);
  if (!file) return;
  auto screen = std::make_shared<ProjectScreen>();
  std::optional<std::string> why;
  {
    BusyGuard busy(sh.host);
    why = openProjectScreen(*file, sh.session.home, *screen);
  }
  if (why) {
    sh.host.messageBox(*why, kOpenCaption, Icon::Exclamation, Buttons::Ok);
    return;
  }
  // Richness first, as a datafile opens on it.
  if (const Analysis* richness = analysisOf(Command::Richness)) showProjectMeasure(*screen, *richness, sh.session);
  sh.project = std::move(screen);
  sh.refreshMenus();
  sh.host.requestRedraw();
}

}  // namespace

void connectProjectCommands(Shell& sh) { sh.connect(Command::OpenProject, openProjectCommand); }

bool runOnProject(Shell& sh, Command c) {
  if (!sh.project) return false;
  const Analysis* a = analysisOf(c);
  if (!a) return false;
  std::optional<std::string> why;
  {
    BusyGuard busy(sh.host);
    why = showProjectMeasure(*sh.project, *a, sh.session);
  }
  if (why) sh.host.messageBox(*why, a->name, Icon::Exclamation, Buttons::Ok);
  sh.refreshMenus();
  sh.host.requestRedraw();
  return true;
}

}  // namespace zn
