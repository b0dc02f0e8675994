#include "gis/project.h"

#include <fcntl.h>
#include <geos_c.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <span>
#include <unordered_map>

#include <cpl_conv.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include "gis/gdalsetup.h"
#include "gis/occurrences.h"
#include "planning/folder.h"
#include "store/binio.h"
#include "store/parse.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

constexpr double kSqrt3 = 1.7320508075688772;
// Grids beyond this many cells are refused: cell numbers stay exact in a
// double and within a 64-bit id with room to spare.
constexpr long long kMostCells = 1LL << 40;

struct GdalCloser {
  void operator()(GDALDataset* d) const {
    if (d) GDALClose(d);
  }
};
using GdalFile = std::unique_ptr<GDALDataset, GdalCloser>;

struct FeatureFree {
  void operator()(OGRFeature* f) const { OGRFeature::DestroyFeature(f); }
};
using FeaturePtr = std::unique_ptr<OGRFeature, FeatureFree>;

// Reads a whole number from text; false for anything else.
bool wholeNumber(std::string_view text, long long& out) {
  const auto v = parseNumber<long long>(text);
  if (v) out = *v;
  return v.has_value();
}

// A number between optional blanks; false for anything else, infinities
// and NaN included.
bool realNumber(std::string_view text, double& out) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  const auto v = parseNumber<double>(text);
  if (!v || !std::isfinite(*v)) return false;
  out = *v;
  return true;
}

void putU32(std::vector<unsigned char>& b, std::uint32_t v) {
  b.resize(b.size() + 4);
  writeU32(b.data() + b.size() - 4, v);
}
void putF64(std::vector<unsigned char>& b, double d) {
  std::uint64_t v = 0;
  std::memcpy(&v, &d, 8);
  putU32(b, static_cast<std::uint32_t>(v));
  putU32(b, static_cast<std::uint32_t>(v >> 32));
}
double getF64(const unsigned char* p) {
  const std::uint64_t v = readU32(p) | static_cast<std::uint64_t>(readU32(p + 4)) << 32;
  double d = 0.0;
  std::memcpy(&d, &v, 8);
  return d;
}

// Numbers in the definition table as the planning files write them: the
// shortest text that reads back as the same double.
std::string exact(double v) { return planning::number(v); }

bool srsOf(int epsg, OGRSpatialReference& srs) {
  srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return epsg > 0 && srs.importFromEPSG(epsg) == OGRERR_NONE;
}

// GEOS through its re-entrant interface, one context per use.
struct Geos {
  GEOSContextHandle_t h = GEOS_init_r();
  ~Geos() { GEOS_finish_r(h); }
  Geos() = default;
  Geos(const Geos&) = delete;
  Geos& operator=(const Geos&) = delete;
};

}  // namespace

// --- the regular grid -------------------------------------------------------

long long GridDefinition::cellAt(double x, double y) const {
  if (!std::isfinite(x) || !std::isfinite(y)) return 0;
  if (!hex) {
    if (x < west || x > east || y < south || y > north) return 0;
    const long long c = std::min(columns - 1, static_cast<long long>(std::floor((x - west) / cellSize)));
    const long long r = std::min(rows - 1, static_cast<long long>(std::floor((north - y) / height())));
    return r * columns + c + 1;
  }
  // Pointy-top hexagons of width w (flat side to flat side) and radius
  // w / sqrt 3, centres at (west + w/2 + w/2 * (row odd) + w * col,
  // north - R - 1.5 R * row): axial coordinates, rounded in cube space.
  const double radius = cellSize / kSqrt3;
  const double px = x - (west + cellSize / 2.0);
  const double py = (north - radius) - y;  // downwards
  const double q = (kSqrt3 / 3.0 * px - py / 3.0) / radius;
  const double r = (2.0 / 3.0 * py) / radius;
  double cx = q, cz = r, cy = -q - r;
  double rx = std::round(cx), ry = std::round(cy), rz = std::round(cz);
  const double dx = std::abs(rx - cx), dy = std::abs(ry - cy), dz = std::abs(rz - cz);
  if (dx > dy && dx > dz) rx = -ry - rz;
  else if (dy <= dz) rz = -rx - ry;
  const long long row = static_cast<long long>(rz);
  const long long col = static_cast<long long>(rx) + (row - (row & 1)) / 2;
  if (row < 0 || row >= rows || col < 0 || col >= columns) return 0;
  return row * columns + col + 1;
}

void GridDefinition::centre(long long cell, double& x, double& y) const {
  const long long r = (cell - 1) / columns, c = (cell - 1) % columns;
  if (!hex) {
    x = west + (static_cast<double>(c) + 0.5) * cellSize;
    y = north - (static_cast<double>(r) + 0.5) * height();
    return;
  }
  const double radius = cellSize / kSqrt3;
  x = west + cellSize / 2.0 + cellSize * static_cast<double>(c) + ((r & 1) ? cellSize / 2.0 : 0.0);
  y = north - radius - 1.5 * radius * static_cast<double>(r);
}

std::vector<std::pair<double, double>> GridDefinition::outline(long long cell) const {
  double x = 0, y = 0;
  centre(cell, x, y);
  std::vector<std::pair<double, double>> ring;
  if (!hex) {
    const double w = cellSize / 2.0, h = height() / 2.0;
    ring = {{x - w, y + h}, {x + w, y + h}, {x + w, y - h}, {x - w, y - h}, {x - w, y + h}};
    return ring;
  }
  const double radius = cellSize / kSqrt3, w = cellSize / 2.0;
  ring = {{x, y + radius},         {x + w, y + radius / 2}, {x + w, y - radius / 2}, {x, y - radius},
          {x - w, y - radius / 2}, {x - w, y + radius / 2}, {x, y + radius}};
  return ring;
}

namespace {

// Calls `each` with the cells (1 … columns x rows) sharing an edge with a
// cell, and whether they are in its row: the row and column steps of
// squares, or of hexagons in an odd or even row. Nothing is allocated, as
// millions of cells are walked.
template <typename Each>
void forEdgeNeighbours(const GridDefinition& g, long long cell, Each each) {
  using Step = std::pair<int, int>;
  static constexpr Step kSquare[] = {{-1, 0}, {0, -1}, {0, 1}, {1, 0}};
  static constexpr Step kOddRow[] = {{-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, 0}, {1, 1}};
  static constexpr Step kEvenRow[] = {{-1, -1}, {-1, 0}, {0, -1}, {0, 1}, {1, -1}, {1, 0}};
  const long long r = (cell - 1) / g.columns, c = (cell - 1) % g.columns;
  const std::span<const Step> steps = !g.hex    ? std::span<const Step>(kSquare)
                                      : (r & 1) ? std::span<const Step>(kOddRow)
                                                : std::span<const Step>(kEvenRow);
  for (auto [dr, dc] : steps) {
    const long long rr = r + dr, cc = c + dc;
    if (rr >= 0 && rr < g.rows && cc >= 0 && cc < g.columns) each(rr * g.columns + cc + 1, dr == 0);
  }
}

}  // namespace

std::vector<long long> GridDefinition::edgeNeighbours(long long cell) const {
  std::vector<long long> out;
  forEdgeNeighbours(*this, cell, [&](long long n, bool) { out.push_back(n); });
  return out;
}

double GridDefinition::edgeLength(bool sameRow) const {
  if (hex) return cellSize / kSqrt3;
  return sameRow ? height() : cellSize;
}

namespace {

// Unit numbers by unit id. A regular grid of up to 2^24 cells (a
// 0.1-degree world is 6.5 million) finds its cells in a plain array, many
// times quicker than hashing millions of ids; other ids are hashed.
class UnitNumbers {
 public:
  UnitNumbers(const GridDefinition& g, const Dataset& d) {
    constexpr long long kDenseCells = 1LL << 24;
    if (g.kind == GridDefinition::Kind::Regular && g.cellCount() <= kDenseCells)
      dense_.assign(static_cast<std::size_t>(g.cellCount()) + 1, 0);
    else hashed_.reserve(d.units.size() * 2 + 16);
    for (int n = 1; n <= d.unitCount(); ++n) put(d.unit(n).id, static_cast<std::uint32_t>(n));
  }
  // 0 when no unit has the id.
  std::uint32_t find(long long id) const {
    if (inDense(id)) return dense_[static_cast<std::size_t>(id)];
    const auto it = hashed_.find(id);
    return it == hashed_.end() ? 0 : it->second;
  }
  void put(long long id, std::uint32_t n) {
    if (inDense(id)) dense_[static_cast<std::size_t>(id)] = n;
    else hashed_[id] = n;
  }

