#include "store/unitgeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "store/britain.h"
#include "store/gridsystem.h"
#include "store/session.h"

namespace zn {

std::unique_ptr<UnitGeometry> unitGeometry(const Session& s) { return s.grid().unitGeometry(s.ws); }

namespace {

// Both fixed grids are frames of equal squares, each cell record holding its
// square's corners and its two rings of neighbours as the grid linked them.
class FrameGeometry : public UnitGeometry {
 public:
  explicit FrameGeometry(const Workspace& ws) : ws_(ws) {}

  int unitCount() const override { return std::max(0, lastCellNumber(ws_)); }

  std::optional<MapBox> bounds(int n) const override {
    if (!holds(n)) return std::nullopt;
    const GridCell& c = cell(n);
    return MapBox{c.x0, c.y0, c.x1, c.y1};
  }

  int unitAt(int x, int y) const override {
    const Geometry& g = ws_.geo;
    if (g.cellSize <= 0 || x < g.originX || y < g.originY) return 0;
    const int c = (x - g.originX) / g.cellSize + 1;
    const int r = (y - g.originY) / g.cellSize + 1;
    if (c > g.columns || r > g.rows) return 0;
    const int n = cellOfSquare(ws_, c, r);
    if (!holds(n)) return 0;
    const GridCell& cl = cell(n);
    return x >= cl.x0 && x < cl.x1 && y >= cl.y0 && y < cl.y1 ? n : 0;
  }

  std::vector<CrsBox> outline(int n) const override {
    const auto e = usable(n);
    return e ? parts(*e) : std::vector<CrsBox>{};
  }

  std::optional<CrsPoint> centroid(int n) const override {
    const auto e = extent(n);
    if (!e || !finite(*e)) return std::nullopt;
    return middle(*e);
  }

  void ring(int n, int k, std::vector<int>& out) const override {
    out.clear();
    if (!holds(n) || (k != 1 && k != 2)) return;
    const GridCell& c = cell(n);
    auto keep = [&](const auto& list) {
      for (int m : list)
        if (holds(m)) out.push_back(m);
    };
    if (k == 1) keep(c.inner);
    else keep(c.outer);
  }

  std::string name(int n) const override {
    if (!holds(n)) return {};
    const auto& field = cell(n).name;
    std::string t(field.data(), strnlen(field.data(), field.size()));
    const auto b = t.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return t.substr(b, t.find_last_not_of(' ') - b + 1);
  }

 protected:
  const GridCell& cell(int n) const { return ws_.cells[static_cast<std::size_t>(n)]; }
  static bool finite(const CrsBox& b) {
    return std::isfinite(b.west) && std::isfinite(b.east) && std::isfinite(b.south) && std::isfinite(b.north);
  }
  // The extent of a unit with an outline: finite and not empty.
  std::optional<CrsBox> usable(int n) const {
    auto e = extent(n);
    if (!e || !finite(*e) || e->west == e->east || !(e->south < e->north)) return std::nullopt;
    return e;
  }
  // The outline of a finite, non-empty extent, and the centre of a finite one.
  virtual std::vector<CrsBox> parts(const CrsBox& e) const { return {e}; }
  virtual CrsPoint middle(const CrsBox& e) const { return {(e.west + e.east) / 2.0, (e.south + e.north) / 2.0}; }

  const Workspace& ws_;
};

// The world grid in longitudes and latitudes. A column that starts at 180
// degrees ends at -170: its east edge lies below its west edge because it
// crosses the 180th meridian, so it spans west … east + 360 and a longitude
// belongs to it either as read or one turn further east.
class WorldGeometry final : public FrameGeometry {
 public:
  using FrameGeometry::FrameGeometry;

  int epsg() const override { return 4326; }
  bool geographic() const override { return true; }

  std::optional<CrsBox> extent(int n) const override {
    if (!holds(n)) return std::nullopt;
    const GridCell& c = cell(n);
    return CrsBox{c.lonWest, c.latSouth, c.lonEast, c.latNorth};
  }

  int unitAtPoint(double lon, double lat) const override {
    if (!buckets_) buckets_ = std::make_unique<Buckets>(*this);
    return buckets_->find(*this, lon, lat);
  }

 private:
  static bool crosses(const CrsBox& e) { return e.east < e.west; }
  static double unwrappedEast(const CrsBox& e) { return crosses(e) ? e.east + 360.0 : e.east; }
  static bool holdsPoint(const CrsBox& e, double lon, double lat) {
    if (!(e.south <= lat && lat < e.north)) return false;
    const double east = unwrappedEast(e);
    return (e.west <= lon && lon < east) || (crosses(e) && e.west <= lon + 360.0 && lon + 360.0 < east);
  }

