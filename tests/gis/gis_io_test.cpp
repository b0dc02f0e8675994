// GIS interchange through the tool. GBIF downloads into datafiles: the
// shipped samples' own records written in GBIF's layout come back as the same
// cards; bad rows go to the lost-records file with their reason; refusals
// write nothing. GIS exports read back through GDAL: one feature per cell of
// the grid type with the cell's true bounds, and attributes equal to what
// `zonarium measure` gives. (The fields each analysis writes, and CSV cells
// kept from running as formulas: gis.case. Both layers' feature counts and
// titles as GDAL's ogrinfo reads them: ogrinfo_check.sh.)
#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <set>

#include "gis/gbif.h"
#include "store/britain.h"
#include "store/files.h"
#include "store/text.h"
#include "tests/support/cli_run.h"
#include "tests/support/file_limit.h"
#include "tests/support/gis_fixture.h"

namespace zn {
namespace {

namespace fs = std::filesystem;
using test::gbifHeader;
using test::gbifRecord;
using test::gbifRow;

// The peak memory of the process in KiB (VmHWM), or -1.
long peakKiB() {
  const std::string status = test::readFile("/proc/self/status");
  const auto at = status.find("VmHWM:");
  return at == std::string::npos ? -1 : std::atol(status.c_str() + at + 6);
}

// One row per record of the sample at the centre of its cell, families and
// genera named so that they sort as the sample's codes do.
struct SampleRecords {
  std::string rows;
  long count = 0;
};

SampleRecords recordsOf(const Session& s, const std::string& end) {
  SampleRecords r;
  const auto units = unitGeometry(s);
  for (int t = 0; t < s.ws.taxaCount; ++t) {
    const std::string code = s.ws.cards.codeText(t), name = s.ws.cards.name(t);
    for (int n = 1; n <= s.ws.geo.cells; ++n) {
      if (s.ws.cards.level(t, n) <= 0) continue;
      const CrsPoint c = *units->centroid(n);
      r.rows += gbifRow({{"gbifID", std::to_string(++r.count)},
                         {"family", "Fam" + code.substr(0, 1)},
                         {"genus", "Gen" + code.substr(0, 2)},
                         {"species", name},
                         {"taxonRank", "SPECIES"},
                         {"occurrenceStatus", "PRESENT"},
                         {"decimalLatitude", strprintf("%.6f", c.y)},
                         {"decimalLongitude", strprintf("%.6f", c.x)},
                         {"basisOfRecord", "HUMAN_OBSERVATION"},
                         {"year", "2001"}},
                        end);
    }
  }
  return r;
}

struct GbifImport : ::testing::Test {
  test::ShippedHome shipped;
  fs::path home = shipped.home;
  fs::path sample = home / "equal" / "carnivora.dat";
  test::CliOutput run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.string(), "import-gbif"});
    return test::runCli(args);
  }
};

