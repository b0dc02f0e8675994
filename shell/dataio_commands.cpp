#include "shell/dataio_commands.h"

#include "interchange/dataexport.h"
#include "interchange/dataimport.h"
#include "measures/scores.h"
#include "measures/selective.h"
#include "shell/dispatch.h"
#include "shell/notices.h"

namespace zn {

namespace fs = std::filesystem;

bool runImport(Session& s, Host& host, int layout, std::optional<fs::path> input, std::optional<fs::path> output) {
  if (!importPossible(s, layout)) return false;
  if (const auto refusal = importRefusal(s, layout)) {
    showNotice(host, *refusal);
    return false;
  }
  if (!input) input = host.chooseOpenFile(importInputRequest(s, layout));
  if (!input) return false;
  auto in = readImportInput(s, layout, *input);
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
  const bool written = writeExport(s, layout, *output, dmapTaxa.value_or(std::vector<int>{}));
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
