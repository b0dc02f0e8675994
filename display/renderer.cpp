#include "display/renderer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygon>
#include <QStaticText>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "display/measurekind.h"
#include "display/scalebar.h"
#include "measures/scores.h"
#include "store/text.h"
#include "store/unitgeometry.h"

namespace zn {

namespace {

const QColor kGrey127(127, 127, 127);
const QColor kLightGrey(192, 192, 192);  // the stock light grey brush
const char* const kMapFont = "Arial";
// Smallest text of the key on screen, in pixels, and on paper, in points.
constexpr int kKeyPixels = 12;
constexpr double kKeyPoints = 8.0;
// Numbers in cells smaller than this on paper cannot be read: left out.
constexpr double kCellNumberPoints = 6.0;

QColor toQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

// Black on light colours, white on dark ones.
QColor contrastInk(const QColor& c) {
  const double luma = 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue();
  return luma > 140 ? QColor(Qt::black) : QColor(Qt::white);
}

QColor blackGreyWhite(Shade v) {
  if (v == Shade::kBlack) return Qt::black;
  if (v == Shade::kWhite) return Qt::white;
  return kGrey127;
}

struct FillScheme {
  int land, sea;
  std::array<int, 3> classes;  // colours of background classes 1, 2, 3
};

FillScheme fillScheme(FillColours setting) {
  if (setting == FillColours::kGreenBlue) return {33, 34, {34, 33, 35}};
  if (setting == FillColours::kBrown) return {38, 37, {37, 38, 36}};
  return {36, 37, {37, 36, 36}};  // greys
}

// Palette indices of the max data level spots: levels 1..4 and "both".
std::array<int, 5> spotTable(int mode, bool blackBackground) {
  switch (mode) {
    case kDarkColour: return {2, 9, 16, 21, 16};
    case kLightColour: return {2, 10, 18, 26, 18};
    case kSixteenColour: return {0, 1, 2, 3, 2};
    case kMonoLog: return blackBackground ? std::array{5, 4, 2, 0, 5} : std::array{0, 0, 3, 5, 0};
    default: return blackBackground ? std::array{5, 4, 2, 0, 2} : std::array{0, 0, 3, 5, 3};
  }
}

// Ratio of a face's character cell (ascent + descent) to its em size: the
// map's font heights are cell heights.
double cellRatio(const QFont& base) {
  QFont f(base);
  f.setPixelSize(200);
  const double h = QFontMetricsF(f).height();
  return h > 0 ? h / 200.0 : 1.15;
}

// Smooth edges for curves and slanted lines while it lives; straight cell
// edges and the flood fill's borders stay hard.
class Smooth {
 public:
  explicit Smooth(QPainter& p) : p_(p) { p_.setRenderHint(QPainter::Antialiasing, true); }
  ~Smooth() { p_.setRenderHint(QPainter::Antialiasing, false); }
  Smooth(const Smooth&) = delete;
  Smooth& operator=(const Smooth&) = delete;

 private:
  QPainter& p_;
};

class Canvas {
 public:
  // Paints through `painter` (already begun on the target). `pixels` is an
  // image of the same map drawn through `pixelMap`: the flood fill and the
  // pixel reads act on it. On a raster target it is the target itself.
  Canvas(QPainter& painter, QImage& pixels, const MapTransform& pixelMap, const MapTransform& t, const Session& s,
         const DisplayState& d, const DrawOptions& o)
      : img_(pixels),
        pixelT_(pixelMap),
        painter_(painter),
        t_(t),
        s_(s),
        d_(d),
        o_(o),
        set_(s.settings),
        geo_(s.ws.geo),
        units_(unitGeometry(s)),
        kind_(measureKind(s.map)) {
    mode_ = set_.colourMode;
    // Printed maps are on white, with the inks that read on it.
    bg_ = t.printing ? Shade::kWhite : set_.backgroundColour;
    colour256_ = isColour256Mode(mode_) && d.palette.size >= 256;
    // The three-axis palette takes the entries of the land and sea colours.
    fill_ = set_.fillFrameCoast != Flag::kOff && colour256_ && d.palette.classCount <= 33;
    frameOn_ = set_.frameShown != Flag::kOff || fill_;
    coastOn_ = set_.coastShown != Flag::kOff || fill_;
    gridNumber_ = s.gridTypes.current + 1;
    // The world outline lies under every world grid type, the regional
    // ones too: their cells are the world's cells.
    hasCoast_ =
        (s.coastApplies != CoastOutline::kNone || s.grid().regionalGrids()) && s.coastlineRead && s.coast.countA > 1;
    scheme_ = fillScheme(set_.fillColours);
    coastWidth_ = t.printing ? o.coastLineWidth : 0;
    gridWidth_ = t.printing ? o.gridLineWidth : 0;
    thumbnail_ = t.thumbnail && !t.printing;
    cells_ = units_->unitCount();
    ratio_ = t.printing ? 1.0 : std::max(1.0, o.pixelRatio);
    if (divergingRampApplies(d.palette, set_, s.map.code()) && d.classes.classCount > 0) {
      // Residuals are stored shifted up by the lowest one: zero sits at
      // minus the offset.
      diverging_ = d.palette;
      putDivergingRamp(*diverging_, classOfScore(d.classes, -s.map.scoreOffset), set_.maxNotSeparate == Flag::kOff);
    }
  }

  // Which layers a run draws: all, or only the ones below the cells (the
  // background, frame, sea fill and first coast), or those and the cells.
  // Key: only the key, on a panel of the background colour (a zoomed view
  // on screen draws it this way, where the whole map would have it).
  enum class Layers { All, Base, UpToCells, Key };
  void run(Layers layers = Layers::All);
  // On a vector target the base layers come as this picture of them.
  const QImage* baseLayers_ = nullptr;
  // On a finer screen they come as this picture at one pixel per window
  // pixel, stretched over the whole device.
  const QImage* baseDevice_ = nullptr;
  OverlayTitle overlayTitle_;
  bool importedOverlay_ = false;

 private:
  const GridCell& cell(int n) const { return s_.ws.cells[static_cast<std::size_t>(n)]; }
  // The rectangle of unit n, one of 1 … cells_.
  MapBox box(int n) const { return *units_->bounds(n); }
  QRect inset(int n, int i) const {
    const MapBox b = box(n);
    return QRect(b.x0 + i, b.y0 + i, b.width() - 2 * i, b.height() - 2 * i);
  }
  void fillUnit(int n, int g, const QColor& c) {
    const MapBox b = box(n);
    fillLogical(b.x0, b.y0, b.x1 + g, b.y1 + g, c);
  }
  // The palette in force: the display's, or its copy with the diverging ramp.
  const Palette& pal() const { return diverging_ ? *diverging_ : d_.palette; }
  QColor palette(int index) const { return toQColor(pal().at(index)); }
  QColor cellColour(const GridCell& c) const { return toQColor(pal().colour(c.fillColour)); }
  QPen pen(const QColor& c, int width) const {
    QPen p(c, width);
    p.setCosmetic(width == 0);
    return p;
  }
  // GDI rectangles with the null pen leave out their right and bottom edges.
  void fillLogical(int l, int t, int r, int b, const QColor& c) { painter_.fillRect(QRect(l, t, r - l, b - t), c); }
  void outlineLogical(int l, int t, int r, int b, const QPen& p) {
    painter_.setPen(p);
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(QRect(l, t, r - l, b - t));
  }

