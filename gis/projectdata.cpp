#include "gis/projectdata.h"

#include <algorithm>

#include "gis/projectgeometry.h"

namespace zn {

bool hasTaxonRanks(const Dataset& data) {
  return !data.taxa.empty() && std::all_of(data.taxa.begin(), data.taxa.end(), [](const DatasetTaxon& t) {
    return !t.genus.empty() || !t.family.empty() || !t.higherRanks.empty();
  });
}

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
  a.treeData = hasTaxonRanks(d);
  a.totals = countTotals(a);
  return a;
}

}  // namespace zn
