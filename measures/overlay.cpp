#include "measures/overlay.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

#include "measures/scores.h"
#include "store/text.h"
#include "store/workspace.h"

namespace zn {

namespace {

const std::string kRule(68, '=');
constexpr const char* kClosingRule = " _______________________________________________________\n\n\n";

// One-tailed critical values of Student's t for alpha 0.05, 0.025, 0.005,
// 0.0005.
struct TRow {
  int df;  // 0 stands for infinity
  std::array<double, 4> t;
};
constexpr std::array<TRow, 34> kTTable{{
    {1, {6.314, 12.706, 63.657, 636.619}}, {2, {2.920, 4.303, 9.925, 31.599}}, {3, {2.353, 3.182, 5.841, 12.924}},
    {4, {2.132, 2.776, 4.604, 8.610}},     {5, {2.015, 2.571, 4.032, 6.869}},  {6, {1.943, 2.447, 3.707, 5.959}},
    {7, {1.895, 2.365, 3.499, 5.408}},     {8, {1.860, 2.306, 3.355, 5.041}},  {9, {1.833, 2.262, 3.250, 4.781}},
    {10, {1.812, 2.228, 3.169, 4.587}},    {11, {1.796, 2.201, 3.106, 4.437}}, {12, {1.782, 2.179, 3.055, 4.318}},
    {13, {1.771, 2.160, 3.012, 4.221}},    {14, {1.761, 2.145, 2.977, 4.140}}, {15, {1.753, 2.131, 2.947, 4.073}},
    {16, {1.746, 2.120, 2.921, 4.015}},    {17, {1.740, 2.110, 2.898, 3.965}}, {18, {1.734, 2.101, 2.878, 3.922}},
    {19, {1.729, 2.093, 2.861, 3.883}},    {20, {1.725, 2.086, 2.845, 3.850}}, {21, {1.721, 2.080, 2.831, 3.819}},
    {22, {1.717, 2.074, 2.819, 3.792}},    {23, {1.714, 2.069, 2.807, 3.768}}, {24, {1.711, 2.064, 2.797, 3.745}},
    {25, {1.708, 2.060, 2.787, 3.725}},    {26, {1.706, 2.056, 2.779, 3.707}}, {27, {1.703, 2.052, 2.771, 3.690}},
    {28, {1.701, 2.048, 2.763, 3.674}},    {29, {1.699, 2.045, 2.756, 3.659}}, {30, {1.697, 2.042, 2.750, 3.646}},
    {40, {1.684, 2.021, 2.704, 3.551}},    {60, {1.671, 2.000, 2.660, 3.460}}, {120, {1.658, 1.980, 2.617, 3.373}},
    {0, {1.645, 1.960, 2.576, 3.291}},
}};

constexpr std::array<const char*, 5> kSignificance{
    "P>0.05 n.s.",
    "P<0.05 (single tail) P>0.05 (two tail)",
    "P<0.025 (single tail) P<0.05 (two tail)",
    "P<0.005 (single tail) P<0.01 (two tail)",
    "P<0.0005 (single tail) P<0.001 (two tail)",
};

}  // namespace

double overlayValue(double score) { return score == kZeroScore ? 0.0 : score; }

std::vector<OverlayCell> overlayCells(const Workspace& ws) {
  const int last = lastCellNumber(ws);
  std::vector<OverlayCell> out;
  for (int n = 1; n <= last; ++n) out.push_back({ws.cells[static_cast<std::size_t>(n)].score, readBackCell(ws, n).score});
  return out;
}

OverlayCounts overlayCounts(const std::vector<OverlayCell>& cells) {
  OverlayCounts c;
  for (const OverlayCell& k : cells) {
    if (k.fore > 0 || k.back > 0) ++c.unionCount;
    if (k.fore > 0 && k.back > 0) ++c.sharedCount;
  }
  return c;
}

std::optional<std::string> overlayCheckFailure(const OverlayCheckFacts& f) {
  if (!f.palette256 && !f.presenceLoaded) return std::string("Plotting overlays requires 256 colour mode.");
  if (f.threeAxisLoaded) return std::string("3D overlay already loaded.");
  if ((f.unionCount == 0 || f.sharedCount == 0) && !f.presenceLoaded)
    return std::string("Requires two sets of overlapping map scores-\nuse swap scores.");
  return std::nullopt;
}

std::vector<OverlayCell> scoredOverlayCells(const std::vector<OverlayCell>& cells, int method) {
  std::vector<OverlayCell> out;
  for (const OverlayCell& k : cells) {
    const bool scored = method == kOverlayAnd ? (k.fore > 0 && k.back > 0) : (k.fore > 0 || k.back > 0);
    if (scored) out.push_back({overlayValue(k.fore), overlayValue(k.back)});
  }
  return out;
}

Ranking averageRanks(const std::vector<double>& values) {
  const std::size_t n = values.size();
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
  Ranking r;
  r.ranks.assign(n, 0.0);
  for (std::size_t i = 0; i < n;) {
    std::size_t j = i + 1;
    while (j < n && values[order[j]] == values[order[i]]) ++j;
    const double t = static_cast<double>(j - i);
    const double rank = static_cast<double>(i + 1) + (t - 1.0) / 2.0;
    for (std::size_t k = i; k < j; ++k) r.ranks[order[k]] = rank;
    r.tieCorrection += (t * t * t - t) / 12.0;
    i = j;
  }
  return r;
}

std::array<double, 4> tCriticalValues(int df) {
  // The largest tabulated df not above the actual one: a finite df never
  // reaches the infinity row, so 120 serves every df beyond it.
  std::size_t row = 0;
  for (std::size_t i = 0; i < kTTable.size(); ++i) {
    if (kTTable[i].df == 0 || kTTable[i].df > df) break;
    row = i;
  }
  return kTTable[row].t;
}

std::string tSignificance(double t, int df) {
  const std::array<double, 4> critical = tCriticalValues(df);
  int level = 0;
  for (int a = 0; a < 4; ++a)
    if (t >= critical[static_cast<std::size_t>(a)]) level = a + 1;
  return kSignificance[static_cast<std::size_t>(level)];
}

SpearmanResult spearman(const std::vector<OverlayCell>& scored) {
  SpearmanResult r;
  r.n = static_cast<int>(scored.size());
  std::vector<double> x, y;
  x.reserve(scored.size());
  y.reserve(scored.size());
  for (const OverlayCell& c : scored) {
    x.push_back(c.fore);
    y.push_back(c.back);
  }
  const Ranking rx = averageRanks(x), ry = averageRanks(y);
  double d = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) d += (rx.ranks[i] - ry.ranks[i]) * (rx.ranks[i] - ry.ranks[i]);
  const double n = static_cast<double>(r.n);
  const double sx = (n * n * n - n) / 12.0 - rx.tieCorrection;
  const double sy = (n * n * n - n) / 12.0 - ry.tieCorrection;
  // A side without any spread (one cell, or every value tied) has no rank
  // correlation; 0 instead of the 0/0 the formula would give.
  r.rho = (sx > 0 && sy > 0) ? (sx + sy - d) / (2.0 * std::sqrt(sx * sy)) : 0.0;
  if (r.n <= 2 || r.rho == 1.0 || r.rho == -1.0 || r.rho == 0.0) {
    r.message = strprintf("Spearman rank correlation coefficient (G/B)\nrho= %3.1f", r.rho);
  } else {
    r.tested = true;
    r.df = r.n - 2;
    r.t = std::fabs(r.rho * std::sqrt(r.df / (1.0 - r.rho * r.rho)));
    r.message = strprintf("Spearman rank correlation coefficient (G/B)\nrho= %5.3f, t(%d df)= %5.3f\n%s", r.rho, r.df,
                          r.t, tSignificance(r.t, r.df).c_str());
  }
  r.title = strprintf("overlay correlation rho= %4.2f", r.rho);
  return r;
}

