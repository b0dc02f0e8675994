// The analysis commands on a project (FILE.gpkg): measure, select,
// export-scores and export-gis take the options and registry entries they
// take on a datafile and run the same analyses on the project's units.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/measure_options.h"
#include "cli/select_cmd.h"

namespace zn {

// A project rather than a datafile: named .gpkg, or a GeoPackage by its
// header.
bool namesProject(const std::filesystem::path& file);

// Each returns the exit status after its output or message.
int projectMeasure(CliContext& ctx, const MeasureOptions& opts, const std::vector<SetKey>& keys,
                   const std::filesystem::path& file);
int projectSelect(CliContext& ctx, const MeasureOptions& mopts, const SelectOptions& so,
                  const std::vector<SetKey>& keys, const std::filesystem::path& file);
// unit_id,name,score,count per unit; only the measure options apply.
int projectExportScores(CliContext& ctx, const MeasureOptions& opts, const std::vector<SetKey>& keys,
                        const std::filesystem::path& file, const std::filesystem::path& out,
                        const std::vector<std::string>& flags);
// To a new file, or with `layer` as a layer of the project file itself.
int projectExportGis(CliContext& ctx, const MeasureOptions& mopts, const SelectOptions& so,
                     const std::vector<SetKey>& keys, const std::filesystem::path& file,
                     const std::filesystem::path& out, const std::optional<std::string>& layer);

struct CurveParams;
struct CurveSet;
// The representation curves of a project with the options (and --set), as
// `curve` writes them: the curves, and their RESULTS text; `timeLimit`, else
// the options' exact time limit, for each exact solve.
int projectCurves(CliContext& ctx, const MeasureOptions& mopts, const std::vector<SetKey>& keys,
                  const std::filesystem::path& file, CurveParams params, const std::optional<TimeLimit>& timeLimit,
                  CurveSet& out, std::string& results);

struct ProjectScreen;
// The map `render` draws of a project, as the window shows it: a measure's
// scores, or the set of a selection over richness.
int projectMapScreen(CliContext& ctx, const MeasureOptions& mopts, const SelectOptions& so,
                     const std::vector<SetKey>& keys, const std::filesystem::path& file, ProjectScreen& out);

}  // namespace zn
