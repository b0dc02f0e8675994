// Planning-unit folders written by the tests: input.dat plus the three
// tables, each given as its text.
#pragma once

#include <filesystem>
#include <string>

#include "planning/problem.h"
#include "tests/support/fixtures.h"

namespace zn::test {

struct PlanningFolder {
  TempDir tmp;
  std::filesystem::path dir = tmp.path();

  void file(const std::string& name, const std::string& text) const { writeFile(dir / name, text); }

  // A folder with the usual names under input/.
  PlanningFolder(const std::string& pu, const std::string& spec, const std::string& puvspr,
                 const std::string& input = "INPUTDIR input\nOUTPUTDIR output\nSCENNAME output\n") {
    file("input.dat", input);
    file("input/pu.dat", pu);
    file("input/spec.dat", spec);
    file("input/puvspr.dat", puvspr);
  }

  std::string read(const std::string& name) const { return readFile(dir / name); }
};

// Every reachable target met and every lock kept.
inline bool meetsGoalsAndLocks(const planning::Problem& p, const std::vector<char>& in) {
  const auto reach = planning::achievable(p);
  const planning::Evaluation e = planning::evaluate(p, in);
  for (std::size_t f = 0; f < p.features.size(); ++f)
    if (e.held[f] < std::min(p.features[f].target, reach[f]) - 1e-9) return false;
  for (std::size_t u = 0; u < in.size(); ++u)
    if (p.units[u].status == (in[u] ? planning::UnitStatus::LockedOut : planning::UnitStatus::LockedIn)) return false;
  return true;
}

}  // namespace zn::test
