// Data export: the loaded taxa and their records written as plain text for
// other tools: a level matrix, lists of taxa and areas, comma-delimited
// lists, the condensed input of TWINSPAN and DMAP files on the Britain grid.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/notice.h"
#include "store/requests.h"

namespace zn {

class Progress;
struct Session;
struct SelectivePlotModel;
struct Workspace;

enum ExportLayout {
  kExportMatrix = 1,
  kExportTaxa = 2,
  kExportAreasByTaxa = 3,
  kExportTaxaByAreas = 4,
  kExportCommaText = 5,
  kExportCommaNumbers = 6,
  kExportTwinspan = 7,
  kExportDmap = 8,
  kExportCoords = 9,
};

// Most taxa one DMAP export takes.
constexpr int kDmapMaxTaxa = 20;

// The "Export data" dialog (DEXDDLGBOX, group "Write ASCII format"): one
// radio button per layout, "list taxa" checked when it opens.
struct ExportDialogModel : DialogModel {
  static constexpr const char* kResource = "DEXDDLGBOX";
  int layout = kExportTaxa;
  static std::string label(int layout);
};

// What an export writes besides the session: the excluded data level and
// the number of excluded areas of the preselection.
struct ExportContext {
  int excludedLevel = 0;
  int excludedAreas = 0;
  // The Britain grid names its areas by 10 km reference: the comma-delimited
  // text list there is "name","reference".
  bool britain = false;
};

// The text of layouts 1 to 7 for the loaded taxa.
std::string exportText(const Workspace& ws, int layout, const ExportContext& ctx);

// NAMES.BIN: the name and code fields (64 bytes) of every card in order.
std::string namesBinImage(const Workspace& ws);

// The leading part and the rest of a taxon name, the two text fields of
// the comma-delimited text list, split as the display name reads: a
// trailing two-letter abbreviation ("lupus Ca.") is the leading part.
std::pair<std::string, std::string> splitTaxonName(const std::string& name);

// DMAP files of the given taxa: the distribution file (".dis") and the
// names file (".nam").
struct DmapFiles {
  std::string distribution;
  std::string names;
};
DmapFiles dmapExport(const Workspace& ws, const std::vector<int>& taxa, int excludedLevel);

// The export after the dialog, in the order the shell meets it: nothing to
// do without taxa or with an unknown layout; a layout this grid cannot
// export is refused with a notice to show.
bool exportPossible(const Session& s, int layout);
std::optional<Notice> exportRefusal(const Session& s, int layout);
// The taxa of the lines picked in the "Selective plot" list (DMAP export).
std::vector<int> pickedTaxa(const SelectivePlotModel& m);
// The output file request.
FileRequest exportRequest(const Session& s);
// Writes the export to the chosen file (DMAP: the given taxa, ".dis" and
// ".nam" beside it). True when everything was written; a failed write says
// nothing. The export only reads the session; the busy cursor is its one sign.
bool writeExport(const Session& s, Progress& progress, int layout, const std::filesystem::path& path,
                 const std::vector<int>& dmapTaxa = {});

}  // namespace zn
