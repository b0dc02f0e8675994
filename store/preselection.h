// Data preselection: the included group code, the excluded data level,
// excluded taxa and excluded cells; the "Data preselection" dialog as plain
// logic on its model, and the preselection file (.pre).
//
// The excluded-areas list shares its storage with the area set: while the
// dialog is open the list at hand (Session::areas) is the excluded-areas
// list and the area set waits in Workspace::borrowedAreas; while it is
// closed the two are the other way round.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "store/notice.h"
#include "store/requests.h"

namespace zn {

struct Session;
struct Workspace;
struct Settings;
struct AreaSet;
class GridSystem;
class Progress;

constexpr int kExcludedAreasWorld = 864;
constexpr int kExcludedAreasBritain = 2847;
constexpr int kGroupCodeChars = 30;
// Most list-box lines one action reads at a time.
constexpr int kMaxSelectedLines = 512;

// The dialog's controls while it is open. The window shows these and hands
// the user's choices to the functions below.
struct PreselectionDialogModel : DialogModel {
  std::string groupCode;                // edit 1503
  int minimumLevel = 1;                 // 1153: excluded data level + 1
  int levels = 4;                       // the spin's upper limit
  std::vector<std::string> groupLines;  // list 1043 "%s- %s": significant code, name
  std::vector<char> groupSelected;      // its selection, one flag per line
  std::vector<std::string> taxonLines;  // list 1105: names, "-" for excluded taxa
  std::string taxaExcludedText;         // edit 1112
  std::string areasExcludedText;        // edit 1111
  std::vector<std::string> areaLines;   // list 1106
};

struct PreselectionState {
  PreselectionDialogModel dialog;
  int keptSeedCount = 0;  // seeds of the area set while the dialog borrows it
  // Set by an open window so that it shows changes made elsewhere (a map
  // click); empty when no window is open.
  std::function<void()> changed;
  void notify() const {
    if (changed) changed();
  }
};

// What the preselection file holds, as read.
struct PreselectionFile {
  bool hasGroupCode = false;
  std::string groupCode;  // at most 30 characters
  int excludedLevel = 0;
  std::vector<std::string> taxa;
  std::vector<int> cells;  // in 1 … cells, each once
};

enum class PreselectionAction { Ok, SaveFile, LoadFile, ConvertSA };
enum class PreselectionOutcome { Applied, OpenDatafileInstead };

// The code of a taxon cut at its first '0'.
std::string significantCode(const Workspace& ws, int taxon);

// Opening the dialog: fills the model and exchanges the lists (the area
// set goes to the workspace, `areas` becomes the excluded-areas list).
void openPreselectionDialog(PreselectionState& p, Workspace& ws, AreaSet& areas, const Settings& settings,
                            Progress& progress);

// List 1043: the selected lines make the group code (the common prefix of
// the significant codes of the first and last of them) and every taxon of
// that code is selected. False (after a beep, with the code and selection
// cleared) for an empty prefix or no selection.
bool selectGroupLines(PreselectionDialogModel& m, const Workspace& ws, Progress& progress,
                      const std::vector<int>& lines);
// "Type group code:" accepted with `typed`: selects the taxa of that code;
// none matching clears the code and beeps.
bool typeGroupCode(PreselectionDialogModel& m, const Workspace& ws, Progress& progress, const std::string& typed);
// "Find:": the first taxon whose name begins with `text` (any case) is
// selected and its significant code shown; no match beeps.
bool findGroupTaxon(PreselectionDialogModel& m, const Workspace& ws, Progress& progress, const std::string& text);
// A cell clicked on the map: appended unless listed already or the list is
// full. True when it was added. `listed` is the excluded-areas list.
bool addExcludedCell(PreselectionDialogModel& m, std::vector<int>& listed, const Workspace& ws, const GridSystem& grid,
                     int cell);
// "Delete cells": removes the given lines (0-based) of list 1106.
void deleteExcludedCells(PreselectionDialogModel& m, std::vector<int>& listed, const Workspace& ws, Notices& notices,
                         const std::vector<int>& lines);

// OK, "Save file", "Load file" and "Convert SA" once the window has closed,
// in three steps around the file the shell asks for. First: group code and
// level from the model, the taxa of the selected lines of 1105 and the
// listed cells removed from the cards.
void takePreselectionDialog(const PreselectionDialogModel& m, Workspace& ws, Settings& settings,
                            const std::vector<int>& listed, Notices& notices,
                            const std::vector<int>& excludedTaxonLines);
// Last: the lists exchanged back and, for "Convert SA", every cell outside
// the area set excluded. (Between the two the shell may read the datafile
// again for "Load file" and "Convert SA".)
PreselectionOutcome finishPreselectionDialog(PreselectionState& p, Workspace& ws, AreaSet& areas,
                                             const GridSystem& grid, PreselectionAction action);
// The excluded-areas list goes back to the workspace and the area set
// returns to `areas` with the seeds it had when the dialog opened.
void returnBorrowedAreas(PreselectionState& p, Workspace& ws, AreaSet& areas);

// First step of applying the preselection: drops a group code that no
// taxon has ("subgroup %s not found"). False when it was dropped.
bool restrictToSubgroup(Workspace& ws, Notices& notices);
// The data-store part of applying the preselection: restrict to subgroup,
// reset the cell flags, recount (saying so when the subgroup leaves too few
// taxa for the tree data) and the occupancy pass.
void applyPreselection(Session& s);

// The file text of the current state with the given excluded-areas list.
std::string preselectionFileText(const Workspace& ws, const Settings& settings, const std::vector<int>& excludedAreas);
// Parses a preselection file. Accepts LF and CR LF; sections are known by
// their bracketed names, unknown sections are skipped, values that are not
// numbers are ignored and cells outside 1 … cells are left out.
PreselectionFile parsePreselectionFile(const std::string& text, int cells);
// Applies a read file to the cards: group code (kept when the file has
// none) and level, the first taxon of each name excluded, the cells
// appended to `excludedAreas` (up to the list's capacity) and cleared in
// every card; sets the data-modified flag.
void applyPreselectionFile(Workspace& ws, Settings& settings, const GridSystem& grid, const PreselectionFile& file,
                           std::vector<int>& excludedAreas);

// The file requests of "Preselection save" and "Preselection load".
FileRequest preselectionRequest(const Session& s, const char* title, bool mustExist);
// Whether there is anything to save (occupied cells).
bool preselectionSavable(const Session& s);
// Saving and loading at a path; false with a notice ("Can't write file",
// "Can't open file") when the file cannot be written or read.
bool savePreselectionFile(Workspace& ws, const Settings& settings, Notices& notices, const std::filesystem::path& path,
                          const std::vector<int>& excludedAreas);
bool loadPreselectionFile(Workspace& ws, Settings& settings, const GridSystem& grid, Notices& notices,
                          Progress& progress, const std::filesystem::path& path, std::vector<int>& excludedAreas);

// Reads the open datafile again from its path and recounts; false (nothing
// changed) when it cannot be read.
bool reloadDatafile(Session& s);

// Sets the level of every card to 0 in the cell; true when a record went.
bool clearCellInAllCards(Workspace& ws, int cell);
// Marks the taxon excluded and clears its levels; true when it was not
// excluded before or had a record.
bool excludeTaxon(Workspace& ws, int taxon);

}  // namespace zn
