// Projects: regular grids placing points, project files read back as they
// were written, hostile files refused, the analyses on a project's units,
// and results written back beside them. The basemap under project maps: the
// coast transformed into the project's CRS, cut where it leaves the map or
// jumps across it; and the world grid's shipped coastline against the land
// cells of "equal".
#include "gis/project.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

#include <gdal_priv.h>
#include <ogr_geometry.h>
#include <ogrsf_frmts.h>

#include "cli/cli.h"
#include "cli/commands.h"
#include "gis/gdalsetup.h"
#include "gis/projectdata.h"
#include "gis/projectinput.h"
#include "gis/projectmap.h"
#include "shell/projectcurves.h"
#include "shell/projectscreen.h"
#include "shell/projectselect.h"
#include "store/binio.h"
#include "store/files.h"
#include "store/gridtypes.h"
#include "store/session.h"
#include "store/text.h"
#include "store/unitgeometry.h"
#include "tests/support/fixtures.h"
#include "tests/support/gis_fixture.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

using test::readFile;
using test::writeFile;

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
      if (row > 0 && row < g.rows - 1 && col > 0 && col < g.columns - 1) {
        EXPECT_EQ(around.size(), hex ? 6u : 4u);
      }
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
    writeFile(units, kUnits);
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
  writeFile(tmp.path() / "t.csv",
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
  EXPECT_EQ(std::vector<int>(o.unitsOf(0).begin(), o.unitsOf(0).end()), (std::vector<int>{1, 2, 4}));
  EXPECT_EQ(std::vector<double>(o.amountsOf(0), o.amountsOf(0) + 3), (std::vector<double>{2, 2.5, 2}));
  EXPECT_EQ(std::vector<int>(o.unitsOf(1).begin(), o.unitsOf(1).end()), std::vector<int>{3});
  ASSERT_EQ(d.adjacency.degree(2), 1);
  EXPECT_EQ(d.adjacency.neighboursOf(2)[0], 1u);
  EXPECT_EQ(back->outlines.size(), 4u);
  // The analyses see each unit's cost, the last one's too.
  const AnalysisData a = analysisData(std::make_shared<const Project>(std::move(*back)));
  EXPECT_EQ(a.cost, (std::vector<double>{0, 2.5, 1, 1, 1}));
}

TEST_F(UnitsProject, BadLayersAndHostileFilesAreRefusedWithTheReason) {
  std::string error;
  writeFile(units, std::string(kUnits).replace(std::string(kUnits).find("\"pu\":20"), 7, "\"pu\":10"));
  EXPECT_FALSE(projectFromUnits({units.string(), "pu", "", "", std::nullopt}, error));
  EXPECT_EQ(error, "unit id 10 is given twice (rows 1 and 2)");
  EXPECT_FALSE(projectFromUnits({units.string(), "nope", "", "", std::nullopt}, error));
  EXPECT_EQ(error, units.string() + " has no field nope");

  ASSERT_EQ(writeProject(file, made()), "");
  const std::string good = readFile(file);
  // A failed save leaves the old file as it was.
  Project broken = made();
  broken.outlines.pop_back();
  EXPECT_EQ(writeProject(file, broken), "the units and their outlines differ in number");
  EXPECT_EQ(readFile(file), good);

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

  writeFile(tmp.path() / "not.gpkg", "plain text");
  EXPECT_FALSE(readProject(tmp.path() / "not.gpkg", error));
  EXPECT_EQ(error, (tmp.path() / "not.gpkg").string() + " is not a project (not a GeoPackage file)");
}

// A stop asked for while rows are added ends the add before the table does
// (the window's Stop); the half-made project is the caller's to drop.
TEST(ProjectAdd, StopsBetweenRowsWhenAsked) {
  test::TempDir tmp;
  std::string rows = "taxon,lon,lat\n";
  constexpr int kRows = 10000;
  for (int i = 0; i < kRows; ++i) rows += "t" + std::to_string(i % 7) + ",10.5,20.5\n";
  writeFile(tmp.path() / "t.csv", rows);
  ProjectUnits units;
  units.cells.size = *parseCellSize("1deg");
  std::string error;
  auto project = newProject(units, error);
  ASSERT_TRUE(project) << error;
  AddSummary summary;
  long long askedAt = 0;
  summary.keepGoing = [&](long long met) {
    askedAt = met;
    return false;
  };
  EXPECT_THROW(addTable(*project, (tmp.path() / "t.csv").string(), summary, error), AddStopped);
  EXPECT_GT(askedAt, 0);
  EXPECT_LT(summary.rows, kRows);
}

