// Full redraws of the world map: the carnivores' richness with the real
// coastline, the frame-coast fill, numbers in cells and area markers.
#include <benchmark/benchmark.h>
#include <QGuiApplication>

#include "display/renderer.h"
#include "tests/support/map_fixture.h"

namespace {

std::unique_ptr<zn::test::MapFixture> worldMap(bool light) {
  auto f = zn::test::MapFixture::world(light);
  if (!f) return nullptr;
  // Ten areas, three of them seeds, all marked.
  for (int n : {250, 251, 290, 330, 400, 410, 455, 500, 520, 610}) f->s.areas.cells.push_back(n);
  f->s.areas.seedCount = 3;
  f->s.settings.selectedAreasDisplay = zn::AreasShown::kSeedsAndSelected;
  f->classify();
  return f;
}

void redraw(benchmark::State& state, bool light, zn::DrawOptions o = {}) {
  auto f = worldMap(light);
  if (!f) {
    state.SkipWithError("no program data");
    return;
  }
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  for (auto _ : state) {
    QImage img = zn::renderClient(f->s, f->d, w, h, o);
    benchmark::DoNotOptimize(img.constBits());
  }
}

void BM_RedrawDarkFilled(benchmark::State& state) { redraw(state, false); }
void BM_RedrawLight(benchmark::State& state) { redraw(state, true); }
void BM_RedrawDarkBlackWhiteCoast(benchmark::State& state) {
  auto f = worldMap(false);
  if (!f) return state.SkipWithError("no program data");
  f->s.settings.fillFrameCoast = zn::Flag::kOff;
  f->s.settings.coastColour = zn::CoastColour::kBlackWhite;
  for (auto _ : state) {
    QImage img = zn::renderClient(f->s, f->d, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    benchmark::DoNotOptimize(img.constBits());
  }
}

// A doubled screen: the map drawn on twice the pixels each way.
void BM_RedrawDarkFilledPixelRatio2(benchmark::State& state) {
  zn::DrawOptions o;
  o.pixelRatio = 2;
  redraw(state, false, o);
}
void BM_RedrawLightPixelRatio2(benchmark::State& state) {
  zn::DrawOptions o;
  o.pixelRatio = 2;
  redraw(state, true, o);
}

BENCHMARK(BM_RedrawDarkFilled)->Args({1920, 1080})->Args({1200, 800})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawDarkFilledPixelRatio2)->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawLightPixelRatio2)->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawLight)->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawDarkBlackWhiteCoast)->Args({1920, 1080})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  zn::installMapFonts();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
