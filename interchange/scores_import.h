// "Import scores": a scores file (.scr) of any tool read onto the map. The
// text before the first "#" is free; the format statement "#0" ... "#6"
// says how the data that follow are laid out:
//   #0 longitude, latitude, score      #1 scores in cell order
//   #2 cell, score                     #3 cell, foreground, background
//   #4 cell and three scores           #5 the same after three title lines
//   #6 no data
// Reading (parseScoresImport) is pure and takes any bytes; applying it to
// the session (applyScoresImport) does what the import changes on the map.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "store/notice.h"
#include "store/requests.h"
#include "store/settings.h"

namespace zn {

class Progress;
struct MapRecord;
struct OverlayState;
struct Session;
struct Workspace;

// What a scores file holds for the cells of a grid.
struct ScoresImportData {
  int format = -1;  // the statement's digit; -1 when the file was refused
  int columns = 0;  // value columns the format carries: 0, 1, 2 or 3
  // Per cell 1 ... cells (index 0 unused) the values read; 0 where none.
  std::vector<std::array<double, 3>> values;
  std::vector<char> read;                 // 1 where a record reached the cell
  std::array<std::string, 3> titleLines;  // the first three lines of the file
  std::string error;                      // the refusal message when format is -1
};

// Reads the text for the grid of `ws` (cell count and, for "#0", the cell
// longitude and latitude bounds). Never throws on bad input: tokens that
// are no numbers read as 0; cell numbers outside the grid, points outside
// every cell and records beyond the cell count are skipped.
ScoresImportData parseScoresImport(const std::string& text, const Workspace& ws);

// The file's name as the map title shows it: the part after the last
// slash or backslash, at most 31 characters.
std::string importedScoresName(const std::string& path);

// What a scores import changes, all of it on screen: the cells' scores and
// counts (the background's beside them), both map records, the overlays
// with the background colour an unloaded three-axis overlay gives back, and
// the scores flag; and the notices and busy cursor it reports through. The
// cards, the area set and every other setting stay out of its reach.
struct ScoresImportTarget {
  Workspace& ws;
  MapRecord& map;
  MapRecord& backgroundMap;
  OverlayState& overlay;
  Shade& backgroundColour;
  const OverlayJoin& overlayOption;  // how a pair's cells are counted as scored
  bool& scoresPresent;
  Notices& notices;
  Progress& progress;
};
ScoresImportTarget scoresImportTarget(Session& s);

// Puts read data on the map: unloads a three-axis overlay, clears every
// cell's score and count, fills the columns, zeroes the excluded areas of
// the preselection, shifts negative columns by their offsets (with a notice
// for a single-column import), recounts the occupied cells and the pair's
// counts, and marks scores present. Sets the import kind, the imported
// name and, for "#3", the two titles. False when `data` was refused.
bool applyScoresImport(const ScoresImportTarget& t, const ScoresImportData& data, const std::string& name);

// Reads and applies a file; leaves "Can't open file\n%s" or the format
// notices (caption "Import scores") and returns false when it fails.
bool importScoresFile(const ScoresImportTarget& t, const std::filesystem::path& path);

// The open-dialog request of the menu command.
FileRequest importScoresRequest(const Session& s);

}  // namespace zn
