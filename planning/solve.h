// Solving a planning problem by one of the methods, repeated where the
// method has random ties, with the report that says what was found.
#pragma once

#include <string>
#include <vector>

#include "planning/folder.h"
#include "planning/problem.h"

namespace zn::planning {

enum class Method { Exact, NearMinimum, Greedy };

struct SolveRequest {
  Method method = Method::Exact;
  int reps = 1;             // repetitions: seeds 1 ... reps for a heuristic, the same set for the exact method
  double timeLimit = 60.0;  // seconds, for the exact method
};

struct SolveResult {
  std::vector<Solution> runs;
  std::size_t best = 0;
  std::string method;  // the method that ran, in a few words
  std::string report;  // the text the tool prints and leaves beside the outputs
  std::string error;   // empty when solved
};

// Features with a penalty factor (spf) of 0 are reported but not required.
SolveResult solve(const Problem& p, const SolveRequest& request);

}  // namespace zn::planning
