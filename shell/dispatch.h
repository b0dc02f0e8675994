// Command dispatch: every menu command reaches dispatch(), which checks the
// restricted command set, runs the command's operation and refreshes the
// menu state. Operations are connected by the subsystems that provide them;
// a command without an operation stays disabled.
#pragma once

#include <functional>
#include <map>
#include <memory>

#include "display/displaystate.h"
#include "measures/titles.h"
#include "shell/analyses.h"
#include "shell/menu.h"
#include "shell/shellhost.h"
#include "store/session.h"

namespace zn {

struct ShellFlags {
  bool mapEditing = false;
  bool selectionDialogOpen = false;
  bool preselectionDialogOpen = false;
  bool monitorOpen = false;
  bool monitorAvailable = true;
  bool view3D = false;
  bool threeAxisWindowOpen = false;  // "3D Map drawing options"
  bool scoresSwapped = false;
  bool flexibilityData = false;
  bool threatPresent = false;
  bool editorOpen = false;
  bool smallScreen = false;
  // How far the map window has come: nothing painted yet, its first paint,
  // or data drawn since.
  enum class Paint { kNotYet, kFirst, kData };
  Paint paintStage = Paint::kNotYet;
};

class ManualSelectionModel;
struct ProjectScreen;

class Shell {
 public:
  using Operation = std::function<void(Shell&)>;

  Shell(Session& session, ShellHost& host);

  Session& session;
  ShellHost& host;
  ShellFlags flags;
  // Palette, classes and view of the map on screen.
  DisplayState display;
  // The range-centre weighting kept aside by "Range centres" of the
  // Diversity menu, restored by the one of the Rarity menu.
  RangeWeighting rememberedWeighting = RangeWeighting::kLargeRanges;

  // A project on screen in place of the datafile's map; none while the
  // datafile's map is shown.
  std::shared_ptr<ProjectScreen> project;

  // Runs a menu command (or a command sent by another window).
  void dispatch(Command c);
  // Escape on the map: leaves zoom mode and the zoomed view.
  void escape();
  // Stepping through taxa while a single taxon is mapped: moves the plot to
  // the taxon `delta` places on, stopping at the first and last (a beep when
  // it cannot move). False when no single taxon is mapped.
  bool stepTaxon(int delta);
  // The mouse on the map, by the cell under the pointer (0 outside every
  // cell: nothing happens). A released button changes the current taxon's
  // record in map-editing mode; otherwise a left one shows the goal-essential
  // taxa of the cell when the map allows it.
  void mapClick(int cell, bool left);
  // Left double-click (not in map-editing mode): the cell's report lines and
  // its "List of biota".
  void mapDoubleClickLeft(int cell);
  // Right double-click (not in map-editing mode): the cell goes to the open
  // "Select grid cells" or "Data preselection" dialog; with neither open,
  // "Select grid cells" opens.
  void mapDoubleClickRight(int cell);
  // The "Select grid cells" dialog's model while it is open (kept until the
  // next opening, so a window closing late still has it).
  std::shared_ptr<ManualSelectionModel> manualSelection;

  // Recomputes the enabled and checked states of every item.
  void refreshMenus();
  const MenuState& menu() const { return menu_; }

  void connect(Command c, Operation op) { operations_[c] = std::move(op); }
  bool connected(Command c) const { return operations_.count(c) != 0; }

  // A measure command: store the code, compute, title, class and redraw.
  void showMeasure(MeasureCode code);
  // Runs a registered analysis with the window's facts (threat values
  // loaded, the title context) added to the parameters, and shows its
  // refusal, if any. Drawing the result is the caller's.
  AnalysisResult runAnalysis(const Analysis& analysis, AnalysisParams params = {});
  // Shows an analysis's refusal in a message box.
  void showNotice(const std::optional<Notice>& notice);
  // The common tail after a computation or pass: what the title builder
  // decided (class the scores or not), then the menus and a redraw.
  void finishTitle(TitleOutcome outcome);
  // Title builder and classing again, for the scores as they stand.
  void retitle();
  TitleContext titleContext() const;
  // Builds the palette for the colour mode (after start-up and the options).
  void rebuildPalette(int deviceColours = -1);

  // The RESULTS file of this session.
  std::filesystem::path resultsFile() const { return session.home / "RESULTS.TXT"; }
  // Appends a report and repaints the monitor.
  void writeResults(const std::string& text);

  // The close request: asks the exit question; on Yes writes the options
  // file. True when the program may end.
  bool confirmExit();

 private:
  bool restricted(Command c) const;
  void connectCore();
  void connectFileCommands();
  void connectMeasureCommands();
  void connectMapCommands();

  MenuState menu_;
  std::map<Command, Operation> operations_;
};

}  // namespace zn
