// zonarium render: the map the window would show, written as an image.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"

namespace zn {

int cmdRender(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace zn
