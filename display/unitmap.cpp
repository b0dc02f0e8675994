#include "display/unitmap.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>

#include "store/text.h"

namespace zn {

namespace {

// Viridis at nine stops; classes take evenly spaced points between them.
constexpr std::array<std::array<int, 3>, 9> kViridis{{{68, 1, 84},
                                                      {71, 44, 122},
                                                      {59, 81, 139},
                                                      {44, 113, 142},
                                                      {33, 144, 141},
                                                      {39, 173, 129},
                                                      {92, 200, 99},
                                                      {170, 220, 50},
                                                      {253, 231, 37}}};

QPainterPath pathOf(const std::vector<std::vector<CrsPoint>>& rings, const UnitMapLayout& f) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  for (const auto& ring : rings) {
    if (ring.size() < 3) continue;
    path.moveTo(f.toPixel(ring[0].x, ring[0].y));
    for (std::size_t i = 1; i < ring.size(); ++i) path.lineTo(f.toPixel(ring[i].x, ring[i].y));
    path.closeSubpath();
  }
  return path;
}

// A round length near a fifth of the map's width: 1, 2 or 5 times a power of ten.
double roundLength(double target) {
  if (!(target > 0)) return 0.0;
  const double p = std::pow(10.0, std::floor(std::log10(target)));
  for (double m : {5.0, 2.0, 1.0})
    if (m * p <= target) return m * p;
  return p;
}

std::string keyLabel(double value, bool counts) {
  if (counts) return strprintf("%.0f", value);
  if (value != 0.0 && std::fabs(value) < 0.01) return strprintf("%.2e", value);
  return strprintf("%.3g", value);
}

QFont titleFontOf(double unit) {
  QFont f("Liberation Sans");
  f.setPixelSize(static_cast<int>(std::lround(unit * 1.3)));
  f.setBold(true);
  return f;
}

QFont textFontOf(double unit) {
  QFont f("Liberation Sans");
  f.setPixelSize(static_cast<int>(std::lround(unit)));
  return f;
}

}  // namespace

UnitMapLayout unitMapLayout(const QRectF& target, const CrsBox& extent) {
  UnitMapLayout l;
  l.target = target;
  l.extent = extent;
  l.unit = std::max(8.0, std::min(target.width(), target.height()) / 60.0);
  const double margin = l.unit;
  l.titleHeight = QFontMetricsF(titleFontOf(l.unit)).height() + margin;
  l.keyWidth = std::max(l.unit * 10.0, target.width() * 0.16);
  l.mapArea = QRectF(target.left() + margin, target.top() + l.titleHeight + margin,
                     std::max(1.0, target.width() - l.keyWidth - 3 * margin),
                     std::max(1.0, target.height() - l.titleHeight - 2 * margin));
  const double w = std::max(extent.east - extent.west, 1e-9), h = std::max(extent.north - extent.south, 1e-9);
  l.scale = std::min(l.mapArea.width() / w, l.mapArea.height() / h);
  l.x0 = l.mapArea.left() + (l.mapArea.width() - w * l.scale) / 2.0;
  l.y0 = l.mapArea.top() + (l.mapArea.height() - h * l.scale) / 2.0;
  return l;
}

QColor rampColour(int cls, int k) {
  const double t = k <= 1 ? 1.0 : static_cast<double>(std::clamp(cls, 0, k - 1)) / (k - 1);
  const double at = t * (kViridis.size() - 1);
  const auto i = static_cast<std::size_t>(std::min<double>(std::floor(at), kViridis.size() - 2));
  const double u = at - static_cast<double>(i);
  auto mix = [&](int c) {
    return static_cast<int>(std::lround(kViridis[i][c] + (kViridis[i + 1][c] - kViridis[i][c]) * u));
  };
  return {mix(0), mix(1), mix(2)};
}

QColor noValueColour() { return {217, 217, 217}; }

