// The projects last opened or made, newest first, kept across runs in the
// program folder (one absolute path a line), for the DataBase menu.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace zn {

constexpr std::size_t kRecentProjects = 6;

std::filesystem::path recentProjectsFile(const std::filesystem::path& home);

// The list; empty when there is none or it cannot be read.
std::vector<std::filesystem::path> recentProjects(const std::filesystem::path& home);

// The menu entry of the project at `index`: its number as the access key,
// the file's name, then its folder.
std::string recentProjectLabel(std::size_t index, const std::filesystem::path& project);

// Puts the project first (once), keeps the newest kRecentProjects and saves
// the list; false when it cannot be saved (the old list stays).
bool rememberProject(const std::filesystem::path& home, const std::filesystem::path& project);

// Takes the project off the list; false when it cannot be saved.
bool forgetProject(const std::filesystem::path& home, const std::filesystem::path& project);

}  // namespace zn
