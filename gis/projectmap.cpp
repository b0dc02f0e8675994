#include "gis/projectmap.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include <ogr_geometry.h>
#include <ogr_spatialref.h>
#include <proj.h>

#include "gis/gdalsetup.h"
#include "store/parse.h"

namespace zn {

namespace {

void addRings(const OGRGeometry* g, std::vector<std::vector<CrsPoint>>& out) {
  if (!g) return;
  const OGRwkbGeometryType type = wkbFlatten(g->getGeometryType());
  if (type == wkbPolygon) {
    const auto* poly = g->toPolygon();
    for (const OGRLinearRing* ring : *poly) {
      std::vector<CrsPoint> r;
      r.reserve(static_cast<std::size_t>(ring->getNumPoints()));
      for (int i = 0; i < ring->getNumPoints(); ++i) r.push_back({ring->getX(i), ring->getY(i)});
      out.push_back(std::move(r));
    }
  } else if (type == wkbMultiPolygon || type == wkbGeometryCollection) {
    for (const OGRGeometry* part : *g->toGeometryCollection()) addRings(part, out);
  }
}

void grow(CrsBox& b, double x, double y) {
  b.west = std::min(b.west, x);
  b.east = std::max(b.east, x);
  b.south = std::min(b.south, y);
  b.north = std::max(b.north, y);
}

}  // namespace

std::vector<std::vector<CrsPoint>> readCoastPolylines(const std::filesystem::path& file) {
  std::vector<std::vector<CrsPoint>> lines;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '>') {
      lines.emplace_back();
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t gap = line.find_first_of(" \t");
    const std::size_t next = gap == std::string::npos ? gap : line.find_first_not_of(" \t", gap);
    if (next == std::string::npos) continue;
    const auto x = parseNumber<double>(std::string_view(line).substr(0, gap));
    const auto y = parseNumber<double>(std::string_view(line).substr(next));
    if (!x || !y || !(std::fabs(*x) <= 180.0) || !(std::fabs(*y) <= 90.0)) continue;
    if (lines.empty()) lines.emplace_back();
    lines.back().push_back({*x, *y});
  }
  return lines;
}

namespace {

// Longitude and latitude to and from a CRS through PROJ, longitude first
// whatever axis order the EPSG definition gives.
class LonLatTo {
 public:
  explicit LonLatTo(int epsg) : ctx_(proj_context_create()) {
    if (!ctx_ || epsg == 4326) return;
    const std::string target = "EPSG:" + std::to_string(epsg);
    if (PJ* p = proj_create_crs_to_crs(ctx_, "EPSG:4326", target.c_str(), nullptr)) {
      pj_ = proj_normalize_for_visualization(ctx_, p);
      proj_destroy(p);
    }
    crs_ = proj_create(ctx_, target.c_str());
    // The scale factors come from the projection alone: asking the CRS
    // would look its conversion up again at every point.
    if (crs_ && proj_get_type(crs_) == PJ_TYPE_PROJECTED_CRS)
      if (const char* def = proj_as_proj_string(ctx_, crs_, PJ_PROJ_5, nullptr)) {
        // As a CRS ("+type=crs") PROJ would rebuild the operation per call.
        std::string text(def);
        if (const auto at = text.find(" +type=crs"); at != std::string::npos) text.erase(at, 10);
        projection_ = proj_create(ctx_, text.c_str());
      }
    failed_ = !pj_ || !crs_;
  }
  ~LonLatTo() {
    if (pj_) proj_destroy(pj_);
    if (crs_) proj_destroy(crs_);
    if (projection_) proj_destroy(projection_);
    if (ctx_) proj_context_destroy(ctx_);
  }
  LonLatTo(const LonLatTo&) = delete;
  LonLatTo& operator=(const LonLatTo&) = delete;

