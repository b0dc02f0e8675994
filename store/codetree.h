// Tree length of a list of taxonomic codes. Each code adds the number of its
// characters beyond the point where it leaves the tree of the earlier codes;
// the first code's depth beyond the deepest branch point is added at the end.
// A radix tree of the earlier codes (runs without branches kept as one edge)
// finds that point in one short walk per code, instead of comparing every
// code with every earlier one.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zn {

class CodeTree {
 public:
  // g: comparisons start at this position (the included group-code length).
  explicit CodeTree(int g = 0);

  // Adds the next code of the list (a 32-byte code field).
  void add(const unsigned char* code);

  int size() const { return count_; }
  // 1.0 plus every code's added length plus the first code's depth beyond the
  // deepest branch point.
  double length() const { return sum_ + static_cast<double>(maxFirst_); }

 private:
  // A node's edge holds positions [start, end) of the code `code`; every
  // code below it agrees there.
  struct Node {
    std::int32_t code = -1;
    std::int8_t start = 0, end = 0;
    std::int32_t firstChild = -1;
    std::int32_t nextSibling = -1;
    std::int32_t wide = -1;  // index into wide_ once the node has many children
    std::int32_t children = 0;
  };
  unsigned char keyOf(const Node& n) const;
  std::int32_t child(const Node& n, unsigned char key) const;
  void link(std::int32_t parent, std::int32_t child);
  std::int32_t newLeaf(std::int32_t code, int start);

  int g_;
  int count_ = 0;
  double sum_ = 1.0;
  int maxFirst_ = 0;
  std::array<unsigned char, 32> first_{};
  std::vector<std::array<unsigned char, 32>> codes_;
  std::vector<Node> nodes_;
  std::vector<std::array<std::int32_t, 256>> wide_;
};

// Tree length of the codes of the given taxa, in list order.
double treeLength(const std::vector<const unsigned char*>& codes, int g);

}  // namespace zn
