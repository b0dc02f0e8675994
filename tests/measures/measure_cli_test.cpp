#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "cli/measure_options.h"
#include "tests/support/cli_run.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

struct Cli : test::CliRun {
  fs::path data = home / "equal" / "four.dat";

  Cli() {
    test::writeFile(data, test::datafileImage("Four taxa", {{"Alpha", "11", {{1, 1}, {2, 2}, {3, 1}}},
                                                            {"Beta", "12", {{2, 3}}},
                                                            {"Gamma", "21", {{2, 1}, {40, 4}}},
                                                            {"Delta", "22", {{3, 2}}}}));
  }
  int run(std::vector<std::string> args) {
    args.insert(args.begin(), "measure");
    return command(std::move(args));
  }
  // Lines of cells with a score or count, after the title line.
  std::string scored() const {
    std::istringstream in(out);
    std::string line, kept;
    std::getline(in, line);
    while (std::getline(in, line)) {
      int n, count;
      double score;
      std::istringstream(line) >> n >> score >> count;
      if (score != 0.0 || count != 0) kept += line + "\n";
    }
    return kept;
  }
  std::string title() const { return out.substr(0, out.find('\n')); }
};

TEST(ZonariumMeasure, PrintsTitleAndOneLinePerCell) {
  Cli c;
  ASSERT_EQ(c.run({"richness", c.data.string()}), 0) << c.err;
  EXPECT_EQ(c.title(), "title: richness");
  EXPECT_EQ(std::count(c.out.begin(), c.out.end(), '\n'), 865);
  EXPECT_NE(c.out.find("\n1 1.000000 1\n2 3.000000 3\n3 2.000000 2\n4 0.000000 0\n"), std::string::npos);
  EXPECT_EQ(c.scored(), "1 1.000000 1\n2 3.000000 3\n3 2.000000 2\n40 1.000000 1\n");
}

TEST(ZonariumMeasure, SettingsAreasTaxaAndPasses) {
  const struct {
    std::vector<std::string> args;
    const char* title;
    const char* scored;
  } cases[] = {
      {{"range-size-rarity", "--set", "rarity-formula=0"},
       "title: range-size rarity (difference)",
       "1 861.000000 1\n2 2586.000000 3\n3 1724.000000 2\n40 862.000000 1\n"},
      {{"range-centres", "--set", "range-centre-weighting=1"},
       "title: range centre richness (large ranges)",
       "2 4.000000 2\n3 3.000000 2\n"},
      {{"rare-threshold", "--set", "range-size-threshold=1"},
       "title: richness for taxa below threshold 1",
       "2 1.000000 1\n3 1.000000 1\n"},
      {{"level-n", "--set", "excluded-level=1"}, "title: number of level 2 data", "2 1.000000 1\n3 1.000000 1\n"},
      {{"richness", "--set", "group-code=2"}, "title: richness", "2 1.000000 1\n3 1.000000 1\n40 1.000000 1\n"},
      {{"root-distance"}, "title: mean root distance", "1 4.000000 1\n2 4.000000 3\n3 4.000000 2\n40 4.000000 1\n"},
      {{"subtree-length"},
       "title: subtree length",
       "1 10000.000000 1\n2 6.000000 3\n3 5.000000 2\n40 10000.000000 1\n"},
      {{"selective-richness", "--taxa", "Beta", "--taxa", "Delta"},
       "title: plot selected richness",
       "2 1.000000 1\n3 1.000000 1\n"},
      {{"selective-rarity", "--taxa", "Gamma"}, "title: plot Gamma", "2 1.000000 1\n40 1.000000 1\n"},
      {{"range-size-rarity", "--mean", "1"},
       "title: mean range-size rarity (inverse)",
       "1 0.333333 1\n2 0.611111 3\n3 0.666667 2\n40 0.500000 1\n"},
      {{"richness", "--smooth", "1", "--set", "smoothing=mean"},
       "title: smoothed (9) richness",
       "1 2.000000 1\n2 2.000000 3\n3 2.000000 2\n40 1.500000 1\n"},
  };
  for (const auto& k : cases) {
    Cli c;
    std::vector<std::string> args = k.args;
    args.insert(args.begin() + 1, c.data.string());
    ASSERT_EQ(c.run(args), 0) << k.title << "\n" << c.err;
    EXPECT_EQ(c.title(), k.title);
    EXPECT_EQ(c.scored(), k.scored) << k.title;
  }
}

TEST(ZonariumMeasure, AreasFromASeedFileMakeTheScoresComplementary) {
  Cli c;
  const fs::path sed = c.tmp.path() / "set.sed";
  test::writeFile(sed, "[seed selected grid cell biotas]\n2\n2\nrubbish\n0\n9999\n[end]\n40\n");
  ASSERT_EQ(c.run({"richness", c.data.string(), "--areas", sed.string()}), 0) << c.err;
  EXPECT_EQ(c.scored(), "3 1.000000 1\n");
  ASSERT_EQ(c.run({"subtree-length", c.data.string(), "--areas", sed.string()}), 0) << c.err;
  EXPECT_EQ(c.scored(), "3 1.000000 1\n");  // Delta adds 1 to the tree of Alpha, Beta and Gamma (6 -> 7)
}