  bool failed() const { return failed_ || !ctx_; }
  bool projected() const { return projection_ != nullptr; }
  bool identity() const { return !pj_; }
  // The point in the other CRS (forward: from longitude and latitude);
  // false where it has none there.
  bool go(double& x, double& y, bool forward) const {
    if (!pj_) return std::isfinite(x) && std::isfinite(y);
    proj_errno_reset(pj_);
    const PJ_COORD out = proj_trans(pj_, forward ? PJ_FWD : PJ_INV, proj_coord(x, y, 0, 0));
    if (proj_errno(pj_) != 0 || !std::isfinite(out.xy.x) || !std::isfinite(out.xy.y))
      return false;
    x = out.xy.x;
    y = out.xy.y;
    return true;
  }
  // Points of longitude and latitude into the CRS in one call; a point
  // that has no place there becomes infinite.
  void forward(std::vector<double>& xs, std::vector<double>& ys) const {
    if (!pj_ || xs.empty()) return;
    proj_trans_generic(pj_, PJ_FWD, xs.data(), sizeof(double), xs.size(), ys.data(), sizeof(double), ys.size(), nullptr,
                       0, 0, nullptr, 0, 0);
    proj_errno_reset(pj_);
  }
  // The projection's scale factors at a point of longitude and latitude.
  std::optional<PJ_FACTORS> factors(double lon, double lat) const {
    if (!projection_) return std::nullopt;
    proj_errno_reset(projection_);
    const PJ_FACTORS f = proj_factors(projection_, proj_coord(lon * M_PI / 180.0, lat * M_PI / 180.0, 0, 0));
    if (proj_errno(projection_) != 0 || !(f.tissot_semimajor > 0) || !(f.tissot_semiminor > 0)) return std::nullopt;
    return f;
  }
  // Metres per unit of the CRS's first axis.
  double metresPerUnit() const {
    double factor = 1.0;
    if (!crs_) return factor;
    if (PJ* cs = proj_crs_get_coordinate_system(ctx_, crs_)) {
      double conv = 0.0;
      if (proj_cs_get_axis_info(ctx_, cs, 0, nullptr, nullptr, nullptr, &conv, nullptr, nullptr, nullptr) && conv > 0)
        factor = conv;
      proj_destroy(cs);
    }
    return factor;
  }

 private:
  PJ_CONTEXT* ctx_ = nullptr;
  PJ* pj_ = nullptr;
  PJ* crs_ = nullptr;
  PJ* projection_ = nullptr;
  bool failed_ = false;
};

// A step longer than half the box's longer side is a jump, not a coast.
double jumpIn(const CrsBox& b) { return std::max(b.east - b.west, b.north - b.south) / 2.0; }

// The lines transformed and cut to the box and at steps longer than `jump`.
std::vector<std::vector<CrsPoint>> cutLines(const std::vector<std::vector<CrsPoint>>& lonLat, const LonLatTo& t,
                                            const CrsBox& within, double jump) {
  std::vector<std::vector<CrsPoint>> out;
  for (const auto& line : lonLat) {
    std::vector<CrsPoint> piece;
    auto cut = [&] {
      if (piece.size() >= 2) out.push_back(std::move(piece));
      piece.clear();
    };
    std::vector<double> xs, ys;
    for (const CrsPoint& q : line) {
      xs.push_back(q.x);
      ys.push_back(q.y);
    }
    t.forward(xs, ys);
    for (std::size_t i = 0; i < xs.size(); ++i) {
      const CrsPoint q{xs[i], ys[i]};
      const bool inside = std::isfinite(q.x) && std::isfinite(q.y) && q.x >= within.west && q.x <= within.east &&
                          q.y >= within.south && q.y <= within.north;
      if (!inside) {
        cut();
        continue;
      }
      if (!piece.empty() && (std::fabs(q.x - piece.back().x) > jump || std::fabs(q.y - piece.back().y) > jump)) cut();
      piece.push_back(q);
    }
    cut();
  }
  return out;
}

// Longitudes and latitudes of points spread over the box (n x n), those
// that have one.
std::vector<CrsPoint> lonLatOver(const CrsBox& b, const LonLatTo& t, int n) {
  std::vector<CrsPoint> out;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      double x = b.west + (b.east - b.west) * i / (n - 1), y = b.south + (b.north - b.south) * j / (n - 1);
      if (t.go(x, y, false) && std::fabs(x) <= 180.0 && std::fabs(y) <= 90.0) out.push_back({x, y});
    }
  return out;
}

}  // namespace

