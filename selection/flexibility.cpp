#include "selection/flexibility.h"

#include <algorithm>

#include "selection/hotspots.h"
#include "selection/selectionindex.h"

namespace zn {

std::vector<int> fullyFlexibleAlternatives(const AnalysisData& data, const std::vector<int>& sole, bool byCost,
                                           int area) {
  const int cells = scoredUnits(data);
  if (area < 1 || area > cells) return {};
  std::vector<int> count(static_cast<std::size_t>(cells) + 1, 0);
  const int taxa = std::min(data.taxa(), static_cast<int>(sole.size()));
  for (int t = 0; t < taxa; ++t) {
    if (!data.counts(t) || sole[static_cast<std::size_t>(t)] != area) continue;
    for (int c : data.occ().unitsOf(t))
      if (c <= cells) ++count[static_cast<std::size_t>(c)];
  }
  const double own = data.unitCost(area);
  int most = 0;
  for (int c = 1; c <= cells; ++c) most = std::max(most, count[static_cast<std::size_t>(c)]);
  std::vector<int> alternatives;
  if (most == 0) return alternatives;
  for (int c = 1; c <= cells; ++c)
    if (count[static_cast<std::size_t>(c)] == most && (!byCost || data.unitCost(c) == own)) alternatives.push_back(c);
  return alternatives;
}

bool fullyFlexibleRuleHolds(const Settings& st) {
  return st.nearMinimumGoal == 1 &&
         (st.reordering == Reordering::kByRichness || st.reordering == Reordering::kByRarity);
}

bool allAreasMappedFullyFlexible(const Settings& st) {
  return st.mapAllFlexible != Flag::kOff && st.nearMinimumGoal == 1;
}

FullyFlexibleMap fullyFlexibleMap(const AnalysisData& data, const AreaSet& set, const std::vector<int>& sole,
                                  bool byCost) {
  FullyFlexibleMap m;
  m.applies = true;
  m.score.assign(static_cast<std::size_t>(std::max(data.gridUnits, data.units())) + 2, 0.0);
  m.count.assign(m.score.size(), 0);
  const int seeds = std::clamp(set.seedCount, 0, set.count());
  const int areas = set.count() - seeds;
  if (areas <= 0) return m;
  std::vector<std::vector<int>> alternatives(static_cast<std::size_t>(areas));
  // Ascending by group size through the descending sort of the negated
  // sizes, which compares the same pairs in the same order.
  std::vector<double> key(static_cast<std::size_t>(areas));
  std::vector<int> position(static_cast<std::size_t>(areas));
  for (int p = 0; p < areas; ++p) {
    alternatives[static_cast<std::size_t>(p)] =
        fullyFlexibleAlternatives(data, sole, byCost, set.cells[static_cast<std::size_t>(seeds + p)]);
    // An area that is the sole area of no taxon stands alone.
    key[static_cast<std::size_t>(p)] =
        -std::max<double>(1.0, static_cast<double>(alternatives[static_cast<std::size_t>(p)].size()));
    position[static_cast<std::size_t>(p)] = p;
  }
  exchangeSortDescending(key, position);
  // Distinct group numbers: a size above 1 not above its predecessor's
  // becomes one more than it.
  std::vector<int> size(static_cast<std::size_t>(areas));
  for (int i = 0; i < areas; ++i) {
    int k = static_cast<int>(-key[static_cast<std::size_t>(i)]);
    if (i > 0 && k > 1 && k <= size[static_cast<std::size_t>(i - 1)]) k = size[static_cast<std::size_t>(i - 1)] + 1;
    size[static_cast<std::size_t>(i)] = k;
  }
  const int top = size.back() + 1;
  std::vector<int> group(static_cast<std::size_t>(areas));
  for (int i = 0; i < areas; ++i)
    group[static_cast<std::size_t>(position[static_cast<std::size_t>(i)])] = size[static_cast<std::size_t>(i)];

  for (int p = 0; p < areas; ++p) {
    const int a = set.cells[static_cast<std::size_t>(seeds + p)];
    if (a < 1 || a > scoredUnits(data)) continue;
    m.score[static_cast<std::size_t>(a)] = top;
    m.count[static_cast<std::size_t>(a)] = 2;
    const auto& alt = alternatives[static_cast<std::size_t>(p)];
    if (alt.size() <= 1) continue;
    for (int c : alt) {
      m.score[static_cast<std::size_t>(c)] = top - group[static_cast<std::size_t>(p)];
      m.count[static_cast<std::size_t>(c)] = 1;
    }
  }
  m.top = top;
  return m;
}

}  // namespace zn
