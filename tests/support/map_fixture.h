// A world-grid session with a synthetic coastline and scores, ready to class
// and draw, for the display tests and the render benchmark.
#pragma once

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "display/classing.h"
#include "display/displaystate.h"
#include "shell/data_dialogue.h"
#include "store/datafile.h"
#include "store/files.h"
#include "store/gridtypes.h"
#include "store/session.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn::test {

// Two continents with an inland lake, in coastline source units (648 x 432
// from (4, 155), y northwards), and the break point that separates outlines.
inline std::vector<std::pair<int, int>> syntheticCoastLine() {
  std::vector<std::pair<int, int>> pts{{60, 500},  {140, 540}, {250, 520}, {270, 420}, {220, 330}, {150, 300},
                                       {90, 360},  {60, 500},  {700, 600}, {340, 430}, {450, 470}, {600, 440},
                                       {620, 300}, {520, 210}, {380, 240}, {330, 330}, {340, 430}, {700, 600},
                                       {450, 380}, {520, 390}, {540, 320}, {470, 300}, {450, 380}};
  return pts;
}
// One sea seed inside the lake of the second continent.
inline std::vector<std::pair<int, int>> syntheticSeaSeeds() { return {{495, 345}}; }

// Even-odd point-in-polygon over the logical coastline: land cells.
inline bool insideCoast(const Coastline& c, double x, double y) {
  bool in = false;
  for (int i = 0; i + 1 < c.countA; ++i) {
    const CoastPoint& a = c.points[static_cast<std::size_t>(i)];
    const CoastPoint& b = c.points[static_cast<std::size_t>(i + 1)];
    if (a.x > 2752 || b.x > 2752) continue;  // break between outlines
    if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y)) in = !in;
  }
  return in;
}

struct MapFixture {
  explicit MapFixture(bool light = false) {
    s.settings.lightDefaults = flagOf(light);
    setDefaults(s.settings);
    allocateWorkspace(s);
    s.gridTypes.types.push_back(GridType{"World land cells", {}, {}});
    s.gridTypes.current = 0;
    parseCoastline(s.coast, coastlineImage(syntheticCoastLine(), syntheticSeaSeeds()), s.ws.geo);
    s.coastlineRead = true;
    s.coastApplies = CoastOutline::kWorld;
    for (int n = 1; n <= s.ws.geo.cells; ++n) {
      GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
      c.background = insideCoast(s.coast, (c.x0 + c.x1) / 2.0, (c.y0 + c.y1) / 2.0) ? 1 : 0;
    }
    allocatePalette(d.palette, -1, s.settings);
    buildPalette(d.palette, s.settings);
  }

  // The shipped program folder with the world's carnivores opened: the real
  // coastline, the "equal" grid type and richness on the map.
  static std::unique_ptr<MapFixture> world(bool light = false) {
    auto f = std::make_unique<MapFixture>(light);
    Session& s = f->s;
    if (!populateProgramFolder(f->dir.path(), shippedProgramData())) return nullptr;
    s.coastlineRead = readCoastline(s.coast, s.coastFile(), s.ws.geo);
    readMapDefinitions(s.gridTypes, s.mapFile());
    f->host.openFiles.push_back(f->dir.path() / "equal" / "carnivora.dat");
    if (!openDatafile(s, f->host) || !s.coastlineRead || s.coastApplies == CoastOutline::kNone) return nullptr;
    // Richness: the taxa present in each cell.
    for (int n = 1; n <= s.ws.geo.cells; ++n) {
      GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
      c.count = 0;
      for (int t = 0; t < s.ws.taxaCount; ++t) c.count += s.ws.cards.level(t, n) > 0;
      c.score = c.count;
    }
    s.map.showBase(kCodeRichness);
    s.map.title = "richness";
    s.map.scaleLimit = s.ws.taxaCount;
    s.scoresPresent = true;
    return f;
  }

  // Richness-like counts on the land cells: a smooth hill per continent.
  void scoreLand() {
    for (int n = 1; n <= s.ws.geo.cells; ++n) {
      GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
      c.score = 0;
      c.count = 0;
      if (c.background != 1) continue;
      const double v = 40 + 35 * std::sin(c.column * 0.45) * std::cos(c.row * 0.37) + (n % 7);
      c.count = std::max(1, static_cast<int>(v));
      c.score = c.count;
    }
    s.map.showBase(kCodeRichness);
    s.map.title = "richness";
    s.map.scaleLimit = 120;
    s.scoresPresent = true;
  }

  void classify() {
    buildPalette(d.palette, s.settings);
    d.classes = classifyScores(s.settings, s.map, s.ws, d.palette);
  }

  ScriptedHost host;
  TempDir dir;
  Session s{host, dir.path()};
  DisplayState d;
};

}  // namespace zn::test
