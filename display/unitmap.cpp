#include "display/unitmap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include <QFont>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygonF>

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

// A ring as the view's pixels show it: a vertex within half a pixel of the
// last one kept adds nothing at this scale.
void addRing(QPainterPath& path, const std::vector<CrsPoint>& ring, const UnitMapLayout& f) {
  if (ring.size() < 3) return;
  QPointF last = f.toPixel(ring[0].x, ring[0].y);
  path.moveTo(last);
  for (std::size_t i = 1; i < ring.size(); ++i) {
    const QPointF q = f.toPixel(ring[i].x, ring[i].y);
    if (std::fabs(q.x() - last.x()) < 0.5 && std::fabs(q.y() - last.y()) < 0.5) continue;
    path.lineTo(q);
    last = q;
  }
  path.closeSubpath();
}

// A polyline with the vertices within half a pixel of the last kept left
// out, in runs that meet the view (a margin of a tenth of it around).
void drawLine(QPainter& p, const std::vector<CrsPoint>& line, const UnitMapLayout& f, const CrsBox& seen) {
  const double mx = (seen.east - seen.west) / 10.0, my = (seen.north - seen.south) / 10.0;
  auto near = [&](const CrsPoint& q) {
    return q.x >= seen.west - mx && q.x <= seen.east + mx && q.y >= seen.south - my && q.y <= seen.north + my;
  };
  QPolygonF run;
  auto flush = [&] {
    if (run.size() >= 2) p.drawPolyline(run);
    run.clear();
  };
  for (std::size_t i = 0; i < line.size(); ++i) {
    // A segment is kept where either end is near the view.
    const bool keep = near(line[i]) || (i > 0 && near(line[i - 1])) || (i + 1 < line.size() && near(line[i + 1]));
    if (!keep) {
      flush();
      continue;
    }
    const QPointF q = f.toPixel(line[i].x, line[i].y);
    const bool last = i + 1 == line.size() || !near(line[i + 1]);
    if (!run.isEmpty() && !last && std::fabs(q.x() - run.back().x()) < 0.5 && std::fabs(q.y() - run.back().y()) < 0.5)
      continue;
    run.append(q);
  }
  flush();
}

// The area set's outline, red over every ramp colour.
QPen setPen(double unit) { return QPen(QColor(215, 25, 28), std::max(1.5, unit / 6.0)); }

QPainterPath pathOf(const std::vector<std::vector<CrsPoint>>& rings, const UnitMapLayout& f) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  for (const auto& ring : rings) addRing(path, ring, f);
  return path;
}

CrsBox visibleBox(const UnitMapLayout& f) {
  const CrsPoint a = f.toCrs(f.mapArea.topLeft()), b = f.toCrs(f.mapArea.bottomRight());
  return {a.x, b.y, b.x, a.y};
}

bool meets(const CrsBox& a, const CrsBox& b) {
  return a.west <= b.east && b.west <= a.east && a.south <= b.north && b.south <= a.north;
}

