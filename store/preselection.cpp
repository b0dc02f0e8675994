#include "store/preselection.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <unordered_map>

#include "store/datafile.h"
#include "store/files.h"
#include "store/session.h"
#include "store/text.h"

namespace zn {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPreselectionFileMax = std::size_t(64) << 20;

int taxaInStore(const Workspace& ws) { return std::clamp(ws.taxaCount, 0, ws.cards.slots()); }

std::string cellLocation(const Workspace& ws, int cell) {
  if (cell < 0 || cell >= static_cast<int>(ws.cells.size())) return {};
  const auto& name = ws.cells[static_cast<std::size_t>(cell)].name;
  return fieldText(reinterpret_cast<const unsigned char*>(name.data()), 17);
}

bool codeBegins(const Workspace& ws, int taxon, const std::string& prefix) {
  if (prefix.size() > static_cast<std::size_t>(kCodeField)) return false;
  return std::equal(prefix.begin(), prefix.end(), ws.cards.code(taxon),
                    [](char a, unsigned char b) { return static_cast<unsigned char>(a) == b; });
}

// Text up to its first NUL and at most `max` characters.
std::string cutText(const std::string& text, std::size_t max) {
  std::string out = text.substr(0, text.find('\0'));
  if (out.size() > max) out.resize(max);
  return out;
}

std::string countText(int n) { return strprintf("%d already excluded", n); }

fs::path dataFolder(const Session& s) {
  const fs::path full(s.ws.datafile.fullPath);
  if (full.has_parent_path()) return full.parent_path();
  return s.dataDir.empty() ? s.home : s.dataDir;
}

void tell(Notices& notices, std::string text, std::string caption, Icon icon) {
  notices.push_back({std::move(text), std::move(caption), icon});
}

void fillAreaLines(PreselectionDialogModel& m, const Workspace& ws, const AreaSet& listed) {
  m.areaLines.clear();
  int pos = 0;
  for (int cell : listed.cells)
    m.areaLines.push_back(strprintf("%4d:(%d) %s", ++pos, cell, cellLocation(ws, cell).c_str()));
  m.areasExcludedText = countText(listed.count());
}

void selectMatching(PreselectionDialogModel& m, const Workspace& ws, const std::string& code) {
  const int taxa = std::min(taxaInStore(ws), static_cast<int>(m.groupSelected.size()));
  std::fill(m.groupSelected.begin(), m.groupSelected.end(), 0);
  for (int t = 0; t < taxa; ++t) m.groupSelected[static_cast<std::size_t>(t)] = codeBegins(ws, t, code);
}

void refuseGroup(PreselectionDialogModel& m, Progress& progress) {
  m.groupCode.clear();
  std::fill(m.groupSelected.begin(), m.groupSelected.end(), 0);
  progress.beep();
}

std::string_view trimmed(std::string_view v) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; };
  while (!v.empty() && blank(v.front())) v.remove_prefix(1);
  while (!v.empty() && blank(v.back())) v.remove_suffix(1);
  return v;
}

std::vector<std::string_view> tokens(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (i < line.size()) {
    while (i < line.size() && blank(line[i])) ++i;
    std::size_t j = i;
    while (j < line.size() && !blank(line[j])) ++j;
    if (j > i) out.push_back(line.substr(i, j - i));
    i = j;
  }
  return out;
}

std::optional<int> decimal(std::string_view token) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  int v = 0;
  auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
  if (ec != std::errc() || end != token.data() + token.size()) return std::nullopt;
  return v;
}

}  // namespace

void returnBorrowedAreas(PreselectionState& p, Workspace& ws, AreaSet& areas) {
  std::swap(areas.cells, ws.borrowedAreas);
  areas.seedCount = std::clamp(p.keptSeedCount, 0, areas.count());
  p.keptSeedCount = 0;
}