TEST_F(GbifImport, ShippedSampleComesBackCardForCardWithBadRowsLost) {
  std::map<std::string, std::string> good{{"family", "Felidae"},         {"genus", "Puma"},
                                          {"species", "Puma concolor"},  {"decimalLatitude", "10.5"},
                                          {"decimalLongitude", "-70.5"}, {"occurrenceStatus", "PRESENT"}};
  auto with = [&](std::map<std::string, std::string> change) {
    auto v = good;
    for (auto& [k, x] : change) v[k] = x;
    return gbifRow(v, "\r\n");
  };
  std::string narrow = with({});
  narrow.erase(narrow.find("\t"), 1);  // one field fewer
  std::string latin1 = with({{"locality", "Bogot\xE1"}});
  // Each bad row with the reason the lost-records file gives.
  const std::vector<std::pair<std::string, std::string>> badRows{
      {with({{"decimalLatitude", ""}}), "no coordinates"},
      {with({{"coordinateUncertaintyInMeters", "50000"}}), "uncertainty 50000 m above 10000 m"},
      {with({{"occurrenceStatus", "ABSENT"}}), "absent"},
      {with({{"decimalLatitude", "ten north"}}), "coordinates are not numbers"},
      {with({{"decimalLongitude", "200"}}), "coordinates out of range"},
      {with({{"species", ""}}), "no species name"},
      {narrow, "row has 49 fields, the header 50"},
      {latin1, "bytes that are not UTF-8"},
  };
  test::OpenedSample open(home, GridVariant::World, sample);
  const SampleRecords recs = recordsOf(*open.s, "\r\n");
  // A byte-order mark, CR LF lines, a locality that begins with a quote
  // (GBIF never quotes: it is text, not the start of a field running on)
  // and a record given twice (it counts once in the datafile).
  std::string text = "\xEF\xBB\xBF" + gbifHeader("\r\n") + recs.rows;
  std::string quoted = recs.rows.substr(0, recs.rows.find("\r\n") + 2);
  std::size_t locality = 0;
  for (int i = 0; i < 16; ++i) locality = quoted.find('\t', locality) + 1;
  quoted.insert(locality, "\"Fundo El Roble");
  text += quoted;
  for (const auto& [row, reason] : badRows) text += row;
  const fs::path input = shipped.tmp.path() / "0004567-240101120000000.csv";
  test::writeFile(input, text);

  const fs::path out = home / "equal" / "fromgbif.dat";
  const auto r = run({input.string(), out.string(), "--max-uncertainty", "10000"});
  ASSERT_EQ(r.rc, 0) << r.err;
  const long bad = static_cast<long>(badRows.size());
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
            strprintf("%ld rows read: %ld records placed as 7055 cell records for 288 taxa", recs.count + 1 + bad,
                      recs.count + 1));
  EXPECT_EQ(test::cardsOf(out, GridVariant::World), test::cardsOf(sample, GridVariant::World));
  const std::string image = test::readFile(out);
  EXPECT_EQ(fieldText(reinterpret_cast<const unsigned char*>(image.data()) + 2, 32),
            std::string("Data from 0004567-240101120000000.csv").substr(0, 31));

  // Every bad row is lost once, with its reason and its line number.
  const std::string lost = test::readFile(home / "LOSTDAT.TXT");
  EXPECT_EQ(std::count(lost.begin(), lost.end(), '\n'), bad + 1) << lost;
  long line = recs.count + 3;  // header, records, the quoted row
  for (const auto& [row, reason] : badRows)
    EXPECT_NE(lost.find(std::to_string(line++) + "\t" + reason + "\t"), std::string::npos) << reason;

  // The sampling effort beside the datafile reads as scores: one line per
  // occupied cell, the records summing to the rows placed.
  const std::string effort = test::readFile(fs::path(out).replace_extension(".scr"));
  ASSERT_NE(effort.find("#2\n"), std::string::npos);
  long sum = 0;
  for (std::size_t p = effort.find("#2\n") + 3; p < effort.size(); p = effort.find('\n', p) + 1)
    sum += std::lround(std::stod(effort.substr(p + 6, 20)));
  EXPECT_EQ(sum, recs.count + 1);
}

