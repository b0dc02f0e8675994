// Who is present where, for the near-minimum family of analyses: the
// presence lists under the excluded data level, which taxa pass the group
// code, and small helpers over an area list. The presence lists are those
// of the dataset the last recount kept, while they still hold.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "measures/presence.h"
#include "store/session.h"

namespace zn {

struct SelectionIndex {
  explicit SelectionIndex(const Session& s)
      : held(presenceIndex(s.ws, s.settings.excludedLevel)),
        ix(*held),
        cells(std::min(ix.units, static_cast<int>(s.ws.cells.size()) - 2)) {
    included.assign(static_cast<std::size_t>(ix.taxa), 0);
    for (int t = 0; t < ix.taxa; ++t) included[static_cast<std::size_t>(t)] = s.ws.passesGroup(t) ? 1 : 0;
  }

  std::shared_ptr<const PresenceIndex> held;
  const PresenceIndex& ix;
  int cells = 0;               // cells with both a record and data levels
  std::vector<char> included;  // passes the group code

  bool valid(int cell) const { return cell >= 1 && cell <= cells; }
  bool counts(int taxon) const { return included[static_cast<std::size_t>(taxon)] != 0; }
  int range(int taxon) const { return ix.range(taxon); }

  // Per taxon, the number of the given areas (cells) where it is present;
  // only included taxa are counted.
  std::vector<int> presences(const std::vector<int>& areas, std::size_t from = 0) const {
    std::vector<int> n(static_cast<std::size_t>(ix.taxa), 0);
    for (std::size_t p = from; p < areas.size(); ++p)
      if (valid(areas[p]))
        for (int t : ix.taxaIn(areas[p]))
          if (counts(t)) ++n[static_cast<std::size_t>(t)];
    return n;
  }
};

}  // namespace zn
