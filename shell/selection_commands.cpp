#include "shell/selection_commands.h"

#include <algorithm>

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "measures/smoothing.h"
#include "selection/areaset.h"
#include "selection/flexibility.h"
#include "selection/nearminimum.h"
#include "selection/randomsets.h"
#include "selection/report.h"
#include "selection/values.h"
#include "shell/curve_commands.h"
#include "shell/dispatch.h"
#include "shell/exact_commands.h"
#include "shell/mapmeasures.h"
#include "shell/nearminimum_runs.h"
#include "shell/reportinputs.h"
#include "shell/runinputs.h"
#include "shell/set_commands.h"
#include "store/measuretraits.h"
#include "store/text.h"

namespace zn {

namespace {

constexpr int kMostSelectedLines = 512;

bool canRun(const Shell& sh) { return sh.session.ws.datafile.opened && !sh.flags.preselectionDialogOpen; }

}  // namespace

AnalysisResult runSelection(Shell& sh, Command command, AnalysisParams params) {
  return sh.runAnalysis(*analysisOfCommand(command), std::move(params));
}

AnalysisResult runStoppable(Shell& sh, const Analysis& a) {
  AnalysisParams p;
  p.progress = [&sh](const std::string& text) { return sh.host.stoppableNote(text); };
  p.threatPresent = sh.flags.threatPresent;
  sh.host.stoppableBegin(a.caption());
  AnalysisResult r = a.run(sh.session, p);
  sh.host.stoppableEnd();
  sh.showNotice(r.message);  // once the box is gone
  return r;
}

bool saveSeedAreas(Host& host, Session& s) {
  auto path = host.chooseSaveFile(seedRequest(s.dataDir, "Select grid cells save", false));
  return path && saveSeedFile(s.areas, *path);
}

bool loadSeedAreas(Host& host, Session& s) {
  auto path = host.chooseOpenFile(seedRequest(s.dataDir, "Select grid cells load", true));
  if (!path) return false;
  std::optional<Notice> refusal;
  if (loadSeedFile(s.areas, s.ws.geo.cells, *path, refusal)) return true;
  if (refusal) host.messageBox(refusal->text, refusal->caption, refusal->icon, Buttons::Ok);
  return false;
}

bool askBudget(Host& host, Session& s) {
  BudgetModel m = openBudget(s);
  if (!host.runDialog("SelecNumDlgBox2", m)) return false;
  s.settings.setBudget(acceptedBudget(m));
  return true;
}

bool askNumberOfAreas(Host& host, Session& s) {
  NumberOfAreasModel m = openNumberOfAreas(s);
  if (!host.runDialog("SelecNumDlgBox1", m)) return false;
  s.settings.areasToAdd = acceptedNumberOfAreas(m);
  return true;
}

bool askParameters(Shell& sh, const Analysis& a) {
  if (!a.takesParam(Param::AreasToAdd) && !a.takesParam(Param::Budget)) return true;
  Session& s = sh.session;
  countCandidatesAsMenus(s);
  const bool byBudget = a.takesParam(Param::Budget) && s.settings.optimiseByCost != Flag::kOff && s.costPresent;
  return byBudget ? askBudget(sh.host, s) : askNumberOfAreas(sh.host, s);
}

namespace {

// What every analysis does after computing: RESULTS, the stored time, the
// flag that allows "Map fully flexible areas".
void record(Shell& sh, SelectionMemory& mem, const AnalysisResult& a) {
  mem.seconds = a.seconds;
  if (!a.results.empty()) sh.writeResults(a.results);
  sh.flags.flexibilityData = sh.session.areas.nearMinimumDone;
  if (a.capacityReached) {
    const Notice n = capacityNotice();
    sh.host.messageBox(n.text, n.caption, n.icon, Buttons::Ok);
  }
}

// The fully flexible areas when that map is asked for and the run allows it.
void drawResult(Shell& sh) {
  const Session& s = sh.session;
  if (allAreasMappedFullyFlexible(s.settings) && s.areas.nearMinimumDone && sh.connected(Command::MapFullyFlexible)) {
    sh.dispatch(Command::MapFullyFlexible);
    return;
  }
  sh.retitle();
}

}  // namespace

ManualSelectionModel::ManualSelectionModel(Shell& sh, std::shared_ptr<SelectionMemory> memory)
    : shell(sh),
      memory_(std::move(memory)),
      opened_(sh.session.areas.cells),
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
  clearAreaSet(shell.session.areas);
  clearScores(shell.session);
  if (onListChanged) onListChanged();
  shell.host.requestRedraw();
}

