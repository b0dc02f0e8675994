// The map record: which measure's scores are on the map, how they were made
// and how they are titled. The session holds one for the map on screen and a
// twin for the background map; "Swap scores" exchanges the two.
#pragma once

#include <cassert>
#include <string>

#include "store/measurecode.h"
#include "store/measuretraits.h"
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
  // Which map it is: its code and traits, always set together.
  MeasureCode code() const { return kind_->code; }
  const MeasureTraits& traits() const { return *kind_; }
  void show(const MeasureTraits& kind) { kind_ = &kind; }
  // A map no analysis leaves (none, richness after a load, imported scores).
  void showBase(MeasureCode baseCode) {
    assert(isBaseMapCode(baseCode));
    kind_ = &baseMapKind(baseCode);
  }

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

 private:
  // Kinds live in the analyses' entries or the base rows, never on the heap.
  const MeasureTraits* kind_ = &baseMapKind(kCodeNone);
};

}  // namespace zn
