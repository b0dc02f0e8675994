// The area-selection commands of the dispatcher that this file provides:
// Near-maximum-coverage set (40020), Near-minimum set (2820), Random set
// selection (2801), Re-order set by richness (40009) and by threat (40043),
// Representation RESULTS (40019), Manual set selection (2805), Convert
// selected areas (40024), Convert cost values (40029) and Convert threat
// values (40042); and the model of the "Select grid cells" dialog.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/analyses.h"
#include "shell/host.h"
#include "store/session.h"

namespace zn {

class Shell;

// What the commands keep between commands.
struct SelectionMemory {
  // The elapsed time the last analysis stored; the reports of the commands
  // that do not time themselves show it.
  float seconds = 0.0f;
};

// "Select grid cells" (SelecDlgBox, SelecDlgBoxVGA): a modeless list of the
// area set. Opening keeps a copy of the set for Cancel; closing with a
// changed set brings the map up to date.
class ManualSelectionModel : public DialogModel {
 public:
  ManualSelectionModel(Shell& shell, std::shared_ptr<SelectionMemory> memory);

  // One line per area: "%4d: %s" (position, location name), or "%4d: %d"
  // (position, cell number) for a cell whose name begins with a blank.
  std::vector<std::string> lines() const;

  // A right-button double-click on a map cell: the cell is appended and
  // true returned; a cell already in the set closes the dialog as OK.
  bool passCell(int cell);
  // "Delete grid cell": the selected lines (from 0), or the last area when
  // none is selected; more than 512 lines give "Too many items selected.".
  void deleteLines(const std::vector<int>& selected);
  // "Clear list": empties the set (and the map scores).
  void clearList();
  // "Save file" / "Load file": the .sed file, then the dialog closes as OK.
  void saveFile();
  void loadFile();
  // OK (or Escape) and Cancel.
  void close(bool ok);

  bool isOpen() const { return open_; }
  bool changed() const;

  Shell& shell;
  // Set by the window: refill the list after a change from the map; close.
  std::function<void()> onListChanged;
  std::function<void()> onClosed;

 private:
  std::shared_ptr<SelectionMemory> memory_;
  std::vector<int> opened_;
  int openedSeeds_ = 0;
  bool open_ = true;
};

// Connects the commands above; called once from the Shell's constructor.
void connectSelectionCommands(Shell& shell);

// Runs the analysis of a menu command through the registry (its refusal
// shown); the caller draws and records the result.
AnalysisResult runSelection(Shell& shell, Command command, AnalysisParams params);
// The same for a search the user may stop: the box with the analysis's
// caption and its Stop button shows the progress for as long as it runs.
AnalysisResult runStoppable(Shell& shell, const Analysis& analysis);

// "Automated area selection" by cost and by number: the dialog through the
// host; on OK the budget (or number) goes into the options. False on Cancel
// (the stored value stays).
bool askBudget(Host& host, Session& s);

// "Save" and "Load" of "Select grid cells": the set through the file
// dialogs; false when cancelled or failed (after "Can't open file").
bool saveSeedAreas(Host& host, Session& s);
bool loadSeedAreas(Host& host, Session& s);
bool askNumberOfAreas(Host& host, Session& s);
// The dialogs of the parameters the analysis's entry takes: the budget when
// it takes one and the set is chosen by cost, else the number of areas.
// False when the user cancels.
bool askParameters(Shell& sh, const Analysis& a);

}  // namespace zn
