// Area costs and threat values: taken from the scores on the map ("Convert
// cost values", "Convert threat values") or from a column of values, with
// the check that every occupied cell has one; and the bounds of the budget
// that the coverage set by cost may spend.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/analysisdata.h"
#include "store/notice.h"
#include "store/requests.h"
#include "store/workspace.h"

namespace zn {

enum class ValueKind { Cost, Threat };

// The command title, which captions its messages.
const char* valueCommandTitle(ValueKind kind);

// Puts the values (per cell 1 ... cells, index 0 unused; negatives become
// 0) into the cost or threat field of every cell. True ("data present")
// when some value is above 0 and no cell where a taxon has a non-zero data
// level is left at 0; when such a cell exists, "Cost data missing for some
// areas." (or "Threat data missing ...") goes into `missingNotice` for the
// caller to show. The caller keeps the cost or threat flag.
bool applyAreaValues(Workspace& ws, ValueKind kind, const std::vector<double>& values,
                     std::optional<Notice>* missingNotice = nullptr);

// The values "Convert cost values" / "Convert threat values" take from the
// scores on the map: each cell's score plus the map's score offset, with the
// zero-score marker read as 0 (cells 1 ... cells, index 0 unused).
std::vector<double> valuesFromScores(const Workspace& ws, double scoreOffset);

// Total and minimum cost of the cells holding a taxon not yet represented
// (the minimum starts at 1.0e8), as "Automated area selection" by cost shows:
// records above the excluded level, taxa not in an area of `set`.
struct BudgetBounds {
  double minimum = 1.0e8;
  double total = 0.0;
};
BudgetBounds budgetBounds(const Workspace& ws, int excludedLevel, const AreaSet& set);
// The same over a project's units before any is chosen: those holding a
// counted taxon.
BudgetBounds budgetBounds(const AnalysisData& d);
// The budget lowered to the total and raised to the minimum.
double boundedBudget(double budget, const BudgetBounds& b);

// "Automated area selection" by cost (SELECNUMDLGBOX2): the edit holds the
// budget as a whole number.
struct BudgetModel : DialogModel {
  BudgetBounds bounds;
  std::string minimumLine;  // static 1163
  std::string totalLine;    // static 1197
  double budget = 0.0;      // edit 1164
  // A project's costs may have fractions: the edit takes as many decimals
  // and keeps within the bounds as it is typed.
  int decimals = 0;
  bool editWithinBounds = false;
  std::string editLabel = "Budget for areas to add:";
};
// The dialog on a datafile with its bounds, the edit holding `budget`
// within them.
BudgetModel openBudget(const BudgetBounds& bounds, double budget);
// The budget OK stores: the edit's number at the model's decimals (a whole
// number for a datafile), within the bounds.
double acceptedBudget(const BudgetModel& m);

// The decimals a project's unit costs are written with, 0 to 3.
int costDecimals(const AnalysisData& d);
// The budget a project spends unless one is given: the options' budget
// where it lies within the project's bounds, else half the total cost,
// since a budget in a datafile's units means nothing to the project.
double projectBudget(const AnalysisData& d, double optionsBudget);
// The budget dialog on a project, in the units of its costs.
BudgetModel openBudget(const AnalysisData& d, double optionsBudget);

// What a selection may still use of the data it runs on: the areas its set
// has room for, and the budget's bounds. A datafile's set leaves room under
// its capacity and keeps the options' budget; a project's units start from
// none and spend a budget in their own costs.
struct RunRoom {
  int room = 0;             // areas the set can still take
  BudgetBounds budget;      // what a budget may be
  double defaultBudget = 0; // the budget when the request gives none
  int decimals = 0;         // the budget's decimals in a note
};
// The areas a request adds, else the options': at most the room, at least
// 1 while there is room. A number lowered is noted.
int boundedAreas(const RunRoom& r, std::optional<int> asked, int optionsAreas, std::vector<std::string>& notes);
// The budget a request spends, else the default, within the bounds. A
// budget given and moved is noted.
double boundedBudget(const RunRoom& r, std::optional<double> asked, std::vector<std::string>& notes);

// "Automated area selection" by number (SELECNUMDLGBOX1), asked by
// Near-maximum-coverage set, Hotspots and Random set selection.
struct NumberOfAreasModel : DialogModel {
  std::string seedsLine;  // static 1163 "Number of selected (seed) areas: %d"
  std::string maxLine;    // static 1197 "(max %d)"
  int number = 0;         // edit 1164
  int maximum = 0;        // the capacity less the area count
};
// The dialog behind the areas of `set`, the edit holding `number`.
NumberOfAreasModel openNumberOfAreas(const AreaSet& set, int number);
// The number OK stores: lowered to the maximum; at least 1 while there is room.
int acceptedNumberOfAreas(const NumberOfAreasModel& m);

}  // namespace zn
