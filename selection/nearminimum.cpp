#include "selection/nearminimum.h"
#include "selection/nearminimumrun.h"

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <numeric>
#include <span>

#include "measures/scores.h"
#include "selection/areaset.h"
#include "selection/progress.h"
#include "selection/reorder.h"
#include "selection/report.h"
#include "selection/selectionindex.h"
#include "selection/stopwatch.h"
#include "store/random.h"
#include "store/text.h"

namespace zn {

std::string ruleLabel(int code, bool random) {
  const char* last = random ? "random" : "lowest";
  switch (code) {
    case 1: return "  (irreplaceable taxon)";
    case 2: return "1: rarest";
    case 3: return "2: rarest + next";
    case 7: return strprintf("3: rarest + next + %s", last);
    case 4: return "3: rarest + next + next";
    case 5: return "4: rarest + next + next + next";
    case 6: return strprintf("5: rarest + next + next + next + %s", last);
    case 20: return strprintf("5: rarest + (no next rarest) + %s", last);
    case 30: return strprintf("5: rarest + next + (no next rarest) + %s", last);
    case 40: return strprintf("5: rarest + next + next + (no next rarest) + %s", last);
    default: return "";
  }
}

NearMinimumParams nearMinimumParams(const Settings& st, bool costPresent, const SelectionEnv& env) {
  NearMinimumParams p;
  p.goal = std::max(1, st.nearMinimumGoal);
  p.reordering = st.reordering;
  if (p.reordering == Reordering::kByRichness || p.reordering == Reordering::kByRarity) p.goal = 1;
  p.formula = st.rarityFormula;
  p.extraTieBreaks = isOn(st.extraTieBreaks);
  p.lastTieRandom = st.lastTieRandom != LastTie::kLowestCell;
  p.rejectRedundant = isOn(st.rejectRedundant);
  p.includeSeeds = isOn(st.includeSeeds);
  p.byCost = costPresent && isOn(st.optimiseByCost);
  p.flexibilityMap = p.goal == 1 && isOn(st.flexibilityMap);
  p.flexibilityPartial = p.goal == 1 && isOn(st.flexibilityPartial);
  p.mapAllFlexible = p.goal == 1 && isOn(st.mapAllFlexible);
  p.longReports = isOn(st.longReports);
  p.threatPresent = env.threatPresent;
  p.seed = env.seed;
  return p;
}

namespace {

// No range left: above every range a problem can have (a datafile's 10000
// would stop problems of more units early).
constexpr int kNoRange = std::numeric_limits<int>::max();
constexpr int kStatusSelected = 3;
constexpr int kStatusForced = 4;

// The lists the rule reads: the occurrences of a dataset (a datafile's
// presence index or any other), which units count (1 … units) and which taxa
// the goal applies to.
struct OccurrenceLists {
  const Occurrences& o;
  const std::vector<char>& counted;
  int units = 0;
  int cells() const { return units; }
  int taxa() const { return o.taxa; }
  bool valid(int n) const { return n >= 1 && n <= units; }
  bool counts(int t) const { return counted[static_cast<std::size_t>(t)] != 0; }
  int range(int t) const { return o.range(t); }
  PresenceList unitsOf(int t) const { return o.unitsOf(t); }
  PresenceList taxaIn(int n) const { return o.taxaIn(n); }
};

struct RuleOptions {
  int goal = 1;
  bool extraTies = false;
  bool randomTie = false;
  bool byCost = false;
  int capacity = kAreaCapacity;  // most areas the set may hold
};

// The growing of the set by progressive rarity and the passes that shrink it
// again (redundant areas, two-for-one exchanges), on lists alone. The set is
// the caller's list of areas, its first `seeds` entries fixed.
class NearMinimumCore {
 public:
  NearMinimumCore(const OccurrenceLists& lists, std::vector<int>& set, int seeds, const RuleOptions& o,
                  const std::vector<double>& cost, Random& rng)
      : l_(lists), set_(set), seeds_(seeds), o_(o), cost_(cost), rng_(rng), cells_(lists.cells()) {}

  std::function<void(int)> onMet;    // taxa goal-met so far
  std::function<void(int)> onGrown;  // areas added by the loop so far

  void begin();
  void forceIrreplaceable();
  void countRepresentations();
  void buildLists();
  void growSet();
  void rejectRedundant();
  void recordSoleAreas();
  void exchangeTwoForOne();
  void append(int n, int rule, int ties, int status);
  void removeFrom(int position);

  int count() const { return static_cast<int>(set_.size()); }
  int status(int n) const { return status_[static_cast<std::size_t>(n)]; }
  int rule(int n) const { return rule_[static_cast<std::size_t>(n)]; }
  // Tied cells at each step (1 = no tie, 0 = forced), by step 1 ... count.
  const std::vector<int>& tiesByStep() const { return ties_; }
  std::vector<int>& sole() { return sole_; }
  int rejected = 0;
  bool capacityReached = false;

  // Per taxon, the number of the areas from position `from` on where it is
  // present; only taxa the goal applies to are counted.
  std::vector<int> presences(std::size_t from = 0) const {
    std::vector<int> k(static_cast<std::size_t>(l_.taxa()), 0);
    for (std::size_t p = from; p < set_.size(); ++p)
      if (l_.valid(set_[p]))
        for (int t : l_.taxaIn(set_[p]))
          if (l_.counts(t)) ++k[static_cast<std::size_t>(t)];
    return k;
  }