namespace {

// The lines at the step that suits `within`, drawn over `reach` (which
// holds it).
std::vector<GraticuleLine> graticuleIn(const LonLatTo& t, const CrsBox& within, const CrsBox& reach) {
  std::vector<GraticuleLine> out;
  if (t.failed()) return out;
  struct Range {
    double w = 180, e = -180, s = 90, n = -90;
  };
  auto rangeOver = [&](const CrsBox& b) {
    Range r;
    for (const CrsPoint& q : lonLatOver(b, t, 21)) {
      r.w = std::min(r.w, q.x);
      r.e = std::max(r.e, q.x);
      r.s = std::min(r.s, q.y);
      r.n = std::max(r.n, q.y);
    }
    return r;
  };
  const Range inside = rangeOver(within);
  if (inside.w > inside.e) return out;
  const double span = std::max(inside.e - inside.w, inside.n - inside.s);
  Range all = rangeOver(reach);
  if (all.w > all.e) all = inside;
  double w = std::min(all.w, inside.w), e = std::max(all.e, inside.e), s = std::min(all.s, inside.s),
         n = std::max(all.n, inside.n);
  // The smallest round step that leaves at most eight lines each way; 30 on the whole world.
  double step = 30.0;
  for (double d : {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 15.0})
    if (span / d <= 8.0) {
      step = d;
      break;
    }
  // Lines reach a step beyond what the samples saw; the cut keeps the map's part.
  w = std::max(-180.0, std::floor(w / step) * step - step);
  e = std::min(180.0, std::ceil(e / step) * step + step);
  s = std::max(-90.0, std::floor(s / step) * step - step);
  n = std::min(90.0, std::ceil(n / step) * step + step);
  constexpr int kPoints = 240;  // per line: smooth curves on any projection
  auto add = [&](bool meridian, double at) {
    std::vector<CrsPoint> line;
    for (int i = 0; i <= kPoints; ++i) {
      const double u = meridian ? s + (n - s) * i / kPoints : w + (e - w) * i / kPoints;
      line.push_back(meridian ? CrsPoint{at, u} : CrsPoint{u, at});
    }
    GraticuleLine g{meridian, at, cutLines({line}, t, reach, jumpIn(within))};
    if (!g.pieces.empty()) out.push_back(std::move(g));
  };
  // Whole steps within the range: a meridian past 180 would wrap round onto another.
  for (auto i = static_cast<long long>(std::ceil(w / step - 1e-9)); i * step <= e + 1e-9; ++i)
    add(true, static_cast<double>(i) * step);
  for (auto i = static_cast<long long>(std::ceil(s / step - 1e-9)); i * step <= n + 1e-9; ++i)
    if (std::fabs(static_cast<double>(i) * step) < 90.0) add(false, static_cast<double>(i) * step);
  return out;
}

MapScale mapScaleOf(const LonLatTo& t, const CrsBox& within, double& metresPerUnit) {
  metresPerUnit = 1.0;
  if (t.failed() || t.identity() || !t.projected()) return MapScale::None;
  const double unitMetres = t.metresPerUnit();
  // The smallest and largest scale over the map, in any direction.
  double least = std::numeric_limits<double>::infinity(), most = 0.0, sum = 0.0;
  int counted = 0;
  for (const CrsPoint& q : lonLatOver(within, t, 9))
    if (auto f = t.factors(q.x, q.y)) {
      least = std::min(least, f->tissot_semiminor);
      most = std::max(most, f->tissot_semimajor);
      sum += (f->tissot_semimajor + f->tissot_semiminor) / 2.0;
      ++counted;
    }
  if (counted > 0 && most <= least * 1.05) {
    metresPerUnit = unitMetres / (sum / counted);
    return MapScale::True;
  }
  // The equator: one straight line across the map at one scale along it.
  std::vector<double> ys, ks;
  for (int i = 0; i <= 8; ++i) {
    double x = -179.0 + 358.0 * i / 8, y = 0.0;
    const auto f = t.factors(x, y);
    if (!f || !t.go(x, y, true)) return MapScale::None;
    ys.push_back(y);
    ks.push_back(f->parallel_scale);
  }
  const auto [ky0, ky1] = std::minmax_element(ks.begin(), ks.end());
  const auto [y0, y1] = std::minmax_element(ys.begin(), ys.end());
  const double tall = within.north - within.south;
  if (*ky1 - *ky0 > 1e-3 * *ky0 || *y1 - *y0 > 1e-6 * std::max(tall, 1.0) || ys[0] < within.south ||
      ys[0] > within.north)
    return MapScale::None;
  metresPerUnit = unitMetres / ks[0];
  return MapScale::AtEquator;
}

}  // namespace

