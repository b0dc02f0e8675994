// The recent projects of the DataBase menu, kept in the program folder.
#include <gtest/gtest.h>

#include <fstream>

#include "shell/recentprojects.h"
#include "tests/support/fixtures.h"

namespace zn::test {
namespace {

namespace fs = std::filesystem;

TEST(RecentProjects, NewestFirstEachOnceTheNewestSixAndForgotten) {
  TempDir tmp;
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

  ASSERT_TRUE(forgetProject(home, named(4)));
  want.erase(want.begin());
  EXPECT_EQ(recentProjects(home), want);

  EXPECT_EQ(recentProjectLabel(1, "/maps/a&b.gpkg"), "&2 a&&b.gpkg  (/maps)");
}

TEST(RecentProjects, OnlyAbsolutePathsOfPlainTextAreRead) {
  TempDir tmp;
  std::ofstream(recentProjectsFile(tmp.path()), std::ios::binary)
      << "relative.gpkg\n/a/one.gpkg\r\n\n/a/one.gpkg\n/a/\x01two.gpkg\n/a/three.gpkg";
  EXPECT_EQ(recentProjects(tmp.path()), (std::vector<fs::path>{"/a/one.gpkg", "/a/three.gpkg"}));
}

}  // namespace
}  // namespace zn::test
