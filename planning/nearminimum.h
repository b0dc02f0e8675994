// The near-minimum set by progressive rarity on a planning-unit folder. It
// applies when every target is a count of units: every amount is 1 (a
// presence), every target a whole number, and one goal g gives each feature
// its target (g, or all of its units where it has fewer). Units take part in
// the order of their ids, so the last tie-break "lowest" is the lowest id.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "planning/problem.h"
#include "selection/nearminimum.h"

namespace zn::planning {

struct NearMinimumInput {
  Occurrences lists;                // unit numbers 1 ... units in id order; locked-out units hold nothing
  std::vector<char> counted;        // the features the goal applies to
  std::vector<int> seeds;           // the locked-in units' numbers
  std::vector<std::size_t> unitOf;  // number -> unit index (entry 0 unused)
  NearMinimumRule rule;             // the goal and, when the costs differ, the costs
  std::string error;                // why the rule cannot take the problem; empty when it can
};

NearMinimumInput nearMinimumInput(const Problem& p);

// One repetition: the random last tie-break seeded with `seed`; the chosen flag of every unit.
std::vector<char> nearMinimumSet(const NearMinimumInput& in, std::uint32_t seed);

}  // namespace zn::planning