  QFont mapFont(double logicalHeight, bool italic = false) const;
  // Device pixels of a font of `points` on the page (printing only).
  double pointPixels(double points) const { return points * painter_.device()->logicalDpiY() / 72.0; }
  double deviceHeight(double logicalHeight) const { return t_.toDeviceLength(logicalHeight); }
  // Text in device pixels: the view mapping is switched off for it.
  void text(double x, double y, const QString& s, Qt::Alignment align, const QColor& c);
  void textInCell(int n, const QString& s, const QColor& colour);

  void background();
  void frameAndCoast(int pass);
  void frameOutline();
  QColor frameColour() const;
  void coastline(int pass);
  void seaFill();
  void floodFill(int x, int y, QRgb colour);
  void fineGrid();
  void cellColours();
  void spot(int n, const QColor& fillColour, bool large);
  void overlayCells();
  // The small dark ellipse of a presence map on the cells it marks.
  void presenceMarks(const std::function<bool(int)>& marked);
  void twoAxisLegend();
  void threeAxisLegend();
  bool threeAxisShown() const {
    return s_.map.code() == kCodeImportedScores && s_.overlay.threeAxis.loaded && d_.palette.overlayInForce;
  }
  void title();
  void scaleBar();
  void key();
  void keyPanel();
  // A zoomed view on screen draws its key apart, at the whole map's place.
  bool keyApart() const { return d_.view.zoomed && !t_.printing; }
  void wordedKey(const std::vector<KeyEntry>& entries, int x, int y, int w, int h);
  QColor keyInk() const;
  QFont keyFont(double logicalHeight) const;
  double keyShift(double rightDevice) const;
  void keyTitle(double left, double bottom, const QFont& f);
  void emblem();
  void numbersAndMarkers();
  void highlight();
  void zoomBorder();

  QImage& img_;
  const MapTransform& pixelT_;
  QPainter& painter_;
  const MapTransform& t_;
  const Session& s_;
  const DisplayState& d_;
  const DrawOptions& o_;
  const Settings& set_;
  const Geometry& geo_;
  std::unique_ptr<UnitGeometry> units_;
  MeasureKind kind_;
  int mode_ = 0;
  Shade bg_ = Shade::kGrey;
  bool colour256_ = false, fill_ = false, frameOn_ = false, coastOn_ = false;
  int gridNumber_ = 0;
  bool hasCoast_ = false;
  FillScheme scheme_{};
  int coastWidth_ = 0, gridWidth_ = 0;
  bool thumbnail_ = false;
  int cells_ = 0;
  double arialRatio_ = 1.15;
  double ratio_ = 1.0;  // device pixels per window pixel
  std::optional<Palette> diverging_;
};

QFont Canvas::mapFont(double logicalHeight, bool italic) const {
  QFont f(kMapFont);
  f.setWeight(QFont::Normal);
  f.setItalic(italic);
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(deviceHeight(logicalHeight) / arialRatio_))));
  return f;
}

void Canvas::text(double x, double y, const QString& s, Qt::Alignment align, const QColor& c) {
  painter_.setViewTransformEnabled(false);
  painter_.setPen(c);
  const double dx = t_.toDeviceX(x), dy = t_.toDeviceY(y);
  // A zero-size rectangle at the anchor with DontClip places the text by its
  // alignment around the anchor point.
  painter_.drawText(QRectF(dx, dy, 0, 0), static_cast<int>(align) | Qt::TextDontClip, s);
  painter_.setViewTransformEnabled(true);
}

void Canvas::textInCell(int n, const QString& s, const QColor& colour) {
  const MapBox b = box(n);
  text((b.x0 + b.x1 + t_.gap) / 2.0, (b.y0 + b.y1 + t_.gap) / 2.0, s, Qt::AlignCenter, colour);
}

void Canvas::run(Layers layers) {
  painter_.save();
  arialRatio_ = cellRatio(QFont(kMapFont));
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setRenderHint(QPainter::TextAntialiasing, true);
  const DeviceRect& c = t_.clip;
  painter_.setClipRect(QRect(c.left, c.top, c.width(), c.height()));
  painter_.setWindow(t_.winX, t_.winY, t_.winW, t_.winH);
  painter_.setViewport(t_.vpX, t_.vpY, t_.vpW, t_.vpH);

  if (layers == Layers::Key) {
    keyPanel();
    key();
    painter_.restore();
    return;
  }
  const bool single = o_.singleCellUpdate != 0;
  const bool skipLower = single && (!t_.printing || bg_ == Shade::kWhite);
  if (!skipLower) {
    if (baseLayers_) {
      painter_.drawImage(QRectF(t_.winX, t_.winY, t_.winW, t_.winH), *baseLayers_);
    } else if (baseDevice_) {
      painter_.setViewTransformEnabled(false);
      painter_.drawImage(QRectF(0, 0, painter_.device()->width(), painter_.device()->height()), *baseDevice_);
      painter_.setViewTransformEnabled(true);
    } else {
      background();
      frameAndCoast(1);
    }
    if (layers == Layers::Base) {
      painter_.restore();
      return;
    }
    if (isOn(set_.fineGridShown)) fineGrid();
    cellColours();
    if (layers == Layers::UpToCells) {
      painter_.restore();
      return;
    }
    if (isOn(set_.writeTitle) && !thumbnail_ && !kind_.noTitle) title();
  }
  if (!keyApart()) key();
  frameAndCoast(2);
  // The emblem belongs beside the whole map; a zoomed view would cut it.
  if (!t_.printing && !thumbnail_ && !d_.view.zoomed) emblem();
  if (!o_.editingMode) numbersAndMarkers();
  if (o_.highlightClicked) highlight();
  if (frameOn_ && !d_.view.zoomed) frameOutline();
  if (d_.view.zoomed && !single) zoomBorder();
  painter_.restore();
}

void Canvas::key() {
  if (!isOn(set_.scaleBarShown) || thumbnail_) return;
  if (kind_.overlay && s_.overlay.twoAxisPlotted) twoAxisLegend();
  else if (threeAxisShown()) threeAxisLegend();
  else if (!(kind_.overlay && s_.overlay.presence[0] && s_.overlay.presence[1])) scaleBar();
}

// The strip right of the whole map's frame, in the background colour, so
// that the key over a zoomed view reads as on the whole map.
void Canvas::keyPanel() {
  if (!isOn(set_.scaleBarShown) || thumbnail_) return;
  painter_.setViewTransformEnabled(false);
  const QColor c = bg_ == Shade::kBlack   ? QColor(Qt::black)
                   : bg_ == Shade::kWhite ? QColor(Qt::white)
                                          : o_.windowColour;
  const double left = t_.toDeviceX(geo_.farX) + 2;
  const double bottom = t_.toDeviceY(geo_.originY + (geo_.farY - geo_.originY) / 2 + 24);
  painter_.fillRect(QRectF(left, t_.clip.top, t_.clip.right - left, bottom - t_.clip.top), c);
  painter_.setViewTransformEnabled(true);
}

