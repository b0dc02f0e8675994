// The map renderer: one routine draws the whole map for the window, the
// bitmap save, the printer and `zonarium render`. It paints into a QImage, so
// the flood fill of the sea and the pixel reads of the black/white coast act
// on the same pixels whatever the final surface is.
#pragma once

#include <QColor>
#include <QImage>
#include <string>

#include "display/displaystate.h"
#include "store/session.h"

class QPainter;
class QRect;

namespace zn {

// Title lines of the overlay displays (written in place of the map title).
struct OverlayTitle {
  enum Kind { None, BothPresence, OnePresence, Pair };
  Kind kind = None;
  std::string first, second;              // the two overlay titles
  std::string firstDetail, secondDetail;  // second word of the "Green:"/"Blue:" lines
};

struct DrawOptions {
  int printingPercent = 0;  // 0 on screen and for bitmaps
  int coastLineWidth = 0;   // printer thicknesses, logical units; 0 on screen
  int gridLineWidth = 0;
  bool editingMode = false;  // the data editor's map editing
  int singleCellUpdate = 0;  // a cell just edited: only the top layers are redrawn
  int clickedCell = 0;
  bool highlightClicked = false;
  bool importedOverlay = false;  // coast below the cells only
  OverlayTitle overlayTitle;
  int statusBar = kStatusBarHeight;
  QColor windowColour{192, 192, 192};  // what a grey background leaves showing
  int guiFontPixels = 13;              // the stock GUI font of unscaled titles
  // Device pixels per window pixel on screen: the map is drawn at the
  // screen's own resolution (2 on a doubled screen), not scaled up.
  double pixelRatio = 1.0;
};

// The two title lines of an overlay on the map (none for other maps):
// renderMap writes them unless the options bring their own.
OverlayTitle overlayTitleOf(const Session& s);

// Makes "Arial", the map's font, resolve to an installed metric-compatible
// face. Call once after the QGuiApplication exists; later calls do nothing.
void installMapFonts();

// Paints the map into `image` through the mapping `t` (device = image
// pixels). With a single-cell update only the layers above the cells are
// painted over what the image already holds.
void renderMap(QImage& image, const MapTransform& t, const Session& s, const DisplayState& d, const DrawOptions& o);

// The whole client area of W x H as the window shows it.
QImage renderClient(const Session& s, DisplayState& d, int width, int height, const DrawOptions& o = {});

// Draws the map onto any painter in `target` (the client area, in the
// painter's device pixels) and keeps the mapping in d.view.last for the
// mouse: cellAtDevice(units, d.view.last, x, y) takes points relative to
// target's top-left corner. A window whose map widget has no status bar
// below it passes o.statusBar = 0.
void drawMap(QPainter& p, const QRect& target, const Session& s, DisplayState& d, const DrawOptions& o = {});

// Draws the map in shapes and text onto any painter (a printer, a PDF or
// SVG file) through `t`; only the sea's flood fill, when the frame is
// filled, comes as a picture of at most `maxPixels` on its longer side.
void renderMapVector(QPainter& p, const MapTransform& t, const Session& s, const DisplayState& d, const DrawOptions& o,
                     int maxPixels = 4200);

// Draws the map on a printer page of the given metrics at o.printingPercent,
// in shapes and text (see renderMapVector).
void drawMapOnPage(QPainter& p, const PageMetrics& page, const Session& s, const DisplayState& d, const DrawOptions& o,
                   int maxPixels = 4200);

}  // namespace zn
