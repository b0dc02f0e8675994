// Reading and writing a planning-unit folder: input.dat names the files and
// parameters; pu.dat, spec.dat and puvspr.dat hold units, features and
// amounts (comma- or tab-separated with a header row, columns found by name,
// ids any positive integers in any order); outputs use the file names and
// column layouts that users' scripts read.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "planning/problem.h"

namespace zn::planning {

struct FolderSettings {
  std::filesystem::path inputDir;   // where pu.dat and friends lie
  std::filesystem::path outputDir;  // where the outputs go
  std::string puName = "pu.dat";
  std::string specName = "spec.dat";
  std::string puvsprName;  // empty: puvspr2.dat, or puvspr.dat where only that is there
  std::string boundName;
  std::string scenario = "output";
  int reps = 1;
  // Which outputs a run writes (the SAVE... keys: 0 none, else as CSV) and
  // the solution files' second column name (BESTFIELDNAME).
  int saveBest = 3, saveRun = 3, saveSummary = 3, saveTargets = 3, saveSumSolution = 3;
  int saveSolutionsMatrix = 0, saveScenario = 0;
  bool solutionsMatrixHeaders = true;
  std::string bestFieldName = "SOLUTION";
  std::vector<std::string> unusedKeys;  // keys of the other tool's annealing and files, read but not applying
};

// A folder read: its units (in pu.dat's order, numbered from 1), features
// as taxa (in spec.dat's order, targets after any share is applied),
// amounts and boundaries go into the dataset; what the dataset has no place
// for goes beside it. problemFromDataset(data, terms) gives the problem the
// planning methods solve.
struct FolderRead {
  Dataset data;
  PlanningTerms terms;
  FolderSettings settings;
  std::string error;  // empty when the folder was read
};

// Reads DIR/INPUTNAME and the files it names. Every fault is an error naming
// the file, and the line where there is one.
FolderRead readFolder(const std::filesystem::path& dir, const std::string& inputName = "input.dat");

// One solution: the chosen flag of each unit, with what it took.
struct Solution {
  std::vector<char> chosen;
  double seconds = 0.0;
};

// The outputs of a run in the layouts Marxan writes as CSV: SCEN_best.csv,
// SCEN_r00001.csv ..., SCEN_mv00001.csv ..., SCEN_mvbest.csv, SCEN_ssoln.csv,
// SCEN_sum.csv, SCEN_solutionsmatrix.csv and SCEN_sen.dat as the SAVE...
// keys choose, with this program's report as SCEN_report.txt. They replace
// the previous set in OUTDIR (made if missing) as one; false with the
// message when they cannot.
bool writeOutputs(const Problem& p, const FolderSettings& s, const std::filesystem::path& outDir,
                  const std::vector<Solution>& runs, std::size_t best, const std::string& method,
                  const std::string& report, std::string& error);

// Whether a file name in an output folder belongs to SCENARIO's set (what a
// new run replaces or removes).
bool isOutputOf(const std::string& scenario, const std::string& name);

// Boundary length of a set: shared boundaries with exactly one side in the
// set, outer boundaries of the units in it.
double boundaryOf(const Problem& p, const std::vector<char>& chosen);

// What a set misses of the targets: each feature's penalty factor times the
// share of its target not held, summed.
double penaltyOf(const Problem& p, const Evaluation& e);

// DIR/input.dat and DIR/input/pu.dat, spec.dat, puvspr.dat (and bound.dat
// where there are boundaries); each file whole or not at all. False with
// the message when a file cannot be written. `source` names what the
// folder was made from in input.dat's first line.
bool writeFolder(const Problem& p, const std::string& title, const std::filesystem::path& dir, std::string& error,
                 const std::string& source = "datafile");

// Numbers as the outputs print them: the shortest text that reads back to
// the same double ("3", "0.25", "1e+20").
std::string number(double v);

// A text field of a CSV output: quoted only where a comma, quote or line
// break would split it, and never run as a spreadsheet formula.
std::string csvText(const std::string& text);

}  // namespace zn::planning