// A project of 1 degree cells over 40 x 30 degrees, its 1,200 units
// holding the taxa `taxaOf` names, ready to run on a started session.
struct DegreeProject {
  test::TempDir tmp;
  test::ScriptedHost host;
  Session s{host, tmp.path()};
  std::shared_ptr<Project> project = std::make_shared<Project>();
  AnalysisData data;
  DegreeProject(int taxa, const std::function<std::vector<int>(int unit)>& taxaOf) {
    std::string error;
    project->grid = makeRegularGrid({*parseCellSize("1deg"), 4326, std::vector<double>{0, 0, 40, 30}, false}, error);
    std::vector<Occurrence> pairs;
    for (int n = 1; n <= 1200; ++n) {
      project->data.units.push_back({n, "", 1.0, UnitStatus::Free});
      for (int t : taxaOf(n)) pairs.push_back({static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(n), 1.0});
    }
    for (int t = 0; t < taxa; ++t) project->data.taxa.push_back({t + 1, "t" + std::to_string(t), "", "", {}, "", 0.0});
    project->data.occurrences = occurrencesFrom(taxa, 1200, pairs, false);
    data = analysisData(project);
    EXPECT_TRUE(startSession(s) && error.empty()) << error;
  }
};

// A project's set may hold more units than a datafile's 1,100 cells: on
// 1,200 units each holding a taxon of its own, every set that represents
// all taxa takes every unit, and 1,150 hotspots are 1,150 units. (Asking
// for more units than the project has: project.case.)
TEST(ProjectSelect, SetsHoldMoreUnitsThanADatafileHasCells) {
  DegreeProject p(1200, [](int n) { return std::vector<int>{n - 1}; });
  for (const auto& [kind, areas, size] : {std::tuple{"near-minimum", 0, 1200}, std::tuple{"greedy", 0, 1200},
                                          std::tuple{"exact-minimum", 0, 1200}, std::tuple{"hotspots", 1150, 1150}}) {
    SCOPED_TRACE(kind);
    ProjectSelectRequest request;
    if (areas > 0) request.values.areasToAdd = areas;
    ProjectSelection out;
    const auto why = selectOnProject({"own.gpkg", p.project, &p.data}, *findAnalysis(kind), p.s, request, out);
    ASSERT_FALSE(why) << why->text;
    EXPECT_EQ(out.set.count(), size);
  }
}

// Curves on a project reach past the 1,100 areas a datafile's set holds:
// 1,150 units hold taxa A and B and 50 hold only C, so the richness
// hotspots need 1,151 areas for every taxon, where the optimum, the
// near-minimum and the greedy set need 2.
TEST(ProjectSelect, CurvesTakeEveryUnitOfAProject) {
  DegreeProject p(3, [](int n) { return n <= 1150 ? std::vector<int>{0, 1} : std::vector<int>{2}; });
  CurveParams params;
  params.maxAreas = 1200;
  params.runs = 50;
  const CurveSet c = projectCurves(p.data, p.s, params, p.s.progress);
  ASSERT_EQ(c.error, "");
  ASSERT_EQ(c.maxAreas, 1200);
  for (const auto& [k, hotspots] : {std::pair{2, 2}, std::pair{1150, 2}, std::pair{1151, 3}, std::pair{1200, 3}}) {
    SCOPED_TRACE(k);
    const auto at = static_cast<std::size_t>(k);
    EXPECT_EQ(std::tuple(c.optimum[at], c.optimumProven[at] != 0, c.optimumBound[at], c.nearMinimum[at], c.greedy[at]),
              std::tuple(3, true, 3.0, 3, 3));
    EXPECT_EQ(c.hotspots[at], hotspots);
  }
  EXPECT_EQ(c.summary[static_cast<std::size_t>(CurveMethod::Hotspots)].areasForAll, 1151);
}

