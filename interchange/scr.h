// Reading the values of a scores file (.scr): the free-text header, the
// format statement "#0" ... "#6" and the data, one value per grid cell.
// The cost and threat values of the area selection come from here; the
// file is read as "Import scores" reads it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/workspace.h"

namespace zn {

struct ScoresColumn {
  int format = 0;              // the digit of the format statement
  std::vector<double> values;  // per cell 1 ... cells (index 0 unused); 0 where none was read
  std::vector<char> read;      // 1 where a value was read for the cell
};

struct ScoresRead {
  std::optional<ScoresColumn> column;
  std::string error;  // the message when there is no column
};

// The first value column of a scores file's text for the cells of the
// workspace: "#0" points by cell longitude and latitude, "#1" values in cell
// order, "#2" cell and value pairs, "#3" the foreground of cell, foreground,
// background triples, "#4" and "#5" the first of three values, "#6" none.
// Tokens that are not numbers read as 0; cells outside the grid and extra
// values are skipped. Values are kept as written (no offset for negatives).
ScoresRead readScoresColumn(const std::string& text, const Workspace& ws);

// The same for a file; a file that cannot be read gives "Can't open file\n%s".
ScoresRead readScoresFile(const std::string& path, const Workspace& ws);

}  // namespace zn
