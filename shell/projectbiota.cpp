#include "shell/projectbiota.h"

#include <cmath>

#include "shell/dispatch.h"
#include "store/text.h"

namespace zn {

namespace {

constexpr const char* kNotOnProjects = "Plotting taxa and naming cells apply to a datafile's cells";

// The unit's place: a geographic unit's latitude and longitude range as a
// cell's, a projected one's extent in metres and its CRS.
std::string unitPlace(const UnitGeometry& g, int unit) {
  const auto box = g.extent(unit);
  if (!box || !std::isfinite(box->west) || !std::isfinite(box->north)) return {};
  if (g.geographic()) return cellCoordinates(*box);
  return strprintf("x %.0f-%.0f    y %.0f-%.0f    EPSG:%d", box->west, box->east, box->south, box->north, g.epsg());
}

}  // namespace

int unitOfId(const ProjectScreen& p, long long id) {
  if (!p.project) return 0;
  const Dataset& d = p.project->data;
  for (int n = 1; n <= d.unitCount(); ++n)
    if (d.unit(n).id == id) return n;
  return 0;
}

CellListModel openUnitList(const ProjectScreen& p, const Settings& st, int unit, bool smallScreen) {
  CellListModel m;
  m.cell = unit;
  m.grouped = st.listDialogVariant != Flag::kOff;
  m.rangeSizes = st.listDialogOption != Flag::kOff;
  m.resource = cellListResource(m.grouped, smallScreen);
  m.plotting = m.naming = false;
  m.whyNot = kNotOnProjects;
  if (!p.project || unit < 1 || unit > p.data.units()) return m;
  const Dataset& d = *p.data.data;
  const DatasetUnit& u = p.project->data.unit(unit);
  m.cellLine = strprintf("Unit %lld: %s", u.id, u.name.c_str());
  if (p.data.geometry) m.coordinates = unitPlace(*p.data.geometry, unit);
  const auto& cells = p.areas.cells;
  for (std::size_t i = 0; i < cells.size(); ++i)
    if (cells[i] == unit) m.infoLines[0] = strprintf("selected area %d", static_cast<int>(i) + 1);

  // Taxa the set holds somewhere are listed in parentheses.
  const Occurrences& occ = p.data.occ();
  std::vector<char> represented(static_cast<std::size_t>(p.data.taxa()), 0);
  for (int a : cells)
    if (a >= 1 && a <= p.data.units())
      for (int t : occ.taxaIn(a)) represented[static_cast<std::size_t>(t)] = 1;
  const bool amounts = p.project->amounts && occ.hasAmounts() && !occ.unitWords;
  const double* amount = amounts ? occ.amountsIn(unit) : nullptr;
  int included = 0;
  for (int t = 0; t < p.data.taxa(); ++t) included += p.data.counts(t) ? 1 : 0;
  for (int t : occ.taxaIn(unit)) {
    const double a = amount ? *amount++ : 1.0;
    if (!p.data.counts(t)) continue;
    const bool rep = represented[static_cast<std::size_t>(t)] != 0;
    const std::string& name = d.taxa[static_cast<std::size_t>(t)].name;
    std::string line = rep ? "(" + name + ")" : name;
    if (m.rangeSizes && !rep) line += strprintf("- %d", occ.range(t));
    if (amounts) line += strprintf(": %g", a);
    (rep ? m.representedCount : m.presentCount) += 1;
    m.lines.push_back(std::move(line));
    m.lineTaxon.push_back(t);
  }
  if (!m.grouped) sortCellListLines(m);
  m.counts = cells.empty() ? strprintf("%d/%d taxa", m.presentCount, included)
                           : strprintf("%d(%d)/%d taxa", m.presentCount, m.presentCount + m.representedCount, included);
  return m;
}

void projectDoubleClick(Shell& shell, int unit, bool left) {
  if (!shell.project || unit < 1 || unit > shell.project->data.units()) return;
  ProjectScreen& p = *shell.project;
  if (!left) {
    toggleProjectUnit(p, unit);
    shell.refreshMenus();
    shell.host.requestRedraw();
    return;
  }
  // The two display boxes close the list to show it again in their form.
  for (;;) {
    CellListModel m = openUnitList(p, shell.session.settings, unit, shell.flags.smallScreen);
    const bool grouped = m.grouped, rangeSizes = m.rangeSizes;
    shell.host.runDialog(m.resource, m);
    if (m.action == CellListModel::Action::ToggleGrouped && m.grouped != grouped)
      shell.session.settings.listDialogVariant = flagOf(m.grouped);
    else if (m.action == CellListModel::Action::ToggleRangeSizes && m.rangeSizes != rangeSizes)
      shell.session.settings.listDialogOption = flagOf(m.rangeSizes);
    else break;
  }
  shell.host.requestRedraw();
}

}  // namespace zn
