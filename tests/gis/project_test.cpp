// Projects: regular grids placing points, project files read back as they
// were written, hostile files refused, and the tool's project commands.
#include "gis/project.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include <gdal_priv.h>

#include "cli/commands.h"
#include "gis/gdalsetup.h"
#include "tests/gis/gis_fixture.h"
#include "tests/support/fixtures.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

void writeText(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

std::string readBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Every cell's centre lies in that cell, a point just inside each corner of
// its outline too, and edge neighbours are mutual, one cell width apart in
// a row and one cell height between rows (hexagons: one width either way),
// as many as the shape has sides away from the grid's edge; the edge two
// cells share is as long as the side they meet on.
TEST(ProjectGrid, PointsFallInTheirCellAndNeighboursAreMutual) {
  struct Case {
    const char* size;
    bool hex;
    double across, down, rowEdge, columnEdge;  // centre distances, shared edge lengths
  };
  const double hexSide = 50000.0 / std::sqrt(3.0);
  for (const Case k :
       {Case{"50km", false, 50000, 50000, 50000, 50000}, Case{"50km", true, 50000, 50000, hexSide, hexSide},
        Case{"50x30km", false, 50000, 30000, 30000, 50000}}) {
    const bool hex = k.hex;
    SCOPED_TRACE(std::string(k.size) + (hex ? " hexagons" : ""));
    std::string error;
    GridRequest r;
    r.size = *parseCellSize(k.size);
    r.epsg = 3577;
    r.hex = hex;
    r.extent = std::vector<double>{0, 0, 400000, 300000};
    const GridDefinition g = makeRegularGrid(r, error);
    ASSERT_EQ(error, "");
    ASSERT_GT(g.rows, 2);
    for (long long c = 1; c <= g.cellCount(); ++c) {
      double x = 0, y = 0;
      g.centre(c, x, y);
      EXPECT_EQ(g.cellAt(x, y), c);
      for (auto [vx, vy] : g.outline(c)) EXPECT_EQ(g.cellAt(x + 0.98 * (vx - x), y + 0.98 * (vy - y)), c);
      const auto around = g.edgeNeighbours(c);
      const long long row = (c - 1) / g.columns, col = (c - 1) % g.columns;
      if (row > 0 && row < g.rows - 1 && col > 0 && col < g.columns - 1) EXPECT_EQ(around.size(), hex ? 6u : 4u);
      for (long long n : around) {
        const auto back = g.edgeNeighbours(n);
        EXPECT_NE(std::find(back.begin(), back.end(), c), back.end());
        double nx = 0, ny = 0;
        g.centre(n, nx, ny);
        const bool sameRow = (n - 1) / g.columns == row;
        EXPECT_NEAR(std::hypot(nx - x, ny - y), sameRow || hex ? k.across : k.down, 1e-6);
        EXPECT_NEAR(g.edgeLength(sameRow), sameRow ? k.rowEdge : k.columnEdge, 1e-6);
      }
    }
    EXPECT_EQ(g.cellAt(g.west - 1, g.north - 1), 0);
  }
}

TEST(ProjectGrid, RefusesSizesThatDoNotFitTheCrs) {
  std::string error;
  GridRequest r;
  r.size = *parseCellSize("1deg");
  r.epsg = 27700;
  makeRegularGrid(r, error);
  EXPECT_EQ(error, "a cell size in degrees needs a geographic CRS, and EPSG:27700 is projected");
  r.size = *parseCellSize("50x30km");
  r.hex = true;
  makeRegularGrid(r, error);
  EXPECT_EQ(error, "hexagonal cells take one size, not a width and a height");
  r.hex = false;
  EXPECT_FALSE(parseCellSize("-5km"));
  EXPECT_FALSE(parseCellSize("10 parsecs"));
  EXPECT_FALSE(parseCellSize("km"));
  EXPECT_FALSE(parseCellSize("50x-3km"));
  EXPECT_FALSE(parseCellSize("x30km"));
  // A world grid from the CRS's area of use, whole cells from the origin.
  error.clear();
  r.epsg = 4326;
  r.size = *parseCellSize("0.5deg");
  const GridDefinition g = makeRegularGrid(r, error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(g.columns, 720);
  EXPECT_EQ(g.rows, 360);
}

// Three unit polygons: two squares sharing an edge 1 degree long, a bow tie
// (an invalid outline that is repaired) and a square overlapping the first.
const char* kUnits = R"({"type":"FeatureCollection",
"features":[
{"type":"Feature","properties":{"pu":10,"c":2.5,"s":2},"geometry":{"type":"Polygon","coordinates":[[[0,0],[1,0],[1,1],[0,1],[0,0]]]}},
{"type":"Feature","properties":{"pu":20,"c":1,"s":0},"geometry":{"type":"Polygon","coordinates":[[[1,0],[2,0],[2,1],[1,1],[1,0]]]}},
{"type":"Feature","properties":{"pu":30,"c":1,"s":0},"geometry":{"type":"Polygon","coordinates":[[[5,5],[6,6],[6,5],[5,6],[5,5]]]}},
{"type":"Feature","properties":{"pu":40,"c":1,"s":3},"geometry":{"type":"Polygon","coordinates":[[[0.5,0.5],[0.9,0.5],[0.9,0.9],[0.5,0.9],[0.5,0.5]]]}}
]})";

