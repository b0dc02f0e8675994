#include "selection/values.h"

#include <algorithm>
#include <cmath>

#include "measures/presence.h"
#include "selection/areaset.h"
#include "store/text.h"

namespace zn {

namespace {

int lastCell(const Workspace& ws) {
  return std::min({ws.geo.cells, static_cast<int>(ws.cells.size()) - 2, ws.cards.layout->maxCells});
}

// Cells in which some taxon, included or not, has a non-zero data level.
std::vector<char> cellsWithData(const Workspace& ws) {
  const int cells = lastCell(ws);
  std::vector<char> any(static_cast<std::size_t>(std::max(cells, 0)) + 1, 0);
  const int taxa = std::min(ws.taxaCount, ws.cards.slots());
  for (int t = 0; t < taxa; ++t) {
    const std::int8_t* lv = ws.cards.levels(t);
    for (int n = 1; n <= cells; ++n) any[static_cast<std::size_t>(n)] |= lv[n] != 0;
  }
  return any;
}

}  // namespace

const char* valueCommandTitle(ValueKind kind) {
  return kind == ValueKind::Cost ? "Convert screen scores to cost values for area selection"
                                 : "Convert screen scores to threat values for area priority";
}

bool applyAreaValues(Workspace& ws, ValueKind kind, const std::vector<double>& values,
                     std::optional<Notice>* missingNotice) {
  const int cells = lastCell(ws);
  bool present = false;
  for (int n = 1; n <= cells; ++n) {
    double v = n < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(n)] : 0.0;
    if (!(v > 0.0)) v = 0.0;
    GridCell& c = ws.cells[static_cast<std::size_t>(n)];
    (kind == ValueKind::Cost ? c.cost : c.threat) = v;
    present = present || v != 0.0;
  }
  const std::vector<char> data = cellsWithData(ws);
  bool missing = false;
  for (int n = 1; n <= cells && !missing; ++n) {
    const GridCell& c = ws.cells[static_cast<std::size_t>(n)];
    missing = data[static_cast<std::size_t>(n)] && (kind == ValueKind::Cost ? c.cost : c.threat) == 0.0;
  }
  if (missing) {
    if (missingNotice)
      *missingNotice =
          Notice{kind == ValueKind::Cost ? "Cost data missing for some areas." : "Threat data missing for some areas.",
                 valueCommandTitle(kind), Icon::Exclamation};
    present = false;
  }
  return present;
}

std::vector<double> valuesFromScores(const Workspace& ws, double scoreOffset) {
  std::vector<double> values(static_cast<std::size_t>(std::max(lastCell(ws), 0)) + 1, 0.0);
  for (int n = 1; n <= lastCell(ws); ++n) {
    const double score = ws.cells[static_cast<std::size_t>(n)].score;
    values[static_cast<std::size_t>(n)] = score == kZeroScore ? 0.0 : score + scoreOffset;
  }
  return values;
}

BudgetBounds budgetBounds(const Workspace& ws, int excludedLevel, const AreaSet& set) {
  BudgetBounds b;
  const PresenceIndex ix = buildPresenceIndex(ws, excludedLevel);
  const std::vector<char> counted = countedTaxa(ws, ix, set);
  for (int n = 1; n <= std::min(ix.units, lastCell(ws)); ++n) {
    const auto taxa = ix.taxaIn(n);
    if (!std::any_of(taxa.begin(), taxa.end(), [&](int t) { return counted[static_cast<std::size_t>(t)] != 0; }))
      continue;
    const double cost = ws.cells[static_cast<std::size_t>(n)].cost;
    b.total += cost;
    b.minimum = std::min(b.minimum, cost);
  }
  return b;
}

BudgetBounds budgetBounds(const AnalysisData& d) {
  BudgetBounds b;
  const Occurrences& ix = d.occ();
  for (int n = 1; n <= ix.units; ++n) {
    const auto taxa = ix.taxaIn(n);
    if (!std::any_of(taxa.begin(), taxa.end(),
                     [&](int t) { return d.counts(t) && !d.excluded[static_cast<std::size_t>(t)]; }))
      continue;
    b.total += d.unitCost(n);
    b.minimum = std::min(b.minimum, d.unitCost(n));
  }
  return b;
}

