#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands.h"
#include "tests/support/fixtures.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

struct Cli {
  test::TempDir tmp;
  fs::path home = test::makeProgramFolder(tmp.path());
  fs::path data = home / "equal" / "priority.dat";
  std::string out, err;

  Cli() {
    auto t = [](const std::string& name, std::initializer_list<int> cells) {
      test::TaxonSpec s{name, "1", {}};
      for (int c : cells) s.levels[c] = 1;
      return s;
    };
    test::writeFile(data, test::datafileImage("Priority", {t("T1", {10}), t("T2", {20, 30}), t("T3", {30, 40}),
                                                           t("T4", {20, 40, 50}), t("T5", {10, 50, 60})}));
  }
  int run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.string(), "select"});
    std::ostringstream o, e;
    const int rc = runZonarium(args, o, e);
    out = o.str();
    err = e.str();
    return rc;
  }
  fs::path file(const std::string& name, const std::string& text) {
    const fs::path p = tmp.path() / name;
    test::writeFile(p, text);
    return p;
  }
};

TEST(ZonariumSelect, NearMinimumWritesTheReportToStandardOutput) {
  Cli c;
  ASSERT_EQ(c.run({"near-minimum", c.data.string()}), 0) << c.err;
  EXPECT_EQ(c.out.rfind(" Map grid: Equal-area world grid.\n Database: Priority.\n", 0), 0u) << c.out;
  EXPECT_NE(c.out.find("PRIORITY-AREAS ANALYSIS: Near-minimum-area set re-ordered by richness\n"), std::string::npos);
  EXPECT_NE(c.out.find("     3    20  "), std::string::npos) << c.out;
}

TEST(ZonariumSelect, SettingsResultsFileAndAreasOut) {
  Cli c;
  const fs::path results = c.tmp.path() / "RESULTS.TXT", sed = c.tmp.path() / "out.sed";
  ASSERT_EQ(c.run({"near-minimum", c.data.string(), "--set", "goal=2", "--set", "long-reports=1", "--results",
                   results.string(), "--areas-out", sed.string()}),
            0)
      << c.err;
  EXPECT_EQ(c.out, "");
  const std::string text = test::readFile(results);
  EXPECT_NE(text.find("Near-minimum-area set for 2 representations\r\n"), std::string::npos) << text;
  EXPECT_EQ(test::readFile(sed), "[seed selected grid cell biotas]\n10\n20\n30\n40\n50\n[end]\n");
}

TEST(ZonariumSelect, CoverageByNumberAndByBudget) {
  Cli c;
  ASSERT_EQ(c.run({"coverage", c.data.string(), "--areas-to-add", "2"}), 0) << c.err;
  EXPECT_NE(c.out.find("(near-minimum set for 1 rep would be 3 areas)"), std::string::npos) << c.out;
  const fs::path costs = c.file("costs.scr", "costs\n#2\n10 1\n20 1\n30 5\n40 1\n50 1\n60 1\n");
  ASSERT_EQ(c.run({"coverage", c.data.string(), "--costs", costs.string(), "--budget", "2"}), 0) << c.err;
  EXPECT_NE(c.out.find("Near-maximum-coverage set"), std::string::npos);
  EXPECT_NE(c.out.find(", cost 3)"), std::string::npos) << c.out;
}

TEST(ZonariumSelect, BadInputIsRefusedWithAMessage) {
  Cli c;
  struct Row {
    std::vector<std::string> args;
    int rc;
    const char* message;
  };
  const fs::path partial = c.file("partial.scr", "#2\n10 1\n20 1\n");
  const std::vector<Row> rows{
      {{"nearest", "DATA"}, 2, "unknown kind nearest"},
      {{"coverage", "DATA", "--areas-to-add", "0"}, 2, "--areas-to-add takes a whole number from 1 to 1100"},
      {{"coverage", "DATA", "--budget", "-3"}, 2, "--budget takes a number above 0"},
      {{"coverage", "DATA", "--budget", "5", "--costs", partial.string()}, 2,
       "Convert screen scores to cost values for area selection: Cost data missing for some areas."},
      {{"near-minimum", "DATA", "--set", "goal=100"}, 2, "invalid value \"100\" for goal"},
      {{"near-minimum", "DATA", "--set", "reorder=threat"}, 2, "No threat variable has been loaded."},
      {{"report", "DATA"}, 1, "Representation RESULTS: No areas have been selected yet."},
      {{"near-minimum", "DATA", "--costs", (c.tmp.path() / "none.scr").string()}, 1, "Import scores: Can't open file"},
      {{"near-minimum", "DATA", "--random-seed", "x"}, 2, "--random-seed takes a whole number"},
  };
  for (Row r : rows) {
    for (auto& a : r.args)
      if (a == "DATA") a = c.data.string();
    EXPECT_EQ(c.run(r.args), r.rc) << r.message << "\n" << c.err;
    EXPECT_NE(c.err.find(r.message), std::string::npos) << c.err;
  }
}

TEST(ZonariumSelect, RandomSeedMakesRandomRunsRepeatable) {
  Cli c;
  const fs::path seeds = c.file("seed.sed", "[seed selected grid cell biotas]\n60\n[end]\n");
  ASSERT_EQ(c.run({"random", c.data.string(), "--areas", seeds.string(), "--areas-to-add", "3", "--random-seed",
                   "17", "--set", "two-tailed=1"}),
            0)
      << c.err;
  const std::string first = c.out;
  ASSERT_EQ(c.run({"random", c.data.string(), "--areas", seeds.string(), "--areas-to-add", "3", "--random-seed",
                   "17", "--set", "two-tailed=1"}),
            0);
  EXPECT_EQ(c.out, first);
  EXPECT_NE(first.find("lower 2.5% upper 2.5%"), std::string::npos) << first;
}

TEST(ZonariumSelect, ReorderCommandsAndReport) {
  Cli c;
  const fs::path seeds = c.file("set.sed", "[seed selected grid cell biotas]\n60\n20\n10\n[end]\n");
  const fs::path threats = c.file("threat.scr", "#1\n" + std::string(9, ' ') + "\n");
  ASSERT_EQ(c.run({"reorder-richness", c.data.string(), "--areas", seeds.string()}), 0) << c.err;
  EXPECT_NE(c.out.find("Area set re-ordered by richness"), std::string::npos);
  ASSERT_EQ(c.run({"report", c.data.string(), "--areas", seeds.string()}), 0) << c.err;
  EXPECT_NE(c.out.find("\n  3 areas selected."), std::string::npos) << c.out;
  EXPECT_EQ(c.run({"reorder-threat", c.data.string(), "--areas", seeds.string(), "--threats", threats.string()}), 1);
  EXPECT_NE(c.err.find("No threat variable has been loaded."), std::string::npos) << c.err;
}

}  // namespace
}  // namespace zn
