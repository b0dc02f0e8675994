// "Representation curves..." and the other searches the user may stop that
// no command of their own runs (their entries say so): each runs its
// analysis behind a box that can stop it, appends its report to RESULTS, and
// maps its scores or opens the chart window ("CurveChart", a CurveChartModel).
#pragma once

#include <string>

#include "selection/curves.h"
#include "store/requests.h"

namespace zn {

class Shell;

// What the chart window shows; the window keeps its own copy.
struct CurveChartModel : DialogModel {
  CurveSet curves;
  std::string dataTitle;
};

// Connects the three commands; called with the other selection commands.
void connectCurveCommands(Shell& shell);

}  // namespace zn
