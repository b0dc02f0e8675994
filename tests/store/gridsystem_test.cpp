#include "store/gridsystem.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "shell/data_dialogue.h"
#include "store/britain.h"
#include "store/datafile.h"
#include "store/gridtypes.h"
#include "store/session.h"
#include "store/unitgeometry.h"
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

std::vector<int> ring(const Session& s, int n, int k) {
  std::vector<int> out;
  unitGeometry(s)->ring(n, k, out);
  return out;
}

struct BritainGridFixture : ::testing::Test {
  test::TempDir tmp;
  fs::path home = tmp.path() / "ZONARIUM";
  test::ScriptedHost host;
  Session s{host, home, GridVariant::Britain};
  void start(const std::vector<std::pair<int, int>>& squares) {
    test::writeFile(home / "britain" / "ZONARIUM.SQS", masterGrid(squares));
    ASSERT_TRUE(startSession(s));
  }
  // Three land squares (the top-left corner, one beside it, one two rows
  // down) and a coastline.
  void startThree() {
    std::string coast;
    for (int v : {3, 300, 40, 0, 500, 310, 45}) putI32(coast, v);
    test::writeFile(home / "britain" / "ZONARIUM.@50", coast);
    start({{1, 1}, {2, 1}, {3, 3}});
  }
};

TEST_F(BritainGridFixture, NeighbourhoodsStopAtTheFrameEdgesAndTheSea) {
  // Land at the frame's east edge, the next row's west edge, the far
  // corner and one square in from it: numbered 1 … 5 in reading order.
  start({{80, 1}, {1, 2}, {2, 2}, {79, 124}, {80, 125}});
  ASSERT_EQ(s.ws.geo.cells, 5);
  // East of column 80 is outside the frame, not the next row's first square.
  EXPECT_EQ(ring(s, 1, 1), std::vector<int>{});
  EXPECT_EQ(ring(s, 1, 2), std::vector<int>{});
  // West of column 1 is outside the frame, not the previous row's last square.
  EXPECT_EQ(ring(s, 2, 1), std::vector<int>{3});
  EXPECT_EQ(ring(s, 3, 1), std::vector<int>{2});
  // The far corner sees its diagonal neighbour and nothing past the frame.
  EXPECT_EQ(ring(s, 5, 1), std::vector<int>{4});
  EXPECT_EQ(ring(s, 4, 1), std::vector<int>{5});
  EXPECT_EQ(ring(s, 4, 2), std::vector<int>{});
}

TEST_F(BritainGridFixture, CellsAreReachedBySquareThroughTheMasterIndex) {
  start({{3, 1}, {1, 2}, {80, 125}});
  // Land squares, a sea square (2, 1) and squares off the frame.
  for (auto [column, row, cell] : std::vector<std::array<int, 3>>{
           {3, 1, 1}, {1, 2, 2}, {80, 125, 3}, {2, 1, 0}, {81, 1, 0}, {1, 126, 0}, {0, 2, 0}})
    EXPECT_EQ(cellOfSquare(s.ws, column, row), cell) << column << "," << row;
  // Every cell's record lies at its own square.
  for (int n = 1; n <= 3; ++n) {
    const GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
    EXPECT_EQ(cellOfSquare(s.ws, c.column, c.row), n);
    EXPECT_EQ(c.x0, 80 + 10 * (c.column - 1));
  }
  // An index that ends at a square reads it as sea.
  s.ws.masterIndex.resize(10000);
  EXPECT_EQ(cellOfSquare(s.ws, 80, 125), 0);
}

