// The data commands through the dispatcher: the windows they open and
// close, what they refuse, and the map they leave.
#include <gtest/gtest.h>


#include "measures/scores.h"
#include "shell/data_commands.h"
#include "shell/dispatch.h"
#include "tests/support/data_session.h"

namespace zn {
namespace {

namespace fs = std::filesystem;
using test::fiveTaxa;

using DataCommands = test::DataShellSession;

TEST_F(DataCommands, PreselectionDialogAppliesOnOkAndRecomputesTheMap) {
  open(fiveTaxa());
  s.areas.cells = {5};
  shell->dispatch(Command::DataPreselection);
  EXPECT_TRUE(shell->flags.preselectionDialogOpen);
  EXPECT_EQ(host.shellCalls.back(), "open DoptDlgBox");
  EXPECT_TRUE(s.areas.empty()) << "the list at hand is the excluded areas";
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
  EXPECT_EQ(s.ws.groupCode, "");
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
