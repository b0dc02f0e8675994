#include "shell/qt/mapview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "display/renderer.h"
#include "display/view.h"
#include "shell/dispatch.h"

namespace zn {

namespace {
// The main window has its status bar outside the map widget.
DrawOptions screenOptions() {
  DrawOptions o;
  o.statusBar = 0;
  return o;
}
}  // namespace

MapView::MapView(Shell& shell, QWidget* parent) : QWidget(parent), shell_(shell) {
  setMinimumSize(320, 240);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
}

void MapView::paintEvent(QPaintEvent*) {
  // Nothing is redrawn while a button is held on the map (a rubber band).
  QPainter p(this);
  if (shell_.flags.paintStage == 0) shell_.flags.paintStage = 1;
  drawMap(p, rect(), shell_.session, shell_.display, screenOptions());
  if (banding_) {
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(bandStart_, bandEnd_).normalized());
  }
  p.end();
  if (afterPaint_) afterPaint_();
}

QImage MapView::captureClient() {
  QImage image(size(), QImage::Format_RGB32);
  QPainter p(&image);
  drawMap(p, image.rect(), shell_.session, shell_.display, screenOptions());
  return image;
}

int MapView::cellAt(const QPoint& pt) const {
  return cellAtDevice(shell_.session.ws, shell_.display.view.last, pt.x(), pt.y());
}

void MapView::mousePressEvent(QMouseEvent* e) {
  if (shell_.display.view.zoomArmed &&
      (e->button() == Qt::LeftButton || e->button() == Qt::RightButton)) {
    banding_ = true;
    bandStart_ = bandEnd_ = e->position().toPoint();
    setCursor(Qt::SizeFDiagCursor);
    return;
  }
  QWidget::mousePressEvent(e);
}

void MapView::mouseMoveEvent(QMouseEvent* e) {
  if (banding_) {
    bandEnd_ = e->position().toPoint();
    update();
    return;
  }
  QWidget::mouseMoveEvent(e);
}

void MapView::mouseReleaseEvent(QMouseEvent* e) {
  if (!banding_) {
    if (e->button() == Qt::LeftButton || e->button() == Qt::RightButton)
      shell_.mapClick(cellAt(e->position().toPoint()), e->button() == Qt::LeftButton);
    else
      QWidget::mouseReleaseEvent(e);
    return;
  }
  banding_ = false;
  unsetCursor();
  bandEnd_ = e->position().toPoint();
  ViewState& view = shell_.display.view;
  LogicalRect r = zoomRectFromPoints(view.last, bandStart_.x(), bandStart_.y(), bandEnd_.x(), bandEnd_.y());
  if (!zoomTo(shell_.session, view, r)) shell_.host.beep();  // zoom mode stays armed
  shell_.refreshMenus();
  update();
}

void MapView::mouseDoubleClickEvent(QMouseEvent* e) {
  // With zoom mode armed the second press starts a rectangle like the first.
  if (shell_.display.view.zoomArmed) {
    mousePressEvent(e);
    return;
  }
  const int cell = cellAt(e->position().toPoint());
  if (e->button() == Qt::LeftButton)
    shell_.mapDoubleClickLeft(cell);
  else if (e->button() == Qt::RightButton)
    shell_.mapDoubleClickRight(cell);
  else
    QWidget::mouseDoubleClickEvent(e);
}

bool MapView::handleKey(QKeyEvent* e) {
  ViewState& view = shell_.display.view;
  if (!view.zoomed) {
    int delta = 0;
    switch (e->key()) {
      case Qt::Key_Up: case Qt::Key_Minus: delta = -1; break;
      case Qt::Key_Down: case Qt::Key_Plus: delta = 1; break;
      case Qt::Key_PageUp: delta = -20; break;
      case Qt::Key_PageDown: delta = 20; break;
      default: return false;
    }
    return shell_.stepTaxon(delta);
  }
  int dx = 0, dy = 0;
  switch (e->key()) {
    case Qt::Key_Left: dx = -kPanStep; break;
    case Qt::Key_Right: dx = kPanStep; break;
    case Qt::Key_Up: dy = -kPanStep; break;
    case Qt::Key_Down: dy = kPanStep; break;
    case Qt::Key_PageUp: dy = -4 * kPanStep; break;
    case Qt::Key_PageDown: dy = 4 * kPanStep; break;
    default: return false;
  }
  pan(view, shell_.session.ws.geo, dx, dy);
  update();
  return true;
}

}  // namespace zn
