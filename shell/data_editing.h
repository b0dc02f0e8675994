// Entering and leaving the data editor on the session: the editor takes
// over some display settings and clears the filters and the area set, and
// hands them back as it goes, saving or reading the datafile again on the
// way. The editing steps themselves work on the cards alone (store/editor.h).
#pragma once

#include "store/editor.h"

namespace zn {

struct Session;

// Opening: clears the filters and the area set (keeping whether a recount
// is due), keeps the title and the display settings and sets the editor's
// own, makes taxon 0 current and fills the model.
void openEditor(Session& s);

// "Save+cont": the title taken, and when anything was edited the taxa
// re-ordered and saved. False when a save failed or was refused.
bool saveAndContinue(Session& s);

// Leaving the editor once the window is closed: with `restore` the edits
// are discarded by reading the datafile again; otherwise the title is taken
// and edited data are re-ordered, saved and recounted. The display settings
// come back in both cases.
EditorOutcome closeEditor(Session& s, bool restore);

// Leaving the editor as the program ends without saving: nothing is written
// or read again, only the display settings come back.
void abandonEditor(Session& s);

}  // namespace zn
