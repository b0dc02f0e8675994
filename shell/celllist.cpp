#include "shell/celllist.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numeric>

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "measures/selective.h"
#include "selection/cellinfo.h"
#include "selection/flexibility.h"
#include "shell/dispatch.h"
#include "shell/mapmeasures.h"
#include "shell/runinputs.h"
#include "store/measuretraits.h"
#include "store/text.h"

namespace zn {

namespace {

bool listingCode(MeasureCode code) {
  return code == kCodeNearMinimum || code == kCodeNearMaximumCoverage || code == kCodeRangeCentres ||
         code == kCodeFlexibilityPlot || code == kCodeFullyFlexible;
}

bool rangeSizesRefused(MeasureCode code) {
  return code == kCodeNearMinimum || code == kCodeFlexibilityPlot || code == kCodeRangeCentres;
}

bool validCell(const Session& s, int cell) {
  return cell >= 1 && cell <= s.ws.geo.cells && cell < static_cast<int>(s.ws.cells.size());
}

int taxaInStore(const Workspace& ws) { return std::min(ws.taxaCount, ws.cards.slots()); }

bool presentIn(const Session& s, int taxon, int cell) {
  return s.ws.cards.level(taxon, cell) > s.settings.excludedLevel;
}

// 1 for each taxon present in some area of the set.
std::vector<char> representedInSet(const Session& s) {
  const int taxa = taxaInStore(s.ws);
  std::vector<char> rep(static_cast<std::size_t>(taxa), 0);
  for (int a : s.areas.cells) {
    if (!validCell(s, a)) continue;
    for (int t = 0; t < taxa; ++t)
      if (!rep[static_cast<std::size_t>(t)] && presentIn(s, t, a)) rep[static_cast<std::size_t>(t)] = 1;
  }
  return rep;
}

// Marks the taxa, makes the last one current and computes code 22 for
// them; returns how many were marked.
int plotMarked(Session& s, const std::vector<int>& taxa) {
  clearPlotMarks(s.ws);
  for (int t : taxa) {
    setPlotMark(s.ws, t, true);
    s.map.currentTaxon = t;
  }
  const int marked = markedTaxa(s.ws);
  setMeasureCode(s, marked > 0 ? kCodeSelectiveRichness : kCodeNone);
  if (marked > 0) computeMeasure(s, kCodeSelectiveRichness);
  return marked;
}

}  // namespace

std::string cellListResource(bool grouped, bool smallScreen) {
  return std::string(grouped ? "BIOTADLGBOX1" : "BIOTADLGBOX2") + (smallScreen ? "VGA" : "");
}

std::string degreesText(double degrees) {
  const double a = std::fabs(degrees);
  const int whole = static_cast<int>(a);
  const int minutes = static_cast<int>((a - whole) * 60.0);
  std::string out = strprintf("%d'", whole);
  if (minutes != 0) {
    std::string m = strprintf("%2d", minutes);
    if (m[0] == ' ') m[0] = '0';
    out += m;
  }
  return out;
}

std::string cellCoordinates(const CrsBox& c) {
  const std::string lat = c.south >= 0.0 ? degreesText(c.south) + "-" + degreesText(c.north) + "N"
                                         : degreesText(c.north) + "-" + degreesText(c.south) + "S";
  const std::string lon = c.west >= 0.0 ? degreesText(c.west) + "-" + degreesText(c.east) + "E"
                                        : degreesText(c.east) + "-" + degreesText(c.west) + "W";
  return strprintf("%s    %s", lat.c_str(), lon.c_str());
}

void sortCellListLines(CellListModel& m) {
  // The sorted list box orders without regard to case.
  std::vector<std::size_t> order(m.lines.size());
  std::iota(order.begin(), order.end(), 0);
  std::vector<std::string> keys;
  for (const auto& l : m.lines) keys.push_back(toLower(l));
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  std::vector<std::string> lines;
  std::vector<int> lineTaxon;
  for (std::size_t i : order) {
    lines.push_back(m.lines[i]);
    lineTaxon.push_back(m.lineTaxon[i]);
  }
  m.lines = std::move(lines);
  m.lineTaxon = std::move(lineTaxon);
}

CellListModel openCellList(const Session& s, int cell, bool smallScreen) {
  CellListModel m;
  m.cell = cell;
  const MeasureCode code = s.map.code();
  m.grouped = s.settings.listDialogVariant != Flag::kOff;
  m.rangeSizesLocked = rangeSizesRefused(code);
  m.rangeSizes = s.settings.listDialogOption != Flag::kOff && !m.rangeSizesLocked;
  m.resource = cellListResource(m.grouped, smallScreen);

  const std::vector<std::string> info = cellInformationLines(s, cell);
  m.cellLine = info.empty() ? std::string() : info[0];
  for (std::size_t i = 1; i < info.size() && i <= m.infoLines.size(); ++i) m.infoLines[i - 1] = info[i];
  const bool coordinates = s.ws.datafile.subdir.rfind("equal", 0) == 0 && (code == kCodeNone || code == kCodeRichness);
  const auto extent = validCell(s, cell) ? unitGeometry(s)->extent(cell) : std::nullopt;
  if (coordinates && extent) m.coordinates = cellCoordinates(*extent);
  else if (info.size() > 4) m.coordinates = info[4];  // a fourth analysis line takes the coordinates field
  if (!validCell(s, cell)) return m;

  const Workspace& ws = s.ws;
  const CardStore& cards = ws.cards;
  const int taxa = taxaInStore(ws);
  const bool multiPlot = (code == kCodeSelectiveRichness || code == kCodeSelectiveRarity) && markedTaxa(ws) > 1;
  const bool setEmpty = s.areas.empty();
  const std::vector<char> rep = setEmpty ? std::vector<char>(static_cast<std::size_t>(taxa), 0) : representedInSet(s);
  const bool marks = listingCode(code);
  const bool flexibility = code != kCodeRangeCentres;
  for (int t = 0; t < taxa; ++t) {
    if (!ws.passesGroup(t) || !presentIn(s, t, cell)) continue;
    if (multiPlot && !plotMarked(ws, t)) continue;
    const std::string name = cards.name(t);
    const int range = cards.recordCount(t);
    const bool represented = rep[static_cast<std::size_t>(t)] != 0;
    const int sole = cards.field(t, cards.layout->soleArea);
    std::string line;
    if (marks && sole == cell) {
      // This cell is the taxon's only representing area (or its range centre).
      line = represented ? strprintf("(%s)==%d", name.c_str(), range) : strprintf("%s==%d", name.c_str(), range);
    } else if (marks && flexibility && represented && sole > 0) {
      // Held by one other area only: this cell could stand in for it.
      line = strprintf("(%s)--%d", name.c_str(), range);
    } else if (represented) {
      line = "(" + name + ")";
    } else if (m.rangeSizes) {
      line = strprintf("%s- %d", name.c_str(), range);
    } else {
      line = name;
    }
    (represented ? m.representedCount : m.presentCount) += 1;
    m.lines.push_back(line);
    m.lineTaxon.push_back(t);
  }
  if (!m.grouped) sortCellListLines(m);
  const int included = ws.counters.includedTaxa;
  m.counts = setEmpty ? strprintf("%d/%d taxa", m.presentCount, included)
                      : strprintf("%d(%d)/%d taxa", m.presentCount, m.presentCount + m.representedCount, included);
  return m;
}

int plotSelectedCellTaxa(Session& s, Host& host, const CellListModel& m) {
  if (static_cast<int>(m.selected.size()) > kMaxPlotSelection) {
    host.messageBox("Too many items selected.", "Plot taxa", Icon::None, Buttons::Ok);
    return 0;
  }
  std::vector<int> taxa;
  for (int line : m.selected)
    if (line >= 0 && line < static_cast<int>(m.lineTaxon.size()))
      taxa.push_back(m.lineTaxon[static_cast<std::size_t>(line)]);
  if (taxa.empty()) {
    host.messageBox("No items selected.", "Plot taxa", Icon::None, Buttons::Ok);
    return 0;
  }
  return plotMarked(s, taxa);
}

int plotAllCellTaxa(Session& s, int cell) {
  std::vector<int> taxa;
  if (validCell(s, cell)) {
    const std::vector<char> rep = representedInSet(s);
    for (int t = 0; t < taxaInStore(s.ws); ++t)
      if (s.ws.passesGroup(t) && presentIn(s, t, cell) && !rep[static_cast<std::size_t>(t)]) taxa.push_back(t);
  }
  return plotMarked(s, taxa);
}

std::string paddedLocationName(const std::string& typed) {
  std::string name = typed.substr(0, std::min<std::size_t>(typed.size(), kLocationNameLength));
  // A NUL typed into the box would end the name early in the file.
  std::replace(name.begin(), name.end(), '\0', ' ');
  name.resize(kLocationNameLength, ' ');
  return name;
}

CellNameModel openCellName(const Session& s, int cell) {
  CellNameModel m;
  m.cell = cell;
  m.prompt = strprintf("Edit name for area %d:", cell);
  m.name = locationName(s.ws, cell);
  return m;
}

bool storeCellName(Session& s, Host& host, int cell, const std::string& typed) {
  if (!validCell(s, cell)) return false;
  const std::string name = paddedLocationName(typed);
  auto& field = s.ws.cells[static_cast<std::size_t>(cell)].name;
  field.fill('\0');
  std::copy(name.begin(), name.end(), field.begin());

  // Seventeen bytes are written in place: the other records of the file
  // are never rewritten, so nothing else can be lost. A file that is not
  // there is not created (the grid type creates it when it is loaded).
  const std::filesystem::path file = s.dataDir / "ZONARIUM.LOC";
  const std::streamoff offset = static_cast<std::streamoff>(kLocationRecordSize) * (cell - 1);
  std::error_code ec;
  const bool isFile = std::filesystem::is_regular_file(file, ec);
  const auto size = isFile ? std::filesystem::file_size(file, ec) : 0;
  // A file without write permission is left alone even where the process
  // could write it anyway (as the superuser can).
  using std::filesystem::perms;
  const perms mode = isFile ? std::filesystem::status(file, ec).permissions() : perms::none;
  const bool writable = (mode & (perms::owner_write | perms::group_write | perms::others_write)) != perms::none;
  bool written = false;
  if (isFile && !ec && writable && static_cast<std::uintmax_t>(offset) + kLocationNameLength <= size) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    if (f) {
      f.seekp(offset);
      f.write(name.data(), kLocationNameLength);
      f.flush();
      written = static_cast<bool>(f);
    }
  }
  if (!written)
    host.messageBox(
        strprintf("Can't write the name to\n%s\nThe name changes for this run only.", file.string().c_str()),
        "Gridcell name", Icon::Exclamation, Buttons::Ok);
  return written;
}

