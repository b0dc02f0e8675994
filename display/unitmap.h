// The map of units of any grid: a project's cells or polygons coloured by
// the classes of their scores, over the coast, with a key whose swatches
// carry their values, a title, and for projected maps a scale bar and a
// north arrow. The tool's render and the window draw through it, so the
// two agree pixel for pixel.
#pragma once

#include <cstdint>
#include <memory>
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
  bool scaleBar = true;  // where the CRS keeps lengths (see MapScale)
  bool northArrow = true;
  bool graticule = false;      // meridians and parallels, labelled at the map's edges
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

// Each unit's bounding box, filed in the cells of a uniform grid over all
// of them, so that a view visits only the units it shows.
class UnitIndex {
 public:
  explicit UnitIndex(const UnitMapShapes& shapes);
  // The units whose boxes meet `box`, each once.
  void query(const CrsBox& box, std::vector<int>& out) const;
  // Unit n's box; west > east where it has no outline.
  const CrsBox& box(int n) const { return boxes_[static_cast<std::size_t>(n)]; }

 private:
  CrsBox all_;
  int columns_ = 1, rows_ = 1;
  double cellWidth_ = 1.0, cellHeight_ = 1.0;
  std::vector<CrsBox> boxes_;                // entry 0 unused
  std::vector<std::uint32_t> start_, ids_;   // units of grid cell g at ids_[start_[g] ... start_[g + 1])
  mutable std::vector<std::uint32_t> seen_;  // query stamps, so a unit in many cells comes once
  mutable std::uint32_t stamp_ = 0;
};

// The outlined unit whose rings hold a point of the CRS (even-odd over all
// its rings, so holes are outside), the lowest number where outlines
// overlap; 0 where none does. The index narrows the search to the few
// units whose boxes hold the point, so a hover needs no other index.
int outlinedUnitAt(const UnitMapShapes& shapes, const UnitIndex& index, double x, double y);

// What the map keeps between paints while the layer stays the same: each
// unit's colour, the class table of the key, a regular square grid's block
// image (one pixel per cell) and the index of outlined units. Build it
// again when the scores change; the index may be shared between layers on
// the same shapes.
class UnitMapPicture {
 public:
  UnitMapPicture(const UnitMapShapes& shapes, const UnitMapLayer& layer, std::shared_ptr<const UnitIndex> index = {});

  const UnitMapShapes& shapes;
  const UnitMapLayer& layer;
  ClassTable table;
  bool categorical = false;                 // a class per value: a count map of few distinct values
  std::vector<QRgb> palette;                // the k class colours, then the no-value colour
  std::vector<std::uint8_t> shade;          // per unit (entry 0 unused): its palette entry
  QImage blocks;                            // square lattices: the occupied window of cells
  long long blockColumn = 0, blockRow = 0;  // the window's north-west cell
  std::shared_ptr<const UnitIndex> index;   // hexagons and polygons
};

// The map laid out in `target`: the title above, the key to the right of
// the map, never over it.
void drawUnitMap(QPainter& p, const QRectF& target, const UnitMapShapes& shapes, const UnitMapLayer& layer,
                 const UnitMapStyle& style = {});
void drawUnitMap(QPainter& p, const QRectF& target, const UnitMapPicture& picture, const UnitMapStyle& style = {});

// The two halves of a map: what lies on the map area and moves with the
// view (units, graticule, coast, the set's outlines), and what stays put
// around it (frame, title, key, scale bar, north arrow, graticule labels).
// A view that pans redraws the second over a moved copy of the first.
void drawUnitMapBody(QPainter& p, const UnitMapLayout& layout, const UnitMapPicture& picture,
                     const UnitMapStyle& style);
void drawUnitMapFurniture(QPainter& p, const UnitMapLayout& layout, const UnitMapPicture& picture,
                          const UnitMapStyle& style);

// The same as an image of the given size in pixels, at the device pixel
// ratio (2: twice as many pixels each way, drawn as sharply).
QImage renderUnitMap(const UnitMapShapes& shapes, const UnitMapLayer& layer, int width, int height,
                     const UnitMapStyle& style = {}, double devicePixelRatio = 1.0);

// The colour-blind-safe ramp of k classes (viridis, dark to light), and
// the colour of units without a value.
QColor rampColour(int cls, int k);
QColor noValueColour();

}  // namespace zn
