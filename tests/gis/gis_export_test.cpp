// GIS exports read back through GDAL: one feature per cell of the grid type
// with the cell's true bounds, and attributes equal to what `zonarium
// measure` gives. (The fields each analysis writes, and CSV cells kept from
// running as formulas: gis.case. Both layers' feature counts and titles as
// GDAL's ogrinfo reads them: ogrinfo_check.sh.)
#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <memory>

#include "store/text.h"
#include "tests/support/cli_run.h"
#include "tests/support/file_limit.h"
#include "tests/support/gis_fixture.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

GDALDatasetUniquePtr openVector(const fs::path& p) {
  GDALAllRegister();
  return GDALDatasetUniquePtr(GDALDataset::Open(p.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
}

// The features of a layer by their cell number.
std::map<int, std::unique_ptr<OGRFeature>> byCell(OGRLayer* l) {
  std::map<int, std::unique_ptr<OGRFeature>> out;
  l->ResetReading();
  while (OGRFeature* f = l->GetNextFeature()) out[f->GetFieldAsInteger("cell")].reset(f);
  return out;
}

struct GisExport : ::testing::Test {
  test::ShippedHome shipped;
  fs::path home = shipped.home;
  fs::path world = home / "equal" / "carnivora.dat";
  fs::path britain = home / "britain" / "butterflies.dat";
  fs::path out(const std::string& name) { return shipped.tmp.path() / name; }
  test::CliOutput run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.string()});
    return test::runCli(args);
  }
};