std::string degreesLabel(double degrees, bool meridian) {
  const double v = std::fabs(degrees) < 1e-9 ? 0.0 : degrees;
  std::string text = strprintf("%g\u00b0", std::fabs(v));
  if (v != 0.0) text += meridian ? (v > 0 ? "E" : "W") : (v > 0 ? "N" : "S");
  return text;
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

// A count map with no more distinct values than classes keys each value
// on its own: equal intervals over a few whole numbers would leave classes
// empty between them. False, with nothing set, where the values are more.
bool valueClasses(const std::vector<double>& score, const std::vector<int>& count, const ClassingInput& in,
                  ClassTable& t, std::vector<UnitClass>& out) {
  std::vector<double> values;
  for (std::size_t n = 1; n < score.size(); ++n)
    if (score[n] != 0.0 && std::isfinite(score[n])) values.push_back(score[n]);
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  const int k = static_cast<int>(values.size());
  if (k == 0 || k > in.classCount) return false;
  t = ClassTable{};
  t.classCount = k;
  t.inverted = in.inverted;
  t.limits.assign(static_cast<std::size_t>(k), 0.0);
  t.histogram.assign(static_cast<std::size_t>(k) + 1, 0);
  t.minimum = values.front();
  t.maximum = values.back();
  // The inverted scale runs the values from the top class down.
  auto classOf = [&](std::size_t i) { return in.inverted ? k - 1 - static_cast<int>(i) : static_cast<int>(i); };
  for (std::size_t i = 0; i < values.size(); ++i) t.limits[static_cast<std::size_t>(classOf(i))] = values[i];
  t.maxima = t.limits;
  out.assign(score.size(), UnitClass{});
  for (std::size_t n = 1; n < score.size(); ++n) {
    if (score[n] == 0.0 || !std::isfinite(score[n])) continue;
    const auto i = static_cast<std::size_t>(std::lower_bound(values.begin(), values.end(), score[n]) - values.begin());
    UnitClass& u = out[n];
    u.classNumber = classOf(i);
    u.scored = true;
    u.top = score[n] == t.maximum;
    ++t.scoredCells;
    if (n < count.size() && count[n] != 0) ++t.histogram[static_cast<std::size_t>(u.classNumber)];
  }
  return true;
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

UnitIndex::UnitIndex(const UnitMapShapes& shapes) {
  const int units = std::max(0, shapes.units());
  constexpr double inf = std::numeric_limits<double>::infinity();
  boxes_.assign(static_cast<std::size_t>(units) + 1, CrsBox{inf, inf, -inf, -inf});
  all_ = CrsBox{inf, inf, -inf, -inf};
  for (int n = 1; n <= units; ++n) {
    CrsBox& b = boxes_[static_cast<std::size_t>(n)];
    auto grow = [&](const CrsPoint& q) {
      b.west = std::min(b.west, q.x);
      b.east = std::max(b.east, q.x);
      b.south = std::min(b.south, q.y);
      b.north = std::max(b.north, q.y);
    };
    if (shapes.lattice) {
      for (const auto& ring : shapes.outline(n))
        for (const CrsPoint& q : ring) grow(q);
    } else {
      for (const auto& ring : shapes.rings[static_cast<std::size_t>(n) - 1])
        for (const CrsPoint& q : ring) grow(q);
    }
    if (!(b.west <= b.east)) continue;
    all_.west = std::min(all_.west, b.west);
    all_.east = std::max(all_.east, b.east);
    all_.south = std::min(all_.south, b.south);
    all_.north = std::max(all_.north, b.north);
  }
  seen_.assign(boxes_.size(), 0);
  if (!(all_.west <= all_.east)) {
    start_.assign(2, 0);
    return;
  }
  // About four units per grid cell, the cells as square as the extent allows.
  const double w = std::max(all_.east - all_.west, 1e-9), h = std::max(all_.north - all_.south, 1e-9);
  const double cells = std::clamp(units / 4.0, 1.0, 1048576.0);
  columns_ = std::clamp(static_cast<int>(std::lround(std::sqrt(cells * w / h))), 1, 4096);
  rows_ = std::clamp(static_cast<int>(std::lround(cells / columns_)), 1, 4096);
  cellWidth_ = w / columns_;
  cellHeight_ = h / rows_;
  auto span = [&](const CrsBox& b, int& x0, int& x1, int& y0, int& y1) {
    x0 = std::clamp(static_cast<int>((b.west - all_.west) / cellWidth_), 0, columns_ - 1);
    x1 = std::clamp(static_cast<int>((b.east - all_.west) / cellWidth_), 0, columns_ - 1);
    y0 = std::clamp(static_cast<int>((all_.north - b.north) / cellHeight_), 0, rows_ - 1);
    y1 = std::clamp(static_cast<int>((all_.north - b.south) / cellHeight_), 0, rows_ - 1);
  };
  // Counted first, then filed: one array for every cell's list.
  start_.assign(static_cast<std::size_t>(columns_) * rows_ + 1, 0);
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<std::uint32_t> next;
    if (pass == 1) {
      for (std::size_t g = 1; g < start_.size(); ++g) start_[g] += start_[g - 1];
      ids_.resize(start_.back());
      next.assign(start_.begin(), start_.end() - 1);
    }
    for (int n = 1; n <= units; ++n) {
      const CrsBox& b = boxes_[static_cast<std::size_t>(n)];
      if (!(b.west <= b.east)) continue;
      int x0, x1, y0, y1;
      span(b, x0, x1, y0, y1);
      for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
          const std::size_t g = static_cast<std::size_t>(y) * columns_ + x;
          if (pass == 0) ++start_[g + 1];
          else ids_[next[g]++] = static_cast<std::uint32_t>(n);
        }
    }
  }
}

