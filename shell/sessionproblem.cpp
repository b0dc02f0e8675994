#include "shell/sessionproblem.h"

#include <algorithm>

#include "selection/selectionindex.h"
#include "shell/runinputs.h"

namespace zn {

planning::Problem problemFromSession(const Session& s) {
  const SelectionIndex x = selectionIndex(s);
  const int goal = std::max(1, s.settings.nearMinimumGoal);
  // The session's data as a dataset of the units that matter, then the
  // problem from it as from any dataset.
  Dataset d;
  std::vector<std::uint32_t> numberOf(static_cast<std::size_t>(x.cells) + 1, 0);
  std::vector<char> seed(static_cast<std::size_t>(x.cells) + 1, 0);
  // The areas already in the set seed every analysis, so they are locked in.
  for (int n : s.areas.cells)
    if (x.valid(n)) seed[static_cast<std::size_t>(n)] = 1;
  for (int n = 1; n <= x.cells; ++n) {
    bool holds = seed[static_cast<std::size_t>(n)] != 0;
    for (int t : x.ix.taxaIn(n)) holds |= x.counts(t);
    if (!holds) continue;
    d.units.push_back({n, std::string(), s.costPresent ? s.ws.cells[static_cast<std::size_t>(n)].cost : 1.0,
                       seed[static_cast<std::size_t>(n)] ? UnitStatus::LockedIn : UnitStatus::Free});
    numberOf[static_cast<std::size_t>(n)] = static_cast<std::uint32_t>(d.units.size());
  }
  // Only the counted taxa hold records; each wants the goal, or its range
  // where that is smaller.
  d.taxa.resize(static_cast<std::size_t>(x.ix.taxa));
  std::vector<Occurrence> pairs;
  for (int t = 0; t < x.ix.taxa; ++t) {
    DatasetTaxon& taxon = d.taxa[static_cast<std::size_t>(t)];
    taxon.id = t + 1;
    taxon.name = s.ws.cards.name(t);
    if (!x.counts(t)) continue;
    taxon.target = static_cast<double>(std::min(goal, x.range(t)));
    for (int n : x.ix.unitsOf(t))
      if (x.valid(n)) pairs.push_back({static_cast<std::uint32_t>(t), numberOf[static_cast<std::size_t>(n)], 1.0});
  }
  d.occurrences = occurrencesFrom(d.taxonCount(), d.unitCount(), std::move(pairs), false);
  return planning::problemFromDataset(d);
}

}  // namespace zn
