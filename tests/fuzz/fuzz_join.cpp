// "Join datafiles" on two hostile sources in one grid folder: the first
// four bytes (little-endian) give the first source's length, the rest of
// the input is the second. The joined file is written and opened.
#include "store/datafile.h"
#include "store/utilities.h"
#include "tests/fuzz/session_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::size_t rest = size - 4;
  const std::size_t first = std::min<std::size_t>(
      rest, data[0] | std::size_t(data[1]) << 8 | std::size_t(data[2]) << 16 | std::size_t(data[3]) << 24);
  const std::filesystem::path dir = zn::fuzz::scratchHome() / "neotrop";
  const std::filesystem::path one = dir / "one.dat", two = dir / "two.dat";
  zn::fuzz::writeBytes(one, data + 4, first);
  zn::fuzz::writeBytes(two, data + 4 + first, rest - first);
  zn::SilentHost host(zn::Answer::Ok);
  zn::Session s(host, zn::fuzz::scratchHome());
  if (!zn::startSession(s)) return 0;
  s.memory.limitBytes = s.coreBytes() + (std::size_t(1) << 20);
  // A source the check refuses is never offered to the join; an odd one
  // is, once the user opens it anyway.
  for (const auto& source : {one, two})
    if (zn::checkDatafile(s, source).verdict == zn::DatafileCheck::Refused) return 0;
  if (zn::joinDatafileFiles(s, one, two, dir / "joined.dat")) zn::fuzz::countAfterRead(s, data, size);
  return 0;
}
