#include "shell/recentprojects.h"

#include <algorithm>

#include "store/files.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

// A list longer than this is no list of ours.
constexpr std::size_t kLargestListFile = 64 * 1024;

fs::path absoluteOf(const fs::path& p) {
  std::error_code ec;
  fs::path a = fs::absolute(p, ec);
  return (ec ? p : a).lexically_normal();
}

bool save(const fs::path& home, const std::vector<fs::path>& list) {
  std::string text;
  for (const fs::path& p : list) text += p.string() + "\n";
  return saveFileAtomically(recentProjectsFile(home), text);
}

}  // namespace

fs::path recentProjectsFile(const fs::path& home) { return home / "RECENT.TXT"; }

std::vector<fs::path> recentProjects(const fs::path& home) {
  std::vector<fs::path> list;
  const auto text = readFileBytes(recentProjectsFile(home), kLargestListFile);
  if (!text) return list;
  std::size_t b = 0;
  while (b < text->size() && list.size() < kRecentProjects) {
    std::size_t e = text->find('\n', b);
    if (e == std::string::npos) e = text->size();
    std::string line = text->substr(b, e - b);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Only absolute paths without control bytes are ours; anything else is skipped.
    const bool plain = std::none_of(line.begin(), line.end(), [](char c) { return c >= 0 && c < ' '; });
    if (plain && fs::path(line).is_absolute() && std::find(list.begin(), list.end(), line) == list.end())
      list.emplace_back(line);
    b = e + 1;
  }
  return list;
}

std::string recentProjectLabel(std::size_t index, const fs::path& project) {
  std::string name = project.filename().string();
  // A '&' in a name is shown, not taken for an access key.
  for (std::size_t at = 0; (at = name.find('&', at)) != std::string::npos; at += 2) name.insert(at, 1, '&');
  return "&" + std::to_string(index + 1) + " " + name + "  (" + project.parent_path().string() + ")";
}

bool rememberProject(const fs::path& home, const fs::path& project) {
  const fs::path p = absoluteOf(project);
  std::vector<fs::path> list = recentProjects(home);
  std::erase(list, p);
  list.insert(list.begin(), p);
  if (list.size() > kRecentProjects) list.resize(kRecentProjects);
  return save(home, list);
}

bool forgetProject(const fs::path& home, const fs::path& project) {
  std::vector<fs::path> list = recentProjects(home);
  std::erase(list, absoluteOf(project));
  return save(home, list);
}

}  // namespace zn