// An empty project of British National Grid 10 km squares.
Project nationalGridProject() {
  Project p;
  std::string error;
  p.grid = makeRegularGrid({*parseCellSize("10km"), 27700, std::vector<double>{0, 0, 700000, 1300000}, false}, error);
  EXPECT_EQ(error, "");
  p.data.occurrences = occurrencesFrom(0, 0, {}, false);
  return p;
}

// A regular grid's units by arithmetic: a point finds its cell's unit, the
// rings around the middle of a 5 x 5 grid are its edge neighbours and those
// two steps away, and the map frame keeps the square grid square with
// neighbouring cells sharing their frame edges. Polygon units by GEOS: a
// point in two overlapping units finds the first, a unit's name is its id
// where it has none, and a sliver of a unit keeps a pixel of the frame.
TEST_F(UnitsProject, UnitsArePlacedFoundAndRingedByTheirGeometry) {
  auto grid = std::make_shared<Project>();
  std::string error;
  grid->grid = makeRegularGrid({*parseCellSize("1deg"), 4326, std::vector<double>{0, 0, 5, 5}, false}, error);
  ASSERT_EQ(error, "");
  std::vector<Occurrence> pairs;
  for (int c = 25; c >= 1; --c) grid->data.units.push_back({c, c == 13 ? "middle" : "", 1.0, UnitStatus::Free});
  for (int n = 1; n <= 25; ++n) pairs.push_back({0, static_cast<std::uint32_t>(n), 1.0});
  grid->data.taxa.push_back({1, "A", "", "", {}, "", 0.0});
  grid->data.occurrences = occurrencesFrom(1, 25, pairs, false);
  std::string path = (tmp.path() / "g.gpkg").string();
  ASSERT_EQ(writeProject(path, *grid), "");
  auto back = readProject(path, error);
  ASSERT_TRUE(back) << error;
  const AnalysisData a = analysisData(std::make_shared<const Project>(std::move(*back)));
  const UnitGeometry& g = *a.geometry;
  const Dataset& d = *a.data;
  auto unitOfCell = [&](long long cell) {
    for (int n = 1; n <= d.unitCount(); ++n)
      if (d.unit(n).id == cell) return n;
    return 0;
  };
  auto cells = [&](const std::vector<int>& found) {
    std::vector<long long> out;
    for (int n : found) out.push_back(d.unit(n).id);
    std::sort(out.begin(), out.end());
    return out;
  };
  const int middle = unitOfCell(13);
  EXPECT_EQ(std::tuple(g.unitAtPoint(2.5, 2.5), g.unitAtPoint(0.2, 4.9), g.unitAtPoint(7, 7)),
            std::tuple(middle, unitOfCell(1), 0));
  std::vector<int> ring;
  g.ring(middle, 1, ring);
  EXPECT_EQ(cells(ring), (std::vector<long long>{8, 12, 14, 18}));
  g.ring(middle, 2, ring);
  EXPECT_EQ(cells(ring), (std::vector<long long>{3, 7, 9, 11, 15, 17, 19, 23}));
  EXPECT_EQ(std::tuple(g.name(middle), g.name(unitOfCell(7))), std::tuple("middle", "7"));
  const auto first = g.bounds(unitOfCell(1)), next = g.bounds(unitOfCell(2)), below = g.bounds(unitOfCell(6));
  ASSERT_TRUE(first && next && below);
  EXPECT_EQ(first->x1, next->x0);
  EXPECT_EQ(first->y1, below->y0);
  EXPECT_EQ(first->width(), first->height());
  EXPECT_EQ(g.unitAt((next->x0 + next->x1) / 2, (next->y0 + next->y1) / 2), unitOfCell(2));
  EXPECT_EQ(std::tuple(a.gridUnits, a.treeData), std::tuple(25, false));

  auto madeUnits = std::make_shared<const Project>(made());
  const auto pg = analysisData(madeUnits).geometry;
  // (0.7, 0.7) is in units 10 and 40.
  EXPECT_EQ(std::tuple(pg->unitAtPoint(0.7, 0.7), pg->unitAtPoint(0.7, 0.2), pg->unitAtPoint(1.5, 0.5),
                       pg->unitAtPoint(3, 3)),
            std::tuple(1, 1, 2, 0));
  const auto c = pg->centroid(4);
  ASSERT_TRUE(c);
  EXPECT_NEAR(c->x, 0.7, 1e-12);
  EXPECT_EQ(pg->name(2), "20");
  pg->ring(1, 1, ring);
  EXPECT_EQ(ring, std::vector<int>{2});

  // A unit thinner than a pixel of the frame still covers one.
  writeFile(units, R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"pu":1},"geometry":{"type":"Polygon","coordinates":[[[0,0],[4,0],[4,4],[0,4],[0,0]]]}},
{"type":"Feature","properties":{"pu":2},"geometry":{"type":"Polygon","coordinates":[[[0,5],[4,5],[4,5.00001],[0,5.00001],[0,5]]]}}]})");
  auto sliver = projectFromUnits({units.string(), "pu", "", "", std::nullopt}, error);
  ASSERT_TRUE(sliver) << error;
  const auto thin = analysisData(std::make_shared<const Project>(std::move(*sliver))).geometry->bounds(2);
  ASSERT_TRUE(thin);
  EXPECT_EQ(thin->height(), 1) << thin->x0 << " " << thin->y0 << " " << thin->x1 << " " << thin->y1;
}

