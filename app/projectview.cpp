#include "app/projectview.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace zn {

namespace {

bool sameBox(const CrsBox& a, const CrsBox& b) {
  return a.west == b.west && a.south == b.south && a.east == b.east && a.north == b.north;
}

bool sameLayer(const UnitMapLayer& a, const UnitMapLayer& b) {
  const ClassingInput &x = a.classing, &y = b.classing;
  return a.title == b.title && a.counts == b.counts && a.score == b.score && a.count == b.count && a.inSet == b.inSet &&
         x.classCount == y.classCount && x.scaleType == y.scaleType && x.maxSeparate == y.maxSeparate &&
         x.fixedLimit == y.fixedLimit && x.inverted == y.inverted;
}

// A pause this long after the last move of the view draws it in full.
constexpr int kSettleMs = 150;

// The drawing kept for moving the view reaches this fraction of the map
// area beyond each of its sides: a pan of that much shows units at once,
// and the margin costs (1 + 2 * kMargin)^2 - 1 times the area's drawing.
constexpr double kMargin = 0.25;

// A piece of the margin holding more outlined units than this is drawn as
// two halves, each in a turn of its own, so input never waits long for one.
constexpr std::size_t kPieceUnits = 20000;

}  // namespace

ProjectView::ProjectView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(320, 240);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  settleTimer_.setSingleShot(true);
  settleTimer_.setInterval(kSettleMs);
  connect(&settleTimer_, &QTimer::timeout, this, [this] {
    settleDue_ = true;
    update();
  });
  // One strip per turn of the event loop, so input waits for one at most.
  marginTimer_.setInterval(0);
  connect(&marginTimer_, &QTimer::timeout, this, [this] {
    if (!drawMargin()) marginTimer_.stop();
  });
}

void ProjectView::show(const UnitMapShapes* shapes, const UnitMapLayer* layer, bool home) {
  const bool newShapes = home || shapes != shapes_;
  shapes_ = shapes;
  layer_ = layer;
  if (!shapes_ || !layer_) {
    picture_.reset();
    pictured_ = UnitMapLayer{};
  } else if (newShapes || !picture_ || &picture_->layer != layer_ || !sameLayer(pictured_, *layer_)) {
    // The index of the outlines holds while the shapes do; the colours only while the scores do.
    auto index = picture_ && !newShapes ? picture_->index : nullptr;
    picture_.reset();
    picture_ = std::make_unique<UnitMapPicture>(*shapes_, *layer_, std::move(index));
    pictured_ = *layer_;
  } else {
    update();  // the same scores on the same shapes: the settled map stands
    return;
  }
  frame_ = body_ = QImage();
  if (home) showWhole();
  update();
}

void ProjectView::showWhole() {
  if (shapes_) view_ = shapes_->extent;
  update();
}

void ProjectView::showExtent(const CrsBox& box) {
  view_ = box;
  update();
}

void ProjectView::setGraticule(bool on) {
  if (graticule_ == on) return;
  graticule_ = on;
  frame_ = body_ = QImage();
  update();
}

UnitMapLayout ProjectView::layout() const { return unitMapLayout(QRectF(rect()), view_); }

UnitMapStyle ProjectView::style() const {
  UnitMapStyle style;
  style.view = view_;
  style.graticule = graticule_;
  return style;
}

bool ProjectView::settled(double dpr) const {
  return !frame_.isNull() && frame_.devicePixelRatio() == dpr && frame_.size() == size() * dpr &&
         sameBox(frameView_, view_);
}

