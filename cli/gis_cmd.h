// zonarium export-gis and import-gbif: the "Export map to GIS..." and
// "Import GBIF occurrences..." commands without the desktop.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"

namespace zn {

int cmdExportGis(CliContext& ctx, const std::vector<std::string>& args);
int cmdImportGbif(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace zn
