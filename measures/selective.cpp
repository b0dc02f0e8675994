#include "measures/selective.h"

#include <algorithm>
#include <cctype>
#include <numeric>

#include "measures/scores.h"
#include "store/text.h"

namespace zn {

std::string selectivePlotResource(bool grouped, bool smallScreen) {
  return std::string(grouped ? "RICHDLGBOX1" : "RICHDLGBOX2") + (smallScreen ? "VGA" : "");
}

SelectivePlotModel openSelectivePlot(const Settings& st, const Workspace& ws, bool smallScreen) {
  SelectivePlotModel m;
  m.grouped = st.listDialogVariant != Flag::kOff;
  m.rangeSizes = st.listDialogOption != Flag::kOff;
  m.resource = selectivePlotResource(m.grouped, smallScreen);
  for (int t = 0; t < std::min(ws.taxaCount, ws.cards.slots()); ++t) {
    if (!ws.passesGroup(t)) continue;
    const std::string name = ws.cards.name(t);
    m.lines.push_back(m.rangeSizes ? strprintf("%s- %d", name.c_str(), ws.cards.recordCount(t)) : name);
    m.lineTaxon.push_back(t);
  }
  if (!m.grouped) {
    // The sorted list box orders without regard to case.
    std::vector<std::size_t> order(m.lines.size());
    std::iota(order.begin(), order.end(), 0);
    auto lower = [](const std::string& a) { return toLower(a); };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return lower(m.lines[a]) < lower(m.lines[b]); });
    SelectivePlotModel sorted = m;
    for (std::size_t i = 0; i < order.size(); ++i) {
      sorted.lines[i] = m.lines[order[i]];
      sorted.lineTaxon[i] = m.lineTaxon[order[i]];
    }
    m = std::move(sorted);
  }
  return m;
}

int markSelectedTaxa(Workspace& ws, MapRecord& map, const SelectivePlotModel& m, std::optional<Notice>& refusal) {
  clearPlotMarks(ws);
  if (static_cast<int>(m.selected.size()) > kMaxPlotSelection) {
    refusal = Notice{"Too many items selected.", "Plot taxa", Icon::None};
    map.showBase(kCodeNone);
    return 0;
  }
  if (m.selected.empty()) {
    refusal = Notice{"No items selected.", "Plot taxa", Icon::None};
    map.showBase(kCodeNone);
    return 0;
  }
  // Each line marks the taxon it was made from, so that a name that begins
  // another taxon's name, or two taxa of one name, mark the right taxa.
  for (int line : m.selected) {
    if (line < 0 || line >= static_cast<int>(m.lineTaxon.size())) continue;
    const int t = m.lineTaxon[static_cast<std::size_t>(line)];
    setPlotMark(ws, t, true);
    map.currentTaxon = t;
  }
  return markedTaxa(ws);
}

}  // namespace zn
