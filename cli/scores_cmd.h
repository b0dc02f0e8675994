// zonarium export-scores and import-scores: the "Export scores" and
// "Import scores" commands without the desktop, the dialog's choices given
// as flags.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"

namespace zn {

int cmdExportScores(CliContext& ctx, const std::vector<std::string>& args);
int cmdImportScores(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace zn
