#include "shell/qt/mapview.h"

#include <QKeyEvent>
#include <QPainter>

#include "shell/dispatch.h"

namespace zn {

MapView::MapView(Shell& shell, QWidget* parent) : QWidget(parent), shell_(shell) {
  setMinimumSize(320, 240);
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(false);
}

void MapView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (shell_.flags.paintStage == 0) shell_.flags.paintStage = 1;
  if (renderer_)
    renderer_(p, rect());
  else
    p.fillRect(rect(), QColor(192, 192, 192));
  p.end();
  if (afterPaint_) afterPaint_();
}

bool MapView::handleKey(QKeyEvent*) { return false; }

}  // namespace zn
