#include "measures/tree.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "measures/presence.h"
#include "measures/richness.h"
#include "measures/scores.h"

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

// The included taxa present in each cell, one bit row per cell.
struct CellRows {
  std::size_t words = 0;
  std::vector<std::uint64_t> bits;
  std::uint64_t* row(int n) { return bits.data() + static_cast<std::size_t>(n) * words; }
  const std::uint64_t* row(int n) const { return bits.data() + static_cast<std::size_t>(n) * words; }
};

template <class F>
void forEachBit(const std::uint64_t* row, std::size_t words, F f) {
  for (std::size_t w = 0; w < words; ++w)
    for (std::uint64_t b = row[w]; b != 0; b &= b - 1)
      f(static_cast<int>(w * 64 + static_cast<std::size_t>(std::countr_zero(b))));
}

// The taxa's code fields, kPositions bytes each: the datafile's as its
// cards hold them, else each taxon's code text padded with NULs (made).
const unsigned char* codeFields(const AnalysisData& a, std::vector<unsigned char>& made) {
  const auto taxa = static_cast<std::size_t>(a.taxa());
  if (a.codeFields.size() >= taxa * kPositions) return a.codeFields.data();
  made.assign(taxa * kPositions, 0);
  for (std::size_t t = 0; t < taxa && t < a.data->taxa.size(); ++t) {
    const std::string& code = a.data->taxa[t].code;
    std::memcpy(made.data() + t * kPositions, code.data(), std::min<std::size_t>(code.size(), kPositions - 1));
  }
  return made.data();
}

// The whole map, computed aside so that a failure leaves the old scores.
// Every included taxon shares the group code's prefix, so comparing codes
// from their first position finds the same branch points as from past it.
std::vector<CellValue> subtreeScores(const MeasureInput& in, int& taxaCounted) {
  const AnalysisData& data = in.data;
  const Occurrences& occ = data.occ();
  const int taxa = data.taxa();
  const int cells = data.units();

  CellRows rows;
  rows.words = (static_cast<std::size_t>(taxa) + 63) / 64;
  rows.bits.assign((static_cast<std::size_t>(cells) + 1) * rows.words, 0);
  std::vector<int> included;
  for (int t = 0; t < taxa; ++t) {
    if (!data.counts(t)) continue;
    included.push_back(t);
    const std::uint64_t bit = std::uint64_t(1) << (t % 64);
    const auto w = static_cast<std::size_t>(t / 64);
    for (int n : occ.unitsOf(t)) rows.row(n)[w] |= bit;
  }
  std::vector<unsigned char> made;
  SubListLengths lengths(codeFields(data, made), taxa, included, 0);

  // The represented taxa, in set order and within an area in card order.
  const bool haveSet = !in.areas.empty();
  std::vector<std::uint64_t> represented(rows.words, 0);
  std::vector<char> isArea(static_cast<std::size_t>(cells) + 1, 0);
  for (int a : in.areas.cells) {
    if (a < 1 || a > cells) continue;
    isArea[static_cast<std::size_t>(a)] = 1;
    forEachBit(rows.row(a), rows.words, [&](int t) {
      std::uint64_t& word = represented[static_cast<std::size_t>(t / 64)];
      const std::uint64_t bit = std::uint64_t(1) << (t % 64);
      if (word & bit) return;
      word |= bit;
      lengths.add(t);
    });
  }
  const double base = lengths.size() >= 2 ? lengths.length() : 0.0;
  lengths.keep();

  // Each cell's new taxa; cells with the same new taxa share one value.
  std::vector<CellValue> out(static_cast<std::size_t>(cells) + 1);
  std::vector<std::uint64_t> anyCell(rows.words, 0);
  std::unordered_map<std::uint64_t, std::vector<int>> byHash;
  for (int h = 1; h <= cells; ++h) {
    std::uint64_t* fresh = rows.row(h);
    std::uint64_t hash = 1469598103934665603ULL;
    int k = 0;
    for (std::size_t w = 0; w < rows.words; ++w) {
      fresh[w] = (haveSet && isArea[static_cast<std::size_t>(h)]) ? 0 : fresh[w] & ~represented[w];
      anyCell[w] |= fresh[w];
      k += std::popcount(fresh[w]);
      hash = (hash ^ fresh[w]) * 1099511628211ULL;
    }
    CellValue& v = out[static_cast<std::size_t>(h)];
    if (k == 0) continue;
    if (!haveSet && k == 1) {
      v = {kZeroScore, 1};
      continue;
    }
    auto& same = byHash[hash];
    const auto match = std::find_if(same.begin(), same.end(), [&](int other) {
      return std::memcmp(rows.row(other), fresh, rows.words * sizeof(std::uint64_t)) == 0;
    });
    if (match != same.end()) {
      v = out[static_cast<std::size_t>(*match)];
      continue;
    }
    same.push_back(h);
    // The represented taxa's tree plus this cell's: the same length as
    // comparing every pair of codes.
    lengths.restore();
    forEachBit(fresh, rows.words, [&](int t) { lengths.add(t); });
    v = {haveSet ? lengths.length() - base : lengths.length(), k};
  }
  taxaCounted = 0;
  for (std::uint64_t w : anyCell) taxaCounted += std::popcount(w);
  return out;
}

}  // namespace

MeasureResult runSubtreeLength(const MeasureInput& in, const MeasureParams& p) {
  if (!in.data.treeData) return noTreeData("Subtree length");
  int taxaCounted = 0;
  try {
    const std::vector<CellValue> values = subtreeScores(in, taxaCounted);
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
