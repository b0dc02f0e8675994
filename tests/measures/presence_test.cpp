// The presence index against a plain recount of the card levels, in both of
// its forms (16-bit lists and bit rows), at the edges: a taxon on every cell,
// empty taxa, the first and last cells, numbers beyond 16 bits, and an
// excluded level below zero.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "measures/presence.h"

namespace zn {
namespace {

std::vector<int> listed(const PresenceList& l) { return {l.begin(), l.end()}; }

// Every list of the index, compared with the levels read one by one.
void expectRecount(const Workspace& ws, const PresenceIndex& ix, int excluded) {
  ASSERT_EQ(ix.taxa, std::min(ws.taxaCount, ws.cards.slots()));
  ASSERT_EQ(ix.cells, std::min(ws.geo.cells, ws.cards.layout->maxCells));
  std::vector<std::vector<int>> taxaOf(static_cast<std::size_t>(ix.cells) + 1);
  for (int t = 0; t < ix.taxa; ++t) {
    std::vector<int> cells;
    for (int n = 1; n <= ix.cells; ++n)
      if (ws.cards.level(t, n) > excluded) {
        cells.push_back(n);
        taxaOf[static_cast<std::size_t>(n)].push_back(t);
      }
    ASSERT_EQ(listed(ix.cellsOf(t)), cells) << "taxon " << t;
    ASSERT_EQ(ix.cellsOf(t).size(), cells.size());
    ASSERT_EQ(ix.range(t), static_cast<int>(cells.size()));
  }
  for (int n = 1; n <= ix.cells; ++n) {
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

TEST(PresenceIndex, SparseWorldDataGoToSixteenBitLists) {
  Workspace ws = cardsOf(kWorldCards, 300, 864);
  for (int n = 1; n <= 864; ++n) ws.cards.setLevel(0, n, 1);  // everywhere
  ws.cards.setLevel(2, 1, 3);                                 // first and last cells only
  ws.cards.setLevel(2, 864, 1);
  ws.cards.setLevel(3, 5, -2);  // below the excluded level only
  for (int t = 4; t < 300; ++t) ws.cards.setLevel(t, 1 + (t * 37) % 864, 2);
  ws.cards.setLevel(299, 864, 1);
  const PresenceIndex ix = buildPresenceIndex(ws, 0);
  EXPECT_EQ(ix.taxonWords, 0u);
  EXPECT_EQ(ix.cellWords, 0u);
  expectRecount(ws, ix, 0);
  EXPECT_EQ(ix.range(1), 0);
  EXPECT_EQ(ix.range(3), 0);
  // A level above zero only: the taxon on level 1 cells drops out.
  expectRecount(ws, buildPresenceIndex(ws, 1), 1);
}

TEST(PresenceIndex, DenseDataGoToBitRowsAcrossWordEdges) {
  // 130 taxa: cell rows span three words; the world grid's 865 cell bits fill 14.
  Workspace ws = cardsOf(kWorldCards, 130, 864);
  for (int t = 0; t < 130; ++t)
    for (int n = 1; n <= 864; ++n)
      if (t != 64 && (t == 0 || t == 129 || (t + n) % 8 != 0)) ws.cards.setLevel(t, n, 1 + (n % 3));
  const PresenceIndex ix = buildPresenceIndex(ws, 0);
  EXPECT_GT(ix.taxonWords, 0u);
  EXPECT_GT(ix.cellWords, 0u);
  expectRecount(ws, ix, 0);
  EXPECT_EQ(ix.range(64), 0);
  EXPECT_EQ(ix.range(129), 864);
  // Below zero every cell counts, the empty taxon's included.
  const PresenceIndex all = buildPresenceIndex(ws, -1);
  expectRecount(ws, all, -1);
  EXPECT_EQ(all.range(64), 864);
}

TEST(PresenceIndex, NumbersBeyondSixteenBitsUseBitRows) {
  // Cells past 65,535 in one direction, taxa past 65,536 in the other, on
  // made-up layouts (the shipped grids stay far below both).
  CardLayout wide = kWorldCards;
  wide.size = 66 + 70000 + 8;
  wide.maxCells = 70000;
  Workspace w = cardsOf(wide, 3, 70000);
  for (int n : {1, 65535, 65536, 65537, 70000}) w.cards.setLevel(0, n, 1);
  w.cards.setLevel(2, 65535, 1);
  const PresenceIndex wi = buildPresenceIndex(w, 0);
  EXPECT_GT(wi.taxonWords, 0u);
  EXPECT_EQ(wi.cellWords, 0u);
  expectRecount(w, wi, 0);

  CardLayout narrow = kWorldCards;
  narrow.size = 66 + 9;
  narrow.maxCells = 8;
  Workspace m = cardsOf(narrow, 65600, 8);
  for (int t : {0, 65535, 65536, 65599}) m.cards.setLevel(t, 8, 1);
  m.cards.setLevel(65536, 1, 1);
  const PresenceIndex mi = buildPresenceIndex(m, 0);
  EXPECT_GT(mi.cellWords, 0u);
  expectRecount(m, mi, 0);
  EXPECT_EQ(listed(mi.taxaIn(8)), (std::vector<int>{0, 65535, 65536, 65599}));
}

}  // namespace
}  // namespace zn
