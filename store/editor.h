// The data editor as plain logic: the data title, each taxon's name and
// code, new, copied, deleted and re-ordered taxa, and the records changed by
// clicks on the map; and saving the data. The window shows the model and
// hands the user's actions to these functions; the shell adds the map.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/maprecord.h"
#include "store/notice.h"
#include "store/progress.h"
#include "store/requests.h"
#include "store/settings.h"

namespace zn {

struct Session;
struct Workspace;
class GridSystem;

// The editor's controls.
struct EditorModel : DialogModel {
  std::string title;               // edit 606 "Edit title:"
  std::vector<std::string> lines;  // list 506 "%s- %s": significant code, name
  int current = 0;                 // the current taxon, selected in 506
  std::string name;                // edit 507 "Edit taxon name:"
  std::string code;                // edit 508 "Edit group code:"
  std::string taxonText;           // static 607 "Taxon %d / %d (%d records)"
  std::string clickText;           // static 610, what the last map click did
};

struct EditorState {
  EditorModel dialog;
  bool edited = false;
  bool recountNeeded = false;
  int serial = 0;  // numbers new taxa for the whole run, never reset
  std::string titleAtOpening;
  // Fill frame-coast, scale bar, write title, scalable title, fine grid and
  // coarse grid as they were before the editor took them over.
  std::array<Flag, 6> keptDisplay{};
  std::uint32_t randomState = 0;
  bool randomSeeded = false;
  // Set by an open window so that it shows changes made elsewhere.
  std::function<void()> changed;
  void notify() const {
    if (changed) changed();
  }
};

enum class EditorOutcome { Done, Refused, OpenDatafileInstead };

// What the editor's steps on the cards may change: its own state, the cards,
// the map's current taxon (it follows the editor's), and the notices and
// beeps they leave for the user. Settings, area set and datafile stay out.
struct EditorCards {
  EditorState& editor;
  Workspace& ws;
  MapRecord& map;
  Notices& notices;
  Progress& progress;
};

// Top data level of a left click's cycle: 4 on the world grid, 2 on the
// Britain grid.
int editorTopLevel(const GridSystem& grid);

// The model from the cards: list lines, fields and the 607 text.
void fillEditor(EditorModel& m, const Workspace& ws);
// Makes the taxon current (its mark set, every other cleared) and shows it.
void selectEditorTaxon(const EditorCards& e, int taxon);

// "Write": the name and code fields, each refused when another taxon
// already has it. True when the card changed.
bool writeEditorTaxon(const EditorCards& e);
// The question "New" and "Copy" ask first when the store is full (the data
// are then saved and read again to make room); nullopt when none applies.
std::optional<Notice> addTaxonQuestion(const Session& s, bool copy);
// "New" and "Copy": a card appended after the last, saving and reloading
// first when the store is full (the user agreed to addTaxonQuestion).
EditorOutcome addEditorTaxon(Session& s, bool copy);
// The confirmation "Delete" asks; nullopt when the only taxon cannot go.
std::optional<Notice> deleteTaxonQuestion(const Session& s);
// "Delete" once confirmed: removes the current card. True when it went.
bool deleteEditorTaxon(const EditorCards& e);
// "Re-order" (and before each save): the cards sorted by their code.
void reorderTaxa(const EditorCards& e);
// "Find:": the first taxon whose name begins with `text`, any case, becomes
// current; no match beeps.
bool findEditorTaxon(const EditorCards& e, const std::string& text);

// A map click on a cell in map-editing mode: the left button raises the
// current taxon's level in the cycle 0, 1, … top, 0; the right lowers it
// (1 becomes 0, 0 stays). True when the level changed.
bool editorClick(const EditorCards& e, const Settings& settings, const GridSystem& grid, int cell, bool left);

// The title typed in 606 taken into the header, at most 30 characters; an
// untouched field keeps the title whole. True when it changed.
bool takeEditorTitle(EditorState& e, Workspace& ws);
// No card marked current any more.
void clearEditorMarks(Workspace& ws);

// Whether leaving would write anything: edited cards or a typed title that
// differs from the data title.
bool editorHoldsChanges(const Session& s);

// "Save data": the datafile rewritten at its path (refused while the
// preselection has modified the data). False when refused or failed; a
// failed write leaves the file on disk as it was. Nothing in the session
// changes; the refusal or failure is told in `notices`.
bool saveData(const Session& s, Notices& notices);

// "new taxon %d (#%d)" / "copy taxon %d (#%d)": the serial counter, raised
// first, and a random number 0 … 2999.
std::string newTaxonName(EditorState& e, Progress& progress, bool copy);

// Writes the code into a card: up to 31 characters padded with '0' and the
// terminating NUL.
void setCardCode(Workspace& ws, int taxon, const std::string& code);

// The code as the user sees and types it: the padding '0' characters left
// off, so that writing it back gives the same code.
std::string editableCode(const Workspace& ws, int taxon);

}  // namespace zn