  std::vector<CrsBox> parts(const CrsBox& e) const override {
    if (!crosses(e)) return {e};
    // A column that starts at 180 degrees lies just east of -180; one that
    // starts short of it is split at the date line.
    if (e.west >= 180.0) return {{e.west - 360.0, e.south, e.east, e.north}};
    return {{e.west, e.south, 180.0, e.north}, {-180.0, e.south, e.east, e.north}};
  }
  CrsPoint middle(const CrsBox& e) const override {
    const double mid = (e.west + unwrappedEast(e)) / 2.0;
    return {mid > 180.0 ? mid - 360.0 : mid, (e.north + e.south) / 2.0};
  }

  // The units by a bucket grid over their extent, so that a long list of
  // points costs a few comparisons each instead of a pass over every unit.
  class Buckets {
   public:
    explicit Buckets(const WorldGeometry& g) {
      const int units = g.unitCount();
      for (int n = 1; n <= units; ++n) {
        const auto e = g.usable(n);
        if (!e) continue;
        // A unit across the meridian also covers its span one turn west.
        const double west = crosses(*e) ? e->west - 360.0 : e->west;
        if (!any_) {
          lon0_ = west, lon1_ = unwrappedEast(*e), lat0_ = e->south, lat1_ = e->north;
          any_ = true;
        }
        lon0_ = std::min(lon0_, west), lon1_ = std::max(lon1_, unwrappedEast(*e));
        lat0_ = std::min(lat0_, e->south), lat1_ = std::max(lat1_, e->north);
      }
      if (!any_) return;
      side_ = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(units))), 1, 128);
      lists_.assign(static_cast<std::size_t>(side_) * side_, {});
      for (int n = 1; n <= units; ++n) {
        const auto e = g.usable(n);
        if (!e) continue;
        // Both edges inclusive: a point on a shared edge is looked up among
        // the units of either side and the bounds test decides.
        const double east = unwrappedEast(*e);
        for (const double turn : {0.0, -360.0}) {
          if (turn != 0.0 && !crosses(*e)) break;
          for (int by = bucket(e->south, lat0_, lat1_); by <= bucket(e->north, lat0_, lat1_); ++by)
            for (int bx = bucket(e->west + turn, lon0_, lon1_); bx <= bucket(east + turn, lon0_, lon1_); ++bx) {
              auto& list = lists_[static_cast<std::size_t>(by * side_ + bx)];
              if (list.empty() || list.back() != n) list.push_back(n);
            }
        }
      }
    }

    int find(const WorldGeometry& g, double lon, double lat) const {
      if (!any_ || !(lon >= lon0_ && lon < lon1_ && lat >= lat0_ && lat < lat1_)) return 0;
      for (int n : lists_[static_cast<std::size_t>(bucket(lat, lat0_, lat1_) * side_ + bucket(lon, lon0_, lon1_))])
        if (holdsPoint(*g.extent(n), lon, lat)) return n;
      return 0;
    }

   private:
    // Clamped before the conversion: bounds far apart may give infinities.
    int bucket(double v, double lo, double hi) const {
      const double f = (v - lo) / (hi - lo) * side_;
      if (!(f > 0.0)) return 0;
      return f >= side_ ? side_ - 1 : static_cast<int>(f);
    }

    bool any_ = false;
    double lon0_ = 0, lon1_ = 0, lat0_ = 0, lat1_ = 0;
    int side_ = 1;
    std::vector<std::vector<int>> lists_;
  };

  mutable std::unique_ptr<Buckets> buckets_;
};

// The British grid in metres of British National Grid: frame column c and
// row r (from the north) span eastings (c - 1) * 10 km … c * 10 km and
// northings (125 - r) * 10 km … (126 - r) * 10 km.
class BritainGeometry final : public FrameGeometry {
 public:
  using FrameGeometry::FrameGeometry;

  int epsg() const override { return 27700; }
  bool geographic() const override { return false; }

  std::optional<CrsBox> extent(int n) const override {
    if (!holds(n)) return std::nullopt;
    const GridCell& c = cell(n);
    const double e = (c.column - 1) * kSquare, s = (kBritainRows - c.row) * kSquare;
    return CrsBox{e, s, e + kSquare, s + kSquare};
  }

  int unitAtPoint(double e, double n) const override {
    // Outside the frame before any conversion, so that no coordinate is too
    // large for a square number.
    if (!(e >= 0.0 && n >= 0.0 && e < kBritainColumns * kSquare && n < kBritainRows * kSquare)) return 0;
    const int c = static_cast<int>(e / kSquare) + 1;
    const int r = kBritainRows - static_cast<int>(n / kSquare);
    const int unit = cellOfSquare(ws_, c, r);
    return holds(unit) ? unit : 0;
  }

 private:
  static constexpr double kSquare = 10000.0;
};

}  // namespace

std::unique_ptr<UnitGeometry> worldGeometry(const Workspace& ws) { return std::make_unique<WorldGeometry>(ws); }
std::unique_ptr<UnitGeometry> britainGeometry(const Workspace& ws) { return std::make_unique<BritainGeometry>(ws); }

}  // namespace zn
