#include "app/projectview.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace zn {

ProjectView::ProjectView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(320, 240);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void ProjectView::show(const UnitMapShapes* shapes, const UnitMapLayer* layer, bool home) {
  shapes_ = shapes;
  layer_ = layer;
  if (home) showWhole();
  update();
}

void ProjectView::showWhole() {
  if (shapes_) view_ = shapes_->extent;
  update();
}

UnitMapLayout ProjectView::layout() const { return unitMapLayout(QRectF(rect()), view_); }

void ProjectView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!shapes_ || !layer_) {
    p.fillRect(rect(), Qt::white);
    return;
  }
  UnitMapStyle style;
  style.view = view_;
  drawUnitMap(p, QRectF(rect()), *shapes_, *layer_, style);
}

QImage ProjectView::capture() {
  QImage image(size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  if (shapes_ && layer_) {
    UnitMapStyle style;
    style.view = view_;
    drawUnitMap(p, QRectF(image.rect()), *shapes_, *layer_, style);
  }
  return image;
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
  if (!shapes_ || !shapes_->unitAt || !layout().mapArea.contains(p)) return 0;
  const CrsPoint c = layout().toCrs(p);
  return shapes_->unitAt(c.x, c.y);
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
