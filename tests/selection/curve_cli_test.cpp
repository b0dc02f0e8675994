// zonarium curve and the select kinds frequency and replacement-cost: the
// CSV layout, the reports, and the refusals of bad requests.
#include <gtest/gtest.h>

#include "tests/support/cli_run.h"

namespace zn {
namespace {

namespace fs = std::filesystem;
using test::taxon;

struct CurveCli : ::testing::Test, test::CliRun {
  fs::path data = home / "equal" / "rare.dat";
  fs::path csv = tmp.path() / "curves.csv";

  void SetUp() override {
    // 10 is richest; 20 and 30 each hold a taxon of their own; subgroup 2
    // has no records.
    test::writeFile(
        data, test::datafileImage("Rich and rare",
                                  {taxon("T1", {10, 20}), taxon("T2", {10, 20}), taxon("T3", {10, 30}),
                                   taxon("T4", {10, 30}), taxon("T5", {20}), taxon("T6", {30}), taxon("Z", {}, "2")}));
  }
  bool said(const std::string& part) const { return out.find(part) != std::string::npos; }
};

TEST_F(CurveCli, CsvHasOneRowPerNumberOfAreas) {
  ASSERT_EQ(command({"curve", data.string(), "--runs", "50", "--random-seed", "9", "--out", csv.string()}), 0) << err;
  const std::string text = test::readFile(csv);
  EXPECT_EQ(text.rfind("areas,optimum,optimum_proven,optimum_bound,near_minimum,greedy,hotspots,random_median,"
                       "random_2.5,random_97.5\n0,0,1,0,0,0,0,0.0,0,0\n1,4,1,4,3,4,4,",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("\n2,6,1,6,6,5,5,"), std::string::npos) << text;
  EXPECT_TRUE(said("PRIORITY-AREAS ANALYSIS: Representation curves for 0 ... 2 areas (50 random draws, seed 9)\n"))
      << out;
  // --max-areas reaches past the minimum set: the optimum stays at every taxon.
  ASSERT_EQ(command({"curve", data.string(), "--max-areas", "3", "--out", csv.string()}), 0) << err;
  EXPECT_NE(test::readFile(csv).find("\n3,6,1,6,6,6,6,"), std::string::npos);
}

TEST_F(CurveCli, BadRequestsAreRefused) {
  struct Case {
    std::vector<std::string> args;
    int rc;
    const char* message;
  };
  const std::string d = data.string(), o = csv.string();
  for (const Case& c :
       {Case{{"curve", d, "--runs", "0", "--out", o}, 2, "--runs takes a whole number from 1 to 10000"},
        Case{{"curve", d, "--runs", "10001", "--out", o}, 2, "--runs takes a whole number from 1 to 10000"},
        Case{{"curve", d, "--max-areas", "4", "--out", o}, 1, "The number of areas (4) is above the 3 occupied cells."},
        Case{{"curve", d}, 2, "curve needs --out FILE.csv|.png|.svg|.pdf"},
        Case{{"curve", d, "--out", "x.txt"}, 2, "--out takes a .csv, .png, .svg or .pdf file"},
        Case{{"curve", d, "--set", "group-code=2", "--out", o}, 1, "No taxa are left after preselection."},
        Case{
            {"curve", d, "--areas", "seeds.sed", "--out", o}, 2, "curve starts from an empty set: it takes no --areas"},
        Case{{"curve", d, "--set", "goal=2", "--out", o}, 2, "curve counts each taxon once: it takes no --set goal=2"},
        Case{{"curve", d, "--areas-to-add", "2", "--out", o}, 2, "curve takes no --areas-to-add"},
        Case{{"select", "frequency", d, "--runs", "0"}, 2, "--runs takes a whole number from 1 to 10000"}}) {
    EXPECT_EQ(command(c.args), c.rc) << c.message;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
  }
  EXPECT_FALSE(fs::exists(csv));
}

TEST_F(CurveCli, FrequencyAndReplacementCostReport) {
  ASSERT_EQ(command({"select", "frequency", data.string(), "--runs", "20"}), 0) << err;
  EXPECT_TRUE(said("PRIORITY-AREAS ANALYSIS: Selection frequency of the near-minimum set (20 runs, seeds 1 ... 20)\n"))
      << out;
  EXPECT_TRUE(said("    20  ")) << out;
  EXPECT_TRUE(said("      20        100.0\n")) << out;
  ASSERT_EQ(command({"select", "replacement-cost", data.string()}), 0) << err;
  EXPECT_TRUE(said("Replacement cost of the 2 areas of the exact minimum set\n")) << out;
  EXPECT_TRUE(said("  0 replaceable at no cost, 2 irreplaceable\n")) << out;
}

}  // namespace
}  // namespace zn