// The butterflies as a datafile of 10 km squares and as a project of the
// same squares: each measure gives every square the same score and count.
TEST(ProjectMeasures, EqualTheDatafileWhereUnitsCoincide) {
  test::ShippedHome home;
  const fs::path datafile = home.home / "britain" / "butterflies.dat";
  test::OpenedSample opened(home.home, GridVariant::Britain, datafile);
  Session& s = *opened.s;
  std::string error;
  Project p = nationalGridProject();
  // Each square of the datafile becomes one unit, every record one occurrence.
  AddSummary sum;
  ASSERT_TRUE(addToProject(p, {InputFormat::Datafile, datafile, {}, &s}, sum, error)) << error;
  EXPECT_EQ(sum.text(), "rows read: 55058\noccurrences added: 55058\nnew taxa: 53\nnew units: 2601\nrows lost: 0\n");
  const auto project = std::make_shared<const Project>(std::move(p));
  const AnalysisData d = analysisData(project);
  // Square n of the datafile is the project's cell under its centre.
  const auto squares = unitGeometry(s);
  const RarityFormula formula = s.settings.rarityFormula;
  const std::tuple<const char*, RarityFormula, int> measures[] = {
      {"richness", formula, 0},
      {"range-size-rarity", RarityFormula::kInverse, 0},
      {"median-range", formula, 0},
      {"rare-quartile", formula, 0},
      // Mean passes divide where the measure takes them, and only there.
      {"range-size-rarity", formula, 2},
      {"richness", formula, 1}};
  for (const auto& [name, rarity, means] : measures) {
    SCOPED_TRACE(name);
    s.settings.rarityFormula = rarity;
    const Analysis& a = *findAnalysis(name);
    ASSERT_TRUE(a.run(s, {}).ran);
    for (int i = 0; i < means; ++i) findAnalysis("mean")->run(s, {});
    ProjectScores onProject;
    ASSERT_FALSE(measureProject(d, a, s, measureParams(s.settings), 0, onProject, means));
    EXPECT_EQ(onProject.title, s.map.title);
    // Squares and units where the measure counted nothing are left aside.
    std::map<long long, std::string> want, got;
    for (int n = 1; n <= s.ws.geo.cells; ++n) {
      const GridCell& c = s.ws.cells[static_cast<std::size_t>(n)];
      const auto centre = squares->centroid(n);
      if (c.count != 0 && centre)
        want[project->grid.cellAt(centre->x, centre->y)] = strprintf("%.6f %d", c.score, c.count);
    }
    for (int n = 1; n <= d.units(); ++n) {
      const auto at = static_cast<std::size_t>(n);
      if (onProject.result.count[at] != 0)
        got[project->data.unit(n).id] = strprintf("%.6f %d", onProject.result.score[at], onProject.result.count[at]);
    }
    EXPECT_GT(got.size(), 100u);
    EXPECT_EQ(got, want);
  }
}

