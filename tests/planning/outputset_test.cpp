// Output sets switch whole: under two runs at once and under a kill.
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "planning/folder.h"
#include "planning/outputset.h"
#include "tests/support/planning_folder.h"

namespace zn::planning {
namespace {

namespace fs = std::filesystem;

// Three files of SCENARIO, each saying which round wrote it.
std::vector<OutputFile> setOf(const std::string& scenario, int round) {
  std::vector<OutputFile> files;
  for (const char* kind : {"_best.csv", "_sum.csv", "_r00001.csv"})
    files.push_back({scenario + kind, std::to_string(round) + std::string(5000, 'x')});
  return files;
}

bool write(const fs::path& dir, const std::string& scenario, int round) {
  std::string error;
  return replaceOutputSet(
      dir, setOf(scenario, round), [&](const std::string& n) { return isOutputOf(scenario, n); }, error);
}

// The round all of SCENARIO's files come from, or -1 when they are not one whole set.
int roundOf(const test::PlanningFolder& f, const std::string& scenario) {
  const std::string best = f.read("out/" + scenario + "_best.csv");
  for (const char* kind : {"_sum.csv", "_r00001.csv"})
    if (f.read("out/" + scenario + kind) != best || best.empty()) return -1;
  return std::stoi(best);
}

// Two scenarios written into one folder at the same time: each run keeps the
// other's files, so both sets are there, whole, after every round.
TEST(OutputSet, TwoRunsAtOnceKeepEachOthersSets) {
  test::PlanningFolder f("", "", "");
  for (int round = 1; round <= 20; ++round) {
    bool a = false, b = false;
    std::thread ta([&] { a = write(f.dir / "out", "a", round); });
    std::thread tb([&] { b = write(f.dir / "out", "b", round); });
    ta.join();
    tb.join();
    ASSERT_TRUE(a && b);
    ASSERT_EQ(roundOf(f, "a"), round);
    ASSERT_EQ(roundOf(f, "b"), round);
  }
}

// A run killed at any moment leaves the last set or the new one, never a
// mixture; the next run clears what the killed one left.
TEST(OutputSet, AKilledRunLeavesOneWholeSet) {
  test::PlanningFolder f("", "", "");
  ASSERT_TRUE(write(f.dir / "out", "s", 0));
  for (int attempt = 0; attempt < 10; ++attempt) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
      for (int round = 1;; ++round) write(f.dir / "out", "s", round);
    ::usleep(static_cast<useconds_t>(2000 + 1500 * attempt));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_GE(roundOf(f, "s"), 0) << "attempt " << attempt;
  }
  ASSERT_TRUE(write(f.dir / "out", "s", 99));
  EXPECT_EQ(roundOf(f, "s"), 99);
  int entries = 0;
  for (const auto& e : fs::directory_iterator(f.dir)) entries += e.path().filename() == "input.dat" ? 0 : 1;
  EXPECT_EQ(entries, 2);  // input/ and out/: no staging folder is left
}

// What else the output folder holds, a folder of the user's too, stays as
// it was when a new set replaces the last.
TEST(OutputSet, TheUsersOwnFilesAndFoldersStay) {
  test::PlanningFolder f("", "", "");
  ASSERT_TRUE(write(f.dir / "out", "s", 1));
  f.file("out/notes/plan.txt", "keep me");
  f.file("out/readme.txt", "mine");
  ASSERT_TRUE(write(f.dir / "out", "s", 2));
  EXPECT_EQ(roundOf(f, "s"), 2);
  EXPECT_EQ(f.read("out/notes/plan.txt"), "keep me");
  EXPECT_EQ(f.read("out/readme.txt"), "mine");
}

}  // namespace
}  // namespace zn::planning
