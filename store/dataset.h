// The one read-only record every analysis reads: units, taxa, who occurs
// where (held sparse both ways, with an amount per pair where the source has
// amounts) and which units border which. A datafile's cards and a
// planning-unit folder are both read into it.
//
// Units are numbered 1 … units (0 stands for none, as in area sets), taxa
// 0 … taxa - 1. Numbers are 32-bit and nothing here caps them: the caps of
// the datafile belong to its card codec. The occurrence lists are built by a
// counting sort into flat arrays (4 bytes a pair each way, 8 more each way
// where there are amounts), so 10^6 units with 5 x 10^7 pairs take 400 MB of
// lists, 1.2 GB with amounts.
#pragma once

#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace zn {

// One list of ascending numbers: a forward range of int, over 32-bit numbers
// or over a bit row (bit k stands for the number k).
class PresenceList {
 public:
  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = int;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = int;

    iterator() = default;
    int operator*() const { return items_ ? static_cast<int>(*items_) : base_ + std::countr_zero(word_); }
    iterator& operator++() {
      --left_;
      if (items_) {
        ++items_;
      } else {
        word_ &= word_ - 1;
        // The count ends the walk, so no word past the last is read.
        while (word_ == 0 && left_ > 0) {
          base_ += 64;
          word_ = *++words_;
        }
      }
      return *this;
    }
    iterator operator++(int) {
      iterator old = *this;
      ++*this;
      return old;
    }
    // Iterators of one list are equal when as many numbers remain.
    bool operator==(const iterator& o) const { return left_ == o.left_; }

   private:
    friend class PresenceList;
    const std::uint32_t* items_ = nullptr;
    const std::uint64_t* words_ = nullptr;
    std::uint64_t word_ = 0;
    int base_ = 0;
    int left_ = 0;
  };

  PresenceList() = default;
  static PresenceList numbers(const std::uint32_t* items, int count) {
    PresenceList l;
    l.items_ = items;
    l.size_ = count;
    return l;
  }
  static PresenceList bits(const std::uint64_t* words, int count) {
    PresenceList l;
    l.words_ = words;
    l.size_ = count;
    return l;
  }

  iterator begin() const {
    iterator i;
    i.left_ = size_;
    if (size_ == 0) return i;
    if (items_) {
      i.items_ = items_;
      return i;
    }
    i.words_ = words_;
    i.word_ = *words_;
    while (i.word_ == 0) {
      i.base_ += 64;
      i.word_ = *++i.words_;
    }
    return i;
  }
  iterator end() const { return iterator{}; }
  std::size_t size() const { return static_cast<std::size_t>(size_); }
  bool empty() const { return size_ == 0; }

 private:
  const std::uint32_t* items_ = nullptr;
  const std::uint64_t* words_ = nullptr;
  int size_ = 0;
};

// Who occurs where, both ways. Each direction holds its lists as 32-bit
// numbers, or as one bit row per list where that is smaller (dense
// presence data); amounts, where kept, go with the numbers form.
struct Occurrences {
  int taxa = 0;
  int units = 0;
  // Units of taxon t from taxonStart[t], as running sums: taxa + 1 entries.
  std::vector<std::int64_t> taxonStart;
  // Taxa of unit n from unitStart[n], n = 1 … units: units + 2 entries.
  std::vector<std::int64_t> unitStart;

  std::vector<std::uint32_t> taxonUnits;  // ascending per taxon
  std::vector<std::uint64_t> taxonBits;   // or taxonWords words per taxon
  std::size_t taxonWords = 0;
  std::vector<std::uint32_t> unitTaxa;  // ascending per unit
  std::vector<std::uint64_t> unitBits;  // or unitWords words per unit (row 0 unused)
  std::size_t unitWords = 0;
  // The amount of each pair beside taxonUnits and unitTaxa; empty where
  // every pair is a presence (amount 1).
  std::vector<double> taxonAmounts, unitAmounts;

