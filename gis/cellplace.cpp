#include "gis/cellplace.h"

#include <cmath>

#include <proj.h>

#include "interchange/dataimport.h"
#include "store/britain.h"

namespace zn {

struct CellPlacer::Impl {
  explicit Impl(const Workspace& workspace) : ws(workspace), world(workspace) {}
  ~Impl() {
    if (toBng) proj_destroy(toBng);
    if (ctx) proj_context_destroy(ctx);
  }
  const Workspace& ws;
  CellLocator world;
  bool britain = false;
  PJ_CONTEXT* ctx = nullptr;
  PJ* toBng = nullptr;
};

CellPlacer::CellPlacer(const Session& s) : impl_(std::make_unique<Impl>(s.ws)) {
  if (s.grid().geographic()) return;
  impl_->britain = true;
  impl_->ctx = proj_context_create();
  PJ* p = proj_create_crs_to_crs(impl_->ctx, "EPSG:4326", "EPSG:27700", nullptr);
  if (p) {
    // Longitude first, whatever order the EPSG definitions give.
    impl_->toBng = proj_normalize_for_visualization(impl_->ctx, p);
    proj_destroy(p);
  }
  if (!impl_->toBng) error_ = "PROJ has no transformation from WGS84 to British National Grid (EPSG:27700)";
}

CellPlacer::~CellPlacer() = default;

int CellPlacer::locate(double lat, double lon) const {
  // Cells hold their southern edge but not their northern one; the pole
  // has no cell beyond it, so 90 N goes to the cell below it as 90 S goes
  // to the cell above.
  if (!impl_->britain) return impl_->world.locate(lat >= 90.0 ? std::nextafter(90.0, 0.0) : lat, lon);
  if (!impl_->toBng) return 0;
  const PJ_COORD out = proj_trans(impl_->toBng, PJ_FWD, proj_coord(lon, lat, 0, 0));
  const double e = out.xy.x, n = out.xy.y;
  if (!std::isfinite(e) || !std::isfinite(n) || e < 0 || n < 0) return 0;
  const int c = static_cast<int>(e / 10000.0) + 1;
  const int r = kBritainRows - static_cast<int>(n / 10000.0);
  return cellOfSquare(impl_->ws, c, r);
}

}  // namespace zn
