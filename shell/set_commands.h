// The area-set commands that need no dialog, as far as computation and
// report go: their refusals and RESULTS text are returned for the caller to
// show and append. The desktop shell and the zonarium
// tool both run them.
#pragma once

#include "selection/nearminimum.h"
#include "selection/report.h"
#include "store/session.h"

namespace zn {

// "Re-order set by richness": code 29, the passes, scores present, the
// report titled "Area set re-ordered by richness". `lastSeconds` is the time
// the last analysis stored, which the report shows.
AnalysisOutcome reorderSetByRichness(Session& s, float lastSeconds);
// The same with the report's facts given (a set made elsewhere names itself
// in the title and closes the summary with its own lines).
AnalysisOutcome reorderSetByRichness(Session& s, const ReportFacts& facts);

// "Re-order set by threat": code 46, by decreasing threat; refused without a
// set or without threat values.
AnalysisOutcome reorderSetByThreat(Session& s, bool threatPresent, float lastSeconds);

// "Representation RESULTS": code 32 and the report, or the refusal.
AnalysisOutcome representationResults(Session& s, float lastSeconds);

// "Convert selected areas": code 37; each area of the set becomes a
// presence (score 1.0, count 1, scored), everything else is cleared. False
// without a datafile or a set (the caller says "No areas have been selected
// yet." under the command's caption).
bool convertSelectedAreas(Session& s);

// "No areas have been selected yet." under the caption.
Notice noAreasNotice(const char* caption);

}  // namespace zn
