// zonarium marxan on a small folder: the outputs users' scripts read.
#include <gtest/gtest.h>

#include "planning/folder.h"
#include "tests/planning/planning_fixture.h"
#include "tests/support/cli_run.h"

namespace zn::test {
namespace {

PlanningFolder smallFolder() {
  // Unit 30 alone meets both targets most cheaply per unit of cost.
  return PlanningFolder("id,cost,status\n10,1,0\n20,1,0\n30,1.5,0\n",
                        "id,target,spf,name\n1,1,5,red fox\n2,2,1,\"wolf, grey\"\n",
                        "species,pu,amount\n1,10,1\n2,20,2\n1,30,1\n2,30,2\n",
                        "NUMREPS 2\nSCENNAME run\nINPUTDIR input\nOUTPUTDIR out\n");
}

TEST(MarxanCommand, WritesTheOutputsInTheirUsualLayout) {
  PlanningFolder f = smallFolder();
  CliOutput r = runCli({"marxan", f.dir.string(), "--method", "greedy"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(f.read("out/run_best.csv"), "planning_unit,solution\n10,0\n20,0\n30,1\n");
  EXPECT_EQ(f.read("out/run_r00002.csv"), f.read("out/run_best.csv"));
  EXPECT_EQ(f.read("out/run_ssoln.csv"), "planning_unit,number\n10,0\n20,0\n30,2\n");
  EXPECT_EQ(f.read("out/run_mvbest.csv"),
            "\"Conservation Feature\",\"Feature Name\",\"Target\",\"Amount Held\",\"Occurrence Target\","
            "\"Occurrences Held\",\"Separation Target\",\"Separation Achieved\",\"Target Met\",\"MPM\"\n"
            "1,red fox,1,1,0,1,0,0,yes,1\n2,\"wolf, grey\",2,2,0,1,0,0,yes,1\n");
  const std::string sum = f.read("out/run_sum.csv");
  EXPECT_EQ(sum.substr(0, sum.find('\n')),
            "\"Run_Number\",\"Score\",\"Cost\",\"Planning_Units\",\"Connectivity\",\"Connectivity_Edge\","
            "\"Connectivity_Out\",\"Connectivity_In\",\"Connectivity_Fraction\",\"Penalty\",\"Shortfall\","
            "\"Missing_Values\",\"MPM\",\"Run_Time\"");
  EXPECT_NE(sum.find("\n1,1.5,1.5,1,0,0,0,0,0,0,0,0,1,"), std::string::npos) << sum;
  EXPECT_NE(sum.find("\n2,1.5,1.5,1,0,0,0,0,0,0,0,0,1,"), std::string::npos) << sum;
  EXPECT_EQ(f.read("out/run_report.txt"), r.out);
  EXPECT_NE(r.out.find("planning units: 3 (0 locked in, 0 locked out), features: 2, amounts: 4\n"), std::string::npos);
}

TEST(MarxanCommand, AShortfallIsReportedNotFailed) {
  PlanningFolder f("id,cost\n1,1\n2,1\n", "id,target,spf\n1,5,2\n", "species,pu,amount\n1,1,1\n1,2,2\n");
  CliOutput r = runCli({"marxan", f.dir.string(), "--method", "greedy", "--out", (f.dir / "o").string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(
      r.out.find("1 features cannot reach their target in any set (shortfall 2 even with every unit not locked out)"),
      std::string::npos)
      << r.out;
  EXPECT_NE(f.read("o/output_mvbest.csv").find("\n1,,5,3,0,2,0,0,no,0.6\n"), std::string::npos);
  // Score = cost + penalty factor x the share missing (2 + 2 x 0.4).
  EXPECT_NE(f.read("o/output_sum.csv").find("\n1,2.8,2,2,0,0,0,0,0,0.8,2,1,0.6,"), std::string::npos);
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
}

// A write that fails part way leaves the outputs of the last run whole:
// none of the new files takes its name, and no temporary stays behind.
TEST(MarxanCommand, AFailedWriteLeavesTheLastRunsOutputsWhole) {
  PlanningFolder f = smallFolder();
  ASSERT_EQ(runCli({"marxan", f.dir.string(), "--method", "greedy"}).rc, 0);
  const std::string best = f.read("out/run_best.csv");
  f.file("input/pu.dat", "id,cost,status\n10,1,0\n20,1,0\n30,99,0\n");  // now 10 and 20 are the better set
  std::filesystem::create_directories(f.dir / "out" / "run_mvbest.csv.zn-partial");
  CliOutput r = runCli({"marxan", f.dir.string(), "--method", "greedy"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "zonarium: cannot write " + (f.dir / "out" / "run_mvbest.csv").string() + "\n");
  EXPECT_EQ(f.read("out/run_best.csv"), best);
  EXPECT_FALSE(std::filesystem::exists(f.dir / "out" / "run_best.csv.zn-partial"));
  EXPECT_FALSE(std::filesystem::exists(f.dir / "out" / "run_ssoln.csv.zn-partial"));
  std::filesystem::remove(f.dir / "out" / "run_mvbest.csv.zn-partial");
  ASSERT_EQ(runCli({"marxan", f.dir.string(), "--method", "greedy"}).rc, 0);
  EXPECT_EQ(f.read("out/run_best.csv"), "planning_unit,solution\n10,1\n20,1\n30,0\n");
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
