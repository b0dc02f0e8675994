// zonarium project: making a project file of any grid or polygon layer and
// adding occurrences to it.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"

namespace zn {

int cmdProject(CliContext& ctx, const std::vector<std::string>& args);

// The info lines of a project file; false (after a message) when it cannot be read.
bool printProjectInfo(CliContext& ctx, const std::string& file);

}  // namespace zn
