// The window's commands on a project: "Open project..." and "New project..."
// put a project on screen in place of the datafile's map, the recent
// projects reopen one, and while one is there the menus' analyses run on its
// units where their traits fit.
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

#include "shell/command.h"

namespace zn {

class Shell;

void connectProjectCommands(Shell& sh);

// With a project on screen, runs an analysis command on it and returns
// true; false for any other command or with no project on screen.
bool runOnProject(Shell& sh, Command c);

// The dialog "New project..." runs on a NewProjectModel.
inline constexpr const char* kNewProjectDialog = "NewProjectDlgBox";

// The recent projects of the DataBase menu, newest first; choosing one
// opens it, or says it is gone and takes it off the list.
std::vector<std::filesystem::path> recentProjectList(const Shell& sh);
void openRecentProject(Shell& sh, std::size_t index);

}  // namespace zn