 private:
  bool inDense(long long id) const { return id >= 1 && static_cast<std::size_t>(id) < dense_.size(); }
  std::vector<std::uint32_t> dense_;
  std::unordered_map<long long, std::uint32_t> hashed_;
};

// A regular grid's neighbours among its stored cells follow from the
// definition: cells sharing an edge, each edge one cell side long.
Adjacency regularAdjacency(const GridDefinition& g, const Dataset& d) {
  const UnitNumbers numberOf(g, d);
  std::vector<Edge> edges;
  for (int n = 1; n <= d.unitCount(); ++n)
    forEdgeNeighbours(g, d.unit(n).id, [&](long long c, bool sameRow) {
      if (const std::uint32_t m = numberOf.find(c); m > static_cast<std::uint32_t>(n))
        edges.push_back({static_cast<std::uint32_t>(n), m, g.edgeLength(sameRow)});
    });
  return adjacencyFrom(d.unitCount(), edges);
}

}  // namespace

std::optional<CellSize> parseCellSize(const std::string& text) {
  struct Unit {
    const char* suffix;
    double factor;
    bool degrees;
  };
  for (const Unit u : {Unit{"deg", 1.0, true}, Unit{"km", 1000.0, false}, Unit{"m", 1.0, false}}) {
    const std::string suffix = u.suffix;
    if (text.size() <= suffix.size() || !text.ends_with(suffix)) continue;
    std::string_view number = std::string_view(text).substr(0, text.size() - suffix.size());
    // WIDTHxHEIGHT: grids whose cells are taller than wide, such as one
    // degree of longitude on an equal-area projection.
    double v = 0, h = 0;
    const std::size_t by = number.find('x');
    if (by != std::string_view::npos &&
        (!realNumber(number.substr(by + 1), h) || h <= 0 || !std::isfinite(h * u.factor)))
      return std::nullopt;
    if (!realNumber(number.substr(0, by), v) || v <= 0 || !std::isfinite(v * u.factor)) return std::nullopt;
    return CellSize{v * u.factor, u.degrees, h * u.factor};
  }
  return std::nullopt;
}

GridDefinition makeRegularGrid(const GridRequest& request, std::string& error) {
  ensureGdal();
  GridDefinition g;
  g.kind = GridDefinition::Kind::Regular;
  g.hex = request.hex;
  g.cellSize = request.size.value;
  g.cellHeight = request.size.height == request.size.value ? 0.0 : request.size.height;
  if (g.hex && g.cellHeight > 0) {
    error = "hexagonal cells take one size, not a width and a height";
    return g;
  }
  g.epsg = request.epsg.value_or(request.size.degrees ? 4326 : 6933);
  OGRSpatialReference srs;
  if (!srsOf(g.epsg, srs)) {
    error = strprintf("EPSG:%d is not a coordinate reference system PROJ knows", g.epsg);
    return g;
  }
  g.geographic = srs.IsGeographic();
  if (request.size.degrees && !g.geographic) {
    error = strprintf("a cell size in degrees needs a geographic CRS, and EPSG:%d is projected", g.epsg);
    return g;
  }
  if (!request.size.degrees && g.geographic) {
    error = strprintf("a cell size in km or m needs a projected CRS, and EPSG:%d is in degrees", g.epsg);
    return g;
  }
  double w = 0, s = 0, e = 0, n = 0;
  if (request.extent) {
    const auto& x = *request.extent;
    if (x.size() != 4 || !(x[0] < x[2]) || !(x[1] < x[3])) {
      error = "the extent must be W,S,E,N with W < E and S < N";
      return g;
    }
    w = x[0], s = x[1], e = x[2], n = x[3];
  } else {
    double lw = 0, ls = 0, le = 0, ln = 0;
    const char* name = nullptr;
    if (!srs.GetAreaOfUse(&lw, &ls, &le, &ln, &name)) {
      error = strprintf("EPSG:%d has no area of use: give --extent W,S,E,N", g.epsg);
      return g;
    }
    if (g.geographic) {
      w = lw, s = ls, e = le, n = ln;
    } else {
      OGRSpatialReference wgs;
      srsOf(4326, wgs);
      std::unique_ptr<OGRCoordinateTransformation> t(OGRCreateCoordinateTransformation(&wgs, &srs));
      if (!t || !t->TransformBounds(lw, ls, le, ln, &w, &s, &e, &n, 21)) {
        error = strprintf("the area of use of EPSG:%d cannot be put into its own coordinates: give --extent", g.epsg);
        return g;
      }
    }
  }
  // A given extent is kept as it is (its north-west corner anchors the
  // cells, so data on an offset grid fit it); an area of use is widened to
  // whole cells counted from the CRS origin, so grids of one size line up.
  const double size = g.cellSize;
  const double rowStep = g.hex ? 1.5 * size / kSqrt3 : g.height();
  if (request.extent) {
    g.west = w, g.north = n;
  } else {
    g.west = std::floor(w / size) * size;
    g.north = std::ceil(n / rowStep) * rowStep;
  }
  const double cols = std::ceil((e - g.west) / size - 1e-9);
  const double rows = std::ceil((g.north - s) / rowStep - 1e-9);
  if (!(cols >= 1 && rows >= 1) || cols * rows > static_cast<double>(kMostCells)) {
    error = strprintf("a grid of %.0f x %.0f cells is more than this program numbers (%lld at most)", cols, rows,
                      kMostCells);
    return g;
  }
  g.east = g.west + cols * size;
  g.south = g.north - rows * rowStep;
  g.columns = static_cast<long long>(cols);
  g.rows = static_cast<long long>(rows);
  return g;
}

// --- writing ---------------------------------------------------------------