// Results back to GIS as a layer of the project beside its units, which
// outlives the project's rewrites (the files: project.case).
TEST_F(UnitsProject, ResultsGoBackToGisAsFilesAndLayers) {
  test::ShippedHome home;
  Project p = made();
  writeFile(tmp.path() / "t.csv", "taxon,unit\nA,10\nB,10\nB,20\n");
  AddSummary sum;
  std::string error;
  ASSERT_TRUE(addTable(p, (tmp.path() / "t.csv").string(), sum, error)) << error;
  ASSERT_EQ(writeProject(file, p), "");
  auto run = [&](std::vector<std::string> args, int& rc) {
    std::ostringstream out, err;
    args.insert(args.begin(), {"--home", home.home.string()});
    rc = runZonarium(args, out, err);
    return out.str() + err.str();
  };
  // A layer's description, then each feature's id, fields and outline.
  auto layerDump = [&](const char* name) {
    GDALDatasetUniquePtr ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR));
    OGRLayer* l = ds ? ds->GetLayerByName(name) : nullptr;
    if (!l) return std::string("no layer");
    const char* description = l->GetMetadataItem("DESCRIPTION");
    std::string out = std::string(description ? description : "") + "\n";
    for (auto& f : *l) {
      out += std::to_string(f->GetFID());
      for (int i = 0; i < f->GetFieldCount(); ++i) out += std::string("|") + f->GetFieldAsString(i);
      if (const OGRGeometry* g = f->GetGeometryRef()) out += "|" + g->exportToWkt();
      out += "\n";
    }
    return out;
  };
  int rc = 0;
  run({"export-gis", file.string(), "--layer", "rarity", "--measure", "range-size-rarity"}, rc);
  ensureGdal();
  // Beside the units, a feature per unit (id, name, score, count, outline):
  // each score goes with its count; a unit holding no data has neither.
  const std::string rarity = layerDump("rarity");
  EXPECT_NE(layerDump("units"), "no layer");
  EXPECT_EQ(rarity,
            "range-size rarity (inverse)\n"
            "1|10||1.5|2|MULTIPOLYGON (((0 0,1 0,1 1,0 1,0 0)))\n"
            "2|20||0.5|1|MULTIPOLYGON (((1 0,2 0,2 1,1 1,1 0)))\n"
            "3|30||||MULTIPOLYGON (((5 6,5.5 5.5,5 5,5 6)),((6 5,5.5 5.5,6 6,6 5)))\n"
            "4|40||||MULTIPOLYGON (((0.5 0.5,0.9 0.5,0.9 0.9,0.5 0.9,0.5 0.5)))\n");
  EXPECT_TRUE(readProject(file, error)) << error;  // the extra layer leaves the project readable

  // Layers that are not the project's own (the result layer above, a table
  // of the user's) outlive every rewrite of the project as they were, and
  // only a new project in the file's place drops them.
  {
    GDALDatasetUniquePtr ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    ASSERT_TRUE(ds);
    OGRLayer* notes = ds->CreateLayer("notes", nullptr, wkbNone, nullptr);
    OGRFieldDefn text("text", OFTString);
    ASSERT_TRUE(notes && notes->CreateField(&text) == OGRERR_NONE);
    OGRFeatureUniquePtr note(OGRFeature::CreateFeature(notes->GetLayerDefn()));
    note->SetField("text", "surveyed twice, 2019");
    ASSERT_EQ(notes->CreateFeature(note.get()), OGRERR_NONE);
  }
  const std::string notes = layerDump("notes");
  EXPECT_NE(notes.find("surveyed twice"), std::string::npos) << notes;
  // Names a CSV must quote, written by the library's rewrite and then the
  // tool's add.
  const std::vector<std::string> names{"Ridge, north", "The \"Dell\"", "plain", "a, \"b\", c"};
  for (std::size_t i = 0; i < names.size(); ++i) p.data.units[i].name = names[i];
  ASSERT_EQ(writeProject(file, p), "");
  writeFile(tmp.path() / "more.csv", "taxon,unit\nC,30\n");
  run({"project", "add", file.string(), (tmp.path() / "more.csv").string()}, rc);
  EXPECT_EQ(rc, 0);
  const auto added = readProject(file, error);
  ASSERT_TRUE(added) << error;
  EXPECT_EQ(added->data.taxonCount(), 3);
  EXPECT_EQ(layerDump("rarity"), rarity);
  EXPECT_EQ(layerDump("notes"), notes);

  // The CSV of the units: GDAL's WKT column first, then unit_id and name,
  // each name quoted and each outline as the project holds it.
  const std::string unitsCsv = (tmp.path() / "units.csv").string();
  EXPECT_EQ(run({"export-gis", file.string(), "--out", unitsCsv}, rc), "units: 4 in " + unitsCsv + "\n");
  EXPECT_EQ(readFile(unitsCsv),
            "WKT,unit_id,name,score,count\n"
            "\"MULTIPOLYGON (((0 0,1 0,1 1,0 1,0 0)))\",\"10\",\"Ridge, north\",2,\"2\"\n"
            "\"MULTIPOLYGON (((1 0,2 0,2 1,1 1,1 0)))\",\"20\",\"The \"\"Dell\"\"\",1,\"1\"\n"
            "\"MULTIPOLYGON (((5 6,5.5 5.5,5 5,5 6)),((6 5,5.5 5.5,6 6,6 5)))\",\"30\",plain,1,\"1\"\n"
            "\"MULTIPOLYGON (((0.5 0.5,0.9 0.5,0.9 0.9,0.5 0.9,0.5 0.5)))\",\"40\",\"a, \"\"b\"\", c\",,\n");

  run({"project", "new", file.string(), "--units", units.string(), "--id", "pu", "--replace"}, rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(layerDump("rarity"), "no layer");
}