void Canvas::background() {
  if (t_.printing) {
    // Paper is white: a screen's grey or black would print as a large
    // block of toner.
    painter_.fillRect(QRect(t_.winX, t_.winY, t_.winW, t_.winH), Qt::white);
    return;
  }
  painter_.setViewTransformEnabled(false);
  const QColor c = bg_ == Shade::kBlack   ? QColor(Qt::black)
                   : bg_ == Shade::kWhite ? QColor(Qt::white)
                                          : o_.windowColour;
  painter_.fillRect(QRect(0, 0, painter_.device()->width(), painter_.device()->height()), c);
  painter_.setViewTransformEnabled(true);
}

QColor Canvas::frameColour() const {
  if (mode_ == kMonoLog) return bg_ == Shade::kBlack ? QColor(Qt::white) : QColor(Qt::black);
  if (fill_) return palette(scheme_.sea);
  return QColor(85, 85, 85);
}

void Canvas::frameOutline() {
  outlineLogical(geo_.originX, geo_.originY, geo_.farX, geo_.farY, pen(frameColour(), coastWidth_));
}

void Canvas::frameAndCoast(int pass) {
  const int g = t_.gap;
  if (pass == 1) {
    if (fill_ && gridNumber_ != 5) {
      const bool land = gridNumber_ == 1 || gridNumber_ == 2;
      fillLogical(geo_.originX, geo_.originY, geo_.farX + g + 1, geo_.farY + g + 1,
                  palette(land ? scheme_.land : scheme_.sea));
    }
    if (frameOn_) frameOutline();
    if (fill_ && (!hasCoast_ || gridNumber_ >= 3)) {
      for (int n = 1; n <= cells_; ++n) {
        const GridCell& c = cell(n);
        // The grid type's ordinary cells are its land: they take the land
        // colour, or they would vanish into the sea-coloured frame.
        if (c.background == 1) fillUnit(n, g, palette(scheme_.land));
        else if (c.background >= 2 && c.background <= 3)
          fillUnit(n, g, palette(scheme_.classes[static_cast<std::size_t>(c.background - 1)]));
      }
    } else if (!fill_ && !hasCoast_ && (isOn(set_.fineGridShown) || mode_ != kMonoLog)) {
      const CoastColour cc = set_.coastColour;
      const QColor line = cc == CoastColour::kWhite || (cc == CoastColour::kBlackWhite && bg_ == Shade::kBlack)
                              ? QColor(Qt::white)
                          : cc == CoastColour::kGrey ? kGrey127
                                                     : QColor(Qt::black);
      painter_.setPen(pen(line, coastWidth_));
      if (isOn(set_.fineGridShown)) painter_.setBrush(Qt::NoBrush);
      else
        painter_.setBrush(bg_ == Shade::kBlack   ? QColor(Qt::black)
                          : bg_ == Shade::kWhite ? QColor(Qt::white)
                                                 : kLightGrey);
      for (int n = 1; n <= cells_; ++n) {
        if (cell(n).background == 1) painter_.drawRect(inset(n, 0));
      }
    }
  }
  coastline(pass);
  if (pass == 1 && fill_ && (gridNumber_ == 1 || gridNumber_ == 2)) seaFill();
}

void Canvas::coastline(int pass) {
  if (!hasCoast_ || !coastOn_) return;
  if (!thumbnail_ && !fill_) {
    const int wanted = o_.importedOverlay || importedOverlay_ ? 1 : 2;
    if (pass != wanted) return;
  }
  const auto& pts = s_.coast.points;
  const int lineCount = std::min<int>(s_.coast.countA, static_cast<int>(pts.size()));
  // A segment with an end above the frame or right of it is a break between
  // two outlines, never a line.
  auto drawn = [&](const CoastPoint& p) { return p.y >= geo_.originY && p.x <= geo_.farX; };
  const CoastColour cc = set_.coastColour;
  QColor single;
  bool perSegment = false;
  const bool worldGrid = gridNumber_ == 1 || gridNumber_ == 2;
  if (fill_ && (pass == 1 || worldGrid)) {
    // The world's coast bounds the sea fill; elsewhere the outline is drawn
    // again on top in the coast colour, so the land keeps its shape.
    single = palette(scheme_.sea);
  } else if (cc == CoastColour::kWhite) {
    single = Qt::white;
  } else if (cc == CoastColour::kBlack) {
    single = Qt::black;
  } else if (cc == CoastColour::kBlackWhite) {
    perSegment = true;
  } else {
    single = mode_ == kMonoLog && bg_ == Shade::kWhite ? QColor(191, 191, 191) : kGrey127;
  }
  // The sea's flood fill needs the hard line it is bounded by.
  std::optional<Smooth> smooth;
  if (!(fill_ && pass == 1)) smooth.emplace(painter_);
  if (!perSegment) {
    painter_.setPen(pen(single, coastWidth_));
    for (int i = 0; i + 1 < lineCount; ++i) {
      const CoastPoint& a = pts[static_cast<std::size_t>(i)];
      const CoastPoint& b = pts[static_cast<std::size_t>(i + 1)];
      if (drawn(a) && drawn(b)) painter_.drawLine(a.x, a.y, b.x, b.y);
    }
    return;
  }
  // Black/white coast: every segment's colour comes from the pixels already
  // drawn under both of its ends, all read before any segment is drawn.
  auto pixelAt = [&](const CoastPoint& p) -> QRgb {
    const int x = static_cast<int>(pixelT_.toDeviceX(p.x)), y = static_cast<int>(pixelT_.toDeviceY(p.y));
    if (x < 0 || y < 0 || x >= img_.width() || y >= img_.height()) return qRgb(255, 255, 255);
    return reinterpret_cast<const QRgb*>(img_.constScanLine(y))[x];
  };
  auto sum = [](QRgb c) { return qRed(c) + qGreen(c) + qBlue(c); };
  auto light = [](QRgb c) {
    const QRgb v = c & 0xFFFFFF;
    return v == 0xD2D2D2 || v == 0xFFFFFF || v == 0x7F7F7F;
  };
  std::vector<char> marked(static_cast<std::size_t>(std::max(lineCount, 1)), 0);
  const int threshold = bg_ == Shade::kBlack ? 630 : 292;
  for (int i = 0; i + 1 < lineCount; ++i) {
    const QRgb a = pixelAt(pts[static_cast<std::size_t>(i)]);
    const QRgb b = pixelAt(pts[static_cast<std::size_t>(i + 1)]);
    marked[static_cast<std::size_t>(i)] =
        mode_ == kMonoLog ? (light(a) || light(b)) : (sum(a) < threshold && sum(b) < threshold);
  }
  QColor on, off;
  if (mode_ == kMonoLog) {
    on = QColor(97, 97, 97);
    off = QColor(210, 210, 210);
  } else {
    on = Qt::white;
    off = bg_ == Shade::kBlack ? QColor(63, 63, 63) : QColor(Qt::black);
  }
  const QPen onPen = pen(on, coastWidth_), offPen = pen(off, coastWidth_);
  for (int i = 0; i + 1 < lineCount; ++i) {
    const CoastPoint& a = pts[static_cast<std::size_t>(i)];
    const CoastPoint& b = pts[static_cast<std::size_t>(i + 1)];
    if (!drawn(a) || !drawn(b)) continue;
    painter_.setPen(marked[static_cast<std::size_t>(i)] ? onPen : offPen);
    painter_.drawLine(a.x, a.y, b.x, b.y);
  }
}

