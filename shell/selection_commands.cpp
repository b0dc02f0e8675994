#include "shell/selection_commands.h"

#include <algorithm>
#include <array>

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "measures/smoothing.h"
#include "selection/areaset.h"
#include "selection/commands.h"
#include "selection/nearminimum.h"
#include "selection/randomsets.h"
#include "selection/report.h"
#include "selection/values.h"
#include "shell/dispatch.h"
#include "shell/curve_commands.h"
#include "shell/exact_commands.h"
#include "store/text.h"

namespace zn {

namespace {

constexpr int kMostSelectedLines = 512;
constexpr int kMapFullyFlexible = 2830;

bool canRun(const Shell& sh) { return sh.session.ws.datafile.opened && !sh.flags.preselectionDialogOpen; }

SelectionEnv environment(const Shell& sh) {
  SelectionEnv env;
  env.threatPresent = sh.flags.threatPresent;
  return env;
}

// What every analysis does after computing: RESULTS, the stored time, the
// flag that allows "Map fully flexible areas".
void record(Shell& sh, SelectionMemory& mem, const AnalysisOutcome& a) {
  mem.seconds = a.seconds;
  if (!a.results.empty()) sh.writeResults(a.results);
  sh.flags.flexibilityData = sh.session.areas.nearMinimumDone;
  if (a.capacityReached)
    sh.host.messageBox("The area set holds its most, 1100 areas:\nsome taxa are below the goal.",
                       "Area selection", Icon::Exclamation, Buttons::Ok);
}

// The fully flexible areas when that map is asked for and the run allows it.
void drawResult(Shell& sh) {
  const Session& s = sh.session;
  if (s.settings.mapAllFlexible != 0 && s.settings.nearMinimumGoal == 1 && s.areas.nearMinimumDone &&
      sh.connected(kMapFullyFlexible)) {
    sh.dispatch(kMapFullyFlexible);
    return;
  }
  sh.retitle();
}

// Measures whose scores are made relative to the area set.
bool dependsOnSet(int code) {
  static constexpr std::array<int, 10> kCodes{kCodeRichness,    kCodeRangeSizeRarity,     kCodeSubtreeLength,
                                              kCodeRootDistance, kCodeRareQuartile,        kCodeRangeCentres,
                                              kCodeMedianRange, kCodeEmrIrreplaceability, kCodeMaxRarity,
                                              kCodeSelectedAreas};
  return std::find(kCodes.begin(), kCodes.end(), code) != kCodes.end();
}

}  // namespace

ManualSelectionModel::ManualSelectionModel(Shell& sh, std::shared_ptr<SelectionMemory> memory)
    : shell(sh), memory_(std::move(memory)), opened_(sh.session.areas.cells),
      openedSeeds_(sh.session.areas.seedCount) {}

std::vector<std::string> ManualSelectionModel::lines() const {
  std::vector<std::string> out;
  const std::vector<int>& cells = shell.session.areas.cells;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const std::string name = reportLocationName(shell.session, cells[i]);
    const int position = static_cast<int>(i) + 1;
    out.push_back(name.empty() || name[0] == ' ' ? strprintf("%4d: %d", position, cells[i])
                                                 : strprintf("%4d: %s", position, name.c_str()));
  }
  return out;
}

bool ManualSelectionModel::changed() const {
  return shell.session.areas.cells != opened_ || shell.session.areas.seedCount != openedSeeds_;
}

bool ManualSelectionModel::passCell(int cell) {
  Session& s = shell.session;
  if (!open_ || cell < 1 || cell > s.ws.geo.cells) return false;
  if (std::find(s.areas.cells.begin(), s.areas.cells.end(), cell) != s.areas.cells.end()) {
    close(true);
    return false;
  }
  if (!addArea(s.areas, cell)) {
    shell.host.beep();  // the set is full
    return false;
  }
  if (onListChanged) onListChanged();
  shell.host.requestRedraw();
  return true;
}

void ManualSelectionModel::deleteLines(const std::vector<int>& selected) {
  Session& s = shell.session;
  if (!open_ || s.areas.empty()) return;
  if (static_cast<int>(selected.size()) > kMostSelectedLines) {
    shell.host.messageBox("Too many items selected.", "Select grid cells", Icon::None, Buttons::Ok);
    return;
  }
  std::vector<int> positions;
  for (int line : selected) positions.push_back(line + 1);
  if (positions.empty()) positions.push_back(s.areas.count());
  deleteAreas(s.areas, positions);
  if (onListChanged) onListChanged();
  shell.host.requestRedraw();
}

void ManualSelectionModel::clearList() {
  if (!open_ || shell.session.areas.empty()) return;
  clearAreaSet(shell.session);
  if (onListChanged) onListChanged();
  shell.host.requestRedraw();
}

void ManualSelectionModel::saveFile() {
  if (!open_) return;
  saveSeedAreas(shell.session);
  close(true);
}

void ManualSelectionModel::loadFile() {
  if (!open_) return;
  loadSeedAreas(shell.session);
  close(true);
}

