// GIS exports read back through GDAL: one feature per cell of the grid type
// with the cell's true bounds, and attributes equal to what `zonarium
// measure` and `zonarium select` give for the same analysis.
#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <sstream>

#include "cli/select_cmd.h"
#include "display/displaystate.h"
#include "gis/gisexport.h"
#include "interchange/dataexport.h"
#include "selection/areaset.h"
#include "shell/mapclasses.h"
#include "store/text.h"
#include "tests/support/gis_fixture.h"
#include "tests/support/file_limit.h"
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
    // The colour is the class's, written only for cells with a score; a
    // cell without records has no score at all, not a score of 0.
    const std::string colour = f->GetFieldAsString("colour");
    EXPECT_EQ(colour.empty(), c.count == 0 && f->GetFieldAsDouble("score") == 0.0) << n;
    EXPECT_EQ(f->IsFieldSetAndNotNull(f->GetFieldIndex("score")), f->GetFieldAsInteger("count") != 0) << n;
  }
  EXPECT_GT(splitCells, 0);

  OGRLayer* taxa = ds->GetLayerByName("taxa");
  ASSERT_NE(taxa, nullptr);
  EXPECT_EQ(taxa->GetFeatureCount(), 288);
  long records = 0;
  taxa->ResetReading();
  int t = 0;
  while (OGRFeature* f = taxa->GetNextFeature()) {
    records += f->GetFieldAsInteger("records");
    EXPECT_EQ(f->GetFieldAsInteger("in_set"), 0);  // no area set
    // The code as the user types it: the card's padding is not part of it.
    const std::string code = f->GetFieldAsString("code"), card = open.s->ws.cards.codeText(t++);
    EXPECT_FALSE(code.empty());
    EXPECT_NE(code.back(), '0') << card;
    EXPECT_EQ(card, code + std::string(card.size() - code.size(), '0'));
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
            "WKT,cell,location,class,colour,in_set,step,seed,flexibility,essential_taxa,lon,lat");
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
    const std::string flexibility = f->GetFieldAsString("flexibility");
    EXPECT_TRUE(flexibility == "irreplaceable" || flexibility == "flexible") << n << " " << flexibility;
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
    Dataset ds = openVector(p);
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

