// Overlay statistics of a foreground/background score pair: the check that
// an overlay can be shown, the union and shared counts, Spearman's rank
// correlation with its t test, the coincidence of two presence overlays and
// the randomisation test of the foreground total under the background cells.
// Pure: the commands gather the cells and show or append the texts.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/overlaystate.h"
#include "store/random.h"
#include "store/workspace.h"

namespace zn {

inline constexpr const char* kOverlayCaption = "Overlay scores";

// One cell of the pair, as the cell table and the background table hold it
// (a zero-score marker may be present on either side).
struct OverlayCell {
  double fore = 0.0;
  double back = 0.0;
};

// Cells 1 ... the grid's last: foreground score and background score.
std::vector<OverlayCell> overlayCells(const Workspace& ws);

// A marker (kZeroScore) counts as an empty cell.
double overlayValue(double score);

struct OverlayCounts {
  int unionCount = 0;   // foreground > 0 or background > 0
  int sharedCount = 0;  // both > 0
};
OverlayCounts overlayCounts(const std::vector<OverlayCell>& cells);

struct OverlayCheckFacts {
  bool palette256 = true;
  bool presenceLoaded = false;  // either presence overlay
  bool threeAxisLoaded = false;
  int unionCount = 0;
  int sharedCount = 0;
};
// The message that stops the overlay, or nothing when it may go ahead.
std::optional<std::string> overlayCheckFailure(const OverlayCheckFacts& f);

// Overlay method: 0 every cell with a score, 1 only the shared ones.
enum OverlayMethod : int { kOverlayOr = 0, kOverlayAnd = 1 };

// The cells the statistics use for the method: a marker makes a cell
// scored (it is a score of 0 that is present), and then reads as 0.
std::vector<OverlayCell> scoredOverlayCells(const std::vector<OverlayCell>& cells, int method);

// Average ranks 1 ... n of the values (ties share their mean rank) and the
// tie correction sum of (t^3 - t) / 12 over the runs of t equal values.
struct Ranking {
  std::vector<double> ranks;
  double tieCorrection = 0.0;
};
Ranking averageRanks(const std::vector<double>& values);

// The significance text of Student's t with df degrees of freedom, from the
// one-tailed table rows 1 ... 30, 40, 60, 120 and infinity (df >= 1).
std::string tSignificance(double t, int df);
// The table row that serves df: critical values for alpha 0.05 ... 0.0005.
std::array<double, 4> tCriticalValues(int df);

struct SpearmanResult {
  int n = 0;
  double rho = 0.0;
  bool tested = false;  // false: the short message (no t test)
  int df = 0;
  double t = 0.0;
  std::string message;  // "Spearman rank correlation coefficient (G/B)..."
  std::string title;    // "overlay correlation rho= ..."
};
// x = foreground, y = background of the scored cells.
SpearmanResult spearman(const std::vector<OverlayCell>& scored);

// Two-axis plot: the class 0 ... 9 of every value on one axis, by equal
// intervals between the smallest and largest value, or with equalFrequency
// by equal numbers of cells (tied values share the class of the first).
std::vector<int> axisClasses(const std::vector<double>& values, bool equalFrequency);
// The same for any number of classes.
std::vector<int> classLevels(const std::vector<double>& values, int levels, bool equalFrequency);

// Per scored cell the palette index 40 + 10 i + j of its foreground class i
// and background class j, and the cells per colour for the legend.
struct TwoAxisPlot {
  std::vector<int> paletteIndex;
  std::array<std::array<int, 10>, 10> counts{};  // [i][j]
};
TwoAxisPlot twoAxisPlot(const std::vector<OverlayCell>& scored, bool equalFrequency);

// Three-axis map: per cell (index 0 unused, as in the buffer) whether it is
// scored, its level 0 ... L - 1 on green, blue and red, and its palette index
// (red L + green) L + blue. Each colour shows the buffer column the axis
// settings give it and is scaled between its own smallest and largest value
// over the scored cells. A cell is scored when all three values are non-zero,
// or with anyScore when one is.
struct ThreeAxisLevels {
  std::vector<bool> scored;
  std::vector<std::array<int, 3>> level;  // green, blue, red
  std::vector<int> paletteIndex;
};
ThreeAxisLevels threeAxisLevels(const ThreeAxisBuffer& b, int levels, bool anyScore, bool equalFrequency);

// Presence overlays: first = foreground > 0, second = background > 0.
struct Coincidence {
  int firstOnly = 0;
  int both = 0;
  int secondOnly = 0;
};
Coincidence coincidence(const std::vector<OverlayCell>& cells);
std::string coincidenceReport(const Coincidence& c, const std::string& firstTitle, const std::string& secondTitle);

// Randomisation test.
inline constexpr int kRandomDraws = 1000;

struct RandomisationInput {
  std::vector<double> pool;   // foreground values of the cells with either score
  std::vector<bool> sampled;  // same order: background non-zero (the observed sample)
};
// Builds the pool from the cells; a foreground marker counts as the offset,
// every other foreground value has the offset added.
RandomisationInput randomisationInput(const std::vector<OverlayCell>& cells, double offset);

// The sorted totals of kRandomDraws draws of S distinct pool members, S the
// sampled count; progress is called once per 50 draws. Nothing when there is
// no sample or the generator cannot reach every pool member.
std::optional<std::vector<double>> randomDraws(const RandomisationInput& in, Random& rng,
                                               const std::function<void()>& progress);

struct RandomisationTitles {
  std::string backTitle, backDataTitle;
  std::string foreTitle, foreDataTitle;
};
std::string randomisationReport(const RandomisationInput& in, const std::vector<double>& sortedTotals,
                                const RandomisationTitles& titles, long elapsedSeconds);

}  // namespace zn