void Canvas::seaFill() {
  const QColor sea = palette(scheme_.sea);
  outlineLogical(geo_.originX, geo_.originY, geo_.farX, geo_.farY, pen(sea, coastWidth_));
  const QRgb seaRgb = sea.rgb();
  auto seed = [&](int x, int y) {
    floodFill(static_cast<int>(t_.toDeviceX(x)), static_cast<int>(t_.toDeviceY(y)), seaRgb);
  };
  const auto& pts = s_.coast.points;
  const int first = std::max(0, s_.coast.countA);
  const int last = std::min<int>(first + std::max(0, s_.coast.countB), static_cast<int>(pts.size()));
  for (int i = first; i < last; ++i) {
    const CoastPoint& p = pts[static_cast<std::size_t>(i)];
    if (p.x > geo_.originX && p.x < geo_.farX && p.y > geo_.originY && p.y < geo_.farY) seed(p.x, p.y);
  }
  const int ox = geo_.originX, oy = geo_.originY, fx = geo_.farX, fy = geo_.farY;
  seed(ox + 16, oy + 16);
  seed(fx - 16, oy + 16);
  seed(fx - 16, fy - 16);
  seed(ox + 16, fy - 16);
  seed(ox + 16, oy + (fy - oy) / 6);
  seed(fx - 16, oy + (fy - oy) / 6);
}

// Border flood fill: every pixel 4-connected to the seed that is not the
// border colour becomes the border colour, within the clip rectangle.
void Canvas::floodFill(int x, int y, QRgb colour) {
  const DeviceRect c = t_.clip;
  const int left = std::max(c.left, 0), top = std::max(c.top, 0);
  const int right = std::min(c.right, img_.width()), bottom = std::min(c.bottom, img_.height());
  if (x < left || x >= right || y < top || y >= bottom) return;
  colour |= 0xFF000000u;
  auto row = [&](int yy) { return reinterpret_cast<QRgb*>(img_.scanLine(yy)); };
  auto open = [&](const QRgb* r, int xx) { return (r[xx] | 0xFF000000u) != colour; };
  if (!open(row(y), x)) return;
  std::vector<std::pair<int, int>> stack{{x, y}};
  while (!stack.empty()) {
    auto [sx, sy] = stack.back();
    stack.pop_back();
    QRgb* r = row(sy);
    if (!open(r, sx)) continue;
    int l = sx, rr = sx;
    while (l > left && open(r, l - 1)) --l;
    while (rr + 1 < right && open(r, rr + 1)) ++rr;
    std::fill(r + l, r + rr + 1, colour);
    for (int ny : {sy - 1, sy + 1}) {
      if (ny < top || ny >= bottom) continue;
      const QRgb* n = row(ny);
      bool inRun = false;
      for (int xx = l; xx <= rr; ++xx) {
        const bool o = open(n, xx);
        if (o && !inRun) stack.emplace_back(xx, ny);
        inRun = o;
      }
    }
  }
}

void Canvas::fineGrid() {
  const QColor c = blackGreyWhite(set_.fineGridColour);
  const FineGridStyle style = set_.fineGridStyle;
  painter_.setPen(pen(c, gridWidth_));
  if (style == FineGridStyle::kLines) {
    for (const LatticeLine& l : s_.ws.lattice) painter_.drawLine(l.x0, l.y0, l.x1, l.y1);
  } else {
    for (int n = 1; n <= cells_; ++n) {
      // A mark at each unit's top left corner, except on the frame's edges.
      const MapBox b = box(n);
      if (b.x0 <= geo_.originX || b.y0 <= geo_.originY) continue;
      if (style == FineGridStyle::kCrosses) {
        painter_.drawLine(b.x0 - 4, b.y0, b.x0 + 4, b.y0);
        painter_.drawLine(b.x0, b.y0 - 4, b.x0, b.y0 + 4);
      } else {
        if (&pixelT_ != &t_) {
          painter_.drawPoint(b.x0, b.y0);
          continue;
        }
        const int x = static_cast<int>(t_.toDeviceX(b.x0)), y = static_cast<int>(t_.toDeviceY(b.y0));
        const DeviceRect& k = t_.clip;
        if (x >= std::max(k.left, 0) && y >= std::max(k.top, 0) && x < std::min(k.right, img_.width()) &&
            y < std::min(k.bottom, img_.height()))
          reinterpret_cast<QRgb*>(img_.scanLine(y))[x] = c.rgb();
      }
    }
  }
  if (frameOn_) frameOutline();
}

void Canvas::spot(int n, const QColor& fillColour, bool large) {
  const int i = static_cast<int>(std::lround(geo_.cellSize / (large ? 3.0 : 6.0))) - 4;
  const bool clicked = o_.clickedCell != 0 && n == o_.clickedCell;
  painter_.setPen(pen(bg_ == Shade::kBlack || clicked ? QColor(Qt::white) : QColor(Qt::black), 0));
  painter_.setBrush(fillColour);
  Smooth smooth(painter_);
  painter_.drawEllipse(inset(n, i));
}

void Canvas::cellColours() {
  if (kind_.overlay) {
    overlayCells();
    return;
  }
  if (kind_.countType && set_.coloursAndNumbers == CellLabels::kNumbers) return;
  const int g = t_.gap;
  if (kind_.maxLevelSpots) {
    const auto table = spotTable(mode_, bg_ == Shade::kBlack);
    for (int n = 1; n <= cells_; ++n) {
      const GridCell& c = cell(n);
      if (c.count >= 1 && c.count <= 4) spot(n, palette(table[static_cast<std::size_t>(c.count - 1)]), false);
    }
    return;
  }
  painter_.setPen(Qt::NoPen);
  for (int n = 1; n <= cells_; ++n) {
    const GridCell& c = cell(n);
    if (c.scored) fillUnit(n, g, cellColour(c));
  }
}

// The overlay display: spots in the two-axis colours for a pair; for two
// presence overlays whole-cell ellipses by membership; with one presence
// overlay the quantitative side in score colours and the presence side as a
// small dark ellipse on top.
void Canvas::overlayCells() {
  const OverlayState& o = s_.overlay;
  if (o.presence[0] && o.presence[1]) {
    const auto table = spotTable(mode_, bg_ == Shade::kBlack);
    const bool mono = mode_ == kMonoLog;
    painter_.setPen(mono ? pen(Qt::black, 0) : QPen(Qt::NoPen));
    for (int n = 1; n <= cells_; ++n) {
      const GridCell& c = cell(n);
      if (!c.scored) continue;
      const bool first = c.score > 0, second = readBackCell(s_.ws, n).score > 0;
      QColor colour = palette(table[first && second ? 4 : first ? 3 : 0]);
      if (!first && mono) colour = Qt::white;
      painter_.setBrush(colour);
      painter_.drawEllipse(inset(n, 0));
    }
    return;
  }
  const bool onePresence = o.presence[0] || o.presence[1];
  for (int n = 1; n <= cells_; ++n) {
    const GridCell& c = cell(n);
    if (c.scored && (!onePresence || c.fillColour != 0)) spot(n, cellColour(c), false);
  }
  if (!onePresence) return;
  presenceMarks([&](int n) { return (o.presence[0] ? cell(n).score : readBackCell(s_.ws, n).score) > 0; });
}

