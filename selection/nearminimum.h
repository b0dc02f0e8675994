// The near-minimum set by progressive rarity, and the near-maximum-coverage
// set that cuts it to a number of areas or a budget. One main run grows the
// area set step by step (rarest unrepresented taxa first, numbered tie-break
// rules, last by lowest cell or at random), rejects redundant areas, makes
// two-for-one exchanges, re-orders, scores the areas and classes them as
// irreplaceable or flexible.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "selection/areaset.h"
#include "selection/report.h"
#include "store/analysisdata.h"
#include "store/notice.h"
#include "store/progress.h"
#include "store/settings.h"
#include "store/workspace.h"

namespace zn {

// What the caller knows that the options do not hold.
struct SelectionEnv {
  bool threatPresent = false;         // threat values have been converted
  std::optional<std::uint32_t> seed;  // seeds the generator instead of the time of day
};

// The parameters of one near-minimum run.
struct NearMinimumParams {
  int goal = 1;  // representations wanted per included taxon
  Reordering reordering = Reordering::kByRichness;
  RarityFormula formula = RarityFormula::kInverse;  // of the re-ordering by rarity
  bool extraTieBreaks = false;
  bool lastTieRandom = false;
  bool rejectRedundant = false;
  bool includeSeeds = false;  // the seeds are chosen like any other area
  bool byCost = false;
  bool flexibilityMap = false;
  bool flexibilityPartial = false;
  bool mapAllFlexible = false;
  bool longReports = false;  // the selection-rule summary goes into the results
  bool threatPresent = false;
  std::optional<std::uint32_t> seed;  // of the random last tie-break; else the time of day
  int capacity = kAreaCapacity;       // most areas the set may hold: a project's units
};

// The parameters the options give, with the forcings a run makes: a goal
// of at least 1 and of 1 when re-ordering by richness or rarity, no cost
// optimisation without cost data, no flexibility map above goal 1.
NearMinimumParams nearMinimumParams(const Settings& st, bool costPresent, const SelectionEnv& env = {});

enum class RunKind { NearMinimum, CoverageByNumber, CoverageByBudget };

struct RunRequest {
  RunKind kind = RunKind::NearMinimum;
  int areasToAdd = 0;   // N of the coverage by number
  double budget = 0.0;  // B of the coverage by budget
  NearMinimumParams params;
  // The header and unit names of the selection-rule summary ("long
  // reports" only).
  ReportContext report;
};

// The fields of one cell record a run writes.
struct CellMark {
  double score = 0.0;
  int count = 0;
  int flexClass = 0;
  int ruleCode = 0;
  int tieCount = 0;  // of the cell record numbered by the step, not by the area
};

struct RunOutcome {
  bool ran = false;
  // What the run writes to the RESULTS file itself: the selection-rule
  // summary and the complement line ("long reports" only).
  std::string results;
  int rejected = 0;              // redundant areas removed and two-for-one exchanges
  int fullSize = 0;              // non-seed areas of the uncut set
  double fullCost = 0.0;         // their total cost
  int represented = 0;           // included taxa present in an area
  std::vector<int> ties;         // tied cells at each step (1 = no tie), by step
  bool capacityReached = false;  // stopped at the set's capacity with taxa below the goal
  float seconds = 0.0f;

  // What the map and the cards are to hold afterwards: every cell record's
  // marks, each taxon's sole area and representation count, each cell's
  // status (1 ... cells), and which areas the map marks.
  std::vector<CellMark> marks;
  std::vector<int> soleArea, repCount, status;
  AreasShown areasShown = AreasShown::kSeeds;
};

// The main run from `areas` (the seeds and any areas already chosen),
// which it leaves holding the set: the rule, redundancy rejection,
// exchanges, re-ordering, scores and the flexibility classes.
//
// `data` gives the occurrences, the units' costs (cost optimisation, the
// budget) and threats (re-ordering by threat), and the number of units
// ranges are measured against; `x` is SelectionIndex(data) or an index of
// the same data the caller keeps. `start` gives the marks of the unit
// records (0 ... units + 1) the run begins from; records the run does not
// clear keep them (all records start blank when empty). The outcome holds
// the new marks, statuses and per-taxon fields for the caller to apply.
// Nothing runs without data.
struct SelectionIndex;
RunOutcome runMainRun(const AnalysisData& data, const SelectionIndex& x, const RunRequest& request, AreaSet& areas,
                      Feedback& feedback, const std::vector<CellMark>& start = {});
// The marks of the workspace's cell records, where a run on a datafile
// starts from.
std::vector<CellMark> cellMarks(const Workspace& ws);

// The rule label written in the selection-rule summary for a rule code.
std::string ruleLabel(int code, bool lastTieRandom);

struct AnalysisOutcome {
  bool ran = false;
  std::string results;  // everything for the RESULTS file, report included
  bool capacityReached = false;
  float seconds = 0.0f;
  std::optional<Notice> refusal;  // why it did not run, for the caller to show
};

struct NearMinimumRule {
  int goal = 1;                 // representations wanted per counted taxon
  bool extraTieBreaks = false;  // third and fourth tie levels
  bool lastTieRandom = false;   // else the lowest cell
  std::uint32_t seed = 1;       // of the random last tie-break
  bool rejectRedundant = true;
  bool exchangeTwoForOne = true;  // with goal 1 and redundancy rejection only
  std::vector<double> cost;       // by cell (0 ... cells) to choose by cost; empty otherwise
};

struct NearMinimumSet {
  std::vector<int> areas;  // the seeds, then the areas chosen, in order
  int rejected = 0;        // redundant areas removed and two-for-one exchanges
};

// The set grown from `seeds` (fixed in front) by progressive rarity, with
// the numbered tie-break rules, redundancy rejection and two-for-one
// exchanges as the datafile's near-minimum set has them; no re-ordering.
// Any dataset's occurrences serve (units 1 ... lists.units); the goal applies
// to the taxa `counted` marks.
NearMinimumSet nearMinimumOnLists(const Occurrences& lists, const std::vector<char>& counted,
                                  const std::vector<int>& seeds, const NearMinimumRule& rule);

}  // namespace zn