TEST_F(GbifImport, ZippedDownloadAndDarwinCoreArchivesGiveTheSameDatafile) {
  test::OpenedSample open(home, GridVariant::World, sample);
  const SampleRecords recs = recordsOf(*open.s, "\n");
  const std::string simple = gbifHeader() + recs.rows;
  // A brace in the name, which GDAL's {}-quoted zip names cannot hold as such.
  const fs::path zip = shipped.tmp.path() / "download}.zip";
  test::writeZip(zip, {{"0004567-240101120000000.csv", simple}});

  // The archive's core file puts the columns in another order and names
  // them by term URI in meta.xml. GBIF's archives enclose no field, so an
  // id beginning with a quote is text; an archive that says fields are
  // enclosed in quotes has a tab inside one.
  const std::vector<std::string> terms{"gbifID", "decimalLongitude", "species", "decimalLatitude", "genus", "family"};
  auto metaEnclosing = [&](const char* enclosure) {
    std::string meta =
        "<?xml version=\"1.0\"?>\n<archive xmlns=\"http://rs.tdwg.org/dwc/text/\">\n"
        "<core encoding=\"UTF-8\" fieldsTerminatedBy=\"\\t\" linesTerminatedBy=\"\\n\" fieldsEnclosedBy=\"" +
        std::string(enclosure) +
        "\" ignoreHeaderLines=\"1\" rowType=\"http://rs.tdwg.org/dwc/terms/Occurrence\">\n"
        "<files><location>occurrence.txt</location></files>\n<id index=\"0\"/>\n";
    for (std::size_t i = 1; i < terms.size(); ++i)
      meta += strprintf("<field index=\"%zu\" term=\"http://rs.tdwg.org/dwc/terms/%s\"/>\n", i, terms[i].c_str());
    return meta + "</core>\n</archive>\n";
  };
  std::string core = "id\tlon\tname\tlat\tg\tf\n";  // the header row is skipped, not read
  const auto& cols = test::gbifColumns();
  auto at = [&](const std::string& row, const std::string& col) {
    std::size_t p = 0;
    for (std::size_t i = 0; cols[i] != col; ++i) p = row.find('\t', p) + 1;
    return row.substr(p, row.find_first_of("\t\n", p) - p);
  };
  std::string quotedCore = core;
  for (std::size_t p = 0; p < recs.rows.size(); p = recs.rows.find('\n', p) + 1) {
    const std::string row = recs.rows.substr(p, recs.rows.find('\n', p) - p + 1);
    for (std::size_t i = 0; i < terms.size(); ++i) {
      core += (i ? "\t" : p ? "" : "\"") + at(row, terms[i]);
      quotedCore += (i ? "\t\"" : "\"") + at(row, terms[i]) + (i ? "\"" : "\t\"");
    }
    core += "\n";
    quotedCore += "\n";
  }
  const fs::path dwca = shipped.tmp.path() / "dwca.zip", quoting = shipped.tmp.path() / "quoting.zip";
  test::writeZip(dwca, {{"meta.xml", metaEnclosing("")}, {"occurrence.txt", core}, {"eml.xml", "<eml/>"}});
  test::writeZip(quoting, {{"meta.xml", metaEnclosing("&quot;")}, {"occurrence.txt", quotedCore}});

  const fs::path out = home / "equal" / "a.dat";
  for (const fs::path& in : {zip, dwca, quoting}) {
    fs::remove(out);
    const auto r = run({in.string(), out.string()});
    EXPECT_EQ(r.rc, 0) << in << r.err;
    EXPECT_EQ(test::cardsOf(out, GridVariant::World), test::cardsOf(sample, GridVariant::World)) << in;
  }
}

