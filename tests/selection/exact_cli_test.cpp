// zonarium select exact-minimum and exact-coverage: the report on standard
// output, the options they share with the other selections, --time-limit.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/sessions.h"
#include "tests/support/cli_run.h"

namespace zn {
namespace {

namespace fs = std::filesystem;
using test::taxon;

struct ExactCli : ::testing::Test, test::CliRun {
  fs::path data = home / "equal" / "ring.dat";

  void SetUp() override {
    // One representation needs 10+30 or 20+40, and 50.
    test::writeFile(data,
                    test::datafileImage("Ring", {taxon("T1", {10, 20}), taxon("T2", {20, 30}), taxon("T3", {30, 40}),
                                                 taxon("T4", {40, 10}), taxon("T5", {50})}));
  }
  int run(std::vector<std::string> args) {
    args.insert(args.begin(), "select");
    return command(std::move(args));
  }
  bool said(const std::string& part) const { return out.find(part) != std::string::npos; }
};

TEST_F(ExactCli, MinimumWritesTheSummaryAndTheSolverLines) {
  ASSERT_EQ(run({"exact-minimum", data.string()}), 0) << err;
  EXPECT_TRUE(said("PRIORITY-AREAS ANALYSIS: Exact minimum-area set for 1 representation\n")) << out;
  EXPECT_TRUE(said("  Exact minimum set: optimal\n  objective: 3 areas\n  proven lower bound: 3 areas\n")) << out;
  EXPECT_TRUE(err.empty()) << err;
}

TEST_F(ExactCli, SeedsGoalsAndTheAreasFile) {
  const fs::path seeds = tmp.path() / "seed.sed", after = tmp.path() / "after.sed";
  test::writeFile(seeds, "[seed selected grid cell biotas]\n20\n[end]\n");
  ASSERT_EQ(run({"exact-minimum", data.string(), "--areas", seeds.string(), "--areas-out", after.string()}), 0) << err;
  EXPECT_EQ(test::readFile(after), "[seed selected grid cell biotas]\n20\n40\n50\n[end]\n");
  ASSERT_EQ(run({"exact-minimum", data.string(), "--set", "goal=2"}), 0) << err;
  EXPECT_TRUE(said("objective: 5 areas")) << out;
}

TEST_F(ExactCli, CoverageTakesTheNumberOfAreas) {
  ASSERT_EQ(run({"exact-coverage", data.string(), "--areas-to-add", "1"}), 0) << err;
  EXPECT_TRUE(said("PRIORITY-AREAS ANALYSIS: Exact maximum-coverage set for 1 areas\n")) << out;
  EXPECT_TRUE(said("  Exact maximum coverage: optimal\n  objective: 2 taxa represented with 1 areas\n")) << out;
}

TEST_F(ExactCli, TheLimitsAreCheckedLikeEveryValue) {
  struct Case {
    const char* option;
    const char* value;
    int rc;
  };
  for (const Case c : {Case{"--time-limit", "0", 2}, Case{"--time-limit", "-1", 2}, Case{"--time-limit", "abc", 2},
                       Case{"--time-limit", "86401", 2}, Case{"--time-limit", "nan", 2}, Case{"--time-limit", "2.5", 0},
                       Case{"--work-limit", "0", 2}, Case{"--work-limit", "1.5", 2},
                       Case{"--work-limit", "1000000001", 2}, Case{"--work-limit", "5", 0}}) {
    EXPECT_EQ(run({"exact-minimum", data.string(), c.option, c.value}), c.rc) << c.option << c.value << ": " << err;
    if (c.rc != 0) {
      EXPECT_NE(err.find(std::string(c.option) + " takes"), std::string::npos) << err;
    }
  }
  EXPECT_EQ(run({"exact-minimum", data.string(), "--time-limit"}), 2);
  EXPECT_NE(err.find("--time-limit needs a value"), std::string::npos) << err;
}

}  // namespace
}  // namespace zn