void Canvas::presenceMarks(const std::function<bool(int)>& marked) {
  const QColor mark = bg_ == Shade::kBlack ? kGrey127 : QColor(Qt::black);
  painter_.setPen(pen(mark, 0));
  painter_.setBrush(mark);
  const int i = geo_.cellSize / 4;
  Smooth smooth(painter_);
  for (int n = 1; n <= cells_; ++n) {
    if (marked(n)) painter_.drawEllipse(inset(n, i));
  }
}

// The two-axis key in place of the scale bar: the 10 x 10 colour block,
// foreground classes upwards and background classes rightwards, each box
// with its number of cells.
void Canvas::twoAxisLegend() {
  // The block takes the whole margin right of the frame.
  const int x = geo_.farX + 40;
  const int y = geo_.originY + 4;
  const int room = std::max(10, geo_.extentX - x - 30);
  const int b = std::max(1, std::min(room / 10, (geo_.farY - geo_.originY) / 12));
  fillLogical(x - 4, y - 4, x + 10 * b + 4, y + 10 * b + 4, kGrey127);
  const QFont f = mapFont(b * 0.55);
  painter_.setFont(f);
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 10; ++j) {
      const int left = x + j * b, top = y + (9 - i) * b;
      const QColor c = palette(40 + 10 * i + j);
      fillLogical(left, top, left + b - 1, top + b - 1, c);
      const int count = s_.overlay.legend[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
      if (count > 0 && deviceHeight(b * 0.55) >= 5 * ratio_) {
        const QColor ink = contrastInk(c);
        text(left + b / 2.0, top + b / 2.0, QString::number(count), Qt::AlignCenter, ink);
      }
    }
  const QColor ink = bg_ == Shade::kBlack ? QColor(Qt::white) : QColor(Qt::black);
  painter_.setFont(mapFont(b * 0.8));
  text(x, y + 10 * b + 16, QString::fromUtf8("Green \u2191  Blue \u2192"), Qt::AlignLeft | Qt::AlignTop, ink);
}

// The three-axis key: one ramp per colour, lowest level at the bottom, with
// the axis shown on it.
void Canvas::threeAxisLegend() {
  const ThreeAxisBuffer& t = s_.overlay.threeAxis;
  const int levels = d_.palette.classCount >= 4096 ? 16 : 6;
  const int ox = geo_.originX, fx = geo_.farX;
  const int x = fx + (geo_.extentX - fx) / 3 - (fx - ox) / 200;
  const int y = geo_.originY + 4;
  const int w = std::max(8, (fx - ox) / 100);
  const int h = std::max(2, (geo_.farY - geo_.originY) / (2 * levels));
  const QColor ink = bg_ == Shade::kBlack ? QColor(Qt::white) : QColor(Qt::black);
  painter_.setFont(mapFont(std::min(3 * w, 60)));
  // Column k of the key shows colour k: red, green, blue.
  const std::array<int, 3> colourOf{2, 0, 1};
  const std::array<const char*, 3> names{"R", "G", "B"};
  for (int k = 0; k < 3; ++k) {
    const int left = x + k * 4 * w;
    fillLogical(left - 4, y - 4, left + w + 4, y + levels * h + 4, kGrey127);
    for (int l = 0; l < levels; ++l) {
      int index = 0;
      if (colourOf[k] == 2) index = l * levels * levels;
      else if (colourOf[k] == 0) index = l * levels;
      else index = l;
      // The other two colours at their lowest level.
      const int top = y + (levels - 1 - l) * h;
      fillLogical(left, top, left + w, top + h, palette(index));
    }
    const int colour = colourOf[static_cast<std::size_t>(k)];
    const int axis = std::clamp(t.axisOfColour[static_cast<std::size_t>(colour)], 0, 2) + 1;
    const bool on = t.on[static_cast<std::size_t>(colour)];
    text(left + w / 2.0, y + levels * h + 12, QString::fromLatin1(names[static_cast<std::size_t>(k)]),
         Qt::AlignHCenter | Qt::AlignTop, ink);
    text(left + w / 2.0, y + levels * h + 12 + 4 * w, on ? QString::number(axis) : QStringLiteral("-"),
         Qt::AlignHCenter | Qt::AlignTop, ink);
  }
}

void Canvas::title() {
  const QColor colour = bg_ == Shade::kBlack ? QColor(Qt::white) : QColor(Qt::black);
  QFont f;
  if (isOn(set_.scalableTitle)) {
    f = mapFont(64, kind_.italicTitle);
  } else {
    f = QFont(kMapFont);
    f.setPixelSize(std::max(1, o_.guiFontPixels));
    f.setItalic(kind_.italicTitle);
  }
  painter_.setFont(f);
  std::string line1 = s_.map.title, line2;
  const OverlayTitle& ot = o_.overlayTitle.kind != OverlayTitle::None ? o_.overlayTitle : overlayTitle_;
  switch (ot.kind) {
    case OverlayTitle::BothPresence:
      line1 = strprintf("1: %s", ot.first.c_str());
      line2 = strprintf("2: %s", ot.second.c_str());
      break;
    case OverlayTitle::OnePresence:
      line1 = strprintf("spot:  %s", ot.first.c_str());
      line2 = strprintf("scale: %s", ot.second.c_str());
      break;
    case OverlayTitle::Pair:
      line1 = strprintf("Green: %s %s", ot.first.c_str(), ot.firstDetail.c_str());
      line2 = strprintf("Blue:  %s %s", ot.second.c_str(), ot.secondDetail.c_str());
      break;
    case OverlayTitle::None: break;
  }
  if (threeAxisShown()) {
    // The axis titles under the map title: "1: ...  2: ...  3: ...".
    const auto& titles = s_.overlay.threeAxis.titles;
    for (std::size_t a = 0; a < titles.size(); ++a)
      if (!titles[a].empty()) line2 += strprintf("%s%zu: %s", line2.empty() ? "" : "   ", a + 1, titles[a].c_str());
  }
  double x = geo_.originX;
  Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
  if (o_.editingMode) {
    if (frameOn_) {
      x = (geo_.originX + geo_.farX) / 2.0;
      align = Qt::AlignHCenter | Qt::AlignTop;
    } else {
      x += 370;
    }
  }
  const double y = geo_.farY + 64;
  if (!line1.empty()) text(x, y, QString::fromStdString(line1), align, colour);
  if (!line2.empty()) text(x, y + geo_.cellSize, QString::fromStdString(line2), align, colour);
}

// Ink that reads on the background the key is drawn on.
QColor Canvas::keyInk() const { return bg_ == Shade::kBlack ? QColor(Qt::white) : QColor(Qt::black); }

// The key's text: the scale bar's own height, but never smaller than
// kKeyPixels on screen or kKeyPoints on paper.
QFont Canvas::keyFont(double logicalHeight) const {
  QFont f = mapFont(logicalHeight);
  const double least = t_.printing ? pointPixels(kKeyPoints) : kKeyPixels * ratio_;
  f.setPixelSize(std::max(f.pixelSize(), static_cast<int>(std::lround(least))));
  return f;
}

