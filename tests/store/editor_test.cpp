#include <gtest/gtest.h>

#include <cstring>

#include "shell/data_editing.h"
#include "store/editor.h"
#include "store/files.h"
#include "tests/support/data_session.h"
#include "tests/support/file_limit.h"

namespace zn {
namespace {

namespace fs = std::filesystem;
using test::fiveTaxa;
using test::padded;

class Editor : public test::DataSession {
 protected:
  fs::path file;
  void openEditing(const std::vector<test::TaxonSpec>& taxa = fiveTaxa()) {
    file = open(taxa);
    openEditor(s);
  }
  EditorModel& m() { return s.editor.dialog; }
  EditorCards cards() { return editorCards(s); }
  bool click(int cell, bool left) { return editorClick(cards(), s.settings, s.grid(), cell, left); }
  int marked() const {
    int n = 0;
    for (int t = 0; t < s.ws.cards.slots(); ++t) n += s.ws.cards.field(t, s.ws.cards.layout->currentMark) != 0;
    return n;
  }
};

TEST_F(Editor, OpeningClearsTheFiltersTakesTheDisplayAndShowsTaxonZero) {
  file = open(fiveTaxa());
  s.ws.groupCode = "1";
  s.settings.excludedLevel = 1;
  s.areas.cells = {3, 4};
  s.areas.seedCount = 1;
  s.settings.writeTitle = Flag::kOff;
  s.settings.scaleBarShown = Flag::kOff;
  s.settings.fillFrameCoast = Flag::kOn;
  s.settings.coarseGridShown = Flag::kOff;
  s.settings.fineGridShown = Flag::kOff;
  openEditor(s);
  EXPECT_TRUE(s.editor.recountNeeded);
  EXPECT_EQ(s.ws.groupCode, "");
  EXPECT_EQ(s.settings.excludedLevel, 0);
  EXPECT_TRUE(s.areas.empty());
  EXPECT_EQ(s.areas.seedCount, 0);
  EXPECT_EQ(s.settings.writeTitle, Flag::kOn);
  EXPECT_EQ(s.settings.scaleBarShown, Flag::kOn);
  EXPECT_EQ(s.settings.fillFrameCoast, Flag::kOff);
  EXPECT_EQ(s.settings.coarseGridShown, Flag::kOn);
  EXPECT_EQ(s.settings.fineGridShown, flagOf(s.coastApplies != CoastOutline::kNone));
  EXPECT_EQ(m().title, "Test data");
  EXPECT_EQ(m().lines[2], "121- Gamma");
  EXPECT_EQ(m().current, 0);
  EXPECT_EQ(m().name, "Alpha");
  EXPECT_EQ(m().code, "11");
  EXPECT_EQ(m().taxonText, "Taxon 1 / 5 (2 records)");
  EXPECT_EQ(marked(), 1);

  closeEditor(s, false);
  EXPECT_EQ(s.settings.writeTitle, Flag::kOff);
  EXPECT_EQ(s.settings.fillFrameCoast, Flag::kOn);
  EXPECT_EQ(s.settings.coarseGridShown, Flag::kOff);
  EXPECT_EQ(marked(), 0);
  EXPECT_EQ(s.ws.counters.includedTaxa, 5) << "recounted without the cleared group code";
}

// Find ignores case and beeps without a match; a write refuses a name or
// code another taxon has.
TEST_F(Editor, FindAndWriteRefusingANameOrCodeAnotherTaxonHas) {
  openEditing();
  EXPECT_TRUE(findEditorTaxon(cards(), "DEL"));
  EXPECT_EQ(m().current, 3);
  EXPECT_FALSE(findEditorTaxon(cards(), "Omega"));
  EXPECT_EQ(m().current, 3);
  EXPECT_EQ(host.beeps, 1);
  selectEditorTaxon(cards(), 0);
  m().name = "Beta";
  EXPECT_FALSE(writeEditorTaxon(cards()));
  EXPECT_EQ(test::noticeLines(s), std::vector<std::string>{"Edit name: Beta already exists"});
  EXPECT_EQ(s.ws.cards.name(0), "Alpha");

  m().name = "Alpha";
  m().code = "2";
  EXPECT_FALSE(writeEditorTaxon(cards()));
  EXPECT_EQ(test::noticeLines(s).back(), "Edit code: 2 already exists");
  EXPECT_EQ(s.ws.cards.codeText(0), padded("11"));
  EXPECT_FALSE(s.editor.edited);

  m().name = std::string(40, 'n');
  m().code = std::string(40, '4');
  EXPECT_TRUE(writeEditorTaxon(cards()));
  EXPECT_EQ(s.ws.cards.name(0), std::string(30, 'n'));
  EXPECT_EQ(s.ws.cards.codeText(0), std::string(30, '4') + "0") << "30 characters, padded, signature kept";
  EXPECT_EQ(s.ws.cards.code(0)[31], 0);
  EXPECT_TRUE(s.editor.edited);
  EXPECT_EQ(m().lines[0], std::string(30, '4') + "- " + std::string(30, 'n'));
}

TEST_F(Editor, AnUnchangedCodeSharedWithOthersIsNoDuplicate) {
  openEditing({{"A", "1", {}}, {"B", "1", {}}, {"C", "1", {}}});
  m().name = "Renamed";
  EXPECT_TRUE(writeEditorTaxon(cards()));
  EXPECT_TRUE(s.notices.empty()) << test::noticeLines(s).front();
  EXPECT_EQ(s.ws.cards.name(0), "Renamed");
}

TEST_F(Editor, NewAndCopyAppendNumberedTaxa) {
  openEditing();
  selectEditorTaxon(cards(), 1);
  ASSERT_EQ(addEditorTaxon(s, false), EditorOutcome::Done);
  EXPECT_EQ(s.ws.taxaCount, 6);
  EXPECT_EQ(m().current, 5);
  const std::string made = s.ws.cards.name(5);
  EXPECT_EQ(made.rfind("new taxon 1 (#", 0), 0u) << made;
  const int number = std::stoi(made.substr(14));
  EXPECT_GE(number, 0);
  EXPECT_LE(number, 2999);
  EXPECT_EQ(s.ws.cards.codeText(5), padded("3")) << "the code of the taxon before it";
  EXPECT_EQ(s.ws.cards.recordCount(5), 0);

  selectEditorTaxon(cards(), 1);
  ASSERT_EQ(addEditorTaxon(s, true), EditorOutcome::Done);
  EXPECT_EQ(s.ws.cards.name(6).rfind("copy taxon 2 (#", 0), 0u);
  EXPECT_EQ(s.ws.cards.codeText(6), padded("12"));
  EXPECT_EQ(s.ws.cards.level(6, 42), 3);
  EXPECT_EQ(marked(), 1);
  EXPECT_TRUE(s.editor.edited);
}

TEST_F(Editor, AFullStoreAsksToSaveAndReloadAndAFullHeaderRefuses) {
  openEditing();
  EXPECT_FALSE(addTaxonQuestion(s, false)) << "room left: nothing to ask";
  s.ws.capacity = s.ws.taxaCount;  // as if 50 taxa had been added
  const auto question = addTaxonQuestion(s, false);
  ASSERT_TRUE(question);
  EXPECT_EQ(question->caption + ": " + question->text, "New taxon: Save modified data\nto create more space?");
  EXPECT_EQ(question->icon, Icon::Question);

  m().title = "Retitled";
  s.ws.cards.setLevel(0, 600, 2);
  s.ws.capacity = s.ws.taxaCount;
  ASSERT_TRUE(addTaxonQuestion(s, true));
  EXPECT_EQ(addTaxonQuestion(s, true)->caption, "Copy taxon");
  ASSERT_EQ(addEditorTaxon(s, true), EditorOutcome::Done);
  EXPECT_EQ(s.ws.capacity, 55) << "reloaded with room for 50 more";
  EXPECT_EQ(s.ws.taxaCount, 6);
  EXPECT_EQ(s.ws.datafile.title, "Retitled");
  EXPECT_EQ(s.ws.cards.level(0, 600), 2) << "the edit was saved before the reload";
  EXPECT_EQ(test::readFile(file).size(), 34u + 5 * 1024);

  // A header that cannot count more taxa refuses them; saving does not help.
  s.notices.clear();
  s.ws.taxaCount = 32767;
  s.ws.capacity = 32767 + 50;
  EXPECT_EQ(addEditorTaxon(s, false), EditorOutcome::Refused);
  EXPECT_FALSE(addTaxonQuestion(s, false)) << "a full header is not helped by saving";
  EXPECT_EQ(test::noticeLines(s),
            std::vector<std::string>{"New taxon: The datafile is full:\nit holds at most 32767 taxa"});
}

TEST_F(Editor, DeleteAsksAndTheLastTaxonStays) {
  openEditing({{"A", "1", {}}, {"B", "2", {}}, {"C", "3", {}}});
  selectEditorTaxon(cards(), 2);
  const auto question = deleteTaxonQuestion(s);
  ASSERT_TRUE(question);
  EXPECT_EQ(question->caption + ": " + question->text, "Delete taxon: confirm to delete taxon:\n'C'");
  EXPECT_EQ(question->icon, Icon::Question);
  EXPECT_TRUE(deleteEditorTaxon(cards()));
  EXPECT_EQ(names(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(m().current, 1) << "the new last taxon is current";
  selectEditorTaxon(cards(), 0);
  EXPECT_EQ(deleteTaxonQuestion(s)->text, "confirm to delete taxon:\n'A'");
  EXPECT_TRUE(deleteEditorTaxon(cards()));
  EXPECT_EQ(names(), std::vector<std::string>{"B"});
  EXPECT_FALSE(deleteTaxonQuestion(s)) << "the only taxon is not even asked about";
  EXPECT_FALSE(deleteEditorTaxon(cards()));
  EXPECT_EQ(s.ws.taxaCount, 1);
}

TEST_F(Editor, ReorderSortsByCodeAndTheCurrentTaxonTravels) {
  openEditing({{"Z", "3", {{1, 1}}}, {"Y", "12", {}}, {"X", "2", {}}, {"W", "11", {}}, {"V", "12", {}}});
  selectEditorTaxon(cards(), 0);
  reorderTaxa(cards());
  EXPECT_EQ(names(), (std::vector<std::string>{"W", "Y", "V", "X", "Z"}));
  EXPECT_EQ(m().current, 4);
  EXPECT_EQ(m().name, "Z");
  EXPECT_EQ(s.ws.cards.level(4, 1), 1);
  EXPECT_EQ(marked(), 1);
}

TEST_F(Editor, ClicksCycleTheLevelToTheGridsTopAndKeepTheRecordCount) {
  openEditing();
  std::strcpy(s.ws.cells[100].name.data(), "Spot");
  EXPECT_EQ(s.ws.cards.recordCount(0), 2);
  const std::vector<int> up{1, 2, 3, 4, 0};
  for (int want : up) {
    EXPECT_TRUE(click(100, true));
    EXPECT_EQ(s.ws.cards.level(0, 100), want);
  }
  EXPECT_EQ(s.ws.cards.recordCount(0), 2);
  EXPECT_TRUE(click(100, true));
  EXPECT_EQ(m().clickText, "+(area 100) Spot");
  EXPECT_EQ(m().taxonText, "Taxon 1 / 5 (3 records)");
  EXPECT_TRUE(click(100, true));
  EXPECT_EQ(m().clickText, "=(area 100) Spot");
  EXPECT_TRUE(click(100, false));
  EXPECT_EQ(s.ws.cards.level(0, 100), 1);
  EXPECT_TRUE(click(100, false));
  EXPECT_EQ(m().clickText, "-(area 100) Spot");
  EXPECT_FALSE(click(100, false)) << "0 stays";
  EXPECT_EQ(s.ws.cards.recordCount(0), 2);
  EXPECT_FALSE(click(0, true));
  EXPECT_FALSE(click(865, true));
  EXPECT_TRUE(s.editor.edited);
  // Britain's levels cycle to two.
  test::TempDir dir;
  test::ScriptedHost h;
  Session b(h, dir.path(), GridVariant::Britain);
  EXPECT_EQ(editorTopLevel(b.grid()), 2);
  EXPECT_EQ(editorTopLevel(s.grid()), 4);
}

TEST_F(Editor, SaveAndContinueWritesOnlyEditedDataSortedByCode) {
  openEditing({{"Z", "3", {{1, 1}}}, {"Y", "2", {}}, {"X", "1", {}}});
  const std::string before = test::readFile(file);
  EXPECT_TRUE(saveAndContinue(s));
  EXPECT_EQ(test::readFile(file), before);

  m().title = "New title that is far longer than thirty characters";
  EXPECT_TRUE(saveAndContinue(s));
  const std::string after = test::readFile(file);
  ASSERT_EQ(after.size(), 34u + 3 * 1024);
  EXPECT_EQ(after.substr(2, 31), std::string("New title that is far longer t") + '\0');
  EXPECT_EQ(after.substr(34, 1), "X");
  EXPECT_FALSE(s.editor.edited);
}

TEST_F(Editor, SaveAndExitKeepsTheEditsAndRestoreDiscardsThemOrOpensAnother) {
  openEditing();
  click(200, true);
  EXPECT_EQ(closeEditor(s, false), EditorOutcome::Done);
  EXPECT_EQ(s.ws.cards.level(0, 200), 1);
  EXPECT_EQ(s.ws.counters.records, 10);
  auto reread = readFileBytes(file);
  ASSERT_TRUE(reread);
  EXPECT_EQ(static_cast<signed char>((*reread)[34 + 66 + 200]), 1);

  openEditor(s);
  click(300, true);
  m().name = "Changed";
  writeEditorTaxon(cards());
  EXPECT_EQ(closeEditor(s, true), EditorOutcome::Done);
  EXPECT_EQ(s.ws.cards.level(0, 300), 0);
  EXPECT_EQ(s.ws.cards.name(0), "Alpha");
  EXPECT_EQ(s.ws.cards.level(0, 200), 1);

  // With the file gone, Restore falls back to "Open datafile".
  openEditor(s);
  click(300, true);
  fs::remove(file);
  EXPECT_EQ(closeEditor(s, true), EditorOutcome::OpenDatafileInstead);
}

TEST_F(Editor, SaveDataIsRefusedAfterAPreselectionAndAFailedWriteKeepsTheFile) {
  openEditing();
  const std::string before = test::readFile(file);
  s.ws.dataModifiedByPreselection = true;
  EXPECT_FALSE(saveData(s, s.notices));
  EXPECT_EQ(test::noticeLines(s).back(), "Save data: restore data from preselection\nbefore writing data to file");
  s.ws.dataModifiedByPreselection = false;

  // The disk is full: the old file stays as it was.
  s.ws.cards.setName(0, "Lost?");
  {
    test::FileSizeLimit full(1000);
    EXPECT_FALSE(saveData(s, s.notices));
  }
  EXPECT_EQ(test::noticeLines(s).back(),
            "Save data: failed to write datafile:\n" + file.string() + "\n(the file on disk is unchanged)");
  EXPECT_EQ(test::readFile(file), before);
}

}  // namespace
}  // namespace zn