  PresenceList unitsOf(int t) const {
    const auto i = static_cast<std::size_t>(t);
    const int k = range(t);
    return taxonWords ? PresenceList::bits(taxonBits.data() + i * taxonWords, k)
                      : PresenceList::numbers(taxonUnits.data() + taxonStart[i], k);
  }
  PresenceList taxaIn(int n) const {
    const auto i = static_cast<std::size_t>(n);
    const int k = static_cast<int>(unitStart[i + 1] - unitStart[i]);
    return unitWords ? PresenceList::bits(unitBits.data() + i * unitWords, k)
                     : PresenceList::numbers(unitTaxa.data() + unitStart[i], k);
  }
  // Range size: the number of units where the taxon occurs.
  int range(int t) const {
    const auto i = static_cast<std::size_t>(t);
    return static_cast<int>(taxonStart[i + 1] - taxonStart[i]);
  }
  bool hasAmounts() const { return !taxonAmounts.empty(); }
  // Amounts of taxon t's pairs, in the order of unitsOf(t) (numbers form only).
  const double* amountsOf(int t) const { return taxonAmounts.data() + taxonStart[static_cast<std::size_t>(t)]; }
  // Amounts of unit n's pairs, in the order of taxaIn(n) (numbers form only).
  const double* amountsIn(int n) const { return unitAmounts.data() + unitStart[static_cast<std::size_t>(n)]; }
};

// One pair of a taxon and a unit, with its amount.
struct Occurrence {
  std::uint32_t taxon = 0;
  std::uint32_t unit = 0;
  double amount = 1.0;
};

// Both directions from pairs in any order, by counting sort; the amounts of
// a repeated pair are added. Pairs naming no taxon or unit are dropped.
// `withAmounts` keeps the amounts; otherwise every pair is a presence.
Occurrences occurrencesFrom(int taxa, int units, std::vector<Occurrence> pairs, bool withAmounts);
// The same from lists already taxon-major (taxon t's units from start[t] to
// start[t + 1], in any order; amounts beside them, or none), as a file that
// keeps a list per taxon gives them, without the pairs' extra copy.
Occurrences occurrencesFromLists(int taxa, int units, std::vector<std::int64_t> start,
                                 std::vector<std::uint32_t> unitsOfTaxa, std::vector<double> amounts);

enum class UnitStatus { Free = 0, Initial = 1, LockedIn = 2, LockedOut = 3 };

struct DatasetUnit {
  long long id = 0;
  std::string name;
  double cost = 1.0;
  UnitStatus status = UnitStatus::Free;
};

struct DatasetTaxon {
  long long id = 0;
  std::string name;                      // full name, no length limit
  std::string genus;                     // empty where not known
  std::string family;                    // empty where not known
  std::vector<std::string> higherRanks;  // order upwards, where known
  std::string code;                      // the code tree position, where there are no ranks
  double target = 0.0;                   // an amount to hold, where the source sets one
};

// Neighbours of each unit with the length of the shared boundary (0 where
// not known); a unit's own entry in its list is its outer boundary.
struct Adjacency {
  std::vector<std::int64_t> start;  // units + 2 entries, as unitStart
  std::vector<std::uint32_t> neighbour;
  std::vector<double> length;
  bool empty() const { return neighbour.empty(); }
  int degree(int n) const {
    const auto i = static_cast<std::size_t>(n);
    return static_cast<int>(start[i + 1] - start[i]);
  }
  const std::uint32_t* neighboursOf(int n) const { return neighbour.data() + start[static_cast<std::size_t>(n)]; }
  const double* lengthsOf(int n) const { return length.data() + start[static_cast<std::size_t>(n)]; }
};

struct Dataset {
  std::vector<DatasetUnit> units;  // unit n at units[n - 1]
  std::vector<DatasetTaxon> taxa;
  Occurrences occurrences;
  Adjacency adjacency;

  int unitCount() const { return static_cast<int>(units.size()); }
  int taxonCount() const { return static_cast<int>(taxa.size()); }
  const DatasetUnit& unit(int n) const { return units[static_cast<std::size_t>(n) - 1]; }
};

// Adjacency from (unit, unit, length) edges: each edge is listed under both
// units (once where both are the same), neighbours ascending, lengths of a
// repeated edge added.
struct Edge {
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  double length = 0.0;
};
Adjacency adjacencyFrom(int units, const std::vector<Edge>& edges);

// The largest unit (or taxon) number a dataset can hold: list entries are
// 32-bit, and analyses and area sets count in int.
constexpr int kLargestUnitNumber = INT32_MAX;

}  // namespace zn