void editCellName(Session& s, Host& host, int cell) {
  CellNameModel m = openCellName(s, cell);
  if (host.runDialog("LOCNMDLGBOX", m)) storeCellName(s, host, cell, m.name);
}

CellListOutcome runCellListOnce(Session& s, Host& host, int cell, bool smallScreen) {
  CellListModel m = openCellList(s, cell, smallScreen);
  const bool grouped = m.grouped, rangeSizes = m.rangeSizes;
  m.editCellName = [&s, &host, &m, cell] {
    editCellName(s, host, cell);
    m.cellLine = strprintf("Area %d: %s", cell, locationName(s.ws, cell).c_str());
  };
  host.runDialog(m.resource, m);
  CellListOutcome out;
  switch (m.action) {
    case CellListModel::Action::ToggleRangeSizes:
      if (m.rangeSizesLocked) break;
      s.settings.listDialogOption = flagOf(m.rangeSizes);
      out.showAgain = m.rangeSizes != rangeSizes;
      break;
    case CellListModel::Action::ToggleGrouped:
      s.settings.listDialogVariant = flagOf(m.grouped);
      out.showAgain = m.grouped != grouped;
      break;
    case CellListModel::Action::PlotSelected: out.plotted = plotSelectedCellTaxa(s, host, m) > 0; break;
    case CellListModel::Action::PlotAll:
      plotAllCellTaxa(s, cell);
      out.plotted = true;
      break;
    case CellListModel::Action::Close: break;
  }
  return out;
}