void UnitIndex::query(const CrsBox& box, std::vector<int>& out) const {
  out.clear();
  if (ids_.empty() || !meets(box, all_)) return;
  if (++stamp_ == 0) {
    std::fill(seen_.begin(), seen_.end(), 0);
    stamp_ = 1;
  }
  const int x0 = std::clamp(static_cast<int>((box.west - all_.west) / cellWidth_), 0, columns_ - 1);
  const int x1 = std::clamp(static_cast<int>((box.east - all_.west) / cellWidth_), 0, columns_ - 1);
  const int y0 = std::clamp(static_cast<int>((all_.north - box.north) / cellHeight_), 0, rows_ - 1);
  const int y1 = std::clamp(static_cast<int>((all_.north - box.south) / cellHeight_), 0, rows_ - 1);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const std::size_t g = static_cast<std::size_t>(y) * columns_ + x;
      for (std::uint32_t i = start_[g]; i < start_[g + 1]; ++i) {
        const std::uint32_t n = ids_[i];
        if (seen_[n] == stamp_) continue;
        seen_[n] = stamp_;
        if (meets(boxes_[n], box)) out.push_back(static_cast<int>(n));
      }
    }
}

int outlinedUnitAt(const UnitMapShapes& shapes, const UnitIndex& index, double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return 0;
  thread_local std::vector<int> candidates;
  index.query(CrsBox{x, y, x, y}, candidates);
  std::sort(candidates.begin(), candidates.end());
  const QPointF at(x, y);
  for (int n : candidates) {
    if (n < 1 || static_cast<std::size_t>(n) > shapes.rings.size()) continue;
    bool inside = false;
    QPolygonF ring;
    for (const auto& r : shapes.rings[static_cast<std::size_t>(n) - 1]) {
      ring.resize(static_cast<qsizetype>(r.size()));
      for (std::size_t i = 0; i < r.size(); ++i) ring[static_cast<qsizetype>(i)] = QPointF(r[i].x, r[i].y);
      if (ring.containsPoint(at, Qt::OddEvenFill)) inside = !inside;
    }
    if (inside) return n;
  }
  return 0;
}