TEST(ProjectMap, CoastIsTransformedAndCutAtTheMapsEdgesAndJumps) {
  // The British National Grid's true origin, lon -2 lat 49, is E 400 km, N -100 km.
  const auto bng = coastIn({{{-2.0, 49.0}, {-2.0, 50.0}, {40.0, 50.0}, {-3.0, 51.0}, {-3.0, 52.0}}}, 27700,
                           {0.0, -200000.0, 700000.0, 1300000.0});
  ASSERT_EQ(bng.size(), 2u);  // the point far east leaves the box and cuts the line
  EXPECT_NEAR(bng[0][0].x, 400000.0, 1.0);
  EXPECT_NEAR(bng[0][0].y, -100000.0, 1.0);
  EXPECT_EQ(bng[1].size(), 2u);

  // Across the 180th meridian a line jumps from one edge to the other: cut.
  const auto world =
      coastIn({{{179.0, 10.0}, {179.9, 10.0}, {-179.9, 10.0}, {-179.0, 10.0}}}, 4326, {-180.0, -90.0, 180.0, 90.0});
  ASSERT_EQ(world.size(), 2u);
  EXPECT_EQ(world[0].back().x, 179.9);
  EXPECT_EQ(world[1].front().x, -179.9);
}

// Britain on its national grid, and the world on EASE-Grid 2.0.
constexpr CrsBox kBritainBox{0.0, 0.0, 700000.0, 1300000.0};
constexpr CrsBox kWorldBox{-17367530.0, -7314540.0, 17367530.0, 7314540.0};

