// The map area while a project is open: its units drawn through the unit
// map, wheel zoom about the pointer, drag to pan, Home for the whole
// project, and the unit under the pointer reported as it moves.
#pragma once

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "display/unitmap.h"

namespace zn {

class ProjectView : public QWidget {
  Q_OBJECT
 public:
  explicit ProjectView(QWidget* parent = nullptr);

  // What to draw; the view goes back to the whole project when `home` is set.
  void show(const UnitMapShapes* shapes, const UnitMapLayer* layer, bool home);
  // Told the unit under the pointer (0 off the units) as the pointer moves.
  void setHoverReport(std::function<void(int)> f) { hoverReport_ = std::move(f); }
  // Double-clicks on a unit: left for its list of taxa, right to select it.
  void setDoubleClick(std::function<void(int, bool left)> f) { doubleClick_ = std::move(f); }

  // Meridians and parallels over the units.
  void setGraticule(bool on);
  bool graticule() const { return graticule_; }

  // The extent on view, in the project's CRS.
  const CrsBox& viewExtent() const { return view_; }
  void showWhole();
  // Shows the box whole, as large as the view allows.
  void showExtent(const CrsBox& box);
  // Zooms by `factor` (> 1: in) about a point of the widget.
  void zoomAbout(const QPointF& at, double factor);
  // The unit under a point of the widget, 0 where none is.
  int unitAt(const QPointF& p) const;
  // The client area as it is drawn once the view settles.
  QImage capture();
  // True while pieces of the margin around the settled map are still to draw.
  bool drawingMargin() const { return !marginPieces_.empty(); }

 protected:
  void paintEvent(QPaintEvent*) override;
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  UnitMapLayout layout() const;
  void report(int unit);
  UnitMapStyle style() const;
  // Draws the whole map at full detail for the view and the pixel ratio.
  void settle(double devicePixelRatio);
  bool settled(double devicePixelRatio) const;
  // Draws the next piece of the margin around the settled map area; false
  // once none is left.
  bool drawMargin();
  // The last settled map and its margin moved and scaled to the view, its
  // key redrawn.
  void drawMoved(QPainter& p);

  const UnitMapShapes* shapes_ = nullptr;
  const UnitMapLayer* layer_ = nullptr;
  CrsBox view_;
  std::function<void(int)> hoverReport_;
  std::function<void(int, bool)> doubleClick_;
  int hovered_ = -1;
  bool graticule_ = false;

  // What the paints reuse: the colours and index of the layer on show, a
  // copy of the layer to tell when its scores change, the last settled
  // map, the view it shows, and its map area with a margin around it (the
  // margin drawn in pieces while the window is idle). While the view
  // moves, paints move and scale that drawing, so a short pan shows units
  // at once; a pause redraws the map in full.
  std::unique_ptr<UnitMapPicture> picture_;
  UnitMapLayer pictured_;
  QImage frame_, body_;
  UnitMapLayout bodyLayout_;  // the settled view's layout
  QRectF bodyRect_;           // where the body lies in it, in widget pixels
  CrsBox frameView_;
  std::vector<QRectF> marginPieces_;  // widget pixels, the next one last
  QTimer marginTimer_;
  bool settleDue_ = false;
  QTimer settleTimer_;
  bool panning_ = false;
  QPointF panFrom_;
};

}  // namespace zn
