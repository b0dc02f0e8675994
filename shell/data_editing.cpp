#include "shell/data_editing.h"

#include <array>

#include "store/preselection.h"
#include "store/session.h"

namespace zn {

namespace {

constexpr std::array<Flag Settings::*, 6> kEditorDisplaySlots{&Settings::fillFrameCoast, &Settings::scaleBarShown,
                                                              &Settings::writeTitle,     &Settings::scalableTitle,
                                                              &Settings::fineGridShown,  &Settings::coarseGridShown};

// The display settings as they were before the editor took them over (fill
// frame-coast stays off while a zoomed view is shown); the editor's flags go.
void giveBackDisplay(Session& s) {
  EditorState& e = s.editor;
  for (std::size_t i = 0; i < kEditorDisplaySlots.size(); ++i) s.settings.*kEditorDisplaySlots[i] = e.keptDisplay[i];
  if (s.zoomed) {
    s.savedFillFrameCoast = e.keptDisplay[0];
    s.settings.fillFrameCoast = Flag::kOff;
  }
  e.edited = false;
  e.recountNeeded = false;
}

void recountAfterEditing(Session& s) {
  s.subgroupDataPresent = recount(s.ws, s.settings.excludedLevel);
  occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
}

}  // namespace

void openEditor(Session& s) {
  Workspace& ws = s.ws;
  EditorState& e = s.editor;
  e.edited = false;
  e.titleAtOpening = ws.datafile.title;
  e.recountNeeded = !ws.groupCode.empty() || s.settings.excludedLevel != 0;
  ws.groupCode.clear();
  s.areas.cells.clear();
  s.areas.seedCount = 0;
  s.areas.nearMinimumDone = false;
  s.settings.excludedLevel = 0;
  // Record counts shown while editing are those without the filters.
  if (e.recountNeeded) recountAfterEditing(s);

  for (std::size_t i = 0; i < kEditorDisplaySlots.size(); ++i) e.keptDisplay[i] = s.settings.*kEditorDisplaySlots[i];
  // Zoomed, the fill setting waits in the zoom's own copy.
  if (s.zoomed) e.keptDisplay[0] = s.savedFillFrameCoast;
  s.settings.writeTitle = Flag::kOn;
  s.settings.scaleBarShown = Flag::kOn;
  s.settings.fillFrameCoast = Flag::kOff;
  s.settings.coarseGridShown = Flag::kOn;
  s.settings.fineGridShown = flagOf(s.coastApplies != CoastOutline::kNone);

  e.dialog = EditorModel{};
  e.dialog.title = ws.datafile.title;
  fillEditor(e.dialog, ws);
  selectEditorTaxon(editorCards(s), 0);
}

bool saveAndContinue(Session& s) {
  EditorState& e = s.editor;
  takeEditorTitle(s.editor, s.ws);
  if (!e.edited) return true;
  reorderTaxa(editorCards(s));
  if (!saveData(s, s.notices)) return false;
  e.edited = false;
  e.recountNeeded = true;
  return true;
}

EditorOutcome closeEditor(Session& s, bool restore) {
  EditorState& e = s.editor;
  clearEditorMarks(s.ws);
  EditorOutcome out = EditorOutcome::Done;
  if (restore) {
    if (e.edited) {
      // Reading the file again recounts; a file that cannot be read leaves
      // the edits in memory and the caller opens another datafile.
      if (reloadDatafile(s)) {
        clearEditorMarks(s.ws);
        occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
      } else {
        out = EditorOutcome::OpenDatafileInstead;
      }
    } else if (e.recountNeeded) {
      recountAfterEditing(s);
    }
  } else {
    takeEditorTitle(s.editor, s.ws);
    if (e.edited) {
      reorderTaxa(editorCards(s));
      clearEditorMarks(s.ws);
      saveData(s, s.notices);
      recountAfterEditing(s);
    } else if (e.recountNeeded) {
      recountAfterEditing(s);
    }
  }
  giveBackDisplay(s);
  return out;
}

void abandonEditor(Session& s) {
  clearEditorMarks(s.ws);
  giveBackDisplay(s);
}

}  // namespace zn
