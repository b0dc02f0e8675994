// The map area of the main window: draws the map through the renderer and
// turns mouse and keys into the shell's map actions.
#pragma once

#include <QPoint>
#include <QWidget>

#include <functional>
#include <string>

namespace zn {

class Shell;

class MapView : public QWidget {
  Q_OBJECT
 public:
  MapView(Shell& shell, QWidget* parent);

  // Run after every paint (the status texts are set then).
  void setAfterPaint(std::function<void()> f) { afterPaint_ = std::move(f); }
  // Told the cell under the pointer (0 off the cells) as the pointer moves.
  void setHoverReport(std::function<void(int)> f) { hoverReport_ = std::move(f); }

  // The client area exactly as the window shows it, for "Save bitmap".
  QImage captureClient();

  // Keys the map handles (panning a zoomed view); false when not taken.
  bool handleKey(QKeyEvent* e);

  // Leaves a zoomed view (the Home key).
  void showWholeMap();

  // The cell under a point of this widget, or 0.
  int cellAt(const QPoint& p) const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  Shell& shell_;
  std::function<void()> afterPaint_;
  std::function<void(int)> hoverReport_;
  void report(int cell);
  int hovered_ = -1;
  // The datafile last drawn: a regional grid type opens on its own cells.
  std::string shownFile_;
  void frameNewData();
  bool panning_ = false;  // a drag with the middle button, or Space + left
  bool spaceHeld_ = false;
  QPointF panFrom_;
  double panRestX_ = 0, panRestY_ = 0;  // parts of a logical unit not yet moved
  bool banding_ = false;
  QPoint bandStart_, bandEnd_;
};

}  // namespace zn
