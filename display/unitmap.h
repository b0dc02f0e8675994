// The map of units of any grid: a project's cells or polygons coloured by
// the classes of their scores, over the coast, with a key whose swatches
// carry their values, a title, and for projected maps a scale bar and a
// north arrow. The tool's render and the window draw through it, so the
// two agree pixel for pixel.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QRectF>

#include "display/classing.h"
#include "display/unitshapes.h"

namespace zn {

struct UnitMapStyle {
  bool scaleBar = true;  // projected maps only
  bool northArrow = true;
  std::optional<CrsBox> view;  // the part on show (zoomed), else the shapes' whole extent
};

// Where the map of an extent lies in a target rectangle: the map's own
// rectangle (left of the key, below the title) and the one scale that
// takes CRS units to pixels, north up.
struct UnitMapLayout {
  QRectF target, mapArea;
  double unit = 8.0;  // the size of the key's text, from which every other size follows
  double titleHeight = 0.0, keyWidth = 0.0;
  double scale = 1.0, x0 = 0.0, y0 = 0.0;
  CrsBox extent;
  QPointF toPixel(double x, double y) const {
    return {x0 + (x - extent.west) * scale, y0 + (extent.north - y) * scale};
  }
  CrsPoint toCrs(const QPointF& p) const {
    return {extent.west + (p.x() - x0) / scale, extent.north - (p.y() - y0) / scale};
  }
};
UnitMapLayout unitMapLayout(const QRectF& target, const CrsBox& extent);

// The map laid out in `target`: the title above, the key to the right of
// the map, never over it.
void drawUnitMap(QPainter& p, const QRectF& target, const UnitMapShapes& shapes, const UnitMapLayer& layer,
                 const UnitMapStyle& style = {});

// The same as an image of the given size in pixels.
QImage renderUnitMap(const UnitMapShapes& shapes, const UnitMapLayer& layer, int width, int height,
                     const UnitMapStyle& style = {});

// The colour-blind-safe ramp of k classes (viridis, dark to light), and
// the colour of units without a value.
QColor rampColour(int cls, int k);
QColor noValueColour();

}  // namespace zn
