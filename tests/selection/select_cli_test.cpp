#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "tests/support/cli_run.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

struct Cli : test::CliRun {
  fs::path data = home / "equal" / "priority.dat";

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
    args.insert(args.begin(), "select");
    return command(std::move(args));
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
  // A budget above the total cost of all cells is lowered to that total.
  ASSERT_EQ(c.run({"coverage", c.data.string(), "--costs", costs.string(), "--budget", "1000"}), 0) << c.err;
  EXPECT_NE(c.err.find("budget lowered to 10"), std::string::npos) << c.err;
}

// Area rows of a report, "step cell", in set order.
std::vector<std::pair<int, int>> reportRows(const std::string& report) {
  std::vector<std::pair<int, int>> rows;
  std::istringstream in(report);
  std::string line;
  while (std::getline(in, line)) {
    int step = 0, cell = 0;
    char rest = 0;
    if (line.size() > 14 && line[0] == ' ' && std::sscanf(line.c_str(), "%6d%6d %c", &step, &cell, &rest) == 3)
      rows.emplace_back(step, cell);
  }
  return rows;
}

using Rows = std::vector<std::pair<int, int>>;

TEST(ZonariumSelect, GreedyFollowsItsSettings) {
  Cli c;
  const fs::path seeds = c.file("seed.sed", "[seed selected grid cell biotas]\n60\n[end]\n");
  struct Row {
    std::vector<std::string> extra;
    const char* title;
    Rows areas;
  };
  // Worked by hand: by richness the five cells 10 … 50 tie at two taxa
  // and two in total, and the highest cell wins; by 1 / range cell 10
  // leads with 1 + 1/3.
  const std::vector<Row> rows{
      {{}, "Greedy richness-area set for 1 representation\n  (all", {{1, 50}, {2, 30}, {3, 10}}},
      {{"--set", "greedy-by=rarity", "--set", "rarity-formula=1"},
       "Greedy inverse rarity-area set for 1 representation\n",
       {{1, 10}, {2, 30}, {3, 40}}},
      {{"--set", "greedy-goal=2"}, "Greedy richness-area set for 2 representations\n", {}},
      {{"--set", "greedy-reject-redundant=1"},
       ",\n  0 within-set redundant areas rejected.",
       {{1, 50}, {2, 30}, {3, 10}}},
      {{"--areas", seeds.string()},
       "  includes 1 areas seeding analysis at start\n",
       {{1, 60}, {2, 40}, {3, 30}, {4, 10}}},
      // Seeds included in the test: 60 is no seed, T5 counts as unmet until
      // the first recount, so the run starts as without any set.
      {{"--areas", seeds.string(), "--set", "greedy-include-seeds=1"},
       "Greedy richness-area set for 1 representation\n  (all",
       {{1, 60}, {2, 50}, {3, 30}, {4, 10}}},
  };
  for (const Row& r : rows) {
    std::vector<std::string> args{"greedy", c.data.string()};
    args.insert(args.end(), r.extra.begin(), r.extra.end());
    ASSERT_EQ(c.run(args), 0) << c.err;
    EXPECT_NE(c.out.find(r.title), std::string::npos) << c.out;
    if (!r.areas.empty()) {
      EXPECT_EQ(reportRows(c.out), r.areas) << c.out;
    }
  }
}

