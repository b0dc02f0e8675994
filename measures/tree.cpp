#include "measures/tree.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "measures/presence.h"
#include "measures/richness.h"
#include "measures/scores.h"
#include "store/codetree.h"

namespace zn {

namespace {

constexpr const char* kNoTreeData = "Requires tree data\n- data absent or inconsistent";
constexpr int kPositions = 32;

// Without tree data the measure refuses with a message and runs not.
MeasureResult noTreeData(const char* caption) {
  MeasureResult r;
  r.notice = Notice{kNoTreeData, caption, Icon::Information};
  return r;
}

struct CellValue {
  double score = 0.0;
  int count = 0;
};

// Characters of code from q up to its first '0' at or after q (32 if none).
int depthFrom(const unsigned char* code, int q) {
  int e = q;
  while (e < kPositions && code[e] != '0') ++e;
  return e - q;
}

// Tree lengths (as CodeTree gives them) of many sub-lists of one set of
// taxa. Every cell's list is a sub-list of the included taxa, so the prefix
// tree of all their codes is built once, and a list is added by marking the
// paths of its codes in that tree: an earlier code turns off where a marked
// node on the new code's path has another marked child. Only branch points
// of the whole tree can be such places, so a code costs the few branch
// points on its path rather than a walk and an insertion in a new tree.
class SubListLengths {
 public:
  // codes: kPositions bytes a taxon, for `taxa` taxa.
  SubListLengths(const unsigned char* codes, int taxa, const std::vector<int>& included, int g)
      : codes_(codes), g_(std::clamp(g, 0, kPositions)), uid_(static_cast<std::size_t>(taxa), -1) {
    build(included);
  }

  void add(int t) {
    const int u = uid_[static_cast<std::size_t>(t)];
    const unsigned char* code = codeOf(t);
    if (count_ == 0) {
      first_ = code;
      mark(u);
      count_ = 1;
      return;
    }
    int p = g_;
    while (p < kPositions && code[p] == first_[p]) ++p;
    maxFirst_ = std::max(maxFirst_, depthFrom(first_, p));

    const std::size_t begin = pathStart_[static_cast<std::size_t>(u)];
    const std::size_t end = pathStart_[static_cast<std::size_t>(u) + 1];
    int m = kNone;
    for (std::size_t j = begin; j < end; ++j) {
      const int node = pathNode_[j];
      if (j + 1 == end) {
        if (visited_[static_cast<std::size_t>(node)]) m = 0;  // an identical earlier code
        break;
      }
      const int child = pathNode_[j + 1];
      const int childVisited = visited_[static_cast<std::size_t>(child)];
      if (markedChildren_[static_cast<std::size_t>(node)] - childVisited > 0) m = std::min(m, pathDepth_[j]);
      if (!childVisited) break;
    }
    mark(u);
    if (m > 0 && m < kNone) sum_ += m;
    ++count_;
  }

  int size() const { return count_; }
  double length() const { return 1.0 + static_cast<double>(sum_) + static_cast<double>(maxFirst_); }

  // The list as it stands becomes the one restore() comes back to.
  void keep() {
    kept_ = {sum_, maxFirst_, count_, first_};
    keptVisited_ = visited_;
    keptMarked_ = markedChildren_;
    touched_.clear();
  }
  void restore() {
    for (int n : touched_) {
      visited_[static_cast<std::size_t>(n)] = keptVisited_[static_cast<std::size_t>(n)];
      markedChildren_[static_cast<std::size_t>(n)] = keptMarked_[static_cast<std::size_t>(n)];
    }
    touched_.clear();
    sum_ = kept_.sum;
    maxFirst_ = kept_.maxFirst;
    count_ = kept_.count;
    first_ = kept_.first;
  }

 private:
  static constexpr int kNone = 10000;