 private:
  double cost(int n) const {
    return n >= 0 && static_cast<std::size_t>(n) < cost_.size() ? cost_[static_cast<std::size_t>(n)] : 0.0;
  }
  double value(int n, int count) const {
    double v = count;
    if (o_.byCost && count > 0 && cost(n) > 0.0) v /= cost(n);
    return v;
  }
  void ensureRarest();
  void rarestTies(std::vector<int>& ties);
  bool nextLevel(const std::vector<int>& ties, int& below, std::vector<int>& best) const;
  int lastTieBreak(const std::vector<int>& ties);
  void appendInLoop(int n, int rule, int ties);
  void meet(int t);
  int firstSlotAbove(int n, int range) const;
  int liveAt(int n, int range) const;
  bool exchangeAllowed(int c, int pa, int pb, const std::vector<int>& ns);

  const OccurrenceLists& l_;
  std::vector<int>& set_;
  const int seeds_;
  const RuleOptions o_;
  const std::vector<double>& cost_;
  Random& rng_;
  const int cells_;

  std::vector<char> inSet_, met_, mark_;
  std::vector<int> rep_, status_, rule_, ties_, sole_;
  int metCount_ = 0;
  int grownFrom_ = 0;

  // The live taxa of each cell (not goal-met, included) counted by range:
  // slots rangeStart_[n] ... rangeStart_[n + 1] - 1 hold the cell's ranges
  // ascending and how many live taxa have each. A few numbers per distinct
  // range, not per record, so dense data cost little. The contribution of
  // every cell at the rarest range is kept up to date as taxa are met.
  std::vector<int> rangeStart_, slotRange_, slotLive_;
  std::vector<int> notMetByRange_, byRangeStart_, byRange_;
  std::vector<int> rarestCount_;
  int rarest_ = 0;
  bool rarestValid_ = false;
};

void NearMinimumCore::begin() {
  inSet_.assign(static_cast<std::size_t>(cells_) + 1, 0);
  status_.assign(static_cast<std::size_t>(cells_) + 1, 0);
  rule_.assign(static_cast<std::size_t>(cells_) + 1, 0);
  ties_.assign(set_.size() + 1, 0);
  for (int a : set_)
    if (l_.valid(a)) inSet_[static_cast<std::size_t>(a)] = 1;
}

void NearMinimumCore::append(int n, int rule, int ties, int status) {
  set_.push_back(n);
  inSet_[static_cast<std::size_t>(n)] = 1;
  status_[static_cast<std::size_t>(n)] = status;
  rule_[static_cast<std::size_t>(n)] = rule;
  ties_.resize(set_.size() + 1, 0);
  ties_[set_.size()] = ties;
}

void NearMinimumCore::forceIrreplaceable() {
  const int taxa = l_.taxa();
  met_.assign(static_cast<std::size_t>(taxa), 0);
  for (int t = 0; t < taxa; ++t) {
    if (!l_.counts(t)) {
      met_[static_cast<std::size_t>(t)] = 1;
      continue;
    }
    if (l_.range(t) > o_.goal) continue;
    met_[static_cast<std::size_t>(t)] = 1;
    for (int n : l_.unitsOf(t)) {
      if (inSet_[static_cast<std::size_t>(n)]) continue;
      if (count() >= std::min(cells_, o_.capacity)) {
        capacityReached = count() >= o_.capacity;
        return;
      }
      append(n, 1, 0, kStatusForced);
    }
  }
}

void NearMinimumCore::countRepresentations() {
  rep_ = presences();
  for (int t = 0; t < l_.taxa(); ++t)
    if (l_.counts(t) && rep_[static_cast<std::size_t>(t)] >= o_.goal) met_[static_cast<std::size_t>(t)] = 1;
  metCount_ = 0;
  for (int t = 0; t < l_.taxa(); ++t) metCount_ += l_.counts(t) && met_[static_cast<std::size_t>(t)];
}

void NearMinimumCore::buildLists() {
  const int taxa = l_.taxa();
  // Taxa not yet met, grouped by range.
  notMetByRange_.assign(static_cast<std::size_t>(cells_) + 2, 0);
  byRangeStart_.assign(static_cast<std::size_t>(cells_) + 3, 0);
  for (int t = 0; t < taxa; ++t)
    if (!met_[static_cast<std::size_t>(t)]) {
      ++notMetByRange_[static_cast<std::size_t>(l_.range(t))];
      ++byRangeStart_[static_cast<std::size_t>(l_.range(t)) + 1];
    }
  for (std::size_t r = 1; r < byRangeStart_.size(); ++r) byRangeStart_[r] += byRangeStart_[r - 1];
  byRange_.assign(static_cast<std::size_t>(byRangeStart_.back()), 0);
  std::vector<int> fill(byRangeStart_.begin(), byRangeStart_.end() - 1);
  for (int t = 0; t < taxa; ++t)
    if (!met_[static_cast<std::size_t>(t)])
      byRange_[static_cast<std::size_t>(fill[static_cast<std::size_t>(l_.range(t))]++)] = t;

  // Each cell's live taxa counted by range, ranges ascending: taking the
  // taxa in range order appends every cell's ranges in order, in two passes
  // (count, then fill) over the records.
  std::vector<int> last(static_cast<std::size_t>(cells_) + 1, -1);
  rangeStart_.assign(static_cast<std::size_t>(cells_) + 2, 0);
  for (int t : byRange_)
    for (int n : l_.unitsOf(t))
      if (n <= cells_ && last[static_cast<std::size_t>(n)] != l_.range(t)) {
        last[static_cast<std::size_t>(n)] = l_.range(t);
        ++rangeStart_[static_cast<std::size_t>(n) + 1];
      }
  for (std::size_t n = 1; n < rangeStart_.size(); ++n) rangeStart_[n] += rangeStart_[n - 1];
  slotRange_.assign(static_cast<std::size_t>(rangeStart_.back()), 0);
  slotLive_.assign(static_cast<std::size_t>(rangeStart_.back()), 0);
  std::vector<int> end(rangeStart_.begin(), rangeStart_.end() - 1);
  std::fill(last.begin(), last.end(), -1);
  for (int t : byRange_) {
    const int r = l_.range(t);
    for (int n : l_.unitsOf(t)) {
      if (n > cells_) continue;
      int& e = end[static_cast<std::size_t>(n)];
      if (last[static_cast<std::size_t>(n)] != r) {
        last[static_cast<std::size_t>(n)] = r;
        slotRange_[static_cast<std::size_t>(e++)] = r;
      }
      ++slotLive_[static_cast<std::size_t>(e - 1)];
    }
  }
  rarestCount_.assign(static_cast<std::size_t>(cells_) + 1, 0);
  rarest_ = 0;
  rarestValid_ = false;
  grownFrom_ = count();
}

int NearMinimumCore::firstSlotAbove(int n, int range) const {
  const auto begin = slotRange_.begin() + rangeStart_[static_cast<std::size_t>(n)];
  const auto end = slotRange_.begin() + rangeStart_[static_cast<std::size_t>(n) + 1];
  return static_cast<int>(std::upper_bound(begin, end, range) - slotRange_.begin());
}

int NearMinimumCore::liveAt(int n, int range) const {
  const int k = firstSlotAbove(n, range) - 1;
  if (k < rangeStart_[static_cast<std::size_t>(n)] || slotRange_[static_cast<std::size_t>(k)] != range) return 0;
  return slotLive_[static_cast<std::size_t>(k)];
}

void NearMinimumCore::meet(int t) {
  met_[static_cast<std::size_t>(t)] = 1;
  ++metCount_;
  const int r = l_.range(t);
  --notMetByRange_[static_cast<std::size_t>(r)];
  const auto unitsOf = l_.unitsOf(t);
  if (rarestValid_ && r == rarest_)
    for (int n : unitsOf)
      if (n <= cells_) --rarestCount_[static_cast<std::size_t>(n)];
  for (int n : unitsOf)
    if (n <= cells_) --slotLive_[static_cast<std::size_t>(firstSlotAbove(n, r) - 1)];
  if (onMet) onMet(metCount_);
}

void NearMinimumCore::ensureRarest() {
  if (rarestValid_ && rarest_ < static_cast<int>(notMetByRange_.size()) &&
      notMetByRange_[static_cast<std::size_t>(rarest_)] > 0)
    return;
  int r = rarestValid_ ? rarest_ : 0;
  while (r < static_cast<int>(notMetByRange_.size()) && notMetByRange_[static_cast<std::size_t>(r)] == 0) ++r;
  rarestValid_ = true;
  if (r >= static_cast<int>(notMetByRange_.size())) {
    rarest_ = kNoRange;
    return;
  }
  rarest_ = r;
  std::fill(rarestCount_.begin(), rarestCount_.end(), 0);
  for (int i = byRangeStart_[static_cast<std::size_t>(r)]; i < byRangeStart_[static_cast<std::size_t>(r) + 1]; ++i) {
    const int t = byRange_[static_cast<std::size_t>(i)];
    if (met_[static_cast<std::size_t>(t)]) continue;
    for (int n : l_.unitsOf(t))
      if (n <= cells_) ++rarestCount_[static_cast<std::size_t>(n)];
  }
}

// The cells holding most of the rarest taxa not met, highest cell first.
void NearMinimumCore::rarestTies(std::vector<int>& ties) {
  ties.clear();
  double best = 0.0;
  for (int n = cells_; n >= 1; --n) {
    if (inSet_[static_cast<std::size_t>(n)]) continue;
    const int k = rarestCount_[static_cast<std::size_t>(n)];
    if (k == 0) continue;
    const double v = value(n, k);
    if (v > best) {
      best = v;
      ties.assign(1, n);
    } else if (v == best) {
      ties.push_back(n);
    }
  }
}

// The next rarest range above `below` among the taxa not met that the tied
// cells hold, and the tied cells holding most of that range (in the order
// of `ties`). A range that none of them holds would give every cell 0, so
// the smallest range they hold is the next level. False when there is none.
bool NearMinimumCore::nextLevel(const std::vector<int>& ties, int& below, std::vector<int>& best) const {
  int level = kNoRange;
  for (int n : ties) {
    const int end = rangeStart_[static_cast<std::size_t>(n) + 1];
    for (int k = firstSlotAbove(n, below); k < end; ++k)
      if (slotLive_[static_cast<std::size_t>(k)] > 0) {
        level = std::min(level, slotRange_[static_cast<std::size_t>(k)]);
        break;
      }
  }
  if (level == kNoRange) return false;
  best.clear();
  double m = 0.0;
  for (int n : ties) {
    const int k = liveAt(n, level);
    if (k == 0) continue;
    const double v = value(n, k);
    if (v > m) {
      m = v;
      best.assign(1, n);
    } else if (v == m) {
      best.push_back(n);
    }
  }
  below = level;
  return true;
}

int NearMinimumCore::lastTieBreak(const std::vector<int>& ties) {
  if (o_.randomTie) return ties[static_cast<std::size_t>(rng_.choose(static_cast<int>(ties.size())))];
  return ties.back();
}

void NearMinimumCore::appendInLoop(int n, int rule, int ties) {
  append(n, rule, ties, kStatusSelected);
  if (onGrown) onGrown(count() - grownFrom_);
  for (int t : l_.taxaIn(n)) {
    if (!l_.counts(t)) continue;
    ++rep_[static_cast<std::size_t>(t)];
    if (!met_[static_cast<std::size_t>(t)] && rep_[static_cast<std::size_t>(t)] >= o_.goal) meet(t);
  }
}

void NearMinimumCore::growSet() {
  std::vector<int> t1, t2, t3, t4;
  while (count() <= cells_) {
    ensureRarest();
    if (rarest_ == kNoRange) break;
    if (count() >= o_.capacity) {
      capacityReached = true;
      break;
    }
    rarestTies(t1);
    if (t1.empty()) break;
    const int k1 = static_cast<int>(t1.size());
    if (k1 == 1) {
      appendInLoop(t1[0], 2, 1);
      continue;
    }
    int below = rarest_;
    if (!nextLevel(t1, below, t2)) {
      appendInLoop(lastTieBreak(t1), 20, k1);
    } else if (t2.size() == 1) {
      appendInLoop(t2[0], 3, k1);
    } else if (!o_.extraTies) {
      appendInLoop(lastTieBreak(t2), 7, k1);
    } else if (!nextLevel(t2, below, t3)) {
      appendInLoop(lastTieBreak(t2), 30, k1);
    } else if (t3.size() == 1) {
      appendInLoop(t3[0], 4, k1);
    } else if (!nextLevel(t3, below, t4)) {
      appendInLoop(lastTieBreak(t3), 40, k1);
    } else if (t4.size() == 1) {
      appendInLoop(t4[0], 5, k1);
    } else {
      appendInLoop(lastTieBreak(t4), 6, k1);
    }
  }
}

void NearMinimumCore::removeFrom(int position) {
  const int n = set_[static_cast<std::size_t>(position - 1)];
  if (l_.valid(n)) {
    inSet_[static_cast<std::size_t>(n)] = 0;
    status_[static_cast<std::size_t>(n)] = 0;
  }
  set_.erase(set_.begin() + (position - 1));
}

// Removing an area only lowers the other areas' counts, so an area found
// needed stays needed: starting again from the first non-seed position
// would pass the same areas again, and the scan can go on where it is.
void NearMinimumCore::rejectRedundant() {
  std::vector<int> ns = presences(static_cast<std::size_t>(seeds_));
  for (int p = seeds_ + 1; p <= count();) {
    const int n = set_[static_cast<std::size_t>(p - 1)];
    bool needed = false;
    if (l_.valid(n))
      for (int t : l_.taxaIn(n))
        if (l_.counts(t) && ns[static_cast<std::size_t>(t)] - 1 < o_.goal) {
          needed = true;
          break;
        }
    if (needed) {
      ++p;
      continue;
    }
    if (l_.valid(n))
      for (int t : l_.taxaIn(n)) ns[static_cast<std::size_t>(t)] -= l_.counts(t) ? 1 : 0;
    removeFrom(p);
    ++rejected;
  }
}

// Each included taxon's sole area: the one area of the set holding it, or 0.
void NearMinimumCore::recordSoleAreas() {
  sole_.assign(static_cast<std::size_t>(l_.taxa()), 0);
  std::vector<int> holders(static_cast<std::size_t>(l_.taxa()), 0);
  for (int a : set_)
    if (l_.valid(a))
      for (int t : l_.taxaIn(a))
        if (l_.counts(t) && ++holders[static_cast<std::size_t>(t)] == 1) sole_[static_cast<std::size_t>(t)] = a;
  for (int t = 0; t < l_.taxa(); ++t)
    if (holders[static_cast<std::size_t>(t)] != 1) sole_[static_cast<std::size_t>(t)] = 0;
}

bool NearMinimumCore::exchangeAllowed(int c, int pa, int pb, const std::vector<int>& ns) {
  const int a = set_[static_cast<std::size_t>(pa - 1)];
  const int b = set_[static_cast<std::size_t>(pb - 1)];
  if (o_.byCost && !(cost(c) < cost(a) + cost(b))) return false;
  if (!l_.valid(a) || !l_.valid(b)) return true;
  // Taxa of both areas and of no other non-seed area would be lost unless c
  // holds them. Both lists are ascending.
  mark_.resize(static_cast<std::size_t>(l_.taxa()), 0);
  for (int t : l_.taxaIn(c)) mark_[static_cast<std::size_t>(t)] = 1;
  bool allowed = true;
  const auto ta = l_.taxaIn(a), tb = l_.taxaIn(b);
  auto i = ta.begin(), j = tb.begin();
  while (allowed && i != ta.end() && j != tb.end()) {
    if (*i < *j) {
      ++i;
    } else if (*j < *i) {
      ++j;
    } else {
      const int t = *i;
      if (l_.counts(t) && ns[static_cast<std::size_t>(t)] == 2 && !mark_[static_cast<std::size_t>(t)]) allowed = false;
      ++i;
      ++j;
    }
  }
  for (int t : l_.taxaIn(c)) mark_[static_cast<std::size_t>(t)] = 0;
  return allowed;
}

void NearMinimumCore::exchangeTwoForOne() {
  std::vector<int> count(static_cast<std::size_t>(cells_) + 1, 0), touched;
  for (;;) {
    recordSoleAreas();
    const int first = seeds_ + 1;
    std::vector<std::vector<int>> soleOf(set_.size() + 1);
    std::vector<int> position(static_cast<std::size_t>(cells_) + 1, 0);
    for (int p = first; p <= this->count(); ++p)
      if (const int a = set_[static_cast<std::size_t>(p - 1)]; l_.valid(a)) position[static_cast<std::size_t>(a)] = p;
    for (int t = 0; t < l_.taxa(); ++t)
      if (const int a = sole_[static_cast<std::size_t>(t)]; a > 0 && position[static_cast<std::size_t>(a)] > 0)
        soleOf[static_cast<std::size_t>(position[static_cast<std::size_t>(a)])].push_back(t);
    // (alternative cell, position) in order of position, then of cell.
    std::vector<std::pair<int, int>> pairs;
    for (int p = first; p <= this->count(); ++p) {
      const auto& taxa = soleOf[static_cast<std::size_t>(p)];
      if (taxa.empty()) continue;
      touched.clear();
      for (int t : taxa)
        for (int n : l_.unitsOf(t))
          if (n <= cells_ && count[static_cast<std::size_t>(n)]++ == 0) touched.push_back(n);
      std::sort(touched.begin(), touched.end());
      const int a = set_[static_cast<std::size_t>(p - 1)];
      for (int n : touched) {
        if (n != a && count[static_cast<std::size_t>(n)] == static_cast<int>(taxa.size())) pairs.emplace_back(n, p);
        count[static_cast<std::size_t>(n)] = 0;
      }
    }
    const std::vector<int> ns = presences(static_cast<std::size_t>(seeds_));
    // The pairs of one cell in list order, so that each pair meets only the
    // earlier pairs naming its cell (there may be very many pairs).
    std::vector<std::size_t> byCell(pairs.size()), rank(pairs.size());
    std::iota(byCell.begin(), byCell.end(), std::size_t{0});
    std::sort(byCell.begin(), byCell.end(), [&](std::size_t a, std::size_t b) {
      return pairs[a].first != pairs[b].first ? pairs[a].first < pairs[b].first : a < b;
    });
    std::vector<std::size_t> groupStart(pairs.size());
    for (std::size_t k = 0; k < byCell.size(); ++k) {
      rank[byCell[k]] = k;
      groupStart[k] = k > 0 && pairs[byCell[k - 1]].first == pairs[byCell[k]].first ? groupStart[k - 1] : k;
    }
    bool exchanged = false;
    for (std::size_t i = 1; i < pairs.size() && !exchanged; ++i) {
      for (std::size_t k = groupStart[rank[i]]; k < rank[i] && !exchanged; ++k) {
        const std::size_t j = byCell[k];
        const int c = pairs[i].first, pa = pairs[i].second, pb = pairs[j].second;
        if (!exchangeAllowed(c, pa, pb, ns)) continue;
        // Without costs the earlier area makes way, with costs the later.
        const int replaced = o_.byCost ? pa : pb, removed = o_.byCost ? pb : pa;
        const int old = set_[static_cast<std::size_t>(replaced - 1)];
        if (l_.valid(old)) {
          inSet_[static_cast<std::size_t>(old)] = 0;
          status_[static_cast<std::size_t>(old)] = 0;
        }
        set_[static_cast<std::size_t>(replaced - 1)] = c;
        inSet_[static_cast<std::size_t>(c)] = 1;
        status_[static_cast<std::size_t>(c)] = kStatusSelected;
        removeFrom(removed);
        ++rejected;
        exchanged = true;
      }
    }
    if (!exchanged) return;
  }
}

// A main run on one analysis's data: the rule on the occurrence lists, with
// the unit marks, the per-taxon fields, the re-orderings, the cuts and the
// report lines around it.
class MainRun {
 public:
  MainRun(const AnalysisData& a, const SelectionIndex& x, const RunRequest& req, AreaSet& areas, Feedback& feedback,
          const std::vector<CellMark>& start)
      : a_(a),
        x_(x),
        req_(req),
        o_(req.params),
        set_(areas),
        fb_(feedback),
        cells_(x.cells),
        marks_(start.empty() ? std::vector<CellMark>(static_cast<std::size_t>(std::max(a.gridUnits, x.cells)) + 2)
                             : start),
        lists_{x.ix, x.included, x.cells},
        core_(lists_, areas.cells, seedsAtStart(areas, o_), ruleOptions(o_), costs_, rng_) {}

