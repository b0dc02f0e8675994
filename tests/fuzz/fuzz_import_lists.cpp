// The line-based import layouts (lists, TNC and the coordinate lists): the
// first byte picks the layout, the rest is the input file.
#include "tests/fuzz/import_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const int layouts[] = {1, 2, 3, 4, 6, 7, 8};
  zn::ImportInput in;
  in.layout = layouts[data[0] % 7];
  in.text.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
  in.inputName = "fuzz.txt";
  zn::fuzz::convertAndCheck(in);
  return 0;
}
