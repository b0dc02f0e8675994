#include "ui/curvewindow.h"

#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "shell/curve_commands.h"
#include "ui/curvechart.h"

namespace zn {

CurveWindow::CurveWindow(CurveSet curves, std::string dataTitle, QWidget* parent)
    : QWidget(parent, Qt::Window), curves_(std::move(curves)), dataTitle_(std::move(dataTitle)) {
  setWindowTitle("Representation curves");
  setAttribute(Qt::WA_DeleteOnClose);
  view_ = new QChartView(buildCurveChart(curves_, dataTitle_));
  view_->setRenderHint(QPainter::Antialiasing);
  view_->setMouseTracking(true);
  view_->viewport()->setMouseTracking(true);
  view_->viewport()->installEventFilter(this);
  values_ = new QLabel;
  values_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // The readout takes the room the buttons leave and never asks for more:
  // a long row of values is elided, whole in the tooltip.
  values_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  values_->setMinimumWidth(0);
  showValues("Move the mouse over the chart to read the values.");
  save_ = new QPushButton("&Save...");
  copy_ = new QPushButton("&Copy");
  auto* close = new QPushButton("Close");
  connect(save_, &QPushButton::clicked, this, [this] { saveChart(); });
  connect(copy_, &QPushButton::clicked, this, [this] { copyChart(); });
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(values_, 1);
  buttons->addWidget(save_);
  buttons->addWidget(copy_);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);
  resize(kCurveChartWidth, kCurveChartHeight + 60);
  chooseFile = [this]() -> std::optional<std::filesystem::path> {
    const QString f = QFileDialog::getSaveFileName(this, "Save chart", "curves.png",
                                                   "PNG image (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)");
    if (f.isEmpty()) return std::nullopt;
    return std::filesystem::path(f.toStdString());
  };
}

bool CurveWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_->viewport() && event->type() == QEvent::MouseMove) {
    const auto* m = static_cast<QMouseEvent*>(event);
    const QPointF scene = view_->mapToScene(m->position().toPoint());
    const QPointF value = view_->chart()->mapToValue(view_->chart()->mapFromScene(scene));
    const int k = static_cast<int>(std::lround(value.x()));
    if (view_->chart()->plotArea().contains(view_->chart()->mapFromScene(scene)) && k >= 0 && k <= curves_.maxAreas) {
      const QString text = curveHoverText(curves_, k);
      showValues(text.section('\n', 0, 0) + ": " + text.section('\n', 1).replace('\n', "; "));
      QToolTip::showText(m->globalPosition().toPoint(), text, view_);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CurveWindow::showValues(const QString& text) {
  fullValues_ = text;
  values_->setToolTip(text);
  values_->setText(values_->fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, values_->width())));
}

void CurveWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  showValues(fullValues_);
}

void CurveWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void CurveWindow::saveChart() {
  const auto file = chooseFile ? chooseFile() : std::nullopt;
  if (!file) return;
  std::string error;
  if (!saveCurveChart(curves_, dataTitle_, *file, QSize(kCurveChartWidth, kCurveChartHeight), error))
    QMessageBox::warning(this, "Save chart", QString::fromStdString(error));
}

void CurveWindow::copyChart() { QApplication::clipboard()->setPixmap(view_->grab()); }

bool showCurveWindow(DialogModel& model, QWidget* parent) {
  auto* m = dynamic_cast<CurveChartModel*>(&model);
  if (!m) return false;
  auto* w = new CurveWindow(m->curves, m->dataTitle, parent);
  w->show();
  return true;
}

}  // namespace zn
