#include "app/mapview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

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
  // The pointer is followed for the status bar's readout of the cell under it.
  setMouseTracking(true);
}

void MapView::frameNewData() {
  Session& s = shell_.session;
  const std::string file = s.ws.datafile.opened ? s.ws.datafile.fullPath : std::string();
  if (file == shownFile_) return;
  shownFile_ = file;
  if (!file.empty() && frameRegionalGrid(s, shell_.display.view, zoomFlags(s))) shell_.refreshMenus();
}

void MapView::paintEvent(QPaintEvent*) {
  frameNewData();
  // Nothing is redrawn while a button is held on the map (a rubber band).
  QPainter p(this);
  if (shell_.flags.paintStage == ShellFlags::Paint::kNotYet) shell_.flags.paintStage = ShellFlags::Paint::kFirst;
  DrawOptions o = screenOptions();
  o.pixelRatio = devicePixelRatioF();
  drawMap(p, rect(), shell_.session, shell_.display, o);
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
  return cellAtDevice(*unitGeometry(shell_.session), shell_.display.view.last, pt.x(), pt.y());
}

void MapView::report(int cell) {
  if (cell == hovered_) return;
  hovered_ = cell;
  if (hoverReport_) hoverReport_(cell);
}

void MapView::leaveEvent(QEvent* e) {
  report(0);
  QWidget::leaveEvent(e);
}

void MapView::mousePressEvent(QMouseEvent* e) {
  if (shell_.display.view.zoomArmed && (e->button() == Qt::LeftButton || e->button() == Qt::RightButton)) {
    banding_ = true;
    bandStart_ = bandEnd_ = e->position().toPoint();
    setCursor(Qt::SizeFDiagCursor);
    return;
  }
  if (e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && spaceHeld_)) {
    panning_ = true;
    panFrom_ = e->position();
    panRestX_ = panRestY_ = 0;
    setCursor(Qt::ClosedHandCursor);
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
  if (panning_) {
    // The map follows the pointer: a drag to the right shows what lies left.
    ViewState& view = shell_.display.view;
    const double scale = std::max(view.last.toDeviceLength(1.0), 1e-9);
    panRestX_ += (panFrom_.x() - e->position().x()) / scale;
    panRestY_ += (panFrom_.y() - e->position().y()) / scale;
    panFrom_ = e->position();
    const int dx = static_cast<int>(panRestX_), dy = static_cast<int>(panRestY_);
    if (dx != 0 || dy != 0) {
      panRestX_ -= dx;
      panRestY_ -= dy;
      const LogicalRect before = view.zoom;
      pan(view, shell_.session.ws.geo, dx, dy);
      if (!(before == view.zoom)) update();
    }
    return;
  }
  if (e->buttons() == Qt::NoButton) report(cellAt(e->position().toPoint()));
  QWidget::mouseMoveEvent(e);
}

void MapView::mouseReleaseEvent(QMouseEvent* e) {
  if (panning_ && (e->button() == Qt::MiddleButton || e->button() == Qt::LeftButton)) {
    panning_ = false;
    unsetCursor();
    return;
  }
  if (!banding_) {
    if (e->button() == Qt::LeftButton || e->button() == Qt::RightButton)
      shell_.mapClick(cellAt(e->position().toPoint()), e->button() == Qt::LeftButton);
    else QWidget::mouseReleaseEvent(e);
    return;
  }
  banding_ = false;
  unsetCursor();
  bandEnd_ = e->position().toPoint();
  ViewState& view = shell_.display.view;
  LogicalRect r = zoomRectFromPoints(view.last, bandStart_.x(), bandStart_.y(), bandEnd_.x(), bandEnd_.y());
  if (!zoomTo(shell_.session, view, zoomFlags(shell_.session), r)) shell_.host.beep();  // zoom mode stays armed
  shell_.refreshMenus();
  update();
}

void MapView::wheelEvent(QWheelEvent* e) {
  const int steps = e->angleDelta().y();
  if (steps == 0 || banding_ || !shell_.session.ws.datafile.opened) {
    e->ignore();
    return;
  }
  // One notch (120) zooms by a fifth, about the point under the pointer.
  const double factor = std::pow(0.8, steps / 120.0);
  ViewState& view = shell_.display.view;
  auto [x, y] = view.last.toLogical(e->position().x(), e->position().y());
  const ScreenArea screen{width(), height(), 0};
  if (zoomAbout(shell_.session, view, zoomFlags(shell_.session), x, y, factor, &screen)) {
    shell_.refreshMenus();
    update();
  }
  e->accept();
}

void MapView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
    spaceHeld_ = true;
    setCursor(Qt::OpenHandCursor);
    return;
  }
  QWidget::keyPressEvent(e);
}

void MapView::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
    spaceHeld_ = false;
    if (!panning_) unsetCursor();
    return;
  }
  QWidget::keyReleaseEvent(e);
}

void MapView::mouseDoubleClickEvent(QMouseEvent* e) {
  // With zoom mode armed the second press starts a rectangle like the first.
  if (shell_.display.view.zoomArmed) {
    mousePressEvent(e);
    return;
  }
  const int cell = cellAt(e->position().toPoint());
  if (e->button() == Qt::LeftButton) shell_.mapDoubleClickLeft(cell);
  else if (e->button() == Qt::RightButton) shell_.mapDoubleClickRight(cell);
  else QWidget::mouseDoubleClickEvent(e);
}

void MapView::showWholeMap() {
  ViewState& view = shell_.display.view;
  if (!view.zoomed && !view.zoomArmed) return;
  unzoom(view, zoomFlags(shell_.session));
  shell_.refreshMenus();
  update();
}

bool MapView::handleKey(QKeyEvent* e) {
  ViewState& view = shell_.display.view;
  if (e->key() == Qt::Key_Home) {
    showWholeMap();
    return true;
  }
  if (!view.zoomed) {
    int delta = 0;
    switch (e->key()) {
      case Qt::Key_Up:
      case Qt::Key_Minus: delta = -1; break;
      case Qt::Key_Down:
      case Qt::Key_Plus: delta = 1; break;
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
