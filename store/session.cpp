#include "store/session.h"

#include <new>

namespace zn {

void Session::fail(const std::string& text) {
  tell(text, "BANG!!", Icon::Error);
  fatal = true;
}

std::size_t Session::coreBytes() const {
  auto bytesOf = [](const auto& v) { return v.size() * sizeof(v[0]); };
  return ws.cards.byteSize() + bytesOf(ws.lattice) + bytesOf(ws.cells) + bytesOf(ws.backcell) + bytesOf(ws.prop) +
         bytesOf(ws.prop2) + bytesOf(ws.prop3);
}

bool Session::budgetAllows(std::size_t bytes) const {
  return !memory.limitBytes || coreBytes() + bytes <= *memory.limitBytes;
}

namespace {
template <typename Vec>
bool allocate(Session& s, Vec& v, std::size_t count) {
  Vec().swap(v);
  std::size_t bytes = count * sizeof(typename Vec::value_type);
  if (!s.budgetAllows(bytes)) return false;
  try {
    v.assign(count, typename Vec::value_type{});
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
}  // namespace

bool allocateWorkspace(Session& s) {
  const GridSystem& grid = s.grid();
  Workspace& ws = s.ws;
  ws.cards.layout = &grid.cards();
  if (!grid.prepareGeometry(s)) return false;
  const auto cells = static_cast<std::size_t>(ws.geo.cells);

  ws.cards.release();
  bool ok = s.budgetAllows(static_cast<std::size_t>(ws.cards.layout->size));
  if (ok) {
    try {
      ws.cards.reset(1);
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  if (!ok) {
    s.fail("failure to find memory for card");
    return false;
  }
  ws.capacity = 0;
  if (ws.geo.latticeLines != 0 && !allocate(s, ws.lattice, static_cast<std::size_t>(ws.geo.latticeLines))) {
    s.fail("failure to find memory for gridlattice");
    return false;
  }
  if (!allocate(s, ws.cells, cells + 2)) {
    s.fail("failure to find memory for gridcell");
    return false;
  }
  const std::size_t work = 5 * cells + 10;
  if (!allocate(s, ws.backcell, work)) {
    s.fail("failure to find memory for backcell");
    return false;
  }
  if (!allocate(s, ws.prop, work) || !allocate(s, ws.prop2, work) || !allocate(s, ws.prop3, work)) {
    s.fail("failure to find memory for prop, prop2, prop3");
    return false;
  }
  grid.placeCells(s);
  return true;
}

void resetCellFlags(Workspace& ws, MapRecord& map) {
  for (GridCell& c : ws.cells) {
    c.count = 0;
    c.scored = 0;
    c.score = 0.0;
  }
  map.title.clear();
  map.scoreOffset = 0.0;
  map.meanPasses = 0;
  map.smoothPasses = 0;
}

void resetWorkspace(Session& s) {
  Workspace& ws = s.ws;
  ws.dataModifiedByPreselection = false;
  s.areas = AreaSet{};
  ws.borrowedAreas.clear();
  std::string lastOpened = ws.datafile.lastOpenedName;
  std::string fileName = ws.datafile.fileName;
  std::string subdir = ws.datafile.subdir;
  std::string fullPath = ws.datafile.fullPath;
  bool newChosen = ws.datafile.newChosen;
  ws.datafile = DatafileState{};
  // The choice just made survives the reset; only the loaded state goes.
  ws.datafile.lastOpenedName = lastOpened;
  ws.datafile.subdir = subdir;
  ws.datafile.fullPath = fullPath;
  ws.datafile.newChosen = newChosen;
  ws.datafile.fileName = fileName;
  s.settings.excludedLevel = 0;
  ws.groupCode.clear();
  s.scoresPresent = false;
  s.costPresent = false;
  ws.taxaCount = 0;
  ws.counters.includedTaxa = 0;
  ws.counters.records = 0;
  ws.counters.taxaWithRecords = 0;
  ws.counters.occupiedCells = 0;
  resetCellFlags(ws, s.map);
}

bool startSession(Session& s) {
  const GridSystem& grid = s.grid();
  readOptions(s.settings, s.optionsFile(), grid.denseFineGrid());
  s.backgroundMap.settings = correctAtStartup(s.settings, s.savedFillFrameCoast);
  if (!allocateWorkspace(s)) return false;
  s.coastlineRead = grid.readCoastline(s.coast, s.coastFile(), s.ws.geo);
  s.coastApplies = s.coastlineRead ? grid.coastOutline() : CoastOutline::kNone;
  readMapDefinitions(s.gridTypes, s.mapFile());
  return true;
}

}  // namespace zn
