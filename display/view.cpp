#include "display/view.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace zn {

namespace {

// The logical window of the map: the whole extent, or the zoom rectangle with
// a margin of a fortieth on each side.
void setWindow(MapTransform& t, const Geometry& geo, const ViewState& view) {
  if (!view.zoomed || view.zoom.w <= 0 || view.zoom.h <= 0) {
    t.winX = 0;
    t.winY = 0;
    t.winW = geo.extentX;
    t.winH = geo.extentY;
    return;
  }
  const int mx = view.zoom.w / 40, my = view.zoom.h / 40;
  t.winX = view.zoom.x - mx;
  t.winY = view.zoom.y - my;
  t.winW = view.zoom.w + 2 * mx;
  t.winH = view.zoom.h + 2 * my;
  t.zoomSx = static_cast<double>(geo.extentX) / view.zoom.w;
  t.zoomSy = static_cast<double>(geo.extentY) / view.zoom.h;
  t.zoomFactor = std::min(t.zoomSx, t.zoomSy);
}

// Centres the isotropic map in a device area of w x h at (x, y).
void centre(MapTransform& t, double x, double y, double w, double h) {
  t.aspect = static_cast<double>(t.winH) / t.winW;
  w = std::max(w, 1.0);
  h = std::max(h, 1.0);
  double vw = w, vh = h;
  if (h / w < t.aspect) {
    vw = h / t.aspect;
    x += (w - vw) / 2;
  } else {
    vh = w * t.aspect;
    y += (h - vh) / 2;
  }
  t.vpX = static_cast<int>(x);
  t.vpY = static_cast<int>(y);
  t.vpW = std::max(1, static_cast<int>(std::lround(vw)));
  t.vpH = std::max(1, static_cast<int>(std::lround(vh)));
}

DeviceRect viewportRect(const MapTransform& t) { return {t.vpX, t.vpY, t.vpX + t.vpW, t.vpY + t.vpH}; }

}  // namespace

std::pair<int, int> MapTransform::toLogical(double px, double py) const {
  const double x = winX + (px - vpX) / scaleX();
  const double y = winY + (py - vpY) / scaleY();
  return {static_cast<int>(x), static_cast<int>(y)};
}

int cellGap(int width, int height, double zoomFactor) {
  const double z = zoomFactor < 1.0 ? 1.0 : zoomFactor;
  const double w = width * z, h = height * z;
  if (w >= 1601 && h >= 1069) return 0;
  if (w > 800 && h > 534) return 4;
  if (w > 400 && h > 267) return 8;
  if (w > 200 && h > 134) return 12;
  if (w < 101) return 20;
  return h > 67 ? 16 : 20;
}

MapTransform screenTransform(const Geometry& geo, const ViewState& view, int width, int height, int statusBar) {
  MapTransform t;
  setWindow(t, geo, view);
  t.gap = cellGap(width, height, t.zoomFactor);
  t.thumbnail = width <= kThumbnailLimit || height <= kThumbnailLimit;
  centre(t, 0, 0, width, height - statusBar);
  if (view.zoomed && !t.thumbnail) {
    // The key stays where the whole map has it, right of the whole frame:
    // a zoomed map that would reach that strip moves left of it, or
    // shrinks to fit, never lying under the key.
    MapTransform whole;
    setWindow(whole, geo, ViewState{});
    centre(whole, 0, 0, width, height - statusBar);
    const double keyLeft = std::clamp(whole.toDeviceX(geo.farX) + 1, 1.0, static_cast<double>(width));
    if (t.vpW > keyLeft) centre(t, 0, 0, keyLeft, height - statusBar);
    else if (t.vpX + t.vpW > keyLeft) t.vpX = static_cast<int>(keyLeft) - t.vpW;
  }
  if (!view.zoomed && !t.thumbnail) t.clip = {1, 1, width - 1, height - statusBar};
  else t.clip = viewportRect(t);
  return t;
}

