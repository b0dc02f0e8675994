#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/cli_run.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

struct Cli : test::CliRun {
  fs::path data = home / "equal" / "cells.dat";

  Cli() {
    test::writeFile(data, test::datafileImage("Cell taxa", {{"zeta", "11", {{2, 1}, {3, 2}}},
                                                            {"Alpha", "12", {{2, 2}}},
                                                            {"beta", "21", {{2, 1}, {40, 1}}}}));
  }
  int run(std::vector<std::string> args) {
    args.insert(args.begin(), "cell");
    return command(std::move(args));
  }
};

TEST(ZonariumCell, PrintsTheListOfBiotaLines) {
  Cli c;
  ASSERT_EQ(c.run({c.data.string(), "2"}), 0) << c.err;
  // Cell 2 spans 71.73333 to 90 degrees north (the minutes truncated) and
  // 20 to 10 degrees west; its name keeps the blanks of its 17 characters.
  EXPECT_EQ(c.out, "Area 2: Greenland        \n71'43-90'N    10'-20'W\n  zeta\n  Alpha\n  beta\n3/3 taxa\n");
}

TEST(ZonariumCell, OptionsShapeTheListing) {
  Cli c;
  fs::path sed = c.tmp.path() / "set.sed";
  test::writeFile(sed, "[seed selected grid cell biotas]\n40\n[end]\n");
  ASSERT_EQ(c.run({c.data.string(), "2", "--areas", sed.string(), "--set", "grouped=0", "--set", "range-sizes=1",
                   "--measure", "range-size-rarity"}),
            0)
      << c.err;
  EXPECT_EQ(c.out, "Area 2: Greenland        \n  (beta)\n  Alpha- 1\n  zeta- 2\n2(3)/3 taxa\n");
  ASSERT_EQ(c.run({c.data.string(), "3", "--set", "group-code=1"}), 0) << c.err;
  EXPECT_NE(c.out.find("  zeta\n1/2 taxa\n"), std::string::npos) << c.out;
}

TEST(ZonariumCell, AfterAnAnalysisTheListingCarriesItsMarks) {
  Cli c;
  // Alpha lives only in cell 2, which then holds every taxon: the set is
  // {2}, the sole area of all three taxa.
  ASSERT_EQ(c.run({c.data.string(), "2", "--after", "near-minimum"}), 0) << c.err;
  EXPECT_EQ(c.out,
            "Area 2: Greenland        \nselected area 1\ngoal-irreplaceable area\nwithin set\n"
            "(3 goal-essential taxa)--range\n  (zeta)==2\n  (Alpha)==1\n  (beta)==2\n0(3)/3 taxa\n");
  // Cell 3 could stand in for cell 2 for zeta only.
  ASSERT_EQ(c.run({c.data.string(), "3", "--after", "near-minimum"}), 0) << c.err;
  EXPECT_EQ(c.out, "Area 3: Arctic Ocean     \nunselected area\n  (zeta)--2\n0(1)/3 taxa\n");
  // The same cell with nothing run: plain names and coordinates.
  ASSERT_EQ(c.run({c.data.string(), "3"}), 0) << c.err;
  EXPECT_EQ(c.out.find("(zeta)"), std::string::npos) << c.out;
}

TEST(ZonariumCell, AfterGreedyAndHotspotsTheCellNamesItsChoice) {
  Cli c;
  // Greedy by richness: cell 2 (three taxa) first, nothing else needed.
  ASSERT_EQ(c.run({c.data.string(), "2", "--after", "greedy"}), 0) << c.err;
  EXPECT_EQ(c.out.rfind("Area 2: Greenland        \nchoice 1 by\ngreedy", 0), 0u) << c.out;
  ASSERT_EQ(c.run({c.data.string(), "40", "--after", "greedy"}), 0) << c.err;
  EXPECT_NE(c.out.find("\narea not chosen by\ngreedy"), std::string::npos) << c.out;
  EXPECT_NE(c.out.find("\n  (beta)\n0(1)/3 taxa\n"), std::string::npos) << c.out;
  // Three cells score: 2 (three taxa), then 3 and 40 with one each.
  const fs::path results = c.tmp.path() / "RESULTS.TXT";
  ASSERT_EQ(c.run({c.data.string(), "40", "--after", "hotspots", "--areas-to-add", "3", "--results", results.string()}),
            0)
      << c.err;
  EXPECT_NE(c.out.find("\nchoice "), std::string::npos) << c.out;
  EXPECT_NE(test::readFile(results).find("Top 3 hotspots by richness"), std::string::npos);
}

TEST(ZonariumCell, RefusesBadAnalysisRequests) {
  struct Row {
    std::vector<std::string> extra;
    const char* message;
  };
  const std::vector<Row> rows{
      {{"--after", "nearest"}, "unknown kind nearest"},
      {{"--after"}, "--after needs a KIND"},
      {{"--after", "greedy", "--measure", "richness"}, "either --after KIND or --measure"},
      {{"--areas-to-add", "3"}, "need --after KIND"},
      {{"--time-limit", "5"}, "need --after KIND"},
      {{"--after", "hotspots", "--areas-to-add", "0"}, "--areas-to-add takes a whole number"},
      {{"--after", "greedy", "--set", "greedy-by=size"}, "invalid value \"size\" for greedy-by"},
  };
  for (const Row& r : rows) {
    Cli c;
    std::vector<std::string> args{c.data.string(), "2"};
    args.insert(args.end(), r.extra.begin(), r.extra.end());
    EXPECT_EQ(c.run(args), 2) << r.message;
    EXPECT_NE(c.err.find(r.message), std::string::npos) << c.err;
    EXPECT_EQ(c.out, "");
  }
}

TEST(ZonariumCell, RefusesBadCellNumbersAndArguments) {
  const std::vector<std::string> bad[] = {{"0"}, {"865"}, {"2x"}, {"-1"}, {}};
  for (const auto& extra : bad) {
    Cli c;
    std::vector<std::string> args{c.data.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_EQ(c.run(args), 2) << (extra.empty() ? "(none)" : extra[0]);
    EXPECT_TRUE(c.out.empty());
    EXPECT_FALSE(c.err.empty());
  }
  Cli c;
  EXPECT_EQ(c.run({c.data.string(), "2", "--set", "grouped=yes"}), 2);
  EXPECT_NE(c.err.find("grouped"), std::string::npos);
}

}  // namespace
}  // namespace zn
