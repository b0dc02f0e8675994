// What one analysis run reads of the data, whether a datafile or a project
// holds them: the dataset (its occurrences at the run's data level), which
// taxa the run may count, each unit's cost and threat, and the units' place.
// Analyses take it read-only beside their own parameters and the area set;
// they never see the session, so a project of any grid runs the same code
// as the two fixed grids.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "store/dataset.h"
#include "store/unitgeometry.h"
#include "store/workspace.h"

namespace zn {

struct Session;

struct AnalysisData {
  // Units 1 … units and taxa 0 … taxa - 1; the occurrences are those above
  // the excluded data level. Amounts are kept where the source has them
  // (a project's amounts; a datafile's data levels when asked for).
  std::shared_ptr<const Dataset> data;
  // The units' place (outline, centroid, rings, names); none in bare tests.
  std::shared_ptr<const UnitGeometry> geometry;

  std::vector<char> inGroup;   // per taxon: passes the group code (all for projects)
  std::vector<char> excluded;  // per taxon: left out by the data preselection
  std::vector<double> weight;  // per taxon: the taxonomic weight; empty where none
  std::vector<double> cost;    // per unit, entry 0 unused; empty: every unit costs 1
  std::vector<double> threat;  // per unit, entry 0 unused; empty: none loaded

  // The recount's totals over the counted taxa (ranges, records, occupied
  // units, rarity sums, the code tree's length and weights).
  Counters totals;

  // Each unit's column and row on a fixed grid (entry 0 unused) and the
  // grid's columns; empty and 0 where the units lie on no such grid.
  std::vector<std::int32_t> column, row;
  int columns = 0;
  // The datafile's code fields as the cards hold them, kCodeFieldBytes a
  // taxon (bytes after a code's end included, since the tree lengths read
  // them); empty where the taxa carry their codes or ranks as text.
  static constexpr std::size_t kCodeFieldBytes = 32;
  std::vector<unsigned char> codeFields;

  int gridUnits = 0;          // what a range is measured against: the grid's cells, a project's units
  int levels = 0;             // the datafile's data levels; 0 for projects
  bool quantitative = false;  // levels are amounts (quantitative datafile), or the project has amounts
  bool fixedGrid = false;     // the world or British grid of a datafile
  bool treeData = false;      // the taxa carry a consistent code tree or higher ranks

  const Occurrences& occ() const { return data->occurrences; }
  int units() const { return data->occurrences.units; }
  int taxa() const { return data->occurrences.taxa; }
  bool counts(int taxon) const { return inGroup[static_cast<std::size_t>(taxon)] != 0; }
  double unitCost(int n) const { return cost.empty() ? 1.0 : cost[static_cast<std::size_t>(n)]; }
};

// The open datafile at the session's excluded level: the dataset the last
// recount kept (rebuilt when the cards changed), with the group code, the
// preselection's exclusions, the weights, and the cells' costs and threats
// as they stand now. `withLevels` keeps each presence's data level as its
// amount, for the measures that read levels.
AnalysisData analysisData(const Session& s, bool withLevels = false);

// The totals of data that no recount has seen (a project's): over the taxa
// in the group, ranges from the occurrences, occupied units those holding
// any of them; the code tree's length and weights are left 0.
Counters countTotals(const AnalysisData& a);

}  // namespace zn
