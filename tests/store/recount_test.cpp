// Counting a datafile: the counters under each filter, rescaling and
// occupancy, and the code tree's length against the pairwise rule.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "store/codetree.h"
#include "store/datafile.h"
#include "store/session.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

using test::TaxonSpec;

// A session with the given taxa loaded straight from a datafile image.
struct Loaded {
  test::ScriptedHost host;
  Session s{host, "/nonexistent"};
  explicit Loaded(const std::vector<TaxonSpec>& taxa, const std::string& title = "test data") {
    allocateWorkspace(s);
    readDatafileBytes(s, test::datafileImage(title, taxa));
    s.ws.datafile.opened = true;
  }
};

std::vector<TaxonSpec> fourTaxa() {
  return {{"Alpha", "11", {{1, 1}, {2, 2}, {3, 1}}},
          {"Beta", "12", {{2, 1}}},
          {"Gamma", "21", {{5, -1}, {6, 3}}},
          {"Delta", "", {}}};
}

TEST(Recount, CountsAHandWorkedExampleUnderEachFilter) {
  Loaded d(fourTaxa());
  ASSERT_TRUE(recount(d.s.ws, 0));
  const Counters& c = d.s.ws.counters;
  // Every counter of the unfiltered count: info.case, "every counter, in order".
  EXPECT_FLOAT_EQ(d.s.ws.cards.weight(0), 3.0f);
  EXPECT_FLOAT_EQ(d.s.ws.cards.weight(3), 1.0f);  // an all-'0' code has depth 0
  EXPECT_EQ(d.s.ws.cards.recordCount(2), 1);
  EXPECT_EQ(c.snapshot.records, 5);
  EXPECT_EQ(c.snapshot.occupiedCells, 5);

  // The excluded level raises the bar for records (Alpha in cell 2, Gamma
  // in cell 6); occupancy ignores it.
  ASSERT_TRUE(recount(d.s.ws, 1));
  EXPECT_EQ(std::tuple(c.records, c.taxaWithRecords, c.medianRange, c.occupiedCells, c.snapshot.excludedLevel),
            std::tuple(2, 2, 1, 5, 1));

  // A group code limits the taxa and stops before the weights with too few.
  d.s.ws.groupCode = "1";
  EXPECT_FALSE(recount(d.s.ws, 0));
  // The median range of two is the integer mean of 3 and 1.
  EXPECT_EQ(std::tuple(c.includedTaxa, c.records, c.occupiedCells, c.medianRange), std::tuple(2, 4, 3, 2));
  EXPECT_DOUBLE_EQ(c.sumWeights, 0.0);
  EXPECT_DOUBLE_EQ(c.codeTreeLength, 0.0);
  EXPECT_FLOAT_EQ(d.s.ws.cards.weight(0), 1.0f);  // depth from position 1
  EXPECT_EQ(c.snapshot.groupCode, "1");

  // Without an open datafile nothing is counted.
  d.s.ws.datafile.opened = false;
  EXPECT_FALSE(recount(d.s.ws, 0));
  EXPECT_EQ(c.includedTaxa, 0);
}

TEST(Recount, MedianOfTwoIsTheIntegerMeanOfOneItsValueAndOfNoneTheDefaults) {
  Loaded two({{"A", "1", {{1, 1}, {2, 1}, {3, 1}}}, {"B", "2", {{1, 1}, {2, 1}}}});
  recount(two.s.ws, 0);
  EXPECT_EQ(two.s.ws.counters.medianRange, 2);
  Loaded one({{"A", "1", {{1, 1}, {2, 1}, {3, 1}}}, {"B", "2", {}}});
  recount(one.s.ws, 0);
  EXPECT_EQ(one.s.ws.counters.medianRange, 3);
  Loaded d({{"A", "1", {}}, {"B", "2", {{4, -5}}}, {"C", "3", {}}});
  recount(d.s.ws, 0);
  const Counters& c = d.s.ws.counters;
  EXPECT_EQ(c.minRange, 10000);
  EXPECT_EQ(c.medianRange, 0);
  EXPECT_EQ(c.maxRange, 0);
  EXPECT_EQ(c.occupiedCells, 1);
}

TEST(Rescale, LiftsEachTaxonToAMaximumOfOneHundredOnce) {
  Loaded d({{"A", "1", {{1, 50}, {2, 25}, {3, 1}}}, {"B", "2", {{1, 100}, {2, 7}}}, {"C", "3", {{1, 120}, {2, 60}}}},
           "*counts");
  d.s.ws.datafile.quantitative = true;
  rescaleQuantitative(d.s.ws);
  EXPECT_EQ(d.s.ws.cards.level(0, 1), 100);
  EXPECT_EQ(d.s.ws.cards.level(0, 2), 50);
  EXPECT_EQ(d.s.ws.cards.level(0, 3), 2);
  EXPECT_EQ(d.s.ws.cards.level(1, 2), 7);   // already at 100
  EXPECT_EQ(d.s.ws.cards.level(2, 2), 60);  // above 100 is left alone
  EXPECT_TRUE(d.s.ws.datafile.rescaled);
  d.s.ws.cards.setLevel(0, 1, 50);
  rescaleQuantitative(d.s.ws);  // the second call does nothing
  EXPECT_EQ(d.s.ws.cards.level(0, 1), 50);
}

TEST(Occupancy, SkipsTaxaAlreadyRepresentedInTheAreaSet) {
  Loaded d(fourTaxa());
  occupancyPass(d.s.ws, 0, d.s.areas);
  EXPECT_FALSE(d.s.ws.cellHasData(5));
  d.s.areas.cells = {2};  // represents Alpha and Beta
  occupancyPass(d.s.ws, 0, d.s.areas);
  EXPECT_EQ(d.s.ws.counters.cellsWithData, 1);
  EXPECT_TRUE(d.s.ws.cellHasData(6));
  EXPECT_FALSE(d.s.ws.cellHasData(1));
}

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