namespace {

std::string joinRanks(const std::vector<std::string>& ranks) {
  std::string out;
  for (const auto& r : ranks) out += (out.empty() ? "" : "|") + r;
  return out;
}

std::vector<std::string> splitRanks(const std::string& text) {
  std::vector<std::string> out;
  std::size_t b = 0;
  while (!text.empty() && b <= text.size()) {
    const std::size_t e = std::min(text.find('|', b), text.size());
    out.push_back(text.substr(b, e - b));
    b = e + 1;
  }
  return out;
}

OGRLayer* createTable(GDALDataset& ds, const char* name, const OGRSpatialReference* srs, OGRwkbGeometryType type,
                      bool spatialIndex = true) {
  char** opts = nullptr;
  opts = CSLSetNameValue(opts, "FID", "fid");
  if (type != wkbNone) opts = CSLSetNameValue(opts, "GEOMETRY_NAME", "geom");
  if (!spatialIndex) opts = CSLSetNameValue(opts, "SPATIAL_INDEX", "NO");
  // GDAL 3.6 takes the reference as non-const, though it only copies it.
  OGRLayer* l = ds.CreateLayer(name, const_cast<OGRSpatialReference*>(srs), type, opts);
  CSLDestroy(opts);
  return l;
}

bool addField(OGRLayer* l, const char* name, OGRFieldType type) {
  OGRFieldDefn f(name, type);
  return l->CreateField(&f) == OGRERR_NONE;
}

std::string gdalError(const std::string& what) {
  const char* msg = CPLGetLastErrorMsg();
  return what + (msg && *msg ? std::string(": ") + msg : std::string());
}

std::string writeLayers(GDALDataset& ds, const Project& p) {
  const Dataset& d = p.data;
  const GridDefinition& g = p.grid;
  OGRSpatialReference srs;
  if (!srsOf(g.epsg, srs)) return strprintf("EPSG:%d is not a coordinate reference system PROJ knows", g.epsg);
  const bool regular = g.kind == GridDefinition::Kind::Regular;
  if (!regular && p.outlines.size() != d.units.size()) return "the units and their outlines differ in number";

  // A regular grid finds its cells by arithmetic; SQLite's R-tree over a
  // million cells would take most of the write, and GIS programs that want
  // one build it on request.
  OGRLayer* units = createTable(ds, "units", &srs, regular ? wkbPolygon : wkbMultiPolygon, !regular);
  if (!units || !addField(units, "unit_id", OFTInteger64) || !addField(units, "name", OFTString) ||
      !addField(units, "cost", OFTReal) || !addField(units, "status", OFTInteger))
    return gdalError("the units layer cannot be made");
  if (ds.StartTransaction() != OGRERR_NONE) return gdalError("the project cannot be written");
  // One feature filled again for each unit, its fields found once and a
  // cell's ring made at its size: millions of cells are written.
  FeaturePtr f(OGRFeature::CreateFeature(units->GetLayerDefn()));
  const int fId = f->GetFieldIndex("unit_id"), fName = f->GetFieldIndex("name"), fCost = f->GetFieldIndex("cost"),
            fStatus = f->GetFieldIndex("status");
  std::vector<double> xs, ys;
  for (int n = 1; n <= d.unitCount(); ++n) {
    const DatasetUnit& u = d.unit(n);
    f->SetFID(n);
    f->SetField(fId, static_cast<GIntBig>(u.id));
    f->SetField(fName, u.name.c_str());
    f->SetField(fCost, u.cost);
    f->SetField(fStatus, static_cast<int>(u.status));
    OGRGeometry* outline = nullptr;
    if (regular) {
      if (u.id < 1 || u.id > g.cellCount()) return strprintf("unit %lld is not a cell of the grid", u.id);
      xs.clear();
      ys.clear();
      for (auto [x, y] : g.outline(u.id)) xs.push_back(x), ys.push_back(y);
      auto* ring = new OGRLinearRing;
      ring->setPoints(static_cast<int>(xs.size()), xs.data(), ys.data());
      auto* poly = new OGRPolygon;
      poly->addRingDirectly(ring);
      outline = poly;
    } else {
      if (auto stored = storedOutline(p, n)) {
        stored->assignSpatialReference(&srs);
        outline = stored.release();
      }
    }
    f->SetGeometryDirectly(outline);
    if (units->CreateFeature(f.get()) != OGRERR_NONE) return gdalError(strprintf("unit %lld cannot be written", u.id));
  }
  if (ds.CommitTransaction() != OGRERR_NONE) return gdalError("the units cannot be written");

  OGRLayer* taxa = createTable(ds, "taxa", nullptr, wkbNone);
  if (!taxa || !addField(taxa, "taxon_id", OFTInteger64) || !addField(taxa, "name", OFTString) ||
      !addField(taxa, "genus", OFTString) || !addField(taxa, "family", OFTString) ||
      !addField(taxa, "higher_ranks", OFTString) || !addField(taxa, "code", OFTString) ||
      !addField(taxa, "target", OFTReal))
    return gdalError("the taxa table cannot be made");
  OGRLayer* occ = createTable(ds, "zn_occurrences", nullptr, wkbNone);
  if (!occ || !addField(occ, "taxon", OFTInteger64) || !addField(occ, "units", OFTBinary) ||
      !addField(occ, "amounts", OFTBinary))
    return gdalError("the occurrences table cannot be made");
  if (ds.StartTransaction() != OGRERR_NONE) return gdalError("the project cannot be written");
  const Occurrences& o = d.occurrences;
  std::vector<unsigned char> ub, ab;
  for (int t = 0; t < d.taxonCount(); ++t) {
    const DatasetTaxon& x = d.taxa[static_cast<std::size_t>(t)];
    FeaturePtr row(OGRFeature::CreateFeature(taxa->GetLayerDefn()));
    row->SetFID(t + 1);
    row->SetField("taxon_id", static_cast<GIntBig>(x.id));
    row->SetField("name", x.name.c_str());
    if (!x.genus.empty()) row->SetField("genus", x.genus.c_str());
    if (!x.family.empty()) row->SetField("family", x.family.c_str());
    if (!x.higherRanks.empty()) row->SetField("higher_ranks", joinRanks(x.higherRanks).c_str());
    if (!x.code.empty()) row->SetField("code", x.code.c_str());
    row->SetField("target", x.target);
    if (taxa->CreateFeature(row.get()) != OGRERR_NONE) return gdalError("the taxa cannot be written");
    if (t >= o.taxa || o.range(t) == 0) continue;
    ub.clear();
    ab.clear();
    for (int u : o.unitsOf(t)) putU32(ub, static_cast<std::uint32_t>(u));
    if (p.amounts && o.hasAmounts() && !o.taxonWords) {
      const double* a = o.amountsOf(t);
      for (int k = 0; k < o.range(t); ++k) putF64(ab, a[k]);
    }
    FeaturePtr r(OGRFeature::CreateFeature(occ->GetLayerDefn()));
    r->SetField("taxon", static_cast<GIntBig>(t + 1));
    r->SetField(r->GetFieldIndex("units"), static_cast<int>(ub.size()), ub.data());
    if (!ab.empty()) r->SetField(r->GetFieldIndex("amounts"), static_cast<int>(ab.size()), ab.data());
    if (occ->CreateFeature(r.get()) != OGRERR_NONE) return gdalError("the occurrences cannot be written");
  }
  if (ds.CommitTransaction() != OGRERR_NONE) return gdalError("the taxa cannot be written");

  if (!regular && !d.adjacency.empty()) {
    OGRLayer* adj = createTable(ds, "zn_adjacency", nullptr, wkbNone);
    if (!adj || !addField(adj, "unit", OFTInteger64) || !addField(adj, "neighbours", OFTBinary) ||
        !addField(adj, "lengths", OFTBinary))
      return gdalError("the adjacency table cannot be made");
    if (ds.StartTransaction() != OGRERR_NONE) return gdalError("the project cannot be written");
    for (int n = 1; n <= d.unitCount(); ++n) {
      const int k = d.adjacency.degree(n);
      if (k == 0) continue;
      ub.clear();
      ab.clear();
      for (int i = 0; i < k; ++i) {
        putU32(ub, d.adjacency.neighboursOf(n)[i]);
        putF64(ab, d.adjacency.lengthsOf(n)[i]);
      }
      FeaturePtr r(OGRFeature::CreateFeature(adj->GetLayerDefn()));
      r->SetField("unit", static_cast<GIntBig>(n));
      r->SetField(r->GetFieldIndex("neighbours"), static_cast<int>(ub.size()), ub.data());
      r->SetField(r->GetFieldIndex("lengths"), static_cast<int>(ab.size()), ab.data());
      if (adj->CreateFeature(r.get()) != OGRERR_NONE) return gdalError("the adjacency cannot be written");
    }
    if (ds.CommitTransaction() != OGRERR_NONE) return gdalError("the adjacency cannot be written");
  }

  OGRLayer* meta = createTable(ds, "zn_project", nullptr, wkbNone);
  if (!meta || !addField(meta, "key", OFTString) || !addField(meta, "value", OFTString))
    return gdalError("the project table cannot be made");
  const std::vector<std::pair<std::string, std::string>> rows{
      {"format", "zonarium project"},
      {"version", std::to_string(kProjectVersion)},
      {"kind", regular ? "regular" : "polygons"},
      {"epsg", std::to_string(g.epsg)},
      {"cell_size", exact(g.cellSize)},
      {"cell_height", exact(g.cellHeight)},
      {"hex", g.hex ? "1" : "0"},
      {"west", exact(g.west)},
      {"south", exact(g.south)},
      {"east", exact(g.east)},
      {"north", exact(g.north)},
      {"columns", std::to_string(g.columns)},
      {"rows", std::to_string(g.rows)},
      {"amounts", p.amounts ? "1" : "0"},
  };
  if (ds.StartTransaction() != OGRERR_NONE) return gdalError("the project cannot be written");
  for (const auto& [k, v] : rows) {
    FeaturePtr row(OGRFeature::CreateFeature(meta->GetLayerDefn()));
    row->SetField("key", k.c_str());
    row->SetField("value", v.c_str());
    if (meta->CreateFeature(row.get()) != OGRERR_NONE) return gdalError("the project table cannot be written");
  }
  if (ds.CommitTransaction() != OGRERR_NONE) return gdalError("the project table cannot be written");
  return {};
}

// Every layer of the file being replaced that is not the project's own,
// copied into the new file feature by feature with its fids, fields,
// geometry and description, in one transaction.
std::string copyOtherLayers(GDALDataset& to, const fs::path& from) {
  std::error_code ec;
  if (!fs::is_regular_file(from, ec) || !looksLikeProject(from)) return {};
  const char* drivers[] = {"GPKG", nullptr};
  // Tables written by other programs without an entry in the GeoPackage's
  // contents are the user's too.
  const char* listAll[] = {"LIST_ALL_TABLES=YES", nullptr};
  GdalFile src(static_cast<GDALDataset*>(
      GDALOpenEx(from.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers, listAll, nullptr)));
  if (!src) return gdalError("the other layers of " + from.string() + " cannot be read to keep them");
  if (to.StartTransaction() != OGRERR_NONE) return gdalError("the project cannot be written");
  for (int i = 0; i < src->GetLayerCount(); ++i) {
    OGRLayer* l = src->GetLayer(i);
    if (!l || projectOwnTable(l->GetName())) continue;
    OGRFeatureDefn* defn = l->GetLayerDefn();
    char** opts = nullptr;
    if (*l->GetFIDColumn()) opts = CSLSetNameValue(opts, "FID", l->GetFIDColumn());
    if (*l->GetGeometryColumn()) opts = CSLSetNameValue(opts, "GEOMETRY_NAME", l->GetGeometryColumn());
    for (const char* key : {"DESCRIPTION", "IDENTIFIER"})
      if (const char* v = l->GetMetadataItem(key); v && *v) opts = CSLSetNameValue(opts, key, v);
    OGRLayer* copy = to.CreateLayer(l->GetName(), l->GetSpatialRef(), defn->GetGeomType(), opts);
    CSLDestroy(opts);
    const std::string name = l->GetName();
    if (!copy) return gdalError("the layer " + name + " cannot be kept");
    for (int g = 1; g < defn->GetGeomFieldCount(); ++g)
      if (copy->CreateGeomField(defn->GetGeomFieldDefn(g)) != OGRERR_NONE)
        return gdalError("the layer " + name + " cannot be kept");
    for (int f = 0; f < defn->GetFieldCount(); ++f)
      if (copy->CreateField(defn->GetFieldDefn(f)) != OGRERR_NONE)
        return gdalError("the layer " + name + " cannot be kept");
    l->ResetReading();
    while (FeaturePtr f{l->GetNextFeature()}) {
      FeaturePtr g(OGRFeature::CreateFeature(copy->GetLayerDefn()));
      if (g->SetFrom(f.get(), TRUE) != OGRERR_NONE) return gdalError("the layer " + name + " cannot be kept");
      g->SetFID(f->GetFID());
      if (copy->CreateFeature(g.get()) != OGRERR_NONE) return gdalError("the layer " + name + " cannot be kept");
    }
  }
  if (to.CommitTransaction() != OGRERR_NONE) return gdalError("the kept layers cannot be written");
  return {};
}

}  // namespace

