#include "shell/overlay_commands.h"

#include "measures/overlay.h"
#include "display/classing.h"
#include "display/palette.h"
#include "measures/scores.h"
#include "shell/dispatch.h"
#include "store/text.h"

namespace zn {

std::string OverlayDialogModel::orLabel() const {
  return strprintf("use all cells with scores (logical 'or') %d cells", unionCount);
}

std::string OverlayDialogModel::andLabel() const {
  return strprintf("use only shared scores  (logical 'and') %d cells", sharedCount);
}

namespace {

int lastCell(const Session& s) { return std::min(s.ws.geo.cells, static_cast<int>(s.ws.cells.size()) - 1); }

// The scored flag of every cell for the method; a cell holding only the
// second presence overlay is flagged 2 so it draws apart from the first.
void setScoredFlags(Session& s, int method, bool presence) {
  const bool secondOnlyPresence = s.overlay.presence[1] && !s.overlay.presence[0];
  for (int n = 1; n <= lastCell(s); ++n) {
    GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    const double back = readBackCell(s.ws, n).score;
    if (method == kOverlayAnd && !presence) {
      c.scored = c.score > 0 && back > 0 ? 1 : 0;
    } else if (c.score > 0 || back > 0) {
      c.scored = (secondOnlyPresence && c.score == 0 && back > 0) ? 2 : 1;
    } else {
      c.scored = 0;
    }
  }
}

// Each scored cell takes its colour from the 10 x 10 block (cells in the same
// order as the scored list).
void colourTwoAxis(Session& s, const std::vector<OverlayCell>& scored) {
  const TwoAxisPlot plot = twoAxisPlot(scored, s.settings[kScaleType] == kEqualFrequency);
  std::size_t k = 0;
  for (int n = 1; n <= lastCell(s) && k < plot.paletteIndex.size(); ++n) {
    GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    if (c.scored == 0) continue;
    c.fillColour = paletteIndexRef(plot.paletteIndex[k++]);
  }
}

}  // namespace

bool overlayScoresCommand(Shell& sh) {
  Session& s = sh.session;
  const std::vector<OverlayCell> cells = overlayCells(s);
  const OverlayCounts counts = overlayCounts(cells);
  s.overlay.unionCount = counts.unionCount;
  s.overlay.sharedCount = counts.sharedCount;
  const bool presence = s.overlay.presence[0] || s.overlay.presence[1];
  const bool bothPresence = s.overlay.presence[0] && s.overlay.presence[1];

  OverlayCheckFacts facts;
  facts.palette256 = sh.display.palette.size >= 256;
  facts.presenceLoaded = presence;
  facts.threeAxisLoaded = s.overlay.threeAxis.loaded;
  facts.unionCount = counts.unionCount;
  facts.sharedCount = counts.sharedCount;
  if (const auto failure = overlayCheckFailure(facts)) {
    sh.host.messageBox(*failure, kOverlayCaption, Icon::Information, Buttons::Ok);
    if (s.map.measureCode == kCodeOverlay) sh.showMeasure(kCodeRichness);
    return false;
  }

  // Overlay colours read against grey, with the top class shared; the old
  // background comes back when the overlay is unloaded.
  s.overlay.savedBackgroundColour = s.settings[kBackgroundColour];
  s.settings[kBackgroundColour] = 0;
  s.settings[kMaxNotSeparate] = 1;
  int method = s.settings[kOverlayOption] == kOverlayAnd ? kOverlayAnd : kOverlayOr;
  if (!bothPresence) {
    OverlayDialogModel m;
    m.method = method;
    m.unionCount = counts.unionCount;
    m.sharedCount = counts.sharedCount;
    if (!sh.host.runDialog(kOverlayDialog, m)) return false;
    method = m.method == kOverlayAnd ? kOverlayAnd : kOverlayOr;
    s.settings[kOverlayOption] = method;
    s.map.occupiedCells = m.occupiedCells();
  }
  setMeasureCode(s, kCodeOverlay);
  setScoredFlags(s, method, presence);

  if (bothPresence) {
    sh.writeResults(coincidenceReport(coincidence(cells), s.map.dataTitle, s.backgroundMap.dataTitle));
  } else {
    const std::vector<OverlayCell> scored = scoredOverlayCells(cells, presence ? kOverlayOr : method);
    const SpearmanResult r = spearman(scored);
    sh.host.messageBox(r.message, kOverlayCaption, Icon::Information, Buttons::Ok);
    s.map.title = r.title;
    if (!presence && buildTwoAxisPalette(sh.display.palette, s.settings, s.settings[kOverlayScheme]))
      colourTwoAxis(s, scored);
  }
  sh.refreshMenus();
  sh.host.requestRedraw();
  return true;
}

bool randomisationTestCommand(Shell& sh) {
  Session& s = sh.session;
  const RandomisationInput in = randomisationInput(overlayCells(s), s.map.scoreOffset);
  const std::uint32_t started = sh.host.tickMs();
  s.rng.seed(static_cast<std::uint32_t>(sh.host.timeOfDay()));
  sh.host.progressBegin();
  int percent = 0;
  const auto totals = randomDraws(in, s.rng, [&] { sh.host.progressStep(percent += 5); });
  sh.host.progressEnd();
  if (!totals) return false;
  const RandomisationTitles titles{s.backgroundMap.title, s.backgroundMap.dataTitle, s.map.title, s.map.dataTitle};
  const long elapsed = static_cast<long>((sh.host.tickMs() - started) / 1000u);
  sh.writeResults(randomisationReport(in, *totals, titles, elapsed));
  return true;
}

bool convertSelectedAreasCommand(Shell& sh) {
  Session& s = sh.session;
  if (s.map.measureCode != kCodeSelectedAreas || s.areas.empty()) return false;
  for (int n = 0; n <= lastCell(s); ++n) {
    GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    c.score = 0.0;
    c.count = 0;
    c.scored = 0;
  }
  int areas = 0;
  for (int cell : s.areas.cells) {
    if (cell < 1 || cell > lastCell(s)) continue;  // a stale set may name cells of another grid
    GridCell& c = s.ws.cells[static_cast<std::size_t>(cell)];
    c.score = 1.0;
    c.count = 1;
    c.scored = 1;
    ++areas;
  }
  s.overlay.presence[0] = true;
  s.map.presenceMap = true;
  s.scoresPresent = true;
  s.map.title = s.map.dataTitle;
  s.map.scaleLimit = 1.0;
  s.map.mapMaximum = 1.0;
  s.map.occupiedCells = areas;
  sh.refreshMenus();
  sh.host.requestRedraw();
  return true;
}

void randomisationMenuCommand(Shell& sh) {
  const Session& s = sh.session;
  // The draws need a quantitative map sampled by the cells of a presence map.
  if (!sh.flags.scoresSwapped || sh.flags.view3D || s.map.presenceMap == s.backgroundMap.presenceMap) {
    sh.host.messageBox("Requires one presence map and one quantitative map.", "Randomisation test on overlays",
                       Icon::Information, Buttons::Ok);
    return;
  }
  if (!randomisationTestCommand(sh)) return;
  if (!sh.flags.monitorOpen && sh.flags.monitorAvailable) {
    sh.host.openMonitor();
    sh.flags.monitorOpen = true;
  }
  sh.refreshMenus();
}

void connectOverlayCommands(Shell& shell) {
  shell.connect(4400, [](Shell& sh) { overlayScoresCommand(sh); });
  shell.connect(40025, [](Shell& sh) { randomisationMenuCommand(sh); });
  shell.connect(40024, [](Shell& sh) { convertSelectedAreasCommand(sh); });
}

}  // namespace zn
