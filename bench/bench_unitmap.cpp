// The project map in the window's view at 1920 x 1080: the first draw of
// a layer (colours, block image or index, and the full map), a redraw of
// the same view, a pan frame (the settled map and its margin moved), a
// zoom frame (the same scaled), a settle at a new view, and the hover
// lookup; at 26,507 and 10^6 units of a square grid and 10^6 of a
// hexagon grid in the world equal-area CRS, and 10^5 and 10^6 polygon
// units, at device pixel ratios 1 and 2. Peak memory is reported as a
// counter.
//
// ZN_PROJECT=/path/to/carnivora_world.gpkg adds the open and first draw of
// a real project (tools/real_projects.sh with KEEP=dir makes it).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>

#include <ogr_geometry.h>

#include "app/projectview.h"
#include "gis/projectdata.h"
#include "shell/projectscreen.h"

namespace {

using zn::Project;
using zn::ProjectScreen;

const std::filesystem::path kHome = ZN_SOURCE_DIR "/programdata";

// What the process holds now, in MB.
double residentMegabytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double peakMegabytes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// Scores like a richness map: a smooth field with noise, a tenth unscored.
void scoreUnits(ProjectScreen& s) {
  const int units = s.shapes.units();
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  s.layer.title = "synthetic richness";
  s.layer.counts = true;
  s.layer.score.assign(static_cast<std::size_t>(units) + 1, 0.0);
  s.layer.count.assign(static_cast<std::size_t>(units) + 1, 0);
  for (int n = 1; n <= units; ++n) {
    if (u(rng) < 0.1) continue;
    const int v = 1 + static_cast<int>(40.0 * u(rng) * std::abs(std::sin(n * 1e-3)));
    s.layer.score[static_cast<std::size_t>(n)] = v;
    s.layer.count[static_cast<std::size_t>(n)] = v;
  }
}

// A regular grid of about `units` occupied cells, squares or hexagons,
// over the land-sized middle of the world in EPSG:6933, as the
// carnivores' project has.
std::shared_ptr<ProjectScreen> regularScene(int units, bool hex) {
  auto p = std::make_shared<Project>();
  zn::GridDefinition& g = p->grid;
  g.epsg = 6933;
  g.geographic = false;
  g.west = -17367530.45;
  g.east = 17367530.45;
  g.south = -6356742.34;
  g.north = 7348381.98;
  // Cells sized so that nine in ten of the grid's cells hold a unit.
  const double area = (g.east - g.west) * (g.north - g.south);
  // A hexagon of width w covers w * rowStep, its rows 1.5 / sqrt(3) of w apart.
  const double rowShare = hex ? 1.5 / std::sqrt(3.0) : 1.0;
  g.hex = hex;
  g.cellSize = std::sqrt(area * 0.9 / units / rowShare);
  g.columns = static_cast<long long>(std::ceil((g.east - g.west) / g.cellSize));
  g.rows = static_cast<long long>(std::ceil((g.north - g.south) / (g.cellSize * rowShare)));
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (long long c = 1; c <= g.cellCount() && static_cast<int>(p->data.units.size()) < units; ++c)
    if (u(rng) < 0.9) p->data.units.push_back({c, "", 1.0});
  auto s = std::make_shared<ProjectScreen>();
  std::shared_ptr<const Project> project = p;
  zn::takeProject(*s, "synthetic.gpkg", project, zn::analysisData(project), kHome);
  scoreUnits(*s);
  return s;
}

// Polygon units: irregular quadrilaterals of 24 vertices each tiling a
// square in the British National Grid.
std::shared_ptr<ProjectScreen> polygonScene(int units) {
  auto p = std::make_shared<Project>();
  zn::GridDefinition& g = p->grid;
  g.kind = zn::GridDefinition::Kind::Polygons;
  g.epsg = 27700;
  g.geographic = false;
  const int side = static_cast<int>(std::ceil(std::sqrt(units)));
  const double size = 600000.0 / side;
  g.west = 0;
  g.south = 0;
  g.east = g.north = size * side;
  g.cellSize = size;
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> jitter(-0.2, 0.2);
  for (int n = 1; n <= units; ++n) {
    const int col = (n - 1) % side, row = (n - 1) / side;
    OGRLinearRing ring;
    const double x0 = col * size, y0 = row * size;
    const double corners[5][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
    for (int e = 0; e < 4; ++e)
      for (int k = 0; k < 6; ++k) {
        const double t = k / 6.0;
        const double x = corners[e][0] + (corners[e + 1][0] - corners[e][0]) * t;
        const double y = corners[e][1] + (corners[e + 1][1] - corners[e][1]) * t;
        // Inner vertices wobble inwards, so neighbours never overlap.
        const double in = k == 0 ? 0.0 : 0.1 * std::abs(jitter(rng));
        ring.addPoint(x0 + size * (x + (x < 0.5 ? in : -in)), y0 + size * (y + (y < 0.5 ? in : -in)));
      }
    ring.closeRings();
    OGRPolygon poly;
    poly.addRing(&ring);
    std::vector<unsigned char> wkb(static_cast<std::size_t>(poly.WkbSize()));
    poly.exportToWkb(wkbNDR, wkb.data());
    p->outlines.push_back(std::move(wkb));
    p->data.units.push_back({n, "", 1.0});
  }
  auto s = std::make_shared<ProjectScreen>();
  std::shared_ptr<const Project> project = p;
  zn::takeProject(*s, "synthetic.gpkg", project, zn::analysisData(project), kHome);
  scoreUnits(*s);
  return s;
}

// The kinds of units the first argument names.
enum Kind { kSquares = 0, kPolygons = 1, kHexagons = 2 };

std::shared_ptr<ProjectScreen> scene(std::int64_t kind, int units) {
  static std::map<std::pair<std::int64_t, int>, std::shared_ptr<ProjectScreen>> made;
  auto& s = made[{kind, units}];
  if (!s) s = kind == kPolygons ? polygonScene(units) : regularScene(units, kind == kHexagons);
  return s;
}

// The window's view of the scene at 1920 x 1080, the whole project on show.
std::unique_ptr<zn::ProjectView> viewOf(ProjectScreen& s) {
  auto view = std::make_unique<zn::ProjectView>();
  view->resize(1920, 1080);
  view->show(&s.shapes, &s.layer, true);
  return view;
}

QImage surface(double dpr) {
  QImage image(static_cast<int>(1920 * dpr), static_cast<int>(1080 * dpr), QImage::Format_RGB32);
  image.setDevicePixelRatio(dpr);
  return image;
}

double drawMargin(zn::ProjectView& view);

// Args: kind (squares 0, polygons 1, hexagons 2), units, device pixel ratio.
// view_MB: what a view holds for drawing once it has drawn the scene
// (its colours, index, settled map and margin), the scene's data aside.
void BM_FirstDraw(benchmark::State& state) {
  auto s = scene(state.range(0), static_cast<int>(state.range(1)));
  QImage image = surface(static_cast<double>(state.range(2)));
  double held = 0;
  for (auto _ : state) {
    const double before = residentMegabytes();
    auto view = viewOf(*s);
    view->render(&image);
    state.PauseTiming();
    drawMargin(*view);
    held = std::max(held, residentMegabytes() - before);
    benchmark::DoNotOptimize(image.constBits());
    view.reset();
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = peakMegabytes();
  state.counters["view_MB"] = held;
}

void BM_Redraw(benchmark::State& state) {
  auto s = scene(state.range(0), static_cast<int>(state.range(1)));
  QImage image = surface(static_cast<double>(state.range(2)));
  auto shown = viewOf(*s);
  zn::ProjectView& view = *shown;
  view.render(&image);
  for (auto _ : state) {
    view.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["peak_MB"] = peakMegabytes();
}

// The pieces of the margin, one per turn of the event loop; the longest
// turn is what input may have to wait.
double drawMargin(zn::ProjectView& view) {
  double longest = 0;
  QElapsedTimer clock;
  while (view.drawingMargin()) {
    clock.start();
    QApplication::processEvents();
    longest = std::max(longest, static_cast<double>(clock.nsecsElapsed()) / 1e6);
  }
  return longest;
}

// The view zoomed four times about its middle, settled on `image` and
// its margin drawn, as after a pause.
std::unique_ptr<zn::ProjectView> zoomedView(ProjectScreen& s, QImage& image) {
  auto view = viewOf(s);
  view->zoomAbout(QPointF(900, 540), 4.0);
  view->render(&image);
  drawMargin(*view);
  return view;
}

// A drag of a few pixels per frame over a map zoomed four times, with the
// real mouse events; each frame is painted from the settled map.
void BM_PanFrame(benchmark::State& state) {
  auto s = scene(state.range(0), static_cast<int>(state.range(1)));
  QImage image = surface(static_cast<double>(state.range(2)));
  auto shown = zoomedView(*s, image);
  zn::ProjectView& view = *shown;
  QPointF at(900, 540);
  auto mouse = [&](QEvent::Type type, Qt::MouseButton b, Qt::MouseButtons held) {
    QMouseEvent e(type, at, view.mapToGlobal(at), b, held, Qt::NoModifier);
    QApplication::sendEvent(&view, &e);
  };
  mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
  int step = 0;
  for (auto _ : state) {
    ++step;
    at += QPointF(step % 40 < 20 ? 3 : -3, 2 * (step % 2) - 1);
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
    view.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
  state.counters["peak_MB"] = peakMegabytes();
}

// A wheel turn a notch in or out per frame, with real wheel events over a
// map zoomed four times; each frame is painted from the settled map scaled.
void BM_ZoomFrame(benchmark::State& state) {
  auto s = scene(state.range(0), static_cast<int>(state.range(1)));
  QImage image = surface(static_cast<double>(state.range(2)));
  auto shown = zoomedView(*s, image);
  zn::ProjectView& view = *shown;
  const QPointF at(900, 540);
  int step = 0;
  for (auto _ : state) {
    const int notch = ++step % 2 ? 120 : -120;
    QWheelEvent e(at, view.mapToGlobal(at), QPoint(), QPoint(0, notch), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &e);
    view.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["peak_MB"] = peakMegabytes();
}

// The full-detail drawing once a zoom settles, alternating in and out,
// and the margin drawn after it (args: kind, units).
void BM_SettleAfterZoom(benchmark::State& state) {
  auto s = scene(state.range(0), static_cast<int>(state.range(1)));
  auto shown = viewOf(*s);
  zn::ProjectView& view = *shown;
  bool in = true;
  double marginMs = 0, longestTurn = 0;
  for (auto _ : state) {
    view.zoomAbout(QPointF(900, 500), in ? 3.0 : 1.0 / 3.0);
    in = !in;
    benchmark::DoNotOptimize(view.capture().constBits());
    // The margin comes after, a piece per turn of the event loop, untimed
    // here and counted apart.
    state.PauseTiming();
    QElapsedTimer clock;
    clock.start();
    longestTurn = std::max(longestTurn, drawMargin(view));
    marginMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
    state.ResumeTiming();
  }
  state.counters["margin_ms"] = benchmark::Counter(marginMs, benchmark::Counter::kAvgIterations);
  state.counters["longest_turn_ms"] = longestTurn;
}

void BM_Hover(benchmark::State& state) {
  auto s = scene(state.range(0), static_cast<int>(state.range(1)));
  auto shown = viewOf(*s);
  zn::ProjectView& view = *shown;
  std::mt19937 rng(9);
  std::uniform_real_distribution<double> x(0, 1500), y(60, 1050);
  // The first lookup may build the units' own index; it is timed apart.
  QElapsedTimer clock;
  clock.start();
  int found = view.unitAt(QPointF(x(rng), y(rng))) > 0;
  state.counters["first_ms"] = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  for (auto _ : state) found += view.unitAt(QPointF(x(rng), y(rng))) > 0;
  state.counters["hits"] = found;
}

void BM_OpenRealProject(benchmark::State& state) {
  const char* file = std::getenv("ZN_PROJECT");
  if (!file) return state.SkipWithError("set ZN_PROJECT to a project file");
  QImage image = surface(static_cast<double>(state.range(0)));
  for (auto _ : state) {
    ProjectScreen s;
    if (auto why = zn::openProjectScreen(file, kHome, s)) return state.SkipWithError(why->c_str());
    scoreUnits(s);
    viewOf(s)->render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["peak_MB"] = peakMegabytes();
}

void sizes(benchmark::internal::Benchmark* b) {
  for (int dpr : {1, 2}) {
    b->Args({kSquares, 26507, dpr});
    b->Args({kSquares, 1000000, dpr});
    b->Args({kHexagons, 1000000, dpr});
    b->Args({kPolygons, 100000, dpr});
    b->Args({kPolygons, 1000000, dpr});
  }
  b->ArgNames({"kind", "units", "dpr"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_FirstDraw)->Apply(sizes)->Iterations(3);
BENCHMARK(BM_Redraw)->Apply(sizes);
BENCHMARK(BM_PanFrame)->Apply(sizes);
BENCHMARK(BM_ZoomFrame)->Apply(sizes);
// At the widget's own ratio: the one the screen gives.
BENCHMARK(BM_SettleAfterZoom)
    ->Args({kSquares, 26507})
    ->Args({kSquares, 1000000})
    ->Args({kHexagons, 1000000})
    ->Args({kPolygons, 100000})
    ->Args({kPolygons, 1000000})
    ->ArgNames({"kind", "units"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hover)
    ->Args({kSquares, 1000000, 1})
    ->Args({kHexagons, 1000000, 1})
    ->Args({kPolygons, 1000000, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenRealProject)->Arg(1)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
