#include "store/measuretraits.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "store/analysisdata.h"

namespace zn {

namespace {

using namespace trait;

constexpr MeasureTraits kBaseKinds[] = {
    mapKind(kCodeNone, kCategory | kNotSmoothable),
    mapKind(kCodeRichness, kCounts | kDependsOnSet),
    mapKind(kCodeImportedScores, 0),
    mapKind(kCodeOverlay, kCategory | kOverlay | kNotInvertible | kNotSmoothable),
    mapKind(kCodeReservedFirstMean, kMeanable),
    mapKind(static_cast<MeasureCode>(15), kMeanable),
    mapKind(static_cast<MeasureCode>(16), kMeanable),
    mapKind(static_cast<MeasureCode>(17), kMeanable),
    mapKind(static_cast<MeasureCode>(18), kMeanable),
    mapKind(kCodeReservedLastMean, kMeanable),
    mapKind(kCodeReservedSelection20, kNotInvertible | kNotSmoothable | kSelectsAreas),
    mapKind(kCodeReservedSelection21, kNotInvertible | kNotSmoothable | kSelectsAreas),
    mapKind(kCodeFlexibilityPlot, kCounts | kLargeSpots | kItalicTitle | kNotInvertible | kSelectsAreas, {}, nullptr,
            MapReading::FlexibilityPlot),
    mapKind(kCodeSelectedAreas, kCategory | kDependsOnSet, {}, "selected areas", MapReading::SelectedAreas),
};

const MeasureTraits* findBase(MeasureCode code) {
  for (const MeasureTraits& t : kBaseKinds)
    if (t.code == code) return &t;
  return nullptr;
}

}  // namespace

const MeasureTraits& baseMapKind(MeasureCode code) {
  if (const MeasureTraits* t = findBase(code)) return *t;
  // A code no row declares: a plain kind per code, so the record still says
  // which map it is. Every code in use is below 256; anything beyond is
  // no map.
  static const std::array<MeasureTraits, 256> plain = [] {
    std::array<MeasureTraits, 256> out{};
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = mapKind(static_cast<MeasureCode>(i), 0);
    return out;
  }();
  const auto i = static_cast<std::size_t>(code);
  return i < plain.size() ? plain[i] : plain[0];
}

bool isBaseMapCode(MeasureCode code) { return findBase(code) != nullptr; }

std::span<const MeasureTraits> baseMapKinds() { return kBaseKinds; }

std::optional<std::string> measureRefusal(const MeasureTraits& t, const AnalysisData& a) {
  if (!a.data) return "no data are open";
  if (t.needsLevels && a.levels <= 0) return "needs the data levels of a datafile";
  if (t.needsQuantitative && !a.quantitative) return "needs quantitative data";
  if (t.needsHierarchy && !a.treeData) return "needs the taxa's code tree or ranks (genus, family) for 3 taxa or more";
  if (t.needsFixedGrid && !a.fixedGrid) return "needs the cells of a fixed grid";
  if (t.needsAdjacency && !a.fixedGrid && a.data->adjacency.empty()) return "needs the units' neighbours";
  return std::nullopt;
}

bool smoothingApplies(const MeasureTraits& t, const AnalysisData& a) {
  if (!t.smoothable) return false;
  return (a.fixedGrid && a.geometry) || (a.data && !a.data->adjacency.empty());
}

}  // namespace zn
