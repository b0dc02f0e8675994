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
  std::string puvsprName = "puvspr.dat";
  std::string boundName;
  std::string scenario = "output";
  int reps = 1;
};

struct FolderRead {
  Problem problem;
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

// Writes SCENARIO_best.csv, SCENARIO_r00001.csv ..., SCENARIO_ssoln.csv,
// SCENARIO_mvbest.csv and SCENARIO_sum.csv into OUTDIR (made if missing).
// Each file is written whole or not at all; false with the message otherwise.
bool writeOutputs(const Problem& p, const FolderSettings& s, const std::filesystem::path& outDir,
                  const std::vector<Solution>& runs, std::size_t best, std::string& error);

// Numbers as the outputs print them: the shortest text that reads back to
// the same double ("3", "0.25", "1e+20").
std::string number(double v);

}  // namespace zn::planning