TEST(ZonariumSelect, HotspotsTakeTheTopCellsOfTheChosenMeasure) {
  Cli c;
  // Richness 2 in cells 10 … 50: the exchange sort orders the ties 40, 20,
  // 30, 10 (worked by hand).
  ASSERT_EQ(c.run({"hotspots", c.data.string(), "--areas-to-add", "4"}), 0) << c.err;
  EXPECT_NE(c.out.find("PRIORITY-AREAS ANALYSIS: Top 4 hotspots by richness \n"), std::string::npos) << c.out;
  EXPECT_EQ(reportRows(c.out), (Rows{{1, 40}, {2, 20}, {3, 30}, {4, 10}}));
  EXPECT_EQ(c.err, "");

  ASSERT_EQ(c.run({"hotspots", c.data.string(), "--areas-to-add", "9"}), 0) << c.err;
  EXPECT_EQ(reportRows(c.out).size(), 6u) << c.out;
  EXPECT_NE(c.err.find("only 6 cells score above 0: 6 hotspots are selected"), std::string::npos) << c.err;

  // By 1 / range: 10 (1 + 1/3) leads, then 30 (1/2 + 1/2).
  ASSERT_EQ(c.run({"hotspots", c.data.string(), "--areas-to-add", "2", "--set", "hotspot-kind=1", "--set",
                   "rarity-formula=1"}),
            0)
      << c.err;
  EXPECT_NE(c.out.find("Top 2 hotspots by inverse range-size rarity\n"), std::string::npos) << c.out;
  EXPECT_EQ(reportRows(c.out), (Rows{{1, 10}, {2, 30}}));

  // Only T1 has a range of 1: one cell scores, too few for hotspots.
  EXPECT_EQ(c.run({"hotspots", c.data.string(), "--set", "hotspot-kind=3", "--set", "range-size-threshold=1"}), 1);
  EXPECT_NE(c.err.find("fewer than 3 cells score above 0"), std::string::npos) << c.err;
  EXPECT_EQ(c.out, "");
}

// "cell score count" of the scored cells in a scores listing.
std::map<int, std::pair<std::string, int>> scoredCells(const std::string& listing) {
  std::map<int, std::pair<std::string, int>> out;
  std::istringstream in(listing);
  std::string line;
  while (std::getline(in, line)) {
    int cell = 0, count = 0;
    char score[32] = {};
    if (std::sscanf(line.c_str(), "%d %31s %d", &cell, score, &count) == 3 && std::string(score) != "0.000000")
      out[cell] = {score, count};
  }
  return out;
}