bool projectOwnTable(const std::string& name) {
  const std::string n = toLower(name);
  return n == "units" || n == "taxa" || n.starts_with("zn_") || n.starts_with("gpkg_") || n.starts_with("rtree_") ||
         n.starts_with("sqlite_");
}

namespace {

bool readMeta(GDALDataset& ds, std::map<std::string, std::string>& meta);

// The file's bytes on the disk before it replaces the old one.
bool syncFile(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

// What a written file must show before it replaces the old one: our
// definition table and every unit, taxon and occurrence row, counted
// through GDAL (the file is not parsed again).
std::string checkWritten(const fs::path& file, const Project& p) {
  const char* drivers[] = {"GPKG", nullptr};
  GdalFile ds(static_cast<GDALDataset*>(
      GDALOpenEx(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers, nullptr, nullptr)));
  std::map<std::string, std::string> meta;
  if (!ds || !readMeta(*ds, meta)) return "the written project does not read back";
  long long lists = 0;
  for (int t = 0; t < p.data.occurrences.taxa; ++t) lists += p.data.occurrences.range(t) > 0;
  const std::pair<const char*, long long> rows[] = {
      {"units", p.data.unitCount()}, {"taxa", p.data.taxonCount()}, {"zn_occurrences", lists}};
  for (const auto& [name, count] : rows) {
    OGRLayer* l = ds->GetLayerByName(name);
    if (!l || l->GetFeatureCount() != count)
      return std::string("the written project does not read back (its ") + name + " are incomplete)";
  }
  return {};
}

}  // namespace

std::string writeProject(const fs::path& path, const Project& project, OtherLayers others) {
  ensureGdal();
  if (std::string why = outputFolderProblem(path); !why.empty()) return why;
  std::error_code ec;
  if (fs::is_directory(path, ec)) return path.string() + " is a folder";
  GDALDriver* drv = GetGDALDriverManager()->GetDriverByName("GPKG");
  if (!drv) return "GDAL has no GeoPackage driver";
  const fs::path tmp = temporaryBeside(path.extension() == ".gpkg" ? path : fs::path(path.string() + ".gpkg"));
  std::string error;
  {
    // The file is new and only renamed into place once read back, so
    // SQLite's journal and its syncs after each transaction buy nothing: the
    // file is synced once, whole, below. A page cache of some hundred
    // megabytes keeps the B-trees of a million units from being read back
    // from the disk page by page.
    const CPLConfigOptionSetter journal("OGR_SQLITE_JOURNAL", "OFF", false);
    const CPLConfigOptionSetter sync("OGR_SQLITE_SYNCHRONOUS", "OFF", false);
    const CPLConfigOptionSetter cache("OGR_SQLITE_CACHE", "512", false);
    GdalFile ds(drv->Create(tmp.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!ds) {
      error = gdalError("cannot write " + path.string());
    } else {
      error = writeLayers(*ds, project);
      if (error.empty() && others == OtherLayers::Keep) error = copyOtherLayers(*ds, path);
      ds.reset();  // closing flushes; a failure shows in the read-back below
    }
  }
  if (error.empty()) {
    error = checkWritten(tmp, project);
  }
  if (error.empty() && !syncFile(tmp)) error = "cannot write " + path.string() + ": " + std::strerror(errno);
  if (error.empty()) {
    // Through a link, the file it names is replaced.
    const fs::path target = fs::is_symlink(path, ec) ? fs::canonical(path, ec) : path;
    fs::rename(tmp, ec ? path : target, ec);
    if (ec) error = "cannot write " + path.string() + ": " + ec.message();
  }
  if (!error.empty()) fs::remove(tmp, ec);
  return error;
}

// --- reading ---------------------------------------------------------------

bool looksLikeProject(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  char head[16] = {};
  in.read(head, 16);
  return in.gcount() == 16 && std::memcmp(head, "SQLite format 3", 16) == 0;
}

namespace {

struct Reader {
  GDALDataset& ds;
  std::string& error;
  bool fail(std::string why) {
    error = std::move(why);
    return false;
  }
};

bool readMeta(GDALDataset& ds, std::map<std::string, std::string>& meta) {
  OGRLayer* l = ds.GetLayerByName("zn_project");
  if (!l || l->GetLayerDefn()->GetFieldIndex("key") < 0 || l->GetLayerDefn()->GetFieldIndex("value") < 0) return false;
  l->ResetReading();
  while (FeaturePtr f{l->GetNextFeature()}) meta[f->GetFieldAsString("key")] = f->GetFieldAsString("value");
  return meta["format"] == "zonarium project";
}

bool gridFrom(std::map<std::string, std::string>& m, GridDefinition& g, std::string& error) {
  long long epsg = 0, hex = 0;
  double v[5] = {};
  const char* keys[5] = {"cell_size", "west", "south", "east", "north"};
  for (int i = 0; i < 5; ++i) {
    if (!realNumber(m[keys[i]], v[i])) {
      error = std::string("the project's ") + keys[i] + " is not a number";
      return false;
    }
  }
  if (!wholeNumber(m["epsg"], epsg) || epsg <= 0 || epsg > 10000000 || !wholeNumber(m["hex"], hex) ||
      !wholeNumber(m["columns"], g.columns) || !wholeNumber(m["rows"], g.rows)) {
    error = "the project's grid definition is damaged";
    return false;
  }
  g.kind = m["kind"] == "polygons" ? GridDefinition::Kind::Polygons : GridDefinition::Kind::Regular;
  if (m["kind"] != "polygons" && m["kind"] != "regular") {
    error = "the project's kind of units is unknown: " + m["kind"];
    return false;
  }
  g.epsg = static_cast<int>(epsg);
  g.hex = hex != 0;
  g.cellSize = v[0], g.west = v[1], g.south = v[2], g.east = v[3], g.north = v[4];
  // Files of square grids written before rectangles were known have no height.
  g.cellHeight = 0.0;
  if (auto h = m.find("cell_height");
      h != m.end() && (!realNumber(h->second, g.cellHeight) || g.cellHeight < 0 || (g.hex && g.cellHeight > 0))) {
    error = "the project's cell_height is not a number of 0 or more";
    return false;
  }
  if (g.kind == GridDefinition::Kind::Regular &&
      (!(g.cellSize > 0) || g.columns < 1 || g.rows < 1 || g.columns > kMostCells / g.rows || !(g.west < g.east) ||
       !(g.south < g.north))) {
    error = "the project's grid definition is damaged";
    return false;
  }
  OGRSpatialReference srs;
  if (!srsOf(g.epsg, srs)) {
    error = strprintf("the project's CRS EPSG:%d is not one PROJ knows", g.epsg);
    return false;
  }
  g.geographic = srs.IsGeographic();
  return true;
}

// Fids of a table in ascending order, with their features' fields read by `take`.
template <typename Take>
bool eachFeature(OGRLayer* l, Take take) {
  l->ResetReading();
  while (FeaturePtr f{l->GetNextFeature()})
    if (!take(*f)) return false;
  return true;
}

const unsigned char* blob(OGRFeature& f, const char* field, int& bytes) {
  const int i = f.GetFieldIndex(field);
  bytes = 0;
  if (i < 0 || !f.IsFieldSetAndNotNull(i)) return nullptr;
  return f.GetFieldAsBinary(i, &bytes);
}

}  // namespace

std::unique_ptr<OGRGeometry> storedOutline(const Project& p, int n) {
  if (n < 1 || static_cast<std::size_t>(n) > p.outlines.size()) return nullptr;
  const auto& wkb = p.outlines[static_cast<std::size_t>(n) - 1];
  OGRGeometry* g = nullptr;
  if (wkb.empty() || OGRGeometryFactory::createFromWkb(wkb.data(), nullptr, &g, wkb.size()) != OGRERR_NONE || !g)
    return nullptr;
  return std::unique_ptr<OGRGeometry>(OGRGeometryFactory::forceToMultiPolygon(g));
}

std::optional<Project> readProject(const fs::path& path, std::string& error, const ReadNote& note) {
  ensureGdal();
  error.clear();
  // Each table's rows counted, with a note every so many; a stop leaves the error empty.
  bool stopped = false;
  auto told = [&](const std::string& text) {
    if (!stopped && note && !note(text)) stopped = true;
    return !stopped;
  };
  auto every = [&](long long n, long long step, const char* what) {
    return n % step != 0 || told(strprintf("Reading %s: %lld...", what, n));
  };
  if (std::string why = nonLocalPathProblem(path.string()); !why.empty()) {
    error = why;
    return std::nullopt;
  }
  if (!looksLikeProject(path)) {
    error = path.string() + " is not a project (not a GeoPackage file)";
    return std::nullopt;
  }
  const char* drivers[] = {"GPKG", nullptr};
  GdalFile ds(static_cast<GDALDataset*>(
      GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers, nullptr, nullptr)));
  if (!ds) {
    error = path.string() + " is not a project (GDAL cannot open it as a GeoPackage)";
    return std::nullopt;
  }
  std::map<std::string, std::string> meta;
  if (!readMeta(*ds, meta)) {
    error = path.string() + " is a GeoPackage but not a Zonarium project";
    return std::nullopt;
  }
  long long version = 0;
  if (!wholeNumber(meta["version"], version) || version < 1) {
    error = path.string() + ": the project's version is damaged";
    return std::nullopt;
  }
  if (version > kProjectVersion) {
    error = strprintf("%s was written by a newer version of this program (project version %lld; this one reads %d)",
                      path.string().c_str(), version, kProjectVersion);
    return std::nullopt;
  }
  Project p;
  if (!gridFrom(meta, p.grid, error)) {
    error = path.string() + ": " + error;
    return std::nullopt;
  }
  p.amounts = meta["amounts"] == "1";
  const bool regular = p.grid.kind == GridDefinition::Kind::Regular;
  auto refuse = [&](const std::string& why) {
    error = path.string() + ": " + why;
    return std::nullopt;
  };

  OGRLayer* units = ds->GetLayerByName("units");
  OGRLayer* taxa = ds->GetLayerByName("taxa");
  OGRLayer* occ = ds->GetLayerByName("zn_occurrences");
  if (!units || !taxa || !occ) return refuse("a table of the project is missing (units, taxa or zn_occurrences)");

  // A regular grid's outlines follow from its definition: not read.
  const char* noGeometry[] = {"OGR_GEOMETRY", nullptr};
  if (regular) units->SetIgnoredFields(noGeometry);
  // Units in fid order; a unit's number is its place in that order.
  std::vector<std::pair<GIntBig, std::size_t>> fidOrder;
  std::vector<DatasetUnit> unitRows;
  std::vector<std::vector<unsigned char>> outlines;
  std::string bad;
  if (!told("Reading the units...")) return std::nullopt;
  eachFeature(units, [&](OGRFeature& f) {
    if (!every(static_cast<long long>(unitRows.size()) + 1, 1 << 16, "units")) return false;
    DatasetUnit u;
    u.id = f.GetFieldAsInteger64("unit_id");
    u.name = f.GetFieldAsString("name");
    u.cost = f.GetFieldAsDouble("cost");
    const int status = f.GetFieldAsInteger("status");
    if (!std::isfinite(u.cost) || u.cost < 0 || status < 0 || status > 3) {
      bad = strprintf("unit %lld has a cost or status out of range", u.id);
      return false;
    }
    if (regular && (u.id < 1 || u.id > p.grid.cellCount())) {
      bad = strprintf("unit %lld is not a cell of the grid", u.id);
      return false;
    }
    u.status = static_cast<UnitStatus>(status);
    fidOrder.emplace_back(f.GetFID(), unitRows.size());
    unitRows.push_back(std::move(u));
    if (!regular) {
      std::vector<unsigned char> wkb;
      if (const OGRGeometry* g = f.GetGeometryRef()) {
        wkb.resize(static_cast<std::size_t>(g->WkbSize()));
        g->exportToWkb(wkbNDR, wkb.data());
      }
      outlines.push_back(std::move(wkb));
    }
    return true;
  });
  if (stopped) return std::nullopt;
  if (!bad.empty()) return refuse(bad);
  if (unitRows.size() > static_cast<std::size_t>(kLargestUnitNumber)) return refuse("too many units");
  std::sort(fidOrder.begin(), fidOrder.end());
  for (std::size_t i = 1; i < fidOrder.size(); ++i)
    if (fidOrder[i].first == fidOrder[i - 1].first) return refuse("two units share a feature id");
  {
    std::vector<long long> ids;
    ids.reserve(unitRows.size());
    for (const auto& u : unitRows) ids.push_back(u.id);
    std::sort(ids.begin(), ids.end());
    if (auto d = std::adjacent_find(ids.begin(), ids.end()); d != ids.end())
      return refuse(strprintf("unit id %lld is given twice", *d));
  }
  for (const auto& [fid, row] : fidOrder) {
    p.data.units.push_back(std::move(unitRows[row]));
    if (!regular) p.outlines.push_back(std::move(outlines[row]));
  }
  // Fids 1 ... units, as this program writes them, are the unit numbers.
  bool fidsAreNumbers = true;
  for (std::size_t i = 0; i < fidOrder.size() && fidsAreNumbers; ++i)
    fidsAreNumbers = fidOrder[i].first == static_cast<GIntBig>(i + 1);
  auto unitOfFid = [&](std::uint32_t fid) -> std::uint32_t {
    if (fidsAreNumbers) return fid >= 1 && fid <= fidOrder.size() ? fid : 0;
    auto it = std::lower_bound(fidOrder.begin(), fidOrder.end(), std::pair<GIntBig, std::size_t>{fid, 0});
    if (it == fidOrder.end() || it->first != fid) return 0;
    return static_cast<std::uint32_t>(it - fidOrder.begin() + 1);
  };

  std::vector<std::pair<GIntBig, DatasetTaxon>> taxonRows;
  if (!told("Reading the taxa...")) return std::nullopt;
  eachFeature(taxa, [&](OGRFeature& f) {
    if (!every(static_cast<long long>(taxonRows.size()) + 1, 1 << 16, "taxa")) return false;
    DatasetTaxon t;
    t.id = f.GetFieldAsInteger64("taxon_id");
    t.name = f.GetFieldAsString("name");
    t.genus = f.GetFieldAsString("genus");
    t.family = f.GetFieldAsString("family");
    t.higherRanks = splitRanks(f.GetFieldAsString("higher_ranks"));
    t.code = f.GetFieldAsString("code");
    t.target = f.GetFieldAsDouble("target");
    if (!std::isfinite(t.target) || t.target < 0) {
      bad = "taxon " + t.name + " has a target out of range";
      return false;
    }
    taxonRows.emplace_back(f.GetFID(), std::move(t));
    return true;
  });
  if (stopped) return std::nullopt;
  if (!bad.empty()) return refuse(bad);
  if (taxonRows.size() > static_cast<std::size_t>(INT32_MAX)) return refuse("too many taxa");
  std::sort(taxonRows.begin(), taxonRows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < taxonRows.size(); ++i)
    if (taxonRows[i].first == taxonRows[i - 1].first) return refuse("two taxa share a feature id");
  auto taxonOfFid = [&](GIntBig fid) -> long long {
    auto it =
        std::lower_bound(taxonRows.begin(), taxonRows.end(), fid, [](const auto& r, GIntBig f) { return r.first < f; });
    if (it == taxonRows.end() || it->first != fid) return -1;
    return it - taxonRows.begin();
  };

  // Each taxon's list straight into place: the rows' blobs are kept until
  // the lists' sizes are known, then copied through the unit numbering.
  struct Row {
    std::size_t taxon;
    std::vector<unsigned char> units, amounts;
  };
  std::vector<Row> rows;
  std::vector<std::int64_t> start(taxonRows.size() + 1, 0);
  if (!told("Reading the occurrences...")) return std::nullopt;
  eachFeature(occ, [&](OGRFeature& f) {
    if (!every(static_cast<long long>(rows.size()) + 1, 1 << 10, "the occurrences of taxa")) return false;
    const long long t = taxonOfFid(f.GetFieldAsInteger64("taxon"));
    if (t < 0) {
      bad = strprintf("the occurrences name taxon %lld, which the taxa table lacks", f.GetFieldAsInteger64("taxon"));
      return false;
    }
    int ubytes = 0, abytes = 0;
    const unsigned char* u = blob(f, "units", ubytes);
    const unsigned char* a = blob(f, "amounts", abytes);
    if (ubytes % 4 != 0 || (a && abytes != ubytes * 2) || (a && !p.amounts)) {
      bad = "the occurrences of " + taxonRows[static_cast<std::size_t>(t)].second.name + " are damaged";
      return false;
    }
    Row r{static_cast<std::size_t>(t), {}, {}};
    if (u) r.units.assign(u, u + ubytes);
    if (a) r.amounts.assign(a, a + abytes);
    start[r.taxon + 1] += ubytes / 4;
    rows.push_back(std::move(r));
    return true;
  });
  if (stopped) return std::nullopt;
  if (!bad.empty()) return refuse(bad);
  for (std::size_t t = 1; t < start.size(); ++t) start[t] += start[t - 1];
  std::vector<std::uint32_t> lists(static_cast<std::size_t>(start.back()));
  std::vector<double> amounts(p.amounts ? lists.size() : 0, 1.0);
  {
    std::vector<std::int64_t> next(start.begin(), start.end() - 1);
    for (Row& r : rows) {
      auto slot = static_cast<std::size_t>(next[r.taxon]);
      const std::size_t n = r.units.size() / 4;
      for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t unit = unitOfFid(readU32(r.units.data() + 4 * k));
        const double amount = r.amounts.empty() ? 1.0 : getF64(r.amounts.data() + 8 * k);
        if (unit == 0 || !std::isfinite(amount) || amount < 0) {
          return refuse("the occurrences of " + taxonRows[r.taxon].second.name +
                        " name a unit the units layer lacks, or an amount out of range");
        }
        lists[slot + k] = unit;
        if (p.amounts) amounts[slot + k] = amount;
      }
      next[r.taxon] += static_cast<std::int64_t>(n);
      std::vector<unsigned char>().swap(r.units);
      std::vector<unsigned char>().swap(r.amounts);
    }
  }
  for (auto& [fid, t] : taxonRows) p.data.taxa.push_back(std::move(t));
  p.data.occurrences = occurrencesFromLists(p.data.taxonCount(), p.data.unitCount(), std::move(start), std::move(lists),
                                            std::move(amounts));