TEST(ProjectMap, ScaleBarIsTrueOnlyWhereTheProjectionKeepsLengths) {
  // EASE-Grid 2.0 is true along 30 degrees; on the equator a metre of the
  // map is cos 30 / sqrt(1 - e^2 sin^2 30) metres of ground on WGS84.
  const double e2 = 0.00669437999014, s30 = 0.5;
  const double easeEquator = 1.0 / (std::sqrt(3.0) / 2.0 / std::sqrt(1.0 - e2 * s30 * s30));
  struct Case {
    int epsg;
    CrsBox box;
    MapScale scale;
    double metresPerUnit;
    const char* name;
  };
  const CrsBox laea{1000000.0, 0.0, 9000000.0, 7000000.0}, degrees{-180.0, -90.0, 180.0, 90.0};
  for (const Case& c :
       {Case{27700, kBritainBox, MapScale::True, 1.0, "Britain on its national grid"},
        Case{6933, kWorldBox, MapScale::AtEquator, easeEquator, "the world on a cylindrical equal-area grid"},
        Case{3035, laea, MapScale::None, 1.0, "half the globe on a Lambert azimuthal grid"},
        Case{4326, degrees, MapScale::None, 1.0, "degrees"}}) {
    SCOPED_TRACE(c.name);
    double metres = 0.0;
    EXPECT_EQ(mapScaleOf(c.epsg, c.box, metres), c.scale);
    EXPECT_NEAR(metres, c.metresPerUnit, 2e-3);
  }
}

TEST(ProjectMap, GraticuleHasRoundStepsWithinTheMapAndTheCentralMeridianStraight) {
  struct Case {
    int epsg;
    CrsBox box;
    const char* name;
  };
  for (const Case& c : {Case{27700, kBritainBox, "Britain"}, Case{6933, kWorldBox, "the world"}}) {
    SCOPED_TRACE(c.name);
    const CrsBox& box = c.box;
    std::vector<double> meridians, parallels;
    for (const GraticuleLine& g : graticuleIn(c.epsg, box)) {
      (g.meridian ? meridians : parallels).push_back(g.degrees);
      EXPECT_LE(std::fabs(g.degrees), g.meridian ? 180.0 : 89.0);
      for (const auto& piece : g.pieces)
        for (const CrsPoint& q : piece) {
          EXPECT_TRUE(q.x >= box.west && q.x <= box.east && q.y >= box.south && q.y <= box.north) << q.x << " " << q.y;
          // Two degrees west is the national grid's own meridian: due north
          // at E 400 km, but for the shift between WGS84 and the grid's datum.
          if (c.epsg == 27700 && g.meridian && g.degrees == -2.0) {
            EXPECT_NEAR(q.x, 400000.0, 200.0);
          }
        }
    }
    ASSERT_GE(meridians.size(), 4u);
    ASSERT_GE(parallels.size(), 4u);
    if (c.epsg == 27700) {
      EXPECT_NE(std::find(meridians.begin(), meridians.end(), -2.0), meridians.end());
    }
    // One step between neighbours: 1, 2 or 5 times a power of ten, or 15 or 30.
    for (const auto* v : {&meridians, &parallels}) {
      const double step = (*v)[1] - (*v)[0];
      const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
      EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 || std::fabs(mantissa - 5) < 1e-9 ||
                  step == 15.0 || step == 30.0)
          << step;
      for (std::size_t i = 1; i < v->size(); ++i) EXPECT_NEAR((*v)[i] - (*v)[i - 1], step, 1e-9);
    }
  }
}