struct UnitsProject : ::testing::Test {
  test::TempDir tmp;
  fs::path units = tmp.path() / "units.geojson";
  fs::path file = tmp.path() / "p.gpkg";
  Project made() {
    writeText(units, kUnits);
    std::string error;
    auto p = projectFromUnits({units.string(), "pu", "c", "s", std::nullopt}, error);
    EXPECT_EQ(error, "");
    return p ? std::move(*p) : Project{};
  }
};

TEST_F(UnitsProject, TableRowsPlacedAndTheFileReadsBackAsWritten) {
  Project p = made();
  ASSERT_EQ(p.data.unitCount(), 4);
  EXPECT_EQ(p.data.unit(1).cost, 2.5);
  EXPECT_EQ(p.data.unit(4).status, UnitStatus::LockedOut);
  // Units 1 and 2 share 1 degree of boundary; the bow tie touches nothing.
  ASSERT_EQ(p.data.adjacency.degree(1), 1);
  EXPECT_NEAR(p.data.adjacency.lengthsOf(1)[0], 1.0, 1e-12);
  EXPECT_EQ(p.data.adjacency.degree(3), 0);

  const std::string longName(300, 'x');
  writeText(tmp.path() / "t.csv",
            "taxon,lon,lat,amount\n"
            "Cañis lupus,0.7,0.7,2\n"         // in unit 10 and the overlapping unit 40
            "Cañis lupus,1.5,0.5,1.5\n"       // unit 20
            "Cañis lupus,1.5,0.5,1\n"         // the same pair again: amounts add
            "\"Vulpes, vulpes\",5.8,5.5,1\n"  // inside the repaired bow tie
                + longName + ",1.2,0.2,4\n" +
                "Lost one,50,50,1\n"
                "Lost two,abc,1,1\n"
                "Lost three,0.2,0.2,0\n");
  AddSummary sum;
  std::string error;
  ASSERT_TRUE(addTable(p, (tmp.path() / "t.csv").string(), sum, error)) << error;
  EXPECT_EQ(sum.text(),
            "rows read: 8\noccurrences added: 6\nnew taxa: 3\nnew units: 0\n"
            "rows in more than one unit: 1 (counted in each)\nrows lost: 3\n"
            "  in no unit: 1\n  coordinates not numbers: 1\n  amount 0: 1\n");
  ASSERT_EQ(writeProject(file, p), "");

  auto back = readProject(file, error);
  ASSERT_TRUE(back) << error;
  const Dataset& d = back->data;
  ASSERT_EQ(d.unitCount(), 4);
  ASSERT_EQ(d.taxonCount(), 3);
  EXPECT_EQ(d.taxa[0].name, "Cañis lupus");
  EXPECT_EQ(d.taxa[2].name, longName);
  EXPECT_EQ(d.unit(2).id, 20);
  EXPECT_TRUE(back->amounts);
  const Occurrences& o = d.occurrences;
  std::vector<int> wolf(o.unitsOf(0).begin(), o.unitsOf(0).end());
  EXPECT_EQ(wolf, (std::vector<int>{1, 2, 4}));
  EXPECT_EQ(std::vector<double>(o.amountsOf(0), o.amountsOf(0) + 3), (std::vector<double>{2, 2.5, 2}));
  std::vector<int> fox(o.unitsOf(1).begin(), o.unitsOf(1).end());
  EXPECT_EQ(fox, std::vector<int>{3});
  ASSERT_EQ(d.adjacency.degree(2), 1);
  EXPECT_EQ(d.adjacency.neighboursOf(2)[0], 1u);
  EXPECT_EQ(back->outlines.size(), 4u);
}

