// zonarium cell: the "List of biota" lines of one cell.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/measure_options.h"
#include "shell/celllist.h"

namespace zn {

// The keys of select (the measure keys among them) and "grouped" and
// "range-sizes" (0 or 1).
std::vector<SetKey> cellSetKeys();

// Cell line, analysis lines (the fourth from the coordinates field) or the
// coordinates when present, the list lines indented by two blanks, then the
// counts line.
std::string formatCellList(const CellListModel& m);

// The cell number 1 … cells of text, or 0 after a message.
int parseCellNumber(CliContext& ctx, const Session& s, const std::string& text);

int cmdCell(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace zn