// Device shift to the left that keeps a key whose right edge lies at
// `rightDevice` inside the drawing area.
double Canvas::keyShift(double rightDevice) const {
  const double limit = std::min<double>(t_.clip.right, painter_.device()->width()) - 3;
  return std::max(0.0, rightDevice - limit);
}

// The measure's name above the key at device point (left, bottom).
void Canvas::keyTitle(double left, double bottom, const QFont& f) {
  if (s_.map.title.empty()) return;
  QFont bold(f);
  bold.setBold(true);
  painter_.setFont(bold);
  const QString title = QString::fromStdString(s_.map.title);
  const double width = QFontMetricsF(bold).horizontalAdvance(title);
  left = std::max<double>(std::max(t_.clip.left, 0) + 3, left - keyShift(left + width));
  painter_.setViewTransformEnabled(false);
  painter_.setPen(keyInk());
  painter_.drawText(QPointF(left, bottom - QFontMetricsF(bold).descent()), title);
  painter_.setViewTransformEnabled(true);
  painter_.setFont(f);
}

void Canvas::scaleBar() {
  const int k = std::max(1, d_.palette.classCount);
  const int ox = geo_.originX, oy = geo_.originY, fx = geo_.farX, fy = geo_.farY;
  const int w = (fx - ox) / 100, h = (fy - oy) / (2 * k), g = t_.gap;
  int x = fx + (geo_.extentX - fx) / 3 - (fx - ox) / 200;
  const int y = oy + 4;
  const ClassTable& ct = d_.classes;
  const ScaleBarStyle style = set_.scaleBarStyle;
  const bool labelled = style != ScaleBarStyle::kPlain && ct.scoredCells > 0 && !s_.map.title.empty() &&
                        ct.classCount == k && static_cast<int>(ct.limits.size()) >= k;
  if (labelled && kind_.category) {
    const std::vector<KeyEntry> entries = categoryKey(s_, kind_);
    if (!entries.empty()) {
      wordedKey(entries, x, y, w, h);
      return;
    }
  }
  // Inverted, the bar runs from the largest scores' colour at the top, as
  // the map is coloured.
  const bool inverted = ct.inverted && ct.classCount == k;
  auto boxOf = [&](int c) { return inverted ? c + 1 : k - c; };  // 1 = top box

  const int textHeight = k < 33 ? (w < h ? 2 * w : 2 * h) : h;
  const QFont f = keyFont(textHeight);
  const QFontMetricsF fm(f);
  std::vector<std::pair<int, QString>> labels;
  if (labelled && style == ScaleBarStyle::kNumbers)
    for (const ScaleLabel& l : scaleBarLabels(ct, kind_, set_.scaleType, inverted))
      labels.emplace_back(l.classNumber, QString::fromStdString(l.text));
  // Right-aligned column: the numbers end at the widest number's edge; a
  // trailing "%" stands beyond it.
  double widest = 0, pct = 0;
  for (auto& [c, txt] : labels) {
    const QString digits = txt.endsWith('%') ? txt.chopped(1) : txt;
    widest = std::max(widest, fm.horizontalAdvance(digits));
    if (txt.endsWith('%')) pct = fm.horizontalAdvance(QStringLiteral("%"));
  }
  const double scale = std::max(t_.toDeviceLength(1.0), 1e-9);
  // The whole key moves left when its numbers would run off the window.
  // The numbers keep a few pixels clear of the bar on small maps.
  const double gapToBar = std::max(0.0, t_.toDeviceX(x + w + g + 12) + 3 - t_.toDeviceX(x + 3 * w)) / scale;
  const double keyRight =
      labels.empty() ? t_.toDeviceX(x + w + g + 12) : t_.toDeviceX(x + 3 * w + gapToBar) + widest + pct;
  x -= static_cast<int>(std::ceil(keyShift(keyRight) / scale));
  const int column = x + 3 * w;

  fillLogical(x - 4, y - 4, x + w + g + 12, y + k * h + g + 12, kGrey127);
  for (int c = 0; c < k; ++c) {
    const int n = boxOf(c);
    fillLogical(x, y + (n - 1) * h, x + w + g + 8, y + n * h + g + 8, palette(c));
  }
  if (!labelled) return;
  auto boxMiddle = [&](int c) {
    const int n = boxOf(c);
    return (y + (n - 1) * h + y + n * h + g + 8) / 2.0;
  };
  if (style == ScaleBarStyle::kNumbers) {
    painter_.setFont(f);
    keyTitle(t_.toDeviceX(x - 4), t_.toDeviceY(y - 4) - 3, f);
    const double right = column + gapToBar + widest / scale;
    // From the top of the bar down, a label that would touch the one above
    // it is left out.
    std::sort(labels.begin(), labels.end(), [&](auto& a, auto& b) { return boxOf(a.first) < boxOf(b.first); });
    double lastMiddle = -1e9;
    const double spacing = fm.height() * 0.95;
    for (auto& [c, txt] : labels) {
      const double middle = t_.toDeviceY(boxMiddle(c));
      if (middle - lastMiddle < spacing) continue;
      lastMiddle = middle;
      const double p = txt.endsWith('%') ? pct / scale : 0.0;
      text(right + p, boxMiddle(c), txt, Qt::AlignRight | Qt::AlignVCenter, keyInk());
    }
  } else if (style == ScaleBarStyle::kHistogram) {
    const int largest = ct.largestCount();
    if (largest <= 0) return;
    const int room = geo_.extentX - 3 * w - column;
    for (int c = 0; c < k && c < static_cast<int>(ct.histogram.size()); ++c) {
      const int count = ct.histogram[static_cast<std::size_t>(c)];
      if (count == 0) continue;
      const int n = boxOf(c);
      const int len = std::max(4, static_cast<int>(static_cast<double>(count) / largest * room));
      fillLogical(column, y + (n - 1) * h + 4, column + len, y + n * h + g, kGrey127);
    }
  }
}

// The key of maps whose classes are categories: one sample per kind of
// cell with its words, in device pixels so that it stays readable.
void Canvas::wordedKey(const std::vector<KeyEntry>& entries, int x, int y, int w, int h) {
  const QFont f = keyFont(std::max(h, 2 * w));
  painter_.setFont(f);
  const QFontMetricsF fm(f);
  const double row = std::max(t_.toDeviceLength(2.0 * h), fm.height() + 4);
  const double box = std::max(t_.toDeviceLength(w + 8), 10.0);
  double widest = 0;
  for (const KeyEntry& e : entries) widest = std::max(widest, fm.horizontalAdvance(QString::fromStdString(e.text)));
  double left = t_.toDeviceX(x);
  const double top = t_.toDeviceY(y);
  left -= keyShift(left + box + 6 + widest);
  keyTitle(left - 2, top - 4, f);
  painter_.setViewTransformEnabled(false);
  painter_.setRenderHint(QPainter::Antialiasing, true);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const KeyEntry& e = entries[i];
    const QRectF sample(left, top + i * row + (row - box) / 2, box, box);
    if (e.paletteIndex == kMarkerSample) {
      painter_.setPen(QPen(Qt::black, 1));
      painter_.setBrush(kGrey127);
      painter_.drawEllipse(sample.adjusted(1, 1, -1, -1));
    } else {
      painter_.fillRect(sample.adjusted(-2, -2, 2, 2), kGrey127);
      painter_.fillRect(sample, palette(e.paletteIndex));
    }
    painter_.setPen(keyInk());
    painter_.drawText(QRectF(left + box + 6, top + i * row, widest + 4, row), Qt::AlignLeft | Qt::AlignVCenter,
                      QString::fromStdString(e.text));
  }
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setViewTransformEnabled(true);
}