  // Sorts the distinct codes, makes the tree of their branch points from the
  // common prefixes of neighbours, and lists each code's path from the root.
  void build(const std::vector<int>& taxa) {
    const auto width = static_cast<std::size_t>(kPositions - g_);
    auto tail = [&](int t) { return codeOf(t) + g_; };
    std::vector<int> order(taxa);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
      const int c = std::memcmp(tail(a), tail(b), width);
      return c != 0 ? c < 0 : a < b;
    });
    std::vector<int> leafOfUid, stack;
    std::vector<const unsigned char*> codeOfUid;
    auto newNode = [&](int depth) {
      depth_.push_back(depth);
      parent_.push_back(-1);
      return static_cast<int>(depth_.size()) - 1;
    };
    for (std::size_t i = 0; i < order.size(); ++i) {
      const int t = order[i];
      if (i > 0 && std::memcmp(tail(order[i - 1]), tail(t), width) == 0) {
        uid_[static_cast<std::size_t>(t)] = static_cast<int>(leafOfUid.size()) - 1;
        continue;
      }
      const int leaf = newNode(kPositions);
      if (!stack.empty()) {
        int d = g_;
        const unsigned char* prev = codeOfUid.back();
        while (d < kPositions && prev[d] == codeOf(t)[d]) ++d;
        int last = -1;
        while (!stack.empty() && depth_[static_cast<std::size_t>(stack.back())] > d) {
          last = stack.back();
          stack.pop_back();
        }
        if (stack.empty() || depth_[static_cast<std::size_t>(stack.back())] < d) {
          const int inner = newNode(d);
          parent_[static_cast<std::size_t>(last)] = inner;
          parent_[static_cast<std::size_t>(inner)] = stack.empty() ? -1 : stack.back();
          stack.push_back(inner);
        }
        parent_[static_cast<std::size_t>(leaf)] = stack.back();
      }
      stack.push_back(leaf);
      uid_[static_cast<std::size_t>(t)] = static_cast<int>(leafOfUid.size());
      leafOfUid.push_back(leaf);
      codeOfUid.push_back(codeOf(t));
    }
    std::vector<int> path;
    pathStart_.assign(1, 0);
    for (std::size_t u = 0; u < leafOfUid.size(); ++u) {
      path.clear();
      for (int n = leafOfUid[u]; n >= 0; n = parent_[static_cast<std::size_t>(n)]) path.push_back(n);
      for (auto it = path.rbegin(); it != path.rend(); ++it) {
        pathNode_.push_back(*it);
        pathDepth_.push_back(depthFrom(codeOfUid[u], std::min(depth_[static_cast<std::size_t>(*it)], kPositions)));
      }
      pathStart_.push_back(pathNode_.size());
    }
    visited_.assign(depth_.size(), 0);
    markedChildren_.assign(depth_.size(), 0);
  }

  void mark(int u) {
    const std::size_t begin = pathStart_[static_cast<std::size_t>(u)];
    const std::size_t end = pathStart_[static_cast<std::size_t>(u) + 1];
    for (std::size_t j = begin; j < end; ++j) {
      const int node = pathNode_[j];
      if (visited_[static_cast<std::size_t>(node)]) continue;
      visited_[static_cast<std::size_t>(node)] = 1;
      touched_.push_back(node);
      if (j > begin) {
        ++markedChildren_[static_cast<std::size_t>(pathNode_[j - 1])];
        touched_.push_back(pathNode_[j - 1]);
      }
    }
  }

  const unsigned char* codeOf(int t) const { return codes_ + static_cast<std::size_t>(t) * kPositions; }

  const unsigned char* codes_;
  const int g_;
  std::vector<int> uid_;  // taxon -> distinct code
  std::vector<int> depth_, parent_;
  std::vector<std::size_t> pathStart_;
  std::vector<int> pathNode_, pathDepth_;

  std::vector<char> visited_;
  std::vector<int> markedChildren_;
  std::vector<int> touched_;
  long long sum_ = 0;
  int maxFirst_ = 0;
  int count_ = 0;
  const unsigned char* first_ = nullptr;

  struct Kept {
    long long sum = 0;
    int maxFirst = 0;
    int count = 0;
    const unsigned char* first = nullptr;
  } kept_;
  std::vector<char> keptVisited_;
  std::vector<int> keptMarked_;
};

