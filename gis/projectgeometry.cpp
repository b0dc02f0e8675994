#include "gis/projectgeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <geos_c.h>

namespace zn {

namespace {

std::string trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

class ProjectGeometry final : public UnitGeometry {
 public:
  explicit ProjectGeometry(std::shared_ptr<const Project> p) : p_(std::move(p)) {
    if (regular()) {
      byId_.reserve(p_->data.units.size());
      for (int n = 1; n <= unitCount(); ++n) byId_.emplace_back(p_->data.unit(n).id, n);
      std::sort(byId_.begin(), byId_.end());
    }
  }
  ~ProjectGeometry() override {
    if (!geos_) return;
    if (tree_) GEOSSTRtree_destroy_r(geos_, tree_);
    for (GEOSGeometry* g : geoms_)
      if (g) GEOSGeom_destroy_r(geos_, g);
    GEOS_finish_r(geos_);
  }
  ProjectGeometry(const ProjectGeometry&) = delete;
  ProjectGeometry& operator=(const ProjectGeometry&) = delete;

  int unitCount() const override { return p_->data.unitCount(); }
  int epsg() const override { return p_->grid.epsg; }
  bool geographic() const override { return p_->grid.geographic; }

  std::optional<CrsBox> extent(int n) const override {
    if (!holds(n)) return std::nullopt;
    if (regular()) {
      CrsBox b{INFINITY, INFINITY, -INFINITY, -INFINITY};
      for (auto [x, y] : p_->grid.outline(p_->data.unit(n).id)) widen(b, x, y);
      return b;
    }
    polygons();
    const CrsBox& b = envelopes_[static_cast<std::size_t>(n) - 1];
    if (!finite(b)) return std::nullopt;
    return b;
  }

  std::vector<CrsBox> outline(int n) const override {
    const auto e = extent(n);
    if (!e || !(e->west < e->east) || !(e->south < e->north)) return {};
    return {*e};
  }

  std::optional<CrsPoint> centroid(int n) const override {
    if (!holds(n)) return std::nullopt;
    if (regular()) {
      CrsPoint c;
      p_->grid.centre(p_->data.unit(n).id, c.x, c.y);
      return c;
    }
    polygons();
    const CrsPoint& c = centroids_[static_cast<std::size_t>(n) - 1];
    if (!std::isfinite(c.x) || !std::isfinite(c.y)) return std::nullopt;
    return c;
  }

  int unitAtPoint(double x, double y) const override {
    if (!std::isfinite(x) || !std::isfinite(y)) return 0;
    if (regular()) {
      const long long cell = p_->grid.cellAt(x, y);
      if (cell == 0) return 0;
      auto it = std::lower_bound(byId_.begin(), byId_.end(), std::pair<long long, int>{cell, 0});
      return it != byId_.end() && it->first == cell ? it->second : 0;
    }
    polygons();
    if (!tree_) return 0;
    GEOSGeometry* point = GEOSGeom_createPointFromXY_r(geos_, x, y);
    if (!point) return 0;
    struct Hits {
      std::vector<int> units;
    } hits;
    GEOSSTRtree_query_r(
        geos_, tree_, point,
        [](void* item, void* data) {
          static_cast<Hits*>(data)->units.push_back(static_cast<int>(reinterpret_cast<std::intptr_t>(item)));
        },
        &hits);
    std::sort(hits.units.begin(), hits.units.end());
    int found = 0;
    for (int n : hits.units)
      if (GEOSIntersects_r(geos_, geoms_[static_cast<std::size_t>(n) - 1], point) == 1) {
        found = n;
        break;
      }
    GEOSGeom_destroy_r(geos_, point);
    return found;
  }

  std::optional<MapBox> bounds(int n) const override {
    const auto e = extent(n);
    if (!e || !frame()) return std::nullopt;
    MapBox b{frameX(e->west), frameY(e->north), frameX(e->east), frameY(e->south)};
    b.x1 = std::max(b.x1, b.x0 + 1);
    b.y1 = std::max(b.y1, b.y0 + 1);
    return b;
  }

  int unitAt(int x, int y) const override {
    if (!frame() || x < 0 || y < 0 || x >= frameWidth_ || y >= frameHeight_) return 0;
    return unitAtPoint(all_.west + (x + 0.5) / scale_, all_.north - (y + 0.5) / scale_);
  }

  void ring(int n, int k, std::vector<int>& out) const override {
    out.clear();
    const Adjacency& a = p_->data.adjacency;
    if (!holds(n) || (k != 1 && k != 2) || a.empty()) return;
    auto around = [&](int m, std::vector<int>& into) {
      const std::uint32_t* nb = a.neighboursOf(m);
      for (int i = 0; i < a.degree(m); ++i)
        if (static_cast<int>(nb[i]) != m) into.push_back(static_cast<int>(nb[i]));
    };
    std::vector<int> first;
    around(n, first);
    if (k == 1) {
      out = std::move(first);
      return;
    }
    for (int m : first) around(m, out);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    std::erase_if(out, [&](int m) { return m == n || std::binary_search(first.begin(), first.end(), m); });
  }