double boundedBudget(double budget, const BudgetBounds& b) { return std::max(std::min(budget, b.total), b.minimum); }

int boundedAreas(const RunRoom& r, std::optional<int> asked, int optionsAreas, std::vector<std::string>& notes) {
  const int room = std::max(0, r.room);
  const int areas = asked.value_or(optionsAreas);
  if (areas > room) notes.push_back(strprintf("areas to add lowered to %d", room));
  return std::clamp(areas, std::min(1, room), room);
}

double boundedBudget(const RunRoom& r, std::optional<double> asked, std::vector<std::string>& notes) {
  const double budget = boundedBudget(asked.value_or(r.defaultBudget), r.budget);
  if (asked && budget != *asked)
    notes.push_back(strprintf("budget %s to %.*f", budget < *asked ? "lowered" : "raised", r.decimals, budget));
  return budget;
}

BudgetModel openBudget(const BudgetBounds& bounds, double budget) {
  BudgetModel m;
  m.bounds = bounds;
  // A minimum below 1 is shown as the whole number a budget must reach.
  m.minimumLine = m.bounds.minimum < 1.0
                      ? strprintf("Minimum cost of an area: %d", static_cast<int>(std::ceil(m.bounds.minimum)))
                      : strprintf("Minimum cost of an area: %.0f", m.bounds.minimum);
  m.totalLine = strprintf("Total cost of all areas: %.0f", m.bounds.total);
  m.budget = std::ceil(boundedBudget(budget, m.bounds));
  return m;
}

double acceptedBudget(const BudgetModel& m) {
  const double scale = std::pow(10.0, m.decimals);
  // The small allowance keeps 2.3 typed from reading as 2.29.
  const double kept = std::isfinite(m.budget) ? std::floor(m.budget * scale + 1e-6) / scale : 0.0;
  return boundedBudget(kept, m.bounds);
}

int costDecimals(const AnalysisData& d) {
  int decimals = 0;
  for (int n = 1; n <= d.units() && decimals < 3; ++n)
    for (double scaled = d.unitCost(n) * std::pow(10.0, decimals);
         decimals < 3 && std::abs(scaled - std::round(scaled)) > 1e-6 * std::max(1.0, std::abs(scaled));
         scaled *= 10.0)
      ++decimals;
  return decimals;
}

double projectBudget(const AnalysisData& d, double optionsBudget) {
  const BudgetBounds b = budgetBounds(d);
  if (optionsBudget >= b.minimum && optionsBudget <= b.total) return optionsBudget;
  const double scale = std::pow(10.0, costDecimals(d));
  return boundedBudget(std::round(b.total / 2.0 * scale) / scale, b);
}

BudgetModel openBudget(const AnalysisData& d, double optionsBudget) {
  BudgetModel m;
  m.bounds = budgetBounds(d);
  m.decimals = costDecimals(d);
  m.editWithinBounds = true;
  m.editLabel = "Budget for units to add (in their costs):";
  m.minimumLine = strprintf("Least cost of a unit with data: %.*f", m.decimals, m.bounds.minimum);
  m.totalLine = strprintf("Total cost of the units with data: %.*f", m.decimals, m.bounds.total);
  m.budget = projectBudget(d, optionsBudget);
  return m;
}

NumberOfAreasModel openNumberOfAreas(const AreaSet& set, int number) {
  NumberOfAreasModel m;
  m.maximum = std::max(0, kAreaCapacity - set.count());
  m.seedsLine = strprintf("Number of selected (seed) areas: %d", set.count());
  m.maxLine = strprintf("(max %d)", m.maximum);
  m.number = number;
  return m;
}

int acceptedNumberOfAreas(const NumberOfAreasModel& m) {
  // No areas to add would cut a coverage set to its seeds and draw no random
  // areas: one is the least an analysis can use.
  return std::clamp(m.number, std::min(1, m.maximum), m.maximum);
}

}  // namespace zn
