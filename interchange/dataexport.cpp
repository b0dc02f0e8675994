#include "interchange/dataexport.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>

#include "measures/selective.h"
#include "store/files.h"
#include "store/session.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCaption = "Export data";
const std::string kRule(77, '=');

int taxaOf(const Workspace& ws) { return std::clamp(ws.taxaCount, 0, ws.cards.slots()); }
int cellsOf(const Workspace& ws) {
  return std::min({ws.geo.cells, ws.cards.layout->maxCells, static_cast<int>(ws.cells.size()) - 1});
}

std::string cellName(const Workspace& ws, int n) {
  return fieldText(reinterpret_cast<const unsigned char*>(ws.cells[static_cast<std::size_t>(n)].name.data()),
                   kLocationNameLength);
}

// The code with every '0' printed as '.'.
std::string dottedCode(const Workspace& ws, int t) {
  std::string c = ws.cards.codeText(t);
  std::replace(c.begin(), c.end(), '0', '.');
  return c;
}

// A level as one character: its digit; quantities past 9 have no digit and
// show as '+' rather than as whatever character follows '9'.
char levelChar(int v) { return v >= 0 && v <= 9 ? static_cast<char>('0' + v) : '+'; }

std::string summaryHeader(const Workspace& ws) {
  return "\n ZONARIUM version 4.19.25\n\n" + strprintf(" Summary of dataset: %s.\n", ws.datafile.title.c_str()) +
         kRule + "\n";
}

// "%d" without the cost of a formatted print: the matrix holds one number
// per taxon and cell.
void appendNumber(std::string& out, int v) {
  char buf[16];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, static_cast<std::size_t>(end - buf));
}

std::string matrixText(const Workspace& ws) {
  std::string out;
  const int taxa = taxaOf(ws), cells = cellsOf(ws);
  out.reserve(static_cast<std::size_t>(cells) * (2 * static_cast<std::size_t>(taxa) + 1) + 1);
  for (int c = 1; c <= cells; ++c) {
    for (int t = 0; t < taxa; ++t) {
      out += ' ';
      appendNumber(out, ws.cards.level(t, c));
    }
    out += '\n';
  }
  return out + "\n";
}

std::string taxaList(const Workspace& ws, const ExportContext& ctx) {
  std::string out = summaryHeader(ws);
  int withRecords = 0;
  for (int t = 0; t < taxaOf(ws); ++t) {
    const int records = ws.cards.recordCount(t);
    if (ctx.excludedAreas > 0 && records <= 0) continue;
    ++withRecords;
    out += strprintf("%5d.  %-31s %5d (%s)\n", t + 1, ws.cards.name(t).c_str(), records, dottedCode(ws, t).c_str());
  }
  if (ctx.excludedAreas > 0) out += strprintf("\n %d species with records\n", withRecords);
  return out + "\n" + kRule + "\n";
}

std::string areasByTaxa(const Workspace& ws, const ExportContext& ctx) {
  std::string out = summaryHeader(ws);
  for (int t = 0; t < taxaOf(ws); ++t) {
    out += strprintf("%3d.  %-31s (%s)\n", t + 1, ws.cards.name(t).c_str(), dottedCode(ws, t).c_str());
    for (int c = 1; c <= cellsOf(ws); ++c) {
      const int v = ws.cards.level(t, c);
      if (v > ctx.excludedLevel) out += strprintf("%10d  %c %s\n", c, levelChar(v), cellName(ws, c).c_str());
    }
    out += "\n";
  }
  return out + "\n" + kRule + "\n";
}

std::string taxaByAreas(const Workspace& ws, const ExportContext& ctx) {
  std::string out = summaryHeader(ws);
  const int taxa = taxaOf(ws);
  for (int c = 1; c <= cellsOf(ws); ++c) {
    bool any = false;
    for (int t = 0; t < taxa; ++t) {
      const int v = ws.cards.level(t, c);
      if (v <= ctx.excludedLevel) continue;
      if (!any) out += strprintf("\narea %d:  %s\n", c, cellName(ws, c).c_str());
      any = true;
      out += strprintf("   %c %s\n", levelChar(v), ws.cards.name(t).c_str());
    }
  }
  return out + "\n" + kRule + "\n";
}

