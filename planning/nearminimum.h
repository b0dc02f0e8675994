// The near-minimum set by progressive rarity on a planning-unit folder. It
// applies when every target is a count of units: every amount is 1 (a
// presence), every target a whole number, and one goal g gives each feature
// its target (g, or all of its units where it has fewer). Units take part in
// the order of their ids, so the last tie-break "lowest" is the lowest id.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "planning/problem.h"
#include "selection/nearminimum.h"

namespace zn::planning {

struct NearMinimumInput {
  // The lists the set is grown on: the problem's dataset's own where they
  // serve as they stand, else `own`, numbered by id, where locked-out units
  // hold nothing.
  std::shared_ptr<const Dataset> data;
  Occurrences own;
  std::vector<char> counted;        // the features the goal applies to
  std::vector<int> seeds;           // the locked-in units' numbers
  std::vector<std::size_t> unitOf;  // number -> unit index (entry 0 unused); empty: unit n - 1
  std::size_t units = 0;
  NearMinimumRule rule;  // the goal and, when the costs differ, the costs
  std::string error;     // why the rule cannot take the problem; empty when it can

  const Occurrences& lists() const { return data ? data->occurrences : own; }
};

NearMinimumInput nearMinimumInput(const Problem& p);

// One repetition: the random last tie-break seeded with `seed`; the chosen flag of every unit.
std::vector<char> nearMinimumSet(const NearMinimumInput& in, std::uint32_t seed);

}  // namespace zn::planning