void drawUnitMap(QPainter& p, const QRectF& target, const UnitMapShapes& shapes, const UnitMapLayer& layer,
                 const UnitMapStyle& style) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(target, Qt::white);

  const UnitMapLayout f = unitMapLayout(target, style.view.value_or(shapes.extent));
  const double unit = f.unit, margin = unit, titleHeight = f.titleHeight, keyWidth = f.keyWidth;
  const QRectF& mapArea = f.mapArea;
  const QFont titleFont = titleFontOf(unit), textFont = textFontOf(unit);

  // Classes of the scores.
  std::vector<UnitClass> classes;
  std::vector<double> score(layer.score);
  std::vector<int> count(layer.count);
  const auto units = static_cast<std::size_t>(std::max(0, shapes.units()));
  score.resize(units + 1, 0.0);
  count.resize(units + 1, 0);
  const ClassTable table = classifyValues(score, count, layer.classing, classes);
  const int k = table.classCount;
  auto colourOf = [&](std::size_t n) {
    return classes[n].scored ? rampColour(classes[n].classNumber, k) : noValueColour();
  };

  // The units.
  p.setClipRect(mapArea);
  if (shapes.lattice && !shapes.lattice->hex) {
    // One pixel per cell of the lattice's occupied window, scaled up whole.
    const auto& l = *shapes.lattice;
    long long c0 = l.columns, c1 = -1, r0 = l.rows, r1 = -1;
    for (std::size_t n = 1; n <= units; ++n) {
      const long long c = shapes.cellOf[n] - 1;
      if (c < 0 || l.columns < 1) continue;
      c0 = std::min(c0, c % l.columns);
      c1 = std::max(c1, c % l.columns);
      r0 = std::min(r0, c / l.columns);
      r1 = std::max(r1, c / l.columns);
    }
    if (c1 >= c0 && r1 >= r0) {
      QImage blocks(static_cast<int>(c1 - c0 + 1), static_cast<int>(r1 - r0 + 1), QImage::Format_ARGB32);
      blocks.fill(Qt::transparent);
      for (std::size_t n = 1; n <= units; ++n) {
        const long long c = shapes.cellOf[n] - 1;
        if (c < 0) continue;
        blocks.setPixel(static_cast<int>(c % l.columns - c0), static_cast<int>(c / l.columns - r0), colourOf(n).rgb());
      }
      const double h = l.rowHeight();
      const QPointF a = f.toPixel(l.west + static_cast<double>(c0) * l.size, l.north - static_cast<double>(r0) * h);
      const QPointF b =
          f.toPixel(l.west + static_cast<double>(c1 + 1) * l.size, l.north - static_cast<double>(r1 + 1) * h);
      p.drawImage(QRectF(a, b), blocks);
    }
  } else {
    p.setPen(Qt::NoPen);
    for (std::size_t n = 1; n <= units; ++n) {
      p.setBrush(colourOf(n));
      p.drawPath(pathOf(shapes.outline(static_cast<int>(n)), f));
    }
  }

  // The coast over the units, thin, so that neither hides the other.
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(60, 60, 60, 200), std::max(1.0, unit / 10.0)));
  for (const auto& line : shapes.coast) {
    if (line.size() < 2) continue;
    QPainterPath path(f.toPixel(line[0].x, line[0].y));
    for (std::size_t i = 1; i < line.size(); ++i) path.lineTo(f.toPixel(line[i].x, line[i].y));
    p.drawPath(path);
  }

  // The area set, outlined.
  if (!layer.inSet.empty()) {
    p.setPen(QPen(QColor(215, 25, 28), std::max(1.5, unit / 6.0)));
    for (std::size_t n = 1; n <= units && n < layer.inSet.size(); ++n)
      if (layer.inSet[n]) p.drawPath(pathOf(shapes.outline(static_cast<int>(n)), f));
  }
  p.setClipping(false);

  // Frame of the map.
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(QColor(120, 120, 120), 1.0));
  p.drawRect(mapArea);

  // The title.
  p.setPen(Qt::black);
  p.setFont(titleFont);
  p.drawText(QRectF(target.left() + margin, target.top() + margin / 2, target.width() - 2 * margin, titleHeight),
             Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(layer.title));

  // The key: the top class first, each swatch with the largest score of its class.
  p.setFont(textFont);
  const QFontMetricsF fm(textFont);
  const double row = std::max(fm.height() * 1.25, unit * 1.3);
  const double kx = mapArea.right() + margin;
  double ky = mapArea.top();
  const int rows = std::min<int>(k, static_cast<int>((mapArea.height() - 2 * row) / row));
  const int step = rows > 0 ? (k + rows - 1) / rows : k;
  for (int c = k - 1; c >= 0; c -= std::max(step, 1)) {
    const QRectF swatch(kx, ky + row * 0.1, row * 1.4, row * 0.8);
    p.fillRect(swatch, rampColour(c, k));
    p.setPen(QColor(90, 90, 90));
    p.drawRect(swatch);
    p.setPen(Qt::black);
    // A class holds the scores above the limit of the class below it.
    const double upper = table.limits[static_cast<std::size_t>(c)];
    double lower = c > 0 ? table.limits[static_cast<std::size_t>(c - 1)] : table.minimum;
    if (layer.counts && c > 0) lower = std::floor(lower) + 1.0;
    const bool empty = table.maxima[static_cast<std::size_t>(c)] == 0.0;
    const std::string label = table.scoredCells == 0 || empty ? std::string("none")
                              : lower >= upper                ? keyLabel(upper, layer.counts)
                                               : keyLabel(lower, layer.counts) + " - " + keyLabel(upper, layer.counts);
    p.drawText(QRectF(swatch.right() + unit * 0.5, ky, keyWidth - swatch.width() - unit, row),
               Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(label));
    ky += row;
  }
  const QRectF none(kx, ky + row * 0.1, row * 1.4, row * 0.8);
  p.fillRect(none, noValueColour());
  p.setPen(QColor(90, 90, 90));
  p.drawRect(none);
  p.setPen(Qt::black);
  p.drawText(QRectF(none.right() + unit * 0.5, ky, keyWidth - none.width() - unit, row),
             Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("no value"));

  // Scale bar and north arrow on projected maps, where lengths are true.
  if (!shapes.geographic && style.scaleBar) {
    const double metres = roundLength((mapArea.width() / f.scale) / 5.0);
    const double px = metres * f.scale;
    const QPointF a(mapArea.left() + unit, mapArea.bottom() - unit);
    p.fillRect(QRectF(a.x(), a.y() - unit * 0.4, px, unit * 0.4), Qt::black);
    p.drawText(
        QRectF(a.x(), a.y() - unit * 0.4 - row, px * 2, row), Qt::AlignLeft | Qt::AlignBottom,
        QString::fromStdString(metres >= 1000 ? strprintf("%.0f km", metres / 1000) : strprintf("%.0f m", metres)));
  }
  if (!shapes.geographic && style.northArrow) {
    const QPointF tip(mapArea.right() - unit * 1.5, mapArea.top() + unit);
    QPainterPath arrow(tip);
    arrow.lineTo(tip + QPointF(unit * 0.6, unit * 1.6));
    arrow.lineTo(tip + QPointF(0, unit * 1.2));
    arrow.lineTo(tip + QPointF(-unit * 0.6, unit * 1.6));
    arrow.closeSubpath();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillPath(arrow, Qt::black);
    p.drawText(QRectF(tip.x() - unit, tip.y() + unit * 1.7, unit * 2, row), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("N"));
  }
  p.restore();
}

QImage renderUnitMap(const UnitMapShapes& shapes, const UnitMapLayer& layer, int width, int height,
                     const UnitMapStyle& style) {
  QImage image(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  drawUnitMap(p, QRectF(0, 0, image.width(), image.height()), shapes, layer, style);
  p.end();
  return image;
}

}  // namespace zn
