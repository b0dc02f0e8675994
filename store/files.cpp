#include "store/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

std::optional<std::string> readFileBytes(const fs::path& path, std::size_t maxBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  // A plain file's size is known: the buffer is had at once and filled in
  // place. Pipes and devices, or a file that grows meanwhile, enlarge it as
  // they go; maxBytes bounds both.
  struct stat st {};
  std::size_t guess = 65536;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0)
    guess = static_cast<std::size_t>(st.st_size) + 1;  // one more byte to see the end
  // Closes the file however the reading ends, a failed allocation included.
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  std::string data(std::min(guess, maxBytes), '\0');
  std::size_t have = 0;
  while (have < maxBytes) {
    if (have == data.size()) data.resize(std::min(maxBytes, std::max<std::size_t>(65536, data.size() * 2)));
    const ssize_t got = ::read(fd, data.data() + have, data.size() - have);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    have += static_cast<std::size_t>(got);
  }
  data.resize(have);
  return data;
}

namespace {

bool writeAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Temporary files of a target are named ".NAME.PID.N.RANDOM.tmp".
std::string temporaryStem(const fs::path& target) {
  std::string stem = "." + target.filename().string();
  if (stem.size() > 200) stem.resize(200);
  return stem + ".";
}

// A name beside the target that no other save is using: process id, a
// per-process counter and random bits, so two programs or two threads saving
// the same file never share a temporary file.
fs::path temporaryName(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  static thread_local std::mt19937_64 rng{std::random_device{}() ^ (std::uint64_t(::getpid()) << 32)};
  return target.parent_path() /
         (temporaryStem(target) + strprintf("%d.%u.%016llx.tmp", static_cast<int>(::getpid()), counter.fetch_add(1),
                                            static_cast<unsigned long long>(rng())));
}

// A save killed before its rename leaves its temporary file behind; the
// next save of the same target removes those whose process is gone.
void removeStaleTemporaries(const fs::path& target) {
  const std::string stem = temporaryStem(target);
  const fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::error_code ec;
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= stem.size() + 4 || name.compare(0, stem.size(), stem) != 0 ||
        name.compare(name.size() - 4, 4, ".tmp") != 0)
      continue;
    const char* digits = name.c_str() + stem.size();
    char* end = nullptr;
    const long pid = std::strtol(digits, &end, 10);
    if (end == digits || *end != '.' || pid <= 0 || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) ::unlink(it->path().c_str());
  }
}

// Creates the temporary file exclusively and without following a link that
// may have been planted at its name; -1 when it cannot be made.
int createTemporary(const fs::path& target, mode_t mode, fs::path& tmp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    tmp = temporaryName(target);
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
    if (errno != EEXIST && errno != EINTR) break;
  }
  tmp.clear();
  return -1;
}

}  // namespace

fs::path resolveSaveTarget(const fs::path& path) {
  fs::path p = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::error_code ec;
    fs::path to = fs::read_symlink(p, ec);
    if (ec) return {};
    p = to.is_absolute() ? to : p.parent_path() / to;
  }
  return {};
}

bool saveFileAtomically(const fs::path& path, const std::string& data) {
  const fs::path target = resolveSaveTarget(path);
  if (target.empty()) return false;
  struct stat old {};
  const bool exists = ::lstat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return false;
  // Devices, pipes and folders are never replaced by a plain file.
  if (exists && !S_ISREG(old.st_mode)) return false;

  removeStaleTemporaries(target);
  fs::path tmp;
  // A new file gets the usual 0666 less the umask; an old one keeps its mode.
  int fd = createTemporary(target, exists ? (old.st_mode & 07777) : 0666, tmp);
  if (fd < 0) return false;
  bool ok = true;
  if (exists) {
    // Keeping the owner needs the right to give files away, so a refusal is
    // no failure; the mode (set after, as a change of owner clears set-id
    // bits) is what the user sees.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) errno = 0;
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  }
  ok = ok && writeAll(fd, data);
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(tmp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

namespace {

// A copy that a full disk or a kill cut short: empty, or a true beginning of
// the shipped file. A file the user changed is never taken for one.
bool isCutShortCopy(const fs::path& target, const fs::path& shipped) {
  std::error_code ec;
  auto have = fs::file_size(target, ec);
  if (ec) return false;
  auto want = fs::file_size(shipped, ec);
  if (ec || have >= want) return false;
  if (have == 0) return true;
  auto mine = readFileBytes(target, static_cast<std::size_t>(have));
  auto theirs = readFileBytes(shipped, static_cast<std::size_t>(have));
  return mine && theirs && *mine == *theirs;
}

}  // namespace

bool populateProgramFolder(const fs::path& home, const fs::path& shipped, std::vector<fs::path>* failed) {
  std::error_code ec;
  fs::create_directories(home, ec);
  if (!fs::is_directory(home, ec)) return false;
  if (shipped.empty() || !fs::is_directory(shipped, ec)) return true;
  for (auto it = fs::recursive_directory_iterator(shipped, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    fs::path rel = fs::relative(it->path(), shipped, ec);
    if (ec) break;
    fs::path target = home / rel;
    if (it->is_directory(ec)) {
      fs::create_directories(target, ec);
      ec.clear();
    } else if (it->is_regular_file(ec)) {
      std::error_code tec;
      bool present = fs::exists(fs::symlink_status(target, tec));
      if (present && !isCutShortCopy(target, it->path())) continue;
      // Through a temporary file, so a copy cut short never stands as the file.
      auto bytes = readFileBytes(it->path());
      if (!bytes || !saveFileAtomically(target, *bytes)) {
        if (failed) failed->push_back(target);
      }
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