UnitMapPicture::UnitMapPicture(const UnitMapShapes& s, const UnitMapLayer& l, std::shared_ptr<const UnitIndex> i)
    : shapes(s), layer(l), index(std::move(i)) {
  // Classes of the scores.
  std::vector<UnitClass> classes;
  std::vector<double> score(layer.score);
  std::vector<int> count(layer.count);
  const auto units = static_cast<std::size_t>(std::max(0, shapes.units()));
  score.resize(units + 1, 0.0);
  count.resize(units + 1, 0);
  categorical = layer.counts && valueClasses(score, count, layer.classing, table, classes);
  if (!categorical) table = classifyValues(score, count, layer.classing, classes);
  const int k = table.classCount;
  for (int c = 0; c < k; ++c) palette.push_back(rampColour(c, k).rgb());
  palette.push_back(noValueColour().rgb());
  shade.assign(units + 1, static_cast<std::uint8_t>(k));
  for (std::size_t n = 1; n <= units; ++n)
    if (classes[n].scored) shade[n] = static_cast<std::uint8_t>(std::clamp(classes[n].classNumber, 0, k - 1));

  if (shapes.lattice && !shapes.lattice->hex) {
    // One pixel per cell of the lattice's occupied window, scaled up whole when drawn.
    const auto& g = *shapes.lattice;
    long long c0 = g.columns, c1 = -1, r0 = g.rows, r1 = -1;
    for (std::size_t n = 1; n <= units; ++n) {
      const long long c = shapes.cellOf[n] - 1;
      if (c < 0 || g.columns < 1) continue;
      c0 = std::min(c0, c % g.columns);
      c1 = std::max(c1, c % g.columns);
      r0 = std::min(r0, c / g.columns);
      r1 = std::max(r1, c / g.columns);
    }
    if (c1 >= c0 && r1 >= r0) {
      blocks = QImage(static_cast<int>(c1 - c0 + 1), static_cast<int>(r1 - r0 + 1), QImage::Format_ARGB32);
      blocks.fill(Qt::transparent);
      blockColumn = c0;
      blockRow = r0;
      for (std::size_t n = 1; n <= units; ++n) {
        const long long c = shapes.cellOf[n] - 1;
        if (c < 0) continue;
        blocks.setPixel(static_cast<int>(c % g.columns - c0), static_cast<int>(c / g.columns - r0), palette[shade[n]]);
      }
    }
  } else if (!index) {
    index = std::make_shared<const UnitIndex>(shapes);
  }
}

