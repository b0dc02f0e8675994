#include "shell/gis_commands.h"

#include "gis/gbif.h"
#include "gis/gisexport.h"
#include "measures/scores.h"
#include "shell/data_dialogue.h"
#include "shell/dispatch.h"
#include "shell/notices.h"
#include "shell/projectscreen.h"
#include "shell/status.h"

namespace zn {

namespace {

constexpr const char* kImportCaption = "Import GBIF occurrences";
constexpr const char* kExportCaption = "Export map to GIS";

void importGbifCommand(Shell& sh) {
  // A new datafile would leave the open windows' lists behind.
  if (sh.flags.preselectionDialogOpen || sh.flags.mapEditing) return;
  Session& s = sh.session;
  FileRequest open;
  open.title = kImportCaption;
  open.filters = {{"GBIF download (*.zip *.csv *.txt)", "*.zip *.csv *.txt"}, {"All files (*.*)", "*"}};
  open.initialDir = s.dataDir.empty() ? s.home : s.dataDir;
  open.mustExist = true;
  const auto input = sh.host.chooseOpenFile(open);
  if (!input) return;
  GbifDialogModel filters;
  GbifImportOptions o;
  if (!sh.host.runDialog("GBIFDLGBOX", filters)) return;
  if (std::string e = applyGbifFilters(filters, o); !e.empty()) {
    sh.host.messageBox(e, kImportCaption, Icon::Exclamation, Buttons::Ok);
    return;
  }
  FileRequest save;
  save.title = kGbifSaveTitle;
  save.filters = {{"ZN data (*.dat)", "*.dat"}};
  save.initialDir = open.initialDir;
  const auto output = sh.host.chooseSaveFile(save);
  if (!output) return;
  o.input = *input;
  o.output = *output;
  // The save dialog asked before replacing the datafile; the scores file
  // beside it is asked here.
  if (std::string why = gbifOutputProblem(s, o); !why.empty()) {
    sh.host.messageBox(why, kImportCaption, Icon::Exclamation, Buttons::Ok);
    return;
  }
  for (const auto& p : gbifOutputs(o)) {
    std::error_code ec;
    if (p != o.output && std::filesystem::exists(p, ec) &&
        sh.host.messageBox(p.string() + " already exists.\nDo you want to replace it?", kGbifSaveTitle, Icon::Question,
                           Buttons::YesNo) != Answer::Yes)
      return;
  }
  GbifImportResult r;
  {
    BusyGuard busy(sh.host);
    r = importGbif(s, o);
  }
  showNotices(s, sh.host);
  if (s.fatal) return;
  if (!r.ok()) {
    sh.host.messageBox(r.error, kImportCaption, Icon::Exclamation, Buttons::Ok);
  } else {
    sh.host.messageBox(gbifSummary(r), kImportCaption, Icon::Information, Buttons::Ok);
    const bool opened = openImported(s);
    showNotices(s, sh.host);
    if (opened) {
      sh.flags.paintStage = ShellFlags::Paint::kData;
      sh.showMeasure(kCodeRichness);
      return;
    }
  }
  sh.refreshMenus();
  sh.host.requestRedraw();
}

// A project's map: its own unit outlines with the scores, counts and the
// area set as they are on screen, written as the tool's export-gis writes.
void exportProjectMap(Shell& sh, const ProjectScreen& p) {
  FileRequest save;
  save.title = kExportCaption;
  save.filters = {{"GeoPackage (*.gpkg)", "*.gpkg"}, {"GeoJSON (*.geojson)", "*.geojson"}, {"CSV (*.csv)", "*.csv"}};
  save.initialDir = p.file.parent_path();
  const auto out = sh.host.chooseSaveFile(save);
  if (!out) return;
  std::error_code ec;
  if (std::filesystem::equivalent(*out, p.file, ec)) {
    sh.host.messageBox("The map goes to a new file, not into the project itself.", kExportCaption, Icon::Exclamation,
                       Buttons::Ok);
    return;
  }
  std::string why;
  {
    BusyGuard busy(sh.host);
    why = exportUnitResult(*p.project, projectMapColumns(p), *out);
  }
  if (!why.empty()) sh.host.messageBox(why, kExportCaption, Icon::Exclamation, Buttons::Ok);
}

void exportGisCommand(Shell& sh) {
  Session& s = sh.session;
  if (sh.project) {
    exportProjectMap(sh, *sh.project);
    return;
  }
  if (!s.ws.datafile.opened) return;
  FileRequest save;
  save.title = kExportCaption;
  save.filters = {{"GeoPackage (*.gpkg)", "*.gpkg"}, {"GeoJSON (*.geojson)", "*.geojson"}, {"CSV (*.csv)", "*.csv"}};
  save.initialDir = s.dataDir.empty() ? s.home : s.dataDir;
  const auto out = sh.host.chooseSaveFile(save);
  if (!out) return;
  GisExportResult r;
  {
    BusyGuard busy(sh.host);
    GisExportRequest request{*out, statusTexts(s, statusInputs(s))[2], nullptr};
    request.mayReplace = [&sh](const std::string& question) {
      return sh.host.messageBox(question, kExportCaption, Icon::Question, Buttons::YesNo) == Answer::Yes;
    };
    r = exportMapToGis(s, sh.display.palette, request);
  }
  if (!r.ok() && !r.declined) sh.host.messageBox(r.error, kExportCaption, Icon::Exclamation, Buttons::Ok);
}

}  // namespace

void connectGisCommands(Shell& shell) {
  shell.connect(Command::ImportGbif, importGbifCommand);
  shell.connect(Command::ExportMapToGis, exportGisCommand);
}

}  // namespace zn