namespace {

// Levels 0 ... L - 1 of the values by equal intervals (cut towards zero,
// never below 0) or by equal numbers of values.
std::vector<int> levelsOf(const std::vector<double>& v, int levels, bool equalFrequency) {
  std::vector<int> out(v.size(), 0);
  if (v.empty() || levels < 2) return out;
  if (equalFrequency) {
    std::vector<double> sorted(v);
    std::sort(sorted.begin(), sorted.end());
    const double n = static_cast<double>(sorted.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
      const auto first = std::lower_bound(sorted.begin(), sorted.end(), v[i]) - sorted.begin();
      out[i] = std::min(levels - 1, static_cast<int>(static_cast<double>(first) * levels / n));
    }
    return out;
  }
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  const double range = *hi - *lo;
  if (range <= 0) return out;
  for (std::size_t i = 0; i < v.size(); ++i)
    out[i] = std::clamp(static_cast<int>((v[i] - *lo) * (levels - 1) / range), 0, levels - 1);
  return out;
}

}  // namespace

std::vector<int> axisClasses(const std::vector<double>& values, bool equalFrequency) {
  return levelsOf(values, 10, equalFrequency);
}

std::vector<int> classLevels(const std::vector<double>& values, int levels, bool equalFrequency) {
  return levelsOf(values, std::max(1, levels), equalFrequency);
}

