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

  const fs::path out = tmp.path() / "numbers.txt";
  r = zonarium({"--home", home.string(), "export-data", "comma-numbers", dat, out.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(readFile(out), "1,1\n1,2\n");

  r = zonarium({"--home", home.string(), "export-data", "dmap", dat, out.string(), "--taxa", "Canis lupus"});
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

}  // namespace
}  // namespace zn::test
