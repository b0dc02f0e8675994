// Planning-unit folders: what is taken from them, what is refused, the
// near-minimum set on them, and the output sets written into them.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "planning/folder.h"
#include "planning/nearminimum.h"
#include "planning/outputset.h"
#include "tests/support/cli_run.h"
#include "tests/support/planning_folder.h"

namespace zn::planning {
namespace {

using test::PlanningFolder;

// A dataset as text: a line a unit (id, cost, status, then taxon:amount and
// neighbour~length) and a line a taxon (name, target, then unit:amount), so
// that both directions of the lists are compared whole.
std::string text(const Dataset& d) {
  std::ostringstream out;
  for (int n = 1; n <= d.unitCount(); ++n) {
    out << d.unit(n).id << " " << d.unit(n).cost << " " << static_cast<int>(d.unit(n).status) << ":";
    const double* amount = d.occurrences.amountsIn(n);
    for (int t : d.occurrences.taxaIn(n)) out << " " << t << ":" << *amount++;
    for (int k = 0; !d.adjacency.empty() && k < d.adjacency.degree(n); ++k)
      out << " " << d.adjacency.neighboursOf(n)[k] << "~" << d.adjacency.lengthsOf(n)[k];
    out << "\n";
  }
  for (int t = 0; t < d.taxonCount(); ++t) {
    out << d.taxa[static_cast<std::size_t>(t)].name << " " << d.taxa[static_cast<std::size_t>(t)].target << ":";
    const double* amount = d.occurrences.amountsOf(t);
    for (int n : d.occurrences.unitsOf(t)) out << " " << n << ":" << *amount++;
    out << "\n";
  }
  return out.str();
}

// The same of a problem, whose features carry their totals and penalty factors.
std::string text(const Problem& p) {
  std::ostringstream out;
  for (std::size_t u = 0; u < p.units.size(); ++u) {
    out << p.units[u].id << " " << p.units[u].cost << " " << static_cast<int>(p.units[u].status) << ":";
    for (const Entry* e = p.featuresIn.begin(u); e != p.featuresIn.end(u); ++e)
      out << " " << e->index << ":" << e->amount;
    out << "\n";
  }
  for (std::size_t f = 0; f < p.features.size(); ++f) {
    const Feature& x = p.features[f];
    out << x.name << " " << x.target << " of " << x.total << " spf " << x.spf << ":";
    for (const Entry* e = p.unitsOf.begin(f); e != p.unitsOf.end(f); ++e) out << " " << e->index << ":" << e->amount;
    out << "\n";
  }
  return out.str();
}

TEST(PlanningFolderRead, TakesColumnsByNameIdsInAnyOrderAndSharesOfTheTotal) {
  // Tab-separated pu.dat with extra columns and ids out of order; spec.dat
  // with a share for one feature; a byte-order mark and CR LF line ends.
  PlanningFolder f("\xEF\xBB\xBFxloc\tid\tstatus\tcost\r\n0\t30\t2\t4.5\r\n0\t7\t0\t1\r\n0\t12\t3\t2\r\n",
                   "id,name,prop,target,spf\n5,wolf,0.5,0,10\n2,fox,0,3,1\n9,lynx,0,0,2\n",
                   "species,pu,amount\n5,30,2\n5,7,6\n2,12,3\n2,7,1\n5,7,0\n");
  const FolderRead r = readFolder(f.dir);
  ASSERT_EQ(r.error, "");
  // The dataset holds the units in the file's order, the amounts both ways
  // (the zero amount is no pair) and the targets after the share.
  EXPECT_EQ(text(r.data), "30 4.5 2: 0:2\n7 1 0: 0:6 1:1\n12 2 3: 1:3\nwolf 4: 1:2 2:6\nfox 3: 2:1 3:3\nlynx 0:\n");
  EXPECT_EQ(r.terms.spf, (std::vector<double>{10.0, 1.0, 2.0}));

  // The problem keeps every feature as the folder gives it: lynx, with no
  // amount anywhere and target 0, is a feature wanting nothing.
  Problem p = problemFromDataset(r.data, r.terms);
  EXPECT_EQ(text(p),
            "30 4.5 2: 0:2\n7 1 0: 0:6 1:1\n12 2 3: 1:3\n"
            "wolf 4 of 8 spf 10: 0:2 1:6\nfox 3 of 4 spf 1: 1:1 2:3\nlynx 0 of 0 spf 2:\n");

  // Renumbered in id order, as the near-minimum takes it: amounts both ways, targets,
  // and boundaries (one shared, one outer) under the units' numbers.
  p.boundaries = {{0, 1, 2.0}, {0, 0, 5.0}};  // ids 30-7, and 30's outer edge
  EXPECT_EQ(text(datasetOf(p)),
            "7 1 0: 0:6 1:1 3~2\n12 2 3: 1:3\n30 4.5 2: 0:2 1~2 3~5\nwolf 4: 1:6 3:2\nfox 3: 1:1 2:3\nlynx 0:\n");
}

TEST(PlanningFolderRead, InputDatKeysOverrideNamesAndProseIsSkipped) {
  PlanningFolder f("id,cost\n1,1\n", "id,target\n1,1\n", "species,pu,amount\n1,1,1\n");
  f.file("data/units.csv", "id,cost\n9,2\n");
  f.file("data/amounts.csv", "species\tpu\tamount\n1\t9\t2\n");
  f.file("data/spec.csv", "id,target\n1,1\n");
  f.file("run.dat",
         "Input file for a run\n\nGeneral Parameters\nBLM 0\nMISSLEVEL 0.95\nUNKNOWNKEY 3\n"
         "INPUTDIR data\nPUNAME units.csv\nSPECNAME spec.csv\nPUVSPRNAME amounts.csv\n");
  const FolderRead r = readFolder(f.dir, "run.dat");
  ASSERT_EQ(r.error, "");
  EXPECT_DOUBLE_EQ(r.terms.missLevel, 0.95);
  EXPECT_EQ(text(r.data), "9 2 0: 0:2\n 1: 1:2\n");
}

// A folder that reads but for FILE (under input/, but for input.dat), which
// holds TEXT instead.
struct BadFolder {
  const char* name;
  std::string file, text, error;
};

TEST(PlanningFolderRead, RefusesSayingWhichFileAndLine) {
  const std::string in = "INPUTDIR input\n";
  const BadFolder cases[] = {
      {"RepeatedUnit", "pu.dat", "id,cost\n1,1\n1,2\n", "pu.dat line 3: unit 1 appears twice"},
      {"TextId", "pu.dat", "id,cost\nx1,1\n", "pu.dat line 2: id \"x1\" is not a positive whole number"},
      {"NegativeCost", "pu.dat", "id,cost\n1,-2\n", "pu.dat line 2: cost \"-2\" is not a number of 0 or more"},
      {"BadStatus", "pu.dat", "id,status\n1,4\n", "pu.dat line 2: status \"4\" is not 0, 1, 2 or 3"},
      {"WrongWidth", "pu.dat", "id,cost,status\n1,1,0\n3,1\n", "pu.dat line 3: 2 fields where the header has 3"},
      {"NoTarget", "spec.dat", "id,spf\n1,1\n", "spec.dat: neither a \"target\" nor a \"prop\" column"},
      {"RepeatedFeature", "spec.dat", "id,target\n1,1\n1,1\n", "spec.dat line 3: feature 1 appears twice"},
      {"ShareAboveOne", "spec.dat", "id,prop\n1,1.5\n", "spec.dat line 2: prop \"1.5\" is not a share from 0 to 1"},
      {"OccurrenceTarget", "spec.dat", "id,target,targetocc\n1,1,2\n",
       "spec.dat line 2: occurrence targets (targetocc) are not solved by this version: set them to 0"},
      {"UnknownFeature", "puvspr.dat", "species,pu,amount\n4,1,1\n", "puvspr.dat line 2: feature 4 is not in spec.dat"},
      {"TextIdInAmounts", "puvspr.dat", "species,pu,amount\n1,u2,1\n",
       "puvspr.dat line 2: pu \"u2\" is not a positive whole number"},
      {"NegativeAmount", "puvspr.dat", "species,pu,amount\n1,1,-1\n",
       "puvspr.dat line 2: amount \"-1\" is not a number of 0 or more"},
      {"NotANumberAmount", "puvspr.dat", "species,pu,amount\n1,1,nan\n",
       "puvspr.dat line 2: amount \"nan\" is not a number of 0 or more"},
      {"EmptyTable", "puvspr.dat", "", "puvspr.dat: no header row"},
      // A binary file is refused, not swallowed.
      {"BinaryTable", "puvspr.dat", std::string(3 << 20, 'x'), "puvspr.dat: no header row"},
      {"TextIdInBoundaries", "bound.dat", "id1,id2,boundary\n1,2,1\n1,b,1\n",
       "bound.dat line 3: id1 and id2 must be positive whole numbers"},
      {"NegativeBoundary", "bound.dat", "id1,id2,boundary\n1,2,-1\n",
       "bound.dat line 2: boundary \"-1\" is not a number of 0 or more"},
      {"MissingFile", "input.dat", in + "PUNAME nowhere.dat\n", "nowhere.dat: cannot be read (missing?)"},
      {"TooManyReps", "input.dat", in + "NUMREPS 0\n",
       "input.dat line 2: NUMREPS \"0\" is not a number from 1 to 10000"},
      {"AbsoluteInputName", "input.dat", in + "SPECNAME /etc/passwd\n",
       "input.dat line 2: SPECNAME \"/etc/passwd\" is not a name inside the input folder (no absolute "
       "path, no \"..\")"},
      {"EscapingInputName", "input.dat", in + "BOUNDNAME a/../../b.dat\n",
       "input.dat line 2: BOUNDNAME \"a/../../b.dat\" is not a name inside the input folder (no "
       "absolute path, no \"..\")"},
      {"OutputsInTheFolderItself", "input.dat", in + "OUTPUTDIR ./\n",
       "input.dat line 2: OUTPUTDIR \"./\" is the planning-unit folder itself: the outputs need a folder "
       "of their own, such as output"},
      {"EscapingScenario", "input.dat", in + "SCENNAME ../../ESCAPED\n",
       "input.dat line 2: SCENNAME \"../../ESCAPED\" is not a plain name (the outputs stay inside the "
       "output folder)"},
      {"AmountsBeyondTheLargestNumber", "puvspr.dat", "species,pu,amount\n1,1,1e308\n1,2,1e308\n",
       "the amounts in puvspr.dat add up to more than 1e+300: scale them down"},
      {"CostsBeyondTheLargestNumber", "pu.dat", "id,cost\n1,1e308\n2,1e308\n",
       "the costs in pu.dat add up to more than 1e+300: scale them down"}};
  for (const BadFolder& b : cases) {
    SCOPED_TRACE(b.name);
    PlanningFolder f("id,cost,status\n1,1,0\n2,1,0\n", "id,target,name\n1,1,a\n", "species,pu,amount\n1,1,1\n",
                     in + "BOUNDNAME bound.dat\n");
    f.file("input/bound.dat", "id1,id2,boundary\n1,2,1\n");
    f.file(b.file == "input.dat" ? b.file : "input/" + b.file, b.text);
    EXPECT_EQ(readFolder(f.dir).error, b.error);
  }
  test::TempDir tmp;  // no input.dat at all
  EXPECT_EQ(readFolder(tmp.path()).error, "input.dat: cannot be read (missing?)");
}

// Ten million amounts (1,000 units x 10,000 features) are read through, and
// a fault on the line after them is found and named by its number.
TEST(PlanningFolderRead, AFaultAfterTenMillionLinesIsNamedByItsNumber) {
  constexpr int kUnits = 1000, kFeatures = 10000;
  std::string pu = "id,cost\n", spec = "id,target\n";
  for (int u = 1; u <= kUnits; ++u) pu += std::to_string(u) + ",1\n";
  for (int f = 1; f <= kFeatures; ++f) spec += std::to_string(f) + ",1\n";
  PlanningFolder f(pu, spec, "", "INPUTDIR input\n");
  {
    std::ofstream out(f.dir / "input" / "puvspr.dat", std::ios::binary);
    std::vector<std::string> tails;
    for (int u = 1; u <= kUnits; ++u) tails.push_back("," + std::to_string(u) + ",1\n");
    out << "species,pu,amount\n";
    std::string block;
    for (int s = 1; s <= kFeatures; ++s) {
      const std::string head = std::to_string(s);
      block.clear();
      for (const std::string& tail : tails) block += head + tail;
      out << block;
    }
    out << "3,1,x\n";
  }
  EXPECT_EQ(readFolder(f.dir).error, "puvspr.dat line 10000002: amount \"x\" is not a number of 0 or more");
}

// ---------------------------------------------------------------------------
// The near-minimum set on planning-unit folders: the sets the datafile's
// near-minimum set chooses on the data the folder was written from, and a
// plain refusal where the targets are not counts of units; the dataset a
// folder was read into chooses as a copy of its lists numbered by id does.

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
  test::CliRun run;
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
          chosenUnits(test::readFile(dir / "output" / ("output_r0000" + std::to_string(seed) + ".csv")));
      EXPECT_EQ(folderSet, seedCells(test::readFile(sed))) << "seed " << seed;
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
    PlanningTerms terms;
    terms.targetsAsGiven = true;
    const Problem kept = problemFromDataset(std::make_shared<const Dataset>(std::move(d)), terms);
    Problem copied = kept;
    copied.data.reset();
    const NearMinimumInput a = nearMinimumInput(kept), b = nearMinimumInput(copied);
    ASSERT_EQ(a.error, "");
    EXPECT_EQ(a.data != nullptr, !c.descending && !c.lockOut);
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
      const std::vector<char> set = nearMinimumSet(a, seed);
      EXPECT_EQ(set, nearMinimumSet(b, seed)) << "seed " << seed;
      EXPECT_TRUE(set[units - 1]) << "the last unit, locked in and holding nothing, seed " << seed;
    }
  }
}

// ---------------------------------------------------------------------------
// Output sets switch whole: under two runs at once and under a kill

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
TEST(OutputSet, AKilledRunLeavesOneWholeSetAndTheUsersOwnFilesStay) {
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

  // A folder of the user's inside the output folder stays as it was when a
  // new set replaces the last (the user's loose files: marxan.case).
  f.file("out/notes/plan.txt", "keep me");
  ASSERT_TRUE(write(f.dir / "out", "s", 2));
  EXPECT_EQ(roundOf(f, "s"), 2);
  EXPECT_EQ(f.read("out/notes/plan.txt"), "keep me");
}

}  // namespace
}  // namespace zn::planning