std::string significantCode(const Workspace& ws, int taxon) {
  const unsigned char* c = ws.cards.code(taxon);
  std::string out;
  for (int i = 0; i < kCodeLength && c[i] != '0' && c[i] != 0; ++i) out += static_cast<char>(c[i]);
  return out;
}

bool clearCellInAllCards(Workspace& ws, int cell) {
  if (cell < 1 || cell > ws.geo.cells) return false;
  bool removed = false;
  for (int t = 0; t < taxaInStore(ws); ++t) {
    if (ws.cards.level(t, cell) == 0) continue;
    ws.cards.setLevel(t, cell, 0);
    removed = true;
  }
  return removed;
}

bool excludeTaxon(Workspace& ws, int taxon) {
  bool changed = !ws.cards.excluded(taxon);
  ws.cards.setExcluded(taxon, true);
  for (int n = 1; n <= ws.geo.cells; ++n) {
    if (ws.cards.level(taxon, n) == 0) continue;
    ws.cards.setLevel(taxon, n, 0);
    changed = true;
  }
  return changed;
}

void openPreselectionDialog(PreselectionState& p, Workspace& ws, AreaSet& areas, const Settings& settings,
                            Progress& progress) {
  BusyGuard busy(progress);
  PreselectionDialogModel& m = p.dialog;
  m = PreselectionDialogModel{};
  m.groupCode = ws.groupCode;
  m.levels = std::max(1, ws.datafile.levels);
  m.minimumLevel = std::clamp(settings.excludedLevel + 1, 1, m.levels);
  const int taxa = taxaInStore(ws);
  int excluded = 0;
  for (int t = 0; t < taxa; ++t) {
    const std::string name = ws.cards.name(t);
    m.groupLines.push_back(strprintf("%s- %s", significantCode(ws, t).c_str(), name.c_str()));
    m.groupSelected.push_back(!ws.groupCode.empty() && ws.passesGroup(t));
    const bool gone = ws.cards.excluded(t);
    excluded += gone;
    m.taxonLines.push_back(gone ? "-" : name);
  }
  m.taxaExcludedText = countText(excluded);
  p.keptSeedCount = areas.seedCount;
  std::swap(areas.cells, ws.borrowedAreas);
  areas.seedCount = 0;
  fillAreaLines(m, ws, areas);
}

bool selectGroupLines(PreselectionDialogModel& m, const Workspace& ws, Progress& progress,
                      const std::vector<int>& lines) {
  const int taxa = std::min(taxaInStore(ws), static_cast<int>(m.groupLines.size()));
  int first = -1, last = -1;
  for (int line : lines) {
    if (line < 0 || line >= taxa) continue;
    if (first < 0 || line < first) first = line;
    last = std::max(last, line);
  }
  if (first < 0) {
    refuseGroup(m, progress);
    return false;
  }
  const std::string a = significantCode(ws, first), b = significantCode(ws, last);
  const auto diff = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  std::string prefix(a.begin(), diff.first);
  if (prefix.empty()) {
    refuseGroup(m, progress);
    return false;
  }
  m.groupCode = cutText(prefix, kGroupCodeChars);
  selectMatching(m, ws, m.groupCode);
  return true;
}

bool typeGroupCode(PreselectionDialogModel& m, const Workspace& ws, Progress& progress, const std::string& typed) {
  const std::string code = cutText(typed, kGroupCodeChars);
  const int taxa = taxaInStore(ws);
  bool any = false;
  for (int t = 0; t < taxa && !any; ++t) any = codeBegins(ws, t, code);
  if (!any) {
    refuseGroup(m, progress);
    return false;
  }
  m.groupCode = code;
  selectMatching(m, ws, code);
  return true;
}

bool findGroupTaxon(PreselectionDialogModel& m, const Workspace& ws, Progress& progress, const std::string& text) {
  const std::string want = toLower(cutText(text, kNameLength));
  const int taxa = std::min(taxaInStore(ws), static_cast<int>(m.groupSelected.size()));
  for (int t = 0; t < taxa; ++t) {
    if (toLower(ws.cards.name(t)).compare(0, want.size(), want) != 0) continue;
    std::fill(m.groupSelected.begin(), m.groupSelected.end(), 0);
    m.groupSelected[static_cast<std::size_t>(t)] = 1;
    m.groupCode = significantCode(ws, t);
    return true;
  }
  progress.beep();
  return false;
}