void Canvas::emblem() {
  // A small grey globe on a stand below the scale bar.
  const int x = geo_.farX + (geo_.extentX - geo_.farX) / 2 - 84;
  const int y = geo_.farY - 204;
  painter_.setPen(pen(kGrey127, 0));
  painter_.setBrush(kGrey127);
  painter_.drawChord(QRect(x, y + 24, 168, 120), 180 * 16, 180 * 16);
  painter_.setBrush(Qt::NoBrush);
  painter_.drawEllipse(QRect(x, y + 24, 168, 120));
  painter_.drawPolygon(
      QPolygon({QPoint(x + 84, y + 24), QPoint(x + 54, y + 84), QPoint(x + 84, y + 144), QPoint(x + 114, y + 84)}));
  painter_.drawPolygon(
      QPolygon({QPoint(x + 60, y + 150), QPoint(x + 108, y + 150), QPoint(x + 120, y + 176), QPoint(x + 48, y + 176)}));
}

void Canvas::numbersAndMarkers() {
  const int g = t_.gap;
  const double fontHeight = (g + geo_.cellSize) / 2.0;
  const double devHeight = deviceHeight(fontHeight);
  const QFont f = mapFont(fontHeight);
  painter_.setFont(f);

  // Numbers are black or white, whichever reads on the cell's colour (or,
  // with numbers only, on the background).
  const bool filled = set_.coloursAndNumbers != CellLabels::kNumbers;
  const QColor onBackground = bg_ == Shade::kBlack ? QColor(Qt::white) : QColor(Qt::black);
  auto numberInk = [&](const GridCell& c) { return filled ? contrastInk(cellColour(c)) : onBackground; };

  const bool readable = t_.printing ? f.pixelSize() >= pointPixels(kCellNumberPoints) : devHeight >= 5 * ratio_;
  const bool numbers =
      kind_.countType && set_.coloursAndNumbers >= CellLabels::kColoursAndNumbers && !thumbnail_ && readable;
  const bool maxSpot = set_.maxSpot != Flag::kOff && kind_.countType;
  if (numbers) {
    for (int n = 1; n <= cells_; ++n) {
      const GridCell& c = cell(n);
      if (!c.scored || c.count == 0) continue;
      const int v = kind_.medianNumbers ? static_cast<int>(c.score) : c.count;
      const bool black = maxSpot && c.topValue;
      textInCell(n, QString::number(v), black ? QColor(Qt::black) : numberInk(c));
    }
  } else if (maxSpot && bg_ == Shade::kWhite && mode_ != kMonoLog && mode_ != kMonoLin) {
    for (int n = 1; n <= cells_; ++n)
      if (cell(n).topValue && cell(n).scored) spot(n, Qt::black, false);
  }

  // Selected areas, numbered by their position in the set.
  const AreasShown display = set_.selectedAreasDisplay;
  const int marked = display == AreasShown::kSeedsAndSelected ? s_.areas.count()
                     : display == AreasShown::kSeeds          ? std::min(s_.areas.seedCount, s_.areas.count())
                                                              : 0;
  const bool flexPens = mode_ != kMonoLog && mode_ != kMonoLin &&
                        (s_.map.code() == kCodeNearMinimum || s_.map.code() == kCodeFlexibilityPlot);
  const int margin = geo_.cellSize / 6 - 4;
  const bool positions = (t_.printing ? readable : devHeight > 4 * ratio_) && !thumbnail_;
  // The grey marker takes the ink every number on a colour takes.
  const QColor positionColour = contrastInk(kGrey127);
  for (int p = 0; p < marked; ++p) {
    const int n = s_.areas.cells[static_cast<std::size_t>(p)];
    if (n < 1 || n > cells_) continue;
    const GridCell& c = cell(n);
    QColor outline = Qt::black;
    if (flexPens && c.flexClass != 0)
      outline = toQColor(pal().colour(c.flexClass & kPaletteIndexFlag ? c.flexClass : paletteIndexRef(c.flexClass)));
    painter_.setPen(pen(outline, 0));
    painter_.setBrush(kGrey127);
    {
      Smooth smooth(painter_);
      painter_.drawEllipse(this->inset(n, margin));
    }
    if (positions) textInCell(n, QString::number(p + 1), positionColour);
  }

  if (s_.map.code() == kCodeSelectedAreas) presenceMarks([&](int n) { return cell(n).count != 0; });
}

void Canvas::highlight() {
  if (o_.clickedCell < 1 || o_.clickedCell > cells_) return;
  const GridCell& c = cell(o_.clickedCell);
  spot(o_.clickedCell, c.scored ? cellColour(c) : kGrey127, kind_.largeSpots);
}

void Canvas::zoomBorder() {
  int l = t_.winX + 1, tp = t_.winY + 1;
  int r = t_.winX + t_.winW - 1, b = t_.winY + t_.winH - 1;
  if (!t_.printing) {
    const int pull = (b - tp - l + r) / 1000 + 1;
    r -= pull;
    b -= pull;
  }
  outlineLogical(l, tp, r, b, pen(Qt::black, coastWidth_));
}

}  // namespace

OverlayTitle overlayTitleOf(const Session& s) {
  OverlayTitle t;
  const OverlayState& o = s.overlay;
  const MapRecord& f = s.map;
  const MapRecord& b = s.backgroundMap;
  auto inBrackets = [](const std::string& text) { return text.empty() ? std::string() : "(" + text + ")"; };
  if (f.code() == kCodeOverlay) {
    // The map under the overlay keeps its own title for the legend.
    const std::string foreTitle = o.savedTitle.empty() ? f.dataTitle : o.savedTitle;
    if (o.presence[0] && o.presence[1]) {
      t.kind = OverlayTitle::BothPresence;
      t.first = f.dataTitle;
      t.second = b.dataTitle;
    } else if (o.presence[0] || o.presence[1]) {
      t.kind = OverlayTitle::OnePresence;
      t.first = o.presence[0] ? f.dataTitle : b.title;
      t.second = o.presence[0] ? b.title : foreTitle;
    } else {
      t.kind = OverlayTitle::Pair;
      t.first = foreTitle;
      t.firstDetail = inBrackets(f.dataTitle);
      t.second = b.title;
      t.secondDetail = inBrackets(b.dataTitle);
    }
  } else if (f.code() == kCodeImportedScores && f.importKind == kImportForegroundBackground) {
    t.kind = OverlayTitle::Pair;
    t.first = f.title;
    t.second = b.title;
  }
  return t;
}

void installMapFonts() {
  if (QFont::substitute(kMapFont) == kMapFont)
    QFont::insertSubstitutions(kMapFont, {"Liberation Sans", "Arimo", "DejaVu Sans"});
}

