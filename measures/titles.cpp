#include "measures/titles.h"

#include <algorithm>
#include <array>

#include "measures/scores.h"
#include "store/measurecode.h"
#include "store/measuretraits.h"
#include "store/text.h"

namespace zn {

namespace {

constexpr std::size_t kTitleMax = 255;

const char* hotspotWord(int kind) {
  static constexpr std::array<const char*, 5> kWords{"richness", "range-size rarity", "rare-quartile richness",
                                                     "range-size threshold", "residual richness"};
  return kind >= 0 && kind < 5 ? kWords[static_cast<std::size_t>(kind)] : "";
}

const char* plural(int goal) { return goal == 1 ? "" : "s"; }

const char* transformedWord(const TitleSource& s) { return s.ws.datafile.rescaled ? "transformed" : "untransformed"; }

std::string hotspotTitle(const TitleSource& s) {
  const AreaSet& a = s.areas;
  const std::string A = areaCountText(a);
  const HotspotKind kind = s.settings.hotspotKind;
  if (a.candidateCells <= 0)
    return strprintf("top %3.1f%% hotspots by %s (%s areas)", 0.0, hotspotWord(static_cast<int>(kind)), A.c_str());
  const double pct = (a.count() - a.seedCount) * 100.0 / a.candidateCells;
  if (kind == HotspotKind::kThreshold)
    return strprintf("top %3.1f%% hotspots below threshold %d (%s areas)", pct, s.settings.rangeSizeThreshold,
                     A.c_str());
  return strprintf("top %3.1f%% hotspots by %s (%s areas)", pct, hotspotWord(static_cast<int>(kind)), A.c_str());
}

std::string greedyTitle(const TitleSource& s) {
  // The run takes a goal below 1 as 1; the title says what was run.
  const int goal = std::max(1, static_cast<int>(s.settings.greedyGoal));
  const std::string A = areaCountText(s.areas);
  if (s.settings.greedyByRarity != GreedyBy::kRichness)
    return strprintf("greedy %s%s%s-area set for %d rep%s (%s areas)", formulaWord(s.settings.rarityFormula), " ",
                     "rarity", goal, plural(goal), A.c_str());
  return strprintf("greedy %s%s%s-area set for %d rep%s (%s areas)", "", "", "richness", goal, plural(goal), A.c_str());
}

std::string nearMinimumTitle(const TitleSource& s) {
  const int goal = s.settings.nearMinimumGoal;
  const Reordering order = s.settings.reordering;
  const std::string A = areaCountText(s.areas);
  if (s.settings.flexibilityMap != Flag::kOff)
    return strprintf("near-minset: %s irreplaceable(R)/flexible(O) areas for %d rep%s", A.c_str(), goal, plural(goal));
  if (order == Reordering::kByRichness || order == Reordering::kByRarity)
    return strprintf("near-minset re-ordered by %s (%s areas)",
                     order == Reordering::kByRichness ? "richness" : "rarity", A.c_str());
  if (order >= Reordering::kNone)
    return strprintf("near-minimum-area set for %d rep%s (%s areas)", goal, plural(goal), A.c_str());
  return strprintf("near-minimum-area set (%s areas)", A.c_str());
}

bool present(const Workspace& ws, int excludedLevel, int taxon, int n) {
  return ws.cards.level(taxon, n) > excludedLevel;
}

// Cells whose records and data levels both exist.
int lastCell(const Workspace& ws) {
  return std::min({ws.geo.cells, static_cast<int>(ws.cells.size()) - 1, ws.cards.layout->maxCells});
}

int taxaInStore(const Workspace& ws) { return std::min(ws.taxaCount, ws.cards.slots()); }

// The plot of the one marked taxon for codes 22 and 27; true when the title
// is complete after it (presence mode).
bool plotSingleTaxon(const TitleSource& s, MapRecord& m, std::vector<GridCell>& cells, int taxon, MeasureCode code) {
  const int range = taxonRange(s.ws, s.settings.excludedLevel, taxon);
  m.occupiedCells = range;
  m.records = range;
  const bool quantitative = s.ws.datafile.quantitative;
  if (quantitative && code == kCodeSelectiveRarity) return false;
  for (int n = 1; n <= lastCell(s.ws); ++n) {
    GridCell& c = cells[static_cast<std::size_t>(n)];
    const bool here = present(s.ws, s.settings.excludedLevel, taxon, n);
    const int level = s.ws.cards.level(taxon, n);
    c.score = here ? (quantitative ? level : 1.0) : 0.0;
    c.count = here ? (quantitative ? level : 1) : 0;
    if (!quantitative) c.scored = here ? 1 : 0;
  }
  m.scaleLimit = m.mapMaximum = quantitative ? 100.0 : 1.0;
  if (quantitative) return false;
  m.presenceMap = true;
  return true;
}

}  // namespace

std::string smoothingPrefix(const Settings& st, const MapRecord& m) {
  if (m.smoothPasses <= 0) return "";
  return strprintf("smoothed (%d) ", cellsIn(st.neighbourhoodSize));
}

std::string meanPrefix(const MapRecord& m) { return m.meanPasses > 0 ? "mean " : ""; }

std::string areaCountText(const AreaSet& a) {
  if (a.seedCount > 0) return strprintf("%d+%d", a.seedCount, a.count() - a.seedCount);
  return strprintf("%d", a.count());
}

int taxonRange(const Workspace& ws, int excludedLevel, int taxon) {
  if (taxon < 0 || taxon >= taxaInStore(ws)) return 0;
  int k = 0;
  for (int n = 1; n <= lastCell(ws); ++n) k += present(ws, excludedLevel, taxon, n) ? 1 : 0;
  return k;
}

std::string measureTitle(const TitleSource& s, const MapRecord& m) {
  const MeasureCode code = m.code();
  const std::string S = smoothingPrefix(s.settings, m);
  const std::string M = meanPrefix(m);
  const char* Sc = S.c_str();
  const char* Mc = M.c_str();
  switch (code) {
    case kCodeNone: return s.areas.empty() ? "none" : strprintf("none (%d areas selected)", s.areas.count());
    case kCodeRichness: return strprintf("%srichness", Sc);
    case kCodeRangeSizeRarity:
      return strprintf("%s%srange-size rarity (%s)", Sc, Mc, formulaWord(s.settings.rarityFormula));
    case kCodeSubtreeLength: return strprintf("%s%ssubtree length", Sc, Mc);
    case kCodeRootDistance: return strprintf("%s%sroot distance", Sc, Mc);
    case kCodeRareQuartile: return strprintf("%srichness among 25%% rarest taxa", Sc);
    case kCodeHotspots: return hotspotTitle(s);
    case kCodeGreedy: return greedyTitle(s);
    case kCodeNearMinimum: return nearMinimumTitle(s);
    case kCodeNearMaximumCoverage:
      return strprintf("near-maximum-coverage set (%s areas)", areaCountText(s.areas).c_str());
    case kCodeImportedScores:
      if (m.importKind == kImportSingle || m.importKind == kImportThreeAxis)
        return strprintf("%simported scores (%s)", Sc, m.importedName.c_str());
      return m.title;
    case kCodeOverlay: return m.title;
    case kCodeRangeCentres: {
      const RangeWeighting w = s.settings.rangeCentreWeighting;
      return strprintf("%s%srange centre richness%s", Sc, Mc,
                       w == RangeWeighting::kLargeRanges   ? " (large ranges)"
                       : w == RangeWeighting::kSmallRanges ? " (small ranges)"
                                                           : "");
    }
    case kCodeMedianRange: return strprintf("%smedian range size", Sc);
    case kCodeSelectiveRichness: return strprintf("%splot %s", Sc, "selected richness");
    case kCodeLevelN: return strprintf("%snumber of level %d data", Sc, s.settings.excludedLevel + 1);
    case kCodeFlexibilityPlot: return strprintf("%srichness showing flexibility", Sc);
    case kCodeSelectiveRarity: return strprintf("%splot %s", Sc, "selected rarity");
    case kCodeEmrIrreplaceability: return strprintf("%sEMR irreplaceability", Sc);
    case kCodeReorderedByRichness:
      if (s.areas.showsExactSet())
        return strprintf(
            "%s (%s areas)",
            s.areas.exactKind == AreaSet::Exact::kMinimumSet ? "exact minimum set" : "exact maximum coverage",
            areaCountText(s.areas).c_str());
      return "area set re-ordered by richness";
    case kCodeMaxRarity: return strprintf("%smax rarity", Sc);
    case kCodeRareThreshold:
      return strprintf("%srichness for taxa below threshold %d", Sc, s.settings.rangeSizeThreshold);
    case kCodeResiduals: {
      const int size = cellsIn(s.settings.neighbourhoodSize);
      const std::string kind =
          s.settings.smoothByMean == Smoothing::kMean ? strprintf("mean %d", size) : strprintf("median %d", size);
      return strprintf("%s residuals from smoothed (2x %s) richness",
                       s.settings.residualsNotRelative == Flag::kOff ? "rel" : "abs", kind.c_str());
    }
    case kCodeMedianQuantitative: return strprintf("median value for quantitative data (%s)", transformedWord(s));
    case kCodeFullyFlexible: return strprintf("fully flexible areas (for %d areas)", s.areas.count());
    case kCodeSelectionFrequency: return strprintf("selection frequency (%d runs)", m.runs);
    default:  // a title its kind declares; none for 32, the reserved codes and anything unknown
      if (m.traits().titleRule) return m.traits().titleRule(s, m);
      return std::string(m.traits().title);
  }
}

std::string singleTaxonTitle(const TitleSource& s, int taxon, MeasureCode code, bool editorOpen) {
  const std::string name = taxon >= 0 && taxon < taxaInStore(s.ws) ? displayName(s.ws.cards.name(taxon)) : std::string();
  if (editorOpen) return strprintf("editing %s", name.c_str());
  if (code == kCodeFlexibilityPlot) {
    const int range = taxonRange(s.ws, s.settings.excludedLevel, taxon);
    if (range == 1) return strprintf("flexibility: %s (1 area)", name.c_str());
    return strprintf("flexibility: %s (%d areas)", name.c_str(), range);
  }
  if (s.ws.datafile.quantitative) return strprintf("%s (%s)", name.c_str(), transformedWord(s));
  return strprintf("plot %s", name.c_str());
}

TitleOutcome titleMap(const TitleSource& s, MapRecord& m, std::vector<GridCell>& cells, const TitleContext& ctx) {
  const MeasureCode code = m.code();
  if (ctx.overlayShown && code == kCodeImportedScores) return TitleOutcome::ImportOverlay;

  if (!s.scoresPresent) return TitleOutcome::Stopped;
  if (code == kCodeOverlay && m.presenceMap && s.backgroundPresence) return TitleOutcome::Stopped;
  const bool inverted = s.settings.invertedScale != Flag::kOff;
  if (inverted && !m.traits().invertible) return TitleOutcome::Stopped;

  if (code != kCodeImportedScores && code != kCodeResiduals) m.scoreOffset = 0.0;
  m.presenceMap = false;

  const bool selective = code == kCodeSelectiveRichness || code == kCodeSelectiveRarity || code == kCodeFlexibilityPlot;
  if (selective && markedTaxa(s.ws) == 1) {
    const int taxon = firstMarkedTaxon(s.ws);
    m.taxaCounted = 1;
    m.currentTaxon = taxon;
    m.title = singleTaxonTitle(s, taxon, code, ctx.editorOpen).substr(0, kTitleMax);
    m.dataTitle = displayName(s.ws.cards.name(taxon));
    if (code == kCodeFlexibilityPlot) {
      m.occupiedCells = taxonRange(s.ws, s.settings.excludedLevel, taxon);
      return TitleOutcome::Stopped;
    }
    // The presence plot is classed like any map: left unclassed it would
    // keep the colours and scale labels of the map before it.
    if (plotSingleTaxon(s, m, cells, taxon, code)) return TitleOutcome::Classify;
  } else {
    m.title = measureTitle(s, m).substr(0, kTitleMax);
    if (code == kCodeNone) m.dataTitle = s.ws.datafile.title;
    if (code == kCodeMaxLevel) return TitleOutcome::NoClassing;
    if (code == kCodeSelectedAreas) {
      m.presenceMap = true;
      return TitleOutcome::NoClassing;
    }
  }
  if (inverted) m.title = "inverted colour scale";
  return code == kCodeNone ? TitleOutcome::ClearClasses : TitleOutcome::Classify;
}

const char* formulaWord(RarityFormula formula) {
  switch (formula) {
    case RarityFormula::kDifference: return "difference";
    case RarityFormula::kInverse: return "inverse";
    case RarityFormula::kInverseSquare: return "inverse square";
    default: return "";
  }
}

}  // namespace zn
