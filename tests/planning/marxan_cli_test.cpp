// zonarium marxan on a small folder: the outputs users' scripts read.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "planning/folder.h"
#include "tests/support/planning_folder.h"
#include "tests/support/cli_run.h"

namespace zn::test {
namespace {

PlanningFolder smallFolder(const std::string& keys = "") {
  // Unit 30 alone meets both targets most cheaply per unit of cost.
  return PlanningFolder("id,cost,status\n10,1,0\n20,1,0\n30,1.5,0\n",
                        "id,target,spf,name\n1,1,5,red fox\n2,2,1,\"wolf, grey\"\n",
                        "species,pu,amount\n1,10,1\n2,20,2\n1,30,1\n2,30,2\n",
                        "NUMREPS 2\nSCENNAME run\nINPUTDIR input\nOUTPUTDIR out\nPUVSPRNAME puvspr.dat\n" + keys);
}

std::string expected(const std::string& name) {
  std::ifstream in(std::filesystem::path(ZN_TEST_DATA) / "planning" / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// With a boundary file and BLM 1 the compact pair 10 + 20 (cost 2, boundary
// 3) beats unit 30 alone (cost 1.5, boundary 5): the summary carries the
// boundary and scores cost + BLM x boundary + penalty, as the report does.
TEST(MarxanCommand, WritesMarxansCsvOutputsWithTheBoundary) {
  PlanningFolder f = smallFolder("BLM 1\nBOUNDNAME bound.dat\nSAVESOLUTIONSMATRIX 3\nSAVESCEN 0\n");
  f.file("input/bound.dat", "id1,id2,boundary\n10,10,1\n20,20,1\n30,30,4\n10,20,1\n20,30,1\n");
  CliOutput r = runCli({"marxan", f.dir.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  for (const char* name : {"best.csv", "mvbest.csv", "ssoln.csv", "sum.csv", "solutionsmatrix.csv"})
    EXPECT_EQ(f.read(std::string("out/run_") + name), expected(std::string("compact_") + name)) << name;
  // The exact method's repetitions are the same set, each with its files.
  EXPECT_EQ(f.read("out/run_r00001.csv"), expected("compact_best.csv"));
  EXPECT_EQ(f.read("out/run_r00002.csv"), expected("compact_best.csv"));
  EXPECT_EQ(f.read("out/run_mv00002.csv"), expected("compact_mvbest.csv"));
  EXPECT_FALSE(std::filesystem::exists(f.dir / "out" / "run_sen.dat"));
  EXPECT_NE(r.out.find("boundary length 3, score 5\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("method: exact, 2 repetitions (the same set each time"), std::string::npos) << r.out;
  EXPECT_EQ(f.read("out/run_report.txt"), r.out);
}

// Marxan's meaning of its keys: spf 0 is no constraint, the amounts file is
// puvspr2.dat unless named, and keys of its annealing are named once as unused.
TEST(MarxanCommand, FollowsMarxansMeaningOfItsKeys) {
  PlanningFolder f("id,cost\n1,1\n2,1\n", "id,target,spf\n1,1,0\n2,1,1\n", "species,pu,amount\n9,9,9\n",
                   "INPUTDIR input\nRUNMODE 1\nNUMITNS 1000000\nSTARTTEMP -1\nRUNMODE 1\nSAVERUN 0\n");
  f.file("input/puvspr2.dat", "species,pu,amount\n1,1,1\n2,2,1\n");
  CliOutput r = runCli({"marxan", f.dir.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(f.read("output/output_best.csv"), "PUID,SOLUTION\n1,0\n2,1\n");
  EXPECT_NE(f.read("output/output_mvbest.csv").find("\n1,,1.000000,0.000000,0,0,0,0,no,0.000000\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(f.dir / "output" / "output_r00001.csv"));
  EXPECT_EQ(r.out.find("input.dat keys read but not used by this method: RUNMODE, NUMITNS, STARTTEMP\n"), 0u) << r.out;
  EXPECT_NE(r.out.find("1 features with penalty factor (spf) 0 are reported, not required\n"), std::string::npos);
  EXPECT_NE(r.out.find("method: exact"), std::string::npos);
}

TEST(MarxanCommand, AShortfallIsReportedNotFailed) {
  PlanningFolder f("id,cost\n1,1\n2,1\n", "id,target,spf\n1,5,2\n", "species,pu,amount\n1,1,1\n1,2,2\n");
  CliOutput r = runCli({"marxan", f.dir.string(), "--method", "greedy", "--out", (f.dir / "o").string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(
      r.out.find("1 features cannot reach their target in any set (shortfall 2 even with every unit not locked out)"),
      std::string::npos)
      << r.out;
  EXPECT_NE(f.read("o/output_mvbest.csv").find("\n1,,5.000000,3.000000,0,2,0,0,no,0.600000\n"), std::string::npos);
  // Score = cost + penalty factor x the share missing (2 + 2 x 0.4).
  EXPECT_NE(f.read("o/output_sum.csv").find("\n1,2.8,2,2,0,0,0,0,0,0,0.8,2,1,0.6\n"), std::string::npos);
}

TEST(MarxanCommand, BadInputGivesAMessageAndNoOutputs) {
  PlanningFolder f("id,cost\n1,1\n", "id,target\n1,1\n", "species,pu,amount\n1,2,1\n");
  CliOutput r = runCli({"marxan", f.dir.string()});
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "zonarium: puvspr.dat line 2: unit 2 is not in pu.dat\n");
  EXPECT_FALSE(std::filesystem::exists(f.dir / "output"));
  EXPECT_EQ(runCli({"marxan", f.dir.string(), "--reps", "0"}).rc, 2);
  EXPECT_EQ(runCli({"marxan", f.dir.string(), "--method", "annealing"}).rc, 2);
  EXPECT_EQ(runCli({"marxan"}).rc, 2);
  for (const char* method : {"greedy", "near-minimum"}) {
    CliOutput t = runCli({"marxan", f.dir.string(), "--method", method, "--time-limit", "5"});
    EXPECT_EQ(t.rc, 2);
    EXPECT_EQ(t.err, std::string("zonarium: --time-limit is not used by ") + method + "; it is for exact\n");
  }
}

// A new run's set replaces the last one whole: run files it does not have
// go, as do temporaries an earlier version left; other files stay.
TEST(MarxanCommand, ANewSetReplacesTheLastOneWhole) {
  PlanningFolder f = smallFolder();
  ASSERT_EQ(runCli({"marxan", f.dir.string(), "--method", "greedy", "--reps", "3"}).rc, 0);
  ASSERT_TRUE(std::filesystem::exists(f.dir / "out" / "run_r00003.csv"));
  f.file("out/notes.txt", "mine");
  f.file("out/other_best.csv", "another scenario");
  f.file("out/run_sum.csv.zn-partial", "left by a killed run");
  f.file("input/pu.dat", "id,cost,status\n10,1,0\n20,1,0\n30,99,0\n");  // now 10 and 20 are the better set
  ASSERT_EQ(runCli({"marxan", f.dir.string(), "--method", "greedy", "--reps", "1"}).rc, 0);
  EXPECT_EQ(f.read("out/run_best.csv"), "PUID,SOLUTION\n10,1\n20,1\n30,0\n");
  for (const char* gone : {"run_r00002.csv", "run_r00003.csv", "run_mv00003.csv", "run_sum.csv.zn-partial"})
    EXPECT_FALSE(std::filesystem::exists(f.dir / "out" / gone)) << gone;
  EXPECT_EQ(f.read("out/notes.txt"), "mine");
  EXPECT_EQ(f.read("out/other_best.csv"), "another scenario");
  const std::string sum = f.read("out/run_sum.csv");
  EXPECT_EQ(std::count(sum.begin(), sum.end(), '\n'), 2) << sum;
}

}  // namespace
}  // namespace zn::test

namespace zn::test {
namespace {

// The shipped carnivores as a planning-unit folder: one unit per occupied
// cell, one feature per taxon with records, one amount per record, as
// `info` counts them; the areas given are locked in and the goal is the target.
TEST(ExportMarxanCommand, WritesTheDatafileAsAFolderTheReaderTakesBack) {
  CliRun run;
  const auto data = (run.home / "equal" / "carnivora.dat").string();
  ASSERT_EQ(run.command({"info", data}), 0);
  auto counter = [&](const std::string& name) {
    const auto at = run.out.find("\n" + name + ": ");
    return std::stoul(run.out.substr(at + name.size() + 3));
  };
  const auto cells = counter("occupied cells"), taxa = counter("taxa with records"), records = counter("records");
  std::ofstream(run.tmp.path() / "s.sed") << "seeds\n194\n5\n[end]\n";
  const auto dir = run.tmp.path() / "folder";
  ASSERT_EQ(run.command({"export-marxan", data, dir.string(), "--areas", (run.tmp.path() / "s.sed").string(), "--set",
                         "goal=2"}),
            0)
      << run.err;
  const planning::FolderRead r = planning::readFolder(dir);
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.problem.units.size(), cells);
  EXPECT_EQ(r.problem.features.size(), taxa);
  EXPECT_EQ(r.problem.unitsOf.entries.size(), records);
  int locked = 0;
  for (const auto& u : r.problem.units)
    if (u.status == planning::UnitStatus::LockedIn) {
      ++locked;
      EXPECT_TRUE(u.id == 194 || u.id == 5) << u.id;
    }
  EXPECT_EQ(locked, 2);
  for (std::size_t f = 0; f < r.problem.features.size(); ++f)
    EXPECT_EQ(r.problem.features[f].target, std::min(2.0, r.problem.features[f].total)) << f;
  EXPECT_EQ(r.problem.features[0].name, "Ailurus fulgens");
}

}  // namespace
}  // namespace zn::test
