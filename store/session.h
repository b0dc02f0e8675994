// One user session: every record the program works on, owned in one place.
// main() owns one Session; tests make as many as they like.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "store/editor.h"
#include "store/gridsystem.h"
#include "store/gridtypes.h"
#include "store/maprecord.h"
#include "store/notice.h"
#include "store/overlaystate.h"
#include "store/preselection.h"
#include "store/progress.h"
#include "store/random.h"
#include "store/settings.h"
#include "store/workspace.h"

namespace zn {

// How much memory the core stores may take together; tests lower it to reach
// the shrink and fatal paths without exhausting the machine.
struct MemoryBudget {
  std::optional<std::size_t> limitBytes;
};

struct Session {
  Session(Progress& theProgress, std::filesystem::path programFolder, GridVariant grid = GridVariant::World)
      : progress(theProgress), home(std::move(programFolder)), variant(grid) {}

  Progress& progress;
  std::filesystem::path home;  // the program folder
  GridVariant variant;
  MemoryBudget memory;

  Settings settings;
  Workspace ws;
  AreaSet areas;
  Random rng;  // seeded by the analyses that choose at random
  MapRecord map;
  MapRecord backgroundMap;
  OverlayState overlay;            // pair, three-axis buffer and import offsets
  PreselectionState preselection;  // the "Data preselection" dialog's model
  EditorState editor;              // the data editor's model and its run-wide counter
  GridTypes gridTypes;
  Coastline coast;
  bool coastlineRead = false;
  CoastOutline coastApplies = CoastOutline::kNone;
  std::filesystem::path dataDir;  // the current grid type's data folder
  Flag savedFillFrameCoast{};
  bool zoomed = false;
  bool globalGrid = false;
  bool subgroupDataPresent = false;
  bool scoresPresent = false;
  bool costPresent = false;
  // A core store could not be allocated: the program must end.
  bool fatal = false;
  // What the operations since the last showing have to tell the user, in
  // order; the shell shows and clears them (showNotices).
  Notices notices;

  std::filesystem::path optionsFile() const { return home / "ZONARIUM.OPP"; }
  std::filesystem::path mapFile() const { return home / "ZONARIUM.MAP"; }
  std::filesystem::path coastFile() const { return grid().coastFile(home); }
  // The grid this session runs on: everything in which the grids differ.
  const GridSystem& grid() const { return gridSystem(variant); }

  // Leaves a notice for the user.
  void tell(std::string text, std::string caption, Icon icon) {
    notices.push_back({std::move(text), std::move(caption), icon});
  }
  // Leaves a fatal notice ("BANG!!", error icon) and marks the session ended.
  void fail(const std::string& text);
  // Bytes held by the core stores (cards, lattice, cells, work arrays).
  std::size_t coreBytes() const;
  // True when the budget allows another `bytes` of core store.
  bool budgetAllows(std::size_t bytes) const;
};

// The parts of the session the editor's card steps change.
inline EditorCards editorCards(Session& s) { return {s.editor, s.ws, s.map, s.notices, s.progress}; }

// Start-up: options with their corrections, the workspace, the coastline and
// the map definitions. False when a fatal allocation failure ended it.
bool startSession(Session& s);

// Allocates the workspace stores in their order; false after a fatal message.
bool allocateWorkspace(Session& s);

// Clears the preselection and datafile state and the cell flags.
void resetWorkspace(Session& s);
// Clears each cell's count and score and the map's title and passes.
void resetCellFlags(Workspace& ws, MapRecord& map);

}  // namespace zn
