// The datafile commands as the user meets them: the shell chooses the files
// and asks the questions, the store does the work and its notices are shown
// in order. `given`, when set, stands for the first file choice (the tool
// names its file on the command line).
#pragma once

#include <filesystem>
#include <optional>

#include <vector>

#include "shell/host.h"
#include "store/preselection.h"
#include "store/session.h"

namespace zn {

// Asks for a datafile until one passes the format check or the user opens a
// doubtful one anyway; nullopt once the dialog is cancelled.
std::optional<std::filesystem::path> chooseDatafile(Session& s, Host& host, const FileRequest& request,
                                                    std::optional<std::filesystem::path> given = {});

// "Open datafile" up to the measure on the map; true when a datafile was
// opened by this call.
bool openDatafile(Session& s, Host& host, std::optional<std::filesystem::path> given = {});

// The opening of the new datafile that follows a successful import, with
// the occupied cells counted for the area set on screen.
bool openImported(Session& s);

// "New datafile": the save dialog, then the three-taxa datafile. True when it
// was made (the caller then opens the editor).
bool newDatafile(Session& s, Host& host);

// "Join datafiles": the two sources and the target, then the join. True when
// the joined datafile was made and opened.
bool joinDatafiles(Session& s, Host& host);

// "Preselection save" and "Preselection load" behind their file dialogs;
// false when cancelled or failed.
bool savePreselection(Session& s, Host& host, const std::vector<int>& excludedAreas);
bool loadPreselection(Session& s, Host& host, std::vector<int>& excludedAreas);

// The preselection window's OK, "Save file", "Load file" and "Convert SA"
// once it has closed, with the file dialog the action needs. When a reload
// of the datafile fails the caller runs "Open datafile" instead.
PreselectionOutcome applyPreselectionDialog(Session& s, Host& host, PreselectionAction action,
                                            const std::vector<int>& excludedTaxonLines);

// "Restore data" once the window has closed: the excluded-areas list is
// emptied, the area set returns and the datafile is reloaded with no group
// code and no excluded level.
PreselectionOutcome restorePreselectionData(Session& s);

}  // namespace zn
