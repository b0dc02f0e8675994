// The representation curves of a project, for the tool's curve command and
// the window's chart alike: the same computation as on a datafile, with
// the near-minimum, greedy and richness orders run on the project's units
// and sets that may take every unit.
#pragma once

#include "selection/curves.h"
#include "store/analysisdata.h"
#include "store/session.h"

namespace zn {

// The curves on the project's data with the session's options (goal 1
// only); the session is not changed. The error of the result says why
// nothing was computed.
CurveSet projectCurves(const AnalysisData& d, const Session& s, const CurveParams& p, Feedback& feedback);

}  // namespace zn
