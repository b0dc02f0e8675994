// The files kept in the program folder: RESULTS.TXT with its backup and
// monitor, and the recent projects of the DataBase menu.
#include "shell/results.h"

#include <gtest/gtest.h>

#include <fstream>

#include "shell/recentprojects.h"
#include "tests/support/fixtures.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

TEST(ResultsFile, StartAndClearKeepThePreviousReportsAsOneBackup) {
  test::TempDir tmp;
  auto f = tmp.path() / "RESULTS.TXT";
  auto bak = tmp.path() / "RESULTS.BAK";
  const std::string header = "\r\n ZONARIUM version 4.19.25 results log file\r\n\r\n";
  // First start of all: nothing to keep.
  ASSERT_TRUE(startResultsFile(f));
  EXPECT_FALSE(std::filesystem::exists(bak));
  ASSERT_TRUE(appendResults(f, "session one\n"));
  // The next start keeps session one.
  ASSERT_TRUE(startResultsFile(f));
  EXPECT_EQ(test::readFile(f), header);
  EXPECT_EQ(test::readFile(bak), header + "session one\r\n");
  // A clear with no report since then must not push session one out.
  ASSERT_TRUE(startResultsFile(f));
  EXPECT_EQ(test::readFile(bak), header + "session one\r\n");
  // Reports written since replace the one generation kept.
  ASSERT_TRUE(appendResults(f, "session two\nline two\n"));
  ASSERT_TRUE(startResultsFile(f));
  EXPECT_EQ(test::readFile(bak), header + "session two\r\nline two\r\n");
  EXPECT_EQ(test::readFile(f), header);
  // A file that cannot be made is a failure.
  EXPECT_FALSE(startResultsFile(tmp.path() / "missing" / "RESULTS.TXT"));
  EXPECT_FALSE(appendResults(tmp.path() / "missing" / "RESULTS.TXT", "x\n"));
}

TEST(ResultsMonitor, ShowsTheLastLinesOfTheTailOfALongFileAndEachLineOfAShortOne) {
  std::string file;
  for (int i = 0; i < 1000; ++i) file += "report line " + std::to_string(i) + "\r\n";
  auto lines = monitorLines(file, 20);
  ASSERT_EQ(lines.size(), 19u);
  EXPECT_EQ(lines.front(), "report line 981");
  EXPECT_EQ(lines.back(), "report line 999");
  // A tall window starts at the beginning of the 4096-byte tail, mid-line.
  auto all = monitorLines(file, 1000);
  std::string tail = file.substr(file.size() - 4096);
  EXPECT_EQ(all.front(), tail.substr(0, tail.find('\r')));
  EXPECT_EQ(all.back(), "report line 999");

  // Only that tail is read from the file.
  test::TempDir tmp;
  auto f = tmp.path() / "RESULTS.TXT";
  test::writeFile(f, std::string(10000, 'x') + "end");
  std::string read = readResultsTail(f);
  EXPECT_EQ(read.size(), 4096u);
  EXPECT_EQ(read.substr(4093), "end");
  EXPECT_EQ(readResultsTail(tmp.path() / "none"), "");

  // Short files: the header is three lines; text after the last line end is
  // a line too.
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"\r\n ZONARIUM version 4.19.25 results log file\r\n\r\n",
       {"", " ZONARIUM version 4.19.25 results log file", ""}},
      {"", {}},
      {"a\r\nb", {"a", "b"}}};
  for (const auto& [text, shown] : cases) EXPECT_EQ(monitorLines(text, 20), shown) << text;
}

TEST(RecentProjects, NewestFirstEachOnceTheNewestSixAbsolutePathsOfPlainTextOnly) {
  test::TempDir tmp;
  const fs::path home = tmp.path();
  EXPECT_TRUE(recentProjects(home).empty());
  auto named = [&](int i) { return tmp.path() / ("p" + std::to_string(i) + ".gpkg"); };
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(rememberProject(home, named(i)));
  std::vector<fs::path> want;
  for (int i = 7; i >= 2; --i) want.push_back(named(i));
  EXPECT_EQ(recentProjects(home), want);

  // Opened again, it moves to the head without a second entry.
  ASSERT_TRUE(rememberProject(home, named(4)));
  want.erase(want.begin() + 3);
  want.insert(want.begin(), named(4));
  EXPECT_EQ(recentProjects(home), want);

  EXPECT_EQ(recentProjectLabel(1, "/maps/a&b.gpkg"), "&2 a&&b.gpkg  (/maps)");

  // Only absolute paths of plain text are read.
  std::ofstream(recentProjectsFile(home), std::ios::binary)
      << "relative.gpkg\n/a/one.gpkg\r\n\n/a/one.gpkg\n/a/\x01two.gpkg\n/a/three.gpkg";
  EXPECT_EQ(recentProjects(home), (std::vector<fs::path>{"/a/one.gpkg", "/a/three.gpkg"}));
}

}  // namespace
}  // namespace zn
