#include "shell/data_dialogue.h"

#include "shell/notices.h"
#include "store/datafile.h"
#include "store/utilities.h"

namespace zn {

namespace fs = std::filesystem;

std::optional<fs::path> chooseDatafile(Session& s, Host& host, const FileRequest& request,
                                       std::optional<fs::path> given) {
  for (;;) {
    std::optional<fs::path> picked = given ? std::move(given) : host.chooseOpenFile(request);
    given.reset();
    if (!picked) return std::nullopt;
    const DatafileCheck check = checkDatafile(s, *picked);
    switch (check.verdict) {
      case DatafileCheck::Good: return picked;
      case DatafileCheck::Doubtful:
        if (showNotice(host, check.notice, Buttons::YesNo) == Answer::Yes) return picked;
        break;
      case DatafileCheck::Refused: showNotice(host, check.notice); break;
    }
  }
}

bool openDatafile(Session& s, Host& host, std::optional<fs::path> given) {
  showNotices(s, host);
  const auto chosen = chooseDatafile(s, host, datafileRequest(s), std::move(given));
  if (!chosen)
    host.messageBox("Use 'New datafile' to create a new file", "Data file not found", Icon::None, Buttons::Ok);
  if (!chosen || !takeChosenDatafile(s.ws.datafile, *chosen)) {
    host.requestRedraw();
    return false;
  }
  const bool opened = openChosenDatafile(s);
  showNotices(s, host);
  return opened;
}

bool openImported(Session& s) {
  const bool opened = loadAndRecount(s);
  occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
  return opened;
}

bool newDatafile(Session& s, Host& host) {
  showNotices(s, host);
  const auto path = host.chooseSaveFile(newDatafileRequest(s));
  if (!path) return false;
  const bool made = makeNewDatafile(s, *path);
  showNotices(s, host);
  return made;
}

bool joinDatafiles(Session& s, Host& host) {
  showNotices(s, host);
  const auto first = chooseDatafile(s, host, joinSourceRequest(s, "Read datafile 1"));
  if (!first) return false;
  const auto second = chooseDatafile(s, host, joinSourceRequest(s, "Read datafile 2"));
  if (!second) return false;
  const auto target = host.chooseSaveFile(joinTargetRequest(*first));
  if (!target) return false;
  const bool joined = joinDatafileFiles(s, *first, *second, *target);
  showNotices(s, host);
  return joined;
}

bool savePreselection(Session& s, Host& host, const std::vector<int>& excludedAreas) {
  if (!preselectionSavable(s)) return false;
  const auto path = host.chooseSaveFile(preselectionRequest(s, "Preselection save", false));
  const bool saved = path && savePreselectionFile(s.ws, s.settings, s.notices, *path, excludedAreas);
  showNotices(s, host);
  return saved;
}

bool loadPreselection(Session& s, Host& host, std::vector<int>& excludedAreas) {
  const auto path = host.chooseOpenFile(preselectionRequest(s, "Preselection load", true));
  const bool loaded =
      path && loadPreselectionFile(s.ws, s.settings, s.grid(), s.notices, s.progress, *path, excludedAreas);
  showNotices(s, host);
  return loaded;
}

namespace {

// For "Load file" and "Convert SA", before the file: the datafile read again
// ("Load file" then empties the list the file replaces). False when the
// reload failed: the lists are exchanged back and the caller runs "Open
// datafile" instead.
bool reloadForPreselection(Session& s, PreselectionAction action) {
  if (!reloadDatafile(s)) {
    returnBorrowedAreas(s.preselection, s.ws, s.areas);
    return false;
  }
  // The reload brought the listed cells back; the file's list replaces them.
  if (action == PreselectionAction::LoadFile) s.areas.cells.clear();
  return true;
}

}  // namespace

PreselectionOutcome applyPreselectionDialog(Session& s, Host& host, PreselectionAction action,
                                            const std::vector<int>& excludedTaxonLines) {
  takePreselectionDialog(s.preselection.dialog, s.ws, s.settings, s.areas.cells, s.notices, excludedTaxonLines);
  showNotices(s, host);
  if (action == PreselectionAction::SaveFile) savePreselection(s, host, s.areas.cells);
  if (action == PreselectionAction::LoadFile || action == PreselectionAction::ConvertSA) {
    if (!reloadForPreselection(s, action)) return PreselectionOutcome::OpenDatafileInstead;
    if (action == PreselectionAction::LoadFile) loadPreselection(s, host, s.areas.cells);
  }
  return finishPreselectionDialog(s.preselection, s.ws, s.areas, s.grid(), action);
}

PreselectionOutcome restorePreselectionData(Session& s) {
  s.ws.dataModifiedByPreselection = false;
  s.areas.cells.clear();
  returnBorrowedAreas(s.preselection, s.ws, s.areas);
  if (!reloadDatafile(s)) return PreselectionOutcome::OpenDatafileInstead;
  s.ws.groupCode.clear();
  s.settings.excludedLevel = 0;
  return PreselectionOutcome::Applied;
}

}  // namespace zn