std::vector<std::vector<CrsPoint>> coastIn(const std::vector<std::vector<CrsPoint>>& lonLat, int epsg,
                                           const CrsBox& within) {
  const LonLatTo t(epsg);
  if (t.failed()) return {};
  return cutLines(lonLat, t, within, jumpIn(within));
}

std::vector<GraticuleLine> graticuleIn(int epsg, const CrsBox& within) {
  return graticuleIn(LonLatTo(epsg), within, within);
}

MapScale mapScaleOf(int epsg, const CrsBox& within, double& metresPerUnit) {
  return mapScaleOf(LonLatTo(epsg), within, metresPerUnit);
}

std::filesystem::path basemapCoastFile(const std::filesystem::path& home) {
  return home / "basemap" / "world_coast.txt";
}

UnitMapShapes projectShapes(const Project& project, const std::filesystem::path& coastFile) {
  UnitMapShapes s;
  const GridDefinition& g = project.grid;
  s.geographic = g.geographic;
  const int units = project.data.unitCount();
  constexpr double inf = std::numeric_limits<double>::infinity();
  CrsBox box{inf, inf, -inf, -inf};
  if (g.kind == GridDefinition::Kind::Regular) {
    s.lattice = UnitMapShapes::Lattice{g.west, g.north, g.cellSize, g.columns, g.rows, g.hex, g.cellHeight};
    s.cellOf.assign(static_cast<std::size_t>(units) + 1, 0);
    for (int n = 1; n <= units; ++n) {
      const long long cell = project.data.unit(n).id;
      if (cell < 1 || cell > g.cellCount()) continue;
      s.cellOf[static_cast<std::size_t>(n)] = cell;
      for (auto [x, y] : g.outline(cell)) grow(box, x, y);
    }
  } else {
    s.rings.resize(static_cast<std::size_t>(units));
    for (int n = 1; n <= units && static_cast<std::size_t>(n) <= project.outlines.size(); ++n) {
      const std::unique_ptr<OGRGeometry> owned = storedOutline(project, n);
      if (!owned) continue;
      auto& rings = s.rings[static_cast<std::size_t>(n) - 1];
      addRings(owned.get(), rings);
      for (const auto& r : rings)
        for (const CrsPoint& p : r) grow(box, p.x, p.y);
    }
  }
  if (!(box.east >= box.west)) box = {g.west, g.south, g.east, g.north};
  const double mx = std::max((box.east - box.west) / 20.0, g.cellSize / 2.0);
  const double my = std::max((box.north - box.south) / 20.0, g.height() / 2.0);
  s.extent = {box.west - mx, box.south - my, box.east + mx, box.north + my};
  if (g.geographic) {
    s.extent.west = std::max(s.extent.west, -180.0);
    s.extent.east = std::min(s.extent.east, 180.0);
    s.extent.south = std::max(s.extent.south, -90.0);
    s.extent.north = std::min(s.extent.north, 90.0);
  }
  // The basemap reaches a full extent beyond the units on every side, so a
  // window of another shape, or zoomed out, shows coast and graticule to
  // its edges; jumps are still judged on the units' extent.
  const double side = std::max(s.extent.east - s.extent.west, s.extent.north - s.extent.south);
  const double cx = (s.extent.west + s.extent.east) / 2, cy = (s.extent.south + s.extent.north) / 2;
  CrsBox reach{cx - 1.5 * side, cy - 1.5 * side, cx + 1.5 * side, cy + 1.5 * side};
  if (g.geographic) reach = {std::max(reach.west, -180.0), std::max(reach.south, -90.0), std::min(reach.east, 180.0),
                             std::min(reach.north, 90.0)};
  // One transformation for the coast, the graticule and the scale: PROJ takes a while to find it.
  const LonLatTo t(g.epsg);
  if (!t.failed()) s.coast = cutLines(readCoastPolylines(coastFile), t, reach, jumpIn(s.extent));
  s.graticule = graticuleIn(t, s.extent, reach);
  s.scale = g.geographic ? MapScale::None : mapScaleOf(t, s.extent, s.metresPerUnit);
  return s;
}

}  // namespace zn
