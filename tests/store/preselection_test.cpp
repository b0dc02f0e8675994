// Data preselection: the file, the dialog's model, and the data commands
// through the dispatcher: the windows they open and close, what they refuse,
// and the map they leave.
#include <gtest/gtest.h>

#include <cstring>

#include "measures/scores.h"
#include "shell/data_commands.h"
#include "shell/data_dialogue.h"
#include "shell/dispatch.h"
#include "store/preselection.h"
#include "tests/support/data_session.h"

namespace zn {
namespace {

namespace fs = std::filesystem;
using test::fiveTaxa;

class Preselection : public test::DataSession {
 protected:
  PreselectionDialogModel& d() { return s.preselection.dialog; }
  void openDialog() { openPreselectionDialog(s.preselection, s.ws, s.areas, s.settings, s.progress); }
  bool addCell(int cell) { return addExcludedCell(d(), s.areas.cells, s.ws, s.grid(), cell); }
};

// --- the file ------------------------------------------------------------

TEST_F(Preselection, FileHoldsCodeLevelTaxaInCardOrderAndAreasInListOrder) {
  open(fiveTaxa());
  s.ws.groupCode = "12";
  s.settings.excludedLevel = 1;
  s.ws.cards.setExcluded(3, true);
  s.ws.cards.setExcluded(1, true);
  EXPECT_EQ(preselectionFileText(s.ws, s.settings, {50, 7}),
            "[included group code]\n12\n[excluded data level]\n1\n[excluded taxa]\nBeta\nDelta\n"
            "[excluded areas]\n50\n7\n[end]\n");
}

// What a parsed file holds, in one line: the group code (or "-" for none),
// the level, the taxa and the cells.
std::string parsed(const PreselectionFile& f) {
  std::string out = (f.hasGroupCode ? "code " + f.groupCode : std::string("-")) + " level " +
                    std::to_string(f.excludedLevel) + " taxa";
  for (const auto& t : f.taxa) out += " " + t;
  out += " cells";
  for (int c : f.cells) out += " " + std::to_string(c);
  return out;
}

TEST(PreselectionFileText, ReadsWhatTheSectionsHold) {
  const struct {
    const char* what;
    std::string text, holds;
  } cases[] = {
      {"as written",
       "[included group code]\n12\n[excluded data level]\n1\n[excluded taxa]\nBeta\n[excluded areas]\n50\n7\n[end]\n",
       "code 12 level 1 taxa Beta cells 50 7"},
      {"CR LF",
       "[included group code]\r\n12\r\n[excluded data level]\r\n2\r\n[excluded taxa]\r\nTwo words\r\n"
       "[excluded areas]\r\n5\r\n[end]\r\n",
       "code 12 level 2 taxa Two words cells 5"},
      {"cells outside the grid, repeats and words are left out",
       "[included group code]\n[excluded data level]\n[excluded taxa]\n[excluded areas]\n"
       "0\n865\n-3\n12\nx\n12\n864 1\n99999999999\n[end]\n",
       "- level 0 taxa cells 12 864 1"},
      {"missing level and taxa sections", "[included group code]\n3\n[excluded areas]\n9\n",
       "code 3 level 0 taxa cells 9"},
      {"unknown section skipped", "[included group code]\n[comment]\nhello\n[excluded taxa]\nA\n[end]\n",
       "- level 0 taxa A cells"},
      {"nothing after [end]", "[included group code]\n[end]\n[excluded areas]\n5\n", "- level 0 taxa cells"},
      {"over-long code cut at 30", "[x]\n" + std::string(40, '7') + "\n",
       "code " + std::string(30, '7') + " level 0 taxa cells"},
      {"level that is not a number counts as 0", "[included group code]\n[excluded data level]\nlow\n",
       "- level 0 taxa cells"},
      {"empty file", "", "- level 0 taxa cells"},
      {"no line end at the end", "[included group code]\n[excluded areas]\n4", "- level 0 taxa cells 4"},
  };
  for (const auto& c : cases) EXPECT_EQ(parsed(parsePreselectionFile(c.text, 864)), c.holds) << c.what;
}

TEST_F(Preselection, LoadingExcludesTheFirstTaxonOfANameAndClearsTheCells) {
  auto taxa = fiveTaxa();
  taxa[3].name = "Alpha";  // a second Alpha
  open(taxa);
  fs::path pre = home / "equal" / "x.pre";
  test::writeFile(pre,
                  "[included group code]\n1\n[excluded data level]\n9\n[excluded taxa]\nAlpha\nNobody\n"
                  "[excluded areas]\n42\n9999\n[end]\n");
  std::vector<int> excluded{42};
  ASSERT_TRUE(loadPreselectionFile(s.ws, s.settings, s.grid(), s.notices, s.progress, pre, excluded));
  // The level is clamped below the number of levels; a listed cell is not listed twice.
  EXPECT_EQ(std::tuple(s.ws.groupCode, s.settings.excludedLevel, s.ws.cards.excluded(0), s.ws.cards.excluded(3),
                       s.ws.cards.level(0, 40), s.ws.cards.level(3, 50), excluded, recordsIn(42),
                       s.ws.dataModifiedByPreselection),
            std::tuple("1", 3, true, false, 0, 2, std::vector<int>{42}, 0, true));

  EXPECT_FALSE(loadPreselectionFile(s.ws, s.settings, s.grid(), s.notices, s.progress, home / "missing.pre", excluded));
  EXPECT_EQ(test::noticeLines(s).back(), "Preselection load: Can't open file\n" + (home / "missing.pre").string());
}

TEST_F(Preselection, SaveNeedsOccupiedCellsAndACancelWritesNothing) {
  open({{"A", "1", {}}, {"B", "2", {}}, {"C", "3", {}}});
  EXPECT_FALSE(savePreselection(s, host, {}));
  EXPECT_TRUE(host.saveRequests.empty());

  open(fiveTaxa(), "equal/five.dat");
  EXPECT_FALSE(savePreselection(s, host, {}));
  ASSERT_EQ(host.saveRequests.size(), 1u);
  EXPECT_FALSE(s.ws.dataModifiedByPreselection);

  fs::path pre = home / "equal" / "y.pre";
  host.saveFiles.push_back(pre);
  ASSERT_TRUE(savePreselection(s, host, {3}));
  EXPECT_EQ(test::readFile(pre),
            "[included group code]\n[excluded data level]\n[excluded taxa]\n[excluded areas]\n3\n[end]\n");
}

// --- the dialog ----------------------------------------------------------

TEST_F(Preselection, OpeningListsTheTaxaAndBorrowsTheAreaSet) {
  open(fiveTaxa());
  s.ws.groupCode = "12";
  s.settings.excludedLevel = 1;
  s.ws.cards.setExcluded(4, true);
  s.areas.cells = {5, 6, 7};
  s.areas.seedCount = 2;
  s.ws.borrowedAreas = {40};
  std::strcpy(s.ws.cells[40].name.data(), "Somewhere");
  openDialog();
  const PreselectionDialogModel& m = s.preselection.dialog;
  EXPECT_EQ(std::tuple(m.groupCode, m.minimumLevel, m.groupLines[2], m.taxaExcludedText),
            std::tuple("12", 2, "121- Gamma", "1 already excluded"));
  EXPECT_EQ(m.groupSelected, (std::vector<char>{0, 1, 1, 0, 0}));
  EXPECT_EQ(m.taxonLines, (std::vector<std::string>{"Alpha", "Beta", "Gamma", "Delta", "-"}));
  EXPECT_EQ(m.areaLines, std::vector<std::string>{"   1:(40) Somewhere"});
  EXPECT_EQ(s.areas.cells, std::vector<int>{40});
  EXPECT_EQ(s.areas.seedCount, 0);
  EXPECT_EQ(s.ws.borrowedAreas, (std::vector<int>{5, 6, 7}));
}

// The group code comes from the first and last selected lines; a typed code
// and a found name select their taxa; each miss beeps.
TEST_F(Preselection, SelectedLinesTypedCodesAndFoundNamesSetTheGroupCode) {
  open(fiveTaxa());
  openDialog();
  const PreselectionDialogModel& m = s.preselection.dialog;
  EXPECT_TRUE(selectGroupLines(d(), s.ws, s.progress, {2, 1}));
  EXPECT_EQ(m.groupCode, "12");
  EXPECT_EQ(m.groupSelected, (std::vector<char>{0, 1, 1, 0, 0}));
  EXPECT_TRUE(selectGroupLines(d(), s.ws, s.progress, {0, 2}));
  EXPECT_EQ(m.groupCode, "1");
  EXPECT_FALSE(selectGroupLines(d(), s.ws, s.progress, {0, 4})) << "no common prefix";
  EXPECT_EQ(m.groupCode, "");
  EXPECT_EQ(m.groupSelected, (std::vector<char>(5, 0)));
  EXPECT_FALSE(selectGroupLines(d(), s.ws, s.progress, {}));
  EXPECT_EQ(host.beeps, 2);

  EXPECT_TRUE(typeGroupCode(d(), s.ws, s.progress, "12"));
  EXPECT_EQ(m.groupSelected, (std::vector<char>{0, 1, 1, 0, 0}));
  EXPECT_FALSE(typeGroupCode(d(), s.ws, s.progress, "9"));
  EXPECT_EQ(m.groupCode, "");
  EXPECT_TRUE(findGroupTaxon(d(), s.ws, s.progress, "gAM"));
  EXPECT_EQ(m.groupCode, "121");
  EXPECT_EQ(m.groupSelected, (std::vector<char>{0, 0, 1, 0, 0}));
  EXPECT_FALSE(findGroupTaxon(d(), s.ws, s.progress, "Zeta"));
  EXPECT_EQ(host.beeps, 4);
}

TEST_F(Preselection, ClickedCellsAreListedOnceAndDeletingRenumbers) {
  open(fiveTaxa());
  std::strcpy(s.ws.cells[42].name.data(), "Here");
  std::strcpy(s.ws.cells[41].name.data(), "There");
  openDialog();
  EXPECT_TRUE(addCell(40));
  EXPECT_TRUE(addCell(41));
  EXPECT_TRUE(addCell(42));
  EXPECT_FALSE(addCell(41));
  EXPECT_FALSE(addCell(0));
  EXPECT_FALSE(addCell(865));
  const PreselectionDialogModel& m = s.preselection.dialog;
  EXPECT_EQ(m.areaLines.back(), "   3:(42) Here");
  deleteExcludedCells(d(), s.areas.cells, s.ws, s.notices, {0, 7});
  EXPECT_EQ(s.areas.cells, (std::vector<int>{41, 42}));
  EXPECT_EQ(m.areaLines, (std::vector<std::string>{"   1: There", "   2: Here"}));
  EXPECT_EQ(m.areasExcludedText, "2 already excluded");
  deleteExcludedCells(d(), s.areas.cells, s.ws, s.notices, std::vector<int>(513, 0));
  EXPECT_EQ(test::noticeLines(s).back(), "Data preselection: Too many items selected.");
  EXPECT_EQ(s.areas.count(), 2);
}

// Filters alone do not mark the data modified; too many selected taxa
// exclude none.
TEST_F(Preselection, OkModifiesNoDataForFiltersAloneOrTooManyTaxaAndElseAppliesAll) {
  open(fiveTaxa());
  openDialog();
  s.preselection.dialog.groupCode = "2";
  applyPreselectionDialog(s, host, PreselectionAction::Ok, {});
  EXPECT_FALSE(s.ws.dataModifiedByPreselection);
  openDialog();
  s.preselection.dialog.groupCode = "";
  applyPreselectionDialog(s, host, PreselectionAction::Ok, std::vector<int>(513, 1));
  EXPECT_EQ(host.messageLines(), std::vector<std::string>{"Exclude taxa: Too many items selected."});
  EXPECT_FALSE(s.ws.cards.excluded(1));
  EXPECT_FALSE(s.ws.dataModifiedByPreselection);

  // With taxa and cells it applies the filters, removes them and gives the
  // area set back.
  s.areas.cells = {1, 2, 3};
  s.areas.seedCount = 1;
  openDialog();
  PreselectionDialogModel& m = s.preselection.dialog;
  m.groupCode = "1";
  m.minimumLevel = 2;
  addCell(42);
  EXPECT_EQ(applyPreselectionDialog(s, host, PreselectionAction::Ok, {0}), PreselectionOutcome::Applied);
  EXPECT_EQ(std::pair(s.ws.groupCode, s.settings.excludedLevel), std::pair(std::string("1"), 1));
  EXPECT_TRUE(s.ws.cards.excluded(0));
  EXPECT_EQ(s.ws.cards.level(0, 41), 0);
  EXPECT_EQ(recordsIn(42), 0);
  EXPECT_TRUE(s.ws.dataModifiedByPreselection);
  EXPECT_EQ(std::pair(s.areas.cells, s.areas.seedCount), std::pair(std::vector<int>{1, 2, 3}, 1));
  EXPECT_EQ(s.ws.borrowedAreas, std::vector<int>{42});
}

TEST_F(Preselection, ConvertSaExcludesEveryCellOutsideTheAreaSet) {
  open(fiveTaxa());
  s.areas.cells = {40, 41, 42, 43, 44, 45, 46, 47, 48, 49};
  openDialog();
  ASSERT_EQ(applyPreselectionDialog(s, host, PreselectionAction::ConvertSA, {}), PreselectionOutcome::Applied);
  EXPECT_TRUE(s.areas.empty());
  EXPECT_EQ(s.ws.borrowedAreas.size(), 854u);
  EXPECT_EQ(s.ws.borrowedAreas.front(), 1);
  EXPECT_EQ(s.ws.borrowedAreas[39], 50);
  EXPECT_EQ(recordsIn(50), 0);
  EXPECT_EQ(recordsIn(40), 2);
  EXPECT_TRUE(s.ws.dataModifiedByPreselection);
}

TEST_F(Preselection, LoadFileReloadsTheDataThenReplacesTheListFromTheFile) {
  fs::path data = open(fiveTaxa());
  fs::path pre = home / "equal" / "z.pre";
  test::writeFile(
      pre, "[included group code]\n[excluded data level]\n[excluded taxa]\nDelta\n[excluded areas]\n40\n[end]\n");
  openDialog();
  addCell(43);
  host.openFiles.push_back(pre);
  ASSERT_EQ(applyPreselectionDialog(s, host, PreselectionAction::LoadFile, {}), PreselectionOutcome::Applied);
  EXPECT_EQ(s.ws.cards.level(2, 43), 1) << "the reload brought cell 43 back";
  EXPECT_EQ(s.ws.borrowedAreas, std::vector<int>{40});
  EXPECT_EQ(recordsIn(40), 0);
  EXPECT_TRUE(s.ws.cards.excluded(3));

  // A datafile that cannot be read again: "Open datafile" instead, the lists
  // exchanged back first.
  s.areas.cells = {9};
  openDialog();
  fs::remove(data);
  EXPECT_EQ(applyPreselectionDialog(s, host, PreselectionAction::LoadFile, {}),
            PreselectionOutcome::OpenDatafileInstead);
  EXPECT_EQ(s.areas.cells, std::vector<int>{9});
}

TEST_F(Preselection, RestoreReloadsClearsTheFiltersAndEmptiesTheExcludedList) {
  open(fiveTaxa());
  s.areas.cells = {7};
  openDialog();
  s.preselection.dialog.groupCode = "1";
  addCell(40);
  applyPreselectionDialog(s, host, PreselectionAction::Ok, {4});
  openDialog();
  ASSERT_EQ(restorePreselectionData(s), PreselectionOutcome::Applied);
  EXPECT_EQ(s.ws.groupCode, "");
  EXPECT_FALSE(s.ws.dataModifiedByPreselection);
  EXPECT_FALSE(s.ws.cards.excluded(4));
  EXPECT_EQ(recordsIn(40), 2);
  EXPECT_EQ(s.areas.cells, std::vector<int>{7});
  EXPECT_TRUE(s.ws.borrowedAreas.empty());
}

TEST_F(Preselection, SubgroupNotFoundIsDroppedAndTooFewTaxaAreReported) {
  open(fiveTaxa());
  s.ws.groupCode = "9";
  applyPreselection(s);
  EXPECT_EQ(s.ws.groupCode, "");
  EXPECT_EQ(s.ws.counters.includedTaxa, 5);
  s.ws.groupCode = "12";
  applyPreselection(s);
  EXPECT_EQ(s.ws.groupCode, "12") << "kept: it exists";
  EXPECT_EQ(s.ws.counters.includedTaxa, 2);
  EXPECT_FALSE(s.subgroupDataPresent);
  EXPECT_EQ(test::noticeLines(s),
            (std::vector<std::string>{
                "Data preselection: Restrict to subgroup:\nsubgroup 9 not found",
                "Data preselection: Restrict to subgroup:\nsubgroup data absent or incomplete\nin database"}));
  EXPECT_EQ(s.notices[0].icon, Icon::Information);
}

using DataCommands = test::DataShellSession;

TEST_F(DataCommands, PreselectionDialogAppliesOnOkAndRecomputesTheMap) {
  open(fiveTaxa());
  s.areas.cells = {5};
  shell->dispatch(Command::DataPreselection);
  EXPECT_TRUE(shell->flags.preselectionDialogOpen);
  EXPECT_EQ(host.shellCalls.back(), "open DoptDlgBox");
  shell->dispatch(Command::DataPreselection);
  EXPECT_EQ(host.shellCalls.size(), 1u) << "a second 1500 does nothing";

  preselectionMapClick(*shell, 40);
  EXPECT_EQ(s.areas.cells, std::vector<int>{40});
  s.preselection.dialog.groupCode = "1";
  preselectionClose(*shell, PreselectionAction::Ok, {});
  EXPECT_FALSE(shell->flags.preselectionDialogOpen);
  EXPECT_EQ(host.shellCalls.back(), "close DoptDlgBox");
  EXPECT_EQ(s.areas.cells, std::vector<int>{5});
  EXPECT_EQ(s.ws.counters.includedTaxa, 3);
  EXPECT_EQ(s.map.code(), kCodeRichness);
  EXPECT_EQ(s.ws.cells[41].score, 2.0) << "richness of the included taxa";
  EXPECT_EQ(s.ws.cells[40].score, 0.0) << "the excluded cell lost its records";

  // The editor is refused while the data are modified.
  shell->dispatch(Command::EditData);
  EXPECT_EQ(host.messageLines().back(), "Edit data: Restore data from preselection\nbefore editing data");
  EXPECT_FALSE(shell->flags.mapEditing);

  shell->dispatch(Command::DataPreselection);
  preselectionRestore(*shell);
  EXPECT_EQ(s.ws.counters.includedTaxa, 5);
  EXPECT_EQ(s.ws.cells[40].score, 2.0);
}

TEST_F(DataCommands, EditorMapsTheCurrentTaxonAndRestoresTheMapOnExit) {
  open(fiveTaxa());
  shell->dispatch(Command::EditData);
  ASSERT_TRUE(shell->flags.mapEditing);
  EXPECT_EQ(host.shellCalls.back(), "open EditDlgBox");
  EXPECT_EQ(s.map.code(), kCodeSelectiveRichness);
  EXPECT_EQ(s.map.title, "editing Alpha");
  EXPECT_TRUE(shell->menu()[Command::EditData].checked);
  EXPECT_FALSE(shell->menu()[Command::DataPreselection].enabled);

  int notified = 0;
  s.editor.changed = [&] { ++notified; };
  editorMapClick(*shell, 100, true);
  EXPECT_EQ(s.ws.cards.level(0, 100), 1);
  EXPECT_EQ(notified, 1);
  editorSelect(*shell, 3);
  EXPECT_EQ(s.map.title, "editing Delta");
  shell->dispatch(Command::OpenDatafile);  // restricted while editing
  EXPECT_TRUE(host.openRequests.size() == 1u);

  shell->dispatch(Command::EditData);  // the menu item leaves the editor as Save+exit does
  EXPECT_FALSE(shell->flags.mapEditing);
  EXPECT_EQ(host.shellCalls.back(), "close EditDlgBox");
  EXPECT_EQ(s.map.code(), kCodeRichness);
  EXPECT_EQ(s.ws.cells[100].score, 1.0);
}

TEST_F(DataCommands, DivideByGroupAsksForACodeFirst) {
  open(fiveTaxa());
  shell->dispatch(Command::DivideByGroup);
  EXPECT_TRUE(shell->flags.preselectionDialogOpen);
  EXPECT_EQ(host.messageLines(),
            std::vector<std::string>{"Divide data: No group code selected-\nuse Data preselection."});
  shell->dispatch(Command::DivideByGroup);
  EXPECT_EQ(host.messages.size(), 1u) << "ignored while the dialog is open";
}

TEST_F(DataCommands, NewDatafileOpensTheEditor) {
  host.saveFiles.push_back(home / "equal" / "new.dat");
  shell->dispatch(Command::NewDatafile);
  EXPECT_TRUE(shell->flags.mapEditing);
  EXPECT_EQ(s.ws.taxaCount, 3);
  EXPECT_EQ(s.map.title.rfind("editing new taxon 1", 0), 0u) << s.map.title;
}

// The editor's questions are the shell's: a No leaves the cards and the
// file alone, a Yes lets the store go on, and the store's own notices
// follow the question in order.
TEST_F(DataCommands, EditorQuestionsAreAskedByTheShellBeforeTheStoreActs) {
  const fs::path file = open(fiveTaxa());
  const std::string onDisk = test::readFile(file);
  shell->dispatch(Command::EditData);
  ASSERT_TRUE(shell->flags.mapEditing);
  host.messages.clear();

  s.ws.capacity = s.ws.taxaCount;  // full: adding needs a save first
  host.answers = {Answer::No};
  editorAdd(*shell, false);
  EXPECT_EQ(host.messageLines(), std::vector<std::string>{"New taxon: Save modified data\nto create more space?"});
  EXPECT_EQ(host.messages[0].buttons, Buttons::YesNo);
  EXPECT_EQ(s.ws.taxaCount, 5);
  EXPECT_EQ(test::readFile(file), onDisk) << "No saves nothing";

  // Yes, but the data cannot be written: the refusal follows the question.
  s.ws.dataModifiedByPreselection = true;
  host.answers = {Answer::Yes};
  editorAdd(*shell, true);
  EXPECT_EQ(host.messageLines().back(), "Save data: restore data from preselection\nbefore writing data to file");
  EXPECT_EQ(host.messages.size(), 3u);
  EXPECT_EQ(host.messages[1].caption, "Copy taxon");
  EXPECT_EQ(s.ws.taxaCount, 5);
  EXPECT_TRUE(s.notices.empty()) << "every notice was shown";
  s.ws.dataModifiedByPreselection = false;

  editorSelect(*shell, 4);
  host.messages.clear();
  host.answers = {Answer::No};
  editorDelete(*shell);
  EXPECT_EQ(host.messageLines(), std::vector<std::string>{"Delete taxon: confirm to delete taxon:\n'Epsilon'"});
  EXPECT_EQ(s.ws.taxaCount, 5);
  host.answers = {Answer::Yes};
  editorDelete(*shell);
  EXPECT_EQ(s.ws.taxaCount, 4);
  EXPECT_EQ(s.ws.cards.name(3), "Delta");
}

}  // namespace
}  // namespace zn
