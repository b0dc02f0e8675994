// Where the map lies on a drawing surface: the isotropic mapping of the
// logical map space onto the device, the cell gap, zooming and panning,
// and the way back from a device point to map coordinates and cells.
#pragma once

#include <algorithm>
#include <utility>

#include "store/session.h"
#include "store/unitgeometry.h"

namespace zn {

struct LogicalRect {
  int x = 0, y = 0, w = 0, h = 0;
  friend bool operator==(const LogicalRect&, const LogicalRect&) = default;
};

// A rectangle in device pixels, right and bottom exclusive.
struct DeviceRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const DeviceRect&, const DeviceRect&) = default;
};

// Height of the status bar the main window keeps below the map.
constexpr int kStatusBarHeight = 20;
// Client areas this small in either direction are thumbnails.
constexpr int kThumbnailLimit = 300;
// One arrow key moves a zoomed view this far (logical units).
constexpr int kPanStep = 133;

// The mapping of one draw: logical window onto a device viewport.
struct MapTransform {
  int winX = 0, winY = 0, winW = 3073, winH = 2249;  // logical window
  int vpX = 0, vpY = 0, vpW = 1, vpH = 1;            // device viewport, centred
  double aspect = 2249.0 / 3073.0;                   // map aspect a = height / width
  double zoomSx = 1.0, zoomSy = 1.0, zoomFactor = 1.0;
  int gap = 0;  // cell gap g in logical units
  bool thumbnail = false;
  bool printing = false;
  DeviceRect clip;

  double scaleX() const { return static_cast<double>(vpW) / winW; }
  double scaleY() const { return static_cast<double>(vpH) / winH; }
  double toDeviceX(double x) const { return vpX + (x - winX) * scaleX(); }
  double toDeviceY(double y) const { return vpY + (y - winY) * scaleY(); }
  // Logical lengths in device pixels (the smaller axis scale: isotropic).
  double toDeviceLength(double d) const { return d * std::min(scaleX(), scaleY()); }
  // A device point in logical map coordinates, cut to integers.
  std::pair<int, int> toLogical(double px, double py) const;
};

struct ViewState {
  bool zoomArmed = false;
  bool zoomed = false;
  LogicalRect zoom;           // the zoomed view: left, top, width, height
  MapTransform last;          // mapping of the last screen draw
  LogicalRect clientLogical;  // after a zoomed screen draw: the client area, logical
};

// The printer's page in device pixels (PHYSICALWIDTH/HEIGHT and OFFSETX/Y)
// and the ratio of a pixel's width to its diagonal (ASPECTX / ASPECTXY).
struct PageMetrics {
  int width = 0, height = 0;
  int offsetX = 0, offsetY = 0;
  double aspectRatio = 0.70710678;
};

// Cell gap on screen for a client of W x H at zoom factor z.
int cellGap(int width, int height, double zoomFactor);

// Mapping of the map onto a screen client area of W x H pixels, of which
// the bottom `statusBar` pixels belong to the status bar.
MapTransform screenTransform(const Geometry& geo, const ViewState& view, int width, int height,
                             int statusBar = kStatusBarHeight);

// Mapping onto a printer page at `percent` of the printable width.
MapTransform printTransform(const Geometry& geo, const ViewState& view, const PageMetrics& page, int percent,
                            bool editing);

// The unit under device point (px, py), or 0 where none is.
inline int cellAtDevice(const UnitGeometry& units, const MapTransform& t, double px, double py) {
  auto [x, y] = t.toLogical(px, py);
  return units.unitAt(x, y);
}

// A zoom rectangle is taken only with a positive size and strictly inside
// the logical extent.
bool zoomRectAcceptable(const Geometry& geo, const LogicalRect& r);
// The rectangle spanned by two device points of a rubber band.
LogicalRect zoomRectFromPoints(const MapTransform& t, double x0, double y0, double x1, double y1);

// What zooming changes beyond the view: the zoom and "fill frame-coast"
// options, the fill kept aside while zoomed, and the session's zoomed flag.
// Nothing else of the session is written by a zoom.
struct ZoomFlags {
  Flag& zoomArmed;
  Flag& fillFrameCoast;
  Flag& savedFillFrameCoast;
  bool& zoomed;
};
inline ZoomFlags zoomFlags(Session& s) {
  return {s.settings.zoomArmed, s.settings.fillFrameCoast, s.savedFillFrameCoast, s.zoomed};
}

// Zooms to r (saving and clearing "fill frame-coast"); false, unchanged, when
// the rectangle is refused.
bool zoomTo(const Session& s, ViewState& view, ZoomFlags flags, const LogicalRect& r);
// Leaves the zoomed view and restores "fill frame-coast".
void unzoom(ViewState& view, ZoomFlags flags);
// Moves a zoomed view by (dx, dy) logical units, never past the grid's
// origin or far corner.
void pan(ViewState& view, const Geometry& geo, int dx, int dy);

// The screen area a map is drawn in, as screenTransform takes it.
struct ScreenArea {
  int width = 0, height = 0;
  int statusBar = kStatusBarHeight;
};

// Zooms about logical point (x, y) by `factor` (below 1 closer, above 1
// further): the point keeps its place in the view, on `screen` when given.
// The view never shows less than two cells across; zooming out past the
// whole map leaves the zoomed view. False when nothing changed.
bool zoomAbout(const Session& s, ViewState& view, ZoomFlags flags, double x, double y, double factor, const ScreenArea* screen = nullptr);
// Zooms to the cells holding records (among those of the grid type) and a
// margin of a cell; false, unchanged, when there are none or they fill the
// whole frame.
bool zoomToData(const Session& s, ViewState& view, ZoomFlags flags);
// A newly opened regional grid type (a world-variant grid without the world
// outline) would sit in a corner of the world's frame: it opens zoomed to
// its cells. The window and the tool's render both frame their maps so.
bool frameRegionalGrid(const Session& s, ViewState& view, ZoomFlags flags);

// The part of a W x H client area "Save map" captures for save area 0
// (exclude status bar), 1 (include it) or 2 (restrict to map frame).
DeviceRect captureRect(int saveArea, const ViewState& view, const MapTransform& t, const Geometry& geo, int width,
                       int height);

}  // namespace zn