bool addExcludedCell(PreselectionDialogModel& m, std::vector<int>& list, const Workspace& ws, const GridSystem& grid,
                     int cell) {
  if (cell < 1 || cell > ws.geo.cells) return false;
  if (std::find(list.begin(), list.end(), cell) != list.end()) return false;
  if (static_cast<int>(list.size()) >= grid.excludedAreaCapacity()) return false;
  list.push_back(cell);
  m.areaLines.push_back(strprintf("%4d:(%d) %s", static_cast<int>(list.size()), cell, cellLocation(ws, cell).c_str()));
  m.areasExcludedText = countText(static_cast<int>(list.size()));
  return true;
}

void deleteExcludedCells(PreselectionDialogModel& m, std::vector<int>& list, const Workspace& ws, Notices& notices,
                         const std::vector<int>& lines) {
  if (static_cast<int>(lines.size()) > kMaxSelectedLines) {
    tell(notices, "Too many items selected.", "Data preselection", Icon::None);
    return;
  }
  std::vector<char> gone(list.size(), 0);
  for (int line : lines)
    if (line >= 0 && line < static_cast<int>(list.size())) gone[static_cast<std::size_t>(line)] = 1;
  std::vector<int> kept;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (!gone[i]) kept.push_back(list[i]);
  list = std::move(kept);
  m.areaLines.clear();
  int pos = 0;
  for (int cell : list) m.areaLines.push_back(strprintf("%4d: %s", ++pos, cellLocation(ws, cell).c_str()));
  m.areasExcludedText = countText(static_cast<int>(list.size()));
}

void takePreselectionDialog(const PreselectionDialogModel& m, Workspace& ws, Settings& settings,
                            const std::vector<int>& listed, Notices& notices,
                            const std::vector<int>& excludedTaxonLines) {
  ws.groupCode = cutText(m.groupCode, kGroupCodeChars);
  settings.excludedLevel = std::clamp(m.minimumLevel, 1, std::max(1, ws.datafile.levels)) - 1;

  bool removed = false;
  if (static_cast<int>(excludedTaxonLines.size()) > kMaxSelectedLines) {
    tell(notices, "Too many items selected.", "Exclude taxa", Icon::None);
  } else {
    // A line stands for the taxon it was made from, as long as that card
    // still bears the name (another datafile may have come in meanwhile).
    const int taxa = std::min(taxaInStore(ws), static_cast<int>(m.taxonLines.size()));
    for (int line : excludedTaxonLines) {
      if (line < 0 || line >= taxa || ws.cards.excluded(line)) continue;
      if (m.taxonLines[static_cast<std::size_t>(line)] != ws.cards.name(line)) continue;
      removed = excludeTaxon(ws, line) || removed;
    }
  }
  for (int cell : listed) removed = clearCellInAllCards(ws, cell) || removed;
  if (removed) ws.dataModifiedByPreselection = true;
}

PreselectionOutcome finishPreselectionDialog(PreselectionState& p, Workspace& ws, AreaSet& areas,
                                             const GridSystem& grid, PreselectionAction action) {
  returnBorrowedAreas(p, ws, areas);

  if (action == PreselectionAction::ConvertSA) {
    const int cells = ws.geo.cells;
    std::vector<char> chosen(static_cast<std::size_t>(cells) + 1, 0);
    for (int c : areas.cells)
      if (c >= 1 && c <= cells) chosen[static_cast<std::size_t>(c)] = 1;
    std::vector<int> excluded;
    const auto cap = static_cast<std::size_t>(grid.excludedAreaCapacity());
    for (int n = 1; n <= cells && excluded.size() < cap; ++n)
      if (!chosen[static_cast<std::size_t>(n)]) excluded.push_back(n);
    areas = AreaSet{};
    ws.dataModifiedByPreselection = true;
    for (int n : excluded) clearCellInAllCards(ws, n);
    ws.borrowedAreas = std::move(excluded);
  }
  return PreselectionOutcome::Applied;
}

