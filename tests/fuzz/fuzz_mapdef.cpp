#include <cstddef>
#include <cstdint>
#include <string>

#include "store/gridtypes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zn::GridTypes types;
  zn::parseMapDefinitions(types, std::string(data, data + size));
  zn::findGridType(types, "equal\\");
  zn::findGridType(types, std::string(31, 'a') + "\\");
  return 0;
}
