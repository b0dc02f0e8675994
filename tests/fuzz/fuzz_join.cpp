// "Join datafiles" on two hostile sources in one grid folder: the first
// four bytes (little-endian) give the first source's length, the rest of
// the input is the second. The joined file is written and opened.
#include <optional>

#include "store/utilities.h"
#include "tests/fuzz/session_fuzz_common.h"

namespace {

// Chooses the two sources, then nothing more (as a user cancelling), and
// saves to the joined file.
class JoinHost : public zn::SilentHost {
 public:
  JoinHost(std::filesystem::path a, std::filesystem::path b, std::filesystem::path target)
      : SilentHost(zn::Answer::Ok), a_(std::move(a)), b_(std::move(b)), target_(std::move(target)) {}
  std::optional<std::filesystem::path> chooseOpenFile(const zn::FileRequest&) override {
    ++asked_;
    if (asked_ == 1) return a_;
    if (asked_ == 2) return b_;
    return std::nullopt;
  }
  std::optional<std::filesystem::path> chooseSaveFile(const zn::FileRequest&) override { return target_; }

 private:
  std::filesystem::path a_, b_, target_;
  int asked_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::size_t rest = size - 4;
  const std::size_t first = std::min<std::size_t>(
      rest, data[0] | std::size_t(data[1]) << 8 | std::size_t(data[2]) << 16 | std::size_t(data[3]) << 24);
  const std::filesystem::path dir = zn::fuzz::scratchHome() / "neotrop";
  zn::fuzz::writeBytes(dir / "one.dat", data + 4, first);
  zn::fuzz::writeBytes(dir / "two.dat", data + 4 + first, rest - first);
  JoinHost host(dir / "one.dat", dir / "two.dat", dir / "joined.dat");
  zn::Session s(host, zn::fuzz::scratchHome());
  if (!zn::startSession(s)) return 0;
  s.memory.limitBytes = s.coreBytes() + (std::size_t(1) << 20);
  if (zn::joinDatafiles(s)) zn::fuzz::countAfterRead(s, data, size);
  return 0;
}
