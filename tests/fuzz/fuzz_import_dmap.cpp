// The DMAP import: the input up to the first NUL byte is the distribution
// file, the rest its names file.
#include "tests/fuzz/import_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string all(reinterpret_cast<const char*>(data), size);
  const auto cut = all.find('\0');
  zn::ImportInput in;
  in.layout = zn::kImportDmap;
  in.text = all.substr(0, cut);
  if (cut != std::string::npos) in.names = all.substr(cut + 1);
  in.inputName = "fuzz.dis";
  zn::fuzz::convertAndCheck(in);
  return 0;
}
