// The "List of biota" dialog of a grid cell and the "Gridcell name" dialog
// as plain logic: what the dialog shows for a cell, what its buttons do to
// the session, and the name written into the location-name file.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "measures/titles.h"
#include "shell/host.h"
#include "store/gridtypes.h"
#include "store/requests.h"
#include "store/session.h"
#include "store/unitgeometry.h"

namespace zn {

class Shell;

struct CellListModel : DialogModel {
  enum class Action { Close, ToggleGrouped, ToggleRangeSizes, PlotSelected, PlotAll };

  int cell = 0;
  std::string resource;  // BIOTADLGBOX1 / BIOTADLGBOX2, "VGA" forms on a small screen
  bool grouped = true;   // card order; else sorted alphabetically
  bool rangeSizes = false;
  // The map shows an analysis whose listing has its own marks: the
  // "range sizes" box is shown clear and refuses a change.
  bool rangeSizesLocked = false;
  // The plot buttons and the name button do their work (a datafile's
  // cell); a project's unit shows them greyed with the reason.
  bool plotting = true;
  bool naming = true;
  std::string whyNot;

  std::string cellLine;                  // 1013 "Area %d: %s"
  std::string coordinates;               // 1018
  std::array<std::string, 3> infoLines;  // 1019, 1021, 1022
  std::vector<std::string> lines;        // list 1014
  std::vector<int> lineTaxon;            // the taxon each line stands for
  int presentCount = 0;                  // listed without parentheses
  int representedCount = 0;              // listed in parentheses
  std::string counts;                    // 1015

  // Runs "Gridcell name" for the cell and refreshes cellLine; set by the
  // command that opens the dialog.
  std::function<void()> editCellName;

  // Filled by whoever runs the dialog.
  Action action = Action::Close;
  std::vector<int> selected;  // line indices
};

std::string cellListResource(bool grouped, bool smallScreen);

// "12'30" style edge text: whole degrees, then minutes (truncated, two
// digits) unless they are 0; the absolute value is written.
std::string degreesText(double degrees);
// The coordinates line of a world-grid cell: latitude range, four blanks,
// longitude range, the edge nearer the equator or zero meridian first.
std::string cellCoordinates(const CrsBox& c);

// The lines sorted alphabetically without regard to case, each line's
// taxon with it, as the list box does when not grouped.
void sortCellListLines(CellListModel& m);

// The dialog as it opens for cell n.
CellListModel openCellList(const Session& s, int cell, bool smallScreen);

// The lines that describe the cell after an area-selection analysis, at the
// top of the dialog: "Area %d: %s", then the analysis lines for the measure
// on the map (none for a plain measure).
std::vector<std::string> cellInformationLines(const Session& s, int cell);

// "Plot sel taxa": marks the taxa of the selected lines (code 22) and
// returns their number; refuses an empty or too large selection with its
// message, leaving the map alone (0 returned).
int plotSelectedCellTaxa(Session& s, Host& host, const CellListModel& m);
// "Plot all taxa": marks every included taxon present in the cell and not
// represented; the code becomes 22 when one was marked, else 0.
int plotAllCellTaxa(Session& s, int cell);

// The name as stored: at most 17 characters, padded with blanks to 17.
std::string paddedLocationName(const std::string& typed);

struct CellNameModel : DialogModel {
  int cell = 0;
  std::string prompt;  // 1041 "Edit name for area %d:"
  std::string name;    // 1042
};

CellNameModel openCellName(const Session& s, int cell);

// OK of "Gridcell name": the cell's name in memory becomes the padded name
// and its 17 characters are written in place into ZONARIUM.LOC of the data
// folder. A file that is missing, read-only or too short to hold the
// cell's record is left untouched and a message says the name changes for
// this run only. False in that case.
bool storeCellName(Session& s, Host& host, int cell, const std::string& typed);

// The whole "Gridcell name" dialog; Cancel changes nothing.
void editCellName(Session& s, Host& host, int cell);

// What the "List of biota" command left to do.
struct CellListOutcome {
  bool plotted = false;  // a plot of marked taxa was made (title to build)
  bool showAgain = false;
};

// One showing of the dialog and what its closing button does. showAgain is
// set when it closed only to be rebuilt with changed display settings.
CellListOutcome runCellListOnce(Session& s, Host& host, int cell, bool smallScreen);

// The double-click on a cell: the dialog, again for as long as it asks to
// be shown again, then the title and a redraw of the map.
void showCellList(Shell& shell, int cell);

}  // namespace zn