  std::vector<Edge> edges;
  if (regular) {
    p.data.adjacency = regularAdjacency(p.grid, p.data);
  } else if (OGRLayer* adj = ds->GetLayerByName("zn_adjacency")) {
    eachFeature(adj, [&](OGRFeature& f) {
      const long long n = f.GetFieldAsInteger64("unit");
      int nb = 0, lb = 0;
      const unsigned char* nv = blob(f, "neighbours", nb);
      const unsigned char* lv = blob(f, "lengths", lb);
      if (n < 1 || n > p.data.unitCount() || nb % 4 != 0 || lb != nb * 2) {
        bad = "the adjacency table is damaged";
        return false;
      }
      for (int k = 0; k < nb / 4; ++k) {
        const std::uint32_t m = readU32(nv + 4 * k);
        const double len = getF64(lv + 8 * k);
        if (m < 1 || m > static_cast<std::uint32_t>(p.data.unitCount()) || !std::isfinite(len) || len < 0) {
          bad = "the adjacency table is damaged";
          return false;
        }
        if (m >= static_cast<std::uint32_t>(n)) edges.push_back({static_cast<std::uint32_t>(n), m, len});
      }
      return true;
    });
    if (!bad.empty()) return refuse(bad);
  }
  if (!edges.empty()) p.data.adjacency = adjacencyFrom(p.data.unitCount(), edges);
  return p;
}

