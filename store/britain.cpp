#include "store/britain.h"

#include <new>

#include "store/binio.h"
#include "store/files.h"
#include "store/session.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

fs::path britainFolder(const fs::path& home) { return home / "britain"; }

bool parseMasterGrid(const std::string& data, std::vector<int>& index, int& cells) {
  index.assign(kBritainColumns * kBritainRows + 1, 0);
  cells = 0;
  for (int r = 1; r <= kBritainRows; ++r)
    for (int c = 1; c <= kBritainColumns; ++c) {
      std::size_t off = 10 + 82 * static_cast<std::size_t>(r - 1) + static_cast<std::size_t>(c - 1);
      if (off < data.size() && data[off] == '1')
        index[static_cast<std::size_t>((r - 1) * kBritainColumns + c)] = ++cells;
    }
  return cells > 0;
}

bool prepareBritainGeometry(Session& s) {
  Workspace& ws = s.ws;
  Geometry& g = ws.geo;
  g = Geometry{};
  g.columns = kBritainColumns;
  g.rows = kBritainRows;
  g.cellSize = 10;
  g.originX = 80;
  g.originY = 60;
  g.farX = 880;
  g.farY = 1310;
  g.extentX = 1081;
  g.extentY = 1491;
  g.latticeLines = 0;
  ws.lattice.clear();

  auto data = readFileBytes(britainFolder(s.home) / "ZONARIUM.SQS", 10 + 82 * kBritainRows + 16);
  if (!data) {
    s.fail("failure to open \\ZONARIUM\\BRITAIN\\ZONARIUM.SQS");
    return false;
  }
  std::vector<int> index;
  int cells = 0;
  if (!s.budgetAllows((kBritainColumns * kBritainRows + 1) * sizeof(int))) {
    s.fail("failure to find memory for mastergrid");
    return false;
  }
  if (!parseMasterGrid(*data, index, cells)) {
    s.fail("no grid cells read from sqs file");
    return false;
  }
  // Only as many cells as a card has level bytes for can be held.
  cells = std::min(cells, kBritainCards.maxCells);
  g.cells = cells;
  ws.masterIndex = std::move(index);
  for (int& v : ws.masterIndex)
    if (v > cells) v = 0;
  return true;
}

void placeBritainCells(Session& s) {
  Workspace& ws = s.ws;
  const Geometry& g = ws.geo;
  // Cell records in frame order, then the 25-entry neighbourhoods through
  // the master index.
  for (int r = 1; r <= kBritainRows; ++r)
    for (int c = 1; c <= kBritainColumns; ++c) {
      int n = cellOfSquare(ws, c, r);
      if (n == 0) continue;
      GridCell& cell = ws.cells[static_cast<std::size_t>(n)];
      cell.column = c;
      cell.row = r;
      cell.x0 = g.originX + 10 * (c - 1);
      cell.y0 = g.originY + 10 * (r - 1);
      cell.x1 = cell.x0 + 10;
      cell.y1 = cell.y0 + 10;
      cell.number = n;
      linkNeighbours(ws, cell, c, r);
    }

  fs::path dir = britainFolder(s.home);
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    s.tell("Subdirectory does not exist", "britain", Icon::Information);
  } else {
    s.dataDir = dir;
    readLocationNames(ws, dir);
  }
}

void parseBritainCoastline(Coastline& coast, const std::string& data, const Geometry& geo) {
  coast = Coastline{};
  if (data.size() < 4) return;
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  std::int64_t n = readI32(p);
  std::size_t available = (data.size() - 4) / 8;
  std::size_t count = n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), available);
  coast.points.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::int64_t x = readI32(p + 4 + 8 * i);
    std::int64_t y = readI32(p + 8 + 8 * i);
    // Points far outside the frame are clamped so later arithmetic on them
    // cannot overflow.
    auto clampCoord = [](std::int64_t v) {
      return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, -1000000, 1000000));
    };
    if (x == 0) coast.points.push_back({geo.extentX, clampCoord(y), 0});
    else coast.points.push_back({clampCoord(x + geo.originX - 220), clampCoord(y + geo.originY), 0});
  }
  coast.countA = static_cast<int>(count);
  coast.countB = 0;
}

bool readBritainCoastline(Coastline& coast, const fs::path& file, const Geometry& geo) {
  auto data = readFileBytes(file, 4 + 8 * std::size_t(1000000));
  // Without its point count the file holds no coastline at all.
  if (!data || data->size() < 4) {
    coast = Coastline{};
    return false;
  }
  parseBritainCoastline(coast, *data, geo);
  return true;
}

bool loadBritainGridType(Session& s) {
  Workspace& ws = s.ws;
  const std::string& sub = ws.datafile.subdir;
  for (GridCell& c : ws.cells) c.background = 1;
  if (sub.compare(0, 7, "britain") != 0) {
    s.tell("To read these data use\nZN41.EXE (Zonarium)", strprintf("Subdirectory: %s", sub.c_str()), Icon::Warning);
    return false;
  }
  if (s.gridTypes.types.size() < kMaxGridTypes) s.gridTypes.types.resize(kMaxGridTypes);
  GridType& t = s.gridTypes.types[kBritainGridSlot];
  t.name = kBritainGridName;
  t.subdir.fill(0);
  std::copy_n(kBritainGridCode, std::char_traits<char>::length(kBritainGridCode), t.subdir.begin());
  s.gridTypes.current = kBritainGridSlot;
  s.coastApplies = s.coastlineRead ? CoastOutline::kBritain : CoastOutline::kNone;
  fs::path dir = s.home / sub.substr(0, sub.size() - 1);
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return false;
  s.dataDir = dir;
  return true;
}

std::pair<std::string, std::string> britainLegend(const std::string& name) {
  std::string lower = toLower(name);
  auto lstarts = [&](const char* p) { return lower.compare(0, std::char_traits<char>::length(p), p) == 0; };
  if (lstarts("bto") || lstarts("bird")) return {"sighting", "breeding"};
  if (lstarts("odo") || lstarts("dam")) return {"pre 1975", "1975 onwards"};
  if (lstarts("but")) return {"pre 1970", "1970 onwards"};
  return {"pre 1960", "1960 onwards"};
}

}  // namespace zn
