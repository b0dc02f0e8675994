#include "store/codetree.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace zn {
namespace {

using Code = std::array<unsigned char, 32>;

Code makeCode(const std::string& significant) {
  Code c{};
  std::string s = significant;
  s.resize(31, '0');
  for (int i = 0; i < 31; ++i)
    c[static_cast<std::size_t>(i)] = static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
  c[31] = 0;
  return c;
}

// The pairwise rule, written out as it reads: every code against every
// earlier one, and against the first.
double pairwiseLength(const std::vector<Code>& codes, int g) {
  auto firstZero = [](const Code& c, int from) {
    int e = from;
    while (e < 32 && c[static_cast<std::size_t>(e)] != '0') ++e;
    return e;
  };
  auto differ = [g](const Code& a, const Code& b) {
    int p = g;
    while (p < 32 && a[static_cast<std::size_t>(p)] == b[static_cast<std::size_t>(p)]) ++p;
    return p;
  };
  double length = 1.0;
  int M = 0;
  for (std::size_t j = 1; j < codes.size(); ++j) {
    int p = differ(codes[j], codes[0]);
    M = std::max(M, firstZero(codes[0], p) - p);
    int m = 10000;
    for (std::size_t i = 0; i < j; ++i) {
      int q = differ(codes[i], codes[j]);
      m = std::min(m, firstZero(codes[j], q) - q);
    }
    if (m > 0 && m < 10000) length += m;
  }
  return length + M;
}

double fastLength(const std::vector<Code>& codes, int g) {
  CodeTree t(g);
  for (const auto& c : codes) t.add(c.data());
  return t.length();
}

TEST(CodeTree, GroupPrefixIsNotCounted) {
  std::vector<Code> codes{makeCode("9911"), makeCode("9912"), makeCode("9921")};
  EXPECT_DOUBLE_EQ(fastLength(codes, 2), pairwiseLength(codes, 2));
  EXPECT_DOUBLE_EQ(fastLength(codes, 2), 1.0 + 1 + 2 + 2);
}

// Random lists, empty ones included; full-length codes without a '0' run the
// depth to the terminator, wide alphabets give nodes more children than a
// short list holds, and the first half's shared prefix puts such nodes below
// an edge the second half splits.
TEST(CodeTree, AgreesWithThePairwiseRuleOnRandomLists) {
  std::mt19937 rng(42);
  for (int round = 0; round < 400; ++round) {
    int n = static_cast<int>(rng() % 61);
    int alphabet = 2 + static_cast<int>(rng() % 40);  // includes '0' sometimes
    int len = round % 4 == 3 ? 31 : 1 + static_cast<int>(rng() % 8);
    int g = static_cast<int>(rng() % 3);
    const std::string shared{static_cast<char>('1' + rng() % 9), static_cast<char>('1' + rng() % 9)};
    std::vector<Code> codes;
    for (int i = 0; i < n; ++i) {
      std::string s = 2 * i < n ? shared : "";
      for (int k = static_cast<int>(s.size()); k < len; ++k) {
        int v = static_cast<int>(rng() % static_cast<unsigned>(alphabet));
        s.push_back(static_cast<char>(v < 10 ? '0' + v : 'A' + v));
      }
      codes.push_back(makeCode(s));
    }
    ASSERT_DOUBLE_EQ(fastLength(codes, g), pairwiseLength(codes, g)) << "round " << round << " n " << n << " g " << g;
  }
}

}  // namespace
}  // namespace zn
