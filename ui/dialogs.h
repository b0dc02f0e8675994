// The one entry the main window calls to show a modal dialog by its resource
// name: the option dialogs, "Selective plot", and the display's "Save map"
// and "Print map".
#pragma once

#include <string>

#include "store/requests.h"

class QWidget;

namespace zn {

// True when runUiDialog knows the name (compared without regard to case, as
// the resource names are).
bool isUiDialog(const std::string& name);

// Shows the named dialog on its model:
//   "ToptDlgBox"  ToolsOptionsModel   "MoptDlgBox" MapOptionsModel
//   "SummDlgBox"  MapInfoModel        "RICHDLGBOX1", "RICHDLGBOX2" and their
//   "...VGA" forms: SelectivePlotModel (the VGA forms show a shorter list)
//   "SAVEDLGBOX", "PRINTDLGBOX": the display's dialogs.
//   "BIOTADLGBOX1", "BIOTADLGBOX2" and their "...VGA" forms: CellListModel;
//   "LOCNMDLGBOX": CellNameModel.
//   "SelecNumDlgBox1": NumberOfAreasModel; "SelecNumDlgBox2": BudgetModel.
//   "SelecDlgBox", "SelecDlgBoxVGA": ManualSelectionModel, shown modeless:
//   the call returns at once (true) and the window goes when the model
//   closes.
// True when the user accepted it. An unknown name or a model of the wrong
// type shows nothing and returns false. The option models are not applied
// here: the caller applies an accepted model.
bool runUiDialog(const std::string& name, DialogModel& model, QWidget* parent);

}  // namespace zn
