// Operations on the scores already on the map: the mean pass (score per
// counted taxon), the neighbourhood smoothing pass (median or mean over 9 or
// 25 cells) and residuals of richness from twice-smoothed richness.
#pragma once

#include <vector>

#include "store/analysisdata.h"
#include "store/session.h"

namespace zn {

// True when the pass applies to the map now on screen.
bool meanPassApplies(const Session& s);
bool smoothPassApplies(const Session& s);

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

// One pass each; a pass that does not apply changes nothing, pass count included.
void meanPass(Session& s);
void smoothPass(Session& s);

// The smoothing pass on the three-axis map: each column of the buffer in
// turn, every cell's new value written back at once in cell order (so later
// cells read their earlier neighbours smoothed); the map score follows the
// first column. Nothing without a three-axis buffer.
void smoothThreeAxis(Session& s);

// Code 38: richness, two smoothing passes, then the residuals shifted to be
// positive (the shift is kept as the score offset).
void computeResiduals(Session& s);

// Smoothed value of one cell from its own value x and its neighbours'
// values (markers already read as 0): the median or mean kind.
double smoothedValue(double x, const double* neighbours, int k, bool byMean);

}  // namespace zn
