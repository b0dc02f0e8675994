// GIS exports read back through GDAL: one feature per cell of the grid type
// with the cell's true bounds, and attributes equal to what `zonarium
// measure` and `zonarium select` give for the same analysis.
#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <sstream>

#include "gis/gisexport.h"
#include "selection/areaset.h"
#include "store/text.h"
#include "tests/gis/gis_fixture.h"
#include "tests/support/cli_run.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

struct Closer {
  void operator()(GDALDataset* d) const { GDALClose(d); }
};
using Dataset = std::unique_ptr<GDALDataset, Closer>;

Dataset openVector(const fs::path& p) {
  GDALAllRegister();
  return Dataset(GDALDataset::Open(p.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
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

  Dataset ds = openVector(out("rarity.gpkg"));
  ASSERT_TRUE(ds);
  OGRLayer* cells = ds->GetLayerByName("cells");
  ASSERT_NE(cells, nullptr);
  EXPECT_EQ(cells->GetFeatureCount(), 864);
  std::string mine = std::string("title: ") + cells->GetMetadataItem("map_title") + "\n";
  for (auto& [n, f] : byCell(cells))
    mine += strprintf("%d %.6f %d\n", n, f->GetFieldAsDouble("score"), f->GetFieldAsInteger("count"));
  EXPECT_EQ(mine, measured.out);
  EXPECT_STREQ(cells->GetMetadataItem("data_title"), "Carnivora world, PHYLACINE 1.2");
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
    // The colour is the class's, written only for cells with a score.
    const std::string colour = f->GetFieldAsString("colour");
    EXPECT_EQ(colour.empty(), c.count == 0 && f->GetFieldAsDouble("score") == 0.0) << n;
  }
  EXPECT_GT(splitCells, 0);

  OGRLayer* taxa = ds->GetLayerByName("taxa");
  ASSERT_NE(taxa, nullptr);
  EXPECT_EQ(taxa->GetFeatureCount(), 288);
  long records = 0;
  taxa->ResetReading();
  while (OGRFeature* f = taxa->GetNextFeature()) {
    records += f->GetFieldAsInteger("records");
    EXPECT_EQ(f->GetFieldAsInteger("in_set"), 0);  // no area set
    OGRFeature::DestroyFeature(f);
  }
  EXPECT_EQ(records, 7055);
}

TEST_F(GisExport, CsvCarriesTheNearMinimumSetInOrderWithCentroidsAndWkt) {
  const fs::path sed = out("set.sed");
  const auto sel = run({"select", "near-minimum", world.string(), "--areas-out", sed.string()});
  ASSERT_EQ(sel.rc, 0) << sel.err;
  const std::vector<int> set = parseSeedFile(test::readFile(sed), 864);
  ASSERT_FALSE(set.empty());
  const auto r = run({"export-gis", world.string(), "--out", out("set.csv").string(), "--select", "near-minimum"});
  ASSERT_EQ(r.rc, 0) << r.err;

  const std::string text = test::readFile(out("set.csv"));
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "WKT,cell,location,score,class,colour,count,in_set,step,seed,status,times_chosen,lon,lat");
  Dataset ds = openVector(out("set.csv"));
  ASSERT_TRUE(ds);
  OGRLayer* l = ds->GetLayer(0);
  EXPECT_EQ(l->GetFeatureCount(), 864);
  std::map<int, int> steps;
  for (auto& [n, f] : byCell(l)) {
    if (f->GetFieldAsInteger("in_set") == 0) {
      EXPECT_STREQ(f->GetFieldAsString("step"), "") << n;
      continue;
    }
    steps[f->GetFieldAsInteger("step")] = n;
    EXPECT_EQ(std::string(f->GetFieldAsString("status")).rfind("goal-", 0), 0u) << n;
  }
  std::vector<int> inOrder;
  for (auto [step, n] : steps) inOrder.push_back(n);
  EXPECT_EQ(inOrder, set);

  // The taxa file: every taxon is represented by the near-minimum set.
  Dataset taxa = openVector(gisTaxaCsvPath(out("set.csv")));
  ASSERT_TRUE(taxa);
  OGRLayer* t = taxa->GetLayer(0);
  EXPECT_EQ(t->GetFeatureCount(), 288);
  t->ResetReading();
  while (OGRFeature* f = t->GetNextFeature()) {
    EXPECT_GE(f->GetFieldAsInteger("in_set"), 1) << f->GetFieldAsString("name");
    OGRFeature::DestroyFeature(f);
  }
}

