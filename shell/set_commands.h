// The area-set commands that need no dialog, as far as computation and
// report go: their refusals and RESULTS text are returned for the caller to
// show and append. The desktop shell and the zonarium tool both run them.
#pragma once

#include "selection/nearminimum.h"
#include "selection/reorder.h"
#include "selection/report.h"
#include "store/session.h"

namespace zn {

// The run on the session's set under `code`: nothing without a datafile,
// else its refusal, or the set in its new order (with the scores of the
// passes that placed it) on the map and its report, whose representation
// counts the cards keep.
AnalysisOutcome applyCurrentSetRun(Session& s, MeasureCode code, CurrentSetFn run, bool threatPresent,
                                   const ReportFacts& facts);

// "Convert selected areas": code 37; each area of the set becomes a
// presence (score 1.0, count 1, scored), everything else is cleared. False
// without a datafile or a set (the caller says "No areas have been selected
// yet." under the command's caption).
bool convertSelectedAreas(Session& s);

// "No areas have been selected yet." under the caption.
Notice noAreasNotice(const char* caption);

}  // namespace zn
