// zonarium curve: the representation curves as CSV or a chart, the same
// computation as the Area selection menu's command.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/select_cmd.h"

namespace zn {

int cmdCurve(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace zn
