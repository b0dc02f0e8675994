// Tree length of a list of taxonomic codes. Each code adds the number of its
// characters beyond the point where it leaves the tree of the earlier codes;
// the first code's depth beyond the deepest branch point is added at the end.
// A prefix tree of the earlier codes finds that point in one walk per code,
// instead of comparing every code with every earlier one.
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
  struct Node {
    std::int32_t firstChild = -1;
    std::int32_t nextSibling = -1;
    std::int32_t wide = -1;  // index into wide_ once the node has many children
    std::int32_t children = 0;
    unsigned char key = 0;
  };
  std::int32_t child(const Node& n, unsigned char key) const;
  std::int32_t addChild(std::int32_t parent, unsigned char key);

  int g_;
  int count_ = 0;
  double sum_ = 1.0;
  int maxFirst_ = 0;
  std::array<unsigned char, 32> first_{};
  std::vector<Node> nodes_;
  std::vector<std::array<std::int32_t, 256>> wide_;
};

// Tree length of the codes of the given taxa, in list order.
double treeLength(const std::vector<const unsigned char*>& codes, int g);

}  // namespace zn
