#include "shell/dispatch.h"

#include <algorithm>

#include "display/classing.h"
#include "display/palette.h"
#include "display/view.h"
#include "measures/dispatch.h"
#include "measures/scores.h"
#include "measures/selective.h"
#include "measures/smoothing.h"
#include "shell/analyses.h"
#include "shell/analysis_commands.h"
#include "shell/celllist.h"
#include "shell/data_commands.h"
#include "shell/data_dialogue.h"
#include "shell/dataio_commands.h"
#include "shell/gis_commands.h"
#include "shell/mapclasses.h"
#include "shell/measure_commands.h"
#include "shell/notices.h"
#include "shell/options.h"
#include "shell/overlay_commands.h"
#include "shell/project_commands.h"
#include "shell/projectscreen.h"
#include "shell/results.h"
#include "shell/scores_commands.h"
#include "shell/selection_commands.h"
#include "shell/status.h"
#include "store/datafile.h"

namespace zn {

Shell::Shell(Session& s, ShellHost& h) : session(s), host(h) {
  rebuildPalette();
  connectCore();
  connectSelectionCommands(*this);
  connectAnalysisCommands(*this);
  connectDataCommands(*this);
  connectScoresCommands(*this);
  connectInterchangeDataCommands(*this);
  connectOverlayCommands(*this);
  connectGisCommands(*this);
  connectProjectCommands(*this);
}

void Shell::rebuildPalette(int deviceColours) {
  allocatePalette(display.palette, deviceColours, session.settings);
  buildPalette(display.palette, session.settings);
}

TitleContext Shell::titleContext() const {
  TitleContext ctx;
  ctx.editorOpen = flags.editorOpen;
  return ctx;
}

void Shell::finishTitle(TitleOutcome outcome) {
  // A map other than an overlay ends the overlay before it is classed.
  if (!overlayOnMap(session)) {
    endOverlay(*this);
    if (session.map.code() != kCodeSelectedAreas) session.overlay.presence[0] = false;
  } else {
    // The overlay colours its own cells: classing would overwrite them.
    if (session.map.code() == kCodeImportedScores) plotThreeAxis(*this);
    refreshMenus();
    host.requestRedraw();
    return;
  }
  switch (outcome) {
    case TitleOutcome::Classify:
    case TitleOutcome::ClearClasses:
    case TitleOutcome::NoClassing: classMap(session, display); break;
    default:  // stopped: the map keeps its classes
      break;
  }
  refreshMenus();
  host.requestRedraw();
}

void Shell::retitle() { finishTitle(buildTitle(session, titleContext())); }

void Shell::showMeasure(MeasureCode code) {
  BusyGuard busy(host);
  const Analysis* a = measureOfCode(code);
  finishTitle(a ? runAnalysis(*a).title : runMeasureCommand(session, code, titleContext()));
}

AnalysisResult Shell::runAnalysis(const Analysis& analysis, AnalysisParams params) {
  params.threatPresent = flags.threatPresent;
  params.title = titleContext();
  AnalysisResult r = analysis.run(session, params);
  showNotice(r.message);
  return r;
}

void Shell::showNotice(const std::optional<Notice>& notice) {
  if (notice) host.messageBox(notice->text, notice->caption, notice->icon, Buttons::Ok);
}

void Shell::connectCore() {
  connectFileCommands();
  connectMeasureCommands();
  connectMapCommands();
}

// The datafile, the RESULTS file and help.
void Shell::connectFileCommands() {
  connect(Command::OpenDatafile, [](Shell& sh) {
    Session& s = sh.session;
    // The datafile's map comes back on screen, whichever file is chosen.
    sh.project.reset();
    if (!openDatafile(s, sh.host)) {
      sh.refreshMenus();
      return;
    }
    sh.flags.paintStage = ShellFlags::Paint::kData;
    sh.showMeasure(kCodeRichness);
  });
  connect(Command::Exit, [](Shell& sh) { sh.host.requestClose(); });
  connect(Command::RefreshMap, [](Shell& sh) { sh.host.requestRedraw(); });
  connect(Command::ClearResults, [](Shell& sh) {
    startResultsFile(sh.resultsFile());
    if (sh.flags.monitorOpen) sh.host.refreshMonitor();
  });
  connect(Command::MonitorResults, [](Shell& sh) {
    if (sh.flags.monitorOpen) {
      sh.host.closeMonitor();
      sh.flags.monitorOpen = false;
    } else if (sh.flags.monitorAvailable) {
      sh.host.openMonitor();
      sh.flags.monitorOpen = true;
    }
    sh.refreshMenus();
  });
  connect(Command::StandardiseQuantitative, [](Shell& sh) {
    if (!standardiseQuantitative(sh.session)) return;
    sh.refreshMenus();
    BusyGuard busy(sh.host);
    sh.finishTitle(applyRecompute(sh.session, Recompute::Standardise, sh.titleContext()));
  });
  connect(Command::About, [](Shell& sh) { sh.host.showAbout(); });
  connect(Command::HelpContents, [](Shell& sh) { sh.host.showHelp(false); });
  connect(Command::HelpOnHelp, [](Shell& sh) { sh.host.showHelp(true); });
}

// Measures: the command stores its code, computes, titles and classes.
void Shell::connectMeasureCommands() {
  for (const Analysis& a : analyses())
    if (a.kind == AnalysisKind::Measure && a.code() != kCodeSelectiveRichness && a.code() != kCodeSelectiveRarity &&
        a.code() != kCodeRangeCentres)
      connect(a.command, [code = a.code()](Shell& sh) { sh.showMeasure(code); });
  connect(Command::DiversityRangeCentres, [](Shell& sh) {
    selectRangeCentres(sh.session, true, sh.rememberedWeighting);
    sh.showMeasure(kCodeRangeCentres);
  });
  connect(Command::RarityRangeCentres, [](Shell& sh) {
    selectRangeCentres(sh.session, false, sh.rememberedWeighting);
    sh.showMeasure(kCodeRangeCentres);
  });
  for (auto [command, code] : {std::pair{Command::SelectiveRichness, kCodeSelectiveRichness},
                               std::pair{Command::SelectiveRarity, kCodeSelectiveRarity}})
    connect(command, [code = code](Shell& sh) {
      TitleOutcome o = runSelectivePlot(sh.session, sh.host, code, sh.flags.smallScreen, sh.titleContext());
      sh.finishTitle(o);
    });
  connect(Command::MeanScores, [](Shell& sh) {
    const AnalysisResult r = sh.runAnalysis(*findAnalysis("mean"));
    if (r.ran) sh.finishTitle(r.title);
  });
  connect(Command::SmoothScores, [](Shell& sh) {
    if (sh.flags.view3D) {
      // The three score sets of the 3D map are smoothed together.
      if (sh.session.map.code() == kCodeOverlay) return;
      BusyGuard busy(sh.host);
      smoothThreeAxis(sh.session);
      sh.retitle();
      return;
    }
    const AnalysisResult r = sh.runAnalysis(*findAnalysis("smooth"));
    if (r.ran) sh.finishTitle(r.title);
  });
}

// The map on screen: zoom, scores swapped, options, map info, the inverted scale.
void Shell::connectMapCommands() {
  connect(Command::ToggleZoom, [](Shell& sh) {
    Session& s = sh.session;
    ViewState& v = sh.display.view;
    if (!v.zoomArmed && !v.zoomed) {
      v.zoomArmed = true;
      s.settings.zoomArmed = Flag::kOn;
    } else {
      unzoom(v, zoomFlags(s));
    }
    sh.refreshMenus();
    sh.host.requestRedraw();
  });

  connect(Command::SwapScores, [](Shell& sh) {
    if (sh.flags.view3D) return;
    swapOverlayScores(sh);
    sh.retitle();
  });
  connect(Command::ToolsOptions, [](Shell& sh) {
    Session& s = sh.session;
    occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
    ToolsOptionsModel m(s.settings, toolsOptionsFacts(s, sh.flags.threatPresent));
    const bool accepted = sh.host.runDialog("ToptDlgBox", m);
    if (m.redrawRequested()) sh.host.requestRedraw();
    if (!accepted) return;
    m.apply(s.settings, s.areas);
    BusyGuard busy(sh.host);
    if (toolsOptionsNeedRerun(m.opened, s.settings, m.cancelRerun, settingsReadByMaps()))
      sh.finishTitle(applyRecompute(s, Recompute::ToolsOptions, sh.titleContext()));
    else sh.retitle();
  });
  connect(Command::MapdrawOptions, [](Shell& sh) {
    Session& s = sh.session;
    MapOptionsModel m(s.settings, s.map.title, mapOptionsFacts(s, sh.display.palette));
    if (!sh.host.runDialog("MoptDlgBox", m)) return;
    const MapOptionsChanges changes = m.changes();
    m.apply(s.settings, s.map);
    if (sh.flags.view3D) {
      plotThreeAxis(sh);
      sh.host.requestRedraw();
      return;
    }
    // A map drawn without the world outline gets its grid type back first.
    if (s.coastApplies == CoastOutline::kNone && s.ws.datafile.opened) {
      loadGridType(s);
      showNotices(s, sh.host);
    }
    if (s.map.code() == kCodeOverlay) {
      // The overlay colours its own cells; score classing would overwrite them.
      if (sh.display.view.zoomed) s.savedFillFrameCoast = s.settings.fillFrameCoast;
      replotOverlay(sh);
      sh.refreshMenus();
      sh.host.requestRedraw();
      return;
    }
    if (changes.palette) buildPalette(sh.display.palette, s.settings);
    // Recolour without the title builder, which would overwrite a title the
    // user has just typed.
    const MeasureCode code = s.map.code();
    if (changes.reclass && s.scoresPresent && code != kCodeNone && code != kCodeMaxLevel && code != kCodeSelectedAreas)
      sh.display.classes = classMapScores(s, sh.display.palette);
    if (sh.display.view.zoomed) s.savedFillFrameCoast = s.settings.fillFrameCoast;
    sh.refreshMenus();
    sh.host.requestRedraw();
  });
  connect(Command::MapInfo, [](Shell& sh) {
    Session& s = sh.session;
    MapInfoModel m(s.map, s.backgroundMap, s.costPresent, sh.flags.threatPresent, !sh.flags.view3D);
    if (!sh.host.runDialog("SummDlgBox", m)) return;
    if (m.swapRequested) swapOverlayScores(sh);
    sh.retitle();
  });
  connect(Command::InvertedColourScale, [](Shell& sh) {
    if (sh.flags.view3D) return;
    // One drawing with the scale inverted; the flag is cleared after it.
    sh.session.settings.invertedScale = Flag::kOn;
    TitleOutcome o = buildTitle(sh.session, sh.titleContext());
    if (o == TitleOutcome::Classify) classMap(sh.session, sh.display);
    sh.host.redrawNow();
    // The next drawing, whatever asks for it, shows the normal order again.
    sh.session.settings.invertedScale = Flag::kOff;
    if (o == TitleOutcome::Classify && buildTitle(sh.session, sh.titleContext()) == TitleOutcome::Classify)
      classMap(sh.session, sh.display);
  });
}

bool Shell::restricted(Command c) const {
  if (!flags.selectionDialogOpen && !flags.mapEditing) return false;
  switch (c) {
    case Command::RefreshMap:
    case Command::HelpOnHelp:
    case Command::HelpContents:
    case Command::About:
    case Command::Exit:
    case Command::ToggleZoom:
    case Command::SaveBitmap:
    case Command::PrintMap: return false;
    case Command::MapdrawOptions:
    case Command::EditData: return !flags.mapEditing;
    default: return true;
  }
}

void Shell::dispatch(Command c) {
  if (restricted(c)) return;
  if (runOnProject(*this, c)) return;
  auto it = operations_.find(c);
  if (it == operations_.end()) return;
  it->second(*this);
  // Whatever the command left unsaid.
  showNotices(session, host);
}

void Shell::mapClick(int cell, bool left) {
  if (cell < 1 || cell > session.ws.geo.cells) return;
  if (flags.mapEditing) {
    editorMapClick(*this, cell, left);
    return;
  }
  if (left) clickGoalEssential(*this, cell);
}

void Shell::mapDoubleClickLeft(int cell) {
  if (flags.mapEditing || cell < 1 || cell > session.ws.geo.cells) return;
  host.requestRedraw();
  showCellList(*this, cell);
}

void Shell::mapDoubleClickRight(int cell) {
  if (flags.mapEditing || cell < 1 || cell > session.ws.geo.cells) return;
  if (flags.selectionDialogOpen) {
    if (manualSelection && manualSelection->isOpen()) manualSelection->passCell(cell);
    return;
  }
  if (flags.preselectionDialogOpen) {
    preselectionMapClick(*this, cell);
    return;
  }
  dispatch(Command::ManualSetSelection);
}

void Shell::escape() {
  if (!display.view.zoomArmed && !display.view.zoomed) return;
  unzoom(display.view, zoomFlags(session));
  refreshMenus();
  host.requestRedraw();
}

bool Shell::stepTaxon(int delta) {
  Session& s = session;
  const MeasureCode code = s.map.code();
  if (!s.ws.datafile.opened || (code != kCodeSelectiveRichness && code != kCodeSelectiveRarity) ||
      markedTaxa(s.ws) != 1)
    return false;
  const int last = std::min(s.ws.taxaCount, s.ws.cards.slots()) - 1;
  const int current = firstMarkedTaxon(s.ws);
  const int next = std::clamp(current + delta, 0, std::max(0, last));
  if (next == current) {
    host.beep();
    return true;
  }
  clearPlotMarks(s.ws);
  setPlotMark(s.ws, next, true);
  s.map.currentTaxon = next;
  // The editor follows, so that the next click edits the taxon on the map.
  editorShowTaxon(*this, next);
  showMeasure(code);
  return true;
}

void Shell::refreshMenus() {
  const Session& s = session;
  MenuInputs in;
  in.datafileOpen = s.ws.datafile.opened;
  in.mapEditing = flags.mapEditing;
  in.scoresSwapped = flags.scoresSwapped;
  in.scoresPresent = s.scoresPresent;
  in.subgroupData = s.subgroupDataPresent;
  in.quantitative = s.ws.datafile.opened && s.ws.datafile.quantitative;
  in.standardised = s.ws.datafile.rescaled;
  in.zoomArmed = display.view.zoomArmed;
  in.zoomed = display.view.zoomed;
  in.selectionDialogOpen = flags.selectionDialogOpen;
  in.monitorOpen = flags.monitorOpen;
  in.view3D = flags.view3D;
  in.flexibilityData = flags.flexibilityData;
  in.threatPresent = flags.threatPresent;
  if (project) {
    // The datafile rests while a project is on screen.
    in.datafileOpen = in.scoresPresent = in.subgroupData = in.quantitative = false;
    in.fits = [this](const Analysis& a) {
      return a.kind == AnalysisKind::Pass ? projectPassRefusal(a, *project) : projectMenuRefusal(a, project->data);
    };
  }
  updateMenus(menu_, in);
  menu_.check(Command::DataPreselection, flags.preselectionDialogOpen);
  // A command whose operation has not been connected cannot be chosen.
  for (const auto& popup : mainMenu()) {
    std::function<void(const std::vector<MenuItem>&)> walk = [&](const std::vector<MenuItem>& items) {
      for (const MenuItem& m : items) {
        if (m.command != Command::None && !connected(m.command)) menu_.enable(m.command, false);
        walk(m.items);
      }
    };
    walk(popup.items);
  }
  host.updateMenus();
}

void Shell::writeResults(const std::string& text) {
  if (appendResults(resultsFile(), text) && flags.monitorOpen) host.refreshMonitor();
}

bool Shell::confirmExit() {
  if (flags.monitorOpen) {
    host.closeMonitor();
    flags.monitorOpen = false;
    // The monitor stays closed whatever the answer: its item loses its check.
    refreshMenus();
  }
  if (host.messageBox(exitQuestion(session), "Exit ZONARIUM?", Icon::Question, Buttons::YesNo) != Answer::Yes)
    return false;
  // The editor's own display settings must not reach the options file.
  if (!editorExit(*this)) return false;
  // The options keep the code of the map on screen.
  session.settings.measureCode = session.map.code();
  writeOptions(session.settings, session.optionsFile());
  return true;
}

}  // namespace zn
