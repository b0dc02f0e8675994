// zonarium import-data and export-data.
#include <gtest/gtest.h>

#include "cli/dataio_cmd.h"
#include "store/files.h"
#include "store/text.h"
#include "tests/support/cli_run.h"
#include "tests/support/fixtures.h"

namespace zn::test {
namespace {

namespace fs = std::filesystem;

CliOutput zonarium(const std::vector<std::string>& args) { return runCli(args); }

TEST(DataIoCli, LayoutNamesAndNumbers) {
  EXPECT_EQ(importLayoutCode("comma"), 2);
  EXPECT_EQ(importLayoutCode("nwps"), 4);
  EXPECT_EQ(importLayoutCode("9"), 9);
  EXPECT_EQ(importLayoutCode("10"), 0);
  EXPECT_EQ(exportLayoutCode("twinspan"), 7);
  EXPECT_EQ(exportLayoutCode("taxa"), 2);
  EXPECT_EQ(exportLayoutCode("nonsense"), 0);
}

TEST(DataIoCli, ImportThenExportOnTheWorldGrid) {
  TempDir tmp;
  const fs::path home = makeProgramFolder(tmp.path());
  writeFile(tmp.path() / "list.txt", "Canis,lupus,1\nCanis,lupus,2\nUrsus,arctos,99999\n");
  const std::string dat = (home / "equal" / "cli.dat").string();
  auto r = zonarium({"--home", home.string(), "import-data", "comma", (tmp.path() / "list.txt").string(), dat});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.out.find("taxa: 2\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("records: 2\n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("2 records for 2 taxa converted\n1 lost records"), std::string::npos) << r.err;
  EXPECT_EQ(readFile(home / "LOSTDAT.TXT"), "Ursus arctos 99999\n");

  // Two taxa make a file of two cards, which "Check datafile" questions.
  const fs::path out = tmp.path() / "numbers.txt";
  r = zonarium({"--home", home.string(), "--answer", "yes", "export-data", "comma-numbers", dat, out.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(readFile(out), "1,1\n1,2\n");

  r = zonarium(
      {"--home", home.string(), "--answer", "yes", "export-data", "dmap", dat, out.string(), "--taxa", "Canis lupus"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("DMAP format\nonly available for Britain and Europe"), std::string::npos) << r.err;
}

TEST(DataIoCli, RefusesAnOutputOutsideTheGridFolders) {
  TempDir tmp;
  const fs::path home = makeProgramFolder(tmp.path());
  writeFile(tmp.path() / "list.txt", "Canis,lupus,1\n");
  auto r = zonarium({"--home", home.string(), "import-data", "comma", (tmp.path() / "list.txt").string(),
                     (tmp.path() / "x.dat").string()});
  EXPECT_EQ(r.rc, 2);
  EXPECT_NE(r.err.find("must lie in a grid folder"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(tmp.path() / "x.dat"));
  r = zonarium({"--home", home.string(), "import-data", "sideways", "a", "b"});
  EXPECT_EQ(r.rc, 2);
}

TEST(DataIoCli, DmapRoundTripWithTheBritainGrid) {
  TempDir tmp;
  const fs::path home = tmp.path() / "ZONARIUM";
  ASSERT_TRUE(populateProgramFolder(home, shippedProgramData()));
  const fs::path dat = home / "britain" / "butterflies.dat";
  auto info = zonarium({"--home", home.string(), "--grid", "britain", "info", dat.string()});
  ASSERT_EQ(info.rc, 0) << info.err;
  // The first taxon's name, from the card itself.
  const std::string bytes = readFile(dat);
  const std::string first = fieldText(reinterpret_cast<const unsigned char*>(bytes.data()) + 36, 32);
  const fs::path out = tmp.path() / "one.txt";
  auto r = zonarium({"--home", home.string(), "--grid", "britain", "export-data", "dmap", dat.string(), out.string(),
                     "--taxa", first});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(readFile(tmp.path() / "one.nam"), "1 " + first + "\n");
  r = zonarium({"--home", home.string(), "--grid", "britain", "import-data", "dmap", (tmp.path() / "one.dis").string(),
                (home / "britain" / "one.dat").string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.out.find("taxa: 1\n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("\n0 lost records"), std::string::npos) << r.err;
}

TEST(DataIoCli, ExportCountsAtTheExcludedLevelAndSaysWhenItCannotWrite) {
  TempDir tmp;
  const fs::path home = makeProgramFolder(tmp.path());
  const fs::path dat = home / "equal" / "levels.dat";
  writeFile(dat, datafileImage("Levels",
                               {{"Low", "1", {{1, 1}, {2, 1}, {3, 3}}}, {"High", "2", {{4, 3}}}, {"None", "3", {}}}));
  const fs::path out = tmp.path() / "taxa.txt";
  auto r =
      zonarium({"--home", home.string(), "export-data", "taxa", dat.string(), out.string(), "--excluded-level", "2"});
  ASSERT_EQ(r.rc, 0) << r.err;
  const std::string text = readFile(out);
  // Low keeps one of its three records above level 2; High its one.
  EXPECT_NE(text.find(strprintf("%5d.  %-31s %5d (", 1, "Low", 1)), std::string::npos) << text;
  EXPECT_NE(text.find(strprintf("%5d.  %-31s %5d (", 2, "High", 1)), std::string::npos) << text;

  r = zonarium({"--home", home.string(), "export-data", "taxa", dat.string(), (tmp.path() / "no" / "x.txt").string()});
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "zonarium: cannot write " + (tmp.path() / "no" / "x.txt").string() + "\n");
}

TEST(DataIoCli, ImportKeepsAnExistingDatafileWhenTheAnswerIsNo) {
  TempDir tmp;
  const fs::path home = makeProgramFolder(tmp.path());
  writeFile(tmp.path() / "list.txt", "Canis,lupus,1\n");
  const fs::path dat = home / "equal" / "kept.dat";
  writeFile(dat, "precious");
  auto r = zonarium({"--home", home.string(), "--answer", "no", "import-data", "comma",
                     (tmp.path() / "list.txt").string(), dat.string()});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("Write import data: " + dat.string() + " already exists.\nDo you want to replace it?\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(readFile(dat), "precious");
  r = zonarium({"--home", home.string(), "--answer", "yes", "import-data", "comma", (tmp.path() / "list.txt").string(),
                dat.string()});
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(readFile(dat), "precious");
}

TEST(DataIoCli, RefusesAnInputAboveTheImportLimitWithAMessage) {
  TempDir tmp;
  const fs::path home = makeProgramFolder(tmp.path());
  const fs::path big = tmp.path() / "big.txt";
  writeFile(big, "Canis,lupus,1\n");
  fs::resize_file(big, (std::uintmax_t(256) << 20) + 1);  // sparse: nothing is written
  const fs::path dat = home / "equal" / "big.dat";
  auto r = zonarium({"--home", home.string(), "import-data", "comma", big.string(), dat.string()});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("Import data: File too large to import (over 256 MiB):\n" + big.string()), std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(dat));
}

}  // namespace
}  // namespace zn::test