  std::string name(int n) const override {
    if (!holds(n)) return {};
    const DatasetUnit& u = p_->data.unit(n);
    std::string t = trimmed(u.name);
    return t.empty() ? std::to_string(u.id) : t;
  }

 private:
  bool regular() const { return p_->grid.kind == GridDefinition::Kind::Regular; }
  static bool finite(const CrsBox& b) {
    return std::isfinite(b.west) && std::isfinite(b.east) && std::isfinite(b.south) && std::isfinite(b.north);
  }
  static void widen(CrsBox& b, double x, double y) {
    b.west = std::min(b.west, x);
    b.east = std::max(b.east, x);
    b.south = std::min(b.south, y);
    b.north = std::max(b.north, y);
  }

  // Polygon outlines, their envelopes and centroids and the STRtree, made
  // once on first use.
  void polygons() const {
    std::call_once(polygonsMade_, [this] {
      const std::size_t count = p_->data.units.size();
      geos_ = GEOS_init_r();
      geoms_.assign(count, nullptr);
      envelopes_.assign(count, CrsBox{NAN, NAN, NAN, NAN});
      centroids_.assign(count, CrsPoint{NAN, NAN});
      tree_ = GEOSSTRtree_create_r(geos_, 10);
      for (std::size_t i = 0; i < count && i < p_->outlines.size(); ++i) {
        const auto& wkb = p_->outlines[i];
        if (wkb.empty()) continue;
        GEOSGeometry* g = GEOSGeomFromWKB_buf_r(geos_, wkb.data(), wkb.size());
        if (!g || GEOSisEmpty_r(geos_, g) != 0) {
          if (g) GEOSGeom_destroy_r(geos_, g);
          continue;
        }
        geoms_[i] = g;
        CrsBox& b = envelopes_[i];
        GEOSGeom_getXMin_r(geos_, g, &b.west);
        GEOSGeom_getXMax_r(geos_, g, &b.east);
        GEOSGeom_getYMin_r(geos_, g, &b.south);
        GEOSGeom_getYMax_r(geos_, g, &b.north);
        if (GEOSGeometry* c = GEOSGetCentroid_r(geos_, g)) {
          GEOSGeomGetX_r(geos_, c, &centroids_[i].x);
          GEOSGeomGetY_r(geos_, c, &centroids_[i].y);
          GEOSGeom_destroy_r(geos_, c);
        }
        // The item is the unit's number, not a pointer.
        GEOSSTRtree_insert_r(geos_, tree_, g, reinterpret_cast<void*>(static_cast<std::intptr_t>(i + 1)));
      }
    });
  }

  // The frame: the units' joint extent scaled so its longer side spans
  // kProjectFrameSide units. False when no unit has a finite extent.
  bool frame() const {
    std::call_once(frameMade_, [this] {
      CrsBox all{INFINITY, INFINITY, -INFINITY, -INFINITY};
      if (regular()) {
        for (int n = 1; n <= unitCount(); ++n)
          if (auto e = extent(n)) {
            widen(all, e->west, e->south);
            widen(all, e->east, e->north);
          }
      } else {
        polygons();
        for (const CrsBox& e : envelopes_)
          if (finite(e)) {
            widen(all, e.west, e.south);
            widen(all, e.east, e.north);
          }
      }
      const double w = all.east - all.west, h = all.north - all.south;
      if (!finite(all) || !(w > 0) || !(h > 0)) return;
      all_ = all;
      scale_ = kProjectFrameSide / std::max(w, h);
      frameWidth_ = std::max(1, static_cast<int>(std::lround(w * scale_)));
      frameHeight_ = std::max(1, static_cast<int>(std::lround(h * scale_)));
    });
    return scale_ > 0;
  }
  int frameX(double x) const { return static_cast<int>(std::lround((x - all_.west) * scale_)); }
  int frameY(double y) const { return static_cast<int>(std::lround((all_.north - y) * scale_)); }

  std::shared_ptr<const Project> p_;
  std::vector<std::pair<long long, int>> byId_;  // regular grids: (cell, unit) by cell

  mutable std::once_flag polygonsMade_, frameMade_;
  mutable GEOSContextHandle_t geos_ = nullptr;
  mutable GEOSSTRtree* tree_ = nullptr;
  mutable std::vector<GEOSGeometry*> geoms_;
  mutable std::vector<CrsBox> envelopes_;
  mutable std::vector<CrsPoint> centroids_;
  mutable CrsBox all_;
  mutable double scale_ = 0.0;
  mutable int frameWidth_ = 0, frameHeight_ = 0;
};

}  // namespace

std::unique_ptr<UnitGeometry> projectGeometry(std::shared_ptr<const Project> project) {
  return std::make_unique<ProjectGeometry>(std::move(project));
}

}  // namespace zn
