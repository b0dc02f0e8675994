// zonarium import-data and export-data: "Import data" and "Export data"
// with the dialog's choice given as the LAYOUT argument.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"

namespace zn {

// The layout code of a name ("comma", "matrix", ...) or of its number 1 ... 9;
// 0 when it names none.
int importLayoutCode(const std::string& name);
int exportLayoutCode(const std::string& name);

int cmdImportData(CliContext& ctx, const std::vector<std::string>& args);
int cmdExportData(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace zn