void ProjectView::settle(double dpr) {
  frameView_ = view_;
  const UnitMapLayout l = bodyLayout_ = layout();
  // The body with its margin starts on a whole device pixel, so that the
  // map area copied out of it is the one drawn in place.
  const QRectF area = l.mapArea;
  const double mx = area.width() * kMargin, my = area.height() * kMargin;
  const QRect device = QRectF((area.left() - mx) * dpr, (area.top() - my) * dpr, (area.width() + 2 * mx) * dpr,
                              (area.height() + 2 * my) * dpr)
                           .toAlignedRect();
  bodyRect_ = QRectF(QPointF(device.topLeft()) / dpr, QSizeF(device.size()) / dpr);
  body_ = QImage(device.size(), QImage::Format_RGB32);
  body_.setDevicePixelRatio(dpr);
  body_.fill(Qt::white);
  {
    QPainter p(&body_);
    p.translate(-bodyRect_.topLeft());
    drawUnitMapBody(p, l, *picture_, style());
  }
  frame_ = QImage(size() * dpr, QImage::Format_RGB32);
  frame_.setDevicePixelRatio(dpr);
  frame_.fill(Qt::white);
  QPainter p(&frame_);
  p.save();
  p.setClipRect(area);
  p.drawImage(bodyRect_.topLeft(), body_);
  p.restore();
  drawUnitMapFurniture(p, l, *picture_, style());
  settleDue_ = false;
  // The four strips around the area; each reaches a pixel into it, so no
  // seam is left between them.
  const QRectF all = bodyRect_;
  marginPieces_ = {QRectF(area.right() - 1, area.top(), all.right() - area.right() + 1, area.height()),
                   QRectF(all.left(), area.top(), area.left() - all.left() + 1, area.height()),
                   QRectF(all.left(), area.bottom() - 1, all.width(), all.bottom() - area.bottom() + 1),
                   QRectF(all.left(), all.top(), all.width(), area.top() - all.top() + 1)};
  marginTimer_.start();
}

bool ProjectView::drawMargin() {
  if (body_.isNull() || !picture_) marginPieces_.clear();
  if (marginPieces_.empty()) return false;
  UnitMapLayout l = bodyLayout_;
  QRectF piece = marginPieces_.back();
  marginPieces_.pop_back();
  if (picture_->index && piece.width() > 8 && piece.height() > 8) {
    const CrsPoint a = l.toCrs(piece.topLeft()), b = l.toCrs(piece.bottomRight());
    std::vector<int> inside;
    picture_->index->query(CrsBox{a.x, b.y, b.x, a.y}, inside);
    if (inside.size() > kPieceUnits) {
      // Halves across the longer side, overlapping by a pixel.
      QRectF first = piece, second = piece;
      if (piece.width() >= piece.height()) {
        const double mid = std::floor(piece.left() + piece.width() / 2);
        first.setRight(mid + 1);
        second.setLeft(mid);
      } else {
        const double mid = std::floor(piece.top() + piece.height() / 2);
        first.setBottom(mid + 1);
        second.setTop(mid);
      }
      marginPieces_.push_back(second);
      marginPieces_.push_back(first);
      return true;
    }
  }
  l.mapArea = piece;
  QPainter p(&body_);
  p.translate(-bodyRect_.topLeft());
  drawUnitMapBody(p, l, *picture_, style());
  return !marginPieces_.empty();
}

void ProjectView::drawMoved(QPainter& p) {
  p.fillRect(rect(), Qt::white);
  const UnitMapLayout now = layout(), &then = bodyLayout_;
  const CrsPoint a = then.toCrs(bodyRect_.topLeft()), b = then.toCrs(bodyRect_.bottomRight());
  p.save();
  p.setClipRect(now.mapArea);
  p.drawImage(QRectF(now.toPixel(a.x, a.y), now.toPixel(b.x, b.y)), body_);
  p.restore();
  drawUnitMapFurniture(p, now, *picture_, style());
}

