// The quantitative matrix import: the input is cut at NUL bytes into the
// matrix, the names file and NAMES.BIN.
#include "tests/fuzz/import_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string all(reinterpret_cast<const char*>(data), size);
  const auto a = all.find('\0');
  const auto b = a == std::string::npos ? a : all.find('\0', a + 1);
  zn::ImportInput in;
  in.layout = zn::kImportMatrix;
  in.text = all.substr(0, a);
  if (a != std::string::npos) in.names = all.substr(a + 1, b == std::string::npos ? b : b - a - 1);
  if (b != std::string::npos) in.namesBin = all.substr(b + 1);
  in.inputName = "fuzz.txt";
  zn::fuzz::convertAndCheck(in);
  return 0;
}