TEST(ProjectMap, ShippedCoastReadsAndRegularGridShapesFollowTheUnits) {
  const auto lines = readCoastPolylines(basemapCoastFile(ZN_SOURCE_DIR "/programdata"));
  EXPECT_EQ(lines.size(), 1429u);

  Project p;
  p.grid.cellSize = 1.0;  // the whole world at 1 degree
  p.data.units = {{1, "first", 1.0}, {361, "below it", 1.0}};
  const UnitMapShapes s = projectShapes(p, basemapCoastFile(ZN_SOURCE_DIR "/programdata"));
  ASSERT_TRUE(s.lattice);
  EXPECT_EQ(s.cellOf, (std::vector<long long>{0, 1, 361}));
  // Two cells at the north-west corner, with a margin, within the world.
  EXPECT_EQ(s.extent.west, -180.0);
  EXPECT_EQ(s.extent.north, 90.0);
  EXPECT_LT(s.extent.east, -178.0);
  EXPECT_GT(s.extent.south, -89.0);

  // A view wider than the units' extent, or zoomed out, still shows coast and
  // graticule to its edges: both reach an extent beyond it on every side.
  p.data.units = {{37 * 360 + 178 + 1, "lon -2 to -1, lat 52 to 53", 1.0}};
  const UnitMapShapes wales = projectShapes(p, basemapCoastFile(ZN_SOURCE_DIR "/programdata"));
  const CrsBox& e = wales.extent;
  const double side = std::max(e.east - e.west, e.north - e.south);
  const CrsBox reach{e.west - side, e.south - side, e.east + side, e.north + side};
  auto inReach = [&](const CrsPoint& q) {
    return q.x >= reach.west - 1e-9 && q.x <= reach.east + 1e-9 && q.y >= reach.south - 1e-9 &&
           q.y <= reach.north + 1e-9;
  };
  int beyond = 0;
  for (const auto& line : wales.coast)
    for (const CrsPoint& q : line) {
      EXPECT_TRUE(inReach(q)) << q.x << " " << q.y;
      beyond += q.x < e.west;  // the coast of Wales
    }
  EXPECT_GT(beyond, 10);
  double westMost = 0;
  for (const GraticuleLine& g : wales.graticule) {
    if (g.meridian) westMost = std::min(westMost, g.degrees);
    for (const auto& piece : g.pieces)
      for (const CrsPoint& q : piece) EXPECT_TRUE(inReach(q)) << q.x << " " << q.y;
  }
  EXPECT_LT(westMost, e.west - side / 2);
}

// The shipped coastline of the world grid holds land in exactly the land
// cells of "equal". Source units: x from 4 eastwards from 30 W, 18 a column;
// y from 155 at the south edge, 18 a band; break markers lie right of or
// above the frame and split the closed outlines.
TEST(ShippedCoastline, LandCellsOfEqualAreExactlyTheCellsHoldingLand) {
  const std::filesystem::path shipped = ZN_SOURCE_DIR "/programdata";
  const auto data = readFileBytes(shipped / "ZONARIUM.@17");
  ASSERT_TRUE(data);
  const auto* p = reinterpret_cast<const unsigned char*>(data->data());
  const int a = readU16(p), b = readU16(p + 2);
  ASSERT_LE(a + b, 2002);
  ASSERT_EQ(data->size(), 4u + 4u * static_cast<std::size_t>(a + b));
  std::vector<std::unique_ptr<OGRPolygon>> outlines;
  OGRLinearRing ring;
  auto close = [&] {
    if (ring.IsEmpty()) return;
    EXPECT_GE(ring.getNumPoints(), 3);
    EXPECT_TRUE(ring.get_IsClosed()) << "outlines are closed";
    outlines.push_back(std::make_unique<OGRPolygon>());
    outlines.back()->addRing(&ring);
    ring.empty();
  };
  for (int i = 0; i < a; ++i) {
    const int x = readI16(p + 4 + 4 * i), y = readI16(p + 6 + 4 * i);
    if (x > 652 || y > 587) close();
    else ring.addPoint(x, y);
  }
  close();
  ASSERT_GT(outlines.size(), 50u);

  GridTypes types;
  ASSERT_TRUE(readMapDefinitions(types, shipped / "ZONARIUM.MAP"));
  const GridType& equal = types.types.at(0);
  int land = 0;
  for (int n = 1; n <= 864; ++n) {
    const bool isLand = equal.classes[static_cast<std::size_t>(n)] != 0;
    land += isLand;
    const int c = (n - 1) % 36 + 1, r = (n - 1) / 36 + 1;
    // Shrunk a little so land merely touching the cell's edge does not count.
    const double x0 = 4 + 18.0 * (c - 1) + 0.01, x1 = x0 + 17.98, y1 = 587 - 18.0 * (r - 1) - 0.01, y0 = y1 - 17.98;
    OGRLinearRing edge;
    for (auto [x, y] : {std::pair{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}) edge.addPoint(x, y);
    OGRPolygon cell;
    cell.addRing(&edge);
    const bool found =
        std::any_of(outlines.begin(), outlines.end(), [&](const auto& o) { return o->Intersects(&cell); });
    EXPECT_EQ(found, isLand) << "cell " << n << " (column " << c << ", row " << r << ")";
  }
  EXPECT_GT(land, 400);
}

}  // namespace
}  // namespace zn
