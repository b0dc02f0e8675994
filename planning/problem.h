// A planning problem in the form the planning-unit tools keep it: units with
// a cost and a lock status, features with a target amount, and the amount of
// each feature in each unit. The amounts are held sparse, twice: the units of
// each feature (for targets and models) and the features of each unit (for
// the selection loops), so every pass costs O(entries).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "store/dataset.h"

namespace zn::planning {

using zn::UnitStatus;

struct Unit {
  long long id = 0;
  double cost = 1.0;
  UnitStatus status = UnitStatus::Free;
};

struct Feature {
  long long id = 0;
  std::string name;
  double target = 0.0;  // the amount to hold, after a share ("prop") is applied
  double spf = 1.0;     // penalty factor, kept for the summaries
  double total = 0.0;   // the amount in all units
};

struct Entry {
  int index = 0;  // a unit (in unitsOf) or a feature (in featuresIn)
  double amount = 0.0;
};

// Compressed rows: the entries of row r are entries[start[r]] ... entries[start[r + 1] - 1].
struct SparseRows {
  std::vector<std::size_t> start{0};
  std::vector<Entry> entries;
  std::size_t rows() const { return start.size() - 1; }
  const Entry* begin(std::size_t r) const { return entries.data() + start[r]; }
  const Entry* end(std::size_t r) const { return entries.data() + start[r + 1]; }
};

// A boundary between two units (indexes), or a unit's fixed outer boundary
// when both are the same: it counts towards a set's boundary length when
// exactly one of the two is in the set (the outer one when the unit is).
struct Boundary {
  int a = 0;
  int b = 0;
  double length = 0.0;
};

struct Problem {
  std::vector<Unit> units;
  std::vector<Feature> features;
  SparseRows unitsOf;                // per feature
  SparseRows featuresIn;             // per unit
  double missLevel = 1.0;            // a target counts as met at this share of it
  double blm = 0.0;                  // boundary length modifier
  std::vector<Boundary> boundaries;  // from the boundary file, read when BLM > 0
};

// Builds both row sets from (feature, unit, amount) triples; amounts of a
// repeated pair are added. Totals of the features are set too.
struct Triple {
  int feature = 0;
  int unit = 0;
  double amount = 0.0;
};
void buildRows(Problem& p, std::vector<Triple>& triples);

// What a set of units achieves: its cost, size and the amount of each feature
// held, with the shortfall against the targets.
struct Evaluation {
  double cost = 0.0;
  int units = 0;
  std::vector<double> held;
  double shortfall = 0.0;  // summed over features, in amounts
  int unmet = 0;           // features below missLevel x target
};
Evaluation evaluate(const Problem& p, const std::vector<char>& chosen);
// What a sum of amounts may fall short of a goal and still meet it: amounts
// summed in another order must not turn a met goal into a shortfall of 1e-15.
inline double roundingOf(double goal) { return 1e-9 * (goal > 1.0 ? goal : 1.0); }
inline bool reaches(double held, double goal) { return held >= goal - roundingOf(goal); }
bool targetMet(const Problem& p, std::size_t feature, double held);

// The amount of each feature the units that are not locked out can hold.
std::vector<double> achievable(const Problem& p);
// Each feature's target capped at what is achievable: what a set can be asked to hold.
std::vector<double> reachableGoals(const Problem& p);

// What a planning problem takes from beside its dataset: the scoring terms
// a planning-unit folder carries, each taxon's penalty factor, and how the
// taxa's targets read.
struct PlanningTerms {
  double missLevel = 1.0;
  double blm = 0.0;
  std::vector<double> spf;  // per taxon; empty: 1 for each
  // A folder's features stand as given: taxa without records stay features
  // and a target of 0 is 0. Otherwise only taxa with records are features
  // and a taxon without a target of its own wants `goal` units, or its range
  // where that is smaller.
  bool targetsAsGiven = false;
  int goal = 1;
};

// The problem a dataset poses: unit n as units[n - 1] with its id, cost and
// status, the taxa as features, the amounts (1 where the dataset keeps
// none) and the adjacency as boundaries. Given the dataset to consume, its
// occurrence lists are released as the rows are built (and the rest at the
// end), so that a large folder is not held three times at once.
Problem problemFromDataset(const Dataset& d, const PlanningTerms& terms = {});
Problem problemFromDataset(Dataset&& d, const PlanningTerms& terms = {});

// The problem as a dataset: units numbered 1 ... in the order of their ids
// (ids, costs, status), features as taxa (ids, names, targets), the amounts
// (none kept where every one is 1), and the boundaries as adjacency. unitOf[n], where asked for, is the index
// in p.units of unit n (entry 0 unused).
Dataset datasetOf(const Problem& p, std::vector<std::size_t>* unitOf = nullptr);

}  // namespace zn::planning
