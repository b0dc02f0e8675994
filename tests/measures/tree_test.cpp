#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "measures/smoothing.h"
#include "measures/tree.h"
#include "shell/analyses.h"
#include "store/codetree.h"
#include "tests/support/sessions.h"

namespace zn {
namespace {

using test::fourTaxa;
using test::Loaded;
using test::noticeLines;

// With no set each cell gets its taxa's tree (cell 2: codes 11, 12, 21 -> 6;
// cell 3: 11, 22 -> 5) and a single taxon the marker; with Alpha represented
// its area gets nothing and the others the whole tree of Alpha with their
// new taxa; with every taxon represented the map is blank.
TEST(SubtreeLength, EachCellGetsTheTreeItAddsToTheSet) {
  const struct {
    std::vector<int> areas;
    const char* map;
    int taxaCounted;
  } cases[] = {{{}, "1:10000/1 2:6/3 3:5/2 40:10000/1 ", 4}, {{1}, "2:6/2 3:5/1 40:5/1 ", 3}, {{2, 3, 40}, "", 0}};
  for (const auto& c : cases) {
    Loaded d(fourTaxa());
    d.s.areas.cells = c.areas;
    d.run(kCodeSubtreeLength);
    EXPECT_EQ(d.map(), c.map);
    EXPECT_EQ(d.s.map.taxaCounted, c.taxaCounted);
    if (c.areas.empty()) {
      EXPECT_DOUBLE_EQ(d.s.map.scaleLimit, d.s.ws.counters.codeTreeLength);
    }
  }
}

// Codes with '0' inside them, codes repeated by several taxa, and cells
// holding exactly the same taxa: each cell still gets the prefix tree's
// length of its own list.
TEST(SubtreeLength, AgreesWithThePrefixTreeOnRepeatedCodesAndCells) {
  std::mt19937 rng(19);
  std::vector<test::TaxonSpec> taxa;
  for (int t = 0; t < 150; ++t) {
    test::TaxonSpec spec{"T" + std::to_string(t), "", {}};
    const int depth = 1 + static_cast<int>(rng() % 7);
    for (int k = 0; k < depth; ++k) spec.code += static_cast<char>('0' + rng() % 3);
    if (t % 5 == 4) spec.code = taxa[static_cast<std::size_t>(t - 3)].code;
    for (int k = 0; k < 8; ++k) {
      // Cells 1 ... 10 hold the same taxa as cells 11 ... 20.
      const int n = 1 + static_cast<int>(rng() % 40);
      spec.levels[n] = 1;
      if (n <= 10) spec.levels[n + 10] = 1;
    }
    taxa.push_back(spec);
  }
  for (const std::vector<int>& set : {std::vector<int>{}, std::vector<int>{33}, std::vector<int>{5, 17, 33}}) {
    Loaded d(taxa);
    d.s.areas.cells = set;
    d.run(kCodeSubtreeLength);
    // The same from the occurrence lists instead of bit rows.
    MeasureParams byLists = measureParams(d.s.settings);
    byLists.subtreeRowBytes = 0;
    const MeasureResult lists =
        runMeasure(kCodeSubtreeLength, MeasureInput{analysisData(d.s), d.s.areas}, byLists, d.s.progress);
    ASSERT_TRUE(lists.ran);
    const auto& cards = d.s.ws.cards;
    auto present = [&](int t, int n) { return cards.level(t, n) > 0; };
    CodeTree rep;
    std::vector<char> inR(taxa.size(), 0);
    for (int a : set)
      for (int t = 0; t < static_cast<int>(taxa.size()); ++t)
        if (present(t, a) && !inR[static_cast<std::size_t>(t)]) {
          inR[static_cast<std::size_t>(t)] = 1;
          rep.add(cards.code(t));
        }
    const double base = rep.size() >= 2 ? rep.length() : 0.0;
    for (int n = 1; n <= 40; ++n) {
      CodeTree tree = set.empty() ? CodeTree() : rep;
      int added = 0;
      const bool isArea = std::find(set.begin(), set.end(), n) != set.end();
      for (int t = 0; t < static_cast<int>(taxa.size()); ++t)
        if (present(t, n) && !inR[static_cast<std::size_t>(t)] && !isArea) {
          tree.add(cards.code(t));
          ++added;
        }
      double want = 0.0;
      if (added > 0) want = set.empty() ? (added == 1 ? kZeroScore : tree.length()) : tree.length() - base;
      EXPECT_DOUBLE_EQ(d.score(n), want) << "cell " << n << " with " << set.size() << " areas";
      EXPECT_EQ(d.count(n), added) << "cell " << n;
      EXPECT_DOUBLE_EQ(lists.score[static_cast<std::size_t>(n)], want) << "cell " << n << " from the lists";
      EXPECT_EQ(lists.count[static_cast<std::size_t>(n)], added) << "cell " << n << " from the lists";
    }
  }
}

TEST(SubtreeLength, ComparesFromTheGroupCodeOn) {
  Loaded d({{"A", "911", {{7, 1}}}, {"B", "912", {{7, 1}}}, {"C", "92", {}}});
  d.s.ws.groupCode = "9";
  d.recountNow();
  d.run(kCodeSubtreeLength);
  EXPECT_DOUBLE_EQ(d.score(7), 3.0);
}

TEST(TreeMeasures, WithoutTreeDataShowTheirMessageAndKeepTheMap) {
  const struct {
    int code;
    const char* caption;
  } cases[] = {{3, "Subtree length"}, {4, "Root distance"}};
  for (const auto& c : cases) {
    Loaded d({{"A", "11", {{7, 1}}}, {"B", "12", {{7, 1}}}});  // fewer than 3 taxa
    d.run(kCodeRichness);
    const std::string richness = d.map();
    d.run(static_cast<MeasureCode>(c.code));
    EXPECT_EQ(d.map(), richness) << c.caption;
    // The measure shows nothing itself: it leaves its notice for the shell.
    EXPECT_TRUE(d.host.messages.empty()) << c.caption;
    ASSERT_EQ(d.s.notices.size(), 1u) << c.caption;
    EXPECT_EQ(noticeLines(d.s)[0], std::string(c.caption) + ": Requires tree data\n- data absent or inconsistent");
    EXPECT_EQ(d.s.notices[0].icon, Icon::Information);
  }
}

// Families taken from the first character of the codes 11, 12, 21, 22
// give a tree of the codes' shape, so the data without codes measure as
// the datafile, with and without a represented area.
TEST(TaxonTree, FamiliesGiveTheMapsOfTheMatchingCodes) {
  for (MeasureCode code : {kCodeSubtreeLength, kCodeRootDistance})
    for (const std::vector<int>& areas : {std::vector<int>{}, std::vector<int>{2}}) {
      SCOPED_TRACE(testing::Message() << "code " << code << ", areas " << areas.size());
      Loaded d(fourTaxa());
      d.s.areas.cells = areas;
      d.run(code);
      AnalysisData a = test::analysisInput(fourTaxa(), d.s.ws.geo.cells);
      auto taxa = std::make_shared<Dataset>(*a.data);
      for (std::size_t t = 0; t < taxa->taxa.size(); ++t) taxa->taxa[t].family = fourTaxa()[t].code.substr(0, 1);
      a.data = taxa;
      ASSERT_TRUE(takeTaxonTree(a));
      EXPECT_DOUBLE_EQ(a.totals.codeTreeLength, d.s.ws.counters.codeTreeLength);
      AreaSet set;
      set.cells = areas;
      const MeasureResult r = runMeasure(code, MeasureInput{a, set}, measureParams(d.s.settings), d.s.progress);
      ASSERT_TRUE(r.ran);
      for (int n = 1; n <= d.s.ws.geo.cells; ++n) {
        ASSERT_DOUBLE_EQ(r.score[static_cast<std::size_t>(n)], d.score(n)) << "unit " << n;
        ASSERT_EQ(r.count[static_cast<std::size_t>(n)], d.count(n)) << "unit " << n;
      }
      EXPECT_EQ(r.taxaCounted, d.s.map.taxaCounted);
      EXPECT_DOUBLE_EQ(r.scaleLimit, d.s.map.scaleLimit);
    }
  // Neither ranks nor codes: no tree data, and the measures refuse.
  AnalysisData bare = test::analysisInput(fourTaxa(), 864);
  EXPECT_FALSE(takeTaxonTree(bare));
  Feedback feedback;
  const MeasureResult refused =
      runMeasure(kCodeSubtreeLength, MeasureInput{bare, AreaSet{}}, MeasureParams{}, feedback);
  EXPECT_FALSE(refused.ran);
  EXPECT_TRUE(refused.notice);
}

// The command's mean of the sums is checked by the tool's case (measure.case).
TEST(RootDistance, SumsTheWeights) {
  Loaded d(fourTaxa());  // every code has depth 2: weight 8 / 2 = 4
  d.run(kCodeRootDistance);
  EXPECT_EQ(d.map(), "1:4/1 2:12/3 3:8/2 40:4/1 ");
  EXPECT_DOUBLE_EQ(d.s.map.scaleLimit, 16.0);
}

}  // namespace
}  // namespace zn
