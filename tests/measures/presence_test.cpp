// The presence index against a plain recount of the card levels, in both of
// its forms (32-bit lists and bit rows), at the edges: a taxon on every cell,
// empty taxa, the first and last cells, numbers beyond 16 bits, and an
// excluded level below zero; the index a recount keeps, and the dataset's
// occurrence and adjacency builders.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "measures/presence.h"
#include "store/dataset.h"

namespace zn {
namespace {

std::vector<int> listed(const PresenceList& l) { return {l.begin(), l.end()}; }

// Every list of the index, compared with the levels read one by one.
void expectRecount(const Workspace& ws, const PresenceIndex& ix, int excluded) {
  ASSERT_EQ(ix.taxa, std::min(ws.taxaCount, ws.cards.slots()));
  ASSERT_EQ(ix.units, std::min(ws.geo.cells, ws.cards.layout->maxCells));
  std::vector<std::vector<int>> taxaOf(static_cast<std::size_t>(ix.units) + 1);
  for (int t = 0; t < ix.taxa; ++t) {
    std::vector<int> cells;
    for (int n = 1; n <= ix.units; ++n)
      if (ws.cards.level(t, n) > excluded) {
        cells.push_back(n);
        taxaOf[static_cast<std::size_t>(n)].push_back(t);
      }
    ASSERT_EQ(listed(ix.unitsOf(t)), cells) << "taxon " << t;
    ASSERT_EQ(ix.unitsOf(t).size(), cells.size());
    ASSERT_EQ(ix.range(t), static_cast<int>(cells.size()));
  }
  for (int n = 1; n <= ix.units; ++n) {
    ASSERT_EQ(listed(ix.taxaIn(n)), taxaOf[static_cast<std::size_t>(n)]) << "cell " << n;
    ASSERT_EQ(ix.taxaIn(n).empty(), taxaOf[static_cast<std::size_t>(n)].empty());
  }
}

Workspace cardsOf(const CardLayout& layout, int taxa, int cells) {
  Workspace ws;
  ws.cards.layout = &layout;
  ws.cards.reset(taxa + 1);
  ws.taxaCount = taxa;
  ws.geo.cells = cells;
  return ws;
}

TEST(PresenceIndex, DenseDataGoToBitRowsAcrossWordEdges) {
  // 130 taxa: cell rows span three words; the world grid's 865 cell bits fill 14.
  Workspace ws = cardsOf(kWorldCards, 130, 864);
  for (int t = 0; t < 130; ++t)
    for (int n = 1; n <= 864; ++n)
      if (t != 64 && (t == 0 || t == 129 || (t + n) % 8 != 0)) ws.cards.setLevel(t, n, 1 + (n % 3));
  const PresenceIndex ix = buildPresenceIndex(ws, 0);
  EXPECT_GT(ix.taxonWords, 0u);
  EXPECT_GT(ix.unitWords, 0u);
  expectRecount(ws, ix, 0);
  // Below zero every cell counts, the empty taxon's included.
  expectRecount(ws, buildPresenceIndex(ws, -1), -1);
}

TEST(PresenceIndex, NumbersBeyondSixteenBitsStayInSparseLists) {
  // Cells past 65,535 in one direction, taxa past 65,536 in the other, on
  // made-up layouts (the shipped grids stay far below both).
  CardLayout wide = kWorldCards;
  wide.size = 66 + 70000 + 8;
  wide.maxCells = 70000;
  Workspace w = cardsOf(wide, 3, 70000);
  for (int n : {1, 65535, 65536, 65537, 70000}) w.cards.setLevel(0, n, 1);
  w.cards.setLevel(2, 65535, 1);
  const PresenceIndex wi = buildPresenceIndex(w, 0);
  EXPECT_EQ(wi.taxonWords, 0u);
  expectRecount(w, wi, 0);

  CardLayout narrow = kWorldCards;
  narrow.size = 66 + 9;
  narrow.maxCells = 8;
  Workspace m = cardsOf(narrow, 65600, 8);
  for (int t : {0, 65535, 65536, 65599}) m.cards.setLevel(t, 8, 1);
  m.cards.setLevel(65536, 1, 1);
  const PresenceIndex mi = buildPresenceIndex(m, 0);
  EXPECT_EQ(mi.unitWords, 0u);
  expectRecount(m, mi, 0);
}

// The cards' dataset is kept once built; its index serves only while the
// levels, the excluded level and the counts are those it was built from.
TEST(PresenceIndex, KeptIndexIsUsedOnlyWhileTheCardsStand) {
  Workspace ws = cardsOf(kWorldCards, 5, 864);
  ws.datafile.opened = true;
  for (int t = 0; t < 5; ++t) ws.cards.setLevel(t, 10 + t, 1 + t);
  recount(ws, 0);
  const auto kept = presenceIndex(ws, 0);
  ASSERT_TRUE(ws.dataset.data);
  EXPECT_EQ(ws.dataset.data->unitCount(), 864);
  EXPECT_EQ(ws.dataset.data->taxonCount(), 5);
  ws.cards.setRecordCount(0, 7);  // a run-time field: the lists stand
  EXPECT_EQ(presenceIndex(ws, 0).get(), kept.get());

  const struct {
    const char* change;
    void (*apply)(Workspace&);
    int excluded;
  } changes[] = {
      {"a level", [](Workspace& w) { w.cards.setLevel(0, 20, 1); }, 0},
      {"the excluded level", [](Workspace&) {}, 2},
      {"the taxa count", [](Workspace& w) { w.taxaCount = 4; }, 0},
      {"whole cards", [](Workspace& w) { w.cards = CardStore(w.cards); }, 0},
  };
  for (const auto& c : changes) {
    Workspace w = ws;
    c.apply(w);
    const auto ix = presenceIndex(w, c.excluded);
    EXPECT_NE(ix.get(), kept.get()) << c.change;
    expectRecount(w, *ix, c.excluded);
  }
}

// Pairs in shuffled order, repeated, and naming no unit or taxon, on unit
// and taxon numbers past 16 bits: both directions against a plain map.
TEST(Occurrences, PairsInAnyOrderGiveBothDirectionsWithAmountsAdded) {
  const int taxa = 70000, units = 100000;
  std::vector<Occurrence> pairs = {{69999, 100000, 2.5}, {0, 1, 1.0},     {69999, 100000, 0.5}, {65536, 65537, 4.0},
                                   {0, 65536, 3.0},      {0, 0, 9.0},     {0, 100001, 9.0},     {70000, 5, 9.0},
                                   {65536, 1, 0.25},     {3, 70000, 1.0}, {0, 1, 2.0}};
  std::mt19937 rng(3);
  for (int k = 0; k < 2000; ++k)
    pairs.push_back({static_cast<std::uint32_t>(rng() % 200), static_cast<std::uint32_t>(1 + rng() % units), 1.0});
  std::map<std::pair<int, int>, double> expected;  // (taxon, unit) -> amount
  for (const Occurrence& p : pairs)
    if (p.taxon < static_cast<std::uint32_t>(taxa) && p.unit >= 1 && p.unit <= static_cast<std::uint32_t>(units))
      expected[{static_cast<int>(p.taxon), static_cast<int>(p.unit)}] += p.amount;
  std::shuffle(pairs.begin(), pairs.end(), rng);

  const Occurrences o = occurrencesFrom(taxa, units, pairs, true);
  std::map<std::pair<int, int>, double> byTaxon, byUnit;
  for (int t = 0; t < taxa; ++t) {
    const std::vector<int> list = listed(o.unitsOf(t));
    ASSERT_TRUE(std::is_sorted(list.begin(), list.end()));
    for (std::size_t k = 0; k < list.size(); ++k) byTaxon[{t, list[k]}] = o.amountsOf(t)[k];
  }
  for (int n = 1; n <= units; ++n) {
    const std::vector<int> list = listed(o.taxaIn(n));
    ASSERT_TRUE(std::is_sorted(list.begin(), list.end()));
    for (std::size_t k = 0; k < list.size(); ++k) byUnit[{list[k], n}] = o.amountsIn(n)[k];
  }
  EXPECT_EQ(byTaxon, expected);
  EXPECT_EQ(byUnit, expected);
  EXPECT_EQ(o.range(69999), 1);  // a repeated pair is one unit

  // Presence only: the same lists, no amounts.
  const Occurrences presence = occurrencesFrom(taxa, units, pairs, false);
  EXPECT_FALSE(presence.hasAmounts());
  EXPECT_EQ(presence.taxonUnits, o.taxonUnits);
  EXPECT_EQ(presence.unitTaxa, o.unitTaxa);
}

TEST(Adjacency, EdgesAreListedUnderBothUnitsOnceEach) {
  const Adjacency a = adjacencyFrom(70000, {{2, 1, 1.5}, {1, 69999, 2.0}, {3, 3, 7.0}, {1, 2, 0.5}, {0, 1, 9.0}});
  auto row = [&](int n) {
    std::vector<std::pair<int, double>> r;
    for (int k = 0; k < a.degree(n); ++k) r.emplace_back(a.neighboursOf(n)[k], a.lengthsOf(n)[k]);
    return r;
  };
  using Row = std::vector<std::pair<int, double>>;
  EXPECT_EQ(row(1), (Row{{2, 2.0}, {69999, 2.0}}));
  EXPECT_EQ(row(2), (Row{{1, 2.0}}));
  EXPECT_EQ(row(3), (Row{{3, 7.0}}));  // an outer boundary, not counted twice
  EXPECT_EQ(row(69999), (Row{{1, 2.0}}));
  EXPECT_EQ(row(70000), Row{});
}

}  // namespace
}  // namespace zn