// Stores past the grid fail in the shared order on either grid, fatal and
// shown by nothing but the one notice left for the shell; the Britain grid
// of every square land (3947 cells, as many as a card holds) starts with
// enough.
TEST(StartSession, AllocationFailuresAreFatalInOrderOnEitherGrid) {
  test::TempDir tmp;
  const fs::path home = tmp.path() / "ZONARIUM";
  std::vector<std::pair<int, int>> all;
  for (int r = 1; r <= 125; ++r)
    for (int c = 1; c <= 80; ++c) all.emplace_back(c, r);
  test::writeFile(home / "britain" / "ZONARIUM.SQS", masterGrid(all));
  const std::size_t card = 1024, lattice = 62 * sizeof(LatticeLine), cells = 866 * sizeof(GridCell),
                    work = (5 * 864 + 10) * sizeof(std::int32_t);
  const std::size_t master = (80 * 125 + 1) * sizeof(int), gbCard = 4096, gbCells = 3949 * sizeof(GridCell),
                    gbWork = (5 * 3947 + 10) * sizeof(std::int32_t);
  struct Case {
    GridVariant grid;
    std::size_t limit;
    const char* message;  // none: the session starts
  };
  const GridVariant world = GridVariant::World, britain = GridVariant::Britain;
  for (Case c :
       {Case{world, 100, "card"}, Case{world, card + lattice - 1, "gridlattice"},
        Case{world, card + lattice + cells - 1, "gridcell"}, Case{world, card + lattice + cells + work - 1, "backcell"},
        Case{world, card + lattice + cells + 3 * work, "prop, prop2, prop3"}, Case{britain, master - 1, "mastergrid"},
        Case{britain, master + gbCard, "gridcell"}, Case{britain, gbCard + gbCells + gbWork - 1, "backcell"},
        Case{britain, gbCard + gbCells + 3 * gbWork, "prop, prop2, prop3"},
        Case{britain, gbCard + gbCells + 4 * gbWork, nullptr}}) {
    SCOPED_TRACE(c.message ? c.message : "enough");
    test::ScriptedHost h;
    Session b(h, home, c.grid);
    b.memory.limitBytes = c.limit;
    EXPECT_EQ(startSession(b), !c.message);
    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(b.fatal, c.message != nullptr);
    if (!c.message) {
      EXPECT_EQ(b.ws.geo.cells, 3947);
      EXPECT_EQ(b.ws.cells.size(), 3949u);
      continue;
    }
    ASSERT_EQ(b.notices.size(), 1u);
    EXPECT_EQ(test::noticeLines(b)[0], std::string("BANG!!: failure to find memory for ") + c.message);
    EXPECT_EQ(b.notices[0].icon, Icon::Error);
  }
}

// Squares to cells on the world grid, and the rule every user of a grid's geometry relies on, over both grids: the
// rings hold 8 and 16 units inside the frame and fewer at its edges; a
// unit's centroid lies inside its outline and its map rectangle, and a hit
// test there finds the unit itself.
TEST(UnitGeometryRule, RingsCentroidsAndHitTestsAgreeOnBothGrids) {
  test::TempDir tmp;
  const fs::path home = tmp.path() / "ZONARIUM";
  // The Britain frame's north-west corner and a block inside it.
  std::vector<std::pair<int, int>> squares;
  for (int r = 1; r <= 5; ++r)
    for (int c = 1; c <= 5; ++c) squares.emplace_back(c, r);
  for (int r = 60; r <= 64; ++r)
    for (int c = 38; c <= 42; ++c) squares.emplace_back(c, r);
  test::writeFile(home / "britain" / "ZONARIUM.SQS", masterGrid(squares));
  test::ScriptedHost host;
  Session world(host, home), britain(host, home, GridVariant::Britain);
  ASSERT_TRUE(startSession(world));
  buildNeighbourhoods(world.ws);
  ASSERT_TRUE(startSession(britain));
  // World cells are reached by square in reading order, 36 to a row.
  for (auto [column, row, cell] : std::vector<std::array<int, 3>>{
           {1, 1, 1}, {36, 1, 36}, {1, 2, 37}, {36, 24, 864}, {37, 1, 0}, {0, 2, 0}, {1, 25, 0}})
    EXPECT_EQ(cellOfSquare(world.ws, column, row), cell) << column << "," << row;

  struct Case {
    const Session& s;
    int unit;
    std::size_t ring1, ring2;
  };
  // Britain: units 1 and 3 are squares (1, 1) and (3, 1); 38 is (40, 62).
  const Case cases[] = {{world, 1, 3, 5},        {world, 36, 3, 5},    {world, 3, 5, 9},
                        {world, 37 * 10, 8, 16}, {world, 864, 3, 5},   {britain, 1, 3, 5},
                        {britain, 3, 5, 9},      {britain, 38, 8, 16}, {britain, 26, 3, 5}};
  for (const Case& c : cases) {
    EXPECT_EQ(ring(c.s, c.unit, 1).size(), c.ring1) << c.s.grid().programName() << " unit " << c.unit;
    EXPECT_EQ(ring(c.s, c.unit, 2).size(), c.ring2) << c.s.grid().programName() << " unit " << c.unit;
  }

  for (const Session* s : {&world, &britain}) {
    const auto units = unitGeometry(*s);
    ASSERT_GT(units->unitCount(), 0);
    for (int n = 1; n <= units->unitCount(); ++n) {
      const auto centre = units->centroid(n);
      ASSERT_TRUE(centre) << n;
      bool inside = false;
      for (const CrsBox& b : units->outline(n))
        inside = inside || (b.west <= centre->x && centre->x < b.east && b.south <= centre->y && centre->y < b.north);
      EXPECT_TRUE(inside) << s->grid().programName() << " unit " << n;
      EXPECT_EQ(units->unitAtPoint(centre->x, centre->y), n) << s->grid().programName();
      const MapBox box = *units->bounds(n);
      EXPECT_EQ(units->unitAt((box.x0 + box.x1) / 2, (box.y0 + box.y1) / 2), n) << s->grid().programName();
    }
    // Points off the grid, however far, find nothing.
    for (const auto& [x, y] : {std::pair{-1e300, 0.0}, {1e300, 1e300}, {0.0, std::nan("")}})
      EXPECT_EQ(units->unitAtPoint(x, y), 0) << s->grid().programName() << " " << x << " " << y;
    const Geometry& geo = s->ws.geo;
    EXPECT_EQ(units->unitAt(geo.originX - 1, geo.originY), 0);
    // Right of the frame is no unit, not the next row's first.
    EXPECT_EQ(units->unitAt(geo.originX + geo.columns * geo.cellSize + 1, geo.originY + 1), 0);
    EXPECT_FALSE(units->bounds(units->unitCount() + 1));
  }
  // A sea square beside Britain's north-west block is no unit.
  const Geometry& gb = britain.ws.geo;
  EXPECT_EQ(unitGeometry(britain)->unitAt(gb.originX + gb.cellSize * 5 + gb.cellSize / 2, gb.originY + 1), 0);
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
  // (The two names themselves: --grid in info.case.)
  EXPECT_EQ(gridVariantNamed("World"), std::nullopt);
}

