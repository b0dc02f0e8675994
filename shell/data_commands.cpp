#include "shell/data_commands.h"

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "shell/data_dialogue.h"
#include "shell/data_editing.h"
#include "shell/dispatch.h"
#include "shell/measure_commands.h"
#include "shell/notices.h"
#include "store/editor.h"
#include "store/utilities.h"

namespace zn {

namespace {

constexpr const char* kEditorWindow = "EditDlgBox";
constexpr const char* kPreselectionWindow = "DoptDlgBox";

// The editor's map: the current taxon alone, titled "editing …".
void mapCurrentTaxon(Shell& sh) {
  if (sh.session.ws.taxaCount <= 0) {
    sh.host.requestRedraw();
    return;
  }
  sh.showMeasure(kCodeSelectiveRichness);
}

void openEditorWindow(Shell& sh) {
  Session& s = sh.session;
  if (!s.ws.datafile.opened) return;
  if (s.ws.dataModifiedByPreselection) {
    sh.host.messageBox("Restore data from preselection\nbefore editing data", "Edit data", Icon::Information,
                       Buttons::Ok);
    return;
  }
  if (s.ws.datafile.quantitative)
    sh.host.messageBox("Direct editing of quantitative data not supported at present\nproceed with care!", "Edit data",
                       Icon::Warning, Buttons::Ok);
  openEditor(s);
  sh.flags.mapEditing = true;
  sh.flags.editorOpen = true;
  sh.host.openModeless(kEditorWindow);
  mapCurrentTaxon(sh);
}

void openPreselectionWindow(Shell& sh) {
  Session& s = sh.session;
  if (sh.flags.preselectionDialogOpen || sh.flags.selectionDialogOpen || !s.ws.datafile.opened) return;
  openPreselectionDialog(s.preselection, s.ws, s.areas, s.settings, s.progress);
  sh.flags.preselectionDialogOpen = true;
  sh.host.openModeless(kPreselectionWindow);
  sh.refreshMenus();
  sh.host.requestRedraw();
}

void closePreselectionWindow(Shell& sh) {
  sh.flags.preselectionDialogOpen = false;
  sh.host.closeModeless(kPreselectionWindow);
  sh.refreshMenus();
}

void afterPreselection(Shell& sh, PreselectionOutcome outcome) {
  if (outcome == PreselectionOutcome::OpenDatafileInstead) {
    sh.dispatch(Command::OpenDatafile);
    return;
  }
  if (sh.session.map.code() == kCodeNone) setMeasureCode(sh.session, kCodeRichness);
  sh.dispatch(Command::ApplyPreselection);
}

void applyPreselectionCommand(Shell& sh) {
  Session& s = sh.session;
  if (!s.ws.datafile.opened) return;
  BusyGuard busy(sh.host);
  applyPreselection(s);
  showNotices(s, sh.host);
  sh.refreshMenus();
  sh.finishTitle(applyRecompute(s, Recompute::Preselection, sh.titleContext()));
}

// New datafile and Join datafiles: the utility, then the editor on the new data.
void makeDatafile(Shell& sh, bool (*utility)(Session&, Host&)) {
  // Another datafile would leave the open dialog's lists behind.
  if (sh.flags.preselectionDialogOpen) return;
  const bool made = utility(sh.session, sh.host);
  if (sh.session.fatal) return;
  sh.refreshMenus();
  if (!made) {
    sh.host.requestRedraw();
    return;
  }
  sh.flags.paintStage = ShellFlags::Paint::kData;
  sh.dispatch(Command::EditData);
}

// The editor window goes and map-editing mode ends; the data are saved or
// restored and the display settings come back.
EditorOutcome leaveEditor(Shell& sh, bool restore) {
  sh.flags.mapEditing = false;
  sh.flags.editorOpen = false;
  sh.host.closeModeless(kEditorWindow);
  EditorOutcome outcome;
  {
    BusyGuard busy(sh.host);
    outcome = closeEditor(sh.session, restore);
  }
  showNotices(sh.session, sh.host);
  sh.refreshMenus();
  return outcome;
}

}  // namespace

void connectDataCommands(Shell& shell) {
  shell.connect(Command::NewDatafile, [](Shell& sh) { makeDatafile(sh, newDatafile); });
  shell.connect(Command::JoinDatafiles, [](Shell& sh) { makeDatafile(sh, joinDatafiles); });
  shell.connect(Command::EditData, [](Shell& sh) {
    // In map-editing mode the item leaves the editor as "Save+exit" does.
    if (sh.flags.mapEditing) editorClose(sh, false);
    else openEditorWindow(sh);
  });
  shell.connect(Command::DataPreselection, openPreselectionWindow);
  shell.connect(Command::ApplyPreselection, applyPreselectionCommand);
  shell.connect(Command::DivideByGroup, [](Shell& sh) {
    Session& s = sh.session;
    if (sh.flags.preselectionDialogOpen || !s.ws.datafile.opened) return;
    if (s.ws.groupCode.empty()) {
      sh.dispatch(Command::DataPreselection);
      if (s.ws.groupCode.empty()) {
        sh.host.messageBox("No group code selected-\nuse Data preselection.", "Divide data", Icon::None, Buttons::Ok);
        return;
      }
    }
    {
      BusyGuard busy(sh.host);
      divideByGroup(s, s.notices);
    }
    showNotices(s, sh.host);
  });
  shell.connect(Command::DivideByRarity, [](Shell& sh) {
    if (!sh.session.ws.datafile.opened) return;
    {
      BusyGuard busy(sh.host);
      divideByRarity(sh.session, sh.session.notices);
    }
    showNotices(sh.session, sh.host);
  });
}

void editorMapClick(Shell& sh, int cell, bool left) {
  if (!sh.flags.mapEditing || !editorClick(editorCards(sh.session), sh.session.settings, sh.session.grid(), cell, left))
    return;
  sh.session.editor.notify();
  mapCurrentTaxon(sh);
}

void preselectionMapClick(Shell& sh, int cell) {
  if (!sh.flags.preselectionDialogOpen) return;
  if (addExcludedCell(sh.session.preselection.dialog, sh.session.areas.cells, sh.session.ws, sh.session.grid(), cell))
    sh.session.preselection.notify();
  sh.host.requestRedraw();
}

void editorShowTaxon(Shell& sh, int taxon) {
  if (!sh.flags.mapEditing) return;
  selectEditorTaxon(editorCards(sh.session), taxon);
  sh.session.editor.notify();
}

void preselectionClose(Shell& sh, PreselectionAction action, const std::vector<int>& excludedTaxonLines) {
  if (!sh.flags.preselectionDialogOpen) return;
  closePreselectionWindow(sh);
  afterPreselection(sh, applyPreselectionDialog(sh.session, sh.host, action, excludedTaxonLines));
}

void preselectionRestore(Shell& sh) {
  if (!sh.flags.preselectionDialogOpen) return;
  closePreselectionWindow(sh);
  const PreselectionOutcome outcome = restorePreselectionData(sh.session);
  showNotices(sh.session, sh.host);
  afterPreselection(sh, outcome);
}

void preselectionDeleteCells(Shell& sh, const std::vector<int>& lines) {
  if (!sh.flags.preselectionDialogOpen) return;
  deleteExcludedCells(sh.session.preselection.dialog, sh.session.areas.cells, sh.session.ws, sh.session.notices, lines);
  showNotices(sh.session, sh.host);
  sh.host.requestRedraw();
}

void editorSelect(Shell& sh, int taxon) {
  if (!sh.flags.mapEditing) return;
  selectEditorTaxon(editorCards(sh.session), taxon);
  mapCurrentTaxon(sh);
}

void editorWrite(Shell& sh) {
  if (!sh.flags.mapEditing) return;
  writeEditorTaxon(editorCards(sh.session));
  showNotices(sh.session, sh.host);
  mapCurrentTaxon(sh);
}

void editorAdd(Shell& sh, bool copy) {
  if (!sh.flags.mapEditing) return;
  if (const auto question = addTaxonQuestion(sh.session, copy);
      question && showNotice(sh.host, *question, Buttons::YesNo) != Answer::Yes)
    return;
  const EditorOutcome outcome = addEditorTaxon(sh.session, copy);
  showNotices(sh.session, sh.host);
  switch (outcome) {
    case EditorOutcome::Done: mapCurrentTaxon(sh); break;
    case EditorOutcome::OpenDatafileInstead:
      leaveEditor(sh, true);
      sh.dispatch(Command::OpenDatafile);
      break;
    case EditorOutcome::Refused: break;
  }
}

void editorDelete(Shell& sh) {
  if (!sh.flags.mapEditing) return;
  const auto question = deleteTaxonQuestion(sh.session);
  if (!question || showNotice(sh.host, *question, Buttons::YesNo) != Answer::Yes) return;
  if (deleteEditorTaxon(editorCards(sh.session))) mapCurrentTaxon(sh);
}

void editorReorder(Shell& sh) {
  if (!sh.flags.mapEditing) return;
  reorderTaxa(editorCards(sh.session));
  mapCurrentTaxon(sh);
}

void editorFind(Shell& sh, const std::string& text) {
  if (sh.flags.mapEditing && findEditorTaxon(editorCards(sh.session), text)) mapCurrentTaxon(sh);
}

void editorSaveContinue(Shell& sh) {
  if (!sh.flags.mapEditing) return;
  {
    BusyGuard busy(sh.host);
    saveAndContinue(sh.session);
  }
  showNotices(sh.session, sh.host);
  mapCurrentTaxon(sh);
}

void editorClose(Shell& sh, bool restore) {
  if (!sh.flags.mapEditing) return;
  if (leaveEditor(sh, restore) == EditorOutcome::OpenDatafileInstead) sh.dispatch(Command::OpenDatafile);
  else sh.showMeasure(kCodeRichness);
}

bool editorExit(Shell& sh) {
  if (!sh.flags.mapEditing) return true;
  Session& s = sh.session;
  if (editorHoldsChanges(s)) {
    const Answer a =
        sh.host.messageBox("Save modified data\nbefore exit?", "Edit data", Icon::Question, Buttons::YesNoCancel);
    if (a == Answer::Cancel) return false;
    if (a == Answer::Yes) {
      BusyGuard busy(sh.host);
      // The current-taxon mark is no part of the data on disk.
      clearPlotMarks(s.ws);
      const bool saved = saveAndContinue(s);
      showNotices(s, sh.host);
      if (!saved) {
        setPlotMark(s.ws, s.editor.dialog.current, true);
        return false;
      }
    }
  }
  sh.flags.mapEditing = false;
  sh.flags.editorOpen = false;
  sh.host.closeModeless(kEditorWindow);
  abandonEditor(s);
  sh.refreshMenus();
  return true;
}

}  // namespace zn