MapTransform printTransform(const Geometry& geo, const ViewState& view, const PageMetrics& page, int percent,
                            bool editing) {
  MapTransform t;
  setWindow(t, geo, view);
  t.printing = true;
  t.gap = editing ? 0 : 1;
  const double k = view.zoomed ? 0.9 : 1.0;
  const double ex = (page.width - 2.0 * page.offsetX) * percent * k / 100.0;
  const double ey = (page.height - 2.0 * page.offsetY) * page.aspectRatio * percent * k / 100.0;
  centre(t, (page.width - ex) / 2, (page.height - ey) / 2, ex, ey);
  t.clip = viewportRect(t);
  return t;
}

bool zoomRectAcceptable(const Geometry& geo, const LogicalRect& r) {
  return r.w > 0 && r.h > 0 && r.x > 0 && r.y > 0 && r.x + r.w < geo.extentX && r.y + r.h < geo.extentY;
}

LogicalRect zoomRectFromPoints(const MapTransform& t, double x0, double y0, double x1, double y1) {
  auto [ax, ay] = t.toLogical(std::min(x0, x1), std::min(y0, y1));
  auto [bx, by] = t.toLogical(std::max(x0, x1), std::max(y0, y1));
  return {ax, ay, bx - ax, by - ay};
}

bool zoomTo(const Session& s, ViewState& view, ZoomFlags flags, const LogicalRect& r) {
  if (!zoomRectAcceptable(s.ws.geo, r)) return false;
  if (!view.zoomed) {
    flags.savedFillFrameCoast = flags.fillFrameCoast;
    flags.fillFrameCoast = Flag::kOff;
  }
  view.zoom = r;
  view.zoomed = true;
  view.zoomArmed = false;
  flags.zoomArmed = Flag::kOff;
  flags.zoomed = true;
  return true;
}

void unzoom(ViewState& view, ZoomFlags flags) {
  if (view.zoomed) flags.fillFrameCoast = flags.savedFillFrameCoast;
  view.zoomed = false;
  view.zoomArmed = false;
  flags.zoomArmed = Flag::kOff;
  view.zoom = {};
  view.clientLogical = {};
  flags.zoomed = false;
}

void pan(ViewState& view, const Geometry& geo, int dx, int dy) {
  if (!view.zoomed) return;
  auto move = [](int pos, int size, int d, int lo, int hi) {
    const int to = pos + d;
    if (d < 0) return std::max(to, std::min(pos, lo));
    if (d > 0) return std::min(to, std::max(pos, hi - size));
    return pos;
  };
  view.zoom.x = move(view.zoom.x, view.zoom.w, dx, geo.originX, geo.farX);
  view.zoom.y = move(view.zoom.y, view.zoom.h, dy, geo.originY, geo.farY);
}

bool zoomAbout(const Session& s, ViewState& view, ZoomFlags flags, double x, double y, double factor, const ScreenArea* screen) {
  const Geometry& g = s.ws.geo;
  if (!(factor > 0) || !std::isfinite(factor) || !std::isfinite(x) || !std::isfinite(y)) return false;
  // The shown window (the zoom rectangle and its margins) is scaled about
  // the point, so the point stays where it is on the screen.
  MapTransform shown;
  setWindow(shown, g, view);
  x = std::clamp(x, 0.0, static_cast<double>(g.extentX));
  y = std::clamp(y, 0.0, static_cast<double>(g.extentY));
  constexpr double kMargins = 1.0 + 2.0 / 40;
  double w = shown.winW * factor / kMargins, h = shown.winH * factor / kMargins;
  const double least = std::max(2 * g.cellSize, 8);
  if (w < least || h < least) {
    // Never closer than two cells across (keeping the shape).
    if (view.zoomed && std::min(view.zoom.w, view.zoom.h) <= least + 1) return false;
    const double k = least / std::min(w, h);
    w *= k;
    h *= k;
    factor *= k;
  }
  if (w >= g.extentX - 2 || h >= g.extentY - 2) {
    if (!view.zoomed) return false;
    unzoom(view, flags);
    return true;
  }
  const double winLeft = x - (x - shown.winX) * factor, winTop = y - (y - shown.winY) * factor;
  double left = winLeft + w / 40, top = winTop + h / 40;
  auto rect = [&] {
    left = std::clamp(left, 1.0, g.extentX - 1.0 - w);
    top = std::clamp(top, 1.0, g.extentY - 1.0 - h);
    return LogicalRect{static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top)), static_cast<int>(w),
                       static_cast<int>(h)};
  };
  LogicalRect r = rect();
  if (screen) {
    // A zoomed map fills a narrower area than the whole map (the key keeps
    // its strip): the rectangle moves so that the point stays under the
    // pointer on the screen itself.
    ViewState next = view;
    next.zoomed = true;
    next.zoom = r;
    const MapTransform now = screenTransform(g, view, screen->width, screen->height, screen->statusBar);
    const MapTransform then = screenTransform(g, next, screen->width, screen->height, screen->statusBar);
    left += (then.toDeviceX(x) - now.toDeviceX(x)) / then.scaleX();
    top += (then.toDeviceY(y) - now.toDeviceY(y)) / then.scaleY();
    r = rect();
  }
  if (view.zoomed && r == view.zoom) return false;
  return zoomTo(s, view, flags, r);
}

