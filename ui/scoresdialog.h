// The Qt face of the "Export scores" dialog (DEXSDLGBOX), bound to its
// model (interchange/scores_export.h): the model keeps the radios apart
// and greys the mismatch export while no foreground/background pair is
// loaded.
#pragma once

#include <string>

#include "interchange/scores_export.h"
#include "ui/optiondialogs.h"

class QWidget;

namespace zn {

class ExportScoresDialog : public ModelDialog<ExportScoresModel> {
 public:
  ExportScoresDialog(ExportScoresModel& model, QWidget* parent = nullptr);
};

// True for "DEXSDLGBOX" (any case).
bool isScoresDialog(const std::string& name);
// Shows it on an ExportScoresModel; false for another name or model type,
// or when the user cancels.
bool runScoresDialog(const std::string& name, DialogModel& model, QWidget* parent);

}  // namespace zn
