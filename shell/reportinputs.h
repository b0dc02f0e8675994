// What a representation report reads of the session: the header, data line,
// title and location names of its RESULTS text, and the options that shape
// its sections. The report itself sees only the data, the set and these.
#pragma once

#include <string>

#include "selection/report.h"
#include "store/session.h"

namespace zn {

// The options of the session's map and settings, with the cards' sole areas.
ReportOptions reportOptions(const Session& s);

// The report for the analysis named by the map's measure code.
Report representationReport(const Session& s, const ReportFacts& facts);
// The same with the presence index the analysis already holds, built from
// the same session data and settings; saves building it again.
Report representationReport(const Session& s, const ReportFacts& facts, const SelectionIndex& index);

// Pieces shared with the analyses' own RESULTS lines.
std::string resultsFileHeader(const Session& s);  // " Map grid: ..." and the rule
std::string analysisTitle(const Session& s, const ReportFacts& facts);
std::string reportLocationName(const Session& s, int cell);  // at most 17 characters
// "(all subgroups, data level 1 and above)": which data a report counted.
std::string reportDataLine(const Session& s);
// The header, data line, analysis title and location names of the session.
ReportContext reportContext(const Session& s, const ReportFacts& facts = {});

}  // namespace zn