void ProjectView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!shapes_ || !layer_ || !picture_) {
    p.fillRect(rect(), Qt::white);
    return;
  }
  // The ratio of what is painted on: the screen's backing store, or an
  // image the widget is rendered into.
  const QPaintDevice* target = p.paintEngine() ? p.paintEngine()->paintDevice() : p.device();
  const double dpr = target ? target->devicePixelRatioF() : devicePixelRatioF();
  if (!settled(dpr)) {
    const bool canMove = !frame_.isNull() && frame_.devicePixelRatio() == dpr && frame_.size() == size() * dpr;
    if (canMove && !settleDue_) {
      drawMoved(p);
      settleTimer_.start();
      return;
    }
    settle(dpr);
  }
  p.drawImage(QPointF(0, 0), frame_);
}

QImage ProjectView::capture() {
  if (!shapes_ || !layer_ || !picture_) {
    QImage blank(size(), QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
  }
  if (!settled(devicePixelRatioF())) settle(devicePixelRatioF());
  return frame_;
}

void ProjectView::zoomAbout(const QPointF& at, double factor) {
  if (!shapes_ || !(factor > 0)) return;
  const UnitMapLayout l = layout();
  const CrsPoint c = l.toCrs(at);
  // No closer than a few pixels' worth of the whole extent, no wider than it twice.
  const double whole =
      std::max(shapes_->extent.east - shapes_->extent.west, shapes_->extent.north - shapes_->extent.south);
  const double width = view_.east - view_.west;
  const double next = std::clamp(width / factor, whole / 10000.0, whole * 2.0);
  const double k = next / width;
  view_ = {c.x - (c.x - view_.west) * k, c.y - (c.y - view_.south) * k, c.x + (view_.east - c.x) * k,
           c.y + (view_.north - c.y) * k};
  update();
}

int ProjectView::unitAt(const QPointF& p) const {
  if (!shapes_ || !layout().mapArea.contains(p)) return 0;
  const CrsPoint c = layout().toCrs(p);
  // Polygon units through the drawing's own index: the first hover over a
  // million outlines answers at once instead of waiting for a GEOS index.
  if (!shapes_->lattice && picture_ && picture_->index) return outlinedUnitAt(*shapes_, *picture_->index, c.x, c.y);
  return shapes_->unitAt ? shapes_->unitAt(c.x, c.y) : 0;
}

void ProjectView::report(int unit) {
  if (unit == hovered_) return;
  hovered_ = unit;
  if (hoverReport_) hoverReport_(unit);
}

void ProjectView::wheelEvent(QWheelEvent* e) {
  const double steps = e->angleDelta().y() / 120.0;
  if (steps != 0) zoomAbout(e->position(), std::pow(1.25, steps));
  e->accept();
}

void ProjectView::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton || e->button() == Qt::MiddleButton) {
    panning_ = true;
    panFrom_ = e->position();
    setCursor(Qt::ClosedHandCursor);
  }
}

void ProjectView::mouseMoveEvent(QMouseEvent* e) {
  if (panning_) {
    const double s = layout().scale;
    const QPointF d = e->position() - panFrom_;
    panFrom_ = e->position();
    view_.west -= d.x() / s;
    view_.east -= d.x() / s;
    view_.north += d.y() / s;
    view_.south += d.y() / s;
    update();
    return;
  }
  report(unitAt(e->position()));
}

void ProjectView::mouseReleaseEvent(QMouseEvent*) {
  if (!panning_) return;
  panning_ = false;
  unsetCursor();
}

void ProjectView::mouseDoubleClickEvent(QMouseEvent* e) {
  const int unit = unitAt(e->position());
  if (unit > 0 && doubleClick_) doubleClick_(unit, e->button() == Qt::LeftButton);
}

void ProjectView::keyPressEvent(QKeyEvent* e) {
  const QPointF centre = layout().mapArea.center();
  switch (e->key()) {
    case Qt::Key_Home: showWhole(); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomAbout(centre, 1.25); break;
    case Qt::Key_Minus: zoomAbout(centre, 0.8); break;
    default: QWidget::keyPressEvent(e); return;
  }
  e->accept();
}

void ProjectView::leaveEvent(QEvent* e) {
  report(0);
  QWidget::leaveEvent(e);
}

}  // namespace zn
