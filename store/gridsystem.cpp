#include "store/gridsystem.h"

#include <algorithm>

#include "store/binio.h"
#include "store/britain.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/preselection.h"
#include "store/session.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

std::optional<GridVariant> gridVariantNamed(const std::string& name) {
  if (name == "world") return GridVariant::World;
  if (name == "britain") return GridVariant::Britain;
  return std::nullopt;
}

std::string GridSystem::headerImage(int count, const std::string& title) const {
  std::string t(32, '\0');
  t.replace(0, std::min<std::size_t>(title.size(), 31), title.substr(0, 31));
  return countImage(std::clamp(count, 0, maxTaxa())) + t;
}

int cellOfSquare(const Workspace& ws, int c, int r) {
  const Geometry& g = ws.geo;
  if (c < 1 || c > g.columns || r < 1 || r > g.rows) return 0;
  const int n = (r - 1) * g.columns + c;
  if (ws.masterIndex.empty()) return n;
  return static_cast<std::size_t>(n) < ws.masterIndex.size() ? ws.masterIndex[static_cast<std::size_t>(n)] : 0;
}

void linkNeighbours(const Workspace& ws, GridCell& cell, int c, int r) {
  auto at = [&](int dc, int dr) { return cellOfSquare(ws, c + dc, r + dr); };
  cell.inner = {at(-1, -1), at(0, -1), at(1, -1), at(-1, 0), at(1, 0), at(-1, 1), at(0, 1), at(1, 1)};
  cell.outer = {at(-2, -2), at(-1, -2), at(0, -2), at(1, -2), at(2, -2), at(-2, -1), at(2, -1), at(-2, 0),
                at(2, 0),   at(-2, 1),  at(2, 1),  at(-2, 2), at(-1, 2), at(0, 2),   at(1, 2),  at(2, 2)};
}

namespace {

// The world grid: 36 x 24 cells of fixed longitudes and latitudes, numbered
// in reading order; many grid types (regions) share its frame.
class WorldGrid final : public GridSystem {
 public:
  const char* programName() const override { return "ZN41"; }
  const CardLayout& cards() const override { return kWorldCards; }
  int maxTaxa() const override { return 32767; }  // the header's 16-bit count
  std::string countImage(int n) const override {
    std::string out;
    putU16(out, static_cast<std::uint16_t>(n));
    return out;
  }
  std::optional<int> headerCount(const unsigned char* p, std::size_t size) const override {
    if (size < 2) return std::nullopt;
    return readI16(p);
  }
  int presenceLevels() const override { return 4; }

  bool prepareGeometry(Session& s) const override {
    s.ws.geo = Geometry{};
    return true;
  }
  void placeCells(Session& s) const override {
    buildLattice(s.ws);
    buildCellCorners(s.ws);
  }

  fs::path coastFile(const fs::path& home) const override { return home / "ZONARIUM.@17"; }
  bool readCoastline(Coastline& coast, const fs::path& file, const Geometry& geo) const override {
    return zn::readCoastline(coast, file, geo);
  }
  CoastOutline coastOutline() const override { return CoastOutline::kWorld; }

  bool loadGridType(Session& s) const override { return loadWorldGridType(s); }
  std::string exampleFolder() const override { return "equal"; }
  std::optional<fs::path> dataFolder(const fs::path&) const override { return std::nullopt; }
  std::string gridKey(const std::string& subdir) const override { return subdir; }

  int excludedAreaCapacity() const override { return kExcludedAreasWorld; }
  bool geographic() const override { return true; }
  int epsg() const override { return 4326; }
  bool namesAreasByReference() const override { return false; }
  bool importsCoordinates() const override { return true; }
  bool readsDmap() const override { return false; }
  bool regionalGrids() const override { return true; }
  bool denseFineGrid() const override { return false; }
  std::unique_ptr<UnitGeometry> unitGeometry(const Workspace& ws) const override { return worldGeometry(ws); }
};

// The British 10 km grid: the land squares of an 80 x 125 frame, numbered
// through the master grid; one grid type, one data folder.
class BritainGrid final : public GridSystem {
 public:
  const char* programName() const override { return "zn41gb"; }
  const CardLayout& cards() const override { return kBritainCards; }
  int maxTaxa() const override { return 9999; }  // the header's four characters
  std::string countImage(int n) const override { return strprintf("%4d", n); }
  std::optional<int> headerCount(const unsigned char* p, std::size_t size) const override {
    if (size < 4) return std::nullopt;
    // Four ASCII characters, leading blanks skipped.
    std::size_t i = 0;
    while (i < 4 && p[i] == ' ') ++i;
    bool neg = false;
    if (i < 4 && (p[i] == '-' || p[i] == '+')) neg = p[i++] == '-';
    int v = 0;
    bool digits = false;
    for (; i < 4 && p[i] >= '0' && p[i] <= '9'; ++i) {
      v = v * 10 + (p[i] - '0');
      digits = true;
    }
    if (!digits) return 0;
    return neg ? -v : v;
  }
  int presenceLevels() const override { return 2; }

  bool prepareGeometry(Session& s) const override { return prepareBritainGeometry(s); }
  void placeCells(Session& s) const override { placeBritainCells(s); }

  fs::path coastFile(const fs::path& home) const override { return britainFolder(home) / "ZONARIUM.@50"; }
  bool readCoastline(Coastline& coast, const fs::path& file, const Geometry& geo) const override {
    return readBritainCoastline(coast, file, geo);
  }
  CoastOutline coastOutline() const override { return CoastOutline::kBritain; }

  bool loadGridType(Session& s) const override { return loadBritainGridType(s); }
  std::string exampleFolder() const override { return "britain"; }
  std::optional<fs::path> dataFolder(const fs::path& home) const override { return britainFolder(home); }
  // Every folder beginning "britain" holds this grid.
  std::string gridKey(const std::string& subdir) const override {
    return subdir.compare(0, 7, "britain") == 0 ? std::string("britain") : subdir;
  }

  int excludedAreaCapacity() const override { return kExcludedAreasBritain; }
  bool geographic() const override { return false; }
  int epsg() const override { return 27700; }
  bool namesAreasByReference() const override { return true; }
  bool importsCoordinates() const override { return false; }
  bool readsDmap() const override { return true; }
  bool regionalGrids() const override { return false; }
  bool denseFineGrid() const override { return true; }
  std::unique_ptr<UnitGeometry> unitGeometry(const Workspace& ws) const override { return britainGeometry(ws); }
};

}  // namespace

const GridSystem& gridSystem(GridVariant variant) {
  static const WorldGrid world;
  static const BritainGrid britain;
  if (variant == GridVariant::Britain) return britain;
  return world;
}

}  // namespace zn