void showCellList(Shell& shell, int cell) {
  Session& s = shell.session;
  if (!s.ws.datafile.opened || !validCell(s, cell)) return;
  bool plotted = false;
  for (;;) {
    CellListOutcome o = runCellListOnce(s, shell.host, cell, shell.flags.smallScreen);
    plotted = plotted || o.plotted;
    if (!o.showAgain) break;
  }
  if (plotted) shell.retitle();
  else shell.host.requestRedraw();
}

namespace {

bool reorderedByRichnessOrRarity(const Session& s) {
  return s.settings.reordering == Reordering::kByRichness || s.settings.reordering == Reordering::kByRarity;
}

int soleTaxaOf(const Session& s, int cell) {
  const std::vector<int> sole = soleAreas(s);
  return static_cast<int>(std::count(sole.begin(), sole.end(), cell));
}

bool hasScore(const GridCell& c) { return c.scored != 0 || c.score != 0.0; }

void costLine(const Session& s, const GridCell& c, std::vector<std::string>& lines) {
  if (s.costPresent) lines.push_back(strprintf("area cost %-11.2f", c.cost));
}

void choiceLines(const Session& s, int cell, const GridCell& c, std::vector<std::string>& lines) {
  // The analyses number their areas in the count field.
  if (c.count > 0 && areaPosition(s.areas, cell) > 0) lines.push_back(strprintf("choice %d by", c.count));
  else lines.push_back("area not chosen by");
  lines.push_back(s.map.title);
}

void fullyFlexibleLines(const Session& s, int cell, const GridCell& c, std::vector<std::string>& lines) {
  if (!hasScore(c)) {
    lines.push_back("unselected area");
    return;
  }
  const int cells = std::min(s.ws.geo.cells, static_cast<int>(s.ws.cells.size()) - 2);
  int sharing = 0;
  for (int n = 1; n <= cells; ++n) sharing += s.ws.cells[static_cast<std::size_t>(n)].score == c.score;
  // Areas that no cell can replace keep count 2 and share the top score.
  lines.push_back(c.count == 2 || sharing <= 1 ? std::string("no fully flexible areas")
                                               : strprintf("1 of %d fully flexible areas", sharing));
  if (const int p = areaPosition(s.areas, cell); p > 0) {
    lines.push_back(strprintf("selected area %d", p));
  } else {
    for (int q = 1; q <= s.areas.count(); ++q) {
      const int a = s.areas.cells[static_cast<std::size_t>(q - 1)];
      if (a < 1 || a > cells || s.ws.cells[static_cast<std::size_t>(a)].score != c.score) continue;
      lines.push_back(strprintf("for selected area %d:", q));
      lines.push_back(locationName(s.ws, a));
      break;
    }
  }
  costLine(s, c, lines);
}

void nearMinimumLines(const Session& s, int cell, const GridCell& c, std::vector<std::string>& lines) {
  const int position = areaPosition(s.areas, cell);
  if (s.settings.nearMinimumGoal > 1) {
    if (position > 0) lines.push_back(strprintf("selected area %d", position));
    lines.push_back("(flexibility not assessed)");
    costLine(s, c, lines);
    return;
  }
  if (s.settings.flexibilityMap == Flag::kOff) {
    choiceLines(s, cell, c, lines);
    return;
  }
  if (position > 0) lines.push_back(strprintf("selected area %d", position));
  if (c.score == 4.0 || c.score == 3.0) {
    lines.push_back(c.score == 4.0 ? "goal-irreplaceable area" : "goal-flexible area");
    lines.push_back("within set");
    if (reorderedByRichnessOrRarity(s)) lines.push_back(strprintf("(%d goal-essential taxa)--range", c.count));
  } else if (c.score == 2.0 || c.score == 1.0) {
    lines.push_back(c.score == 2.0 ? "goal-flexible area (tie)" : "goal-flexible area");
    lines.push_back("outside set");
  } else if (!hasScore(c)) {
    lines.push_back(s.settings.flexibilityPartial != Flag::kOff ? "no scores" : "unselected area");
  }
}

}  // namespace

