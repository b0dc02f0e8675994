// "Export scores": the current map's per-cell scores as an ASCII scores file
// (.scr) in one of the layouts "#0" to "#3", or, while a foreground and
// background pair is loaded, the cells where the two disagree as a
// preselection file (.pre).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "store/notice.h"
#include "store/requests.h"
#include "store/settings.h"

namespace zn {

struct Session;

// The controls of the "Export scores" dialog (DEXSDLGBOX).
enum ExportScoresControl : int {
  kExportCellNumbers = 1,  // "print gridcell numbers"
  kExportOccupiedOnly,     // "print scores only for occupied grid cells "
  kExportMarkerAsZero,     // "print 0-score presences as 0 (else 10000)"
  kExportBackground,       // "print background as well as foreground"
  kExportScr,              // ordinary .scr export (radio)
  kExportMismatch,         // "Export overlay cell mismatch as .pre file" (radio)
  kExportCentroids,        // "Export scores with cell centroid longitude and latitude" (radio)
};

// The dialog as plain logic: the three export radios exclude each other;
// the mismatch export can be chosen only while a pair is loaded.
struct ExportScoresModel : DialogModel {
  bool cellNumbers = true;
  bool occupiedOnly = false;
  bool markerAsZero = false;
  bool background = false;
  int kind = kExportScr;  // one of the three export radios
  bool pairLoaded = false;

  bool checked(int id) const;
  bool enabled(int id) const;
  void setChecked(int id, bool on);
  // The widget name of a control ("cellNumbers" for kExportCellNumbers).
  static const char* controlName(int id);
  // The layout the choices make; the mismatch export has none.
  ScoresLayout layout() const;
  bool mismatch() const { return kind == kExportMismatch && pairLoaded; }
};

// The label of a control, byte for byte.
const char* exportScoresLabel(int id);

// The model for the session: the dialog's first state (numbers ticked, the
// plain export chosen) and whether a pair is loaded.
ExportScoresModel exportScoresModel(const Session& s);

// True when at least one cell is occupied (count not 0).
bool anyCellOccupied(const Session& s);

// The value written for a cell of the map on screen (foreground) in a
// layout, and for the background cell table in layout "#3".
double exportedValue(const Session& s, int cell, int layout, bool markerAsZero);
double exportedBackgroundValue(const Session& s, int cell);

// The .scr file text of a layout.
std::string scoresFileText(const Session& s, int layout, bool markerAsZero);

// Cells where exactly one of foreground and background is present.
std::vector<int> mismatchCells(const Session& s);

// Writes the chosen file at `path` (the offset warning first when it
// applies). False, with a notice, when the file cannot be written; false
// without one when there is nothing to export.
bool exportScoresTo(const Session& s, Notices& notices, const ExportScoresModel& choice,
                    const std::filesystem::path& path);

// The accepted export dialog's choice, kept in the options for next time.
void takeExportScoresChoice(Settings& settings, const ExportScoresModel& choice);

// The save-dialog request of the command.
FileRequest exportScoresRequest(const Session& s);

}  // namespace zn
