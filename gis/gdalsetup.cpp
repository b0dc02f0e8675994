#include "gis/gdalsetup.h"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <mutex>

#include <gdal_priv.h>

namespace zn {

namespace fs = std::filesystem;

void ensureGdal() {
  static std::once_flag once;
  std::call_once(once, [] {
    GDALAllRegister();
    // Errors come back as our own messages; GDAL's own printing would only
    // repeat them on the terminal.
    CPLSetErrorHandler(CPLQuietErrorHandler);
  });
}

std::string nonLocalPathProblem(const std::string& path) {
  std::string head = path.substr(0, 5);
  for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (head.starts_with("/vsi") || head.starts_with("\\vsi") || path.find("://") != std::string::npos)
    return path + " is not a local file name (no /vsi... names or URLs)";
  return {};
}

std::string outputFolderProblem(const fs::path& path) {
  if (std::string why = nonLocalPathProblem(path.string()); !why.empty()) return why;
  if (path.filename().empty()) return "no file name in " + path.string();
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::error_code ec;
  if (!fs::exists(dir, ec)) return "the folder " + dir.string() + " does not exist";
  if (!fs::is_directory(dir, ec)) return dir.string() + " is not a folder";
  if (::access(dir.c_str(), W_OK) != 0) return "the folder " + dir.string() + " is read-only";
  return {};
}

fs::path temporaryBeside(const fs::path& path) {
  static std::atomic<unsigned> serial{0};
  const std::string stem =
      "." + path.stem().string() + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
  return path.parent_path() / (stem + path.extension().string());
}

}  // namespace zn