std::vector<std::string> cellInformationLines(const Session& s, int cell) {
  std::vector<std::string> lines{strprintf("Area %d: %s", cell, locationName(s.ws, cell).c_str())};
  if (cell < 1 || cell > s.ws.geo.cells || cell >= static_cast<int>(s.ws.cells.size())) return lines;
  const GridCell& c = s.ws.cells[static_cast<std::size_t>(cell)];
  switch (s.map.traits().reading) {
    case MapReading::HotspotScores:
    case MapReading::ChoiceOrder: choiceLines(s, cell, c, lines); break;
    case MapReading::CoverageSet:
      if (allAreasMappedFullyFlexible(s.settings))
        fullyFlexibleLines(s, cell, c, lines);
      else nearMinimumLines(s, cell, c, lines);
      break;
    case MapReading::NearMinimumSet: nearMinimumLines(s, cell, c, lines); break;
    case MapReading::FullyFlexible: fullyFlexibleLines(s, cell, c, lines); break;
    case MapReading::FlexibilityPlot: {
      if (const int p = areaPosition(s.areas, cell); p > 0) lines.push_back(strprintf("selected area %d", p));
      const int essential = soleTaxaOf(s, cell);
      if (essential == 0) lines.push_back("unselected area");
      else
        lines.push_back(essential == 1 ? std::string("(1 goal-essential taxon)--range")
                                       : strprintf("(%d goal-essential taxa)--range", essential));
      costLine(s, c, lines);
      break;
    }
    case MapReading::TimesChosen: {
      // The mean is the number of choices a candidate cell got on average.
      long total = 0;
      const int cells = std::min(s.ws.geo.cells, static_cast<int>(s.ws.cells.size()) - 2);
      for (int n = 1; n <= cells; ++n) total += s.ws.cells[static_cast<std::size_t>(n)].count;
      const int mean = s.areas.candidateCells > 0 ? static_cast<int>(total / s.areas.candidateCells) : 0;
      lines.push_back(strprintf("chosen %d times (mean %d)", c.count, mean));
      lines.push_back(s.map.title);
      break;
    }
    case MapReading::LevelAndRange:
      if (c.score > 0.0 && c.score != kZeroScore)
        lines.push_back(strprintf("level %d (range %d)", c.count, static_cast<int>(std::lround(1.0 / c.score))));
      break;
    case MapReading::TaxaAdded:
      if (c.count > 0 && areaPosition(s.areas, cell) > 0)
        lines.push_back(strprintf("choice %d (%d taxa)", c.count, static_cast<int>(std::lround(c.score))));
      else lines.push_back("area not chosen");
      break;
    case MapReading::ShareOfRuns:
      lines.push_back(strprintf("chosen in %d of %d runs (%.1f%%)", c.count, s.map.runs,
                                s.map.runs > 0 ? 100.0 * c.count / s.map.runs : 0.0));
      break;
    case MapReading::ReplacementCost:
      if (c.score == 0.0) lines.push_back("not in the exact minimum set");
      else
        lines.push_back(c.count < 0 ? std::string("irreplaceable") : strprintf("replacement cost %d areas", c.count));
      break;
    default: break;
  }
  return lines;
}

}  // namespace zn
