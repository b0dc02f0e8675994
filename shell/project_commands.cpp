#include "shell/project_commands.h"

#include "shell/data_dialogue.h"
#include "shell/dispatch.h"
#include "shell/newproject.h"
#include "shell/notices.h"
#include "shell/projectscreen.h"
#include "shell/projectselect.h"
#include "shell/recentprojects.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOpenCaption = "Open project";
constexpr const char* kNewCaption = "New project";

bool busyWithData(const Shell& sh) { return sh.flags.preselectionDialogOpen || sh.flags.mapEditing; }

// Puts the project file on screen and at the head of the recent projects.
void openProjectFile(Shell& sh, const fs::path& file, const char* caption) {
  auto screen = std::make_shared<ProjectScreen>();
  std::optional<std::string> why;
  {
    BusyGuard busy(sh.host);
    why = openProjectScreen(file, sh.session.home, *screen, &sh.session.progress);
  }
  if (why && why->empty()) return;  // stopped: the screen stays as it was
  if (why) {
    sh.host.messageBox(*why, caption, Icon::Exclamation, Buttons::Ok);
    return;
  }
  // A list that cannot be saved costs only the menu entry.
  rememberProject(sh.session.home, file);
  // Richness first, as a datafile opens on it.
  if (const Analysis* richness = analysisOfCommand(Command::Richness)) showProjectMeasure(*screen, *richness, sh.session);
  sh.project = std::move(screen);
  sh.refreshMenus();
  sh.host.requestRedraw();
}

fs::path startFolder(const Shell& sh) { return sh.session.dataDir.empty() ? sh.session.home : sh.session.dataDir; }

void openProjectCommand(Shell& sh) {
  if (busyWithData(sh)) return;
  FileRequest open;
  open.title = kOpenCaption;
  open.filters = {{"Zonarium project (*.gpkg)", "*.gpkg"}, {"All files (*.*)", "*"}};
  open.initialDir = startFolder(sh);
  open.mustExist = true;
  if (const auto file = sh.host.chooseOpenFile(open)) openProjectFile(sh, *file, kOpenCaption);
}

// A datafile's cards go onto the project from a session of their own, so
// the datafile on screen stays as it is.
std::unique_ptr<Session> openCards(Shell& sh, const fs::path& file) {
  auto s = std::make_unique<Session>(sh.host, sh.session.home, sh.session.variant);
  const bool opened = startSession(*s) && openDatafile(*s, sh.host, file) && s->ws.taxaCount > 0;
  showNotices(*s, sh.host);
  return opened ? std::move(s) : nullptr;
}

void newProjectCommand(Shell& sh) {
  if (busyWithData(sh)) return;
  NewProjectModel m = newProjectModel(sh.session.variant);
  m.startFolder = startFolder(sh);
  if (!sh.host.runDialog(kNewProjectDialog, m)) return;
  ProjectUnits units;
  ProjectInput input;
  fs::path out;
  if (std::string e = readNewProject(m, units, input, out); !e.empty()) {
    sh.host.messageBox(e, kNewCaption, Icon::Exclamation, Buttons::Ok);
    return;
  }
  std::error_code ec;
  if (fs::exists(fs::symlink_status(out, ec)) &&
      sh.host.messageBox(out.string() + " already exists.\nDo you want to replace it?", kNewCaption, Icon::Question,
                         Buttons::YesNo) != Answer::Yes)
    return;
  std::unique_ptr<Session> cards;
  if (input.format == InputFormat::Datafile) {
    if (!(cards = openCards(sh, input.path))) {
      sh.host.messageBox("cannot read the datafile " + input.path.string(), kNewCaption, Icon::Exclamation,
                         Buttons::Ok);
      return;
    }
    input.datafile = cards.get();
  }
  NewProjectOutcome r;
  {
    BusyGuard busy(sh.host);
    r = makeNewProject(units, input, out, sh.host);
  }
  if (r.stopped) {
    sh.host.messageBox("Stopped: no project was made.", kNewCaption, Icon::Information, Buttons::Ok);
    return;
  }
  if (!r.made) {
    sh.host.messageBox(r.error, kNewCaption, Icon::Exclamation, Buttons::Ok);
    return;
  }
  sh.host.messageBox(
      out.filename().string() + " made from " + input.path.filename().string() + ".\n\n" + r.summary.text(),
      kNewCaption, Icon::Information, Buttons::Ok);
  openProjectFile(sh, out, kNewCaption);
}

}  // namespace

void connectProjectCommands(Shell& sh) {
  sh.connect(Command::OpenProject, openProjectCommand);
  sh.connect(Command::NewProject, newProjectCommand);
}

std::vector<fs::path> recentProjectList(const Shell& sh) { return recentProjects(sh.session.home); }

void openRecentProject(Shell& sh, std::size_t index) {
  if (busyWithData(sh)) return;
  const std::vector<fs::path> list = recentProjectList(sh);
  if (index >= list.size()) return;
  const fs::path& file = list[index];
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    forgetProject(sh.session.home, file);
    sh.host.messageBox(file.string() + " is no longer there; it leaves the recent projects.", kOpenCaption,
                       Icon::Exclamation, Buttons::Ok);
    sh.refreshMenus();
    return;
  }
  openProjectFile(sh, file, kOpenCaption);
}

bool runOnProject(Shell& sh, Command c) {
  if (!sh.project) return false;
  const Analysis* a = analysisOfCommand(c);
  // The chart's own command knows a project.
  if (!a || a->kind == AnalysisKind::Chart) return false;
  if (a->kind == AnalysisKind::Selection) {
    runProjectSelectionCommand(sh, *a);
    return true;
  }
  std::optional<std::string> why;
  {
    BusyGuard busy(sh.host);
    why = a->kind == AnalysisKind::Pass ? passOnProject(*sh.project, *a, sh.session)
                                        : showProjectMeasure(*sh.project, *a, sh.session);
  }
  if (why) sh.host.messageBox(*why, a->name, Icon::Exclamation, Buttons::Ok);
  sh.refreshMenus();
  sh.host.requestRedraw();
  return true;
}

}  // namespace zn