TEST(ZonariumSelect, MapKindsPrintTheirScores) {
  Cli c;
  using Scores = std::map<int, std::pair<std::string, int>>;
  // EMR: pass 1 scores T1's cell 10 and takes T5 with it; pass 2 scores the
  // cells of T2 and T3 (range 2); 50 and 60 are left with 1 / 6 candidates.
  ASSERT_EQ(c.run({"emr", c.data.string()}), 0) << c.err;
  EXPECT_EQ(c.out.rfind("title: ", 0), 0u) << c.out;
  EXPECT_EQ(scoredCells(c.out), (Scores{{10, {"1.000000", 1}},
                                        {20, {"0.500000", 2}},
                                        {30, {"0.500000", 2}},
                                        {40, {"0.500000", 2}},
                                        {50, {"0.166667", 3}},
                                        {60, {"0.166667", 3}}}));
  // Max rarity: 1 / the smallest range in the cell, ranked.
  ASSERT_EQ(c.run({"max-rarity", c.data.string()}), 0) << c.err;
  EXPECT_EQ(scoredCells(c.out), (Scores{{10, {"1.000000", 1}},
                                        {20, {"0.500000", 2}},
                                        {30, {"0.500000", 2}},
                                        {40, {"0.500000", 2}},
                                        {50, {"0.333333", 3}},
                                        {60, {"0.333333", 3}}}));
  // The near-minimum set 10, 30, 20: 10 is irreplaceable (top 4), 30 shares
  // T3 with 40 (group of 2 scores 2), 20 shares T4 with 40 and 50 (group of
  // 3 scores 1, the later area overwriting 40).
  const fs::path results = c.tmp.path() / "RESULTS.TXT";
  ASSERT_EQ(c.run({"flexible", c.data.string(), "--results", results.string()}), 0) << c.err;
  EXPECT_EQ(scoredCells(c.out), (Scores{{10, {"4.000000", 2}},
                                        {20, {"1.000000", 1}},
                                        {30, {"2.000000", 1}},
                                        {40, {"1.000000", 1}},
                                        {50, {"1.000000", 1}}}));
  EXPECT_NE(test::readFile(results).find("Near-minimum-area set re-ordered by richness"), std::string::npos);
  EXPECT_EQ(c.run({"flexible", c.data.string(), "--set", "goal=2"}), 2);
  EXPECT_NE(c.err.find("flexible needs goal 1"), std::string::npos) << c.err;
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
      {{"coverage", "DATA", "--budget", "5", "--costs", partial.string()},
       2,
       "Convert screen scores to cost values for area selection: Cost data missing for some areas."},
      {{"near-minimum", "DATA", "--set", "goal=100"}, 2, "invalid value \"100\" for goal"},
      {{"near-minimum", "DATA", "--set", "reorder=threat"}, 2, "No threat variable has been loaded."},
      {{"report", "DATA"}, 1, "Representation RESULTS: No areas have been selected yet."},
      {{"near-minimum", "DATA", "--costs", (c.tmp.path() / "none.scr").string()}, 1, "Import scores: Can't open file"},
      {{"near-minimum", "DATA", "--random-seed", "x"}, 2, "--random-seed takes a whole number"},
      {{"greedy", "DATA", "--set", "greedy-goal=0"}, 2, "invalid value \"0\" for greedy-goal"},
      {{"greedy", "DATA", "--set", "greedy-reject-redundant=yes"}, 2, "valid values: 0, 1"},
      {{"greedy", "DATA", "--set", "greedy-colour=1"}, 2, "unknown --set key greedy-colour"},
      {{"hotspots", "DATA", "--areas-to-add", "0"}, 2, "--areas-to-add takes a whole number from 1 to 1100"},
      {{"hotspots", "DATA", "--areas-to-add", "1101"}, 2, "--areas-to-add takes a whole number from 1 to 1100"},
      {{"hotspots", "DATA", "--set", "hotspot-kind=5"}, 2, "invalid value \"5\" for hotspot-kind"},
      {{"coverage", "DATA", "--budget", "0"}, 2, "--budget takes a number above 0"},
      {{"coverage", "DATA", "--areas-to-add", "50"}, 0, "only 6 candidate cells"},
      {{"max-rarity"}, 2, "select takes KIND DATAFILE"},
      {{"emr", "DATA", "--after", "greedy"}, 2, "unknown option --after"},
      // Options an analysis does not use would change it behind the user's back.
      {{"greedy", "DATA", "--budget", "30"}, 2, "--budget is not used by greedy; it is for coverage, exact-coverage"},
      {{"near-minimum", "DATA", "--areas-to-add", "2"},
       2,
       "--areas-to-add is not used by near-minimum; it is for coverage, exact-coverage, hotspots, random"},
      {{"coverage", "DATA", "--time-limit", "5"},
       2,
       "--time-limit is not used by coverage; it is for exact-minimum, exact-coverage"},
      {{"greedy", "DATA", "--runs", "5"}, 2, "--runs is not used by greedy; it is for frequency"},
      {{"near-minimum", "DATA", "--set", "goal=2", "--set", "reorder=rarity"},
       2,
       "--set goal=2 and --set reorder=rarity conflict"},
      {{"near-minimum", "DATA", "--set", "reorder=richness", "--set", "goal=3"},
       2,
       "--set goal=3 and --set reorder=richness conflict"},
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
  ASSERT_EQ(c.run({"random", c.data.string(), "--areas", seeds.string(), "--areas-to-add", "3", "--random-seed", "17",
                   "--set", "two-tailed=1"}),
            0)
      << c.err;
  const std::string first = c.out;
  ASSERT_EQ(c.run({"random", c.data.string(), "--areas", seeds.string(), "--areas-to-add", "3", "--random-seed", "17",
                   "--set", "two-tailed=1"}),
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

// --preselect FILE.pre: T1 and cell 50 (with T4 and T5) excluded, so 11
// records become 8. Runs the command without, then with the file; both
// outputs are kept.
struct Preselected : Cli {
  fs::path pre = file(
      "drop.pre", "[included group code]\n[excluded data level]\n[excluded taxa]\nT1\n[excluded areas]\n50\n[end]\n");
  std::string plainOut;
  void both(std::vector<std::string> args) {
    ASSERT_EQ(command(args), 0) << err;
    plainOut = out;
    args.push_back("--preselect");
    args.push_back(pre.string());
    ASSERT_EQ(command(args), 0) << err;
  }
};

TEST(ZonariumPreselect, InfoCountsWithoutTheExcludedTaxaAndCells) {
  Preselected p;
  p.both({"info", p.data.string()});
  EXPECT_NE(p.plainOut.find("records: 11\ntaxa with records: 5\n"), std::string::npos) << p.plainOut;
  EXPECT_NE(p.out.find("records: 8\ntaxa with records: 4\n"), std::string::npos) << p.out;
}

TEST(ZonariumPreselect, MeasureScoresLoseTheExcludedData) {
  Preselected p;
  p.both({"measure", "richness", p.data.string()});
  EXPECT_NE(p.plainOut.find("\n10 2.000000 2\n"), std::string::npos) << p.plainOut;
  EXPECT_NE(p.plainOut.find("\n50 2.000000 2\n"), std::string::npos);
  EXPECT_NE(p.out.find("\n10 1.000000 1\n"), std::string::npos) << p.out;
  EXPECT_NE(p.out.find("\n50 0.000000 0\n"), std::string::npos);
}

TEST(ZonariumPreselect, SelectNeverChoosesAnExcludedCell) {
  Preselected p;
  p.both({"select", "greedy", p.data.string()});
  // By richness cell 50 comes first; without its data it is never chosen.
  EXPECT_NE(p.plainOut.find("     1    50  "), std::string::npos) << p.plainOut;
  EXPECT_EQ(p.out.find("    50  "), std::string::npos) << p.out;
  EXPECT_NE(p.out.find("100.00\n"), std::string::npos) << p.out;
}

TEST(ZonariumPreselect, RenderDrawsThePreselectedMap) {
  Preselected p;
  const fs::path png = p.tmp.path() / "map.png";
  p.both({"render", p.data.string(), "--measure", "richness", "--size", "200x150", "--out", png.string()});
  const std::string with = test::readFile(png);
  ASSERT_EQ(p.command({"render", p.data.string(), "--measure", "richness", "--size", "200x150", "--out", png.string()}),
            0);
  EXPECT_NE(test::readFile(png), with);
}

TEST(ZonariumPreselect, AMissingOrUnnamedFileIsRefused) {
  Preselected p;
  const std::string missing = (p.tmp.path() / "none.pre").string();
  for (std::vector<std::string> args :
       {std::vector<std::string>{"info"}, {"measure", "richness"}, {"select", "greedy"}}) {
    args.push_back(p.data.string());
    args.push_back("--preselect");
    EXPECT_EQ(p.command(args), 2) << args[0];
    EXPECT_NE(p.err.find("--preselect needs a preselection file"), std::string::npos) << p.err;
    args.push_back(missing);
    EXPECT_EQ(p.command(args), 1) << args[0];
    EXPECT_NE(p.err.find("Can't open file"), std::string::npos) << p.err;
    EXPECT_EQ(p.out, "") << args[0];
  }
}

// No cell scores either because no taxon has a record or because the area
// set holds every taxon: the message tells which.
TEST(ZonariumSelect, SaysWhetherNothingIsRecordedOrEverythingRepresented) {
  Cli c;
  const fs::path bare = c.home / "equal" / "bare.dat";
  test::writeFile(bare, test::datafileImage("Bare", {{"A", "1", {}}, {"B", "2", {}}, {"C", "3", {}}}));
  for (const char* kind : {"emr", "coverage"}) {
    EXPECT_EQ(c.run({kind, bare.string()}), kind == std::string("emr") ? 0 : 1) << c.err;
    EXPECT_NE(c.err.find("no included taxon has records"), std::string::npos) << kind << ": " << c.err;
    EXPECT_EQ(c.err.find("every taxon is represented"), std::string::npos) << kind << ": " << c.err;
  }
  const fs::path all = c.file("all.sed", "[seed selected grid cell biotas]\n10\n20\n30\n40\n50\n60\n[end]\n");
  for (const char* kind : {"emr", "coverage"}) {
    EXPECT_EQ(c.run({kind, c.data.string(), "--areas", all.string()}), kind == std::string("emr") ? 0 : 1) << c.err;
    EXPECT_NE(c.err.find("every taxon is represented in the area set"), std::string::npos) << kind << ": " << c.err;
  }
}

}  // namespace
}  // namespace zn