// Three land squares numbered in reading order with their neighbours, the
// coast shifted into the frame, Britain datafiles read with either form of
// header count, and world data refused.
TEST_F(BritainGridFixture, MasterGridCoastAndDatafilesOfThreeSquares) {
  startThree();
  EXPECT_EQ(s.ws.geo.cells, 3);
  EXPECT_TRUE(s.ws.lattice.empty());
  const GridCell& c1 = s.ws.cells[1];
  EXPECT_EQ(std::vector<int>({c1.column, c1.row, c1.x0, c1.y0, c1.x1, c1.y1}),
            std::vector<int>({1, 1, 80, 60, 90, 70}));
  EXPECT_EQ(std::pair(s.ws.cells[3].column, s.ws.cells[3].row), std::pair(3, 3));
  // Cell 1: east is cell 2; the square two down and two across is cell 3.
  EXPECT_EQ(s.ws.cells[1].inner[4], 2);
  EXPECT_EQ(s.ws.cells[1].inner[7], 0);  // SE is no cell
  EXPECT_EQ(s.ws.cells[1].outer[15], 3);
  EXPECT_EQ(s.ws.cells[3].outer[0], 1);
  EXPECT_EQ(s.ws.cards.layout->size, 4096);

  // Coastline breaks move to the extent and points shift into the frame.
  EXPECT_EQ(s.coastApplies, CoastOutline::kBritain);
  std::vector<std::pair<int, int>> points;
  for (const auto& q : s.coast.points) points.emplace_back(q.x, q.y);
  EXPECT_EQ(points,
            (std::vector<std::pair<int, int>>{{300 + 80 - 220, 40 + 60}, {1081, 500}, {310 + 80 - 220, 45 + 60}}));

  // The header count is four ASCII characters, blank- or zero-padded.
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

  fs::path f = home / "equal" / "x.dat";
  test::writeFile(f, britainDatafile("   3", "x", {{"A", "1", {}}, {"B", "2", {}}, {"C", "3", {}}}));
  host.openFiles.push_back(f);
  EXPECT_FALSE(openDatafile(s, host));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messageLines()[0], "Subdirectory: equal\\: To read these data use\nZN41.EXE (Zonarium)");
}

TEST_F(BritainGridFixture, MissingOrEmptyMasterGridIsFatal) {
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
  EXPECT_EQ(britainLegend("damsel.dat").first, "pre 1975");
  EXPECT_EQ(britainLegend("butterflies.dat").first, "pre 1970");
  EXPECT_EQ(britainLegend("moths.dat"), std::make_pair(std::string("pre 1960"), std::string("1960 onwards")));
}

Workspace worldWorkspace() {
  Workspace ws;
  ws.cells.resize(866);
  buildCellCorners(ws);
  buildNeighbourhoods(ws);
  return ws;
}

