#include "ui/dialogs.h"

#include "store/text.h"
#include "ui/celldialogs.h"
#include "ui/curvewindow.h"
#include "ui/dataio_dialogs.h"
#include "ui/displaydialogs.h"
#include "ui/gbifdialog.h"
#include "ui/optiondialogs.h"
#include "ui/overlaydialog.h"
#include "ui/projectdialog.h"
#include "ui/scoresdialog.h"
#include "ui/selectiondialogs.h"

namespace zn {

namespace {

enum class Kind {
  None,
  Tools,
  MapOptions,
  MapInfo,
  SelectivePlot,
  Display,
  Cell,
  Selection,
  Scores,
  DataIo,
  Overlay,
  Gbif,
  NewProject,
  CurveChart
};

Kind kindOf(const std::string& name) {
  const std::string n = toLower(name);
  if (n == "toptdlgbox") return Kind::Tools;
  if (n == "moptdlgbox") return Kind::MapOptions;
  if (n == "summdlgbox") return Kind::MapInfo;
  if (n == "richdlgbox1" || n == "richdlgbox2" || n == "richdlgbox1vga" || n == "richdlgbox2vga")
    return Kind::SelectivePlot;
  if (isDisplayDialog(name)) return Kind::Display;
  if (isCellDialog(name)) return Kind::Cell;
  if (isSelectionDialog(name)) return Kind::Selection;
  if (isScoresDialog(name)) return Kind::Scores;
  if (isDataIoDialog(name)) return Kind::DataIo;
  if (isOverlayDialog(name)) return Kind::Overlay;
  if (isGbifDialog(name)) return Kind::Gbif;
  if (isProjectDialog(name)) return Kind::NewProject;
  if (n == "curvechart") return Kind::CurveChart;
  return Kind::None;
}

template <class Dialog, class Model, class... Extra>
bool run(DialogModel& model, QWidget* parent, Extra... extra) {
  auto* m = dynamic_cast<Model*>(&model);
  if (!m) return false;
  Dialog d(*m, extra..., parent);
  return d.exec() == QDialog::Accepted;
}

}  // namespace

bool isUiDialog(const std::string& name) { return kindOf(name) != Kind::None; }

bool runUiDialog(const std::string& name, DialogModel& model, QWidget* parent) {
  switch (kindOf(name)) {
    case Kind::Tools: return run<ToolsOptionsDialog, ToolsOptionsModel>(model, parent);
    case Kind::MapOptions: return run<MapOptionsDialog, MapOptionsModel>(model, parent);
    case Kind::MapInfo: return run<MapInfoDialog, MapInfoModel>(model, parent);
    case Kind::SelectivePlot: {
      const bool small = toLower(name).ends_with("vga");
      return run<SelectivePlotDialog, SelectivePlotModel>(model, parent, small);
    }
    case Kind::Display: return runDisplayDialog(name, model, parent);
    case Kind::Cell: return runCellDialog(name, model, parent);
    case Kind::Selection: return runSelectionDialog(name, model, parent);
    case Kind::Scores: return runScoresDialog(name, model, parent);
    case Kind::DataIo: return runDataIoDialog(name, model, parent);
    case Kind::Overlay: return runOverlayDialog(name, model, parent);
    case Kind::Gbif: return runGbifDialog(model, parent);
    case Kind::NewProject: return run<NewProjectDialog, NewProjectModel>(model, parent);
    case Kind::CurveChart: return showCurveWindow(model, parent);
    case Kind::None: break;
  }
  return false;
}

}  // namespace zn