// Code fields from code texts, filled out with '0' as the cards keep them.
std::vector<unsigned char> codesFromTexts(const std::vector<DatasetTaxon>& taxa) {
  std::vector<unsigned char> codes(taxa.size() * kPositions, static_cast<unsigned char>('0'));
  for (std::size_t t = 0; t < taxa.size(); ++t) {
    unsigned char* code = codes.data() + t * kPositions;
    std::memcpy(code, taxa[t].code.data(), std::min<std::size_t>(taxa[t].code.size(), kPositions - 1));
    code[kPositions - 1] = 0;
  }
  return codes;
}

// The taxa's code fields: the data's own, else made from the code texts.
const unsigned char* codeFields(const AnalysisData& a, std::vector<unsigned char>& made) {
  if (a.codeFields.size() >= static_cast<std::size_t>(a.taxa()) * kPositions) return a.codeFields.data();
  made = codesFromTexts(a.data->taxa);
  made.resize(static_cast<std::size_t>(a.taxa()) * kPositions, 0);
  return made.data();
}

// The new taxa of each cell (included, not represented) as one bit row per
// cell: word-wide steps, for data whose units x taxa bits are few.
class FreshRows {
 public:
  FreshRows(const AnalysisData& data, const std::vector<int>& included)
      : words_((static_cast<std::size_t>(data.taxa()) + 63) / 64),
        bits_((static_cast<std::size_t>(data.units()) + 1) * words_, 0),
        represented_(words_, 0),
        any_(words_, 0) {
    for (int t : included) {
      const std::uint64_t bit = std::uint64_t(1) << (t % 64);
      const auto w = static_cast<std::size_t>(t / 64);
      for (int n : data.occ().unitsOf(t)) row(n)[w] |= bit;
    }
  }
  template <class F>
  void represent(int a, F add) {
    forEachBit(row(a), [&](int t) {
      std::uint64_t& word = represented_[static_cast<std::size_t>(t / 64)];
      const std::uint64_t bit = std::uint64_t(1) << (t % 64);
      if (word & bit) return;
      word |= bit;
      add(t);
    });
  }
  // Makes row h its new taxa; returns their count and hash.
  std::pair<int, std::uint64_t> take(int h) {
    std::uint64_t* fresh = row(h);
    std::uint64_t hash = 1469598103934665603ULL;
    int k = 0;
    for (std::size_t w = 0; w < words_; ++w) {
      fresh[w] &= ~represented_[w];
      any_[w] |= fresh[w];
      k += std::popcount(fresh[w]);
      hash = (hash ^ fresh[w]) * 1099511628211ULL;
    }
    current_ = h;
    return {k, hash};
  }
  bool sameAsTaken(int other) const {
    return std::memcmp(row(other), row(current_), words_ * sizeof(std::uint64_t)) == 0;
  }
  template <class F>
  void forEachTaken(F f) const {
    forEachBit(row(current_), f);
  }
  int taxaCounted() const {
    int k = 0;
    for (std::uint64_t w : any_) k += std::popcount(w);
    return k;
  }

 private:
  std::uint64_t* row(int n) { return bits_.data() + static_cast<std::size_t>(n) * words_; }
  const std::uint64_t* row(int n) const { return bits_.data() + static_cast<std::size_t>(n) * words_; }
  template <class F>
  void forEachBit(const std::uint64_t* r, F f) const {
    for (std::size_t w = 0; w < words_; ++w)
      for (std::uint64_t b = r[w]; b != 0; b &= b - 1)
        f(static_cast<int>(w * 64 + static_cast<std::size_t>(std::countr_zero(b))));
  }

  std::size_t words_;
  std::vector<std::uint64_t> bits_, represented_, any_;
  int current_ = 0;
};