bool restrictToSubgroup(Workspace& ws, Notices& notices) {
  if (ws.groupCode.empty()) return true;
  const int taxa = taxaInStore(ws);
  for (int t = 0; t < taxa; ++t)
    if (ws.passesGroup(t)) return true;
  tell(notices, strprintf("Restrict to subgroup:\nsubgroup %s not found", ws.groupCode.c_str()), "Data preselection",
       Icon::Information);
  ws.groupCode.clear();
  return false;
}

void applyPreselection(Session& s) {
  Workspace& ws = s.ws;
  restrictToSubgroup(ws, s.notices);
  resetCellFlags(ws, s.map);
  const int level = s.settings.excludedLevel;
  s.subgroupDataPresent = recount(ws, level);
  // Judged on the recount of the code just applied, not the one before it.
  if (!s.subgroupDataPresent && !ws.groupCode.empty() && ws.datafile.opened)
    s.tell("Restrict to subgroup:\nsubgroup data absent or incomplete\nin database", "Data preselection",
           Icon::Information);
  occupancyPass(ws, level, s.areas);
}

std::string preselectionFileText(const Workspace& ws, const Settings& settings, const std::vector<int>& excludedAreas) {
  std::string out = "[included group code]\n";
  if (!ws.groupCode.empty()) out += ws.groupCode + "\n";
  const int level = settings.excludedLevel;
  out += level != 0 ? strprintf("[excluded data level]\n%d\n[excluded taxa]\n", level)
                    : std::string("[excluded data level]\n[excluded taxa]\n");
  for (int t = 0; t < taxaInStore(ws); ++t)
    if (ws.cards.excluded(t)) out += ws.cards.name(t) + "\n";
  out += "[excluded areas]\n";
  for (int c : excludedAreas) out += strprintf("%d\n", c);
  out += "[end]\n";
  return out;
}

PreselectionFile parsePreselectionFile(const std::string& text, int cells) {
  enum class Section { Group, Level, Taxa, Areas, Unknown };
  PreselectionFile f;
  Section section = Section::Group;  // whatever the first line says
  bool levelTaken = false;
  std::vector<char> seen(static_cast<std::size_t>(std::max(cells, 0)) + 1, 0);
  std::string_view rest(text);
  bool first = true;
  while (!rest.empty()) {
    const std::size_t eol = rest.find('\n');
    std::string_view line = rest.substr(0, eol);
    rest = eol == std::string_view::npos ? std::string_view{} : rest.substr(eol + 1);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first) {
      first = false;
      continue;
    }
    if (!line.empty() && line.front() == '[') {
      const std::string_view head = trimmed(line);
      if (head == "[end]") break;
      section = head == "[included group code]"   ? Section::Group
                : head == "[excluded data level]" ? Section::Level
                : head == "[excluded taxa]"       ? Section::Taxa
                : head == "[excluded areas]"      ? Section::Areas
                                                  : Section::Unknown;
      continue;
    }
    switch (section) {
      case Section::Group: {
        auto t = tokens(line);
        if (f.hasGroupCode || t.empty()) break;
        f.hasGroupCode = true;
        f.groupCode = cutText(std::string(t.front()), kGroupCodeChars);
        break;
      }
      case Section::Level: {
        auto t = tokens(line);
        if (levelTaken || t.empty()) break;
        levelTaken = true;
        f.excludedLevel = decimal(t.front()).value_or(0);
        break;
      }
      case Section::Taxa: f.taxa.emplace_back(line); break;
      case Section::Areas:
        for (std::string_view t : tokens(line)) {
          if (t.front() == '[') return f;
          auto n = decimal(t);
          if (!n || *n < 1 || *n > cells || seen[static_cast<std::size_t>(*n)]) continue;
          seen[static_cast<std::size_t>(*n)] = 1;
          f.cells.push_back(*n);
        }
        break;
      case Section::Unknown: break;
    }
  }
  return f;
}

