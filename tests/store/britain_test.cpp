#include "store/britain.h"

#include <gtest/gtest.h>


#include "shell/data_dialogue.h"
#include "store/datafile.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

// A master grid file with the given squares (column, row) marked.
std::string masterGrid(const std::vector<std::pair<int, int>>& squares) {
  std::string rows(125 * 82, '0');
  for (int r = 0; r < 125; ++r) {
    rows[static_cast<std::size_t>(r * 82 + 80)] = '\r';
    rows[static_cast<std::size_t>(r * 82 + 81)] = '\n';
  }
  for (auto [c, r] : squares) rows[static_cast<std::size_t>((r - 1) * 82 + (c - 1))] = '1';
  return "ZNSQS 80x1" + rows;
}

// A Britain datafile: "%4d" count, 32-byte title, 4096-byte cards.
std::string britainDatafile(const char* countText, const std::string& title, const std::vector<test::TaxonSpec>& taxa) {
  std::string s(countText, 4);
  std::string t(32, '\0');
  t.replace(0, std::min<std::size_t>(title.size(), 31), title.substr(0, 31));
  s += t;
  for (const auto& tx : taxa) {
    std::string card(4096, '\0');
    card.replace(0, tx.name.size(), tx.name);
    std::string code = tx.code;
    code.resize(31, '0');
    card.replace(32, 31, code);
    for (auto [cell, level] : tx.levels) card[static_cast<std::size_t>(92 + cell)] = static_cast<char>(level);
    s += card;
  }
  return s;
}

struct BritainFixture : ::testing::Test {
  test::TempDir tmp;
  fs::path home = tmp.path() / "ZONARIUM";
  test::ScriptedHost host;
  Session s{host, home, GridVariant::Britain};

  void SetUp() override {
    // Three land squares: the top-left corner, one beside it, one two rows down.
    test::writeFile(home / "britain" / "ZONARIUM.SQS", masterGrid({{1, 1}, {2, 1}, {3, 3}}));
    std::string coast;
    for (int v : {3, 300, 40, 0, 500, 310, 45}) putI32(coast, v);
    test::writeFile(home / "britain" / "ZONARIUM.@50", coast);
  }
};

TEST_F(BritainFixture, MasterGridNumbersCellsInReadingOrder) {
  ASSERT_TRUE(startSession(s));
  EXPECT_EQ(s.ws.geo.cells, 3);
  EXPECT_TRUE(s.ws.lattice.empty());
  const GridCell& c1 = s.ws.cells[1];
  EXPECT_EQ(c1.column, 1);
  EXPECT_EQ(c1.row, 1);
  EXPECT_EQ(c1.x0, 80);
  EXPECT_EQ(c1.y0, 60);
  EXPECT_EQ(c1.x1, 90);
  EXPECT_EQ(c1.y1, 70);
  EXPECT_EQ(s.ws.cells[3].column, 3);
  EXPECT_EQ(s.ws.cells[3].row, 3);
  // Cell 1: east is cell 2; the square two down and two across is cell 3.
  EXPECT_EQ(s.ws.cells[1].inner[4], 2);
  EXPECT_EQ(s.ws.cells[1].inner[7], 0);  // SE is no cell
  EXPECT_EQ(s.ws.cells[1].outer[15], 3);
  EXPECT_EQ(s.ws.cells[3].outer[0], 1);
  EXPECT_EQ(s.ws.cards.layout->size, 4096);
}

TEST_F(BritainFixture, CoastlineBreaksMoveToTheExtentAndPointsShiftIntoTheFrame) {
  ASSERT_TRUE(startSession(s));
  EXPECT_EQ(s.coastApplies, CoastOutline::kBritain);
  ASSERT_EQ(s.coast.points.size(), 3u);
  EXPECT_EQ(s.coast.points[0].x, 300 + 80 - 220);
  EXPECT_EQ(s.coast.points[0].y, 40 + 60);
  EXPECT_EQ(s.coast.points[1].x, 1081);
  EXPECT_EQ(s.coast.points[1].y, 500);
}

