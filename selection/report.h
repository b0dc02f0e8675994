// The representation report that every area-selection analysis appends to
// the RESULTS file: the header with the analysis title, the summary by area
// sequence, and on request the taxa of each area, the fully flexible
// alternatives and the representation of each taxon. The analysis on the
// map (its measure code) chooses the title and the sections; what the
// session does not hold comes in ReportFacts.
//
// An analysis writes its report by setting its measure code, filling the
// facts it has (seconds always; the rejected count when it rejects areas),
// appending representationReport(...).text to the RESULTS file and keeping
// its reps in the cards.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/analysisdata.h"
#include "store/measurecode.h"
#include "store/settings.h"

namespace zn {

struct SelectionIndex;
class CardStore;

// What a RESULTS text names that the data do not hold, filled by whoever
// holds them: for a datafile the shell from the session, for a project its
// own header and unit names.
struct ReportContext {
  std::string header;    // " Map grid: ..." and " Database: ..." with the rule under them
  std::string dataLine;  // "(all subgroups, data level 1 and above)": which data were counted
  std::string title;     // the analysis title
  // A unit's location name as a report prints it (none when unset).
  std::function<std::string(int)> unitName;
  std::string name(int unit) const { return unitName ? unitName(unit) : std::string(); }
};

// The per-step results of random sets (steps 1 ... areas; index 0 unused).
struct RandomSetStats {
  int areas = 0;       // areas simulated per run
  int candidates = 0;  // cells they were drawn from
  int simulations = 1000;
  double total = 0.0;            // base of the percentages
  std::vector<double> presence;  // sums over runs of the taxa present in the k-th area
  std::vector<double> added;     // sums of the taxa it added
  std::vector<double> median;    // median cumulative score after k areas
  std::vector<double> lower;     // 2.5 % value (two-tailed test)
  std::vector<double> upper;     // 5 % (single-tailed) or 2.5 % upper value
};

struct ReportFacts {
  float seconds = 0.0f;
  int rejected = 0;                        // redundant areas the analysis removed
  int fullSize = 0;                        // coverage set: non-seed areas of the uncut near-minimum set
  double fullCost = 0.0;                   // coverage set: their total cost
  const RandomSetStats* random = nullptr;  // random sets
  bool manualDialogOpen = false;           // written by the grid-cell selection dialog
  // A set made elsewhere and reported as the re-ordered set: its own title
  // in place of the analysis title, and lines closing the summary.
  std::string title;
  std::string summaryClosing;
};

struct Report {
  std::string text;  // empty when nothing is to be written
  // Fully flexible alternatives found for each non-seed area, in set order,
  // when the sections that look for them ran.
  std::vector<std::vector<int>> alternatives;
  double alternativeSets = 1.0;
  // Each taxon's representation count (areas of the set where it is
  // present, included taxa only), which the cards keep.
  std::vector<int> reps;
};

// What the report is asked for: the analysis it reports on and the options
// that shape its sections.
struct ReportOptions {
  MeasureCode code = kCodeNone;  // the analysis: its title, seed line and sections
  bool longReports = false;      // the taxa by area, the alternatives' list, the taxon table
  bool byCost = false;           // cost optimisation was chosen
  bool costData = false;         // costs are present: a cost column
  bool flexibilityMap = false;
  bool twoTailed = true;      // random sets' bounds
  bool baseOnPresent = true;  // percentages of the taxa with records, else of the counted taxa
  bool rejecting = false;     // the analysis rejects redundant areas: their number is given
  Reordering reordering = Reordering::kNone;
  int goal = 1;  // the near-minimum goal
  HotspotKind hotspotKind = HotspotKind::kRichness;
  // Each taxon's sole area in the set (0: none), for the flexibility sections.
  std::vector<int> soleArea;
  // The records of the set's areas with their data levels as amounts, for
  // the taxa by area and the within-set probabilities; the analysis data's
  // occurrences when unset.
  std::shared_ptr<const Occurrences> records;
};

// The report on `set` over `data` (x = SelectionIndex(data) or the caller's
// index of the same data), with the header, data line, title and unit names
// of `context`. Nothing without data, and nothing for an empty set unless
// the facts or the analysis ask for it.
Report representationReport(const AnalysisData& data, const SelectionIndex& x, const AreaSet& set,
                            const ReportContext& context, const ReportOptions& options, const ReportFacts& facts);

// Writes each taxon's representation count into its card.
void storeRepresentation(CardStore& cards, const std::vector<int>& reps);

// The title of the analysis `code` as the options and the set it made
// give it, or the facts' own title.
std::string analysisTitle(const Settings& settings, MeasureCode code, const AreaSet& set, const ReportFacts& facts);

// The sections the options give the report on the analysis `code`; the
// sole areas and the records are the data holder's to add.
ReportOptions reportOptions(const Settings& settings, MeasureCode code, bool costData);

}  // namespace zn
