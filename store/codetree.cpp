#include "store/codetree.h"

#include <algorithm>

namespace zn {

namespace {
constexpr int kPositions = 32;
constexpr int kWideAt = 8;

// Characters of code from q up to its first '0' at or after q (32 if none).
int depthFrom(const unsigned char* code, int q) {
  int e = q;
  while (e < kPositions && code[e] != '0') ++e;
  return e - q;
}
}  // namespace

CodeTree::CodeTree(int g) : g_(std::clamp(g, 0, kPositions)) { nodes_.emplace_back(); }

std::int32_t CodeTree::child(const Node& n, unsigned char key) const {
  if (n.wide >= 0) return wide_[static_cast<std::size_t>(n.wide)][key];
  for (std::int32_t c = n.firstChild; c >= 0; c = nodes_[static_cast<std::size_t>(c)].nextSibling)
    if (nodes_[static_cast<std::size_t>(c)].key == key) return c;
  return -1;
}

std::int32_t CodeTree::addChild(std::int32_t parent, unsigned char key) {
  auto idx = static_cast<std::int32_t>(nodes_.size());
  nodes_.emplace_back();
  Node& p = nodes_[static_cast<std::size_t>(parent)];
  Node& c = nodes_.back();
  c.key = key;
  c.nextSibling = p.firstChild;
  p.firstChild = idx;
  ++p.children;
  if (p.wide >= 0) {
    wide_[static_cast<std::size_t>(p.wide)][key] = idx;
  } else if (p.children > kWideAt) {
    p.wide = static_cast<std::int32_t>(wide_.size());
    wide_.emplace_back();
    auto& table = wide_.back();
    table.fill(-1);
    for (std::int32_t k = p.firstChild; k >= 0; k = nodes_[static_cast<std::size_t>(k)].nextSibling)
      table[nodes_[static_cast<std::size_t>(k)].key] = k;
  }
  return idx;
}

void CodeTree::add(const unsigned char* code) {
  if (count_ == 0) {
    std::copy(code, code + kPositions, first_.begin());
  } else {
    // Depth of the first code beyond its branch point with this one.
    int p = g_;
    while (p < kPositions && code[p] == first_[static_cast<std::size_t>(p)]) ++p;
    maxFirst_ = std::max(maxFirst_, depthFrom(first_.data(), p));

    // The common-prefix lengths this code has with the earlier codes are the
    // depths along its path where an earlier code turns off, or the full
    // length when an earlier code is identical.
    int m = 10000;
    std::int32_t node = 0;
    for (int q = g_;; ++q) {
      const Node& n = nodes_[static_cast<std::size_t>(node)];
      if (q == kPositions) {
        m = std::min(m, 0);
        break;
      }
      std::int32_t next = child(n, code[q]);
      bool turnsOff = next < 0 ? n.children > 0 : n.children > 1;
      if (turnsOff) m = std::min(m, depthFrom(code, q));
      if (next < 0) break;
      node = next;
    }
    if (m > 0 && m < 10000) sum_ += m;
  }
  // Insert the code.
  std::int32_t node = 0;
  for (int q = g_; q < kPositions; ++q) {
    std::int32_t next = child(nodes_[static_cast<std::size_t>(node)], code[q]);
    node = next >= 0 ? next : addChild(node, code[q]);
  }
  ++count_;
}

double treeLength(const std::vector<const unsigned char*>& codes, int g) {
  CodeTree tree(g);
  for (const unsigned char* c : codes) tree.add(c);
  return tree.length();
}

}  // namespace zn
