#include "store/editor.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "store/datafile.h"
#include "store/preselection.h"
#include "store/session.h"
#include "store/text.h"

namespace zn {

namespace {

int taxaInStore(const Workspace& ws) { return std::clamp(ws.taxaCount, 0, ws.cards.slots()); }

std::string cutText(const std::string& text, std::size_t max) {
  std::string out = text.substr(0, text.find('\0'));
  if (out.size() > max) out.resize(max);
  return out;
}

void showCurrent(EditorModel& m, const Workspace& ws) {
  const int taxa = taxaInStore(ws);
  if (taxa == 0) {
    m.current = 0;
    m.name.clear();
    m.code.clear();
    m.taxonText = strprintf("Taxon %d / %d (%d records)", 0, 0, 0);
    return;
  }
  m.current = std::clamp(m.current, 0, taxa - 1);
  m.name = ws.cards.name(m.current);
  m.code = editableCode(ws, m.current);
  m.taxonText = strprintf("Taxon %d / %d (%d records)", m.current + 1, taxa, ws.cards.recordCount(m.current));
}

int maxTaxa(const Session& s) { return s.grid().maxTaxa(); }

void tell(Notices& notices, std::string text, std::string caption, Icon icon) {
  notices.push_back({std::move(text), std::move(caption), icon});
}

// The runtime generator: state x 214013 + 2531011, value bits 16 … 30.
int drawChoice(EditorState& e, Progress& progress, int k) {
  if (!e.randomSeeded) {
    e.randomState = static_cast<std::uint32_t>(progress.timeOfDay());
    e.randomSeeded = true;
  }
  const int limit = (32767 / k) * k;
  for (;;) {
    e.randomState = e.randomState * 214013u + 2531011u;
    const int x = static_cast<int>((e.randomState >> 16) & 0x7fff);
    if (x <= limit) return x % k;
  }
}

// Codes compared over their first 31 characters as signed bytes, up to a NUL.
bool codeBefore(const unsigned char* a, const unsigned char* b) {
  for (int i = 0; i < kCodeLength; ++i) {
    const auto x = static_cast<signed char>(a[i]), y = static_cast<signed char>(b[i]);
    if (x != y) return x < y;
    if (x == 0) return false;
  }
  return false;
}

}  // namespace

bool takeEditorTitle(EditorState& e, Workspace& ws) {
  DatafileState& df = ws.datafile;
  const std::string& typed = e.dialog.title;
  if (typed == df.title) return false;
  const std::string title = cutText(typed, kNameLength);
  if (title == df.title) return false;
  df.title = title;
  const int at = ws.cards.layout->headerSize - 32;
  std::fill(df.header.begin() + at, df.header.begin() + at + 32, 0);
  std::copy(title.begin(), title.end(), df.header.begin() + at);
  e.edited = true;
  return true;
}

void clearEditorMarks(Workspace& ws) {
  for (int t = 0; t < ws.cards.slots(); ++t) ws.cards.setField(t, ws.cards.layout->currentMark, 0);
}

std::string editableCode(const Workspace& ws, int taxon) {
  std::string code = ws.cards.codeText(taxon);
  while (!code.empty() && code.back() == '0') code.pop_back();
  return code;
}

int editorTopLevel(const GridSystem& grid) { return grid.presenceLevels(); }

void setCardCode(Workspace& ws, int taxon, const std::string& code) {
  unsigned char* c = ws.cards.code(taxon);
  std::fill(c, c + kCodeLength, '0');
  std::copy_n(code.begin(), std::min<std::size_t>(code.size(), kCodeLength), c);
  c[kCodeLength] = 0;
}

std::string newTaxonName(EditorState& e, Progress& progress, bool copy) {
  const int serial = ++e.serial;
  return strprintf(copy ? "copy taxon %d (#%d)" : "new taxon %d (#%d)", serial, drawChoice(e, progress, 3000));
}

void fillEditor(EditorModel& m, const Workspace& ws) {
  m.lines.clear();
  for (int t = 0; t < taxaInStore(ws); ++t)
    m.lines.push_back(strprintf("%s- %s", significantCode(ws, t).c_str(), ws.cards.name(t).c_str()));
  showCurrent(m, ws);
}

void selectEditorTaxon(const EditorCards& e, int taxon) {
  Workspace& ws = e.ws;
  if (taxon < 0 || taxon >= taxaInStore(ws)) return;
  clearEditorMarks(ws);
  ws.cards.setField(taxon, ws.cards.layout->currentMark, 1);
  e.map.currentTaxon = taxon;
  e.editor.dialog.current = taxon;
  showCurrent(e.editor.dialog, ws);
}

bool writeEditorTaxon(const EditorCards& e) {
  Workspace& ws = e.ws;
  EditorModel& m = e.editor.dialog;
  const int taxa = taxaInStore(ws);
  if (taxa == 0) return false;
  const int t = std::clamp(m.current, 0, taxa - 1);
  bool changed = false;

  const std::string name = cutText(m.name, kNameLength);
  if (!name.empty() && name != ws.cards.name(t)) {
    for (int u = 0; u < taxa; ++u)
      if (u != t && ws.cards.name(u) == name) {
        tell(e.notices, strprintf("%s already exists", name.c_str()), "Edit name", Icon::None);
        return false;
      }
    ws.cards.setName(t, name);
    changed = true;
  }

  const std::string code = cutText(m.code, kNameLength);
  if (!code.empty()) {
    // Compared as stored: padded with '0' to the full length.
    std::string padded = code;
    padded.resize(kCodeLength, '0');
    auto same = [&](int u) { return std::memcmp(ws.cards.code(u), padded.data(), kCodeLength) == 0; };
    if (!same(t)) {
      for (int u = 0; u < taxa; ++u)
        if (u != t && same(u)) {
          tell(e.notices, strprintf("%s already exists", code.c_str()), "Edit code", Icon::None);
          if (changed) e.editor.edited = true;
          fillEditor(m, ws);
          return changed;
        }
      setCardCode(ws, t, code);
      changed = true;
    }
  }
  if (changed) e.editor.edited = true;
  fillEditor(m, ws);
  return changed;
}

namespace {

const char* addCaption(bool copy) { return copy ? "Copy taxon" : "New taxon"; }

bool storeFull(const Workspace& ws) { return ws.taxaCount >= ws.capacity || ws.taxaCount + 1 >= ws.cards.slots(); }

}  // namespace

std::optional<Notice> addTaxonQuestion(const Session& s, bool copy) {
  const Workspace& ws = s.ws;
  if ((copy && taxaInStore(ws) == 0) || ws.taxaCount >= maxTaxa(s) || !storeFull(ws)) return std::nullopt;
  return Notice{"Save modified data\nto create more space?", addCaption(copy), Icon::Question};
}

EditorOutcome addEditorTaxon(Session& s, bool copy) {
  Workspace& ws = s.ws;
  EditorState& e = s.editor;
  if (copy && taxaInStore(ws) == 0) return EditorOutcome::Refused;
  if (ws.taxaCount >= maxTaxa(s)) {
    s.tell(strprintf("The datafile is full:\nit holds at most %d taxa", maxTaxa(s)), addCaption(copy),
           Icon::Information);
    return EditorOutcome::Refused;
  }
  if (storeFull(ws)) {
    takeEditorTitle(e, ws);
    if (!saveData(s, s.notices)) return EditorOutcome::Refused;
    if (!reloadDatafile(s)) return EditorOutcome::OpenDatafileInstead;
    e.edited = false;
    e.recountNeeded = true;
    if (storeFull(ws)) {
      fillEditor(e.dialog, ws);
      selectEditorTaxon(editorCards(s), e.dialog.current);
      return EditorOutcome::Refused;
    }
  }
  const int t = ws.taxaCount;
  const auto size = static_cast<std::size_t>(ws.cards.layout->size);
  if (copy) {
    std::memcpy(ws.cards.card(t), ws.cards.card(std::clamp(e.dialog.current, 0, t - 1)), size);
  } else {
    std::memset(ws.cards.card(t), 0, size);
    if (t > 0) std::memcpy(ws.cards.code(t), ws.cards.code(t - 1), kCodeField);
    else setCardCode(ws, t, "1");
  }
  ws.cards.setExcluded(t, false);
  ws.cards.setName(t, newTaxonName(e, s.progress, copy));
  ++ws.taxaCount;
  e.edited = true;
  fillEditor(e.dialog, ws);
  selectEditorTaxon(editorCards(s), t);
  return EditorOutcome::Done;
}

std::optional<Notice> deleteTaxonQuestion(const Session& s) {
  const Workspace& ws = s.ws;
  const int taxa = taxaInStore(ws);
  if (taxa <= 1) return std::nullopt;
  const int t = std::clamp(s.editor.dialog.current, 0, taxa - 1);
  return Notice{strprintf("confirm to delete taxon:\n'%s'", ws.cards.name(t).c_str()), "Delete taxon", Icon::Question};
}

bool deleteEditorTaxon(const EditorCards& e) {
  Workspace& ws = e.ws;
  EditorModel& m = e.editor.dialog;
  const int taxa = taxaInStore(ws);
  if (taxa <= 1) return false;
  const int t = std::clamp(m.current, 0, taxa - 1);
  const auto size = static_cast<std::size_t>(ws.cards.layout->size);
  std::memmove(ws.cards.card(t), ws.cards.card(t + 1), size * static_cast<std::size_t>(taxa - 1 - t));
  std::memset(ws.cards.card(taxa - 1), 0, size);
  ws.taxaCount = taxa - 1;
  e.editor.edited = true;
  fillEditor(m, ws);
  selectEditorTaxon(e, std::min(t, ws.taxaCount - 1));
  return true;
}

void reorderTaxa(const EditorCards& e) {
  Workspace& ws = e.ws;
  const int taxa = taxaInStore(ws);
  std::vector<int> order(static_cast<std::size_t>(taxa));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return codeBefore(ws.cards.code(a), ws.cards.code(b)); });
  // Cards move by following the cycles of the permutation with one spare
  // card, rather than copying the whole store.
  const auto size = static_cast<std::size_t>(ws.cards.layout->size);
  std::vector<unsigned char> spare(size);
  std::vector<char> placed(order.size(), 0);
  for (int start = 0; start < taxa; ++start) {
    if (placed[static_cast<std::size_t>(start)]) continue;
    std::memcpy(spare.data(), ws.cards.card(start), size);
    int at = start;
    for (;;) {
      placed[static_cast<std::size_t>(at)] = 1;
      const int from = order[static_cast<std::size_t>(at)];
      if (from == start) {
        std::memcpy(ws.cards.card(at), spare.data(), size);
        break;
      }
      std::memcpy(ws.cards.card(at), ws.cards.card(from), size);
      at = from;
    }
  }
  // The current taxon travels with its card.
  EditorModel& m = e.editor.dialog;
  const auto it = std::find(order.begin(), order.end(), m.current);
  if (it != order.end()) m.current = static_cast<int>(it - order.begin());
  e.editor.edited = true;
  fillEditor(m, ws);
  selectEditorTaxon(e, m.current);
}

