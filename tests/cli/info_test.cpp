#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands.h"
#include "tests/support/fixtures.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

TEST(ZonariumInfo, PrintsEveryCounterInOrder) {
  test::TempDir tmp;
  fs::path home = test::makeProgramFolder(tmp.path());
  fs::path file = tmp.path() / "mine" / "equal" / "four.dat";
  test::writeFile(file, test::datafileImage("Four taxa", {{"Alpha", "11", {{1, 1}, {2, 2}, {3, 1}}},
                                                          {"Beta", "12", {{2, 1}}},
                                                          {"Gamma", "21", {{5, -1}, {6, 3}}},
                                                          {"Delta", "", {}}}));
  std::ostringstream out, err;
  int rc = runZonarium({"--home", home.string(), "info", file.string()}, out, err);
  EXPECT_EQ(rc, 0) << err.str();
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(out.str(),
            "grid type: Equal-area world grid\n"
            "data title: Four taxa\n"
            "mode: presence\n"
            "taxa: 4\n"
            "included taxa: 4\n"
            "records: 5\n"
            "taxa with records: 3\n"
            "occupied cells: 5\n"
            "cells with data: 4\n"
            "minimum range: 1\n"
            "median range: 1\n"
            "maximum range: 3\n"
            "sum of gaps: 2587.000000\n"
            "sum of inverse ranges: 2.333333\n"
            "sum of inverse squared ranges: 2.111111\n"
            "sum of weights: 9.000000\n"
            "code-tree length: 6.000000\n");
}

TEST(ZonariumInfo, MessageBoxesGoToStderrAndFailuresExitOne) {
  test::TempDir tmp;
  fs::path home = test::makeProgramFolder(tmp.path());
  fs::path file = home / "nowhere" / "x.dat";
  test::writeFile(file, test::datafileImage("x", {{"A", "1", {{1, 1}}}, {"B", "2", {}}, {"C", "3", {}}}));
  std::ostringstream out, err;
  EXPECT_EQ(runZonarium({"--home", home.string(), "info", file.string()}, out, err), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("Subdirectory: nowhere\\: This grid type is not recognised"), std::string::npos);

  std::ostringstream out2, err2;
  fs::path q = home / "equal" / "q.dat";
  test::writeFile(q, test::datafileImage("*quantities", {{"A", "1", {{1, 40}}}}));
  EXPECT_EQ(runZonarium({"--home", home.string(), "info", q.string()}, out2, err2), 0);
  EXPECT_NE(err2.str().find("unexpected format,\nopen anyway?"), std::string::npos);
  EXPECT_NE(err2.str().find(": Data in quantitative mode\n"), std::string::npos);
  EXPECT_NE(out2.str().find("mode: quantitative\n"), std::string::npos);

  std::ostringstream out3, err3;
  EXPECT_EQ(runZonarium({"--home", home.string(), "--answer", "no", "info", q.string()}, out3, err3), 1);
  EXPECT_NE(err3.str().find("Data file not found"), std::string::npos);
}

TEST(ZonariumInfo, UsageErrorsExitTwo) {
  std::ostringstream out, err;
  EXPECT_EQ(runZonarium({}, out, err), 2);
  EXPECT_EQ(runZonarium({"frobnicate"}, out, err), 2);
  EXPECT_EQ(runZonarium({"info"}, out, err), 2);
  EXPECT_EQ(runZonarium({"--answer", "maybe", "info", "x"}, out, err), 2);
}

}  // namespace
}  // namespace zn

namespace zn {
namespace {

TEST(ZonariumInfo, RelativePathsNameTheFolderTheyLieIn) {
  test::TempDir tmp;
  fs::path home = test::makeProgramFolder(tmp.path());
  fs::path dir = tmp.path() / "work" / "equal";
  test::writeFile(dir / "three.dat", test::datafileImage("Three", {{"A", "11", {{40, 1}}}, {"B", "12", {{41, 1}}},
                                                                     {"C", "2", {{42, 1}}}}));
  fs::path before = fs::current_path();
  fs::current_path(dir);
  std::ostringstream out, err, out2, err2;
  int bare = runZonarium({"--home", home.string(), "info", "three.dat"}, out, err);
  int dotted = runZonarium({"--home", home.string(), "info", "./three.dat"}, out2, err2);
  fs::current_path(before);
  EXPECT_EQ(bare, 0) << err.str();
  EXPECT_EQ(dotted, 0) << err2.str();
  EXPECT_NE(out.str().find("records: 3\n"), std::string::npos);
}

}  // namespace
}  // namespace zn
