// A first set for the exact search on amounts and boundary length, made
// without the solver: the rarest features first, then a local search of
// adding, dropping and swapping units on cost + BLM x boundary length. They
// count their steps, so the same problem gives the same set on any machine;
// a clock time, where one is given, ends them too (then the set depends on
// the machine's speed), so that no time limit is overrun.
#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "planning/problem.h"

namespace zn::planning {

// When a heuristic must stop whatever its steps allow: a time on the wall
// clock, a total of the process's CPU seconds, either, or neither.
struct Until {
  std::optional<std::chrono::steady_clock::time_point> wall;
  std::optional<double> cpu;
  bool passed() const;
};

// The CPU seconds this process has used, all its threads together.
double processCpuSeconds();

// A set meeting every goal (the amount of each feature to hold, at most what
// the units not locked out hold): features taken from the fewest units to
// the most, each given the units that add most towards every goal still open
// per unit of cost and boundary length added, then improved as below.
std::vector<char> rarityStart(const Problem& p, const std::vector<double>& goal);

// Improves a set meeting every goal, keeping it so, until no single move
// lowers cost + BLM x boundary length or WORK steps (entries and boundaries
// visited) are spent: adding a unit (a hole in a clump), dropping a unit its
// features can spare, or swapping a unit for one outside that covers what
// dropping it leaves short. Returns the steps taken.
long long improveSet(const Problem& p, const std::vector<double>& goal, std::vector<char>& chosen, long long work,
                     Until until = {});

// improveSet, then rounds that clear the units of one feature, refill the
// open goals rarest first and improve again, keeping a round's set when it
// is no worse, until WORK steps are spent. Returns the steps taken.
long long refineSet(const Problem& p, const std::vector<double>& goal, std::vector<char>& chosen, long long work,
                    Until until = {});

// A lower bound on the cost of any set meeting every goal, the units
// costing `cost` (by unit index), from relaxing the goal rows with a price
// per feature (each amount capped at its goal, which binary choices allow):
// subgradient steps toward `upper`, a set's known cost, until WORK entries
// are visited or the steps stop helping. Any prices give a valid bound.
// TAKEN, where given, receives the units the best prices take: units whose
// capped amounts are worth more than they cost, often nearly a cover.
double lagrangianBound(const Problem& p, const std::vector<double>& goal, const std::vector<double>& cost,
                       double upper, long long work, std::vector<char>* taken = nullptr, Until until = {});

// CHOSEN (locks applied) with every open goal filled rarest first, as
// rarityStart fills an empty set.
std::vector<char> completedSet(const Problem& p, const std::vector<double>& goal, std::vector<char> chosen);

// A lower bound on the cost of any set meeting every goal, in time linear
// in the entries: the locked-in units' cost plus, over the features, the
// most that any one feature's goal costs alone when units may be taken in
// part (cheapest per amount first).
double coverBound(const Problem& p, const std::vector<double>& goal);

}  // namespace zn::planning