TEST_F(GisExport, GeoPackageHoldsTheMeasureAsZonariumMeasurePrintsIt) {
  const auto measured = run({"measure", "range-size-rarity", world.string()});
  ASSERT_EQ(measured.rc, 0) << measured.err;
  const auto r =
      run({"export-gis", world.string(), "--out", out("rarity.gpkg").string(), "--measure", "range-size-rarity"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out,
            "cells: 864 in " + out("rarity.gpkg").string() + "\ntaxa: 288 in " + out("rarity.gpkg").string() + "\n");

  GDALDatasetUniquePtr ds = openVector(out("rarity.gpkg"));
  ASSERT_TRUE(ds);
  OGRLayer* cells = ds->GetLayerByName("cells");
  ASSERT_NE(cells, nullptr);
  std::string mine = std::string("title: ") + cells->GetMetadataItem("map_title") + "\n";
  for (auto& [n, f] : byCell(cells))
    mine += strprintf("%d %.6f %d\n", n, f->GetFieldAsDouble("score"), f->GetFieldAsInteger("count"));
  EXPECT_EQ(mine, measured.out);
  EXPECT_EQ(std::string(cells->GetMetadataItem("analysis")),
            "TREATMENT: " + std::string(cells->GetMetadataItem("map_title")));

  // The cells' bounds are the grid's, the date-line column split at 180.
  test::OpenedSample open(home, GridVariant::World, world);
  const auto features = byCell(cells);
  int splitCells = 0;
  for (const auto& [n, f] : features) {
    const GridCell& c = open.s->ws.cells[static_cast<std::size_t>(n)];
    OGREnvelope e;
    ASSERT_NE(f->GetGeometryRef(), nullptr) << n;
    f->GetGeometryRef()->getEnvelope(&e);
    EXPECT_NEAR(e.MinY, c.latSouth, 1e-5) << n;
    EXPECT_NEAR(e.MaxY, c.latNorth, 1e-5) << n;
    EXPECT_GE(e.MinX, -180.0);
    EXPECT_LE(e.MaxX, 180.0);
    if (c.lonEast < c.lonWest) {
      ++splitCells;
      EXPECT_EQ(f->GetGeometryRef()->toMultiPolygon()->getNumGeometries() + (c.lonWest >= 180.0 ? 1 : 0), 2) << n;
    } else {
      EXPECT_NEAR(e.MinX, c.lonWest, 1e-5) << n;
      EXPECT_NEAR(e.MaxX, c.lonEast, 1e-5) << n;
    }
    // The colour is the class's, written only for cells with a score; a
    // cell without records has no score at all, not a score of 0.
    const std::string colour = f->GetFieldAsString("colour");
    EXPECT_EQ(colour.empty(), c.count == 0 && f->GetFieldAsDouble("score") == 0.0) << n;
    EXPECT_EQ(f->IsFieldSetAndNotNull(f->GetFieldIndex("score")), f->GetFieldAsInteger("count") != 0) << n;
  }
  EXPECT_GT(splitCells, 0);
}

// GeoPackage and CSV keep the British National Grid (the CSV with its .prj
// and column types beside it); GeoJSON is WGS 84 only, with no crs member,
// and its squares are the same squares.
TEST_F(GisExport, BritainSquaresAreBritishNationalGridExceptInGeoJson) {
  const fs::path gpkg = out("gb.gpkg"), json = out("gb.geojson"), csv = out("gb.csv");
  auto r =
      run({"--grid", "britain", "export-gis", britain.string(), "--out", gpkg.string(), "--select", "near-minimum"});
  ASSERT_EQ(r.rc, 0) << r.err;
  for (const fs::path& p : {json, csv}) {
    r = run({"--grid", "britain", "export-gis", britain.string(), "--out", p.string()});
    ASSERT_EQ(r.rc, 0) << r.err;
  }
  EXPECT_EQ(test::readFile(json).find("\"crs\""), std::string::npos);
  OGRSpatialReference bng;
  bng.importFromEPSG(27700);
  bng.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  for (const fs::path& p : {gpkg, json, csv}) {
    GDALDatasetUniquePtr ds = openVector(p);
    ASSERT_TRUE(ds) << p;
    OGRLayer* l = ds->GetLayer(0);
    EXPECT_EQ(l->GetFeatureCount(), 2777) << p;
    ASSERT_NE(l->GetSpatialRef(), nullptr) << p;
    const bool wgs84 = p == json;
    EXPECT_STREQ(l->GetSpatialRef()->GetAuthorityCode(nullptr), wgs84 ? "4326" : "27700") << p;
    // Numbers are typed, not text.
    EXPECT_EQ(l->GetLayerDefn()->GetFieldDefn(l->GetLayerDefn()->GetFieldIndex("cell"))->GetType(), OFTInteger) << p;
    // Hectads whose corners the atlas gives.
    const std::map<std::string, std::pair<double, double>> corners{
        {"SW71", {170000, 10000}}, {"SW32", {130000, 20000}}, {"TQ38", {530000, 180000}}};
    int found = 0;
    for (auto& [n, f] : byCell(l)) {
      const std::string ref = std::string(f->GetFieldAsString("location")).substr(0, 4);
      auto it = corners.find(ref);
      if (it == corners.end()) continue;
      ++found;
      OGRGeometry* g = f->GetGeometryRef();
      ASSERT_NE(g, nullptr) << ref;
      OGREnvelope e;
      if (wgs84) {
        g->getEnvelope(&e);
        EXPECT_LT(e.MaxX, 2.0) << ref;  // degrees, not metres
        ASSERT_EQ(g->transformTo(&bng), OGRERR_NONE);
      }
      g->getEnvelope(&e);
      EXPECT_NEAR(e.MinX, it->second.first, 0.05) << ref << " " << p;
      EXPECT_NEAR(e.MinY, it->second.second, 0.05) << ref << " " << p;
      EXPECT_NEAR(e.MaxX - e.MinX, 10000.0, 0.1) << ref << " " << p;
      EXPECT_EQ(f->GetFieldAsDouble("easting"), it->second.first + 5000.0);
    }
    EXPECT_EQ(found, 3) << p;
  }
}

// A link at the output is written through, and stays a link; nothing is
// left beside the outputs, written, refused or failed.
TEST_F(GisExport, ALinkIsWrittenThroughAndAFailedExportLeavesNothingNew) {
  fs::create_directory(out("real"));
  fs::create_symlink(out("real") / "map.gpkg", out("link.gpkg"));
  ASSERT_EQ(run({"export-gis", world.string(), "--out", out("link.gpkg").string()}).rc, 0);
  EXPECT_TRUE(fs::is_symlink(out("link.gpkg")));
  EXPECT_TRUE(openVector(out("real") / "map.gpkg"));
  // Nothing is left beside the outputs, written or refused.
  ASSERT_EQ(run({"export-gis", world.string(), "--out", out("new.csv").string()}).rc, 0);
  EXPECT_EQ(run({"--answer", "no", "export-gis", world.string(), "--out", out("new.csv").string()}).rc, 1);
  EXPECT_NE(run({"export-gis", world.string(), "--out", out("new.csv").string(), "--select", "reorder-threat"}).rc, 0);
  // On a full disk every format fails with a message free of SQL, and the
  // earlier export stays whole.
  for (const char* name : {"full.geojson", "full.gpkg", "full.csv"}) {
    ASSERT_EQ(run({"export-gis", world.string(), "--out", out(name).string()}).rc, 0) << name;
    const std::string before = test::readFile(out(name));
    test::CliOutput r;
    {
      test::FileSizeLimit limit(before.size() / 2);
      r = run({"export-gis", world.string(), "--out", out(name).string(), "--measure", "range-size-rarity"});
    }
    EXPECT_EQ(r.rc, 1) << name;
    EXPECT_EQ(r.err.rfind("zonarium: cannot write " + out(name).string(), 0), 0u) << r.err;
    for (const char* sql : {"INSERT", "CREATE", "SELECT", "sqlite"})
      EXPECT_EQ(r.err.find(sql), std::string::npos) << r.err;
    EXPECT_EQ(test::readFile(out(name)), before) << name;
  }
  for (const auto& e : fs::directory_iterator(shipped.tmp.path()))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

}  // namespace
}  // namespace zn
