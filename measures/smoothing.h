// Operations on the scores already on the map: the mean pass (score per
// counted taxon), the neighbourhood smoothing pass (median or mean over 9 or
// 25 cells) and residuals of richness from twice-smoothed richness.
#pragma once

#include <vector>

#include "measures/richness.h"
#include "measures/scores.h"
#include "store/analysisdata.h"
#include "store/overlaystate.h"
#include "store/settings.h"
#include "store/workspace.h"

namespace zn {

// How a smoothing pass takes its neighbourhood: the first ring of units
// around each (9 on a grid) or both (25), and the mean or the median.
struct SmoothParams {
  bool byMean = false;
  int rings = 1;
};
SmoothParams smoothParams(const Settings& st);

// One smoothing pass over per-unit scores (entry 0 unused; 0 is no score,
// kZeroScore a score of 0): each scored unit takes the median or mean of
// its score and its scored neighbours', read before the pass. Neighbours
// are the fixed grid's rings, else the adjacency's (ring 2: the neighbours'
// neighbours); data with neither leave every score as it is.
std::vector<double> smoothScores(const AnalysisData& a, const std::vector<double>& scores, const SmoothParams& p);

// The mean pass on one unit: its score per counted taxon (a unit counting
// none, or scored kZeroScore, keeps its score).
double meanScore(double score, int count);

// The smoothing pass on the three-axis values of units 1 … cells: each
// column of the buffer in turn, every unit's new value written back at once
// in unit order (so later units read their earlier neighbours smoothed).
void smoothThreeAxisValues(const AnalysisData& place, ThreeAxisBuffer& b, int cells, const SmoothParams& p);

// Residuals of richness (each unit's count) from the smoothed richness its
// score holds, on units 1 … last that count taxa: relative to the smoothed
// value, or absolute. When any is negative all are shifted by the lowest,
// which becomes the zero-score marker.
struct ResidualScale {
  double offset = 0.0;  // the shift (0 or the lowest residual)
  double limit = 0.0;   // the highest residual after the shift
};
ResidualScale takeResiduals(std::vector<GridCell>& cells, int last, bool relative);

// Code 38 on any data with a fixed grid: richness of the input, two
// smoothing passes, then its residuals as takeResiduals shifts them; the
// scale limit is the highest residual.
struct Residuals {
  MeasureResult scores;
  double offset = 0.0;   // the shift the map keeps as its score offset
  int smoothPasses = 0;  // the passes the scores went through
};
Residuals residualScores(const MeasureInput& in, const MeasureParams& p, const SmoothParams& smooth, bool relative);

// Smoothed value of one cell from its own value x and its neighbours'
// values (markers already read as 0): the median or mean kind.
double smoothedValue(double x, const double* neighbours, int k, bool byMean);

}  // namespace zn
