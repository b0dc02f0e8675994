#include "gis/projectdata.h"

#include "gis/projectgeometry.h"
#include "measures/tree.h"

namespace zn {

AnalysisData analysisData(std::shared_ptr<const Project> project) {
  AnalysisData a;
  // The dataset lives inside the project; the share keeps both alive.
  a.data = std::shared_ptr<const Dataset>(project, &project->data);
  a.geometry = projectGeometry(project);
  const Dataset& d = project->data;
  const auto taxa = static_cast<std::size_t>(d.occurrences.taxa);
  a.inGroup.assign(taxa, 1);
  a.excluded.assign(taxa, 0);
  a.cost.assign(d.units.size() + 1, 0.0);
  for (int n = 1; n <= d.unitCount(); ++n) a.cost[static_cast<std::size_t>(n)] = d.unit(n).cost;
  a.gridUnits = d.occurrences.units;
  a.levels = 0;
  a.quantitative = project->amounts && d.occurrences.hasAmounts();
  a.fixedGrid = false;
  a.totals = countTotals(a);
  // The tree measures' code tree from the taxa's ranks, with its weights.
  takeTaxonTree(a);
  return a;
}

std::optional<ProjectAndData> readProjectInput(const std::filesystem::path& file, std::string& error,
                                               const ReadNote& note) {
  auto read = readProject(file, error, note);
  if (!read) return std::nullopt;
  ProjectAndData in;
  in.project = std::make_shared<const Project>(std::move(*read));
  in.data = analysisData(in.project);
  return in;
}

}  // namespace zn