TEST_F(UnitsProject, BadLayersAndHostileFilesAreRefusedWithTheReason) {
  std::string error;
  writeText(units, std::string(kUnits).replace(std::string(kUnits).find("\"pu\":20"), 7, "\"pu\":10"));
  EXPECT_FALSE(projectFromUnits({units.string(), "pu", "", "", std::nullopt}, error));
  EXPECT_EQ(error, "unit id 10 is given twice (rows 1 and 2)");
  EXPECT_FALSE(projectFromUnits({units.string(), "nope", "", "", std::nullopt}, error));
  EXPECT_EQ(error, units.string() + " has no field nope");

  ASSERT_EQ(writeProject(file, made()), "");
  const std::string good = readBytes(file);
  // A failed save leaves the old file as it was.
  Project broken = made();
  broken.outlines.pop_back();
  EXPECT_EQ(writeProject(file, broken), "the units and their outlines differ in number");
  EXPECT_EQ(readBytes(file), good);

  auto edited = [&](const char* sql) {
    const fs::path copy = tmp.path() / "edited.gpkg";
    fs::copy_file(file, copy, fs::copy_options::overwrite_existing);
    GDALDataset* ds = GDALDataset::Open(copy.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE);
    ds->ExecuteSQL(sql, nullptr, nullptr);
    GDALClose(ds);
    std::string why;
    EXPECT_FALSE(readProject(copy, why)) << sql;
    return why.substr(std::min(why.size(), copy.string().size()));
  };
  const struct {
    const char* sql;
    const char* why;
  } cases[] = {
      {"UPDATE zn_project SET value = '2' WHERE key = 'version'",
       " was written by a newer version of this program (project version 2; this one reads 1)"},
      {"DELETE FROM zn_project", " is a GeoPackage but not a Zonarium project"},
      {"UPDATE zn_project SET value = 'abc' WHERE key = 'west'", ": the project's west is not a number"},
      {"UPDATE units SET unit_id = 20 WHERE unit_id = 10", ": unit id 20 is given twice"},
      {"UPDATE zn_adjacency SET neighbours = X'090000000000'", ": the adjacency table is damaged"},
  };
  for (const auto& c : cases) EXPECT_EQ(edited(c.sql), c.why) << c.sql;

  writeText(tmp.path() / "not.gpkg", "plain text");
  EXPECT_FALSE(readProject(tmp.path() / "not.gpkg", error));
  EXPECT_EQ(error, (tmp.path() / "not.gpkg").string() + " is not a project (not a GeoPackage file)");
}

// A planning-unit folder joined to a units layer by id: amounts, targets,
// costs and status come from the folder; a unit the layer lacks is lost.
TEST_F(UnitsProject, AddsAPlanningUnitFolderByUnitId) {
  writeText(units, kUnits);
  const fs::path dir = tmp.path() / "pu";
  fs::create_directory(dir);
  writeText(dir / "input.dat", "INPUTDIR .\nPUNAME pu.dat\nSPECNAME spec.dat\nPUVSPRNAME puvspr.dat\n");
  writeText(dir / "pu.dat", "id,cost,status\n10,7,0\n20,3,2\n99,1,0\n");
  writeText(dir / "spec.dat", "id,target,spf,name\n1,5,1,Quercus robur\n2,1,1,\n");
  writeText(dir / "puvspr.dat", "species,pu,amount\n1,10,2.5\n1,20,4\n2,20,1\n2,99,1\n");
  std::ostringstream out, err;
  ASSERT_EQ(runZonarium({"project", "new", file.string(), "--units", units.string(), "--id", "pu"}, out, err), 0)
      << err.str();
  out.str("");
  ASSERT_EQ(runZonarium({"project", "add", file.string(), dir.string()}, out, err), 0) << err.str();
  EXPECT_EQ(out.str(),
            "rows read: 4\noccurrences added: 3\nnew taxa: 2\nnew units: 0\nrows lost: 1\n"
            "  unit 99: no unit with that id: 1\n");
  std::string error;
  auto p = readProject(file, error);
  ASSERT_TRUE(p) << error;
  ASSERT_EQ(p->data.taxonCount(), 2);
  EXPECT_EQ(p->data.taxa[0].name, "Quercus robur");
  EXPECT_EQ(p->data.taxa[0].target, 5.0);
  EXPECT_EQ(p->data.taxa[1].name, "feature 2");
  EXPECT_EQ(p->data.unit(1).cost, 7.0);
  EXPECT_EQ(p->data.unit(2).status, UnitStatus::LockedIn);
  EXPECT_EQ(std::vector<double>(p->data.occurrences.amountsOf(0), p->data.occurrences.amountsOf(0) + 2),
            (std::vector<double>{2.5, 4}));

  // Written out as a folder and read back onto the same units, the project
  // gives the same amounts, targets, costs and status; the units' shared
  // boundary goes into bound.dat.
  const fs::path again = tmp.path() / "again";
  out.str("");
  ASSERT_EQ(runZonarium({"export-marxan", file.string(), again.string()}, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), "planning units: 4, features: 2, amounts: 3, boundaries: 1\n");
  EXPECT_EQ(readBytes(again / "input" / "bound.dat"), "id1,id2,boundary\n10,20,1\n");
  const fs::path copy = tmp.path() / "copy.gpkg";
  ASSERT_EQ(runZonarium({"project", "new", copy.string(), "--units", units.string(), "--id", "pu"}, out, err), 0);
  ASSERT_EQ(runZonarium({"project", "add", copy.string(), again.string()}, out, err), 0) << err.str();
  auto q = readProject(copy, error);
  ASSERT_TRUE(q) << error;
  ASSERT_EQ(q->data.taxonCount(), 2);
  for (int t = 0; t < 2; ++t) {
    EXPECT_EQ(q->data.taxa[static_cast<std::size_t>(t)].target, p->data.taxa[static_cast<std::size_t>(t)].target);
    const Occurrences &a = p->data.occurrences, &b = q->data.occurrences;
    EXPECT_EQ(std::vector<int>(a.unitsOf(t).begin(), a.unitsOf(t).end()),
              std::vector<int>(b.unitsOf(t).begin(), b.unitsOf(t).end()));
    EXPECT_EQ(std::vector<double>(a.amountsOf(t), a.amountsOf(t) + a.range(t)),
              std::vector<double>(b.amountsOf(t), b.amountsOf(t) + b.range(t)));
  }
  for (int n = 1; n <= 4; ++n) {
    EXPECT_EQ(q->data.unit(n).cost, p->data.unit(n).cost);
    EXPECT_EQ(q->data.unit(n).status, p->data.unit(n).status);
  }
}

