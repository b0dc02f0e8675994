// The near-minimum set on planning-unit folders: the sets the datafile's
// near-minimum set chooses on the data the folder was written from, and a
// plain refusal where the targets are not counts of units.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "tests/support/planning_folder.h"
#include "tests/support/cli_run.h"

namespace zn::test {
namespace {

// The units with solution 1 in a solution file ("PUID,SOLUTION").
std::set<int> chosenUnits(const std::string& csv) {
  std::set<int> units;
  std::istringstream in(csv);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line))
    if (line.ends_with(",1")) units.insert(std::stoi(line));
  return units;
}

// The cells of a seed-areas file: the lines between its heading and "[end]".
std::set<int> seedCells(const std::string& sed) {
  std::set<int> cells;
  std::istringstream in(sed);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line) && line != "[end]") cells.insert(std::stoi(line));
  return cells;
}

TEST(NearMinimumFolder, ChoosesTheDatafileRulesSetsForEachSeed) {
  CliRun run;
  const std::string data = (run.home / "equal" / "carnivora.dat").string();
  const auto tmp = run.tmp.path();
  std::ofstream(tmp / "s.sed") << "seeds\n194\n5\n[end]\n";
  {
    // Costs that differ from cell to cell, so that the choice by cost matters.
    std::ofstream costs(tmp / "costs.scr");
    costs << "costs\n#2\n";
    for (int n = 1; n <= 864; ++n) costs << n << " " << 1 + (n * 7) % 5 << "\n";
  }
  struct Case {
    const char* name;
    std::vector<std::string> exportArgs, selectArgs;
  };
  const std::vector<Case> cases = {
      {"goal 1 with seed areas", {"--areas", (tmp / "s.sed").string()}, {"--areas", (tmp / "s.sed").string()}},
      {"goal 2", {"--set", "goal=2"}, {"--set", "goal=2"}},
      {"by cost",
       {"--costs", (tmp / "costs.scr").string()},
       {"--costs", (tmp / "costs.scr").string(), "--set", "optimise-cost=1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto dir = tmp / c.name;
    std::vector<std::string> exportCmd{"export-marxan", data, dir.string()};
    exportCmd.insert(exportCmd.end(), c.exportArgs.begin(), c.exportArgs.end());
    ASSERT_EQ(run.command(exportCmd), 0) << run.err;
    ASSERT_EQ(run.command({"marxan", dir.string(), "--method", "near-minimum", "--reps", "3"}), 0) << run.err;
    EXPECT_NE(run.out.find("near-minimum set by progressive rarity"), std::string::npos) << run.out;
    for (int seed = 1; seed <= 3; ++seed) {
      const auto sed = tmp / "chosen.sed";
      std::vector<std::string> selectCmd{
          "select",        "near-minimum",       data,          "--set",     "last-tie=random",
          "--random-seed", std::to_string(seed), "--areas-out", sed.string()};
      selectCmd.insert(selectCmd.end(), c.selectArgs.begin(), c.selectArgs.end());
      ASSERT_EQ(run.command(selectCmd), 0) << run.err;
      const std::set<int> folderSet =
          chosenUnits(readFile(dir / "output" / ("output_r0000" + std::to_string(seed) + ".csv")));
      EXPECT_EQ(folderSet, seedCells(readFile(sed))) << "seed " << seed;
    }
  }
}

TEST(NearMinimumFolder, LeavesLockedOutUnitsOutAndReportsWhatTheyHold) {
  // Feature 1 lies in units 10 and 20, unit 10 locked out; feature 2 only in
  // the locked-out unit 30; feature 3 in the locked-in unit 40 and in 50.
  PlanningFolder f("id,cost,status\n50,1,0\n40,1,2\n30,1,3\n20,1,0\n10,1,3\n", "id,target\n1,1\n2,1\n3,1\n",
                   "species,pu,amount\n1,10,1\n1,20,1\n2,30,1\n3,40,1\n3,50,1\n");
  CliOutput r = runCli({"marxan", f.dir.string(), "--method", "near-minimum"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(f.read("output/output_best.csv"), "PUID,SOLUTION\n50,0\n40,1\n30,0\n20,1\n10,0\n");
  EXPECT_NE(r.out.find("1 features cannot reach their target in any set (shortfall 1"), std::string::npos) << r.out;
}

TEST(NearMinimumFolder, SaysPlainlyWhyItCannotApply) {
  const std::string pu = "id,cost\n1,1\n2,1\n3,1\n";
  struct Refusal {
    std::string spec, amounts, why;
  };
  const std::vector<Refusal> refusals = {
      {"id,target,name\n1,1,fox\n2,1,wolf\n", "species,pu,amount\n1,1,1\n2,2,2.5\n",
       "it reads amounts as presence, and feature 2 (wolf) has 2.5 in unit 2 (amounts must be 1)"},
      {"id,prop\n1,0.5\n", "species,pu,amount\n1,1,1\n1,2,1\n1,3,1\n",
       "its targets are counts of units, and feature 1 has target 1.5"},
      {"id,target\n1,1\n2,2\n", "species,pu,amount\n1,1,1\n1,2,1\n2,2,1\n2,3,1\n",
       "it takes one goal for every feature, and feature 2 wants 2 units where feature 1 wants 1 of its 2"},
  };
  for (const Refusal& x : refusals) {
    PlanningFolder f(pu, x.spec, x.amounts);
    CliOutput r = runCli({"marxan", f.dir.string(), "--method", "near-minimum"});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "zonarium: the near-minimum method cannot solve this folder: " + x.why + "\n");
    EXPECT_FALSE(std::filesystem::exists(f.dir / "output"));
  }
  // A feature with fewer units than the goal wants all of them: one goal still fits.
  PlanningFolder fits(pu, "id,target\n1,2\n2,2\n", "species,pu,amount\n1,1,1\n1,2,1\n2,3,1\n");
  CliOutput r = runCli({"marxan", fits.dir.string(), "--method", "near-minimum"});
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(fits.read("output/output_best.csv"), "PUID,SOLUTION\n1,1\n2,1\n3,1\n");
}

}  // namespace
}  // namespace zn::test