std::vector<int> firstNine(const GridCell& c) {
  std::vector<int> v{c.number};
  v.insert(v.end(), c.inner.begin(), c.inner.end());
  return v;
}

TEST(Neighbourhoods, ZerosOutsideTheGridRingsInReadingOrderAndTheDateLineAt21) {
  Workspace ws = worldWorkspace();
  EXPECT_EQ(firstNine(ws.cells[1]), (std::vector<int>{1, 0, 0, 0, 0, 2, 0, 37, 38}));
  EXPECT_EQ(firstNine(ws.cells[36]), (std::vector<int>{36, 0, 0, 0, 35, 0, 71, 72, 0}));
  EXPECT_EQ(firstNine(ws.cells[864]), (std::vector<int>{864, 827, 828, 0, 863, 0, 0, 0, 0}));
  // Columns never wrap: cell 37 (row 2, column 1) has nothing to its west.
  EXPECT_EQ(ws.cells[37].inner[3], 0);
  EXPECT_EQ(ws.cells[37].outer[7], 0);
  // The outer ring is in reading order.
  const GridCell& c = ws.cells[3 * 36 + 5];  // row 4, column 5
  std::vector<int> expect{39, 40, 41, 42, 43, 75, 79, 111, 115, 147, 151, 183, 184, 185, 186, 187};
  EXPECT_EQ(std::vector<int>(c.outer.begin(), c.outer.end()), expect);
  // The fixed coordinates cross the date line between columns 21 and 22.
  // (The first and last rows and columns: the cells' outlines in gis.case.)
  EXPECT_DOUBLE_EQ(ws.cells[21].lonEast, 180.0);
  EXPECT_DOUBLE_EQ(ws.cells[22].lonWest, 180.0);
  EXPECT_DOUBLE_EQ(ws.cells[22].lonEast, -170.0);
  EXPECT_DOUBLE_EQ(ws.cells[12 * 36 + 1].latNorth, 0.0);
  EXPECT_DOUBLE_EQ(ws.cells[13 * 36 + 1].latNorth, -4.98333);
}

TEST(GridTypeNames, WorldGridsByTheirBeginningsOthersUpToTheBackslashAndCappedRecords) {
  // The last character before the backslash is never compared.
  for (const char* yes : {"equal\\", "equax\\", "equalx\\", "ravelund\\", "ravelunx\\", "e\\"})
    EXPECT_TRUE(isWorldGridName(yes)) << yes;
  for (const char* no : {"equxl\\", "neotrop\\", "ravelxndx\\", "britain\\"}) EXPECT_FALSE(isWorldGridName(no)) << no;

  // A subdirectory matches the record up to its backslash.
  GridTypes types;
  parseMapDefinitions(types, test::mapDefinitionImage({{"A", "equal", {}, 1}, {"B", "neo", {}, 1}}));
  ASSERT_EQ(types.types.size(), 2u);
  EXPECT_EQ(findGridType(types, "equal\\"), 0);
  EXPECT_EQ(findGridType(types, "neo\\"), 1);
  // A record whose name continues past s (with anything but a backslash)
  // still matches: the first difference is s's own backslash.
  EXPECT_EQ(findGridType(types, "equ\\"), 0);
  EXPECT_EQ(findGridType(types, "ne\\"), 1);
  EXPECT_EQ(findGridType(types, "nex\\"), -1);
  EXPECT_EQ(findGridType(types, "equalx\\"), -1);

  // The count of records is capped and a short file keeps its whole records.
  std::vector<test::GridTypeSpec> many;
  for (int i = 0; i < 45; ++i) many.push_back({"g" + std::to_string(i), "d" + std::to_string(i), {}, 1});
  parseMapDefinitions(types, test::mapDefinitionImage(many));
  EXPECT_EQ(types.types.size(), 40u);
  std::string img = test::mapDefinitionImage({{"A", "a", {{5, 3}}, 0}, {"B", "b", {}, 1}});
  img.resize(img.size() - 10);
  parseMapDefinitions(types, img);
  ASSERT_EQ(types.types.size(), 1u);
  EXPECT_EQ(types.types[0].classes[5], 3);
  EXPECT_EQ(types.types[0].classes[6], 0);
  parseMapDefinitions(types, test::mapDefinitionImage({{"A", "a", {}, 1}}, -3));
  EXPECT_TRUE(types.types.empty());
  parseMapDefinitions(types, std::string("\x01", 1));
  EXPECT_TRUE(types.types.empty());
}

