#include "ui/curvechart.h"

#include <QAreaSeries>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QValueAxis>

#include <algorithm>

namespace zn {

namespace {

QLineSeries* line(const QString& name, const std::vector<double>& values, QColor colour, Qt::PenStyle style) {
  auto* s = new QLineSeries;
  s->setName(name);
  for (std::size_t k = 0; k < values.size(); ++k) s->append(static_cast<double>(k), values[k]);
  QPen pen(colour);
  pen.setWidthF(2.0);
  pen.setStyle(style);
  s->setPen(pen);
  return s;
}

std::vector<double> asDouble(const std::vector<int>& v) { return {v.begin(), v.end()}; }

// Ticks at whole numbers from 0, about ten of them up to `top`.
void wholeTicks(QValueAxis* axis, int top) {
  int step = 1;
  for (int s : {1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500, 1000, 2000, 5000, 10000})
    if (top / s <= 10) {
      step = s;
      break;
    }
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  axis->setTickInterval(step);
}

}  // namespace

QString curveHoverText(const CurveSet& c, int k) {
  if (k < 0 || k > c.maxAreas) return {};
  const auto ks = static_cast<std::size_t>(k);
  auto pc = [&](double v) {
    return QString("%1 (%2 %)").arg(v, 0, 'f', v == static_cast<int>(v) ? 0 : 1).arg(c.percent(v), 0, 'f', 1);
  };
  QString t = QString("%1 areas\n").arg(k);
  t +=
      QString("exact optimum: %1%2\n")
          .arg(pc(c.optimum[ks]))
          .arg(c.optimumProven[ks] ? QString() : QString(", not proven (bound %1)").arg(c.optimumBound[ks], 0, 'f', 0));
  t += QString("near-minimum: %1\n").arg(pc(c.nearMinimum[ks]));
  t += QString("greedy: %1\n").arg(pc(c.greedy[ks]));
  t += QString("richness hotspots: %1\n").arg(pc(c.hotspots[ks]));
  t += QString("random: median %1, 95 %: %2 ... %3")
           .arg(pc(c.randomMedian[ks]))
           .arg(c.randomLow[ks], 0, 'f', 0)
           .arg(c.randomHigh[ks], 0, 'f', 0);
  return t;
}

QChart* buildCurveChart(const CurveSet& c, const std::string& dataTitle) {
  auto* chart = new QChart;
  chart->setTitle(QString("Representation curves: %1").arg(QString::fromStdString(dataTitle)));
  chart->legend()->setAlignment(Qt::AlignBottom);

  auto* low = line("random 2.5 %", c.randomLow, Qt::gray, Qt::SolidLine);
  auto* high = line("random 97.5 %", c.randomHigh, Qt::gray, Qt::SolidLine);
  auto* envelope = new QAreaSeries(high, low);
  envelope->setName("random 95 %");
  envelope->setBrush(QColor(160, 160, 160, 90));
  envelope->setPen(Qt::NoPen);
  low->setParent(envelope);  // the area does not own its edges
  high->setParent(envelope);
  chart->addSeries(envelope);

  // The optimum comes last, so that it is drawn over the quick orders that
  // often reach it; dashed, so that a line beneath it still shows.
  std::vector<QLineSeries*> lines{line("near-minimum", asDouble(c.nearMinimum), QColor(200, 30, 30), Qt::SolidLine),
                                  line("greedy", asDouble(c.greedy), QColor(30, 90, 200), Qt::SolidLine),
                                  line("richness hotspots", asDouble(c.hotspots), QColor(230, 140, 0), Qt::SolidLine),
                                  line("random median", c.randomMedian, QColor(90, 90, 90), Qt::DotLine),
                                  line("exact optimum", asDouble(c.optimum), QColor(0, 0, 0), Qt::DashLine)};
  for (QLineSeries* s : lines) chart->addSeries(s);

  auto* unproven = new QScatterSeries;
  unproven->setName("unproven");
  unproven->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
  unproven->setMarkerSize(9.0);
  unproven->setColor(Qt::white);
  unproven->setBorderColor(Qt::black);
  for (int k = 0; k <= c.maxAreas; ++k)
    if (!c.optimumProven[static_cast<std::size_t>(k)]) unproven->append(k, c.optimum[static_cast<std::size_t>(k)]);
  chart->addSeries(unproven);

  auto* x = new QValueAxis;
  x->setTitleText("Number of areas");
  x->setRange(0, std::max(1, c.maxAreas));
  x->setLabelFormat("%d");
  wholeTicks(x, c.maxAreas);
  auto* y = new QValueAxis;
  y->setTitleText(QString("Taxa represented (of %1)").arg(c.taxa));
  y->setRange(0, std::max(1, c.taxa));
  y->setLabelFormat("%d");
  wholeTicks(y, c.taxa);
  auto* yp = new QValueAxis;
  yp->setTitleText("Taxa represented (%)");
  yp->setRange(0, 100);
  yp->setLabelFormat("%d");
  // One grid: the percentage axis' ticks fall between the counts' lines.
  yp->setGridLineVisible(false);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  chart->addAxis(yp, Qt::AlignRight);
  for (QAbstractSeries* s : chart->series()) {
    s->attachAxis(x);
    s->attachAxis(y);
  }
  if (unproven->count() == 0)
    for (QLegendMarker* m : chart->legend()->markers(unproven)) m->setVisible(false);
  return chart;
}

bool saveCurveChart(const CurveSet& c, const std::string& dataTitle, const std::filesystem::path& file, QSize size,
                    std::string& error) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  if (ext != ".png" && ext != ".svg" && ext != ".pdf") {
    error = "the chart is saved as .png, .svg or .pdf";
    return false;
  }
  // Drawn from a scene of its own, so nothing is shown on the screen.
  QGraphicsScene scene;
  QChart* chart = buildCurveChart(c, dataTitle);
  scene.addItem(chart);
  chart->setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
  chart->layout()->activate();
  QCoreApplication::sendPostedEvents();
  QSaveFile out(QString::fromStdString(file.string()));
  if (!out.open(QIODevice::WriteOnly)) {
    error = "cannot write " + file.string();
    return false;
  }
  const QRect target(QPoint(0, 0), size);
  bool drawn = true;
  if (ext == ".png") {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    scene.render(&p, QRectF(target), QRectF(target));
    p.end();
    drawn = image.save(&out, "PNG");
  } else if (ext == ".svg") {
    QSvgGenerator svg;
    svg.setOutputDevice(&out);
    svg.setSize(size);
    svg.setViewBox(target);
    svg.setTitle(QString::fromStdString("Representation curves: " + dataTitle));
    QPainter p(&svg);
    scene.render(&p, QRectF(target), QRectF(target));
    drawn = p.end();
  } else {
    QPdfWriter pdf(&out);
    pdf.setPageSize(QPageSize(QSizeF(size.width(), size.height()), QPageSize::Point));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setResolution(72);
    QPainter p(&pdf);
    scene.render(&p, QRectF(target), QRectF(target));
    drawn = p.end();
  }
  if (!drawn || !out.commit()) {
    error = "cannot write " + file.string();
    return false;
  }
  return true;
}

}  // namespace zn