// --- polygon units -----------------------------------------------------------

namespace {

// Shared boundary lengths of the polygons that touch, found through a GEOS
// STRtree of their envelopes.
std::vector<Edge> sharedBoundaries(const std::vector<std::vector<unsigned char>>& wkbs) {
  Geos g;
  std::vector<GEOSGeometry*> geoms(wkbs.size(), nullptr), bounds(wkbs.size(), nullptr);
  GEOSSTRtree* tree = GEOSSTRtree_create_r(g.h, 10);
  std::vector<std::size_t> index(wkbs.size());
  for (std::size_t i = 0; i < wkbs.size(); ++i) {
    index[i] = i;
    geoms[i] = GEOSGeomFromWKB_buf_r(g.h, wkbs[i].data(), wkbs[i].size());
    if (!geoms[i]) continue;
    bounds[i] = GEOSBoundary_r(g.h, geoms[i]);
    GEOSSTRtree_insert_r(g.h, tree, geoms[i], &index[i]);
  }
  std::vector<Edge> edges;
  struct Query {
    std::vector<std::size_t> hits;
  } q;
  for (std::size_t i = 0; i < wkbs.size(); ++i) {
    if (!geoms[i] || !bounds[i]) continue;
    q.hits.clear();
    GEOSSTRtree_query_r(
        g.h, tree, geoms[i],
        [](void* item, void* data) { static_cast<Query*>(data)->hits.push_back(*static_cast<std::size_t*>(item)); },
        &q);
    for (std::size_t j : q.hits) {
      if (j <= i || !bounds[j]) continue;
      GEOSGeometry* shared = GEOSIntersection_r(g.h, bounds[i], bounds[j]);
      double len = 0.0;
      if (shared && GEOSLength_r(g.h, shared, &len) == 1 && len > 0)
        edges.push_back({static_cast<std::uint32_t>(i + 1), static_cast<std::uint32_t>(j + 1), len});
      if (shared) GEOSGeom_destroy_r(g.h, shared);
    }
  }
  GEOSSTRtree_destroy_r(g.h, tree);
  for (auto* x : bounds)
    if (x) GEOSGeom_destroy_r(g.h, x);
  for (auto* x : geoms)
    if (x) GEOSGeom_destroy_r(g.h, x);
  return edges;
}

// The polygonal part of a geometry as a multipolygon; null when none is left.
OGRMultiPolygon* polygonalPart(const OGRGeometry& geom) {
  auto* out = new OGRMultiPolygon;
  auto take = [&](const OGRGeometry& g, auto& self) -> void {
    const auto type = wkbFlatten(g.getGeometryType());
    if (type == wkbPolygon) {
      if (!g.IsEmpty()) out->addGeometry(&g);
    } else if (type == wkbMultiPolygon || type == wkbGeometryCollection) {
      for (const OGRGeometry* part : *g.toGeometryCollection()) self(*part, self);
    }
  };
  take(geom, take);
  if (out->IsEmpty()) {
    delete out;
    return nullptr;
  }
  return out;
}

}  // namespace

std::optional<Project> projectFromUnits(const UnitsRequest& r, std::string& error) {
  ensureGdal();
  if (std::string why = nonLocalPathProblem(r.layerFile); !why.empty()) {
    error = why;
    return std::nullopt;
  }
  GdalFile ds(static_cast<GDALDataset*>(
      GDALOpenEx(r.layerFile.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr)));
  if (!ds || ds->GetLayerCount() < 1) {
    error = r.layerFile + " is not a layer GDAL can read";
    return std::nullopt;
  }
  OGRLayer* l = ds->GetLayer(0);
  OGRFeatureDefn* defn = l->GetLayerDefn();
  for (const std::string* field : {&r.idField, &r.costField, &r.statusField}) {
    if (!field->empty() && defn->GetFieldIndex(field->c_str()) < 0) {
      error = r.layerFile + " has no field " + *field;
      return std::nullopt;
    }
  }
  Project p;
  p.grid.kind = GridDefinition::Kind::Polygons;
  p.grid.cellSize = 0;
  p.grid.columns = p.grid.rows = 0;
  const OGRSpatialReference* layerSrs = l->GetSpatialRef();
  OGRSpatialReference srs;
  if (r.epsg) {
    if (!srsOf(*r.epsg, srs)) {
      error = strprintf("EPSG:%d is not a coordinate reference system PROJ knows", *r.epsg);
      return std::nullopt;
    }
    p.grid.epsg = *r.epsg;
  } else if (!layerSrs) {
    error = r.layerFile + " has no coordinate reference system: give --crs EPSG:N";
    return std::nullopt;
  } else {
    OGRSpatialReference copy(*layerSrs);
    const char* code = copy.GetAuthorityCode(nullptr);
    if (!code && copy.AutoIdentifyEPSG() == OGRERR_NONE) code = copy.GetAuthorityCode(nullptr);
    long long epsg = 0;
    if (!code || !wholeNumber(code, epsg) || epsg <= 0 || epsg > 10000000) {
      error = r.layerFile + " has a coordinate reference system without an EPSG code: give --crs EPSG:N";
      return std::nullopt;
    }
    p.grid.epsg = static_cast<int>(epsg);
    srsOf(p.grid.epsg, srs);
  }
  p.grid.geographic = srs.IsGeographic();
  OGREnvelope extent;
  bool haveExtent = false;
  std::map<long long, long long> featureOfId;
  l->ResetReading();
  long long row = 0;
  while (FeaturePtr f{l->GetNextFeature()}) {
    ++row;
    const long long fid = f->GetFID();
    DatasetUnit u;
    if (r.idField.empty()) {
      u.id = fid;
    } else {
      const int i = f->GetFieldIndex(r.idField.c_str());
      if (!f->IsFieldSetAndNotNull(i)) {
        error = strprintf("feature %lld (row %lld) has no %s", fid, row, r.idField.c_str());
        return std::nullopt;
      }
      const std::string text = f->GetFieldAsString(i);
      if (!wholeNumber(text, u.id)) {
        error = strprintf("feature %lld (row %lld): %s %s is not a whole number", fid, row, r.idField.c_str(),
                          text.c_str());
        return std::nullopt;
      }
    }
    if (auto [it, fresh] = featureOfId.emplace(u.id, row); !fresh) {
      error = strprintf("unit id %lld is given twice (rows %lld and %lld)", u.id, it->second, row);
      return std::nullopt;
    }
    if (!r.costField.empty()) {
      const int i = f->GetFieldIndex(r.costField.c_str());
      u.cost = f->IsFieldSetAndNotNull(i) ? f->GetFieldAsDouble(i) : 1.0;
      if (!std::isfinite(u.cost) || u.cost < 0) {
        error = strprintf("unit %lld (row %lld) has a cost that is not a number of 0 or more", u.id, row);
        return std::nullopt;
      }
    }
    if (!r.statusField.empty()) {
      const int i = f->GetFieldIndex(r.statusField.c_str());
      const int status = f->IsFieldSetAndNotNull(i) ? f->GetFieldAsInteger(i) : 0;
      if (status < 0 || status > 3) {
        error = strprintf("unit %lld (row %lld) has status %d: 0 to 3 are known", u.id, row, status);
        return std::nullopt;
      }
      u.status = static_cast<UnitStatus>(status);
    }
    const OGRGeometry* geom = f->GetGeometryRef();
    if (!geom || geom->IsEmpty()) {
      error = strprintf("unit %lld (row %lld) has no outline", u.id, row);
      return std::nullopt;
    }
    std::unique_ptr<OGRGeometry> fixed;
    if (!geom->IsValid()) fixed.reset(geom->MakeValid());
    std::unique_ptr<OGRMultiPolygon> poly(polygonalPart(fixed ? *fixed : *geom));
    if (!poly) {
      error = strprintf("unit %lld (row %lld) has no area (its outline is not a polygon, or empty once repaired)", u.id,
                        row);
      return std::nullopt;
    }
    OGREnvelope e;
    poly->getEnvelope(&e);
    if (haveExtent) extent.Merge(e);
    else extent = e, haveExtent = true;
    std::vector<unsigned char> wkb(static_cast<std::size_t>(poly->WkbSize()));
    poly->exportToWkb(wkbNDR, wkb.data());
    p.outlines.push_back(std::move(wkb));
    p.data.units.push_back(std::move(u));
  }
  if (p.data.units.empty()) {
    error = r.layerFile + " holds no units";
    return std::nullopt;
  }
  if (p.data.units.size() > static_cast<std::size_t>(kLargestUnitNumber)) {
    error = r.layerFile + " holds more units than this program numbers";
    return std::nullopt;
  }
  p.grid.west = extent.MinX, p.grid.south = extent.MinY, p.grid.east = extent.MaxX, p.grid.north = extent.MaxY;
  p.data.occurrences = occurrencesFrom(0, p.data.unitCount(), {}, false);
  p.data.adjacency = adjacencyFrom(p.data.unitCount(), sharedBoundaries(p.outlines));
  return p;
}

