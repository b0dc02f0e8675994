// The measures on the session's map: the score frame of the analyses that
// write the map record themselves, the passes over the scores on screen,
// the computation of a measure code put on the map, and the titles as the
// session stands. The kernels beneath read only what they are given.
#pragma once

#include <string>
#include <vector>

#include "measures/dispatch.h"
#include "measures/titles.h"
#include "store/session.h"

namespace zn {

// The map's code. The settings keep no copy: the options file takes the
// code of the map on screen when it is written.
void setMeasureCode(Session& s, MeasureCode code);
// clearScores and the measure frame on the session's map; finishing takes
// the options' excluded level and marks the scores present.
void clearScores(Session& s);
void beginMeasure(Session& s);
void finishMeasure(Session& s, double scaleLimit);

// Opens no datafile itself: true when one is open and the stored code is `code`.
bool measureApplies(const Session& s, MeasureCode code);

// True when the pass applies to the map now on screen.
bool meanPassApplies(const Session& s);
bool smoothPassApplies(const Session& s);

// One pass each; a pass that does not apply changes nothing, pass count included.
void meanPass(Session& s);
void smoothPass(Session& s);

// The smoothing pass on the three-axis buffer; the map score follows its
// first column. Nothing without a three-axis buffer.
void smoothThreeAxis(Session& s);

// Code 38 on the map (residualScores), its shift kept as the score offset.
void computeResiduals(Session& s);

// The parameters from the session's settings, with the cards' plot marks.
MeasureParams measureParams(const Session& s);

// Stores the code and puts its computation on the session's map (residuals
// included), telling the user what a refusing measure says. False when the
// code is not one the measures compute (the scores are then left alone).
bool computeMeasure(Session& s, MeasureCode code);

// A selective measure, when it is the stored code, for the plot that
// computes it on the way (the goal-essential taxa).
void computeSelective(Session& s, MeasureCode code);

// The titles read from the session.
TitleSource titleSource(const Session& s);
TitleOutcome titleMap(const Session& s, MapRecord& map, std::vector<GridCell>& cells, const TitleContext& ctx = {});
std::string measureTitle(const Session& s, const MapRecord& m);

}  // namespace zn