TEST_F(GisExport, BritainSquaresAreBritishNationalGrid) {
  const fs::path gpkg = out("gb.gpkg"), json = out("gb.geojson");
  auto r =
      run({"--grid", "britain", "export-gis", britain.string(), "--out", gpkg.string(), "--select", "near-minimum"});
  ASSERT_EQ(r.rc, 0) << r.err;
  r = run({"--grid", "britain", "export-gis", britain.string(), "--out", json.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  for (const fs::path& p : {gpkg, json}) {
    Dataset ds = openVector(p);
    ASSERT_TRUE(ds) << p;
    OGRLayer* l = ds->GetLayer(0);
    EXPECT_EQ(l->GetFeatureCount(), 2777) << p;
    ASSERT_NE(l->GetSpatialRef(), nullptr);
    EXPECT_STREQ(l->GetSpatialRef()->GetAuthorityCode(nullptr), "27700");
    // Hectads whose corners the atlas gives.
    const std::map<std::string, std::pair<double, double>> corners{
        {"SW71", {170000, 10000}}, {"SW32", {130000, 20000}}, {"TQ38", {530000, 180000}}};
    int found = 0;
    for (auto& [n, f] : byCell(l)) {
      const std::string ref = std::string(f->GetFieldAsString("location")).substr(0, 4);
      auto it = corners.find(ref);
      if (it == corners.end()) continue;
      ++found;
      OGREnvelope e;
      f->GetGeometryRef()->getEnvelope(&e);
      EXPECT_EQ(e.MinX, it->second.first) << ref;
      EXPECT_EQ(e.MinY, it->second.second) << ref;
      EXPECT_EQ(e.MaxX - e.MinX, 10000.0);
      EXPECT_EQ(f->GetFieldAsDouble("easting"), it->second.first + 5000.0);
    }
    EXPECT_EQ(found, 3) << p;
  }
}

TEST_F(GisExport, OutputsThatCannotBeWrittenAreRefusedAndOldFilesKept) {
  auto r = run({"export-gis", world.string(), "--out", (out("nosuch") / "x.gpkg").string()});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("the folder " + out("nosuch").string() + " does not exist"), std::string::npos) << r.err;
  test::writeFile(out("file"), "x");
  r = run({"export-gis", world.string(), "--out", (out("file") / "x.gpkg").string()});
  EXPECT_NE(r.err.find("is not a folder"), std::string::npos) << r.err;
  EXPECT_EQ(run({"export-gis", world.string(), "--out", out("x.shp").string()}).rc, 2);
  EXPECT_EQ(run({"export-gis", world.string(), "--out", out("x.gpkg").string(), "--measure", "richness", "--select",
                 "greedy"})
                .rc,
            2);
  // A failed analysis leaves an earlier export as it was.
  test::writeFile(out("old.gpkg"), "old");
  r = run({"export-gis", world.string(), "--out", out("old.gpkg").string(), "--select", "reorder-threat"});
  EXPECT_NE(r.rc, 0);
  EXPECT_EQ(test::readFile(out("old.gpkg")), "old");
  // Nothing is left beside the outputs.
  ASSERT_EQ(run({"export-gis", world.string(), "--out", out("new.gpkg").string()}).rc, 0);
  for (const auto& e : fs::directory_iterator(shipped.tmp.path()))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

}  // namespace
}  // namespace zn