void ManualSelectionModel::saveFile() {
  if (!open_) return;
  saveSeedAreas(shell.host, shell.session);
  close(true);
}

void ManualSelectionModel::loadFile() {
  if (!open_) return;
  loadSeedAreas(shell.host, shell.session);
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
  const MeasureCode code = s.map.code();
  const bool follows = s.map.traits().dependsOnSet;
  if (!s.areas.empty() && !follows) {
    setMeasureCode(s, kCodeNone);  // titled "none (%d areas selected)"
  } else {
    const int means = s.map.meanPasses, smooths = s.map.smoothPasses;
    const MeasureCode again = follows ? code : kCodeRichness;
    bool computed = false;
    if (again == kCodeSelectedAreas && !s.areas.empty()) {
      computed = convertSelectedAreas(s);
    } else if (again == kCodeEmrIrreplaceability || again == kCodeMaxRarity) {
      const Command command = again == kCodeEmrIrreplaceability ? Command::EmrIrreplaceability : Command::MaxRarity;
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

  shell.connect(Command::NearMinimumSet, [mem](Shell& sh) {
    if (!canRun(sh)) return;
    BusyGuard busy(sh.host);
    record(sh, *mem, runSelection(sh, Command::NearMinimumSet, {}));
    drawResult(sh);
  });

  shell.connect(Command::NearMaximumCoverage, [mem](Shell& sh) {
    if (!canRun(sh) || !askParameters(sh, *analysisOfCommand(Command::NearMaximumCoverage))) return;
    BusyGuard busy(sh.host);
    record(sh, *mem, runSelection(sh, Command::NearMaximumCoverage, {}));
    drawResult(sh);
  });

  shell.connect(Command::RandomSetSelection, [mem](Shell& sh) {
    if (!canRun(sh) || !askParameters(sh, *analysisOfCommand(Command::RandomSetSelection))) return;
    const AnalysisResult r = runSelection(sh, Command::RandomSetSelection, {});
    if (r.ran) {
      mem->seconds = r.seconds;
      sh.writeResults(r.results);
    }
    sh.retitle();
  });

  // The re-orderings and the report show the time of the last analysis.
  for (Command id : {Command::ReorderByRichness, Command::ReorderByThreat, Command::RepresentationResults})
    shell.connect(id, [mem, id](Shell& sh) {
      if (!canRun(sh)) return;
      AnalysisParams p;
      p.lastSeconds = mem->seconds;
      const AnalysisResult r = sh.runAnalysis(*analysisOfCommand(id), p);
      if (id == Command::RepresentationResults) {
        if (r.ran) sh.writeResults(r.results);
        sh.refreshMenus();
        return;
      }
      if (!r.ran) return;
      sh.retitle();
      sh.writeResults(r.results);
    });

  for (auto [command, kind] : {std::pair{Command::ConvertCostValues, ValueKind::Cost},
                               std::pair{Command::ConvertThreatValues, ValueKind::Threat}})
    shell.connect(command, [kind = kind](Shell& sh) {
      if (sh.flags.view3D) return;
      std::optional<Notice> notice;
      const std::optional<bool> present = convertScoresToValues(sh.session, kind, notice);
      if (notice) sh.host.messageBox(notice->text, notice->caption, notice->icon, Buttons::Ok);
      if (!present) return;
      if (kind == ValueKind::Threat) sh.flags.threatPresent = *present;
      resetCellFlags(sh.session.ws, sh.session.map);
      sh.retitle();
    });

  shell.connect(Command::ManualSetSelection, [mem](Shell& sh) {
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
