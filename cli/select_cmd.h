// zonarium select: the priority-area analyses and their reports. The same
// analyses run before `zonarium cell --after KIND` lists a cell.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/measure_options.h"
#include "shell/analyses.h"

namespace zn {

// The options of an analysis beyond the measure options: the parameters
// its registry entry takes, and the files.
struct SelectOptions : RequestValues {
  std::string kind;
  std::optional<std::filesystem::path> costs, threats, results, areasOut;
};

// "[--areas-to-add N] ... [--runs R]": the analysis options as the usage lists them.
std::string selectOptionsUsage();

// The KINDs in the order the messages list them.
const std::vector<std::string>& selectKinds();
// 0 for a known kind, else 2 after a message listing the kinds.
int checkSelectKind(CliContext& ctx, const std::string& kind);

// 2 after a message when a parameter is given to a kind whose entry does not
// take it, or --set gives a goal above 1 with a re-ordering; else 0.
int checkSelectRequest(CliContext& ctx, const SelectOptions& o, const MeasureOptions& m);

// 2 after the range's message when --areas-to-add asks for more than
// `capacity` areas (a datafile's set capacity, a project's units); else 0.
int refuseAreasBeyond(CliContext& ctx, const RequestValues& o, int capacity);

// The measure keys and the keys of the analyses' options.
std::vector<SetKey> selectSetKeys();

// Takes the analysis options (the registry's parameters, --costs, --threats,
// --random-seed, --results, --areas-out) out of args; the rest stays in
// order. 0, or 2 after a message for a missing or invalid value.
int takeSelectOptions(CliContext& ctx, std::vector<std::string>& args, SelectOptions& o);

// What an analysis left: the text it writes to RESULTS, and whether its
// result is a map of scores (fully flexible areas, EMR irreplaceability,
// max rarity) rather than a report.
struct SelectRun {
  std::string results;
  bool scoreMap = false;
};

// Runs the analysis o.kind on a session prepared by prepareMeasure, as its
// menu command does, and builds the map title. 0, 1 when the analysis
// could not run on these data, 2 for a request the data refuse (after a
// message each time).
int runSelectAnalysis(CliContext& ctx, Session& s, const SelectOptions& o, SelectRun& run);

// Appends the RESULTS text to --results when given (CR LF lines, as the
// program's RESULTS file has them), else writes it to the output. 0 or 1.
int writeSelectResults(CliContext& ctx, const SelectOptions& o, const std::string& text);

int cmdSelect(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace zn