// --- adding a table --------------------------------------------------------

std::string AddSummary::text() const {
  std::string out = strprintf("rows read: %lld\noccurrences added: %lld\n", rows, placed);
  out += strprintf("new taxa: %lld\nnew units: %lld\n", newTaxa, newUnits);
  if (overlaps) out += strprintf("rows in more than one unit: %lld (counted in each)\n", overlaps);
  long long lostRows = 0;
  for (const auto& [why, n] : lost) lostRows += n;
  out += strprintf("rows lost: %lld\n", lostRows);
  for (const auto& [why, n] : lost) out += strprintf("  %s: %lld\n", why.c_str(), n);
  return out;
}

namespace {

// Units of a polygon project under a point, by a GEOS STRtree of outlines
// prepared on first use.
class PolygonLocator {
 public:
  explicit PolygonLocator(const std::vector<std::vector<unsigned char>>& wkbs) : geoms_(wkbs.size()) {
    tree_ = GEOSSTRtree_create_r(g_.h, 10);
    index_.resize(wkbs.size());
    prepared_.assign(wkbs.size(), nullptr);
    for (std::size_t i = 0; i < wkbs.size(); ++i) {
      index_[i] = i;
      geoms_[i] = GEOSGeomFromWKB_buf_r(g_.h, wkbs[i].data(), wkbs[i].size());
      if (geoms_[i]) GEOSSTRtree_insert_r(g_.h, tree_, geoms_[i], &index_[i]);
    }
  }
  ~PolygonLocator() {
    for (auto* p : prepared_)
      if (p) GEOSPreparedGeom_destroy_r(g_.h, p);
    GEOSSTRtree_destroy_r(g_.h, tree_);
    for (auto* x : geoms_)
      if (x) GEOSGeom_destroy_r(g_.h, x);
  }
  PolygonLocator(const PolygonLocator&) = delete;
  PolygonLocator& operator=(const PolygonLocator&) = delete;

  // Unit numbers (1-based) whose outline covers the point.
  void locate(double x, double y, std::vector<std::uint32_t>& out) {
    out.clear();
    hits_.clear();
    GEOSGeometry* pt = GEOSGeom_createPointFromXY_r(g_.h, x, y);
    GEOSSTRtree_query_r(
        g_.h, tree_, pt,
        [](void* item, void* data) {
          static_cast<std::vector<std::size_t>*>(data)->push_back(*static_cast<std::size_t*>(item));
        },
        &hits_);
    std::sort(hits_.begin(), hits_.end());
    for (std::size_t i : hits_) {
      if (!prepared_[i]) prepared_[i] = GEOSPrepare_r(g_.h, geoms_[i]);
      if (prepared_[i] && GEOSPreparedCovers_r(g_.h, prepared_[i], pt) == 1)
        out.push_back(static_cast<std::uint32_t>(i + 1));
    }
    GEOSGeom_destroy_r(g_.h, pt);
  }

 private:
  Geos g_;
  GEOSSTRtree* tree_ = nullptr;
  std::vector<GEOSGeometry*> geoms_;
  std::vector<const GEOSPreparedGeometry*> prepared_;
  std::vector<std::size_t> index_, hits_;
};

}  // namespace

struct OccurrenceAdder::Impl {
  Project& p;
  AddSummary& summary;
  bool regular;
  bool lonLat = false;
  std::unique_ptr<OGRCoordinateTransformation> toGrid;
  std::unique_ptr<PolygonLocator> locator;
  UnitNumbers unitOfId;
  // Looked up by the row's text, without a string made for every row.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, std::uint32_t, NameHash, std::equal_to<>> taxonOf;
  std::vector<Occurrence> pairs;
  std::vector<std::uint32_t> hits;
  long long met = 0;  // rows met, for the stop question

  void nextRow() {
    constexpr long long kAskEvery = 4096;
    if (summary.keepGoing && ++met % kAskEvery == 0 && !summary.keepGoing(met)) throw AddStopped{};
  }

  Impl(Project& project, AddSummary& s)
      : p(project),
        summary(s),
        regular(project.grid.kind == GridDefinition::Kind::Regular),
        unitOfId(project.grid, project.data) {
    for (int t = 0; t < p.data.taxonCount(); ++t) taxonOf.emplace(p.data.taxa[static_cast<std::size_t>(t)].name, t);
    // The pairs already held; amounts of a pair met again add up.
    const Occurrences& o = p.data.occurrences;
    for (int t = 0; t < o.taxa; ++t) {
      int k = 0;
      const double* a = o.hasAmounts() && !o.taxonWords ? o.amountsOf(t) : nullptr;
      for (int u : o.unitsOf(t))
        pairs.push_back({static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(u), a ? a[k++] : 1.0});
    }
  }

  std::string unitOfCell(long long cell) {
    std::uint32_t n = unitOfId.find(cell);
    if (n == 0) {
      if (p.data.units.size() >= static_cast<std::size_t>(kLargestUnitNumber))
        return "more units than this program numbers";
      p.data.units.push_back(DatasetUnit{cell, "", 1.0, UnitStatus::Free});
      n = static_cast<std::uint32_t>(p.data.units.size());
      unitOfId.put(cell, n);
      ++summary.newUnits;
    }
    hits.push_back(n);
    return {};
  }
};

OccurrenceAdder::OccurrenceAdder(Project& p, AddSummary& summary) : impl_(std::make_unique<Impl>(p, summary)) {
  ensureGdal();
}
OccurrenceAdder::~OccurrenceAdder() = default;

bool OccurrenceAdder::pointsIn(int epsg, std::string& error) {
  Impl& m = *impl_;
  m.lonLat = epsg == 4326;
  m.toGrid.reset();
  if (m.p.grid.epsg == epsg) return true;
  OGRSpatialReference from, srs;
  if (!srsOf(epsg, from) || !srsOf(m.p.grid.epsg, srs)) {
    error = strprintf("EPSG:%d is not a coordinate reference system PROJ knows", epsg);
    return false;
  }
  m.toGrid.reset(OGRCreateCoordinateTransformation(&from, &srs));
  if (!m.toGrid) error = strprintf("PROJ cannot put points of EPSG:%d into EPSG:%d", epsg, m.p.grid.epsg);
  return m.toGrid != nullptr;
}