TEST(ZonariumMeasure, RefusesUnknownNamesKeysAndValuesListingTheValidOnes) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"diversity", "x.dat"}, "unknown measure diversity; valid measures: richness, range-size-rarity, rare-quartile"},
      {{"richness", "x.dat", "--set", "colour=1"}, "unknown --set key colour; valid keys: rarity-formula, "},
      {{"richness", "x.dat", "--set", "rarity-formula=3"},
       "invalid value \"3\" for rarity-formula; valid values: 0, 1, 2"},
      {{"richness", "x.dat", "--set", "smoothing=mode"}, "valid values: median, mean"},
      {{"richness", "x.dat", "--set", "residuals=both"}, "valid values: abs, rel"},
      {{"richness", "x.dat", "--set", "neighbourhood=16"}, "valid values: 9, 25"},
      {{"richness", "x.dat", "--mean", "-1"}, "--mean takes a whole number"},
      {{"richness", "x.dat", "--taxa", "Beta"}, "--taxa applies to selective-richness and selective-rarity only"},
      {{"richness"}, "measure takes NAME DATAFILE"},
      {{"richness", "x.dat", "--smooth"}, "--smooth needs a value"},
  };
  for (const auto& k : cases) {
    Cli c;
    EXPECT_EQ(c.run(k.args), 2) << k.message;
    EXPECT_NE(c.err.find(k.message), std::string::npos) << c.err;
    EXPECT_EQ(c.out, "");
  }
}

TEST(ZonariumMeasure, DataThatCannotServeTheMeasureAreRefused) {
  Cli c;
  EXPECT_EQ(c.run({"median-quantitative", c.data.string()}), 2);
  EXPECT_NE(c.err.find("quantitative mode"), std::string::npos);
  EXPECT_EQ(c.run({"selective-richness", c.data.string(), "--taxa", "Nobody"}), 2);
  EXPECT_NE(c.err.find("no taxon named \"Nobody\""), std::string::npos);
  EXPECT_EQ(c.run({"level-n", c.data.string(), "--set", "excluded-level=4"}), 2);
  EXPECT_NE(c.err.find("from 0 to 3"), std::string::npos);
  EXPECT_EQ(c.run({"richness", c.data.string(), "--areas", (c.tmp.path() / "none.sed").string()}), 1);
  EXPECT_NE(c.err.find("Can't open file"), std::string::npos);
  EXPECT_EQ(c.run({"richness", (c.tmp.path() / "none.dat").string()}), 1);

  const fs::path two = c.home / "equal" / "two.dat";
  test::writeFile(two, test::datafileImage("Two", {{"A", "1", {{1, 1}}}, {"B", "2", {{1, 1}}}}));
  // Two cards make "Check datafile" ask; the answer opens it.
  EXPECT_EQ(c.command({"--answer", "yes", "measure", "subtree-length", two.string()}), 1);
  EXPECT_NE(c.err.find("Subtree length: Requires tree data"), std::string::npos);
  EXPECT_EQ(c.out, "");
}

TEST(ZonariumMeasure, GroupCodeMatchingNothingIsDroppedWithTheMessage) {
  Cli c;
  ASSERT_EQ(c.run({"richness", c.data.string(), "--set", "group-code=7"}), 0);
  EXPECT_NE(c.err.find("Data preselection: Restrict to subgroup:\nsubgroup 7 not found"), std::string::npos);
  EXPECT_EQ(c.scored(), "1 1.000000 1\n2 3.000000 3\n3 2.000000 2\n40 1.000000 1\n");
}

TEST(ZonariumMeasure, SelectiveWithoutTaxaSaysNoItemsSelected) {
  Cli c;
  ASSERT_EQ(c.run({"selective-richness", c.data.string()}), 0);
  EXPECT_NE(c.err.find("Plot taxa: No items selected."), std::string::npos);
  EXPECT_EQ(c.title(), "title: none");
}

TEST(MeasureOptions, OtherArgumentsAreLeftForTheCallerAndKeysExtend) {
  CliContext ctx(std::cout, std::cerr);
  std::vector<SetKey> keys = measureSetKeys();
  int extra = 0;
  keys.push_back(SetKey{"areas-to-add", "a whole number", [](const std::string& v) { return !v.empty(); },
                        [&extra](CliContext&, Session&, const std::string& v) {
                          extra = std::stoi(v);
                          return true;
                        }});
  MeasureOptions opts;
  std::vector<std::string> rest;
  ASSERT_EQ(parseMeasureOptions(
                ctx, {"DATA", "--measure", "rare-quartile", "--out", "x.png", "--set", "areas-to-add=5", "--mean", "2"},
                opts, rest, keys),
            0);
  EXPECT_EQ(rest, (std::vector<std::string>{"DATA", "--out", "x.png"}));
  EXPECT_EQ(opts.measure, "rare-quartile");
  EXPECT_EQ(opts.meanPasses, 2);
  ASSERT_EQ(opts.sets.size(), 1u);
  EXPECT_EQ(opts.sets[0].first, "areas-to-add");
}

}  // namespace
}  // namespace zn