void drawUnitMapBody(QPainter& p, const UnitMapLayout& f, const UnitMapPicture& pic, const UnitMapStyle& style) {
  const UnitMapShapes& shapes = pic.shapes;
  const UnitMapLayer& layer = pic.layer;
  const double unit = f.unit;
  const CrsBox seen = visibleBox(f);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setClipRect(f.mapArea);

  // The units: a square lattice's visible blocks in one image; otherwise
  // the visible outlines, one path per colour, a unit under a pixel as a
  // pixel.
  std::vector<int> visible;
  if (!pic.blocks.isNull()) {
    const auto& l = *shapes.lattice;
    const double h = l.rowHeight();
    const auto first = [](double v) { return static_cast<long long>(std::floor(v)); };
    const long long c0 = std::max(pic.blockColumn, first((seen.west - l.west) / l.size));
    const long long c1 = std::min(pic.blockColumn + pic.blocks.width() - 1, first((seen.east - l.west) / l.size));
    const long long r0 = std::max(pic.blockRow, first((l.north - seen.north) / h));
    const long long r1 = std::min(pic.blockRow + pic.blocks.height() - 1, first((l.north - seen.south) / h));
    if (c1 >= c0 && r1 >= r0) {
      const QPointF a = f.toPixel(l.west + static_cast<double>(c0) * l.size, l.north - static_cast<double>(r0) * h);
      const QPointF b =
          f.toPixel(l.west + static_cast<double>(c1 + 1) * l.size, l.north - static_cast<double>(r1 + 1) * h);
      const QRectF source(static_cast<double>(c0 - pic.blockColumn), static_cast<double>(r0 - pic.blockRow),
                          static_cast<double>(c1 - c0 + 1), static_cast<double>(r1 - r0 + 1));
      p.drawImage(QRectF(a, b), pic.blocks, source);
    }
  } else if (pic.index) {
    pic.index->query(seen, visible);
    std::vector<QPainterPath> paths(pic.palette.size());
    std::vector<std::vector<QRectF>> dots(pic.palette.size());
    for (QPainterPath& path : paths) path.setFillRule(Qt::OddEvenFill);
    // Hexagons a few device pixels wide show no corners: on an image each
    // is the brick of its row (as wide as the cell, a row's step tall)
    // that tiles as they do, drawn far faster than a million outlines. A
    // drawing keeps the outlines, as it may be printed large.
    const bool raster = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster;
    const bool bricks = raster && shapes.lattice && shapes.lattice->hex &&
                        shapes.lattice->size * f.scale * std::fabs(p.deviceTransform().m11()) < 4.0;
    for (int n : visible) {
      const CrsBox& b = pic.index->box(n);
      const double w = (b.east - b.west) * f.scale, h = (b.north - b.south) * f.scale;
      const std::uint8_t s = pic.shade[static_cast<std::size_t>(n)];
      if (bricks) {
        const QPointF c = f.toPixel((b.west + b.east) / 2.0, (b.south + b.north) / 2.0);
        dots[s].emplace_back(c.x() - w / 2.0, c.y() - h * 0.375, w, h * 0.75);
        continue;
      }
      if (w < 1.0 && h < 1.0) {
        const QPointF c = f.toPixel((b.west + b.east) / 2.0, (b.south + b.north) / 2.0);
        dots[s].emplace_back(std::floor(c.x()), std::floor(c.y()), 1.0, 1.0);
        continue;
      }
      if (shapes.lattice) {
        for (const auto& ring : shapes.outline(n)) addRing(paths[s], ring, f);
      } else {
        for (const auto& ring : shapes.rings[static_cast<std::size_t>(n) - 1]) addRing(paths[s], ring, f);
      }
    }
    p.setPen(Qt::NoPen);
    for (std::size_t s = 0; s < paths.size(); ++s) {
      const QColor colour = QColor::fromRgb(pic.palette[s]);
      if (!paths[s].isEmpty()) p.fillPath(paths[s], colour);
      if (!dots[s].empty()) {
        p.setBrush(colour);
        p.drawRects(dots[s].data(), static_cast<int>(dots[s].size()));
      }
    }
  }

  // The graticule under the coast, faint; both as the view's pixels show
  // them, the parts outside the view left out.
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setBrush(Qt::NoBrush);
  if (style.graticule) {
    p.setPen(QPen(QColor(110, 110, 110, 150), std::max(1.0, unit / 12.0)));
    for (const GraticuleLine& g : shapes.graticule)
      for (const auto& piece : g.pieces) drawLine(p, piece, f, seen);
  }

  // The coast over the units, thin, so that neither hides the other.
  p.setPen(QPen(QColor(60, 60, 60, 200), std::max(1.0, unit / 10.0)));
  for (const auto& line : shapes.coast) drawLine(p, line, f, seen);

  // The area set, outlined.
  if (!layer.inSet.empty()) {
    p.setPen(setPen(unit));
    const auto units = static_cast<std::size_t>(std::max(0, shapes.units()));
    for (std::size_t n = 1; n <= units && n < layer.inSet.size(); ++n) {
      if (!layer.inSet[n]) continue;
      if (pic.index && !meets(pic.index->box(static_cast<int>(n)), seen)) continue;
      p.drawPath(pathOf(shapes.outline(static_cast<int>(n)), f));
    }
  }
  p.restore();
}

