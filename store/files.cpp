#include "store/files.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include <unistd.h>

namespace zn {

namespace fs = std::filesystem;

std::optional<std::string> readFileBytes(const fs::path& path, std::size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data;
  char buf[65536];
  while (data.size() < maxBytes) {
    in.read(buf, static_cast<std::streamsize>(std::min(sizeof buf, maxBytes - data.size())));
    std::streamsize got = in.gcount();
    if (got <= 0) break;
    data.append(buf, static_cast<std::size_t>(got));
  }
  if (in.bad()) return std::nullopt;
  return data;
}

bool saveFileAtomically(const fs::path& path, const std::string& data) {
  fs::path tmp = path;
  tmp += ".tmp~";
  {
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fflush(f) == 0 && ok;
    ok = ::fsync(fileno(f)) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
      std::remove(tmp.c_str());
      return false;
    }
  }
  std::error_code ec;
  fs::rename(tmp, path, ec);
  if (ec) {
    fs::remove(tmp, ec);
    return false;
  }
  return true;
}

bool populateProgramFolder(const fs::path& home, const fs::path& shipped) {
  std::error_code ec;
  fs::create_directories(home, ec);
  if (!fs::is_directory(home, ec)) return false;
  if (shipped.empty() || !fs::is_directory(shipped, ec)) return true;
  for (auto it = fs::recursive_directory_iterator(shipped, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::path rel = fs::relative(it->path(), shipped, ec);
    if (ec) break;
    fs::path target = home / rel;
    if (it->is_directory(ec)) {
      fs::create_directories(target, ec);
      ec.clear();
    } else if (it->is_regular_file(ec) && !fs::exists(target, ec)) {
      fs::copy_file(it->path(), target, fs::copy_options::skip_existing, ec);
      ec.clear();
    }
  }
  return true;
}

fs::path shippedProgramData() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    fs::path installed = exe.parent_path().parent_path() / "share" / "zonarium" / "programdata";
    if (fs::is_directory(installed, ec)) return installed;
  }
#ifdef ZN_PROGRAMDATA_INSTALL
  if (fs::is_directory(ZN_PROGRAMDATA_INSTALL, ec)) return ZN_PROGRAMDATA_INSTALL;
#endif
#ifdef ZN_PROGRAMDATA_SOURCE
  if (fs::is_directory(ZN_PROGRAMDATA_SOURCE, ec)) return ZN_PROGRAMDATA_SOURCE;
#endif
  return {};
}

fs::path defaultProgramFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return fs::path(home) / "ZONARIUM";
  return fs::path("ZONARIUM");
}

}  // namespace zn
