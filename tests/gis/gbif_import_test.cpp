// GBIF downloads into datafiles: the shipped samples' own records written in
// GBIF's layout come back as the same cards; bad rows go to the lost-records
// file with their reason; refusals write nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
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
      {with({{"decimalLatitude", "0"}, {"decimalLongitude", "0.0"}}), "coordinates 0/0"},
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

}  // namespace
}  // namespace zn
