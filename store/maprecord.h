// The map record: which measure's scores are on the map, how they were made
// and how they are titled. The session holds one for the map on screen and a
// twin for the background map; "Swap scores" exchanges the two.
#pragma once

#include <string>

#include "store/measurecode.h"
#include "store/settings.h"

namespace zn {

// How the scores on the map came in through "Import scores".
enum ImportKind : int {
  kNotImported = 0,
  kImportSingle = 1,
  kImportForegroundBackground = 2,
  kImportThreeAxis = 3,
};

struct MapRecord {
  MeasureCode measureCode = kCodeNone;
  std::string title;      // at most 255 characters when built by the title builder
  std::string dataTitle;  // datafile title, single taxon's display name or imported name
  std::string fileName;   // datafile file name at the computation
  std::string groupCode;  // included group code in force (its length is the size)
  int excludedLevel = 0;
  int currentTaxon = 0;  // taxon index of a single-taxon plot
  int taxaCounted = 0;
  int includedTaxa = 0;
  int occupiedCells = 0;  // single-taxon plots keep the taxon's record count here
  int records = 0;
  double mapMaximum = 0.0;
  double scaleLimit = 0.0;   // upper value of the fixed-limit score scale
  double scoreOffset = 0.0;  // subtracted from every true score (residuals, imports)
  int meanPasses = 0;
  int smoothPasses = 0;
  // Scale type, rarity formula, hotspot kind, reject-redundant option and
  // neighbourhood size the scores were made with. For the map on screen the
  // settings record holds these; the background map keeps its own here.
  MapSettingsCopy settings;
  bool presenceMap = false;  // a presence-only map (single-taxon plot, converted areas)
  std::string importedName;  // 31 characters at most
  int importKind = kNotImported;
  int runs = 0;  // selection frequency: the runs behind the shares
};

}  // namespace zn