// The same from the occurrence lists, for data whose units x taxa bits
// would be many: work and memory follow the records.
class FreshLists {
 public:
  FreshLists(const AnalysisData& data, const std::vector<int>& included)
      : occ_(data.occ()), state_(static_cast<std::size_t>(data.taxa()), kOut), any_(state_.size(), 0) {
    for (int t : included) state_[static_cast<std::size_t>(t)] = kNew;
  }
  template <class F>
  void represent(int a, F add) {
    for (int t : occ_.taxaIn(a)) {
      char& st = state_[static_cast<std::size_t>(t)];
      if (st != kNew) continue;
      st = kRepresented;
      add(t);
    }
  }
  std::pair<int, std::uint64_t> take(int h) {
    list(h, taken_);
    std::uint64_t hash = 1469598103934665603ULL;
    for (int t : taken_) {
      any_[static_cast<std::size_t>(t)] = 1;
      hash = (hash ^ static_cast<std::uint64_t>(t)) * 1099511628211ULL;
    }
    return {static_cast<int>(taken_.size()), hash};
  }
  bool sameAsTaken(int other) {
    list(other, other_);
    return other_ == taken_;
  }
  template <class F>
  void forEachTaken(F f) const {
    for (int t : taken_) f(t);
  }
  int taxaCounted() const { return static_cast<int>(std::count(any_.begin(), any_.end(), 1)); }

 private:
  static constexpr char kNew = 0, kRepresented = 1, kOut = 2;
  void list(int h, std::vector<int>& out) const {
    out.clear();
    for (int t : occ_.taxaIn(h))
      if (state_[static_cast<std::size_t>(t)] == kNew) out.push_back(t);
  }

  const Occurrences& occ_;
  std::vector<char> state_;
  std::vector<char> any_;
  std::vector<int> taken_, other_;
};

// Every cell's value from its new taxa: the represented taxa's tree plus
// the cell's, less the represented taxa's own; cells with the same new
// taxa share one value.
template <class Fresh>
std::vector<CellValue> scoreCells(const MeasureInput& in, Fresh& fresh, SubListLengths& lengths, int& taxaCounted) {
  const int cells = in.data.units();
  const bool haveSet = !in.areas.empty();
  // The represented taxa, in set order and within an area in taxon order.
  for (int a : in.areas.cells)
    if (a >= 1 && a <= cells) fresh.represent(a, [&](int t) { lengths.add(t); });
  const double base = lengths.size() >= 2 ? lengths.length() : 0.0;
  lengths.keep();

  std::vector<CellValue> out(static_cast<std::size_t>(cells) + 1);
  std::unordered_map<std::uint64_t, std::vector<int>> byHash;
  for (int h = 1; h <= cells; ++h) {
    const auto [k, hash] = fresh.take(h);
    CellValue& v = out[static_cast<std::size_t>(h)];
    if (k == 0) continue;
    if (!haveSet && k == 1) {
      v = {kZeroScore, 1};
      continue;
    }
    auto& same = byHash[hash];
    const auto match = std::find_if(same.begin(), same.end(), [&](int other) {
      return out[static_cast<std::size_t>(other)].count == k && fresh.sameAsTaken(other);
    });
    if (match != same.end()) {
      v = out[static_cast<std::size_t>(*match)];
      continue;
    }
    same.push_back(h);
    // The same length as comparing every pair of codes.
    lengths.restore();
    fresh.forEachTaken([&](int t) { lengths.add(t); });
    v = {haveSet ? lengths.length() - base : lengths.length(), k};
  }
  taxaCounted = fresh.taxaCounted();
  return out;
}

// The whole map, computed aside so that a failure leaves the old scores.
// Every included taxon shares the group code's prefix, so comparing codes
// from their first position finds the same branch points as from past it.
std::vector<CellValue> subtreeScores(const MeasureInput& in, double rowBytesAnyway, int& taxaCounted) {
  const AnalysisData& data = in.data;
  std::vector<int> included;
  for (int t = 0; t < data.taxa(); ++t)
    if (data.counts(t)) included.push_back(t);
  std::vector<unsigned char> made;
  SubListLengths lengths(codeFields(data, made), data.taxa(), included, 0);
  // Bit rows where they take no more than the lists, or little in all.
  const std::vector<std::int64_t>& starts = data.occ().taxonStart;
  const double rowBytes = (static_cast<double>(data.units()) + 1) * ((data.taxa() + 63) / 64) * 8.0;
  const double listBytes = starts.empty() ? 0.0 : static_cast<double>(starts.back()) * 4.0;
  if (rowBytes <= std::max(listBytes, rowBytesAnyway)) {
    FreshRows rows(data, included);
    return scoreCells(in, rows, lengths, taxaCounted);
  }
  FreshLists lists(data, included);
  return scoreCells(in, lists, lengths, taxaCounted);
}

