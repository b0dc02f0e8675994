#include "shell/reportinputs.h"

#include <algorithm>
#include <cstring>

#include "selection/selectionindex.h"
#include "shell/runinputs.h"
#include "store/datafile.h"
#include "store/text.h"

namespace zn {

namespace {

std::string gridTypeName(const Session& s) {
  const auto& types = s.gridTypes.types;
  const int k = s.gridTypes.current;
  return k >= 0 && k < static_cast<int>(types.size()) ? types[static_cast<std::size_t>(k)].name : std::string();
}

}  // namespace

std::string reportLocationName(const Session& s, int cell) {
  if (cell < 0 || cell >= static_cast<int>(s.ws.cells.size())) return "";
  const auto& name = s.ws.cells[static_cast<std::size_t>(cell)].name;
  return std::string(name.data(), strnlen(name.data(), std::min<std::size_t>(17, name.size())));
}

std::string reportDataLine(const Session& s) {
  const std::string group =
      s.ws.groupCode.empty() ? std::string("all subgroups, ") : strprintf("subgroup %s, ", s.ws.groupCode.c_str());
  return strprintf("(%sdata level %d and above)", group.c_str(), s.settings.excludedLevel + 1);
}

ReportContext reportContext(const Session& s, const ReportFacts& facts) {
  ReportContext c;
  c.header = resultsFileHeader(s);
  c.dataLine = reportDataLine(s);
  c.title = analysisTitle(s, facts);
  c.unitName = [&s](int n) { return reportLocationName(s, n); };
  return c;
}

std::string analysisTitle(const Session& s, const ReportFacts& facts) {
  return analysisTitle(s.settings, s.map.code(), s.areas, facts);
}

std::string resultsFileHeader(const Session& s) {
  return strprintf(" Map grid: %s.\n Database: %s.\n", gridTypeName(s).c_str(), s.ws.datafile.title.c_str()) +
         std::string(79, '=') + "\n\n";
}

ReportOptions reportOptions(const Session& s) {
  ReportOptions o = reportOptions(s.settings, s.map.code(), s.costPresent);
  o.soleArea = soleAreas(s);
  // The sections that print data levels read every record of the set's
  // areas, those at or below the excluded level too.
  if (o.longReports || (o.code == kCodeRepresentation && s.ws.datafile.quantitative))
    o.records = datafileRecordsIn(s.ws, s.areas.cells);
  return o;
}

Report representationReport(const Session& s, const ReportFacts& f) {
  if (!s.ws.datafile.opened) return {};
  return representationReport(s, f, selectionIndex(s));
}

Report representationReport(const Session& s, const ReportFacts& f, const SelectionIndex& x) {
  if (!s.ws.datafile.opened) return {};
  return representationReport(analysisData(s), x, s.areas, reportContext(s, f), reportOptions(s), f);
}

}  // namespace zn