// Every analysis of the registry is exported as fields named by what they
// mean: no marker value (the zero-score marker, counts of -1) reaches the
// file, and the replacement cost and exact set agree with their reports.
TEST_F(GisExport, EveryAnalysisExportsFieldsByMeaning) {
  const fs::path sed = out("set.sed"), threats = out("threats.scr");
  ASSERT_EQ(run({"select", "near-minimum", world.string(), "--areas-out", sed.string()}).rc, 0);
  ASSERT_EQ(run({"export-scores", world.string(), "--out", threats.string(), "--measure", "richness"}).rc, 0);
  const std::vector<std::string> onSet{"--areas", sed.string()};
  struct Row {
    std::vector<std::string> options, fields;
  };
  const std::map<std::string, Row> table{
      {"near-minimum", {{}, {"flexibility", "essential_taxa"}}},
      {"coverage", {{"--areas-to-add", "5"}, {"flexibility", "essential_taxa"}}},
      {"greedy", {{}, {}}},
      {"hotspots", {{"--areas-to-add", "5"}, {"score"}}},
      {"flexible", {{"--set", "reorder=richness"}, {"flexible_group", "group_areas"}}},
      {"emr", {{}, {"irreplaceability", "level", "range"}}},
      {"max-rarity", {{}, {"irreplaceability", "level", "range"}}},
      {"reorder-richness", {onSet, {"taxa_added"}}},
      {"reorder-threat", {{"--areas", sed.string(), "--threats", threats.string()}, {"threat"}}},
      {"random", {{"--areas-to-add", "5", "--random-seed", "7"}, {"times_chosen"}}},
      {"report", {onSet, {}}},
      {"exact-minimum", {{}, {"taxa_added"}}},
      {"exact-coverage", {{"--areas-to-add", "5"}, {"taxa_added"}}},
      {"frequency", {{"--runs", "5"}, {"runs", "frequency"}}},
      {"replacement-cost", {{}, {"extra_areas", "irreplaceable"}}},
  };
  for (const std::string& kind : selectKinds()) {
    SCOPED_TRACE(kind);
    auto row = table.find(kind);
    ASSERT_NE(row, table.end()) << "no row for " << kind;
    const fs::path gpkg = out(kind + ".gpkg");
    std::vector<std::string> args{"export-gis", world.string(), "--out", gpkg.string(), "--select", kind};
    args.insert(args.end(), row->second.options.begin(), row->second.options.end());
    const auto r = run(args);
    ASSERT_EQ(r.rc, 0) << r.err;
    Dataset ds = openVector(gpkg);
    ASSERT_TRUE(ds);
    OGRLayer* l = ds->GetLayerByName("cells");
    OGRFeatureDefn* defn = l->GetLayerDefn();
    std::vector<std::string> fields;
    for (int i = defn->GetFieldIndex("seed") + 1; i < defn->GetFieldIndex("lon"); ++i)
      fields.push_back(defn->GetFieldDefn(i)->GetNameRef());
    EXPECT_EQ(fields, row->second.fields);
    int inSet = 0;
    for (auto& [n, f] : byCell(l)) {
      inSet += f->GetFieldAsInteger("in_set");
      for (int i = 0; i < defn->GetFieldIndex("lon"); ++i) {
        if (!f->IsFieldSetAndNotNull(i) || defn->GetFieldDefn(i)->GetType() == OFTString) continue;
        const double v = f->GetFieldAsDouble(i);
        EXPECT_TRUE(v >= 0.0 && v != 10000.0) << n << " " << defn->GetFieldDefn(i)->GetNameRef() << " " << v;
      }
    }
    // These map scores over the cells and leave no set.
    if (kind == "emr" || kind == "max-rarity" || kind == "random" || kind == "frequency") continue;
    EXPECT_GT(inSet, 0);
  }

  // Replacement cost: the report's words and numbers, cell by cell.
  const auto report = run({"select", "replacement-cost", world.string()});
  ASSERT_EQ(report.rc, 0) << report.err;
  std::map<int, std::string> reported;
  std::istringstream lines(report.out.substr(report.out.find("extra areas\n")));
  for (std::string line; std::getline(lines, line);)
    if (int cell = 0; line.size() > 27 && std::sscanf(line.c_str(), "%d", &cell) == 1) reported[cell] = line.substr(27);
  ASSERT_FALSE(reported.empty()) << report.out;
  std::map<int, std::string> exported;
  for (auto& [n, f] : byCell(openVector(out("replacement-cost.gpkg"))->GetLayerByName("cells"))) {
    const bool chosen = f->GetFieldAsInteger("in_set") != 0;
    EXPECT_EQ(f->IsFieldSetAndNotNull(f->GetFieldIndex("irreplaceable")), chosen) << n;
    if (!chosen) continue;
    exported[n] = f->GetFieldAsInteger("irreplaceable") ? std::string("irreplaceable")
                                                        : std::to_string(f->GetFieldAsInteger("extra_areas"));
  }
  EXPECT_EQ(exported, reported);

  // The exact minimum set represents every taxon once: the taxa each area
  // adds sum to the taxa with records.
  int added = 0;
  for (auto& [n, f] : byCell(openVector(out("exact-minimum.gpkg"))->GetLayerByName("cells")))
    added += f->GetFieldAsInteger("taxa_added");
  EXPECT_EQ(added, 288);
}

// Text a spreadsheet would run as a formula is written as text in every CSV
// the program writes; numbers stay numbers.
TEST_F(GisExport, CsvCellsNeverRunAsFormulas) {
  const std::vector<std::pair<std::string, std::string>> names{
      {"=HYPERLINK(\"http://x\",\"y\")", "'=HYPERLINK(\"http://x\",\"y\")"},
      {"+SUM(1+1)", "'+SUM(1+1)"},
      {"@SUM(1)", "'@SUM(1)"},
      {"-2+3", "'-2+3"},
      {"\tcmd", "'\tcmd"},
      {"-2.5e3", "-2.5e3"},
      {"Canis lupus", "Canis lupus"},
  };
  test::OpenedSample open(home, GridVariant::World, world);
  Session& s = *open.s;
  for (std::size_t i = 0; i < names.size(); ++i) s.ws.cards.setName(static_cast<int>(i), names[i].first);
  DisplayState d;
  allocatePalette(d.palette, -1, s.settings);
  buildPalette(d.palette, s.settings);
  classMap(s, d);
  const GisExportResult r = exportMapToGis(s, d.palette, {out("names.csv"), "", nullptr});
  ASSERT_TRUE(r.ok()) << r.error;
  Dataset taxa = openVector(r.taxaFile);
  ASSERT_TRUE(taxa);
  OGRLayer* l = taxa->GetLayer(0);
  l->ResetReading();
  for (const auto& [name, written] : names) {
    std::unique_ptr<OGRFeature> f(l->GetNextFeature());
    ASSERT_TRUE(f);
    EXPECT_EQ(f->GetFieldAsString("name"), written);
  }
  // The comma-delimited text export of the data writes the same names.
  ASSERT_TRUE(writeExport(s, s.progress, kExportCommaText, out("names.txt")));
  const std::string text = test::readFile(out("names.txt"));
  EXPECT_NE(text.find("\"'=HYPERLINK"), std::string::npos);
  EXPECT_NE(text.find("\"'@SUM(1)\""), std::string::npos);
  EXPECT_EQ(text.find("\"="), std::string::npos);
}

}  // namespace
}  // namespace zn
