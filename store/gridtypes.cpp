#include "store/gridtypes.h"

#include <cmath>
#include <cstring>

#include "store/binio.h"
#include "store/files.h"
#include "store/gridsystem.h"
#include "store/text.h"

namespace zn {

namespace {
constexpr std::array<double, 13> kBandEdges{90.0, 71.73333, 59.68333, 51.0,    43.68333, 37.2, 31.21667,
                                            25.6, 20.23333, 15.05,    9.98333, 4.98333,  0.0};
}

double worldColumnWest(int c) {
  // From 30 W eastwards in 10-degree steps; past 180 the values wrap to -170.
  int lon = -30 + 10 * (c - 1);
  if (lon > 180) lon -= 360;
  return lon;
}

double worldRowNorth(int r) {
  int k = r - 1;  // edge index 0 … 24
  if (k <= 12) return kBandEdges[static_cast<std::size_t>(k)];
  return -kBandEdges[static_cast<std::size_t>(24 - k)];
}

void parseMapDefinitions(GridTypes& types, const std::string& data) {
  types.types.clear();
  types.current = 0;
  if (data.size() < 2) return;
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  int count = readI16(p);
  count = std::clamp(count, 0, kMaxGridTypes);
  for (int k = 0; k < count; ++k) {
    std::size_t off = 34 + static_cast<std::size_t>(kGridTypeRecordSize) * k;
    if (off + kGridTypeRecordSize > data.size()) break;
    const unsigned char* rec = p + off;
    GridType t;
    t.name = fieldText(rec, 32);
    std::memcpy(t.subdir.data(), rec + 32, 32);
    t.classes.assign(865, 0);
    for (int n = 1; n <= 864; ++n) t.classes[static_cast<std::size_t>(n)] = static_cast<std::int8_t>(rec[66 + n]);
    types.types.push_back(std::move(t));
  }
}

bool readMapDefinitions(GridTypes& types, const std::filesystem::path& file) {
  auto data = readFileBytes(file, 34 + std::size_t(kGridTypeRecordSize) * kMaxGridTypes);
  if (!data) {
    types.types.clear();
    return false;
  }
  parseMapDefinitions(types, *data);
  return true;
}

void parseCoastline(Coastline& coast, const std::string& data, const Geometry& geo) {
  coast = Coastline{};
  if (data.size() < 4) return;
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  int a = readU16(p);
  int b = readU16(p + 2);
  // Only the first 2002 points fit the table; a short file gives only the
  // points it holds.
  std::size_t available = (data.size() - 4) / 4;
  std::size_t n = std::min<std::size_t>({static_cast<std::size_t>(a + b), kMaxCoastPoints, available});
  coast.countA = std::min<int>(a, static_cast<int>(n));
  coast.countB = static_cast<int>(n) - coast.countA;
  const double ox = geo.originX, oy = geo.originY, fx = geo.farX, fy = geo.farY;
  coast.points.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    int x = readI16(p + 4 + 4 * i);
    int y = readI16(p + 6 + 4 * i);
    auto xl = static_cast<std::int32_t>(std::trunc((x - 4) * (1.0 / 648) * (fx - ox)) + ox);
    auto yl = static_cast<std::int32_t>(std::trunc((1 - (y - 155) * (1.0 / 432)) * (fy - oy)) + oy);
    xl = std::max(xl, geo.originX);
    yl = std::max(yl, geo.originY);
    xl = std::min(xl, geo.extentX);
    yl = std::min(yl, geo.farY);
    if (xl == geo.farX - 4) xl = geo.farX;
    coast.points.push_back({xl, yl, 0});
  }
}

bool readCoastline(Coastline& coast, const std::filesystem::path& file, const Geometry& geo) {
  auto data = readFileBytes(file, 4 + 4 * std::size_t(kMaxCoastPoints) + 4);
  // Without its two counts the file holds no coastline at all.
  if (!data || data->size() < 4) {
    coast = Coastline{};
    return false;
  }
  parseCoastline(coast, *data, geo);
  return true;
}

int findGridType(const GridTypes& types, const std::string& s) {
  for (std::size_t k = 0; k < types.types.size(); ++k) {
    const auto& field = types.types[k].subdir;
    // The record matches when the first position where it differs from s is
    // the backslash that ends s.
    for (std::size_t i = 0; i < 32; ++i) {
      char sc = i < s.size() ? s[i] : '\0';
      if (static_cast<unsigned char>(sc) != field[i]) {
        if (sc == '\\' && i + 1 == s.size()) return static_cast<int>(k);
        break;
      }
    }
  }
  return -1;
}

bool isWorldGridName(const std::string& s) {
  std::size_t len = s.size();
  if (len > 0 && s.back() == '\\') --len;
  std::size_t cmp = len > 0 ? len - 1 : 0;
  return std::strncmp(s.c_str(), "equal", cmp) == 0 || std::strncmp(s.c_str(), "ravelund", cmp) == 0;
}

void buildNeighbourhoods(Workspace& ws) {
  const int K = ws.geo.columns, R = ws.geo.rows;
  for (int r = 1; r <= R; ++r)
    for (int c = 1; c <= K; ++c) {
      int n = (r - 1) * K + c;
      if (n >= static_cast<int>(ws.cells.size())) return;
      GridCell& cell = ws.cells[static_cast<std::size_t>(n)];
      cell.number = n;
      linkNeighbours(ws, cell, c, r);
      if (c <= 36 && r <= 24) {
        cell.lonWest = worldColumnWest(c);
        cell.lonEast = worldColumnWest(c + 1);
        cell.latNorth = worldRowNorth(r);
        cell.latSouth = worldRowNorth(r + 1);
      }
    }
}

void readLocationNames(Workspace& ws, const std::filesystem::path& dir) {
  const int cells = ws.geo.cells;
  const std::filesystem::path file = dir / "ZONARIUM.LOC";
  auto data = readFileBytes(file, std::size_t(kLocationRecordSize) * (cells + 1));
  if (data) {
    for (int n = 1; n <= cells; ++n) {
      GridCell& cell = ws.cells[static_cast<std::size_t>(n)];
      cell.name.fill(0);
      std::size_t off = static_cast<std::size_t>(kLocationRecordSize) * (n - 1);
      // Records missing from a short file read as empty names.
      for (std::size_t i = 0; i < kLocationNameLength && off + i < data->size(); ++i) cell.name[i] = (*data)[off + i];
      cell.name[kLocationNameLength] = 0;
      if (cell.name[0] == 0) {
        std::fill_n(cell.name.begin(), kLocationNameLength, ' ');
        cell.name[kLocationNameLength] = 0;
      }
    }
    return;
  }
  std::string blank(kLocationNameLength, ' ');
  blank += '\0';
  blank += '<';
  blank += '\r';
  std::string out;
  out.reserve(blank.size() * static_cast<std::size_t>(cells));
  for (int n = 1; n <= cells; ++n) {
    out += blank;
    ws.cells[static_cast<std::size_t>(n)].name.fill(0);
  }
  saveFileAtomically(file, out);
}

}  // namespace zn
