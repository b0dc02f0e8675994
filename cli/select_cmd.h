// zonarium select: the priority-area analyses and their reports.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"

namespace zn {

int cmdSelect(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace zn
