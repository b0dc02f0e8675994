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

constexpr std::array<Flag Settings::*, 6> kEditorDisplaySlots{&Settings::fillFrameCoast, &Settings::scaleBarShown,
                                                              &Settings::writeTitle,     &Settings::scalableTitle,
                                                              &Settings::fineGridShown,  &Settings::coarseGridShown};

int taxaInStore(const Workspace& ws) { return std::clamp(ws.taxaCount, 0, ws.cards.slots()); }

std::string cutText(const std::string& text, std::size_t max) {
  std::string out = text.substr(0, text.find('\0'));
  if (out.size() > max) out.resize(max);
  return out;
}

void clearMarks(Workspace& ws) {
  for (int t = 0; t < ws.cards.slots(); ++t) ws.cards.setField(t, ws.cards.layout->currentMark, 0);
}

void showCurrent(Session& s) {
  EditorModel& m = s.editor.dialog;
  const Workspace& ws = s.ws;
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

// The runtime generator: state x 214013 + 2531011, value bits 16 … 30.
int drawChoice(Session& s, int k) {
  EditorState& e = s.editor;
  if (!e.randomSeeded) {
    e.randomState = static_cast<std::uint32_t>(s.progress.timeOfDay());
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

// The title typed in 606, at most 30 characters; an untouched field keeps
// the title whole. True when it changed.
bool takeTitle(Session& s) {
  DatafileState& df = s.ws.datafile;
  const std::string& typed = s.editor.dialog.title;
  if (typed == df.title) return false;
  const std::string title = cutText(typed, kNameLength);
  if (title == df.title) return false;
  df.title = title;
  const int at = s.ws.cards.layout->headerSize - 32;
  std::fill(df.header.begin() + at, df.header.begin() + at + 32, 0);
  std::copy(title.begin(), title.end(), df.header.begin() + at);
  s.editor.edited = true;
  return true;
}

// The display settings as they were before the editor took them over (fill
// frame-coast stays off while a zoomed view is shown); the editor's flags go.
void giveBackDisplay(Session& s) {
  EditorState& e = s.editor;
  for (std::size_t i = 0; i < kEditorDisplaySlots.size(); ++i) s.settings.*kEditorDisplaySlots[i] = e.keptDisplay[i];
  if (s.zoomed) {
    s.savedFillFrameCoast = e.keptDisplay[0];
    s.settings.fillFrameCoast = Flag::kOff;
  }
  e.edited = false;
  e.recountNeeded = false;
}

void recountAfterEditing(Session& s) {
  s.subgroupDataPresent = recount(s.ws, s.settings.excludedLevel);
  occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
}

}  // namespace

std::string editableCode(const Workspace& ws, int taxon) {
  std::string code = ws.cards.codeText(taxon);
  while (!code.empty() && code.back() == '0') code.pop_back();
  return code;
}

int editorTopLevel(const Session& s) { return s.grid().presenceLevels(); }

void setCardCode(Workspace& ws, int taxon, const std::string& code) {
  unsigned char* c = ws.cards.code(taxon);
  std::fill(c, c + kCodeLength, '0');
  std::copy_n(code.begin(), std::min<std::size_t>(code.size(), kCodeLength), c);
  c[kCodeLength] = 0;
}

std::string newTaxonName(Session& s, bool copy) {
  const int serial = ++s.editor.serial;
  return strprintf(copy ? "copy taxon %d (#%d)" : "new taxon %d (#%d)", serial, drawChoice(s, 3000));
}

void openEditor(Session& s) {
  Workspace& ws = s.ws;
  EditorState& e = s.editor;
  e.edited = false;
  e.titleAtOpening = ws.datafile.title;
  e.recountNeeded = !ws.groupCode.empty() || s.settings.excludedLevel != 0;
  ws.groupCode.clear();
  s.areas.cells.clear();
  s.areas.seedCount = 0;
  s.areas.nearMinimumDone = false;
  s.settings.excludedLevel = 0;
  // Record counts shown while editing are those without the filters.
  if (e.recountNeeded) recountAfterEditing(s);

  for (std::size_t i = 0; i < kEditorDisplaySlots.size(); ++i) e.keptDisplay[i] = s.settings.*kEditorDisplaySlots[i];
  // Zoomed, the fill setting waits in the zoom's own copy.
  if (s.zoomed) e.keptDisplay[0] = s.savedFillFrameCoast;
  s.settings.writeTitle = Flag::kOn;
  s.settings.scaleBarShown = Flag::kOn;
  s.settings.fillFrameCoast = Flag::kOff;
  s.settings.coarseGridShown = Flag::kOn;
  s.settings.fineGridShown = flagOf(s.coastApplies != CoastOutline::kNone);

  e.dialog = EditorModel{};
  e.dialog.title = ws.datafile.title;
  fillEditor(s);
  selectEditorTaxon(s, 0);
}

void fillEditor(Session& s) {
  EditorModel& m = s.editor.dialog;
  const Workspace& ws = s.ws;
  m.lines.clear();
  for (int t = 0; t < taxaInStore(ws); ++t)
    m.lines.push_back(strprintf("%s- %s", significantCode(ws, t).c_str(), ws.cards.name(t).c_str()));
  showCurrent(s);
}

void selectEditorTaxon(Session& s, int taxon) {
  Workspace& ws = s.ws;
  if (taxon < 0 || taxon >= taxaInStore(ws)) return;
  clearMarks(ws);
  ws.cards.setField(taxon, ws.cards.layout->currentMark, 1);
  s.map.currentTaxon = taxon;
  s.editor.dialog.current = taxon;
  showCurrent(s);
}

bool writeEditorTaxon(Session& s) {
  Workspace& ws = s.ws;
  EditorModel& m = s.editor.dialog;
  const int taxa = taxaInStore(ws);
  if (taxa == 0) return false;
  const int t = std::clamp(m.current, 0, taxa - 1);
  bool changed = false;

  const std::string name = cutText(m.name, kNameLength);
  if (!name.empty() && name != ws.cards.name(t)) {
    for (int u = 0; u < taxa; ++u)
      if (u != t && ws.cards.name(u) == name) {
        s.tell(strprintf("%s already exists", name.c_str()), "Edit name", Icon::None);
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
          s.tell(strprintf("%s already exists", code.c_str()), "Edit code", Icon::None);
          if (changed) s.editor.edited = true;
          fillEditor(s);
          return changed;
        }
      setCardCode(ws, t, code);
      changed = true;
    }
  }
  if (changed) s.editor.edited = true;
  fillEditor(s);
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
    takeTitle(s);
    if (!saveData(s)) return EditorOutcome::Refused;
    if (!reloadDatafile(s)) return EditorOutcome::OpenDatafileInstead;
    e.edited = false;
    e.recountNeeded = true;
    if (storeFull(ws)) {
      fillEditor(s);
      selectEditorTaxon(s, e.dialog.current);
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
  ws.cards.setName(t, newTaxonName(s, copy));
  ++ws.taxaCount;
  e.edited = true;
  fillEditor(s);
  selectEditorTaxon(s, t);
  return EditorOutcome::Done;
}

std::optional<Notice> deleteTaxonQuestion(const Session& s) {
  const Workspace& ws = s.ws;
  const int taxa = taxaInStore(ws);
  if (taxa <= 1) return std::nullopt;
  const int t = std::clamp(s.editor.dialog.current, 0, taxa - 1);
  return Notice{strprintf("confirm to delete taxon:\n'%s'", ws.cards.name(t).c_str()), "Delete taxon", Icon::Question};
}

bool deleteEditorTaxon(Session& s) {
  Workspace& ws = s.ws;
  EditorModel& m = s.editor.dialog;
  const int taxa = taxaInStore(ws);
  if (taxa <= 1) return false;
  const int t = std::clamp(m.current, 0, taxa - 1);
  const auto size = static_cast<std::size_t>(ws.cards.layout->size);
  std::memmove(ws.cards.card(t), ws.cards.card(t + 1), size * static_cast<std::size_t>(taxa - 1 - t));
  std::memset(ws.cards.card(taxa - 1), 0, size);
  ws.taxaCount = taxa - 1;
  s.editor.edited = true;
  fillEditor(s);
  selectEditorTaxon(s, std::min(t, ws.taxaCount - 1));
  return true;
}

void reorderTaxa(Session& s) {
  Workspace& ws = s.ws;
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
  EditorModel& m = s.editor.dialog;
  const auto it = std::find(order.begin(), order.end(), m.current);
  if (it != order.end()) m.current = static_cast<int>(it - order.begin());
  s.editor.edited = true;
  fillEditor(s);
  selectEditorTaxon(s, m.current);
}

bool findEditorTaxon(Session& s, const std::string& text) {
  const Workspace& ws = s.ws;
  const std::string want = toLower(cutText(text, kNameLength));
  for (int t = 0; t < taxaInStore(ws); ++t)
    if (toLower(ws.cards.name(t)).compare(0, want.size(), want) == 0) {
      selectEditorTaxon(s, t);
      return true;
    }
  s.progress.beep();
  return false;
}

bool editorClick(Session& s, int cell, bool left) {
  Workspace& ws = s.ws;
  EditorModel& m = s.editor.dialog;
  const int taxa = taxaInStore(ws);
  if (taxa == 0 || cell < 1 || cell > ws.geo.cells) return false;
  const int t = std::clamp(m.current, 0, taxa - 1);
  const int v = ws.cards.level(t, cell);
  int nv;
  if (left) nv = v >= 0 && v < editorTopLevel(s) ? v + 1 : 0;
  else nv = v > 1 ? v - 1 : 0;
  if (nv == v) return false;
  ws.cards.setLevel(t, cell, nv);
  const int excluded = s.settings.excludedLevel;
  ws.cards.setRecordCount(t, ws.cards.recordCount(t) + (nv > excluded) - (v > excluded));
  const GridCell& c = ws.cells[static_cast<std::size_t>(cell)];
  const std::string where = fieldText(reinterpret_cast<const unsigned char*>(c.name.data()), 17);
  const char* form = v == 0 ? "+(area %d) %s" : nv == 0 ? "-(area %d) %s" : "=(area %d) %s";
  m.clickText = strprintf(form, cell, where.c_str());
  s.editor.edited = true;
  showCurrent(s);
  return true;
}

bool saveAndContinue(Session& s) {
  EditorState& e = s.editor;
  takeTitle(s);
  if (!e.edited) return true;
  reorderTaxa(s);
  if (!saveData(s)) return false;
  e.edited = false;
  e.recountNeeded = true;
  return true;
}

EditorOutcome closeEditor(Session& s, bool restore) {
  EditorState& e = s.editor;
  clearMarks(s.ws);
  EditorOutcome out = EditorOutcome::Done;
  if (restore) {
    if (e.edited) {
      // Reading the file again recounts; a file that cannot be read leaves
      // the edits in memory and the caller opens another datafile.
      if (reloadDatafile(s)) {
        clearMarks(s.ws);
        occupancyPass(s.ws, s.settings.excludedLevel, s.areas);
      } else {
        out = EditorOutcome::OpenDatafileInstead;
      }
    } else if (e.recountNeeded) {
      recountAfterEditing(s);
    }
  } else {
    takeTitle(s);
    if (e.edited) {
      reorderTaxa(s);
      clearMarks(s.ws);
      saveData(s);
      recountAfterEditing(s);
    } else if (e.recountNeeded) {
      recountAfterEditing(s);
    }
  }
  giveBackDisplay(s);
  return out;
}

bool editorHoldsChanges(const Session& s) {
  const std::string& typed = s.editor.dialog.title;
  const std::string& title = s.ws.datafile.title;
  return s.editor.edited || (typed != title && cutText(typed, kNameLength) != title);
}

void abandonEditor(Session& s) {
  clearMarks(s.ws);
  giveBackDisplay(s);
}

bool saveData(Session& s) {
  Workspace& ws = s.ws;
  if (ws.dataModifiedByPreselection) {
    s.tell("restore data from preselection\nbefore writing data to file", "Save data", Icon::None);
    return false;
  }
  const DatafileState& df = ws.datafile;
  if (df.fullPath.empty()) return false;
  if (!saveDatafile(s, df.fullPath, df.title)) {
    s.tell(strprintf("failed to write datafile:\n%s\n(the file on disk is unchanged)", df.fullPath.c_str()),
           "Save data", Icon::Exclamation);
    return false;
  }
  return true;
}

}  // namespace zn
