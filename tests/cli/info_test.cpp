#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <tuple>

#include "cli/cli.h"
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
  EXPECT_EQ(runZonarium({"--home", home.string(), "--answer", "yes", "info", q.string()}, out2, err2), 0);
  EXPECT_NE(err2.str().find("unexpected format,\nopen anyway?"), std::string::npos);
  EXPECT_NE(err2.str().find(": Data in quantitative mode\n"), std::string::npos);
  EXPECT_NE(out2.str().find("mode: quantitative\n"), std::string::npos);

  std::ostringstream out3, err3;
  EXPECT_EQ(runZonarium({"--home", home.string(), "--answer", "no", "info", q.string()}, out3, err3), 1);
  EXPECT_NE(err3.str().find("Data file not found"), std::string::npos);
}

// Files the tool cannot use exit 1 with a message, whatever went wrong.
TEST(ZonariumInfo, UnusableFilesExitOneAndSayWhy) {
  test::TempDir tmp;
  fs::path home = test::makeProgramFolder(tmp.path());
  auto info = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.string()});
    std::ostringstream out, err;
    const int rc = runZonarium(args, out, err);
    return std::pair{rc, err.str()};
  };
  // A datafile that does not look like one is not opened unless the answer is yes.
  std::string noise(100, '\0');
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 37 + 11) % 251);
  noise[1] = 0;  // a small positive taxa count
  const fs::path random = home / "equal" / "random.dat";
  test::writeFile(random, noise);
  auto [rc, err] = info({"info", random.string()});
  EXPECT_EQ(rc, 1);
  EXPECT_NE(err.find("unexpected format,\nopen anyway?"), std::string::npos) << err;
  std::tie(rc, err) = info({"--answer", "yes", "info", random.string()});
  EXPECT_EQ(rc, 0) << err;

  // A header of no taxa opens (when told to) but leaves nothing to count.
  const fs::path empty = home / "equal" / "empty.dat";
  test::writeFile(empty, test::datafileImage("Nothing", {}));
  std::tie(rc, err) = info({"--answer", "yes", "info", empty.string()});
  EXPECT_EQ(rc, 1);
  EXPECT_NE(err.find(": No taxa read\n"), std::string::npos) << err;

  // "equ" picks the equal-area grid type by its prefix, but the program
  // folder has no folder of that name.
  const fs::path prefixed = tmp.path() / "equ" / "three.dat";
  test::writeFile(prefixed, test::datafileImage("Three", {{"A", "1", {{1, 1}}}, {"B", "2", {}}, {"C", "3", {}}}));
  std::tie(rc, err) = info({"info", prefixed.string()});
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(err, "zonarium: cannot open " + prefixed.string() +
                     ": its folder \"equ\" names the grid type \"Equal-area world grid\", whose data folder " +
                     (home / "equ").string() + " does not exist\n");
}

TEST(ZonariumInfo, HelpListsEveryGlobalOptionAndCommand) {
  std::ostringstream out, err;
  EXPECT_EQ(runZonarium({"--help"}, out, err), 0);
  const std::string text = out.str();
  std::ostringstream shortOut, shortErr;
  EXPECT_EQ(runZonarium({"-h"}, shortOut, shortErr), 0);
  EXPECT_EQ(shortOut.str(), text);
  for (const char* option : {"--home DIR", "--answer yes|no", "--grid world|britain", "--help, -h"})
    EXPECT_NE(text.find("\n  " + std::string(option) + " "), std::string::npos) << option << "\n" << text;
  for (const auto& c : subcommands()) EXPECT_NE(text.find("zonarium [options] " + c.usage + "\n"), std::string::npos);

  // Every option the text lists is one the parser takes: each value it
  // names is accepted, and what follows is read as the command.
  const std::size_t from = text.find("options:\n"), to = text.find("commands:\n");
  ASSERT_NE(from, std::string::npos);
  ASSERT_NE(to, std::string::npos);
  std::istringstream lines(text.substr(from + 9, to - from - 9));
  test::TempDir tmp;
  int listed = 0;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string name, values;
    words >> name >> values;
    if (name == "--help,") continue;
    ++listed;
    std::vector<std::string> accepted;
    for (std::size_t at = 0; at <= values.size();) {
      const std::size_t bar = std::min(values.find('|', at), values.size());
      accepted.push_back(values.substr(at, bar - at));
      at = bar + 1;
    }
    for (std::string v : accepted) {
      if (v == "DIR") v = tmp.path().string();
      std::ostringstream o, e;
      EXPECT_EQ(runZonarium({name, v, "frobnicate"}, o, e), 2) << line;
      EXPECT_EQ(e.str().rfind("zonarium: unknown command frobnicate\n", 0), 0u) << line << "\n" << e.str();
    }
    std::ostringstream o, e;
    EXPECT_EQ(runZonarium({name, "nonsense", "frobnicate"}, o, e), 2) << line;
    if (values != "DIR") {
      EXPECT_EQ(e.str().find("unknown command"), std::string::npos) << line << "\n" << e.str();
    }
  }
  EXPECT_EQ(listed, 3);
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
  test::writeFile(
      dir / "three.dat",
      test::datafileImage("Three", {{"A", "11", {{40, 1}}}, {"B", "12", {{41, 1}}}, {"C", "2", {{42, 1}}}}));
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
