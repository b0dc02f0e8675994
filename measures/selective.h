// The "Selective plot" dialog of "Selective richness" and "Selective
// rarity" as plain logic: its list of taxa, its two display check boxes and
// what "Plot" does with the selected lines.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/notice.h"
#include "store/maprecord.h"
#include "store/requests.h"
#include "store/settings.h"
#include "store/workspace.h"

namespace zn {

constexpr int kMaxPlotSelection = 512;

struct SelectivePlotModel : DialogModel {
  enum class Action { Plot, Cancel, ToggleGrouped, ToggleRangeSizes };

  std::string resource;            // RICHDLGBOX1 / RICHDLGBOX2, "VGA" forms on a small screen
  bool grouped = true;             // card order; else sorted alphabetically
  bool rangeSizes = false;         // lines read "name- range"
  std::vector<std::string> lines;  // list 1070
  std::vector<int> lineTaxon;      // the taxon each line stands for

  // Filled by whoever runs the dialog.
  Action action = Action::Cancel;
  std::vector<int> selected;  // line indices
};

std::string selectivePlotResource(bool grouped, bool smallScreen);

// The dialog as it opens: one line per taxon that passes the group code.
SelectivePlotModel openSelectivePlot(const Settings& st, const Workspace& ws, bool smallScreen);

// "Plot": clears the marks, then marks the taxa of the selected lines and
// makes the last one the map's current taxon. Refuses an empty or too large
// selection (its message returned in `refusal`) and sets the map's code to
// 0. Returns the number of taxa marked.
int markSelectedTaxa(Workspace& ws, MapRecord& map, const SelectivePlotModel& m, std::optional<Notice>& refusal);

}  // namespace zn
