#include "shell/overlay_commands.h"

#include <new>

#include "display/classing.h"
#include "display/palette.h"
#include "measures/overlay.h"
#include "measures/scores.h"
#include "shell/dispatch.h"
#include "shell/measure_commands.h"
#include "shell/notices.h"
#include "shell/set_commands.h"
#include "store/text.h"

namespace zn {

std::string OverlayDialogModel::orLabel() const {
  return strprintf("use all cells with scores (logical 'or') %d cells", unionCount);
}

std::string OverlayDialogModel::andLabel() const {
  return strprintf("use only shared scores  (logical 'and') %d cells", sharedCount);
}

const char* OverlayDialogModel::schemeLabel(int scheme) {
  static constexpr const char* kLabels[] = {
      "axis 1 - green, axis 2 - blue, both - red",
      "axis 1 - green, axis 2 - blue, both - white ",
      "axis 1 - green, axis 2 - blue, both - white / grey",
      "axis 1 - green, axis 2 - blue (reversed), both - white / grey",
  };
  return kLabels[std::clamp(scheme, 0, 3)];
}

namespace {

int lastCell(const Session& s) { return lastCellNumber(s.ws); }

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
void colourTwoAxis(Session& s, Host& host, const std::vector<OverlayCell>& scored) {
  TwoAxisPlot plot;
  try {
    plot = twoAxisPlot(scored, s.settings.scaleType == kEqualFrequency);
  } catch (const std::bad_alloc&) {
    host.messageBox("insufficient free memory", "Overlay plot", Icon::Exclamation, Buttons::Ok);
    return;
  }
  s.overlay.legend = plot.counts;
  s.overlay.twoAxisPlotted = true;
  std::size_t k = 0;
  for (int n = 1; n <= lastCell(s) && k < plot.paletteIndex.size(); ++n) {
    GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    if (c.scored == 0) continue;
    c.fillColour = paletteIndexRef(plot.paletteIndex[k++]);
  }
}

// One presence overlay: the quantitative side is classed on the score ramp
// and drawn as spots; the presence side is marked over it by the renderer.
void colourOnePresence(Shell& sh, const std::vector<OverlayCell>& scored) {
  Session& s = sh.session;
  const bool presenceInFront = s.overlay.presence[0];
  std::vector<double> values;
  for (const OverlayCell& c : scored) values.push_back(overlayValue(presenceInFront ? c.back : c.fore));
  const std::vector<int> cls =
      classLevels(values, std::max(1, sh.display.palette.classCount), s.settings.scaleType == kEqualFrequency);
  std::size_t k = 0;
  for (int n = 1; n <= lastCell(s) && k < cls.size(); ++n) {
    GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    if (c.scored == 0) continue;
    const double v = values[k];
    c.fillColour = v > 0 ? paletteIndexRef(cls[k]) : 0;
    ++k;
  }
}

}  // namespace

void replotOverlay(Shell& sh) {
  Session& s = sh.session;
  if (s.map.code() != kCodeOverlay) return;
  const OverlayState& o = s.overlay;
  const bool presence = o.presence[0] || o.presence[1];
  if (!presence && !(sh.display.palette.size >= 256 && isColour256Mode(s.settings.colourMode))) {
    // The colours the plot needs are gone: back to richness, as a failed check does.
    sh.host.messageBox("Plotting overlays requires 256 colour mode.", kOverlayCaption, Icon::Information, Buttons::Ok);
    sh.showMeasure(kCodeRichness);
    return;
  }
  buildPalette(sh.display.palette, s.settings);
  if (o.presence[0] && o.presence[1]) return;
  const int method = presence || s.settings.overlayOption != OverlayJoin::kBoth ? kOverlayOr : kOverlayAnd;
  const std::vector<OverlayCell> scored = scoredOverlayCells(overlayCells(s.ws), method);
  if (presence) colourOnePresence(sh, scored);
  else if (buildTwoAxisPalette(sh.display.palette, s.settings, static_cast<int>(s.settings.overlayScheme)))
    colourTwoAxis(s, sh.host, scored);
}

bool overlayScoresCommand(Shell& sh) {
  Session& s = sh.session;
  OverlayState& o = s.overlay;
  const std::vector<OverlayCell> cells = overlayCells(s.ws);
  const OverlayCounts counts = overlayCounts(cells);
  o.unionCount = counts.unionCount;
  o.sharedCount = counts.sharedCount;
  const bool presence = o.presence[0] || o.presence[1];
  const bool bothPresence = o.presence[0] && o.presence[1];

  OverlayCheckFacts facts;
  facts.palette256 = sh.display.palette.size >= 256 && isColour256Mode(s.settings.colourMode);
  facts.presenceLoaded = presence;
  facts.threeAxisLoaded = o.threeAxis.loaded;
  facts.unionCount = counts.unionCount;
  facts.sharedCount = counts.sharedCount;
  if (const auto failure = overlayCheckFailure(facts)) {
    sh.host.messageBox(*failure, kOverlayCaption, Icon::Information, Buttons::Ok);
    if (s.map.code() == kCodeOverlay) sh.showMeasure(kCodeRichness);
    return false;
  }

  int method = s.settings.overlayOption == OverlayJoin::kBoth ? kOverlayAnd : kOverlayOr;
  if (!bothPresence) {
    OverlayDialogModel m;
    m.method = method;
    m.unionCount = counts.unionCount;
    m.sharedCount = counts.sharedCount;
    m.scheme = std::clamp(static_cast<int>(s.settings.overlayScheme), 0, 3);
    if (!sh.host.runDialog(kOverlayDialog, m)) return false;
    method = m.method == kOverlayAnd ? kOverlayAnd : kOverlayOr;
    s.settings.overlayOption = method == kOverlayAnd ? OverlayJoin::kBoth : OverlayJoin::kEither;
    s.settings.overlayScheme = static_cast<OverlayScheme>(std::clamp(m.scheme, 0, 3));
    s.map.occupiedCells = m.occupiedCells();
  }

  // Overlay colours read against grey, with the top class shared; the old
  // background comes back when the overlay is unloaded.
  o.greyBackground(s.settings.backgroundColour);
  s.settings.maxNotSeparate = Flag::kOn;
  buildPalette(sh.display.palette, s.settings);
  if (s.map.code() != kCodeOverlay) {
    o.savedMeasure = s.map.code();
    o.savedTitle = s.map.title;
  }
  setMeasureCode(s, kCodeOverlay);
  setScoredFlags(s, method, presence);
  o.twoAxisPlotted = false;

  if (bothPresence) {
    sh.writeResults(coincidenceReport(coincidence(cells), s.map.dataTitle, s.backgroundMap.dataTitle));
  } else {
    const std::vector<OverlayCell> scored = scoredOverlayCells(cells, presence ? kOverlayOr : method);
    const SpearmanResult r = spearman(scored);
    sh.host.messageBox(r.message, kOverlayCaption, Icon::Information, Buttons::Ok);
    s.map.title = r.title;
    if (presence) colourOnePresence(sh, scored);
    else if (buildTwoAxisPalette(sh.display.palette, s.settings, static_cast<int>(s.settings.overlayScheme)))
      colourTwoAxis(s, sh.host, scored);
  }
  sh.refreshMenus();
  sh.host.requestRedraw();
  return true;
}

bool randomisationTestCommand(Shell& sh) {
  Session& s = sh.session;
  const RandomisationInput in = randomisationInput(overlayCells(s.ws), s.map.scoreOffset);
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
  if (sh.flags.view3D) return false;
  if (s.ws.datafile.opened && s.areas.empty()) {
    const Notice n = noAreasNotice("Convert selected areas to presence data");
    sh.host.messageBox(n.text, n.caption, n.icon, Buttons::Ok);
    return false;
  }
  if (!convertSelectedAreas(s)) return false;
  s.overlay.presence[0] = true;
  sh.retitle();
  return true;
}

bool overlayOnMap(const Session& s) {
  return s.map.code() == kCodeOverlay || (s.map.code() == kCodeImportedScores && s.overlay.threeAxis.loaded);
}

void endOverlay(Shell& sh) {
  Session& s = sh.session;
  OverlayState& o = s.overlay;
  const bool palette = sh.display.palette.overlayInForce;
  if (!palette && !o.savedBackground && !o.threeAxis.loaded && !sh.flags.view3D && !o.twoAxisPlotted) return;
  if (o.threeAxis.loaded || sh.flags.view3D) {
    sh.host.closeModeless(kThreeAxisWindow);
    sh.flags.threeAxisWindowOpen = false;
    o.threeAxis.release();
    sh.flags.view3D = false;
  }
  o.twoAxisPlotted = false;
  o.restoreBackground(s.settings.backgroundColour);
  if (palette) buildPalette(sh.display.palette, s.settings);
  sh.refreshMenus();
}

bool plotThreeAxis(Shell& sh) {
  Session& s = sh.session;
  ThreeAxisBuffer& b = s.overlay.threeAxis;
  if (!b.loaded) return false;
  ThreeAxisScales scales;
  scales.green = {b.on[0], b.reversed[0]};
  scales.blue = {b.on[1], b.reversed[1]};
  scales.red = {b.on[2], b.reversed[2]};
  if (!buildThreeAxisPalette(sh.display.palette, scales, s.notices)) {
    showNotices(s, sh.host);
    return false;
  }
  const int levels = threeAxisLevels(sh.display.palette);
  ThreeAxisLevels plot;
  try {
    plot = threeAxisLevels(b, levels, b.anyScore, s.settings.scaleType == kEqualFrequency);
  } catch (const std::bad_alloc&) {
    sh.host.messageBox("insufficient free memory", "Overlay plot", Icon::Exclamation, Buttons::Ok);
    return false;
  }
  const int last = std::min(lastCell(s), static_cast<int>(plot.scored.size()) - 1);
  for (int n = 1; n <= lastCell(s); ++n) {
    GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    const bool scored = n <= last && plot.scored[static_cast<std::size_t>(n)];
    c.scored = scored ? 1 : 0;
    c.fillColour = scored ? paletteIndexRef(plot.paletteIndex[static_cast<std::size_t>(n)]) : 0;
  }
  sh.flags.view3D = true;
  return true;
}

void showThreeAxis(Shell& sh) {
  Session& s = sh.session;
  // The 3D view is drawn on grey, classed by equal numbers of cells.
  s.overlay.greyBackground(s.settings.backgroundColour);
  s.settings.scaleType = kEqualFrequency;
  s.settings.maxNotSeparate = Flag::kOn;
  if (!plotThreeAxis(sh)) {
    // Without the colours for it (the palette has said why) the first
    // column is mapped as plain imported scores.
    endOverlay(sh);
    sh.retitle();
    return;
  }
  sh.refreshMenus();
  sh.host.requestRedraw();
  if (sh.flags.view3D && !sh.flags.threeAxisWindowOpen) threeAxisWindowCommand(sh);
}

void swapOverlayScores(Shell& sh) {
  Session& s = sh.session;
  OverlayState& o = s.overlay;
  if (s.map.code() == kCodeOverlay) {
    const OverlayUnder under{o.savedMeasure, o.savedTitle, s.map.occupiedCells};
    swapScores(s, &under);
  } else {
    swapScores(s);
  }
  std::swap(o.presence[0], o.presence[1]);
  std::swap(o.raw[0], o.raw[1]);
  sh.flags.scoresSwapped = true;
}

void threeAxisWindowCommand(Shell& sh) {
  if (!sh.flags.view3D || sh.flags.preselectionDialogOpen) return;
  if (sh.flags.threeAxisWindowOpen) {
    sh.host.closeModeless(kThreeAxisWindow);
    sh.flags.threeAxisWindowOpen = false;
  } else {
    sh.host.openModeless(kThreeAxisWindow);
    sh.flags.threeAxisWindowOpen = true;
  }
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
  shell.connect(Command::OverlayScores, [](Shell& sh) { overlayScoresCommand(sh); });
  shell.connect(Command::Map3DOptions, [](Shell& sh) { threeAxisWindowCommand(sh); });
  shell.connect(Command::RandomisationTest, [](Shell& sh) { randomisationMenuCommand(sh); });
  shell.connect(Command::ConvertSelectedAreas, [](Shell& sh) { convertSelectedAreasCommand(sh); });
}

}  // namespace zn
