// The data commands of the dispatcher: New datafile (511), Join datafiles
// (512), Edit data (1400), Data preselection (1500), apply preselection
// (1505), Divide data by group (40014) and by rarity (40027); and what the
// two modeless windows, "DoptDlgBox" and "EditDlgBox", and the map send them.
//
// The windows show Session::preselection.dialog and Session::editor.dialog;
// the functions below change those models, the cards and the map, open and
// close the windows through the ShellHost, and call the model's `changed`
// hook when the change came from outside the window (a map click, a key).
#pragma once

#include <string>
#include <vector>

#include "store/preselection.h"

namespace zn {

class Shell;

// Connects the commands above; called once from the Shell's constructor.
void connectDataCommands(Shell& shell);

// Map clicks. In map-editing mode a left or right button released on a
// cell changes the current taxon's record there (the editor's command 510).
void editorMapClick(Shell& shell, int cell, bool left);
// A right double-click on a cell while the preselection dialog is open
// adds it to the excluded areas (the dialog's command 1506).
void preselectionMapClick(Shell& shell, int cell);
// The keys stepped the single-taxon map to `taxon` in map-editing mode
// (the editor's command 509): the editor shows that taxon.
void editorShowTaxon(Shell& shell, int taxon);

// "Data preselection" buttons. OK, Escape and closing the window are Ok.
void preselectionClose(Shell& shell, PreselectionAction action, const std::vector<int>& excludedTaxonLines);
void preselectionRestore(Shell& shell);
void preselectionDeleteCells(Shell& shell, const std::vector<int>& lines);

// Data editor buttons.
void editorSelect(Shell& shell, int taxon);
void editorWrite(Shell& shell);
void editorAdd(Shell& shell, bool copy);
void editorDelete(Shell& shell);
void editorReorder(Shell& shell);
void editorFind(Shell& shell, const std::string& text);
void editorSaveContinue(Shell& shell);
// "Save+exit" and closing the window (restore false), "Restore" (true).
void editorClose(Shell& shell, bool restore);
// The program is ending while the editor is open: asks whether its changes
// are to be saved, then closes it and gives back the display settings it
// had taken over, so that the options file gets the user's own. False when
// the user cancels or the save fails; the editor then stays open.
bool editorExit(Shell& shell);

}  // namespace zn
