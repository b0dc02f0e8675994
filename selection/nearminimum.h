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

#include "store/notice.h"
#include "store/session.h"

namespace zn {

// What the caller knows that the session does not hold.
struct SelectionEnv {
  bool threatPresent = false;         // threat values have been converted
  std::optional<std::uint32_t> seed;  // seeds the generator instead of the time of day
};

enum class RunKind { NearMinimum, CoverageByNumber, CoverageByBudget };

struct RunRequest {
  RunKind kind = RunKind::NearMinimum;
  int areasToAdd = 0;   // N of the coverage by number
  double budget = 0.0;  // B of the coverage by budget
  SelectionEnv env;
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
};

// The main run on the session's area set with the options of the settings
// record (goal, re-ordering, tie-breaks, redundancy, seeds, cost, flexibility
// map, long reports). Applies the option forcings to the settings, writes the
// cells' scores, counts, rule codes, tie counts and flexibility classes and
// the cards' sole areas and representation counts. Nothing without an open
// datafile.
RunOutcome runMainRun(Session& s, const RunRequest& request);

// The rule label written in the selection-rule summary for a rule code.
std::string ruleLabel(int code, bool lastTieRandom);

struct AnalysisOutcome {
  bool ran = false;
  std::string results;  // everything for the RESULTS file, report included
  bool capacityReached = false;
  float seconds = 0.0f;
  std::optional<Notice> refusal;  // why it did not run, for the caller to show
};

// "Near-minimum set" as far as computation and report go: code 8, one main
// run, the representation report. Drawing and the fully flexible map are the
// caller's.
AnalysisOutcome runNearMinimumSet(Session& s, const SelectionEnv& env);

// "Near-maximum-coverage set" after its dialog: code 9; re-ordering by
// richness and goal 1, then, while the set is too small, no re-ordering and
// the goal one higher, from the set as it stood at the start, until the set
// is large enough or cannot grow; then the report. `byBudget` uses the
// budget, else the number of areas to add (lowered to the cells that could
// be added).
AnalysisOutcome runNearMaximumCoverage(Session& s, bool byBudget, int areasToAdd, double budget,
                                       const SelectionEnv& env);

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