std::string OccurrenceAdder::atPoint(double x, double y) {
  Impl& m = *impl_;
  m.nextRow();
  m.hits.clear();
  if (m.lonLat && (x < -180 || x > 180 || y < -90 || y > 90)) return "longitude or latitude out of range";
  if (m.toGrid && !m.toGrid->Transform(1, &x, &y)) return "not in the project's coordinate system";
  if (m.regular) {
    const long long cell = m.p.grid.cellAt(x, y);
    return cell == 0 ? "outside the grid" : m.unitOfCell(cell);
  }
  if (!m.locator) m.locator = std::make_unique<PolygonLocator>(m.p.outlines);
  m.locator->locate(x, y, m.hits);
  if (m.hits.empty()) return "in no unit";
  if (m.hits.size() > 1) ++m.summary.overlaps;
  return {};
}

std::string OccurrenceAdder::withId(long long id) {
  Impl& m = *impl_;
  m.nextRow();
  m.hits.clear();
  if (const std::uint32_t n = m.unitOfId.find(id)) {
    m.hits.push_back(n);
    return {};
  }
  // A regular grid's cells are named by their numbers, stored or not.
  if (m.regular && id >= 1 && id <= m.p.grid.cellCount()) return m.unitOfCell(id);
  return "no unit with that id";
}

void OccurrenceAdder::add(std::string_view name, std::string_view genus, std::string_view family, double amount) {
  Impl& m = *impl_;
  auto t = m.taxonOf.find(name);
  if (t == m.taxonOf.end()) {
    t = m.taxonOf.emplace(std::string(name), static_cast<std::uint32_t>(m.p.data.taxa.size())).first;
    DatasetTaxon x;
    x.id = static_cast<long long>(m.p.data.taxa.size()) + 1;
    x.name = name;
    x.genus = genus;
    x.family = family;
    m.p.data.taxa.push_back(std::move(x));
    ++m.summary.newTaxa;
  }
  for (std::uint32_t u : m.hits) {
    m.pairs.push_back({t->second, u, amount});
    ++m.summary.placed;
  }
}

void OccurrenceAdder::lose(const std::string& reason) {
  for (auto& [w, n] : impl_->summary.lost)
    if (w == reason) {
      ++n;
      return;
    }
  impl_->summary.lost.emplace_back(reason, 1);
}

void OccurrenceAdder::finish(bool withAmounts) {
  Impl& m = *impl_;
  if (withAmounts) m.p.amounts = true;
  m.p.data.occurrences = occurrencesFrom(m.p.data.taxonCount(), m.p.data.unitCount(), std::move(m.pairs), m.p.amounts);
  m.pairs.clear();
  if (m.regular) m.p.data.adjacency = regularAdjacency(m.p.grid, m.p.data);
}

bool addTable(Project& p, const std::string& tableFile, AddSummary& summary, std::string& error) {
  ensureGdal();
  if (std::string why = nonLocalPathProblem(tableFile); !why.empty()) {
    error = why;
    return false;
  }
  OccurrenceSource src;
  src.path = tableFile;
  src.separator = ',';
  src.quote = '"';
  OccurrenceReader in(src);
  if (!in.opened()) {
    error = "cannot read " + tableFile;
    return false;
  }
  std::vector<std::string_view> fields;
  if (!in.next(fields)) {
    error = tableFile + " is empty: a header row naming taxon and unit, x,y or lon,lat is needed";
    return false;
  }
  std::map<std::string, int> col;
  for (std::size_t i = 0; i < fields.size(); ++i) col.emplace(toLower(fields[i]), static_cast<int>(i));
  auto column = [&](const char* name) { return col.count(name) ? col[name] : -1; };
  const int cTaxon = column("taxon"), cUnit = column("unit"), cX = column("x"), cY = column("y"), cLon = column("lon"),
            cLat = column("lat"), cAmount = column("amount"), cGenus = column("genus"), cFamily = column("family");
  if (cTaxon < 0) {
    error = tableFile + " has no taxon column";
    return false;
  }
  const bool byUnit = cUnit >= 0, byXY = !byUnit && cX >= 0 && cY >= 0;
  if (!byUnit && !byXY && (cLon < 0 || cLat < 0)) {
    error = tableFile + " has no unit column, no x and y columns and no lon and lat columns";
    return false;
  }
  OccurrenceAdder adder(p, summary);
  if (!byUnit && !byXY && !adder.pointsIn(4326, error)) return false;
  const int cFirst = byUnit ? cUnit : byXY ? cX : cLon, cSecond = byXY ? cY : cLat;
  const int widest = std::max({cTaxon, cUnit, cX, cY, cLon, cLat, cAmount, cGenus, cFamily});
  auto field = [&](int c) { return c >= 0 ? fields[static_cast<std::size_t>(c)] : std::string_view{}; };
  while (in.next(fields)) {
    ++summary.rows;
    if (static_cast<int>(fields.size()) <= widest) {
      adder.lose("fewer fields than the header");
      continue;
    }
    std::string_view name = field(cTaxon);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (name.empty()) {
      adder.lose("no taxon name");
      continue;
    }
    if (!validUtf8(in.raw())) {
      adder.lose("bytes that are not UTF-8");
      continue;
    }
    double amount = 1.0;
    if (cAmount >= 0 && (!realNumber(field(cAmount), amount) || amount < 0)) {
      adder.lose("amount not a number of 0 or more");
      continue;
    }
    if (amount == 0) {
      adder.lose("amount 0");
      continue;
    }
    std::string why;
    long long id = 0;
    double x = 0, y = 0;
    if (byUnit) why = wholeNumber(std::string(field(cFirst)), id) ? adder.withId(id) : "unit id not a whole number";
    else
      why = realNumber(field(cFirst), x) && realNumber(field(cSecond), y) ? adder.atPoint(x, y)
                                                                          : "coordinates not numbers";
    if (!why.empty()) {
      adder.lose(why);
      continue;
    }
    adder.add(name, field(cGenus), field(cFamily), amount);
  }
  adder.finish(cAmount >= 0);
  return true;
}

// --- info --------------------------------------------------------------------

std::string projectInfo(const Project& p) {
  const GridDefinition& g = p.grid;
  std::string out;
  if (g.kind == GridDefinition::Kind::Regular) {
    std::string size;
    if (g.cellHeight > 0) {
      const char* unit = g.geographic ? " degrees" : " m";
      size = exact(g.cellSize) + " x " + exact(g.cellHeight) + unit;
    } else {
      size = g.geographic
                 ? exact(g.cellSize) + (g.cellSize == 1 ? " degree" : " degrees")
                 : (std::fmod(g.cellSize, 1000.0) == 0 ? exact(g.cellSize / 1000) + " km" : exact(g.cellSize) + " m");
    }
    out += strprintf("units: regular grid of %s cells of %s, EPSG:%d, %lld columns x %lld rows\n",
                     g.hex              ? "hexagonal"
                     : g.cellHeight > 0 ? "rectangular"
                                        : "square",
                     size.c_str(), g.epsg, g.columns, g.rows);
  } else {
    out += strprintf("units: polygons, EPSG:%d\n", g.epsg);
  }
  out += strprintf("extent: %s,%s,%s,%s\n", exact(g.west).c_str(), exact(g.south).c_str(), exact(g.east).c_str(),
                   exact(g.north).c_str());
  const Dataset& d = p.data;
  const Occurrences& o = d.occurrences;
  out += strprintf("units stored: %d\n", d.unitCount());
  out += strprintf("taxa: %d\n", d.taxonCount());
  long long pairs = 0;
  int withRecords = 0, minRange = 0, maxRange = 0;
  std::vector<int> ranges;
  for (int t = 0; t < o.taxa; ++t) {
    const int r = o.range(t);
    pairs += r;
    if (r > 0) ranges.push_back(r);
  }
  withRecords = static_cast<int>(ranges.size());
  int unitsWithData = 0;
  for (int n = 1; n <= o.units; ++n)
    if (o.unitStart[static_cast<std::size_t>(n) + 1] > o.unitStart[static_cast<std::size_t>(n)]) ++unitsWithData;
  std::sort(ranges.begin(), ranges.end());
  if (!ranges.empty()) minRange = ranges.front(), maxRange = ranges.back();
  out += strprintf("taxa with records: %d\n", withRecords);
  out += strprintf("occurrences: %lld%s\n", pairs, p.amounts ? " (with amounts)" : "");
  out += strprintf("units with data: %d\n", unitsWithData);
  out += strprintf("minimum range: %d\n", minRange);
  out += strprintf("median range: %d\n", ranges.empty() ? 0 : ranges[(ranges.size() - 1) / 2]);
  out += strprintf("maximum range: %d\n", maxRange);
  out += strprintf("neighbour pairs: %lld\n", static_cast<long long>(d.adjacency.neighbour.size() / 2));
  return out;
}

}  // namespace zn