void drawUnitMapFurniture(QPainter& p, const UnitMapLayout& f, const UnitMapPicture& pic, const UnitMapStyle& style) {
  const UnitMapShapes& shapes = pic.shapes;
  const UnitMapLayer& layer = pic.layer;
  const ClassTable& table = pic.table;
  const int k = table.classCount;
  const double unit = f.unit, margin = unit, titleHeight = f.titleHeight, keyWidth = f.keyWidth;
  const QRectF& mapArea = f.mapArea;
  const QRectF& target = f.target;
  const QFont titleFont = titleFontOf(unit), textFont = textFontOf(unit);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);

  // Frame of the map.
  p.setPen(QPen(QColor(120, 120, 120), 1.0));
  p.setBrush(Qt::NoBrush);
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
  // Only the classes that hold units have a swatch: a class an
  // equal-frequency scale leaves empty between ties would read as a gap.
  std::vector<int> shown;
  for (int c = k - 1; c >= 0; --c)
    if (table.scoredCells > 0 && table.maxima[static_cast<std::size_t>(c)] != 0.0) shown.push_back(c);
  const int classes = static_cast<int>(shown.size());
  // Rows below the classes: units without a value, and the area set where one is outlined.
  const bool setShown =
      layer.inSet.size() > 1 && std::any_of(layer.inSet.begin() + 1, layer.inSet.end(), [](char c) { return c != 0; });
  const int below = setShown ? 2 : 1;
  const int rows = std::min<int>(classes, static_cast<int>((mapArea.height() - (below + 1) * row) / row));
  const int step = rows > 0 ? (classes + rows - 1) / rows : std::max(classes, 1);
  for (int i = 0; i < classes; i += std::max(step, 1)) {
    const int c = shown[static_cast<std::size_t>(i)];
    const QRectF swatch(kx, ky + row * 0.1, row * 1.4, row * 0.8);
    p.fillRect(swatch, rampColour(c, k));
    p.setPen(QColor(90, 90, 90));
    p.drawRect(swatch);
    p.setPen(Qt::black);
    // A class holds the scores above the limit of the class below it.
    double upper = table.limits[static_cast<std::size_t>(c)];
    double lower = c > 0 ? table.limits[static_cast<std::size_t>(c - 1)] : table.minimum;
    // Counts in a class are the whole numbers above the limit below and up
    // to its own, so two classes never name the same count.
    if (layer.counts) upper = std::floor(upper);
    if (layer.counts && c > 0) lower = std::floor(lower) + 1.0;
    const std::string label = lower >= upper || pic.categorical
                                  ? keyLabel(upper, layer.counts)
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
  if (setShown) {
    // The set's swatch is outlined as its units are, with the words the grid maps use.
    ky += row;
    const QRectF set(kx, ky + row * 0.1, row * 1.4, row * 0.8);
    p.setPen(setPen(unit));
    p.drawRect(set);
    p.setPen(Qt::black);
    p.drawText(QRectF(set.right() + unit * 0.5, ky, keyWidth - set.width() - unit, row),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("selected area"));
  }

  // The graticule's labels at the visible ends of its lines: meridians at
  // their northern end, parallels at their western one, on a white ground
  // so they read over units, never over one another, the scale bar or the
  // north arrow.
  if (style.graticule) {
    const CrsBox seen = visibleBox(f);
    const QFont small = textFontOf(unit * 0.85);
    p.setFont(small);
    const QFontMetricsF sm(small);
    std::vector<QRectF> taken{QRectF(mapArea.left(), mapArea.bottom() - unit * 1.4 - row, unit * 16, unit * 1.4 + row),
                              QRectF(mapArea.right() - unit * 2.5, mapArea.top(), unit * 2.5, unit * 2.2 + row)};
    for (const GraticuleLine& g : shapes.graticule) {
      std::optional<CrsPoint> end;
      for (const auto& piece : g.pieces)
        for (const CrsPoint& q : piece) {
          if (q.x < seen.west || q.x > seen.east || q.y < seen.south || q.y > seen.north) continue;
          if (!end || (g.meridian ? q.y > end->y : q.x < end->x)) end = q;
        }
      // A line that leaves the view or the project's extent (where lines
      // stop) across a side edge, a meridian west or east, a parallel north
      // or south, is not labelled there, among the labels of the other kind.
      if (!end) continue;
      const CrsBox lines{std::max(seen.west, shapes.extent.west), std::max(seen.south, shapes.extent.south),
                         std::min(seen.east, shapes.extent.east), std::min(seen.north, shapes.extent.north)};
      const double slackX = (lines.east - lines.west) * 0.03, slackY = (lines.north - lines.south) * 0.03;
      if (g.meridian ? end->x - lines.west < slackX || lines.east - end->x < slackX
                     : end->y - lines.south < slackY || lines.north - end->y < slackY)
        continue;
      const QString text = QString::fromStdString(degreesLabel(g.degrees, g.meridian));
      const double tw = sm.horizontalAdvance(text) + unit * 0.4, th = sm.height();
      const QPointF at = f.toPixel(end->x, end->y);
      QRectF box =
          g.meridian ? QRectF(at.x() - tw / 2, at.y() - th, tw, th) : QRectF(at.x() - tw, at.y() - th / 2, tw, th);
      box.moveLeft(std::clamp(box.left(), mapArea.left() + 1, mapArea.right() - tw - 1));
      box.moveTop(std::clamp(box.top(), mapArea.top() + 1, mapArea.bottom() - th - 1));
      if (std::any_of(taken.begin(), taken.end(), [&](const QRectF& r) { return r.intersects(box); })) continue;
      taken.push_back(box);
      p.fillRect(box, QColor(255, 255, 255, 210));
      p.setPen(QColor(60, 60, 60));
      p.drawText(box, Qt::AlignCenter, text);
    }
    p.setFont(textFont);
  }

  // Scale bar where lengths on the map are true, or true along the equator
  // (then it says so); north arrow on projected maps.
  if (shapes.scale != MapScale::None && style.scaleBar) {
    const double perUnit = shapes.metresPerUnit > 0 ? shapes.metresPerUnit : 1.0;
    const double metres = roundLength((mapArea.width() / f.scale) * perUnit / 5.0);
    const double px = metres / perUnit * f.scale;
    std::string text = metres >= 1000 ? strprintf("%.0f km", metres / 1000) : strprintf("%.0f m", metres);
    if (shapes.scale == MapScale::AtEquator) text += " at the equator";
    const QPointF a(mapArea.left() + unit, mapArea.bottom() - unit);
    p.fillRect(QRectF(a.x(), a.y() - unit * 0.4, px, unit * 0.4), Qt::black);
    p.setPen(Qt::black);
    p.drawText(QRectF(a.x(), a.y() - unit * 0.4 - row, std::max(px * 2, unit * 14), row),
               Qt::AlignLeft | Qt::AlignBottom, QString::fromStdString(text));
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
    p.setPen(Qt::black);
    p.drawText(QRectF(tip.x() - unit, tip.y() + unit * 1.7, unit * 2, row), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("N"));
  }
  p.restore();
}