TwoAxisPlot twoAxisPlot(const std::vector<OverlayCell>& scored, bool equalFrequency) {
  std::vector<double> x, y;
  for (const OverlayCell& c : scored) {
    x.push_back(overlayValue(c.fore));
    y.push_back(overlayValue(c.back));
  }
  const std::vector<int> ci = axisClasses(x, equalFrequency), cj = axisClasses(y, equalFrequency);
  TwoAxisPlot plot;
  for (std::size_t k = 0; k < scored.size(); ++k) {
    plot.paletteIndex.push_back(40 + 10 * ci[k] + cj[k]);
    ++plot.counts[static_cast<std::size_t>(ci[k])][static_cast<std::size_t>(cj[k])];
  }
  return plot;
}

ThreeAxisLevels threeAxisLevels(const ThreeAxisBuffer& b, int levels, bool anyScore, bool equalFrequency) {
  const std::size_t cells = b.values.size();
  ThreeAxisLevels out;
  out.scored.assign(cells, false);
  out.level.assign(cells, {0, 0, 0});
  out.paletteIndex.assign(cells, 0);
  std::vector<std::size_t> scored;
  for (std::size_t n = 1; n < cells; ++n) {
    const auto& v = b.values[n];
    const int nonZero = (v[0] != 0) + (v[1] != 0) + (v[2] != 0);
    if (anyScore ? nonZero > 0 : nonZero == 3) {
      out.scored[n] = true;
      scored.push_back(n);
    }
  }
  for (std::size_t colour = 0; colour < 3; ++colour) {
    const int column = std::clamp(b.axisOfColour[colour], 0, 2);
    std::vector<double> values;
    // A shifted minimum (the marker) is present but ranks as 0.
    for (std::size_t n : scored) values.push_back(overlayValue(b.values[n][static_cast<std::size_t>(column)]));
    const std::vector<int> l = levelsOf(values, levels, equalFrequency);
    for (std::size_t k = 0; k < scored.size(); ++k) out.level[scored[k]][colour] = l[k];
  }
  for (std::size_t n : scored) {
    const auto& l = out.level[n];
    out.paletteIndex[n] = (l[2] * levels + l[0]) * levels + l[1];
  }
  return out;
}

Coincidence coincidence(const std::vector<OverlayCell>& cells) {
  Coincidence c;
  for (const OverlayCell& k : cells) {
    const bool a = k.fore > 0, b = k.back > 0;
    if (a && b) ++c.both;
    else if (a) ++c.firstOnly;
    else if (b) ++c.secondOnly;
  }
  return c;
}

std::string coincidenceReport(const Coincidence& c, const std::string& firstTitle, const std::string& secondTitle) {
  std::string out = "\n\n Coincidence of presence/absence overlays.\n" + kRule + "\n\n";
  out +=
      strprintf("  Cells  Overlay\n\n %6d  %s  (alone)\n %6d  %s + %s\n %6d  %s  (alone)\n\n", c.firstOnly,
                firstTitle.c_str(), c.both, firstTitle.c_str(), secondTitle.c_str(), c.secondOnly, secondTitle.c_str());
  return out + kClosingRule;
}

RandomisationInput randomisationInput(const std::vector<OverlayCell>& cells, double offset) {
  RandomisationInput in;
  for (const OverlayCell& k : cells) {
    if (k.fore == 0 && k.back == 0) continue;
    in.pool.push_back(k.fore == kZeroScore ? offset : k.fore + offset);
    in.sampled.push_back(k.back != 0);
  }
  return in;
}

