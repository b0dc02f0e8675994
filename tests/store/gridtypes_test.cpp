#include "store/gridtypes.h"

#include <gtest/gtest.h>

#include "store/datafile.h"
#include "store/session.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

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
  EXPECT_DOUBLE_EQ(ws.cells[1].lonWest, -30.0);
  EXPECT_DOUBLE_EQ(ws.cells[1].lonEast, -20.0);
  EXPECT_DOUBLE_EQ(ws.cells[1].latNorth, 90.0);
  EXPECT_DOUBLE_EQ(ws.cells[1].latSouth, 71.73333);
  EXPECT_DOUBLE_EQ(ws.cells[21].lonEast, 180.0);
  EXPECT_DOUBLE_EQ(ws.cells[22].lonWest, 180.0);
  EXPECT_DOUBLE_EQ(ws.cells[22].lonEast, -170.0);
  EXPECT_DOUBLE_EQ(ws.cells[36].lonEast, -30.0);
  EXPECT_DOUBLE_EQ(ws.cells[12 * 36 + 1].latNorth, 0.0);
  EXPECT_DOUBLE_EQ(ws.cells[13 * 36 + 1].latNorth, -4.98333);
  EXPECT_DOUBLE_EQ(ws.cells[864].latSouth, -90.0);
}

TEST(GridTypeNames, WorldGridsByTheirBeginningsOthersUpToTheBackslash) {
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
}

TEST(MapDefinitions, CountIsCappedAndShortFilesKeepWholeRecords) {
  std::vector<test::GridTypeSpec> many;
  for (int i = 0; i < 45; ++i) many.push_back({"g" + std::to_string(i), "d" + std::to_string(i), {}, 1});
  GridTypes types;
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

TEST(Coastline, PointsAreConvertedClampedAndTheirNumberBounded) {
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
