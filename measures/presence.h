// Who is present where, as lists: the cells of each taxon and the taxa of
// each cell, so that the measures cost the number of records rather than
// taxa x cells. Built from the cards in one pass.
//
// Each direction holds its lists in whichever form is smaller: 16-bit
// numbers (2 bytes a record), or one bit row per list (taxa x cells bits in
// all), which dense data need to stay well under the card store's size.
// Either form lists the numbers in ascending order.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "store/workspace.h"

namespace zn {

// One list of ascending numbers: a forward range of int.
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
    int operator*() const { return items_ ? *items_ : base_ + std::countr_zero(word_); }
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
    const std::uint16_t* items_ = nullptr;
    const std::uint64_t* words_ = nullptr;
    std::uint64_t word_ = 0;
    int base_ = 0;
    int left_ = 0;
  };

  PresenceList() = default;
  static PresenceList numbers(const std::uint16_t* items, int count) {
    PresenceList l;
    l.items_ = items;
    l.size_ = count;
    return l;
  }
  // Bit k of the row stands for the number k.
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
  const std::uint16_t* items_ = nullptr;
  const std::uint64_t* words_ = nullptr;
  int size_ = 0;
};

struct PresenceIndex {
  int taxa = 0;
  int cells = 0;
  int excludedLevel = 0;
  // Number of cells where taxon t is present (level above the excluded
  // level), as running sums: taxa + 1 entries.
  std::vector<std::int32_t> taxonStart;
  // Number of taxa present in cell n, n = 1 … cells, as running sums:
  // cells + 2 entries.
  std::vector<std::int32_t> cellStart;

  // Cells of each taxon: 16-bit cell numbers from taxonStart[t], or a row of
  // taxonWords words per taxon.
  std::vector<std::uint16_t> taxonCells;
  std::vector<std::uint64_t> taxonBits;
  std::size_t taxonWords = 0;
  // Taxa of each cell: 16-bit taxon numbers from cellStart[n], or a row of
  // cellWords words per cell n (row 0 unused).
  std::vector<std::uint16_t> cellTaxa;
  std::vector<std::uint64_t> cellBits;
  std::size_t cellWords = 0;

  // Cells (ascending) where taxon t is present.
  PresenceList cellsOf(int t) const {
    const auto i = static_cast<std::size_t>(t);
    const int k = range(t);
    return taxonWords ? PresenceList::bits(taxonBits.data() + i * taxonWords, k)
                      : PresenceList::numbers(taxonCells.data() + taxonStart[i], k);
  }
  // Taxa (card order) present in cell n.
  PresenceList taxaIn(int n) const {
    const auto i = static_cast<std::size_t>(n);
    const int k = cellStart[i + 1] - cellStart[i];
    return cellWords ? PresenceList::bits(cellBits.data() + i * cellWords, k)
                     : PresenceList::numbers(cellTaxa.data() + cellStart[i], k);
  }
  // Range size: the number of cells where the taxon is present.
  int range(int t) const {
    return taxonStart[static_cast<std::size_t>(t) + 1] - taxonStart[static_cast<std::size_t>(t)];
  }
};

// Lists every taxon of the card store, whatever its group code.
PresenceIndex buildPresenceIndex(const Workspace& ws, int excludedLevel);

// 1 for each taxon present in at least one area of the set (areas outside
// 1 … cells are ignored).
std::vector<char> representedTaxa(const PresenceIndex& index, const AreaSet& areas);

// 1 for each taxon a complementary measure counts: it passes the group-code
// test and is not represented in the area set.
std::vector<char> countedTaxa(const Workspace& ws, const PresenceIndex& index, const AreaSet& areas);

}  // namespace zn
