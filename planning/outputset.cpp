#include "planning/outputset.h"

#include <atomic>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "store/files.h"
#include "store/text.h"

namespace zn::planning {

namespace fs = std::filesystem;

namespace {

// Holds an exclusive advisory lock on a folder while it lives.
class FolderLock {
 public:
  explicit FolderLock(const fs::path& dir) : fd_(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    int rc;
    while ((rc = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    locked_ = rc == 0;
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool locked() const { return locked_; }
  void sync() const {
    if (fd_ >= 0) ::fsync(fd_);
  }

 private:
  int fd_;
  bool locked_ = false;
};

// The old folder's other contents appear in the new one as hard links (a
// copy where a link is refused), so keeping them costs no copying.
bool linkTree(const fs::path& from, const fs::path& to, const std::function<bool(const std::string&)>* skip) {
  std::error_code ec;
  for (auto it = fs::directory_iterator(from, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (skip && (*skip)(name)) continue;
    const fs::path target = to / name;
    const fs::file_status st = it->symlink_status(ec);
    if (ec) return false;
    if (fs::is_symlink(st)) {
      fs::copy_symlink(it->path(), target, ec);
    } else if (fs::is_directory(st)) {
      fs::create_directory(target, it->path(), ec);
      if (ec || !linkTree(it->path(), target, nullptr)) return false;
    } else {
      fs::create_hard_link(it->path(), target, ec);
      if (ec) fs::copy_file(it->path(), target, ec);
    }
    if (ec) return false;
  }
  return !ec;
}

bool exchange(const fs::path& a, const fs::path& b) {
#ifdef RENAME_EXCHANGE
  if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // Without an atomic exchange the old folder steps aside first: for a
  // moment there is no folder, but never a mixed one.
  const fs::path aside = a.string() + ".old";
  if (::rename(b.c_str(), aside.c_str()) != 0) return false;
  if (::rename(a.c_str(), b.c_str()) != 0) {
    ::rename(aside.c_str(), b.c_str());
    return false;
  }
  return ::rename(aside.c_str(), a.c_str()) == 0;
}

}  // namespace

bool replaceOutputSet(const fs::path& dir, const std::vector<OutputFile>& files,
                      const std::function<bool(const std::string&)>& ofSet, std::string& error) {
  std::error_code ec;
  const fs::path target = fs::weakly_canonical(fs::absolute(dir, ec), ec);
  const fs::path parent = target.parent_path();
  error = "cannot write the outputs in " + dir.string();
  if (ec || target.filename().empty() || parent.empty()) return false;
  fs::create_directories(parent, ec);
  FolderLock lock(parent);
  if (!lock.locked()) return false;

  const std::string prefix = "." + target.filename().string() + ".zn-set-";
  for (auto it = fs::directory_iterator(parent, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
    if (it->path().filename().string().starts_with(prefix)) {
      std::error_code ignored;
      fs::remove_all(it->path(), ignored);
    }

  static std::atomic<unsigned> serial{0};
  const fs::path staging = parent / (prefix + strprintf("%d-%u", static_cast<int>(::getpid()), serial++));
  const bool existed = fs::exists(fs::symlink_status(target, ec));
  if (existed && !fs::is_directory(target, ec)) {
    error = dir.string() + " is not a folder";
    return false;
  }
  const bool made = existed ? fs::create_directory(staging, target, ec) : fs::create_directory(staging, ec);
  if (!made || ec) return false;
  auto fail = [&] {
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    return false;
  };
  if (existed && !linkTree(target, staging, &ofSet)) return fail();
  for (const OutputFile& f : files)
    if (!saveFileAtomically(staging / f.name, f.text)) {
      error = "cannot write " + (dir / f.name).string();
      return fail();
    }
  if (existed ? !exchange(staging, target) : ::rename(staging.c_str(), target.c_str()) != 0) return fail();
  lock.sync();
  fs::remove_all(staging, ec);  // the previous set, now under the staging name
  error.clear();
  return true;
}

}  // namespace zn::planning