void applyPreselectionFile(Workspace& ws, Settings& settings, const GridSystem& grid, const PreselectionFile& file,
                           std::vector<int>& excludedAreas) {
  // A file without a group code leaves the one in force (typed in the dialog).
  if (file.hasGroupCode) ws.groupCode = cutText(file.groupCode, kGroupCodeChars);
  settings.excludedLevel = std::clamp(file.excludedLevel, 0, std::max(1, ws.datafile.levels) - 1);
  // The first card of each name, found once rather than by a scan per line.
  std::unordered_map<std::string, int> firstOfName;
  const int taxa = taxaInStore(ws);
  for (int t = 0; t < taxa; ++t) firstOfName.emplace(ws.cards.name(t), t);
  for (const std::string& name : file.taxa) {
    auto it = firstOfName.find(name);
    if (it != firstOfName.end()) excludeTaxon(ws, it->second);
  }
  const auto cap = static_cast<std::size_t>(grid.excludedAreaCapacity());
  std::vector<char> listed(static_cast<std::size_t>(std::max(ws.geo.cells, 0)) + 1, 0);
  for (int c : excludedAreas)
    if (c >= 1 && c <= ws.geo.cells) listed[static_cast<std::size_t>(c)] = 1;
  for (int c : file.cells) {
    if (c < 1 || c > ws.geo.cells) continue;
    if (!listed[static_cast<std::size_t>(c)]) {
      if (excludedAreas.size() >= cap) continue;
      listed[static_cast<std::size_t>(c)] = 1;
      excludedAreas.push_back(c);
    }
    clearCellInAllCards(ws, c);
  }
  ws.dataModifiedByPreselection = true;
}

FileRequest preselectionRequest(const Session& s, const char* title, bool mustExist) {
  FileRequest req;
  req.title = title;
  req.filters = {{"preselection (*.pre)", "*.pre"}, {"all files (*.*)", "*"}};
  req.initialDir = dataFolder(s);
  req.mustExist = mustExist;
  return req;
}

bool preselectionSavable(const Session& s) { return s.ws.counters.occupiedCells > 0; }

bool savePreselectionFile(Workspace& ws, const Settings& settings, Notices& notices, const fs::path& path,
                          const std::vector<int>& excludedAreas) {
  if (!saveFileAtomically(path, preselectionFileText(ws, settings, excludedAreas))) {
    tell(notices, strprintf("Can't write file\n%s", path.string().c_str()), "Preselection save", Icon::Exclamation);
    return false;
  }
  ws.dataModifiedByPreselection = true;
  return true;
}

bool loadPreselectionFile(Workspace& ws, Settings& settings, const GridSystem& grid, Notices& notices,
                          Progress& progress, const fs::path& path, std::vector<int>& excludedAreas) {
  auto text = readFileBytes(path, kPreselectionFileMax);
  if (!text) {
    tell(notices, strprintf("Can't open file\n%s", path.string().c_str()), "Preselection load", Icon::Exclamation);
    return false;
  }
  BusyGuard busy(progress);
  applyPreselectionFile(ws, settings, grid, parsePreselectionFile(*text, ws.geo.cells), excludedAreas);
  return true;
}

bool reloadDatafile(Session& s) {
  DatafileState& df = s.ws.datafile;
  if (df.fullPath.empty() || !loadDatafile(s)) return false;
  df.opened = true;
  // The cards are as on disk again: not rescaled and not preselected.
  df.rescaled = false;
  s.ws.dataModifiedByPreselection = false;
  s.subgroupDataPresent = recount(s.ws, s.settings.excludedLevel);
  return true;
}

}  // namespace zn