void drawUnitMap(QPainter& p, const QRectF& target, const UnitMapPicture& picture, const UnitMapStyle& style) {
  p.save();
  p.fillRect(target, Qt::white);
  const UnitMapLayout f = unitMapLayout(target, style.view.value_or(picture.shapes.extent));
  drawUnitMapBody(p, f, picture, style);
  drawUnitMapFurniture(p, f, picture, style);
  p.restore();
}

void drawUnitMap(QPainter& p, const QRectF& target, const UnitMapShapes& shapes, const UnitMapLayer& layer,
                 const UnitMapStyle& style) {
  drawUnitMap(p, target, UnitMapPicture(shapes, layer), style);
}

QImage renderUnitMap(const UnitMapShapes& shapes, const UnitMapLayer& layer, int width, int height,
                     const UnitMapStyle& style, double devicePixelRatio) {
  const double dpr = std::clamp(devicePixelRatio, 1.0, 8.0);
  const int w = std::max(1, width), h = std::max(1, height);
  QImage image(static_cast<int>(std::lround(w * dpr)), static_cast<int>(std::lround(h * dpr)), QImage::Format_RGB32);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::white);
  QPainter p(&image);
  drawUnitMap(p, QRectF(0, 0, w, h), shapes, layer, style);
  p.end();
  return image;
}

}  // namespace zn