// Spreadsheets open these lists: a name they would run as a formula is
// written as text.
std::string commaList(const Workspace& ws, const ExportContext& ctx, bool numbers) {
  std::string out;
  for (int t = 0; t < taxaOf(ws); ++t) {
    const auto [lead, rest] = splitTaxonName(ws.cards.name(t));
    for (int c = 1; c <= cellsOf(ws); ++c) {
      if (ws.cards.level(t, c) <= ctx.excludedLevel) continue;
      if (numbers) {
        appendNumber(out, t + 1);
        out += ',';
        appendNumber(out, c);
        out += '\n';
      } else if (ctx.britain) {
        out += strprintf("\"%s\",\"%s\"\n", spreadsheetSafe(ws.cards.name(t)).c_str(),
                         spreadsheetSafe(cellName(ws, c).substr(0, 4)).c_str());
      } else {
        out += strprintf("\"%s\",\"%s\",\"%d\"\n", spreadsheetSafe(lead).c_str(), spreadsheetSafe(rest).c_str(), c);
      }
    }
  }
  return out;
}

// Fields of `width` characters, ten to a line.
void tenPerLine(std::string& out, const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    out += fields[i];
    if (i % 10 == 9 || i + 1 == fields.size()) out += '\n';
  }
}

std::string twinspan(const Workspace& ws, const ExportContext& ctx) {
  std::string out = ws.datafile.title;
  out += strprintf("\n%-69s7", "(I5,5X,7(I4,F3.0))");
  const int taxa = taxaOf(ws);
  std::vector<int> species(static_cast<std::size_t>(taxa), 0);  // number by first meeting, 0 = not met
  std::vector<int> speciesOrder, samples;
  for (int c = 1; c <= cellsOf(ws); ++c) {
    int k = 0;
    for (int t = 0; t < taxa; ++t) {
      if (ws.cards.level(t, c) <= ctx.excludedLevel) continue;
      int& num = species[static_cast<std::size_t>(t)];
      if (num == 0) {
        speciesOrder.push_back(t);
        num = static_cast<int>(speciesOrder.size());
      }
      if (k == 0) samples.push_back(c);
      if (k % 7 == 0) out += strprintf("\n%5d     ", static_cast<int>(samples.size()));
      out += strprintf("%4d  1", num);
      ++k;
    }
  }
  out += "\n    0\n";
  std::vector<std::string> fields;
  for (int t : speciesOrder) fields.push_back(strprintf("%-8.8s", ws.cards.name(t).c_str()));
  tenPerLine(out, fields);
  fields.clear();
  for (int c : samples) fields.push_back(strprintf("%4d%-4.4s", c, cellName(ws, c).c_str()));
  tenPerLine(out, fields);
  return out;
}

}  // namespace

std::string ExportDialogModel::label(int layout) {
  static const char* const labels[] = {"data matrix",
                                       "list taxa",
                                       "list areas by taxa",
                                       "list taxa by areas",
                                       "comma-delimited text list",
                                       "comma-delimited number list",
                                       "TWINSPAN 1.0 format (1997)",
                                       "DMAP format (Britain only)",
                                       "comma-delimited coords"};
  return layout >= 1 && layout <= 9 ? labels[layout - 1] : "";
}

std::pair<std::string, std::string> splitTaxonName(const std::string& name) {
  std::string n = name;
  while (!n.empty() && n.back() == ' ') n.pop_back();
  // A name ending in a two-letter abbreviation after a blank ("lupus Ca.")
  // is shown with the abbreviation first ("Ca. lupus"): split it that way.
  const std::size_t len = n.size();
  if (len >= 5 && n[len - 1] == '.' && n[len - 4] == ' ' && n[len - 3] != ' ' && n[len - 2] != ' ') {
    std::string rest = n.substr(0, len - 4);
    while (!rest.empty() && rest.back() == ' ') rest.pop_back();
    if (!rest.empty()) return {n.substr(len - 3), rest};
  }
  const auto space = n.find(' ');
  // A one-word name has no second part; "sp." stands in, as an empty field
  // could not be read back.
  if (space == std::string::npos) return {n, "sp."};
  std::string rest = n.substr(n.find_first_not_of(' ', space));
  return {n.substr(0, space), rest};
}

