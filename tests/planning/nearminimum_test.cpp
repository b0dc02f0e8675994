// The near-minimum set on planning-unit folders: the sets the datafile's
// near-minimum set chooses on the data the folder was written from, and a
// plain refusal where the targets are not counts of units; the dataset a
// folder was read into chooses as a copy of its lists numbered by id does.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>

#include "planning/nearminimum.h"

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

// Units whose ids run up, down, or up with some locked out: the problem that
// keeps its dataset must pick, seed for seed, what the copy numbered by id
// picks, random last ties included, and the locked-in units however they
// are numbered.
TEST(NearMinimumFolder, TheDatasetsListsChooseAsTheCopyNumberedById) {
  struct Case {
    const char* name;
    bool descending, lockOut;
  };
  for (const Case& c : {Case{"ids up", false, false}, Case{"ids down", true, false}, Case{"locked out", false, true}}) {
    SCOPED_TRACE(c.name);
    const int units = 60, taxa = 40;
    std::mt19937 gen(11);
    Dataset d;
    for (int n = 1; n <= units; ++n) {
      const UnitStatus status = n == 7 || n == units      ? UnitStatus::LockedIn
                                : c.lockOut && n % 9 == 0 ? UnitStatus::LockedOut
                                                          : UnitStatus::Free;
      d.units.push_back({c.descending ? 1000 - n : 100 + n, "", 1.0, status});
    }
    std::vector<Occurrence> pairs;
    for (int t = 0; t < taxa; ++t) {
      d.taxa.push_back({t + 1, "", "", "", {}, "", 1.0});
      for (int k = 0; k < 3; ++k)
        pairs.push_back({static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(1 + gen() % (units - 1)), 1.0});
    }
    d.occurrences = occurrencesFrom(taxa, units, std::move(pairs), false);
    planning::PlanningTerms terms;
    terms.targetsAsGiven = true;
    const planning::Problem kept = planning::problemFromDataset(std::make_shared<const Dataset>(std::move(d)), terms);
    planning::Problem copied = kept;
    copied.data.reset();
    const planning::NearMinimumInput a = planning::nearMinimumInput(kept), b = planning::nearMinimumInput(copied);
    ASSERT_EQ(a.error, "");
    EXPECT_EQ(a.data != nullptr, !c.descending && !c.lockOut);
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
      const std::vector<char> set = planning::nearMinimumSet(a, seed);
      EXPECT_EQ(set, planning::nearMinimumSet(b, seed)) << "seed " << seed;
      EXPECT_TRUE(set[units - 1]) << "the last unit, locked in and holding nothing, seed " << seed;
    }
  }
}

}  // namespace
}  // namespace zn::test