TEST(Coastline, PointsAreConvertedClampedAndTheirNumberBoundedOnEitherGrid) {
  Geometry geo;
  Coastline coast;
  parseCoastline(
      coast, test::coastlineImage({{4, 587}, {652, 155}, {328, 371}, {0, 0}, {2000, 9000}, {651, 300}}, {{100, 400}}),
      geo);
  EXPECT_EQ(coast.countA, 6);
  EXPECT_EQ(coast.countB, 1);
  std::vector<std::pair<int, int>> points;
  for (const auto& q : coast.points) points.emplace_back(q.x, q.y);
  // Four logical units a source unit from the origin (160, 160); the fourth
  // point is clamped to the origin and the far corner, the fifth to the
  // logical extent, and far x - 4 becomes far x.
  EXPECT_EQ(points, (std::vector<std::pair<int, int>>{
                        {160, 160}, {2752, 1888}, {1456, 1024}, {160, 1888}, {3073, 160}, {2752, 1308}, {544, 908}}));

  // Too many points are cut, a cut-short file keeps its whole points.
  std::vector<std::pair<int, int>> line(2100, {100, 300});
  parseCoastline(coast, test::coastlineImage(line, {{1, 1}}), geo);
  EXPECT_EQ(coast.points.size(), 2002u);
  EXPECT_EQ(coast.countA, 2002);
  std::string img = test::coastlineImage({{10, 300}, {20, 300}, {30, 300}}, {{5, 5}});
  img.resize(img.size() - 6);
  parseCoastline(coast, img, geo);
  EXPECT_EQ(coast.points.size(), 2u);
  EXPECT_EQ(coast.countA + coast.countB, 2);
  parseCoastline(coast, "ab", geo);
  EXPECT_TRUE(coast.points.empty());

  // Britain's coastline: the count is bounded by the bytes that follow it,
  // and a file too short to hold the count is not read.
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

  test::TempDir tmp;
  for (const char* bytes : {"", "abc"}) {
    test::writeFile(tmp.path() / "ZONARIUM.@50", bytes);
    EXPECT_FALSE(readBritainCoastline(coast, tmp.path() / "ZONARIUM.@50", geo));
  }
  test::writeFile(tmp.path() / "ZONARIUM.@50", std::string(4, '\0'));
  EXPECT_TRUE(readBritainCoastline(coast, tmp.path() / "ZONARIUM.@50", geo));
}

TEST(LocationNames, NamesAreCutAtSeventeenAndEmptyOrMissingNamesBecomeBlanks) {
  test::TempDir tmp;
  Workspace ws = worldWorkspace();
  std::string loc(864 * 20, '\0');
  std::string longName = "ABCDEFGHIJKLMNOPQRST";  // 20 visible characters
  loc.replace(0, 20, longName);
  loc.replace(20, 5, "Kenya");
  test::writeFile(tmp.path() / "ZONARIUM.LOC", loc);
  readLocationNames(ws, tmp.path());
  EXPECT_STREQ(ws.cells[1].name.data(), "ABCDEFGHIJKLMNOPQ");
  EXPECT_STREQ(ws.cells[2].name.data(), "Kenya");
  EXPECT_STREQ(ws.cells[3].name.data(), "                 ");
  // A short file: the records it lacks are blank.
  ws.cells[864].name[0] = 'x';
  test::writeFile(tmp.path() / "ZONARIUM.LOC", "Chile");
  readLocationNames(ws, tmp.path());
  EXPECT_STREQ(ws.cells[1].name.data(), "Chile");
  EXPECT_STREQ(ws.cells[864].name.data(), "                 ");
}

TEST(LoadGridType, SetsClassesAndRefusesAMissingFolderSilently) {
  test::TempDir tmp;
  fs::path home = test::makeProgramFolder(tmp.path());
  test::ScriptedHost host;
  Session s(host, home);
  ASSERT_TRUE(startSession(s));
  s.ws.datafile.subdir = "regional\\";
  ASSERT_TRUE(loadGridType(s));
  EXPECT_EQ(s.gridTypes.current, 2);
  EXPECT_EQ(s.coastApplies, CoastOutline::kNone);
  EXPECT_EQ(s.ws.cells[1].background, 2);
  EXPECT_EQ(s.ws.cells[2].background, 3);
  EXPECT_EQ(s.ws.cells[3].background, 0);
  fs::remove_all(home / "ravelund");
  s.ws.datafile.subdir = "ravelund\\";
  EXPECT_FALSE(loadGridType(s));
  EXPECT_TRUE(s.notices.empty()) << "a missing data folder says nothing";
  EXPECT_EQ(s.coastApplies, CoastOutline::kWorld);
}

}  // namespace
}  // namespace zn