// A zoomed view on screen has its key where the whole map would have it.
static void drawKeyApart(QPainter& painter, QImage& pixels, const MapTransform& t, const Session& s,
                         const DisplayState& d, const DrawOptions& o) {
  if (!d.view.zoomed || t.printing || !painter.device()) return;
  MapTransform whole = screenTransform(s.ws.geo, ViewState{}, painter.device()->width(), painter.device()->height(),
                                       static_cast<int>(std::lround(o.statusBar * std::max(1.0, o.pixelRatio))));
  whole.gap = t.gap;
  whole.thumbnail = t.thumbnail;
  // The key's own clip: the strip right of the zoomed map is outside that
  // map's viewport.
  Canvas keyCanvas(painter, pixels, whole, whole, s, d, o);
  keyCanvas.run(Canvas::Layers::Key);
}

// The world grids' frame-coast fill floods the sea from seeds: the costliest
// layer, drawn on the pixels of its own picture.
static bool seaFilled(const Session& s, const DisplayState& d) {
  return s.settings.fillFrameCoast != Flag::kOff && isColour256Mode(s.settings.colourMode) && d.palette.size >= 256 &&
         d.palette.classCount <= 33 && (s.gridTypes.current == 0 || s.gridTypes.current == 1);
}

static void renderMapOn(QImage& image, const MapTransform& t, const Session& s, const DisplayState& d,
                        const DrawOptions& o, const QImage* base) {
  installMapFonts();
  QPainter painter;
  if (!painter.begin(&image)) return;
  Canvas canvas(painter, image, t, t, s, d, o);
  canvas.baseDevice_ = base;
  canvas.overlayTitle_ = overlayTitleOf(s);
  // The overlay display draws spots: the coast goes below them.
  canvas.importedOverlay_ = s.map.code() == kCodeOverlay;
  canvas.run();
  drawKeyApart(painter, image, t, s, d, o);
}

void renderMap(QImage& image, const MapTransform& t, const Session& s, const DisplayState& d, const DrawOptions& o) {
  renderMapOn(image, t, s, d, o, nullptr);
}

void renderMapVector(QPainter& p, const MapTransform& t, const Session& s, const DisplayState& d, const DrawOptions& o,
                     int maxPixels) {
  installMapFonts();
  // A picture of the map at no more than maxPixels on its longer side: the
  // sea's flood fill is made on it, and the black/white coast reads it.
  const double shrink = std::min(1.0, static_cast<double>(maxPixels) / std::max(t.vpW, t.vpH));
  MapTransform small = t;
  small.vpX = 0;
  small.vpY = 0;
  small.vpW = std::max(1, static_cast<int>(t.vpW * shrink));
  small.vpH = std::max(1, static_cast<int>(t.vpH * shrink));
  small.clip = {0, 0, small.vpW, small.vpH};
  QImage pixels(small.vpW, small.vpH, QImage::Format_RGB32);
  pixels.fill(Qt::white);
  DrawOptions smallOptions = o;
  smallOptions.guiFontPixels = std::max(1, static_cast<int>(o.guiFontPixels * shrink));
  const bool seaFill = seaFilled(s, d);
  QImage base;
  {
    QPainter painter;
    if (!painter.begin(&pixels)) return;
    Canvas raster(painter, pixels, small, small, s, d, smallOptions);
    raster.importedOverlay_ = s.map.code() == kCodeOverlay;
    if (seaFill) {
      raster.run(Canvas::Layers::Base);
      base = pixels.copy();
      // The cells on top, for the coast's pixel reads.
      Canvas cells(painter, pixels, small, small, s, d, smallOptions);
      cells.importedOverlay_ = raster.importedOverlay_;
      cells.baseLayers_ = &base;
      cells.run(Canvas::Layers::UpToCells);
    } else {
      raster.run(Canvas::Layers::UpToCells);
    }
  }
  Canvas canvas(p, pixels, small, t, s, d, o);
  canvas.overlayTitle_ = overlayTitleOf(s);
  canvas.importedOverlay_ = s.map.code() == kCodeOverlay;
  if (seaFill) canvas.baseLayers_ = &base;
  canvas.run();
  drawKeyApart(p, pixels, t, s, d, o);
}

QImage renderClient(const Session& s, DisplayState& d, int width, int height, const DrawOptions& o) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  const double ratio = std::isfinite(o.pixelRatio) ? std::clamp(o.pixelRatio, 1.0, 4.0) : 1.0;
  const MapTransform logical = screenTransform(s.ws.geo, d.view, width, height, o.statusBar);
  QImage image(static_cast<int>(std::lround(width * ratio)), static_cast<int>(std::lround(height * ratio)),
               QImage::Format_RGB32);
  image.fill(o.windowColour);
  MapTransform t = logical;
  DrawOptions scaled = o;
  if (ratio != 1.0) {
    // The same map on the finer pixels: the cell gap, thumbnail rule and
    // clipping follow the window's size, not its pixel count.
    t = screenTransform(s.ws.geo, d.view, image.width(), image.height(),
                        static_cast<int>(std::lround(o.statusBar * ratio)));
    t.gap = logical.gap;
    t.thumbnail = logical.thumbnail;
    auto up = [&](int v) { return static_cast<int>(std::lround(v * ratio)); };
    t.clip = {up(logical.clip.left), up(logical.clip.top), up(logical.clip.right), up(logical.clip.bottom)};
    scaled.guiFontPixels = std::max(1, static_cast<int>(std::lround(o.guiFontPixels * ratio)));
  }
  scaled.pixelRatio = ratio;
  QImage base;
  if (ratio != 1.0 && seaFilled(s, d) && !o.singleCellUpdate) {
    // The background, frame, coast and flooded sea at one pixel per window
    // pixel, as a plain screen has them, stretched to the finer pixels: the
    // flood fill then runs on a quarter of the pixels. The coast is drawn
    // again on the fine pixels above it.
    base = QImage(width, height, QImage::Format_RGB32);
    base.fill(o.windowColour);
    DrawOptions plain = o;
    plain.pixelRatio = 1.0;
    QPainter painter;
    if (painter.begin(&base)) {
      Canvas lower(painter, base, logical, logical, s, d, plain);
      lower.run(Canvas::Layers::Base);
    }
  }
  renderMapOn(image, t, s, d, scaled, base.isNull() ? nullptr : &base);
  image.setDevicePixelRatio(ratio);
  d.view.last = logical;
  if (d.view.zoomed) {
    auto [x0, y0] = logical.toLogical(0, 0);
    auto [x1, y1] = logical.toLogical(width, height);
    d.view.clientLogical = {x0, y0, x1 - x0, y1 - y0};
  }
  return image;
}

void drawMap(QPainter& p, const QRect& target, const Session& s, DisplayState& d, const DrawOptions& o) {
  const QImage image = renderClient(s, d, target.width(), target.height(), o);
  p.drawImage(target.topLeft(), image);
}

void drawMapOnPage(QPainter& p, const PageMetrics& page, const Session& s, const DisplayState& d, const DrawOptions& o,
                   int maxPixels) {
  const MapTransform onPage = printTransform(s.ws.geo, d.view, page, o.printingPercent, o.editingMode);
  DrawOptions scaled = o;
  scaled.guiFontPixels = std::max(1, static_cast<int>(o.guiFontPixels * onPage.vpW / 1200.0));
  renderMapVector(p, onPage, s, d, scaled, maxPixels);
}

}  // namespace zn
