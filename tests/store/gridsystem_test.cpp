#include "store/gridsystem.h"

#include <gtest/gtest.h>

#include "store/session.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

// A master grid file with the given squares (column, row) marked.
std::string masterGrid(const std::vector<std::pair<int, int>>& squares) {
  std::string rows(125 * 82, '0');
  for (auto [c, r] : squares) rows[static_cast<std::size_t>((r - 1) * 82 + (c - 1))] = '1';
  return "ZNSQS 80x1" + rows;
}

std::vector<int> inner(const GridCell& c) { return {c.inner.begin(), c.inner.end()}; }
std::vector<int> outer(const GridCell& c) { return {c.outer.begin(), c.outer.end()}; }

struct BritainGridFixture : ::testing::Test {
  test::TempDir tmp;
  fs::path home = tmp.path() / "ZONARIUM";
  test::ScriptedHost host;
  Session s{host, home, GridVariant::Britain};
  void start(const std::vector<std::pair<int, int>>& squares) {
    test::writeFile(home / "britain" / "ZONARIUM.SQS", masterGrid(squares));
    ASSERT_TRUE(startSession(s));
  }
};

TEST_F(BritainGridFixture, NeighbourhoodsStopAtTheFrameEdgesAndTheSea) {
  // Land at the frame's east edge, the next row's west edge, the far
  // corner and one square in from it: numbered 1 … 5 in reading order.
  start({{80, 1}, {1, 2}, {2, 2}, {79, 124}, {80, 125}});
  ASSERT_EQ(s.ws.geo.cells, 5);
  // East of column 80 is outside the frame, not the next row's first square.
  EXPECT_EQ(inner(s.ws.cells[1]), std::vector<int>(8, 0));
  EXPECT_EQ(outer(s.ws.cells[1]), std::vector<int>(16, 0));
  // West of column 1 is outside the frame, not the previous row's last square.
  EXPECT_EQ(inner(s.ws.cells[2]), (std::vector<int>{0, 0, 0, 0, 3, 0, 0, 0}));
  EXPECT_EQ(inner(s.ws.cells[3])[3], 2);
  // The far corner sees its diagonal neighbour and nothing past the frame.
  EXPECT_EQ(inner(s.ws.cells[5]), (std::vector<int>{4, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(inner(s.ws.cells[4])[7], 5);
  EXPECT_EQ(outer(s.ws.cells[4]), std::vector<int>(16, 0));
}

TEST_F(BritainGridFixture, CellsAreReachedBySquareThroughTheMasterIndex) {
  start({{3, 1}, {1, 2}, {80, 125}});
  EXPECT_EQ(cellOfSquare(s.ws, 3, 1), 1);
  EXPECT_EQ(cellOfSquare(s.ws, 1, 2), 2);
  EXPECT_EQ(cellOfSquare(s.ws, 80, 125), 3);
  EXPECT_EQ(cellOfSquare(s.ws, 2, 1), 0) << "sea";
  EXPECT_EQ(cellOfSquare(s.ws, 81, 1), 0);
  EXPECT_EQ(cellOfSquare(s.ws, 1, 126), 0);
  EXPECT_EQ(cellOfSquare(s.ws, 0, 2), 0);
  // Every cell's record lies at its own square.
  for (int n = 1; n <= 3; ++n) {
    const GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    EXPECT_EQ(cellOfSquare(s.ws, c.column, c.row), n);
    EXPECT_EQ(c.x0, 80 + 10 * (c.column - 1));
  }
}

TEST_F(BritainGridFixture, StoresPastTheMasterGridFailInTheSharedOrder) {
  // Every square is land: 3947 cells, as many as a card holds.
  std::vector<std::pair<int, int>> all;
  for (int r = 1; r <= 125; ++r)
    for (int c = 1; c <= 80; ++c) all.emplace_back(c, r);
  test::writeFile(home / "britain" / "ZONARIUM.SQS", masterGrid(all));
  const std::size_t master = (80 * 125 + 1) * sizeof(int), card = 4096, cells = 3949 * sizeof(GridCell),
                    work = (5 * 3947 + 10) * sizeof(std::int32_t);
  struct Case {
    std::size_t limit;
    const char* message;
  };
  for (Case c : {Case{master - 1, "failure to find memory for mastergrid"},
                 Case{master + card, "failure to find memory for gridcell"},
                 Case{card + cells + work - 1, "failure to find memory for backcell"},
                 Case{card + cells + 3 * work, "failure to find memory for prop, prop2, prop3"}}) {
    test::ScriptedHost h;
    Session b(h, home, GridVariant::Britain);
    b.memory.limitBytes = c.limit;
    EXPECT_FALSE(startSession(b)) << c.message;
    // The store shows nothing itself: the one notice is left for the shell.
    EXPECT_TRUE(h.messages.empty()) << c.message;
    ASSERT_EQ(b.notices.size(), 1u) << c.message;
    EXPECT_EQ(test::noticeLines(b)[0], std::string("BANG!!: ") + c.message);
  }
  test::ScriptedHost h;
  Session b(h, home, GridVariant::Britain);
  b.memory.limitBytes = card + cells + 4 * work;
  ASSERT_TRUE(startSession(b));
  EXPECT_EQ(b.ws.geo.cells, 3947);
  EXPECT_EQ(b.ws.cells.size(), 3949u);
}

TEST(WorldGrid, CellsAreReachedBySquareInReadingOrder) {
  test::TempDir tmp;
  test::ScriptedHost host;
  Session s(host, tmp.path());
  ASSERT_TRUE(startSession(s));
  EXPECT_EQ(cellOfSquare(s.ws, 1, 1), 1);
  EXPECT_EQ(cellOfSquare(s.ws, 36, 1), 36);
  EXPECT_EQ(cellOfSquare(s.ws, 1, 2), 37);
  EXPECT_EQ(cellOfSquare(s.ws, 36, 24), 864);
  EXPECT_EQ(cellOfSquare(s.ws, 37, 1), 0);
  EXPECT_EQ(cellOfSquare(s.ws, 0, 2), 0);
  EXPECT_EQ(cellOfSquare(s.ws, 1, 25), 0);
}

TEST(GridHeaders, CountsSurviveTheirOwnHeaderAndAreClampedToIt) {
  for (GridVariant v : {GridVariant::World, GridVariant::Britain}) {
    const GridSystem& g = gridSystem(v);
    for (int count : {0, 3, 999, g.maxTaxa()}) {
      const std::string h = g.headerImage(count, "title");
      ASSERT_EQ(h.size(), static_cast<std::size_t>(g.cards().headerSize)) << count;
      EXPECT_EQ(g.headerCount(reinterpret_cast<const unsigned char*>(h.data()), h.size()), count);
    }
    const std::string over = g.headerImage(g.maxTaxa() + 1, "");
    EXPECT_EQ(g.headerCount(reinterpret_cast<const unsigned char*>(over.data()), over.size()), g.maxTaxa());
    const std::string under = g.headerImage(-4, "");
    EXPECT_EQ(g.headerCount(reinterpret_cast<const unsigned char*>(under.data()), under.size()), 0);
    // The title is cut to 31 characters and NUL-terminated.
    const std::string longTitle = g.headerImage(1, std::string(40, 'x'));
    EXPECT_EQ(longTitle.substr(longTitle.size() - 32), std::string(31, 'x') + '\0');
    EXPECT_EQ(g.headerCount(reinterpret_cast<const unsigned char*>(over.data()), 1), std::nullopt);
  }
  EXPECT_EQ(gridSystem(GridVariant::Britain).headerImage(42, "").substr(0, 4), "  42");
}

TEST(GridKeys, BritainFoldersShareOneGridAndWorldFoldersKeepTheirOwn) {
  const GridSystem& gb = gridSystem(GridVariant::Britain);
  EXPECT_EQ(gb.gridKey("britain\\"), "britain");
  EXPECT_EQ(gb.gridKey("britain2\\"), "britain");
  EXPECT_EQ(gb.gridKey("brit\\"), "brit\\");
  const GridSystem& world = gridSystem(GridVariant::World);
  EXPECT_EQ(world.gridKey("britain2\\"), "britain2\\");
  EXPECT_NE(world.gridKey("equal\\"), world.gridKey("ravelund\\"));
  EXPECT_EQ(gridVariantNamed("britain"), GridVariant::Britain);
  EXPECT_EQ(gridVariantNamed("world"), GridVariant::World);
  EXPECT_EQ(gridVariantNamed("World"), std::nullopt);
}

}  // namespace
}  // namespace zn
