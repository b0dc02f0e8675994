#include "selection/cellinfo.h"

#include <algorithm>
#include <cmath>

#include "measures/scores.h"
#include "store/text.h"

namespace zn {

std::string locationName(const Session& s, int cell) {
  if (cell < 1 || cell >= static_cast<int>(s.ws.cells.size())) return {};
  const auto& name = s.ws.cells[static_cast<std::size_t>(cell)].name;
  return fieldText(reinterpret_cast<const unsigned char*>(name.data()), 17);
}

int areaPosition(const AreaSet& a, int cell) {
  auto it = std::find(a.cells.begin(), a.cells.end(), cell);
  return it == a.cells.end() ? 0 : static_cast<int>(it - a.cells.begin()) + 1;
}

namespace {

bool reorderedByRichnessOrRarity(const Session& s) {
  return s.settings.reordering == Reordering::kByRichness || s.settings.reordering == Reordering::kByRarity;
}

int soleTaxaOf(const Session& s, int cell) {
  const CardStore& cards = s.ws.cards;
  int n = 0;
  for (int t = 0; t < std::min(s.ws.taxaCount, cards.slots()); ++t) n += cards.field(t, cards.layout->soleArea) == cell;
  return n;
}

bool hasScore(const GridCell& c) { return c.scored != 0 || c.score != 0.0; }

void costLine(const Session& s, const GridCell& c, std::vector<std::string>& lines) {
  if (s.costPresent) lines.push_back(strprintf("area cost %-11.2f", c.cost));
}

void choiceLines(const Session& s, int cell, const GridCell& c, std::vector<std::string>& lines) {
  // The analyses number their areas in the count field.
  if (c.count > 0 && areaPosition(s.areas, cell) > 0) lines.push_back(strprintf("choice %d by", c.count));
  else lines.push_back("area not chosen by");
  lines.push_back(s.map.title);
}

void fullyFlexibleLines(const Session& s, int cell, const GridCell& c, std::vector<std::string>& lines) {
  if (!hasScore(c)) {
    lines.push_back("unselected area");
    return;
  }
  const int cells = std::min(s.ws.geo.cells, static_cast<int>(s.ws.cells.size()) - 2);
  int sharing = 0;
  for (int n = 1; n <= cells; ++n) sharing += s.ws.cells[static_cast<std::size_t>(n)].score == c.score;
  // Areas that no cell can replace keep count 2 and share the top score.
  lines.push_back(c.count == 2 || sharing <= 1 ? std::string("no fully flexible areas")
                                               : strprintf("1 of %d fully flexible areas", sharing));
  if (const int p = areaPosition(s.areas, cell); p > 0) {
    lines.push_back(strprintf("selected area %d", p));
  } else {
    for (int q = 1; q <= s.areas.count(); ++q) {
      const int a = s.areas.cells[static_cast<std::size_t>(q - 1)];
      if (a < 1 || a > cells || s.ws.cells[static_cast<std::size_t>(a)].score != c.score) continue;
      lines.push_back(strprintf("for selected area %d:", q));
      lines.push_back(locationName(s, a));
      break;
    }
  }
  costLine(s, c, lines);
}

void nearMinimumLines(const Session& s, int cell, const GridCell& c, std::vector<std::string>& lines) {
  const int position = areaPosition(s.areas, cell);
  if (s.settings.nearMinimumGoal > 1) {
    if (position > 0) lines.push_back(strprintf("selected area %d", position));
    lines.push_back("(flexibility not assessed)");
    costLine(s, c, lines);
    return;
  }
  if (s.settings.flexibilityMap == Flag::kOff) {
    choiceLines(s, cell, c, lines);
    return;
  }
  if (position > 0) lines.push_back(strprintf("selected area %d", position));
  if (c.score == 4.0 || c.score == 3.0) {
    lines.push_back(c.score == 4.0 ? "goal-irreplaceable area" : "goal-flexible area");
    lines.push_back("within set");
    if (reorderedByRichnessOrRarity(s)) lines.push_back(strprintf("(%d goal-essential taxa)--range", c.count));
  } else if (c.score == 2.0 || c.score == 1.0) {
    lines.push_back(c.score == 2.0 ? "goal-flexible area (tie)" : "goal-flexible area");
    lines.push_back("outside set");
  } else if (!hasScore(c)) {
    lines.push_back(s.settings.flexibilityPartial != Flag::kOff ? "no scores" : "unselected area");
  }
}

}  // namespace

std::vector<std::string> cellInformationLines(const Session& s, int cell) {
  std::vector<std::string> lines{strprintf("Area %d: %s", cell, locationName(s, cell).c_str())};
  if (cell < 1 || cell > s.ws.geo.cells || cell >= static_cast<int>(s.ws.cells.size())) return lines;
  const GridCell& c = s.ws.cells[static_cast<std::size_t>(cell)];
  switch (s.map.measureCode) {
    case kCodeHotspots:
    case kCodeGreedy: choiceLines(s, cell, c, lines); break;
    case kCodeNearMaximumCoverage:
      if (s.settings.mapAllFlexible != Flag::kOff && s.settings.nearMinimumGoal == 1)
        fullyFlexibleLines(s, cell, c, lines);
      else nearMinimumLines(s, cell, c, lines);
      break;
    case kCodeNearMinimum: nearMinimumLines(s, cell, c, lines); break;
    case kCodeFullyFlexible: fullyFlexibleLines(s, cell, c, lines); break;
    case kCodeFlexibilityPlot: {
      if (const int p = areaPosition(s.areas, cell); p > 0) lines.push_back(strprintf("selected area %d", p));
      const int essential = soleTaxaOf(s, cell);
      if (essential == 0) lines.push_back("unselected area");
      else
        lines.push_back(essential == 1 ? std::string("(1 goal-essential taxon)--range")
                                       : strprintf("(%d goal-essential taxa)--range", essential));
      costLine(s, c, lines);
      break;
    }
    case kCodeRandomSets: {
      // The mean is the number of choices a candidate cell got on average.
      long total = 0;
      const int cells = std::min(s.ws.geo.cells, static_cast<int>(s.ws.cells.size()) - 2);
      for (int n = 1; n <= cells; ++n) total += s.ws.cells[static_cast<std::size_t>(n)].count;
      const int mean = s.areas.candidateCells > 0 ? static_cast<int>(total / s.areas.candidateCells) : 0;
      lines.push_back(strprintf("chosen %d times (mean %d)", c.count, mean));
      lines.push_back(s.map.title);
      break;
    }
    case kCodeEmrIrreplaceability:
    case kCodeMaxRarity:
      if (c.score > 0.0 && c.score != kZeroScore)
        lines.push_back(strprintf("level %d (range %d)", c.count, static_cast<int>(std::lround(1.0 / c.score))));
      break;
    case kCodeReorderedByRichness:
      if (c.count > 0 && areaPosition(s.areas, cell) > 0)
        lines.push_back(strprintf("choice %d (%d taxa)", c.count, static_cast<int>(std::lround(c.score))));
      else lines.push_back("area not chosen");
      break;
    case kCodeSelectionFrequency:
      lines.push_back(strprintf("chosen in %d of %d runs (%.1f%%)", c.count, s.map.runs,
                                s.map.runs > 0 ? 100.0 * c.count / s.map.runs : 0.0));
      break;
    case kCodeReplacementCost:
      if (c.score == 0.0) lines.push_back("not in the exact minimum set");
      else
        lines.push_back(c.count < 0 ? std::string("irreplaceable") : strprintf("replacement cost %d areas", c.count));
      break;
    default: break;
  }
  return lines;
}

}  // namespace zn