  RunOutcome run();

 private:
  static int seedsAtStart(const AreaSet& set, const NearMinimumParams& o) { return o.includeSeeds ? 0 : set.count(); }
  static RuleOptions ruleOptions(const NearMinimumParams& o) {
    RuleOptions r;
    r.goal = o.goal;
    r.extraTies = o.extraTieBreaks;
    r.randomTie = o.lastTieRandom;
    r.byCost = o.byCost;
    r.capacity = o.capacity;
    return r;
  }
  CellMark& cell(int n) { return marks_[static_cast<std::size_t>(n)]; }
  double cost(int n) const { return x_.valid(n) ? a_.unitCost(n) : 0.0; }
  bool coverage() const { return req_.kind != RunKind::NearMinimum; }
  bool reorderedByRichnessOrRarity() const {
    return o_.reordering == Reordering::kByRichness || o_.reordering == Reordering::kByRarity;
  }
  int seeds() const { return std::clamp(set_.seedCount, 0, set_.count()); }

  void clearCells();
  void copyRuleCodes(int startCount);
  void writeRuleSummary();
  void reorder();
  void score();
  void cutToNumber();
  void cutToBudget();
  void complementOnResidue(double residue, int uncutCount);
  void finish();

  const AnalysisData& a_;
  const SelectionIndex& x_;
  const RunRequest& req_;
  const NearMinimumParams& o_;
  AreaSet& set_;
  Feedback& fb_;
  const int cells_;
  std::vector<CellMark> marks_;
  Random rng_;
  std::vector<double> costs_;
  OccurrenceLists lists_;
  NearMinimumCore core_;
  RunOutcome out_;
};

void MainRun::clearCells() {
  const int last = static_cast<int>(marks_.size()) - 1;
  for (int n = 0; n <= std::min(last, a_.gridUnits); ++n) {
    CellMark& c = cell(n);
    c.score = 0.0;
    c.count = 0;
    c.flexClass = 0;
    c.ruleCode = 0;
    c.tieCount = 0;
  }
  costs_.assign(static_cast<std::size_t>(cells_) + 1, 0.0);
  for (int n = 1; n <= cells_; ++n) costs_[static_cast<std::size_t>(n)] = cost(n);
}

// The rule code of each area the run added and the ties of each step, where
// the map and the report read them.
void MainRun::copyRuleCodes(int startCount) {
  const std::vector<int>& ties = core_.tiesByStep();
  for (int p = startCount + 1; p <= set_.count(); ++p) {
    cell(set_.cells[static_cast<std::size_t>(p - 1)]).ruleCode =
        core_.rule(set_.cells[static_cast<std::size_t>(p - 1)]);
    if (p < static_cast<int>(marks_.size())) cell(p).tieCount = ties[static_cast<std::size_t>(p)];
  }
}

void MainRun::writeRuleSummary() {
  std::string& r = out_.results;
  r += req_.report.header;
  r += "\n  PRIORITY-AREAS ANALYSIS.\n\n  Selection rule summary by area sequence\n\n"
       "  Choices                      Selection\n  step  area                   ties  rule\n\n";
  for (int p = 1; p <= set_.count(); ++p) {
    const int n = set_.cells[static_cast<std::size_t>(p - 1)];
    const int rule = x_.valid(n) ? cell(n).ruleCode : 0;
    const std::string name = req_.report.name(n);
    const std::string label = ruleLabel(rule, o_.lastTieRandom);
    if (rule == 1) r += strprintf("%6d%6d %-16s    -  %s\n", p, n, name.c_str(), label.c_str());
    else r += strprintf("%6d%6d %-16s%5d  %s\n", p, n, name.c_str(), cell(p).tieCount - 1, label.c_str());
  }
}

void MainRun::reorder() {
  if (reorderedByRichnessOrRarity()) {
    std::vector<double> weight(static_cast<std::size_t>(x_.ix.taxa), 1.0);
    if (o_.reordering == Reordering::kByRarity)
      for (int t = 0; t < x_.ix.taxa; ++t)
        weight[static_cast<std::size_t>(t)] = rarityValue(o_.formula, x_.range(t), a_.gridUnits);
    std::vector<double> costs;
    if (o_.byCost) {
      costs.assign(static_cast<std::size_t>(cells_) + 1, 0.0);
      for (int n = 1; n <= cells_; ++n) costs[static_cast<std::size_t>(n)] = cost(n);
    }
    reorderByGain(set_, x_, weight, o_.byCost ? &costs : nullptr);
  } else if (o_.reordering == Reordering::kNone || coverage()) {
    scorePlacedAreas(marks_, reorderByRichnessPasses(set_, x_));
  } else if (o_.reordering == Reordering::kByThreat && o_.threatPresent && o_.goal == 1) {
    reorderByThreat(set_, a_.threat);
  }
}

void MainRun::score() {
  std::vector<int> soleCount(static_cast<std::size_t>(cells_) + 1, 0);
  for (int a : core_.sole())
    if (a > 0 && a <= cells_) ++soleCount[static_cast<std::size_t>(a)];
  const int count = set_.count();
  for (int q = seeds() + 1; q <= count; ++q) {
    const int n = set_.cells[static_cast<std::size_t>(q - 1)];
    if (!x_.valid(n)) continue;
    CellMark& c = cell(n);
    if (!o_.flexibilityMap || o_.goal > 1) {
      c.count = q;
      c.score = count - q + 1;
    } else {
      c.count = soleCount[static_cast<std::size_t>(n)];
      c.score = core_.status(n);
    }
  }
}

void MainRun::cutToNumber() {
  const int nonSeed = set_.count() - seeds();
  if (nonSeed < req_.areasToAdd) return;
  out_.fullSize = nonSeed > 0 ? nonSeed : set_.count();
  while (set_.count() > seeds() + std::max(0, req_.areasToAdd)) {
    const int n = set_.cells.back();
    if (x_.valid(n)) {
      cell(n).count = 0;
      cell(n).score = 0.0;
    }
    core_.removeFrom(set_.count());
  }
}

void MainRun::cutToBudget() {
  const double budget = req_.budget;
  if (out_.fullCost < budget) return;
  const int nonSeed = set_.count() - seeds();
  out_.fullSize = nonSeed > 0 ? nonSeed : set_.count();
  const int uncutCount = set_.count();
  double residue = 0.0;
  if (out_.fullCost > budget) {
    double running = 0.0;
    std::size_t fill = static_cast<std::size_t>(seeds());
    while (fill < set_.cells.size() && running + cost(set_.cells[fill]) <= budget) running += cost(set_.cells[fill++]);
    residue = budget - running;
    for (;;) {
      std::size_t j = fill;
      while (j < set_.cells.size() && !(cost(set_.cells[j]) <= residue)) ++j;
      if (j >= set_.cells.size()) break;
      std::swap(set_.cells[j], set_.cells[fill]);
      residue -= cost(set_.cells[fill]);
      ++fill;
    }
    while (set_.cells.size() > fill) {
      const int n = set_.cells.back();
      if (x_.valid(n)) {
        cell(n).count = 0;
        cell(n).score = 0.0;
      }
      core_.removeFrom(set_.count());
    }
  }
  if (o_.goal == 1) complementOnResidue(residue, uncutCount);
}

// The cell within the budget residue that adds most taxa not represented.
void MainRun::complementOnResidue(double residue, int uncutCount) {
  if (set_.count() >= o_.capacity) return;
  std::vector<char> represented(static_cast<std::size_t>(x_.ix.taxa), 0);
  for (int a : set_.cells)
    if (x_.valid(a))
      for (int t : x_.ix.taxaIn(a)) represented[static_cast<std::size_t>(t)] = 1;
  int best = 0, bestCell = 0, same = 0;
  for (int n = 1; n <= cells_; ++n) {
    if (!(cost(n) > 0.0 && cost(n) <= residue)) continue;
    int k = 0;
    for (int t : x_.ix.taxaIn(n)) k += x_.counts(t) && !represented[static_cast<std::size_t>(t)];
    if (k > best) {
      best = k;
      bestCell = n;
      same = 1;
    } else if (k == best && k > 0) {
      ++same;
    }
  }
  if (best == 0) return;
  core_.append(bestCell, 0, 1, kStatusSelected);
  CellMark& c = cell(bestCell);
  const int q = set_.count();
  c.ruleCode = 0;
  if (q < static_cast<int>(marks_.size())) cell(q).tieCount = 1;
  if (o_.flexibilityMap) {
    c.count = best;
    for (int t : x_.ix.taxaIn(bestCell)) {
      if (!x_.counts(t) || represented[static_cast<std::size_t>(t)]) continue;
      core_.sole()[static_cast<std::size_t>(t)] = bestCell;
      c.score = x_.range(t) == 1 ? 4.0 : 3.0;
    }
  } else {
    c.count = q;
    c.score = 1.0;
  }
  if (o_.longReports)
    out_.results += strprintf("%6d%6d %-16s%5d  %s\n", uncutCount + 1, bestCell, req_.report.name(bestCell).c_str(),
                              same - 1, "  (maximum complement on budget residue)");
}

void MainRun::finish() {
  if (coverage() && o_.goal == 1) {
    std::vector<char> kept(static_cast<std::size_t>(cells_) + 1, 0);
    for (int p = seeds(); p < set_.count(); ++p)
      if (const int a = set_.cells[static_cast<std::size_t>(p)]; x_.valid(a)) kept[static_cast<std::size_t>(a)] = 1;
    for (int& a : core_.sole())
      if (a > 0 && (a > cells_ || !kept[static_cast<std::size_t>(a)])) a = 0;
  }
  if (o_.longReports) out_.results += "\n\n\n";
  if (reorderedByRichnessOrRarity() && o_.goal == 1) {
    set_.nearMinimumDone = true;
    std::vector<char> nonSeed(static_cast<std::size_t>(cells_) + 1, 0);
    for (int p = seeds(); p < set_.count(); ++p)
      if (const int a = set_.cells[static_cast<std::size_t>(p)]; x_.valid(a)) nonSeed[static_cast<std::size_t>(a)] = 1;
    for (int t = 0; t < x_.ix.taxa; ++t) {
      const int a = core_.sole()[static_cast<std::size_t>(t)];
      if (a <= 0 || a > cells_ || !nonSeed[static_cast<std::size_t>(a)]) continue;
      CellMark& area = cell(a);
      if (x_.range(t) == 1) area.flexClass = 2;
      else if (area.flexClass == 0) area.flexClass = 1;
      if (o_.flexibilityPartial)
        for (int n : x_.ix.unitsOf(t))
          if (n <= cells_ && cell(n).score == 0.0) cell(n).score = 2.0;
    }
  }
  // The cards keep each taxon's sole area and representation count.
  out_.repCount = x_.presences(set_.cells);
  out_.soleArea.assign(static_cast<std::size_t>(x_.ix.taxa), 0);
  for (int t = 0; t < x_.ix.taxa; ++t) {
    if (!core_.sole().empty()) out_.soleArea[static_cast<std::size_t>(t)] = core_.sole()[static_cast<std::size_t>(t)];
    out_.represented += x_.counts(t) && out_.repCount[static_cast<std::size_t>(t)] > 0;
  }
  out_.status.assign(static_cast<std::size_t>(cells_) + 1, 0);
  for (int n = 1; n <= cells_; ++n) out_.status[static_cast<std::size_t>(n)] = core_.status(n);
}

RunOutcome MainRun::run() {
  if (!a_.data) return out_;
  out_.ran = true;
  set_.seedCount = o_.includeSeeds ? 0 : set_.count();
  set_.nearMinimumDone = false;
  Stopwatch watch(fb_);
  const int items = coverage() ? std::max(0, req_.areasToAdd) : a_.totals.taxaWithRecords;
  SelectionProgress progress(fb_, items);
  if (coverage()) core_.onGrown = [&progress](int added) { progress.reach(added); };
  else core_.onMet = [&progress](int met) { progress.reach(met); };
  if (o_.lastTieRandom) rng_.seed(o_.seed ? *o_.seed : static_cast<std::uint32_t>(fb_.timeOfDay()));

  clearCells();
  core_.begin();
  const int startCount = set_.count();
  core_.forceIrreplaceable();
  core_.countRepresentations();
  core_.buildLists();
  core_.growSet();
  copyRuleCodes(startCount);
  for (int p = 1; p <= set_.count(); ++p)
    out_.ties.push_back(p < static_cast<int>(marks_.size()) ? cell(p).tieCount : 0);
  if (o_.longReports) writeRuleSummary();
  if (o_.rejectRedundant) core_.rejectRedundant();
  core_.recordSoleAreas();
  if (reorderedByRichnessOrRarity() && o_.rejectRedundant) core_.exchangeTwoForOne();
  out_.rejected = core_.rejected;
  reorder();
  score();

  const int nonSeed = set_.count() - seeds();
  out_.fullSize = nonSeed;
  for (int p = seeds(); p < set_.count(); ++p)
    if (const int a = set_.cells[static_cast<std::size_t>(p)]; x_.valid(a)) out_.fullCost += cost(a);
  if (req_.kind == RunKind::CoverageByNumber) cutToNumber();
  if (req_.kind == RunKind::CoverageByBudget) cutToBudget();
  finish();
  out_.areasShown =
      o_.includeSeeds || (coverage() && !o_.mapAllFlexible) ? AreasShown::kSeedsAndSelected : AreasShown::kSeeds;
  out_.capacityReached = core_.capacityReached;
  out_.marks = std::move(marks_);
  out_.seconds = watch.seconds();
  return out_;
}

}  // namespace

RunOutcome runMainRun(const AnalysisData& data, const SelectionIndex& x, const RunRequest& request, AreaSet& areas,
                      Feedback& feedback, const std::vector<CellMark>& start) {
  return MainRun(data, x, request, areas, feedback, start).run();
}

std::vector<CellMark> cellMarks(const Workspace& ws) {
  std::vector<CellMark> m(ws.cells.size());
  for (std::size_t n = 0; n < m.size(); ++n) {
    const GridCell& c = ws.cells[n];
    m[n] = CellMark{c.score, c.count, c.flexClass, c.ruleCode, c.tieCount};
  }
  return m;
}

NearMinimumSet nearMinimumOnLists(const Occurrences& lists, const std::vector<char>& counted,
                                  const std::vector<int>& seeds, const NearMinimumRule& rule) {
  NearMinimumSet out;
  out.areas = seeds;
  RuleOptions o;
  o.goal = std::max(1, rule.goal);
  o.extraTies = rule.extraTieBreaks;
  o.randomTie = rule.lastTieRandom;
  o.byCost = !rule.cost.empty();
  o.capacity = lists.units;
  Random rng;
  rng.seed(rule.seed);
  const OccurrenceLists view{lists, counted, lists.units};
  NearMinimumCore core(view, out.areas, static_cast<int>(seeds.size()), o, rule.cost, rng);
  core.begin();
  core.forceIrreplaceable();
  core.countRepresentations();
  core.buildLists();
  core.growSet();
  if (rule.rejectRedundant) core.rejectRedundant();
  if (rule.rejectRedundant && rule.exchangeTwoForOne && o.goal == 1) core.exchangeTwoForOne();
  out.rejected = core.rejected;
  return out;
}

namespace {

NearMinimumParams optionParams(const NearMinimumRunParams& p, const Settings& st) {
  NearMinimumParams params = nearMinimumParams(st, p.costs, SelectionEnv{p.threatPresent, p.seed});
  params.capacity = p.capacity;
  return params;
}

RunRequest runRequest(const NearMinimumRunParams& p, const NearMinimumParams& params) {
  return RunRequest{
      .kind = RunKind::NearMinimum, .areasToAdd = p.areas, .budget = p.budget, .params = params, .report = p.report};
}

}  // namespace

NearMinimumRun nearMinimumSetRun(const AnalysisData& data, const SelectionIndex& x, const NearMinimumRunParams& p,
                                 Feedback& feedback) {
  NearMinimumRun a;
  a.params = optionParams(p, p.settings);
  a.set = p.start;
  a.run = runMainRun(data, x, runRequest(p, a.params), a.set, feedback, p.marks);
  a.results = a.run.results;
  a.capacityReached = a.run.capacityReached;
  a.seconds = a.run.seconds;
  return a;
}

NearMinimumRun coverageSetRun(const AnalysisData& data, const SelectionIndex& x, const NearMinimumRunParams& p,
                              Feedback& feedback) {
  // The first run re-orders by richness for goal 1.
  Settings first = p.settings;
  first.reordering = Reordering::kByRichness;
  first.nearMinimumGoal = 1;
  NearMinimumRun a;
  a.params = optionParams(p, first);
  a.set = p.start;
  if (!data.data) return a;
  Stopwatch watch(feedback);
  // A goal above every range forces every occupied cell in: the set cannot
  // grow beyond that, so the goal is raised no further.
  int largestRange = 0;
  for (int t = 0; t < x.ix.taxa; ++t)
    if (x.counts(t)) largestRange = std::max(largestRange, x.range(t));
  RunRequest r = runRequest(p, a.params);
  // A budget is spent in the units' costs, which are 1 each where the data
  // carry none (a project without costs), as an exact coverage spends it.
  r.kind = p.byBudget ? RunKind::CoverageByBudget : RunKind::CoverageByNumber;
  std::vector<CellMark> marks = p.marks;
  for (;;) {
    a.run = runMainRun(data, x, r, a.set, feedback, marks);
    a.params = r.params;
    a.results += a.run.results;
    a.capacityReached = a.capacityReached || a.run.capacityReached;
    const bool tooSmall =
        r.kind == RunKind::CoverageByBudget ? a.run.fullCost < p.budget : a.set.count() - a.set.seedCount < p.areas;
    if (!tooSmall || r.params.goal >= largestRange || a.run.capacityReached) break;
    // The next run goes without re-ordering, whose flexibility options
    // apply to goal 1 alone.
    r.params.reordering = Reordering::kNone;
    ++r.params.goal;
    r.params.flexibilityMap = r.params.flexibilityPartial = r.params.mapAllFlexible = false;
    marks = a.run.marks;
    a.set = p.start;
  }
  a.seconds = watch.seconds();
  return a;
}

}  // namespace zn
