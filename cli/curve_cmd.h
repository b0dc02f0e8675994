// zonarium curve: the representation curves as CSV or a chart; and the
// select kinds "frequency" and "replacement-cost". The same computations
// as the Area selection menu's commands.
#pragma once

#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/select_cmd.h"
#include "selection/nearminimum.h"

namespace zn {

int cmdCurve(CliContext& ctx, const std::vector<std::string>& args);

// Runs "frequency" or "replacement-cost" on a prepared session, maps the
// scores and leaves the report in a.results. 0, or 1 after a message.
int runQualityKind(CliContext& ctx, Session& s, const SelectOptions& o, AnalysisOutcome& a);

}  // namespace zn