TEST(ProjectTool, MakesAddsAndDescribesARegularGrid) {
  test::TempDir tmp;
  const std::string file = (tmp.path() / "g.gpkg").string();
  writeText(tmp.path() / "t.csv", "taxon,x,y\nA,0.5,0.5\nA,1.5,0.5\nB,1.5,0.5\nB,9,9\n");
  auto run = [](std::vector<std::string> args, int& rc) {
    std::ostringstream out, err;
    rc = runZonarium(args, out, err);
    return out.str() + err.str();
  };
  int rc = 0;
  run({"project", "new", file, "--cell", "1deg", "--extent", "0,0,3,2"}, rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(run({"project", "new", file, "--cell", "1deg"}, rc),
            "zonarium: " + file + " exists: give --replace to replace it\n");
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(run({"project", "add", file, (tmp.path() / "t.csv").string()}, rc),
            "rows read: 4\noccurrences added: 3\nnew taxa: 2\nnew units: 2\nrows lost: 1\n  outside the grid: 1\n");
  EXPECT_EQ(run({"info", file}, rc),
            "units: regular grid of square cells of 1 degree, EPSG:4326, 3 columns x 2 rows\n"
            "extent: 0,0,3,2\nunits stored: 2\ntaxa: 2\ntaxa with records: 2\noccurrences: 3\n"
            "units with data: 2\nminimum range: 1\nmedian range: 1\nmaximum range: 2\nneighbour pairs: 1\n");
  EXPECT_EQ(rc, 0);
  // Rectangular cells keep their height in the file.
  run({"project", "new", file, "--cell", "1x0.5deg", "--extent", "0,0,3,2", "--replace"}, rc);
  const std::string info = run({"info", file}, rc);
  EXPECT_EQ(info.substr(0, info.find('\n') + 1),
            "units: regular grid of rectangular cells of 1 x 0.5 degrees, EPSG:4326, 3 columns x 4 rows\n");
}

// Real data at their own resolution: the 32 Phyllomedusa leaf frogs on 1,187
// cells of 1 degree (letsR, GPL-2; names shortened to the epithet), whose
// fewest cells holding every species are 16, as CBC and GLPK find.
TEST(ProjectTool, LeafFrogsAtTheirOwnCellsNeedSixteen) {
  test::TempDir tmp;
  const std::string file = (tmp.path() / "frogs.gpkg").string(), dir = (tmp.path() / "folder").string();
  const std::string table = (fs::path(ZN_SOURCE_DIR) / "tests/data/gis/phyllomedusa_lonlat.csv").string();
  std::ostringstream out, err;
  ASSERT_EQ(runZonarium({"project", "new", file, "--cell", "1deg", "--extent", "-79,-35,-35,12"}, out, err), 0);
  ASSERT_EQ(runZonarium({"project", "add", file, table}, out, err), 0) << err.str();
  std::string error;
  const auto p = readProject(file, error);
  ASSERT_TRUE(p) << error;
  EXPECT_EQ(p->data.unitCount(), 1187);
  EXPECT_EQ(p->data.taxonCount(), 32);
  EXPECT_EQ(p->data.occurrences.taxonUnits.size(), 3716u);
  ASSERT_EQ(runZonarium({"export-marxan", file, dir}, out, err), 0) << err.str();
  std::ostringstream report;
  ASSERT_EQ(runZonarium({"marxan", dir, "--method", "exact"}, report, err), 0) << err.str();
  EXPECT_NE(report.str().find(": optimal\nbest: cost 16, 16 planning units, shortfall 0"), std::string::npos)
      << report.str();
}

// An empty project of British National Grid 10 km squares.
bool nationalGridProject(const std::string& file) {
  Project p;
  std::string error;
  p.grid = makeRegularGrid({*parseCellSize("10km"), 27700, std::vector<double>{0, 0, 700000, 1300000}, false}, error);
  p.data.occurrences = occurrencesFrom(0, 0, {}, false);
  return error.empty() && writeProject(file, p).empty();
}

// A GBIF download onto a British 10 km grid: points go through PROJ into
// their squares, the download's filters apply, and --quantitative counts
// the records of a taxon in a square as its amount.
TEST(ProjectTool, AddsAGbifDownloadThroughItsFilters) {
  test::TempDir tmp;
  const std::string file = (tmp.path() / "gb.gpkg").string();
  auto row = [](const char* species, const char* lat, const char* lon, const char* basis = "HUMAN_OBSERVATION") {
    return test::gbifRow({{"species", species},
                          {"genus", std::string(species).substr(0, std::string(species).find(' '))},
                          {"family", "Pieridae"},
                          {"decimalLatitude", lat},
                          {"decimalLongitude", lon},
                          {"basisOfRecord", basis},
                          {"occurrenceStatus", "PRESENT"}});
  };
  // Two records of one butterfly in the square of Oxford, one in Cambridge's;
  // a fossil (left out by default) and a record in Paris (off the grid).
  writeText(tmp.path() / "gbif.csv",
            test::gbifHeader() + row("Pieris rapae", "51.752", "-1.2577") + row("Pieris rapae", "51.755", "-1.2580") +
                row("Pieris napi", "52.205", "0.1218") + row("Pieris napi", "52.205", "0.1218", "FOSSIL_SPECIMEN") +
                row("Pieris napi", "48.8566", "2.3522"));
  ASSERT_TRUE(nationalGridProject(file));
  std::ostringstream out, err;
  ASSERT_EQ(runZonarium({"project", "add", file, (tmp.path() / "gbif.csv").string(), "--quantitative"}, out, err), 0)
      << err.str();
  EXPECT_EQ(out.str(),
            "rows read: 5\noccurrences added: 3\nnew taxa: 2\nnew units: 2\nrows lost: 2\n"
            "  basis of record FOSSIL_SPECIMEN left out by default: 1\n  outside the grid: 1\n");
  std::string error;
  auto p = readProject(file, error);
  ASSERT_TRUE(p) << error;
  const Occurrences& o = p->data.occurrences;
  ASSERT_EQ(p->data.taxonCount(), 2);
  EXPECT_EQ(p->data.taxa[0].genus, "Pieris");
  EXPECT_EQ(p->data.taxa[1].family, "Pieridae");
  ASSERT_EQ(o.range(0), 1);
  EXPECT_EQ(o.amountsOf(0)[0], 2.0);
  // Oxford lies in the square whose south-west corner is SP 40 00 (easting
  // 450 km, northing 200 km): row 109 from the north, column 45.
  EXPECT_EQ(p->data.unit(*o.unitsOf(0).begin()).id, 109 * 70 + 45 + 1);
}

// The British butterflies onto a 10 km National Grid project: each square
// of the datafile becomes one unit, every record one occurrence.
TEST(ProjectTool, AddsADatafileCellByCell) {
  test::ShippedHome home;
  const std::string file = (home.tmp.path() / "b.gpkg").string();
  ASSERT_TRUE(nationalGridProject(file));
  std::ostringstream out, err;
  ASSERT_EQ(runZonarium({"--home", home.home.string(), "--grid", "britain", "project", "add", file,
                         (home.home / "britain" / "butterflies.dat").string()},
                        out, err),
            0)
      << err.str();
  EXPECT_EQ(out.str(), "rows read: 55058\noccurrences added: 55058\nnew taxa: 53\nnew units: 2601\nrows lost: 0\n");
}

}  // namespace
}  // namespace zn
