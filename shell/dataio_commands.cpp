#include "shell/dataio_commands.h"

#include "interchange/dataexport.h"
#include "interchange/dataimport.h"
#include "measures/scores.h"
#include "measures/selective.h"
#include "shell/data_dialogue.h"
#include "shell/dispatch.h"
#include "shell/notices.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

constexpr const char* kImportCaption = "Import data";

// Conversion, the lost-records file, the new datafile at `target` and the
// summary notice. The new datafile's grid type replaces the session's first,
// so this is the session's step, not the converter's. On success the data
// subdirectory and file name name the new datafile; the caller opens it.
bool importInto(Session& s, ImportInput& in, const fs::path& target) {
  const int layout = in.layout;
  s.map.showBase(kCodeNone);
  s.settings.measureCode = kCodeNone;
  resetWorkspace(s);
  setDatafilePath(s.ws.datafile, target);
  if (!loadGridType(s)) return false;
  if (layout == kImportMatrix) in.namesBin = readFileBytes(s.dataDir / "NAMES.BIN", kImportInputMax);

  ImportedData d;
  {
    BusyGuard busy(s.progress);
    d = convertImport(in, s.ws);
  }
  s.notices.insert(s.notices.end(), d.notices.begin(), d.notices.end());
  if (!saveFileAtomically(s.home / "LOSTDAT.TXT", d.lostText)) {
    s.tell("Can't open file \\ZONARIUM\\LOSTDAT.TXT", "Saving lost imported data", Icon::Exclamation);
    return false;
  }
  const std::string image = importedDatafileImage(s, d);
  if (s.fatal) return false;
  s.progress.beep();
  if (image.empty() || !saveFileAtomically(target, image)) {
    s.tell("ARRRRRRRRRRRRRRRRRRRRRRRGH!\nSomething wrong here", "Writing imported ASCII data", Icon::Exclamation);
    return false;
  }
  s.tell(strprintf("%ld records for %d taxa converted\n%d lost records", d.records,
                   static_cast<int>(d.cardHeads.size()), d.lost),
         kImportCaption, Icon::Information);
  return true;
}

}  // namespace

bool runImport(Session& s, Host& host, int layout, std::optional<fs::path> input, std::optional<fs::path> output) {
  if (!importPossible(s, layout)) return false;
  if (const auto refusal = importRefusal(s, layout)) {
    showNotice(host, *refusal);
    return false;
  }
  if (!input) input = host.chooseOpenFile(importInputRequest(s, layout));
  if (!input) return false;
  auto in = readImportInput(s, s.notices, layout, *input);
  showNotices(s, host);
  if (!in) return false;
  const FileRequest save = importTargetRequest(s);
  while (!output || !insideProgramFolder(s, *output)) {
    output = host.chooseSaveFile(save);
    if (!output) return false;
  }
  const bool made = importInto(s, *in, *output);
  showNotices(s, host);
  return made;
}

bool importDataCommand(Session& s, Host& host) {
  ImportDialogModel m;
  m.britain = !s.grid().importsCoordinates();
  if (!host.runDialog(m.resource(), m)) return false;
  return runImport(s, host, m.layout);
}

bool runExport(Session& s, Host& host, int layout, std::optional<std::vector<int>> dmapTaxa,
               std::optional<fs::path> output) {
  if (!exportPossible(s, layout)) return false;
  if (const auto refusal = exportRefusal(s, layout)) {
    showNotice(host, *refusal);
    return false;
  }
  if (layout == kExportDmap && !dmapTaxa) {
    SelectivePlotModel m = openSelectivePlot(s.settings, s.ws, false);
    if (!host.runDialog(m.resource, m) || m.selected.empty()) return false;
    dmapTaxa = pickedTaxa(m);
  }
  if (!output) output = host.chooseSaveFile(exportRequest(s));
  if (!output) return false;
  const bool written = writeExport(s, s.progress, layout, *output, dmapTaxa.value_or(std::vector<int>{}));
  showNotices(s, host);
  return written;
}

bool exportDataCommand(Session& s, Host& host) {
  if (!exportPossible(s, kExportMatrix)) return false;
  ExportDialogModel m;
  if (!host.runDialog(ExportDialogModel::kResource, m)) return false;
  return runExport(s, host, m.layout);
}

void connectInterchangeDataCommands(Shell& shell) {
  shell.connect(Command::ImportData, [](Shell& sh) {
    // A new datafile would leave the open windows' lists behind.
    if (sh.flags.preselectionDialogOpen || sh.flags.mapEditing) return;
    Session& s = sh.session;
    const bool made = importDataCommand(s, sh.host);
    if (s.fatal) return;
    if (!made || !openImported(s)) {
      showNotices(s, sh.host);
      sh.refreshMenus();
      sh.host.requestRedraw();
      return;
    }
    showNotices(s, sh.host);
    sh.flags.paintStage = ShellFlags::Paint::kData;
    sh.showMeasure(kCodeRichness);
  });
  shell.connect(Command::ExportData, [](Shell& sh) { exportDataCommand(sh.session, sh.host); });
}

}  // namespace zn
