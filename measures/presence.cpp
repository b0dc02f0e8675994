#include "measures/presence.h"

namespace zn {

std::vector<char> representedTaxa(const PresenceIndex& index, const AreaSet& areas) {
  std::vector<char> rep(static_cast<std::size_t>(index.taxa), 0);
  for (int a : areas.cells) {
    if (a < 1 || a > index.units) continue;
    for (std::int32_t t : index.taxaIn(a)) rep[static_cast<std::size_t>(t)] = 1;
  }
  return rep;
}

std::vector<char> countedTaxa(const Workspace& ws, const PresenceIndex& index, const AreaSet& areas) {
  std::vector<char> counted = representedTaxa(index, areas);
  for (int t = 0; t < index.taxa; ++t) {
    char& c = counted[static_cast<std::size_t>(t)];
    c = (!c && ws.passesGroup(t)) ? 1 : 0;
  }
  return counted;
}

}  // namespace zn