namespace {

// Zooms to the cells `take` accepts among the grid type's, with a margin of
// a cell; false, unchanged, when there are none or they fill the frame.
template <class Take>
bool zoomToCells(const Session& s, ViewState& view, ZoomFlags flags, Take take) {
  const Workspace& ws = s.ws;
  const Geometry& g = ws.geo;
  const auto units = unitGeometry(s);
  int l = g.farX, t = g.farY, r = g.originX, b = g.originY;
  for (int n = 1; n <= units->unitCount(); ++n) {
    const MapBox c = *units->bounds(n);
    if (ws.cells[static_cast<std::size_t>(n)].background == 0 || c.x1 <= c.x0 || !take(n)) continue;
    l = std::min(l, c.x0);
    t = std::min(t, c.y0);
    r = std::max(r, c.x1);
    b = std::max(b, c.y1);
  }
  if (r <= l || b <= t) return false;
  l = std::max(1, l - g.cellSize);
  t = std::max(1, t - g.cellSize);
  r = std::min(g.extentX - 1, r + g.cellSize);
  b = std::min(g.extentY - 1, b + g.cellSize);
  // Cells that fill the frame need no zoom.
  if (l <= g.originX - g.cellSize + 1 && t <= g.originY - g.cellSize + 1 && r >= g.farX + g.cellSize - 1 &&
      b >= g.farY + g.cellSize - 1)
    return false;
  return zoomTo(s, view, flags, {l, t, r - l, b - t});
}

}  // namespace

bool zoomToData(const Session& s, ViewState& view, ZoomFlags flags) {
  // A record at any level: the dataset's presence view above level 0.
  const std::shared_ptr<const Occurrences> occ = presenceIndex(s.ws, 0);
  return zoomToCells(s, view, flags, [&](int n) { return n <= occ->units && !occ->taxaIn(n).empty(); });
}

bool frameRegionalGrid(const Session& s, ViewState& view, ZoomFlags flags) {
  if (!s.grid().regionalGrids() || s.coastApplies != CoastOutline::kNone || view.zoomed) return false;
  return zoomToCells(s, view, flags, [](int) { return true; });
}

DeviceRect captureRect(int saveArea, const ViewState& view, const MapTransform& t, const Geometry& geo, int width,
                       int height) {
  DeviceRect r{0, 0, width, height};
  if (saveArea == 0) {
    r = {1, 1, width - 1, height - kStatusBarHeight};
  } else if (saveArea == 2 && !view.zoomed) {
    const int far = t.gap + 1;
    r.left = static_cast<int>(t.toDeviceX(geo.originX));
    r.right = static_cast<int>(t.toDeviceX(geo.farX + far));
    r.top = static_cast<int>(t.toDeviceY(geo.originY));
    r.bottom = static_cast<int>(t.toDeviceY(geo.farY + far));
  }
  r.left = std::clamp(r.left, 0, width);
  r.right = std::clamp(r.right, 0, width);
  r.top = std::clamp(r.top, 0, height);
  r.bottom = std::clamp(r.bottom, 0, height);
  return r;
}

}  // namespace zn