// Code characters of the made tree: any byte but '0', which ends a code.
constexpr int kFirstDigit = '1';
constexpr int kDigitBase = 256 - kFirstDigit;

int digitsFor(int siblings) {
  int w = 1;
  for (long long room = kDigitBase; room < siblings; room *= kDigitBase) ++w;
  return w;
}

// Each taxon's path from the top: its higher ranks (aligned from the
// order down), family and genus; levels no taxon names are left out.
std::vector<std::vector<std::string>> rankPaths(const std::vector<DatasetTaxon>& taxa) {
  std::size_t higher = 0;
  for (const DatasetTaxon& x : taxa) higher = std::max(higher, x.higherRanks.size());
  std::vector<std::vector<std::string>> levels(higher + 2);
  for (const DatasetTaxon& x : taxa) {
    for (std::size_t i = 0; i < higher; ++i) {
      const std::size_t up = higher - 1 - i;
      levels[i].push_back(up < x.higherRanks.size() ? x.higherRanks[up] : std::string());
    }
    levels[higher].push_back(x.family);
    levels[higher + 1].push_back(x.genus);
  }
  std::erase_if(levels, [](const std::vector<std::string>& l) {
    return std::all_of(l.begin(), l.end(), [](const std::string& v) { return v.empty(); });
  });
  return levels;
}

// Code fields from the ranks: a level's code characters number the node
// among its parent's children, the last level each taxon among its genus's
// (two taxa never share a code). Empty when the codes do not fit.
std::vector<unsigned char> codesFromRanks(const std::vector<DatasetTaxon>& taxa) {
  const std::vector<std::vector<std::string>> levels = rankPaths(taxa);
  const std::size_t n = taxa.size();
  std::vector<int> node(n, 0);  // each taxon's node on the level above
  std::vector<std::vector<int>> place(levels.size() + 1, std::vector<int>(n, 0));
  std::vector<int> width;
  for (std::size_t l = 0; l <= levels.size(); ++l) {
    // (parent, value) -> (node, place among the parent's children), in the
    // order the children first appear.
    std::map<std::pair<int, std::string>, std::pair<int, int>> nodes;
    std::vector<int> children;  // per parent
    int most = 0;
    for (std::size_t t = 0; t < n; ++t) {
      // The last level: every taxon a node of its own.
      std::string key = l < levels.size() ? levels[l][t] : std::to_string(t);
      const auto parent = static_cast<std::size_t>(node[t]);
      auto [it, added] = nodes.try_emplace({node[t], std::move(key)}, static_cast<int>(nodes.size()), 0);
      if (added) {
        if (parent >= children.size()) children.resize(parent + 1, 0);
        it->second.second = children[parent]++;
        most = std::max(most, children[parent]);
      }
      place[l][t] = it->second.second;
      node[t] = it->second.first;
    }
    width.push_back(digitsFor(most));
  }
  int total = 0;
  for (int w : width) total += w;
  if (total > kPositions - 1) return {};
  std::vector<unsigned char> codes(n * kPositions, static_cast<unsigned char>('0'));
  for (std::size_t t = 0; t < n; ++t) {
    unsigned char* code = codes.data() + t * kPositions;
    code[kPositions - 1] = 0;
    int at = 0;
    for (std::size_t l = 0; l < width.size(); ++l) {
      int v = place[l][t];
      for (int d = width[l] - 1; d >= 0; --d) {
        code[at + d] = static_cast<unsigned char>(kFirstDigit + v % kDigitBase);
        v /= kDigitBase;
      }
      at += width[l];
    }
  }
  return codes;
}

}  // namespace

