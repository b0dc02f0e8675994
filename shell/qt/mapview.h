// The map area of the main window: draws the map through the renderer and
// turns mouse and keys into the shell's map actions.
#pragma once

#include <QWidget>

#include <functional>

namespace zn {

class Shell;

class MapView : public QWidget {
  Q_OBJECT
 public:
  MapView(Shell& shell, QWidget* parent);

  // Draws the map of the session onto a painter and target rectangle.
  using Renderer = std::function<void(QPainter&, const QRect&)>;
  void setRenderer(Renderer r) { renderer_ = std::move(r); }
  // Run after every paint (the status texts are set then).
  void setAfterPaint(std::function<void()> f) { afterPaint_ = std::move(f); }

  // Keys the map handles (panning, taxon stepping); false when not taken.
  bool handleKey(QKeyEvent* e);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  Shell& shell_;
  Renderer renderer_;
  std::function<void()> afterPaint_;
};

}  // namespace zn
