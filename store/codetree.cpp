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

CodeTree::CodeTree(int g) : g_(std::clamp(g, 0, kPositions)) {
  Node root;
  root.start = root.end = static_cast<std::int8_t>(g_);
  nodes_.push_back(root);
}

unsigned char CodeTree::keyOf(const Node& n) const {
  return codes_[static_cast<std::size_t>(n.code)][static_cast<std::size_t>(n.start)];
}

std::int32_t CodeTree::child(const Node& n, unsigned char key) const {
  if (n.wide >= 0) return wide_[static_cast<std::size_t>(n.wide)][key];
  for (std::int32_t c = n.firstChild; c >= 0; c = nodes_[static_cast<std::size_t>(c)].nextSibling)
    if (keyOf(nodes_[static_cast<std::size_t>(c)]) == key) return c;
  return -1;
}

void CodeTree::link(std::int32_t parent, std::int32_t c) {
  Node& p = nodes_[static_cast<std::size_t>(parent)];
  unsigned char key = keyOf(nodes_[static_cast<std::size_t>(c)]);
  nodes_[static_cast<std::size_t>(c)].nextSibling = p.firstChild;
  p.firstChild = c;
  ++p.children;
  if (p.wide >= 0) {
    wide_[static_cast<std::size_t>(p.wide)][key] = c;
  } else if (p.children > kWideAt) {
    p.wide = static_cast<std::int32_t>(wide_.size());
    auto& table = wide_.emplace_back();
    table.fill(-1);
    for (std::int32_t k = p.firstChild; k >= 0; k = nodes_[static_cast<std::size_t>(k)].nextSibling)
      table[keyOf(nodes_[static_cast<std::size_t>(k)])] = k;
  }
}

std::int32_t CodeTree::newLeaf(std::int32_t code, int start) {
  Node leaf;
  leaf.code = code;
  leaf.start = static_cast<std::int8_t>(start);
  leaf.end = static_cast<std::int8_t>(kPositions);
  nodes_.push_back(leaf);
  return static_cast<std::int32_t>(nodes_.size() - 1);
}

void CodeTree::add(const unsigned char* code) {
  auto self = static_cast<std::int32_t>(codes_.size());
  auto& stored = codes_.emplace_back();
  std::copy(code, code + kPositions, stored.begin());
  code = stored.data();

  if (count_ == 0) {
    first_ = stored;
    if (g_ < kPositions) link(0, newLeaf(self, g_));
    ++count_;
    return;
  }

  // Depth of the first code beyond its branch point with this one.
  int p = g_;
  while (p < kPositions && code[p] == first_[static_cast<std::size_t>(p)]) ++p;
  maxFirst_ = std::max(maxFirst_, depthFrom(first_.data(), p));

  // The common-prefix lengths this code has with the earlier codes are the
  // depths along its path where an earlier code turns off, or the full
  // length when an earlier code is identical. Walk the path, inserting the
  // code where it leaves the tree.
  int m = 10000;
  std::int32_t node = 0;
  for (;;) {
    const Node n = nodes_[static_cast<std::size_t>(node)];
    int k = n.start;
    if (n.code >= 0) {
      const auto& label = codes_[static_cast<std::size_t>(n.code)];
      while (k < n.end && label[static_cast<std::size_t>(k)] == code[k]) ++k;
    }
    if (k < n.end) {
      // The earlier codes below this edge turn off at k: split the edge there.
      m = std::min(m, depthFrom(code, k));
      Node lower = n;
      lower.start = static_cast<std::int8_t>(k);
      lower.nextSibling = -1;
      nodes_.push_back(lower);
      auto lowerIdx = static_cast<std::int32_t>(nodes_.size() - 1);
      Node& upper = nodes_[static_cast<std::size_t>(node)];
      upper.end = static_cast<std::int8_t>(k);
      upper.firstChild = -1;
      upper.children = 0;
      upper.wide = -1;
      link(node, lowerIdx);
      link(node, newLeaf(self, k));
      break;
    }
    int depth = n.end;
    if (depth == kPositions) {
      m = 0;  // an identical earlier code
      break;
    }
    std::int32_t next = child(n, code[depth]);
    if (n.children > (next >= 0 ? 1 : 0)) m = std::min(m, depthFrom(code, depth));
    if (next < 0) {
      link(node, newLeaf(self, depth));
      break;
    }
    node = next;
  }
  if (m > 0 && m < 10000) sum_ += m;
  ++count_;
}

double treeLength(const std::vector<const unsigned char*>& codes, int g) {
  CodeTree tree(g);
  for (const unsigned char* c : codes) tree.add(c);
  return tree.length();
}

}  // namespace zn
