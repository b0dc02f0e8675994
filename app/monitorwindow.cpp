#include "app/monitorwindow.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>

#include "shell/results.h"

namespace zn {

MonitorWindow::MonitorWindow(std::filesystem::path file) : QWidget(nullptr), file_(std::move(file)) {
  setWindowTitle("RESULTS file monitor");
  setAttribute(Qt::WA_QuitOnClose, false);
  resize(600, 400);
}

void MonitorWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(191, 191, 191));
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  p.setFont(font);
  p.setPen(Qt::black);
  QFontMetrics fm(font);
  int lineHeight = std::max(1, fm.height() + fm.leading());
  int visible = frameGeometry().height() / lineHeight;
  auto lines = monitorLines(readResultsTail(file_), visible);
  int y = 0;
  for (const auto& line : lines) {
    p.drawText(0, y + fm.ascent(), QString::fromLatin1(line.data(), static_cast<int>(line.size())));
    y += lineHeight;
  }
}

void MonitorWindow::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) close();
  else QWidget::keyReleaseEvent(e);
}

void MonitorWindow::closeEvent(QCloseEvent* e) {
  e->accept();
  Q_EMIT closedByUser();
}

void MonitorWindow::moveEvent(QMoveEvent* e) {
  QWidget::moveEvent(e);
  Q_EMIT movedOrResized();
}

void MonitorWindow::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  Q_EMIT movedOrResized();
}

}  // namespace zn
