#include "gis/projectmap.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <memory>

#include <ogr_geometry.h>
#include <ogr_spatialref.h>

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

std::vector<std::vector<CrsPoint>> coastIn(const std::vector<std::vector<CrsPoint>>& lonLat, int epsg,
                                           const CrsBox& within) {
  std::vector<std::vector<CrsPoint>> out;
  ensureGdal();
  OGRSpatialReference wgs, target;
  wgs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  target.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  if (wgs.importFromEPSG(4326) != OGRERR_NONE || target.importFromEPSG(epsg) != OGRERR_NONE) return out;
  std::unique_ptr<OGRCoordinateTransformation> t;
  if (epsg != 4326) {
    t.reset(OGRCreateCoordinateTransformation(&wgs, &target));
    if (!t) return out;
  }
  // A step longer than half the box's width is a jump, not a coast.
  const double jump = std::max(within.east - within.west, within.north - within.south) / 2.0;
  for (const auto& line : lonLat) {
    std::vector<double> xs, ys;
    for (const CrsPoint& p : line) {
      xs.push_back(p.x);
      ys.push_back(p.y);
    }
    std::vector<int> ok(xs.size(), 1);
    // A failed batch still flags each point, so the good ones are kept.
    if (t && !xs.empty()) t->Transform(xs.size(), xs.data(), ys.data(), nullptr, ok.data());
    std::vector<CrsPoint> piece;
    auto cut = [&] {
      if (piece.size() >= 2) out.push_back(std::move(piece));
      piece.clear();
    };
    for (std::size_t i = 0; i < xs.size(); ++i) {
      const double x = xs[i], y = ys[i];
      const bool inside = ok[i] && std::isfinite(x) && std::isfinite(y) && x >= within.west && x <= within.east &&
                          y >= within.south && y <= within.north;
      if (!inside) {
        cut();
        continue;
      }
      if (!piece.empty() && (std::fabs(x - piece.back().x) > jump || std::fabs(y - piece.back().y) > jump)) cut();
      piece.push_back({x, y});
    }
    cut();
  }
  return out;
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
      const auto& wkb = project.outlines[static_cast<std::size_t>(n) - 1];
      OGRGeometry* geom = nullptr;
      if (wkb.empty() || OGRGeometryFactory::createFromWkb(wkb.data(), nullptr, &geom, wkb.size()) != OGRERR_NONE ||
          !geom)
        continue;
      std::unique_ptr<OGRGeometry> owned(geom);
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
  s.coast = coastIn(readCoastPolylines(coastFile), g.epsg, s.extent);
  return s;
}

}  // namespace zn