std::string namesBinImage(const Workspace& ws) {
  std::string out;
  for (int t = 0; t < taxaOf(ws); ++t) out.append(reinterpret_cast<const char*>(ws.cards.card(t)), 2 * kNameField);
  return out;
}

std::string exportText(const Workspace& ws, int layout, const ExportContext& ctx) {
  switch (layout) {
    case kExportMatrix: return matrixText(ws);
    case kExportTaxa: return taxaList(ws, ctx);
    case kExportAreasByTaxa: return areasByTaxa(ws, ctx);
    case kExportTaxaByAreas: return taxaByAreas(ws, ctx);
    case kExportCommaText: return commaList(ws, ctx, false);
    case kExportCommaNumbers: return commaList(ws, ctx, true);
    case kExportTwinspan: return twinspan(ws, ctx);
    default: return {};
  }
}

DmapFiles dmapExport(const Workspace& ws, const std::vector<int>& taxa, int excludedLevel) {
  DmapFiles f;
  int n = 0;
  for (int t : taxa) {
    if (t < 0 || t >= taxaOf(ws) || n >= kDmapMaxTaxa) continue;
    ++n;
    f.names += strprintf("%d %s\n", n, ws.cards.name(t).c_str());
    f.distribution += strprintf("%d\n", n);
    for (int c = 1; c <= cellsOf(ws); ++c) {
      const int v = ws.cards.level(t, c);
      if (v <= excludedLevel) continue;
      const std::string ref = cellName(ws, c).substr(0, 4);
      f.distribution += v == 1 ? strprintf("%s %c\n", ref.c_str(), levelChar(v)) : strprintf("%s A\n", ref.c_str());
    }
    f.distribution += "-1\n";
  }
  return f;
}

bool exportPossible(const Session& s, int layout) {
  return taxaOf(s.ws) > 0 && layout >= kExportMatrix && layout <= kExportCoords;
}

std::optional<Notice> exportRefusal(const Session& s, int layout) {
  if (layout == kExportCoords)
    return Notice{"export of coordinates\nnot supported by this version", kCaption, Icon::Information};
  if (layout == kExportDmap && !s.grid().readsDmap())
    return Notice{"DMAP format\nonly available for Britain and Europe", kCaption, Icon::Information};
  return std::nullopt;
}

std::vector<int> pickedTaxa(const SelectivePlotModel& m) {
  std::vector<int> taxa;
  for (int line : m.selected)
    if (line >= 0 && line < static_cast<int>(m.lineTaxon.size()))
      taxa.push_back(m.lineTaxon[static_cast<std::size_t>(line)]);
  return taxa;
}

FileRequest exportRequest(const Session& s) {
  FileRequest req;
  req.title = kCaption;
  req.filters = {{"ASCII data (*.txt)", "*.txt"}};
  req.initialDir = s.dataDir.empty() ? s.home : s.dataDir;
  req.mustExist = false;
  return req;
}

bool writeExport(const Session& s, Progress& progress, int layout, const fs::path& path,
                 const std::vector<int>& dmapTaxa) {
  const Workspace& ws = s.ws;
  BusyGuard busy(progress);
  ExportContext ctx;
  ctx.excludedLevel = s.settings.excludedLevel;
  ctx.excludedAreas = static_cast<int>(ws.borrowedAreas.size());
  ctx.britain = s.grid().namesAreasByReference();
  if (layout == kExportDmap) {
    const DmapFiles f = dmapExport(ws, dmapTaxa, ctx.excludedLevel);
    fs::path dis = path, nam = path;
    dis.replace_extension(".dis");
    nam.replace_extension(".nam");
    return saveFileAtomically(nam, f.names) && saveFileAtomically(dis, f.distribution);
  }
  if (layout == kExportMatrix) {
    const fs::path folder = s.dataDir.empty() ? path.parent_path() : s.dataDir;
    if (!saveFileAtomically(folder / "NAMES.BIN", namesBinImage(ws))) return false;
  }
  // A file that cannot be written ends the export without a word.
  return saveFileAtomically(path, exportText(ws, layout, ctx));
}

}  // namespace zn
