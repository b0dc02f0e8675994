#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"

namespace zn {

int cmdMarxan(CliContext& ctx, const std::vector<std::string>& args);
int cmdExportMarxan(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace zn
