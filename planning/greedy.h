// Greedy choice by cost-effectiveness: each step takes the unit that reduces
// the summed shortfall most per unit of cost. Locked-in units start the set,
// locked-out units are never taken; exact ties go to a random order drawn from
// the seed, so repetitions with seeds 1 ... N differ only where it is a tie.
#pragma once

#include <cstdint>
#include <vector>

#include "planning/problem.h"

namespace zn::planning {

// The chosen flag of every unit. Units that no longer help once the set is
// complete (each of their features is met without them) are dropped again,
// most expensive first.
std::vector<char> greedyByCostEffectiveness(const Problem& p, std::uint32_t seed);

}  // namespace zn::planning
