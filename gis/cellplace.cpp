#include "gis/cellplace.h"

#include <cmath>
#include <string>

#include <proj.h>

#include "store/unitgeometry.h"

namespace zn {

struct CellPlacer::Impl {
  explicit Impl(const Session& s) : units(unitGeometry(s)) {}
  ~Impl() {
    if (toGrid) proj_destroy(toGrid);
    if (ctx) proj_context_destroy(ctx);
  }
  std::unique_ptr<UnitGeometry> units;
  PJ_CONTEXT* ctx = nullptr;
  PJ* toGrid = nullptr;
};

CellPlacer::CellPlacer(const Session& s) : impl_(std::make_unique<Impl>(s)) {
  const UnitGeometry& units = *impl_->units;
  if (units.geographic()) return;
  impl_->ctx = proj_context_create();
  const std::string target = "EPSG:" + std::to_string(units.epsg());
  PJ* p = proj_create_crs_to_crs(impl_->ctx, "EPSG:4326", target.c_str(), nullptr);
  if (p) {
    // Longitude first, whatever order the EPSG definitions give.
    impl_->toGrid = proj_normalize_for_visualization(impl_->ctx, p);
    proj_destroy(p);
  }
  if (!impl_->toGrid) error_ = "PROJ has no transformation from WGS84 to the grid's coordinates (" + target + ")";
}

CellPlacer::~CellPlacer() = default;

int CellPlacer::locate(double lat, double lon) const {
  const UnitGeometry& units = *impl_->units;
  // Cells hold their southern edge but not their northern one; the pole
  // has no cell beyond it, so 90 N goes to the cell below it as 90 S goes
  // to the cell above.
  if (units.geographic()) return units.unitAtPoint(lon, lat >= 90.0 ? std::nextafter(90.0, 0.0) : lat);
  if (!impl_->toGrid) return 0;
  const PJ_COORD out = proj_trans(impl_->toGrid, PJ_FWD, proj_coord(lon, lat, 0, 0));
  return units.unitAtPoint(out.xy.x, out.xy.y);
}

}  // namespace zn
