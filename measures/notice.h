// A message an analysis returns instead of showing it: the window shows it
// in a message box with the caption that names the operation, the tool
// prints it.
#pragma once

#include <string>

#include "store/host.h"

namespace zn {

struct Notice {
  std::string text, caption;
  Icon icon = Icon::None;
};

}  // namespace zn
