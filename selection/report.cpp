#include "selection/report.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "measures/scores.h"
#include "measures/titles.h"
#include "selection/selectionindex.h"
#include "store/datafile.h"
#include "store/text.h"

namespace zn {

namespace {

constexpr const char* kDotted = "  ..........................................................\n";
constexpr const char* kClosing = "  _________________________________________________\n\n\n";

const char* kindWord(int kind) {
  static constexpr std::array<const char*, 5> kWords{"richness", "range-size rarity", "rare-quartile richness",
                                                     "range-size threshold", "residual richness"};
  return kind >= 0 && kind < 5 ? kWords[static_cast<std::size_t>(kind)] : "";
}

const char* plural(int goal) { return goal > 1 ? "s" : ""; }

double percentOf(double value, double base) { return base > 0.0 ? value * 100.0 / base : 0.0; }

// One report's inputs, passed to its sections together.
struct In {
  const AnalysisData& a;
  const SelectionIndex& x;
  const AreaSet& set;
  const ReportContext& ctx;
  const ReportOptions& o;
  const ReportFacts& f;
  const Occurrences& records;

  int seeds() const { return std::clamp(set.seedCount, 0, set.count()); }
  double cost(int n) const { return n >= 0 && n <= a.units() ? a.unitCost(n) : 0.0; }
  const std::string& taxonName(int t) const {
    static const std::string none;
    const auto& taxa = a.data->taxa;
    return t >= 0 && t < static_cast<int>(taxa.size()) ? taxa[static_cast<std::size_t>(t)].name : none;
  }
};

bool reorderedByRichnessOrRarity(const ReportOptions& o) {
  return o.reordering == Reordering::kByRichness || o.reordering == Reordering::kByRarity;
}

std::string seedLine(const In& in) {
  const int seeds = in.set.seedCount;
  if (seeds <= 0) return "";
  if (in.o.code == kCodeHotspots) return strprintf("  includes %d areas seeding analysis at start\n", seeds);
  return strprintf(
      "  includes %d areas seeding analysis at start\n"
      "  (seed areas not tested for redundancy, flexibility or re-ordered)\n",
      seeds);
}

std::string rejectionNote(const In& in) {
  return in.o.rejecting ? strprintf(",\n  %d within-set redundant areas rejected", in.f.rejected) : "";
}

// The per-area sums of the summary: taxa present, taxa new in set order.
struct AreaSums {
  int abs = 0;
  int inc = 0;
};

std::vector<AreaSums> areaSums(const SelectionIndex& x, const std::vector<int>& areas, std::size_t upTo) {
  std::vector<AreaSums> out;
  std::vector<char> seen(static_cast<std::size_t>(x.ix.taxa), 0);
  for (std::size_t p = 0; p < upTo && p < areas.size(); ++p) {
    AreaSums a;
    if (x.valid(areas[p]))
      for (int t : x.ix.taxaIn(areas[p])) {
        if (!x.counts(t)) continue;
        ++a.abs;
        if (!seen[static_cast<std::size_t>(t)]) {
          seen[static_cast<std::size_t>(t)] = 1;
          ++a.inc;
        }
      }
    out.push_back(a);
  }
  return out;
}

// Units other than the area that hold every taxon whose sole area it is;
// with cost optimisation only those costing no more than the area.
// `held` receives the number of those taxa (the largest count of any unit).
std::vector<int> fullyFlexibleAlternatives(const In& in, const std::vector<std::vector<int>>& soleTaxa, int area,
                                           int& held) {
  const SelectionIndex& x = in.x;
  std::vector<int> out;
  held = 0;
  if (!x.valid(area) || soleTaxa[static_cast<std::size_t>(area)].empty()) return out;
  std::vector<int> count(static_cast<std::size_t>(x.cells) + 1, 0);
  int m = 0;
  for (int t : soleTaxa[static_cast<std::size_t>(area)])
    for (int n : x.ix.unitsOf(t))
      if (n <= x.cells) m = std::max(m, ++count[static_cast<std::size_t>(n)]);
  held = m;
  if (m == 0) return out;
  for (int n = 1; n <= x.cells; ++n)
    if (n != area && count[static_cast<std::size_t>(n)] == m && (!in.o.byCost || in.cost(n) <= in.cost(area)))
      out.push_back(n);
  return out;
}

std::string randomReport(const In& in) {
  const RandomSetStats& r = *in.f.random;
  const bool twoTailed = in.o.twoTailed;
  std::string out = strprintf(
      "\n  PRIORITY-AREAS ANALYSIS: %s\n%s  %s in %.1f seconds%s.\n\n  Representation summary by area sequence\n\n"
      "  Choices                   Mean taxon richness,   median %% %s\n",
      in.ctx.title.c_str(), seedLine(in).c_str(), in.ctx.dataLine.c_str(), in.f.seconds, rejectionNote(in).c_str(),
      kindWord(static_cast<int>(in.o.hotspotKind)));
  out += twoTailed ? "  step  area                abs     inc     cum    inc %   cum %  lower 2.5% upper 2.5%\n\n"
                   : "  step  area                abs     inc     cum    inc %   cum %  upper 5% (single tail)\n\n";
  const AreaSet& set = in.set;
  const int seeds = in.seeds();
  const std::vector<AreaSums> sums = areaSums(in.x, set.cells, static_cast<std::size_t>(seeds));
  int cum = 0;
  for (int p = 1; p <= seeds; ++p) {
    const int n = set.cells[static_cast<std::size_t>(p - 1)];
    const AreaSums& a = sums[static_cast<std::size_t>(p - 1)];
    cum += a.inc;
    out += strprintf("%6d%5d %-12s%5d%8d%8d%#11.2f%#8.2f       -\n", p, n, in.ctx.name(n).c_str(), a.abs, a.inc, cum,
                     percentOf(a.inc, r.total), percentOf(cum, r.total));
  }
  out += kDotted;
  const double seedPercent = percentOf(cum, r.total);
  const double runs = r.simulations > 0 ? r.simulations : 1;
  double meanCum = cum;
  auto at = [](const std::vector<double>& v, int k) {
    return k >= 0 && k < static_cast<int>(v.size()) ? v[static_cast<std::size_t>(k)] : 0.0;
  };
  auto cumulative = [&](double score) { return percentOf(score, r.total) + seedPercent; };
  for (int k = 1; k <= r.areas; ++k) {
    const double present = at(r.presence, k) / runs, added = at(r.added, k) / runs;
    meanCum += added;
    const double median = cumulative(at(r.median, k));
    const double increment = median - cumulative(at(r.median, k - 1));
    const double upper = std::min(100.0, cumulative(at(r.upper, k)));
    if (twoTailed) {
      const double lower = std::min(100.0, cumulative(at(r.lower, k)));
      out += strprintf("%6d   -              %#8.2f%#8.2f%#8.2f%#8.2f%#8.2f%#8.2f%#8.2f\n", seeds + k, present, added,
                       meanCum, increment, median, lower, upper);
    } else {
      out += strprintf("%6d   -              %#8.2f%#8.2f%#8.2f%#8.2f%#8.2f%#8.2f\n", seeds + k, present, added,
                       meanCum, increment, median, upper);
    }
  }
  out += kClosing;
  return out;
}

// The summary by area sequence: its heading, one line per area of the set
// and, for the coverage set, what the near-minimum set would have been.
void writeAreaSummary(std::string& out, const In& in, double base) {
  const ReportOptions& o = in.o;
  const AreaSet& set = in.set;
  const MeasureCode code = o.code;
  const int count = set.count();
  const int seeds = in.seeds();
  const bool costData = o.costData;
  out += strprintf(o.longReports ? "\n  %s\n%s  %s in %.1f seconds%s.\n\n  Representation summary by area sequence\n\n"
                                   "  Choices                        Taxon richness\n"
                                 : "\n  PRIORITY-AREAS ANALYSIS: %s\n%s  %s in %.1f seconds%s.\n\n"
                                   "  Representation summary by area sequence\n\n"
                                   "  Choices                        Taxon richness\n",
                   in.ctx.title.c_str(), seedLine(in).c_str(), in.ctx.dataLine.c_str(), in.f.seconds,
                   rejectionNote(in).c_str());
  out += costData ? "  step  area                     abs  inc  cum  inc %  cum %  cost\n\n"
                  : "  step  area                     abs  inc  cum  inc %  cum %\n\n";
  const std::vector<AreaSums> sums = areaSums(in.x, set.cells, set.cells.size());
  int cum = 0;
  double runningCost = 0.0;
  for (int i = 1; i <= count; ++i) {
    const int n = set.cells[static_cast<std::size_t>(i - 1)];
    const AreaSums& a = sums[static_cast<std::size_t>(i - 1)];
    cum += a.inc;
    const std::string name = in.ctx.name(n);
    if (costData && i > seeds) {
      runningCost += in.cost(n);
      out += strprintf("%6d%6d  %-16s%5d%5d%5d%#7.2f%#7.2f  %-11.0f\n", i, n, name.c_str(), a.abs, a.inc, cum,
                       percentOf(a.inc, base), percentOf(cum, base), runningCost);
    } else {
      out += strprintf("%6d%6d  %-16s%5d%5d%5d%#7.2f%#7.2f\n", i, n, name.c_str(), a.abs, a.inc, cum,
                       percentOf(a.inc, base), percentOf(cum, base));
    }
    if (i == seeds && code > kCodeRareQuartile) out += kDotted;
  }
  if (code != kCodeNearMaximumCoverage) return;
  const int goal = o.goal;
  const ReportFacts& f = in.f;
  const std::string c = o.byCost ? strprintf(", cost %.0f", f.fullCost) : std::string();
  if (seeds > 0) {
    if (goal > 1)
      out += strprintf("\n  (near-minimum set for %d reps would be %d+%d=%d areas%s)\n", goal, seeds, f.fullSize,
                       seeds + f.fullSize, c.c_str());
    else
      out += strprintf("\n  (near-minimum set for 1 rep would be %d+%d=%d areas%s)\n", seeds, f.fullSize,
                       seeds + f.fullSize, c.c_str());
  } else if (goal > 1) {
    out += strprintf("\n  (near-minimum set for %d reps would be %d areas%s)\n", goal, f.fullSize, c.c_str());
  } else {
    out += strprintf("\n  (near-minimum set for 1 rep would be %d areas%s)\n", f.fullSize, c.c_str());
  }
}

// Which flexibility sections a near-minimum or coverage set with goal 1,
// re-ordered by richness or rarity, carries.
struct Flexibility {
  bool essential = false;     // goal-essential taxa marked in the taxa by area
  bool alternatives = false;  // fully flexible alternatives looked for
  std::vector<int> held;      // per non-seed area, the taxa its alternatives hold
};

Flexibility flexibility(const ReportOptions& o) {
  const MeasureCode code = o.code;
  const bool flexible = o.flexibilityMap && reorderedByRichnessOrRarity(o) && o.goal == 1;
  Flexibility fx;
  fx.essential = flexible && code == kCodeNearMinimum;
  fx.alternatives = flexible && (code == kCodeNearMinimum || code == kCodeNearMaximumCoverage);
  return fx;
}

int soleAreaOf(const In& in, int t) {
  const auto& sole = in.o.soleArea;
  return t >= 0 && t < static_cast<int>(sole.size()) ? sole[static_cast<std::size_t>(t)] : 0;
}

// The fully flexible alternatives of each non-seed area, by the taxa whose
// sole area it is.
void findAlternatives(const In& in, Report& rep, Flexibility& fx) {
  const SelectionIndex& x = in.x;
  const AreaSet& set = in.set;
  const int count = set.count();
  const int seeds = in.seeds();
  std::vector<std::vector<int>> soleTaxa(static_cast<std::size_t>(x.cells) + 1);
  for (int t = 0; t < x.ix.taxa; ++t) {
    const int a = soleAreaOf(in, t);
    if (x.valid(a)) soleTaxa[static_cast<std::size_t>(a)].push_back(t);
  }
  for (int p = seeds + 1; p <= count; ++p) {
    int m = 0;
    rep.alternatives.push_back(fullyFlexibleAlternatives(in, soleTaxa, set.cells[static_cast<std::size_t>(p - 1)], m));
    fx.held.push_back(m);
  }
}

// The taxa of each area in set order, with the alternatives of the areas
// that hold goal-essential taxa.
void writeTaxaByArea(std::string& out, const In& in, const Report& rep, const Flexibility& fx) {
  const SelectionIndex& x = in.x;
  const AreaSet& set = in.set;
  const int count = set.count();
  const int seeds = in.seeds();
  const bool costData = in.o.costData;
  const bool quantitative = in.a.quantitative;
  const bool essential = fx.essential;
  out += "\n\n\n  Representation of taxa by area sequence\n\n";
  out += essential ? "  data class   taxon name   -- range size (goal-essential taxa only)\n\n"
                   : "  data class   taxon name\n\n";
  for (int i = 1; i <= count; ++i) {
    const int n = set.cells[static_cast<std::size_t>(i - 1)];
    bool first = true;
    if (x.valid(n) && n <= in.records.units) {
      const auto taxa = in.records.taxaIn(n);
      int k = 0;
      for (int t : taxa) {
        const int level = in.records.hasAmounts() ? static_cast<int>(in.records.amountsIn(n)[k++]) : 1;
        if (level == 0 || t >= x.ix.taxa) continue;
        if (first) {
          first = false;
          const std::string name = in.ctx.name(n);
          out += costData ? strprintf("\n  step %d area %d (cost %-.0f):  %s\n", i, n, in.cost(n), name.c_str())
                          : strprintf("\n  step %d area %d:  %s\n", i, n, name.c_str());
        }
        const std::string taxon = displayName(in.taxonName(t));
        const bool mark = essential && soleAreaOf(in, t) == n;
        if (quantitative) {
          out += mark ? strprintf("%5.2f * %-30s -- %d\n", level * 0.01, taxon.c_str(), x.range(t))
                      : strprintf("%5.2f   %-30s\n", level * 0.01, taxon.c_str());
        } else {
          const char digit = static_cast<char>('0' + level);
          out += mark ? strprintf("   %c * %-30s -- %d\n", digit, taxon.c_str(), x.range(t))
                      : strprintf("   %c   %-30s\n", digit, taxon.c_str());
        }
      }
    }
    if (!essential || i <= seeds) continue;
    const std::vector<int>& alt = rep.alternatives[static_cast<std::size_t>(i - seeds - 1)];
    if (alt.empty()) continue;
    const int m = fx.held[static_cast<std::size_t>(i - seeds - 1)];
    out += m == 1 ? std::string("   alternative fully flexible areas (1 taxon):\n")
                  : strprintf("   alternative fully flexible areas (%d taxa):\n", m);
    for (int c : alt) {
      const std::string name = in.ctx.name(c);
      out += costData ? strprintf(" %5d %-.2f %-30s\n", c, in.cost(c), name.c_str())
                      : strprintf(" %5d     %-30s\n", c, name.c_str());
    }
  }
}

// The selected areas with their alternatives (long reports) and the number
// of alternative sets they make.
void writeAlternatives(std::string& out, const In& in, Report& rep) {
  const AreaSet& set = in.set;
  const int count = set.count();
  const int seeds = in.seeds();
  if (in.o.longReports) {
    out += "\n\n   Selected area numbers and fully flexible alternatives:\n\n";
    for (int p = seeds + 1; p <= count; ++p) {
      out += strprintf(" %d", set.cells[static_cast<std::size_t>(p - 1)]);
      for (int c : rep.alternatives[static_cast<std::size_t>(p - seeds - 1)]) out += strprintf(" %d", c);
      out += "\n";
    }
  }
  for (const auto& alt : rep.alternatives) rep.alternativeSets *= static_cast<double>(alt.size()) + 1.0;
  out += rep.alternativeSets <= 1.0e8
             ? strprintf("\n   Total number of alternative flexible sets found: %.0f\n", rep.alternativeSets)
             : strprintf("\n   Total number of alternative flexible sets found: %.2E\n", rep.alternativeSets);
}

// Each counted taxon in taxonomic order: its records and representations,
// and for quantities its highest and combined probability within the set.
void writeTaxonTable(std::string& out, const In& in, const std::vector<int>& reps) {
  const SelectionIndex& x = in.x;
  const bool quantitative = in.a.quantitative;
  out += quantitative ? "\n\n\n  Representation by taxon (in taxonomic order)\n\n"
                        "  Taxon                                                Within-set probability\n"
                        "    no.  name                            recs. reps.   max    combined\n\n"
                      : "\n\n\n  Representation by taxon (in taxonomic order)\n\n  Taxon\n"
                        "    no.  name                            recs. reps.\n\n";
  // Per taxon, its highest level in the set and the chance it is absent
  // from every area, over the areas in set order.
  std::vector<int> highest;
  std::vector<double> absent;
  if (quantitative) {
    highest.assign(static_cast<std::size_t>(x.ix.taxa), 0);
    absent.assign(static_cast<std::size_t>(x.ix.taxa), 1.0);
    for (int a : in.set.cells) {
      if (!x.valid(a) || a > in.records.units) continue;
      int k = 0;
      for (int t : in.records.taxaIn(a)) {
        const int level = in.records.hasAmounts() ? static_cast<int>(in.records.amountsIn(a)[k++]) : 1;
        if (t >= x.ix.taxa || level == 0) continue;
        highest[static_cast<std::size_t>(t)] = std::max(highest[static_cast<std::size_t>(t)], level);
        absent[static_cast<std::size_t>(t)] *= (100 - level) * 0.01;
      }
    }
  }
  int number = 0;
  for (int t = 0; t < x.ix.taxa; ++t) {
    if (!x.counts(t)) continue;
    const std::string taxon = displayName(in.taxonName(t));
    const int r = reps[static_cast<std::size_t>(t)];
    if (!quantitative) {
      out += strprintf("%6d   %-30s%6d%6d\n", ++number, taxon.c_str(), x.range(t), r);
      continue;
    }
    out += strprintf("%6d   %-30s%6d%6d %7.2f%7.2f\n", ++number, taxon.c_str(), x.range(t), r,
                     highest[static_cast<std::size_t>(t)] * 0.01, 1.0 - absent[static_cast<std::size_t>(t)]);
  }
}

}  // namespace

ReportOptions reportOptions(const Settings& st, MeasureCode code, bool costData) {
  ReportOptions o;
  o.code = code;
  o.longReports = st.longReports != Flag::kOff;
  o.byCost = st.optimiseByCost != Flag::kOff;
  o.costData = costData;
  o.flexibilityMap = st.flexibilityMap != Flag::kOff;
  o.twoTailed = st.twoTailed != Tails::kSingle;
  o.baseOnPresent = st.baseOnPresent != Flag::kOff;
  o.rejecting =
      (code == kCodeGreedy && st.greedyRejectRedundant != Flag::kOff) ||
      ((code == kCodeNearMinimum || code == kCodeNearMaximumCoverage) && st.rejectRedundant != Flag::kOff);
  o.reordering = st.reordering;
  o.goal = st.nearMinimumGoal;
  o.hotspotKind = st.hotspotKind;
  return o;
}

std::string analysisTitle(const Settings& st, MeasureCode code, const AreaSet& set, const ReportFacts& f) {
  if (!f.title.empty()) return f.title;
  const RarityFormula formula = st.rarityFormula;
  const char* costWord = st.optimiseByCost != Flag::kOff ? "cost" : "area";
  const char* perCost = st.optimiseByCost != Flag::kOff ? "/cost" : "";
  switch (code) {
    case kCodeHotspots: {
      const HotspotKind kind = st.hotspotKind;
      const int added = set.count() - std::clamp(set.seedCount, 0, set.count());
      if (kind == HotspotKind::kRarity)
        return strprintf("Top %d hotspots by %s %s", added, formulaWord(formula), "range-size rarity");
      return strprintf("Top %d hotspots by %s %s", added, kindWord(static_cast<int>(kind)), "");
    }
    case kCodeGreedy: {
      // The run takes a goal below 1 as 1; the title names the goal it used.
      const int goal = std::max(1, static_cast<int>(st.greedyGoal));
      if (st.greedyByRarity != GreedyBy::kRichness)
        return strprintf("Greedy %s%s%s-area set for %d representation%s", formulaWord(formula), " ", "rarity", goal,
                         plural(goal));
      return strprintf("Greedy %s%s%s-area set for %d representation%s", "", "", "richness", goal, plural(goal));
    }
    case kCodeNearMinimum: {
      const int goal = st.nearMinimumGoal;
      switch (st.reordering) {
        case Reordering::kUnset: return strprintf("Near-minimum-%s set", costWord);
        case Reordering::kByRichness:
          return strprintf("Near-minimum-%s set re-ordered by %s%s%s%s", costWord, "richness", perCost, "", "");
        case Reordering::kByRarity:
          return strprintf("Near-minimum-%s set re-ordered by %s%s%s%s", costWord, formulaWord(formula), " ", "rarity",
                           perCost);
        case Reordering::kByThreat:
          return strprintf("Near-minimum-%s set re-ordered by %s%s%s%s", costWord, "", "", "threat", perCost);
        default: return strprintf("Near-minimum-%s set for %d representation%s", costWord, goal, plural(goal));
      }
    }
    case kCodeNearMaximumCoverage: return "Near-maximum-coverage set";
    case kCodeRandomSets: {
      const int areas = f.random ? f.random->areas : 0;
      const int candidates = f.random ? f.random->candidates : 0;
      const double percent = candidates > 0 ? areas * 100.0 / candidates : 0.0;
      if (st.hotspotKind == HotspotKind::kRichness)
        return strprintf("Random %3.1f%% areas (%d simulations) by %s %s", percent, 1000, "richness", "");
      return strprintf("Random %3.1f%% areas (%d simulations) by %s %s", percent, 1000, formulaWord(formula),
                       "range-size rarity");
    }
    case kCodeReorderedByRichness: return "Area set re-ordered by richness";
    case kCodeReorderedByThreat: return "Area set re-ordered by threat";
    case kCodeRichness:
    case kCodeRangeSizeRarity:
    case kCodeSubtreeLength:
    case kCodeRootDistance:
    case kCodeRareQuartile:
    case kCodeRangeCentres:
    case kCodeMedianRange:
    case kCodeEmrIrreplaceability: return "Manual area set";
    default: return "Area set";
  }
}

Report representationReport(const AnalysisData& data, const SelectionIndex& x, const AreaSet& set,
                            const ReportContext& context, const ReportOptions& options, const ReportFacts& f) {
  Report rep;
  const MeasureCode code = options.code;
  const bool random = code == kCodeRandomSets && f.random;
  const bool command = code == kCodeRepresentation;
  if (!data.data) return rep;
  if (set.empty() && !random && !command && !f.manualDialogOpen) return rep;
  const In in{data, x, set, context, options, f, options.records ? *options.records : data.occ()};
  const bool longReports = options.longReports;
  std::string& out = rep.text;
  if (!longReports || code == kCodeNearMaximumCoverage) out += context.header;
  if (random) {
    out += randomReport(in);
    return rep;
  }

  const double base = options.baseOnPresent ? data.totals.taxaWithRecords : data.totals.includedTaxa;
  rep.reps = x.presences(set.cells);
  const std::vector<int>& reps = rep.reps;

  if (longReports || !command) {
    writeAreaSummary(out, in, base);
    if (f.manualDialogOpen || code == kCodeReorderedByRichness) {
      out += std::string("\n") + f.summaryClosing + kClosing;
      return rep;
    }
  }
  Flexibility fx = flexibility(options);
  if (fx.alternatives) findAlternatives(in, rep, fx);
  if (longReports) writeTaxaByArea(out, in, rep, fx);
  if (fx.alternatives) writeAlternatives(out, in, rep);
  if (longReports || command) {
    if (command && !longReports) out += strprintf("\n  %d areas selected.", set.count());
    writeTaxonTable(out, in, reps);
  }
  out += kClosing;
  return rep;
}

void storeRepresentation(CardStore& cards, const std::vector<int>& reps) {
  for (std::size_t t = 0; t < reps.size() && static_cast<int>(t) < cards.slots(); ++t)
    cards.setField(static_cast<int>(t), cards.layout->repCount, reps[t]);
}

}  // namespace zn
