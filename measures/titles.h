// Map titles. The title builder runs after every computation and pass: it
// titles the map from the map record and the settings, makes the plot of a
// single marked taxon, and tells the caller whether the scores are to be
// classed next.
#pragma once

#include <string>
#include <vector>

#include "store/maprecord.h"
#include "store/settings.h"
#include "store/workspace.h"

namespace zn {

// What the titles read besides the map record they title: the settings,
// the data and the area set on screen, and two facts of the maps.
struct TitleSource {
  const Settings& settings;
  const Workspace& ws;
  const AreaSet& areas;
  bool scoresPresent = false;
  bool backgroundPresence = false;  // the background map is a presence map
};

struct TitleContext {
  bool editorOpen = false;    // the data editor is open: single-taxon titles read "editing ..."
  bool overlayShown = false;  // an overlay is on the map (the overlay code ends it beforehand)
};

enum class TitleOutcome {
  Stopped,        // nothing more to do: no scores, a refused inversion, code 26
  NoClassing,     // titled, but these scores are not classed (codes 25 and 37)
  ClearClasses,   // code 0: clear the class limits and histogram only
  Classify,       // clear the class limits and histogram, then class the scores
  ImportOverlay,  // code 10 under an overlay: the overlay re-plots the imported scores
};

// Titles `map` (the map on screen, or a copy of it) from the source, and
// draws the plot of a single marked taxon into `cells`.
TitleOutcome titleMap(const TitleSource& src, MapRecord& map, std::vector<GridCell>& cells,
                      const TitleContext& ctx = {});

// Pieces of the titles.
const char* formulaWord(RarityFormula formula);                     // "difference", "inverse", "inverse square"
std::string smoothingPrefix(const Settings& st, const MapRecord& m);  // "smoothed (9) " or ""
std::string meanPrefix(const MapRecord& m);                         // "mean " or ""
std::string areaCountText(const AreaSet& a);                        // "3+2" with seeds, else "5"

// The title of the table for the record's map as it and the settings stand
// (no single-taxon titles; code 11 gives the current title).
std::string measureTitle(const TitleSource& src, const MapRecord& m);

// Title of the plot of one taxon (codes 22, 26, 27 and the cell taxa list).
std::string singleTaxonTitle(const TitleSource& src, int taxon, MeasureCode code, bool editorOpen);

// Cells where the taxon is present (data level above the excluded level).
int taxonRange(const Workspace& ws, int excludedLevel, int taxon);

}  // namespace zn