bool findEditorTaxon(const EditorCards& e, const std::string& text) {
  const Workspace& ws = e.ws;
  const std::string want = toLower(cutText(text, kNameLength));
  for (int t = 0; t < taxaInStore(ws); ++t)
    if (toLower(ws.cards.name(t)).compare(0, want.size(), want) == 0) {
      selectEditorTaxon(e, t);
      return true;
    }
  e.progress.beep();
  return false;
}

bool editorClick(const EditorCards& e, const Settings& settings, const GridSystem& grid, int cell, bool left) {
  Workspace& ws = e.ws;
  EditorModel& m = e.editor.dialog;
  const int taxa = taxaInStore(ws);
  if (taxa == 0 || cell < 1 || cell > ws.geo.cells) return false;
  const int t = std::clamp(m.current, 0, taxa - 1);
  const int v = ws.cards.level(t, cell);
  int nv;
  if (left) nv = v >= 0 && v < editorTopLevel(grid) ? v + 1 : 0;
  else nv = v > 1 ? v - 1 : 0;
  if (nv == v) return false;
  ws.cards.setLevel(t, cell, nv);
  const int excluded = settings.excludedLevel;
  ws.cards.setRecordCount(t, ws.cards.recordCount(t) + (nv > excluded) - (v > excluded));
  const GridCell& c = ws.cells[static_cast<std::size_t>(cell)];
  const std::string where = fieldText(reinterpret_cast<const unsigned char*>(c.name.data()), 17);
  const char* form = v == 0 ? "+(area %d) %s" : nv == 0 ? "-(area %d) %s" : "=(area %d) %s";
  m.clickText = strprintf(form, cell, where.c_str());
  e.editor.edited = true;
  showCurrent(m, ws);
  return true;
}

bool editorHoldsChanges(const Session& s) {
  const std::string& typed = s.editor.dialog.title;
  const std::string& title = s.ws.datafile.title;
  return s.editor.edited || (typed != title && cutText(typed, kNameLength) != title);
}

bool saveData(const Session& s, Notices& notices) {
  const Workspace& ws = s.ws;
  if (ws.dataModifiedByPreselection) {
    tell(notices, "restore data from preselection\nbefore writing data to file", "Save data", Icon::None);
    return false;
  }
  const DatafileState& df = ws.datafile;
  if (df.fullPath.empty()) return false;
  if (!saveDatafile(s, df.fullPath, df.title)) {
    tell(notices, strprintf("failed to write datafile:\n%s\n(the file on disk is unchanged)", df.fullPath.c_str()),
         "Save data", Icon::Exclamation);
    return false;
  }
  return true;
}

}  // namespace zn