TEST_F(BritainFixture, DatafileHeaderCountIsFourAsciiCharacters) {
  ASSERT_TRUE(startSession(s));
  std::vector<test::TaxonSpec> taxa{
      {"Aglais io", "11", {{1, 2}, {3, 2}}}, {"Aglais urticae", "12", {{2, 1}}}, {"Pieris rapae", "21", {{3, 2}}}};
  for (const char* count : {"   3", "0003"}) {
    fs::path f = home / "britain" / (std::string("but") + (count[0] == ' ' ? "a" : "b") + ".dat");
    test::writeFile(f, britainDatafile(count, "GB butterflies", taxa));
    host.openFiles.push_back(f);
    ASSERT_TRUE(openDatafile(s, host)) << count;
    EXPECT_EQ(s.ws.taxaCount, 3) << count;
    EXPECT_EQ(s.ws.counters.records, 4);
    EXPECT_EQ(s.ws.datafile.levels, 2);
    EXPECT_EQ(s.gridTypes.types[kBritainGridSlot].name, "Britain 10km grid");
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(BritainFixture, WorldDataAreRefused) {
  ASSERT_TRUE(startSession(s));
  fs::path f = home / "equal" / "x.dat";
  test::writeFile(f, britainDatafile("   3", "x", {{"A", "1", {}}, {"B", "2", {}}, {"C", "3", {}}}));
  host.openFiles.push_back(f);
  EXPECT_FALSE(openDatafile(s, host));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messageLines()[0], "Subdirectory: equal\\: To read these data use\nZN41.EXE (Zonarium)");
}

TEST_F(BritainFixture, MissingOrEmptyMasterGridIsFatal) {
  fs::remove(home / "britain" / "ZONARIUM.SQS");
  EXPECT_FALSE(startSession(s));
  EXPECT_EQ(test::noticeLines(s).back(), "BANG!!: failure to open \\ZONARIUM\\BRITAIN\\ZONARIUM.SQS");
  test::ScriptedHost host2;
  Session empty(host2, home, GridVariant::Britain);
  test::writeFile(home / "britain" / "ZONARIUM.SQS", masterGrid({}));
  EXPECT_FALSE(startSession(empty));
  EXPECT_EQ(test::noticeLines(empty).back(), "BANG!!: no grid cells read from sqs file");
}

TEST(BritainLegend, ClassNamesFollowTheFileName) {
  EXPECT_EQ(britainLegend("birds.dat"), std::make_pair(std::string("sighting"), std::string("breeding")));
  EXPECT_EQ(britainLegend("bto_atlas.dat").first, "sighting");
  EXPECT_EQ(britainLegend("odonata.dat").second, "1975 onwards");
  EXPECT_EQ(britainLegend("damsel.dat").first, "pre 1975");
  EXPECT_EQ(britainLegend("butterflies.dat").first, "pre 1970");
  EXPECT_EQ(britainLegend("moths.dat"), std::make_pair(std::string("pre 1960"), std::string("1960 onwards")));
}

TEST(BritainCoastline, HostileCountsAreBounded) {
  Geometry geo;
  Coastline coast;
  std::string data;
  putI32(data, 1000000);
  putI32(data, 5);
  putI32(data, 6);
  parseBritainCoastline(coast, data, geo);
  EXPECT_EQ(coast.points.size(), 1u);
  std::string negative;
  putI32(negative, -4);
  parseBritainCoastline(coast, negative, geo);
  EXPECT_TRUE(coast.points.empty());
}

TEST(BritainCoastline, AFileWithoutItsCountIsNotRead) {
  test::TempDir tmp;
  Geometry geo;
  Coastline coast;
  for (const char* bytes : {"", "abc"}) {
    test::writeFile(tmp.path() / "ZONARIUM.@50", bytes);
    EXPECT_FALSE(readBritainCoastline(coast, tmp.path() / "ZONARIUM.@50", geo));
  }
  std::string whole;
  putI32(whole, 0);
  test::writeFile(tmp.path() / "ZONARIUM.@50", whole);
  EXPECT_TRUE(readBritainCoastline(coast, tmp.path() / "ZONARIUM.@50", geo));
}

}  // namespace
}  // namespace zn