std::optional<std::vector<double>> randomDraws(const RandomisationInput& in, Random& rng,
                                               const std::function<void()>& progress) {
  const int poolSize = static_cast<int>(in.pool.size());
  const int sample = static_cast<int>(std::count(in.sampled.begin(), in.sampled.end(), true));
  // Beyond 32767 members the generator cannot name them all, and a sample of
  // the whole pool or more could never be drawn distinct: refuse rather than
  // loop for ever.
  if (sample < 1 || sample > poolSize || poolSize > Random::kMax || in.sampled.size() != in.pool.size())
    return std::nullopt;
  std::vector<double> totals(kRandomDraws, 0.0);
  std::vector<int> pickedIn(static_cast<std::size_t>(poolSize), -1);  // draw that last took the member
  for (int draw = 0; draw < kRandomDraws; ++draw) {
    double sum = 0.0;
    for (int k = 0; k < sample; ++k) {
      int m = rng.choose(poolSize);
      while (pickedIn[static_cast<std::size_t>(m)] == draw) m = rng.choose(poolSize);
      pickedIn[static_cast<std::size_t>(m)] = draw;
      sum += in.pool[static_cast<std::size_t>(m)];
    }
    totals[static_cast<std::size_t>(draw)] = sum;
    if ((draw + 1) % 50 == 0 && progress) progress();
  }
  std::sort(totals.begin(), totals.end());
  return totals;
}

std::string randomisationReport(const RandomisationInput& in, const std::vector<double>& sorted,
                                const RandomisationTitles& titles, long elapsedSeconds) {
  const int poolSize = static_cast<int>(in.pool.size());
  const int sample = static_cast<int>(std::count(in.sampled.begin(), in.sampled.end(), true));
  const int draws = static_cast<int>(sorted.size());
  if (sample < 1 || draws < 1 || in.sampled.size() != in.pool.size()) return {};
  double observed = 0.0;
  for (std::size_t i = 0; i < in.pool.size(); ++i)
    if (in.sampled[i]) observed += in.pool[i];
  const double s = sample;
  auto at = [&](int rank) { return sorted[static_cast<std::size_t>(std::clamp(rank, 1, draws) - 1)] / s; };

  std::string out = strprintf(
      "\n\n Randomisation test.\n %d simulated random draws (using ANDOR comparison)\n of %d values for: %s, %s\n"
      " from %d values for: %s, %s.\n",
      draws, sample, titles.backTitle.c_str(), titles.backDataTitle.c_str(), poolSize, titles.foreTitle.c_str(),
      titles.foreDataTitle.c_str());
  out += kRule + "\n\n point values from expected distribution\n\n";
  const double median =
      draws % 2 == 0
          ? (sorted[static_cast<std::size_t>(draws / 2 - 1)] + sorted[static_cast<std::size_t>(draws / 2)]) / 2.0 / s
          : sorted[static_cast<std::size_t>(draws / 2)] / s;
  const double mean = std::accumulate(sorted.begin(), sorted.end(), 0.0) / draws / s;
  const double trueMean = std::accumulate(in.pool.begin(), in.pool.end(), 0.0) / poolSize;
  out += strprintf("\n lowest score:   %20d  %7.3f\n", 1, at(1));
  out += strprintf("\n lower 5%% tail:  %20d  %7.3f\n", 50, at(50));
  out += strprintf("\n median value:   %20c  %7.3f\n", ' ', median);
  out += strprintf(" mean value:     %20c  %7.3f\n", ' ', mean);
  out += strprintf(" (true mean:     %20c  %7.3f)\n", ' ', trueMean);
  out += strprintf("\n upper 5%% tail:  %20d  %7.3f\n", 951, at(951));
  out += strprintf("\n highest score:  %20d  %7.3f\n", draws, at(draws));
  out += "\n bracketing scores:\n";
  // Highest draw below the observed total and lowest above it.
  const auto below = std::lower_bound(sorted.begin(), sorted.end(), observed);
  const auto above = std::upper_bound(sorted.begin(), sorted.end(), observed);
  if (below != sorted.begin()) {
    const int rank = static_cast<int>(below - sorted.begin());
    out += strprintf("                 %20d  %7.3f  %7.2f%%\n", rank, at(rank), rank * 100.0 / draws);
  }
  out += strprintf("                                (obs:  %7.3f)\n", observed / s);
  if (above != sorted.end()) {
    const int rank = static_cast<int>(above - sorted.begin()) + 1;
    out += strprintf("                 %20d  %7.3f  %7.2f%%\n", rank, at(rank), rank * 100.0 / draws);
  }
  out +=
      strprintf("\n %d mins %d secs\n", static_cast<int>(elapsedSeconds / 60), static_cast<int>(elapsedSeconds % 60));
  return out + kClosingRule;
}

}  // namespace zn