// Zips without an occurrence file or cut short, and one taxon more than a
// Britain datafile holds, are refused whole. (A download without the columns
// the tool needs, and where records go on the British grid: gbif.case.)
TEST_F(GbifImport, UnusableDownloadsAreRefusedWithoutWritingAnything) {
  const fs::path out = home / "equal" / "never.dat";
  const fs::path noOccurrences = shipped.tmp.path() / "empty.zip";
  test::writeZip(noOccurrences, {{"citations.txt", "cite us"}, {"rights.txt", "CC-BY"}});
  auto r = run({noOccurrences.string(), out.string()});
  EXPECT_NE(r.err.find("the zip holds no occurrence file"), std::string::npos) << r.err;
  // A download cut short says so.
  const fs::path cut = shipped.tmp.path() / "cut.zip";
  test::writeZip(cut, {{"occurrence.csv", gbifHeader()}});
  fs::resize_file(cut, fs::file_size(cut) - 10);
  r = run({cut.string(), out.string()});
  EXPECT_NE(r.err.find(cut.string() + " is not a whole zip"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(out));
  EXPECT_FALSE(fs::exists(home / "LOSTDAT.TXT"));

  const fs::path in = shipped.tmp.path() / "io.csv", big = home / "britain" / "big.dat";
  std::string many = gbifHeader();
  for (int i = 0; i <= gbifTaxaLimit(GridVariant::Britain); ++i)
    many += gbifRecord(strprintf("G s%05d", i), "51.543", "-0.042");
  test::writeFile(in, many);
  r = run({in.string(), big.string(), "--grid", "britain"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("the download holds 10000 taxa; a datafile on this grid holds at most 9999"), std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(big));
}

// A link that leads out of the program folder is refused; one to a datafile
// of the folder is written through, and stays a link.
TEST_F(GbifImport, LinksOutOfTheProgramFolderAndFailedWritesChangeNothing) {
  const fs::path in = shipped.tmp.path() / "cats.csv";
  test::writeFile(in, gbifHeader() + gbifRecord("Puma concolor", "10.5", "-70.5"));
  const fs::path outside = shipped.tmp.path() / "outside.dat";
  fs::create_symlink(outside, home / "equal" / "link.dat");
  const auto r = run({in.string(), (home / "equal" / "link.dat").string()});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("is a symbolic link to nothing"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(outside));
  const fs::path real = home / "equal" / "real.dat", alias = home / "equal" / "alias.dat";
  test::writeFile(real, "old");
  fs::create_symlink(real, alias);
  ASSERT_EQ(run({in.string(), alias.string()}).rc, 0);
  EXPECT_TRUE(fs::is_symlink(alias));
  EXPECT_EQ(test::OpenedSample(home, GridVariant::World, real).s->ws.taxaCount, 1);

  // A failed write leaves the last import's files as they were.
  const fs::path out = home / "equal" / "cats.dat";
  ASSERT_EQ(run({in.string(), out.string()}).rc, 0);
  const std::vector<fs::path> files{out, fs::path(out).replace_extension(".scr"), home / "LOSTDAT.TXT"};
  std::vector<std::string> before;
  for (const auto& f : files) before.push_back(test::readFile(f));

  // Many taxa make a datafile larger than the disk has room for; the
  // scores and the lost records would fit.
  std::string many = gbifHeader() + gbifRecord("Lynx lynx", "0", "0");
  for (int i = 0; i < 300; ++i) many += gbifRecord(strprintf("Felis s%03d", i), "10.5", "-70.5");
  test::writeFile(in, many);
  test::CliOutput failed;
  {
    test::FileSizeLimit full(64 * 1024);
    failed = run({in.string(), out.string()});
  }
  EXPECT_EQ(failed.rc, 1);
  EXPECT_NE(failed.err.find("cannot write " + out.string()), std::string::npos) << failed.err;
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(test::readFile(files[i]), before[i]) << files[i];
  for (const auto& e : fs::directory_iterator(home / "equal"))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

TEST_F(GbifImport, NamesACardCannotHoldAreReportedAndKeptApart) {
  struct Name {
    std::string written, card;
  };
  const std::vector<Name> names{{"Canis lupus", "Canis lupus"},
                                {"Ca\xC3\xB1is lupus", "Canis lupus~2"},
                                {std::string("Vulpes\0vulpes", 13), "Vulpes?vulpes~2"},
                                {"Vulpes?vulpes", "Vulpes?vulpes"}};
  std::string text = gbifHeader();
  for (const auto& n : names) text += gbifRecord(n.written, "10.5", "-70.5");
  const fs::path in = shipped.tmp.path() / "dogs.csv", out = home / "equal" / "dogs.dat";
  test::writeFile(in, text);
  const auto r = run({in.string(), out.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  test::OpenedSample opened(home, GridVariant::World, out);
  std::multiset<std::string> cards, wanted;
  for (int t = 0; t < opened.s->ws.taxaCount; ++t) cards.insert(opened.s->ws.cards.name(t));
  for (const auto& n : names) wanted.insert(n.card);
  EXPECT_EQ(cards, wanted);
  const std::string lost = test::readFile(home / "LOSTDAT.TXT");
  EXPECT_NE(lost.find("\"Canis lupus~2\" (a datafile name is at most 30 ASCII letters)\tCa\xC3\xB1is lupus\t"),
            std::string::npos)
      << lost;
  EXPECT_NE(lost.find("\"Vulpes?vulpes~2\" (a datafile name is at most 30 ASCII letters)\tVulpes\\x00vulpes\t"),
            std::string::npos)
      << lost;
}

// The peak memory of the process, reset to what it holds now.
long resetPeakKiB() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (!f || std::fputs("5", f) < 0 || std::fclose(f) != 0) return -1;
  return peakKiB();
}

TEST_F(GbifImport, LostRowsAreWrittenAsTheyAreReadNotHeld) {
  // 48 MiB of lost rows: long names without coordinates.
  const fs::path in = shipped.tmp.path() / "long.csv", out = home / "equal" / "long.dat";
  {
    const std::string name = "Puma " + std::string(32 * 1024, 'x');
    std::string text = gbifHeader() + gbifRecord("Puma concolor", "10.5", "-70.5");
    for (int i = 0; i < 1536; ++i) text += gbifRecord(name, "", "");
    test::writeFile(in, text);
  }
  const long before = resetPeakKiB();
  if (before < 0) GTEST_SKIP() << "the peak memory cannot be reset here";
  const auto r = run({in.string(), out.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  // Half the lost rows: holding them would pass it, a sanitised build's
  // own overhead (some 16 MiB) does not.
  EXPECT_LT(peakKiB() - before, 24 * 1024);
  EXPECT_GT(fs::file_size(home / "LOSTDAT.TXT"), 48u << 20);
}

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
