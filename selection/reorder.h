// Re-ordering an area set without changing its content: by the taxa each
// area adds (in successive representation passes, or once by richness or
// rarity weight), and by threat.
#pragma once

#include <optional>
#include <vector>

#include "selection/report.h"
#include "selection/selectionindex.h"
#include "store/analysisdata.h"
#include "store/notice.h"
#include "store/workspace.h"

namespace zn {

// An area placed by the re-ordering in passes: the taxa it added and its
// position in the set (from 1).
struct PlacedArea {
  int area = 0;
  int value = 0;
  int position = 0;
};

// "Re-order set by richness": the non-seed areas in successive passes, each
// position taking the area that adds most included taxa not present in the
// areas since the pass started (first in the previous order on ties); a pass
// ends once every taxon with records is present. Areas that add nothing
// follow in their previous order. Returns the placed areas of the grid, whose
// value and position the map shows as score and count (every other cell
// scoring 0).
std::vector<PlacedArea> reorderByRichnessPasses(AreaSet& set, const SelectionIndex& x);

// The scores the re-ordering in passes leaves in cell records (GridCell or
// any record with a score and a count): 0 everywhere but at the placed areas.
template <class Cell>
void scorePlacedAreas(std::vector<Cell>& cells, const std::vector<PlacedArea>& placed) {
  for (Cell& c : cells) {
    c.score = 0.0;
    c.count = 0;
  }
  for (const PlacedArea& a : placed) {
    Cell& c = cells[static_cast<std::size_t>(a.area)];
    c.score = a.value;
    c.count = a.position;
  }
}

// The near-minimum set's re-ordering by richness or rarity: each position
// takes the area whose included taxa not present in any earlier position
// (seeds included) weigh most, `weight` per taxon, divided by the area's
// cost when `costs` is given (first in the previous order on ties). Areas
// that add nothing keep their previous order at the end.
void reorderByGain(AreaSet& set, const SelectionIndex& x, const std::vector<double>& weight,
                   const std::vector<double>* costs);

// "Re-order set by threat": the non-seed areas by decreasing threat, the
// previous order kept among equals; `threat` is by unit (entry 0 unused),
// a unit beyond it counting 0.
void reorderByThreat(AreaSet& set, const std::vector<double>& threat);

// A run on the set on screen, in the one form both kinds of data run: it
// reads the data and the set and returns the set in its new order (or as it
// stands) for the caller to put on screen and report.
struct CurrentSetParams {
  AreaSet set;                 // the set on screen
  bool threatPresent = false;  // the data's threat values have been loaded
  // What the report says of the run: the time of the last analysis, or a
  // set made elsewhere with its own title and closing lines.
  ReportFacts facts = {};
};

struct CurrentSetRun {
  std::optional<Notice> refusal;  // no set or no threat values, under the command's caption
  AreaSet set;
  // Re-ordered in passes: the map's scores are the placed areas' values
  // and positions; otherwise the map keeps its scores.
  bool rescored = false;
  std::vector<PlacedArea> placed;
  ReportFacts facts;
};

using CurrentSetFn = CurrentSetRun (*)(const AnalysisData& data, const SelectionIndex& x,
                                       const CurrentSetParams& params);

// "Re-order set by richness", "Re-order set by threat" (by the data's
// threat values) and "Representation RESULTS" (the set as it stands).
CurrentSetRun reorderByRichnessRun(const AnalysisData& data, const SelectionIndex& x, const CurrentSetParams& params);
CurrentSetRun reorderByThreatRun(const AnalysisData& data, const SelectionIndex& x, const CurrentSetParams& params);
CurrentSetRun setAsItStands(const AnalysisData& data, const SelectionIndex& x, const CurrentSetParams& params);

}  // namespace zn