bool takeTaxonTree(AnalysisData& a) {
  if (!a.data || !a.codeFields.empty()) return a.treeData;
  const std::vector<DatasetTaxon>& taxa = a.data->taxa;
  const bool ranks = std::any_of(taxa.begin(), taxa.end(), [](const DatasetTaxon& x) {
    return !x.genus.empty() || !x.family.empty() || !x.higherRanks.empty();
  });
  const bool texts = std::any_of(taxa.begin(), taxa.end(), [](const DatasetTaxon& x) { return !x.code.empty(); });
  std::vector<unsigned char> codes = ranks   ? codesFromRanks(taxa)
                                     : texts ? codesFromTexts(taxa)
                                             : std::vector<unsigned char>{};
  const int n = std::min(a.taxa(), static_cast<int>(taxa.size()));
  auto codeOf = [&codes](int t) { return codes.data() + static_cast<std::size_t>(t) * kPositions; };
  int included = 0;
  for (int t = 0; t < n; ++t) included += a.counts(t) ? 1 : 0;
  a.treeData = false;
  if (codes.empty() || included < 3) return false;

  // Weights and length as the recount takes them from the cards.
  std::vector<int> depth(static_cast<std::size_t>(n), 0);
  double totalDepth = 0.0;
  for (int t = 0; t < n; ++t) {
    if (!a.counts(t)) continue;
    depth[static_cast<std::size_t>(t)] = depthFrom(codeOf(t), 0);
    totalDepth += depth[static_cast<std::size_t>(t)];
  }
  a.weight.assign(static_cast<std::size_t>(a.taxa()), 1.0);
  a.totals.sumWeights = 0.0;
  CodeTree tree(0);
  for (int t = 0; t < n; ++t) {
    if (!a.counts(t)) continue;
    const int d = depth[static_cast<std::size_t>(t)];
    if (d != 0) {
      const auto w = static_cast<float>(totalDepth / d);
      a.weight[static_cast<std::size_t>(t)] = w;
      a.totals.sumWeights += w;
    }
    tree.add(codeOf(t));
  }
  a.totals.codeTreeLength = tree.length();
  codes.resize(static_cast<std::size_t>(a.taxa()) * kPositions, 0);
  a.codeFields = std::move(codes);
  a.treeData = true;
  return true;
}

MeasureResult runSubtreeLength(const MeasureInput& in, const MeasureParams& p) {
  if (!in.data.treeData) return noTreeData("Subtree length");
  int taxaCounted = 0;
  try {
    const std::vector<CellValue> values = subtreeScores(in, p.subtreeRowBytes, taxaCounted);
    MeasureResult r = MeasureResult::zeroed(in.data.units(), p.excludedLevel);
    for (std::size_t n = 1; n < values.size() && n < r.score.size(); ++n) {
      r.score[n] = values[n].score;
      r.count[n] = values[n].count;
    }
    r.taxaCounted = taxaCounted;
    r.scaleLimit = in.data.totals.codeTreeLength;
    return r;
  } catch (const std::bad_alloc&) {
    MeasureResult r;
    r.notice = Notice{"insufficient free memory", "Subtree length", Icon::Exclamation};
    return r;
  }
}

MeasureResult runRootDistance(const MeasureInput& in, const MeasureParams& p) {
  if (!in.data.treeData) return noTreeData("Root distance");
  MeasureResult r = MeasureResult::zeroed(in.data.units(), p.excludedLevel);
  const std::vector<char> take = countedTaxa(in.data, in.areas);
  const std::vector<double>& weight = in.data.weight;
  r.taxaCounted = addTaxonValues(r, in.data.occ(), take, [&weight](int t) {
    return static_cast<std::size_t>(t) < weight.size() ? weight[static_cast<std::size_t>(t)] : 1.0;
  });
  r.scaleLimit = in.data.totals.sumWeights;
  return r;
}

}  // namespace zn