void ManualSelectionModel::close(bool ok) {
  if (!open_) return;
  open_ = false;
  Shell& sh = shell;
  Session& s = sh.session;
  sh.flags.selectionDialogOpen = false;
  if (onClosed) onClosed();
  if (!ok || !changed()) {
    s.areas.cells = opened_;
    s.areas.seedCount = openedSeeds_;
    sh.refreshMenus();
    sh.host.requestRedraw();
    return;
  }
  BusyGuard busy(sh.host);
  for (GridCell& c : s.ws.cells) c.flexClass = 0;
  const int code = s.map.measureCode;
  if (!s.areas.empty() && !dependsOnSet(code)) {
    setMeasureCode(s, kCodeNone);  // titled "none (%d areas selected)"
  } else {
    const int means = s.map.meanPasses, smooths = s.map.smoothPasses;
    const int again = dependsOnSet(code) ? code : kCodeRichness;
    bool computed = false;
    if (again == kCodeSelectedAreas && !s.areas.empty()) {
      computed = convertSelectedAreas(s);
    } else if (again == kCodeEmrIrreplaceability || again == kCodeMaxRarity) {
      const int command = again == kCodeEmrIrreplaceability ? 40008 : 40010;
      if (sh.connected(command)) {
        sh.dispatch(command);
        computed = true;
      }
    } else {
      computed = computeMeasure(s, again);
    }
    if (!computed) computeMeasure(s, kCodeRichness);
    for (int i = 0; i < means; ++i) meanPass(s);
    for (int i = 0; i < smooths; ++i) smoothPass(s);
    if (!s.areas.empty()) {
      ReportFacts f;
      f.seconds = memory_->seconds;
      f.manualDialogOpen = true;
      sh.writeResults(representationReport(s, f).text);
    }
  }
  sh.retitle();  // a map of no measure ends the near-minimum set
  sh.flags.flexibilityData = s.areas.nearMinimumDone;
  sh.refreshMenus();
  if (sh.flags.monitorOpen) sh.host.refreshMonitor();
}

void connectSelectionCommands(Shell& shell) {
  auto mem = std::make_shared<SelectionMemory>();

  shell.connect(2820, [mem](Shell& sh) {
    if (!canRun(sh)) return;
    BusyGuard busy(sh.host);
    record(sh, *mem, runNearMinimumSet(sh.session, environment(sh)));
    drawResult(sh);
  });

  shell.connect(40020, [mem](Shell& sh) {
    Session& s = sh.session;
    if (!canRun(sh)) return;
    occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
    countCandidateCells(s);
    const bool byBudget = s.settings.optimiseByCost != 0 && s.costPresent;
    if (!(byBudget ? askBudget(s) : askNumberOfAreas(s))) return;
    BusyGuard busy(sh.host);
    record(sh, *mem,
           runNearMaximumCoverage(s, byBudget, s.settings.areasToAdd, s.settings.budget(), environment(sh)));
    drawResult(sh);
  });

  shell.connect(2801, [mem](Shell& sh) {
    Session& s = sh.session;
    if (!canRun(sh)) return;
    occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
    countCandidateCells(s);
    if (!askNumberOfAreas(s)) return;
    BusyGuard busy(sh.host);
    const RandomSetsOutcome r = runRandomSets(s, s.settings.areasToAdd);
    if (r.simulated) {
      mem->seconds = r.seconds;
      sh.writeResults(r.results);
    }
    sh.retitle();
  });

  shell.connect(40009, [mem](Shell& sh) {
    if (!canRun(sh)) return;
    const AnalysisOutcome a = reorderSetByRichness(sh.session, mem->seconds);
    if (!a.ran) return;
    sh.retitle();
    sh.writeResults(a.results);
  });

  shell.connect(40043, [mem](Shell& sh) {
    if (!canRun(sh)) return;
    const AnalysisOutcome a = reorderSetByThreat(sh.session, sh.flags.threatPresent, mem->seconds);
    if (!a.ran) return;
    sh.retitle();
    sh.writeResults(a.results);
  });

  shell.connect(40019, [mem](Shell& sh) {
    if (!canRun(sh)) return;
    const AnalysisOutcome a = representationResults(sh.session, mem->seconds);
    if (a.ran) sh.writeResults(a.results);
    sh.refreshMenus();
  });

  for (auto [id, kind] : {std::pair{40029, ValueKind::Cost}, std::pair{40042, ValueKind::Threat}})
    shell.connect(id, [kind = kind](Shell& sh) {
      if (sh.flags.view3D) return;
      const std::optional<bool> present = convertScoresToValues(sh.session, kind);
      if (!present) return;
      if (kind == ValueKind::Threat) sh.flags.threatPresent = *present;
      resetCellFlags(sh.session);
      sh.retitle();
    });

  shell.connect(2805, [mem](Shell& sh) {
    if (sh.flags.preselectionDialogOpen || sh.flags.selectionDialogOpen) return;
    sh.manualSelection = std::make_shared<ManualSelectionModel>(sh, mem);
    sh.flags.selectionDialogOpen = true;
    sh.refreshMenus();
    sh.host.requestRedraw();
    // The window shows the dialog without waiting for it (it is modeless)
    // and keeps the model until it closes.
    sh.host.runDialog(sh.flags.smallScreen ? "SelecDlgBoxVGA" : "SelecDlgBox", *sh.manualSelection);
  });

  connectExactCommands(shell);
  connectCurveCommands(shell);
}

}  // namespace zn
