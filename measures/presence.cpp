#include "measures/presence.h"

namespace zn {

namespace {

// The taxa that pass and are not represented in the set.
template <class Passes>
std::vector<char> unrepresented(const PresenceIndex& index, const AreaSet& areas, Passes passes) {
  std::vector<char> counted = representedTaxa(index, areas);
  for (int t = 0; t < index.taxa; ++t) {
    char& c = counted[static_cast<std::size_t>(t)];
    c = (!c && passes(t)) ? 1 : 0;
  }
  return counted;
}

}  // namespace

std::vector<char> representedTaxa(const PresenceIndex& index, const AreaSet& areas) {
  std::vector<char> rep(static_cast<std::size_t>(index.taxa), 0);
  for (int a : areas.cells) {
    if (a < 1 || a > index.units) continue;
    for (std::int32_t t : index.taxaIn(a)) rep[static_cast<std::size_t>(t)] = 1;
  }
  return rep;
}

std::vector<char> countedTaxa(const Workspace& ws, const PresenceIndex& index, const AreaSet& areas) {
  return unrepresented(index, areas, [&ws](int t) { return ws.passesGroup(t); });
}

std::vector<char> representedTaxa(const AnalysisData& a, const AreaSet& areas) {
  return representedTaxa(a.occ(), areas);
}

std::vector<char> countedTaxa(const AnalysisData& a, const AreaSet& areas) {
  return unrepresented(a.occ(), areas, [&a](int t) { return a.counts(t); });
}

}  // namespace zn
