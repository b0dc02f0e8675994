// Ending either program: the exit question, the RESULTS monitor's menu
// check, and the data editor left open with or without changes.
#include <gtest/gtest.h>

#include <algorithm>

#include "store/datafile.h"
#include "store/settings.h"
#include "tests/support/desktop.h"
#include "ui/datawindows.h"

namespace zn::test {
namespace {

struct UserDisplay {
  SettingsField field;
  int value;
  const char* name;
};
// The first and the last of the settings the editor takes over.
constexpr UserDisplay kUserDisplay[] = {{settingsField<&Settings::fillFrameCoast>(), 1, "fill"},
                                        {settingsField<&Settings::coarseGridShown>(), 0, "coarse grid"}};

class Exit : public BothPrograms {
 protected:
  fs::path optionsFile() const { return home / "ZONARIUM.OPP"; }
  // Display settings of the user's own, all different from the editor's.
  void setUserDisplay() {
    for (const UserDisplay& d : kUserDisplay) d.field.set(session->settings, d.value);
  }
  void expectUserDisplayWritten() {
    Settings written;
    ASSERT_TRUE(readOptions(written, optionsFile(), variant == GridVariant::Britain));
    for (const UserDisplay& d : kUserDisplay) EXPECT_EQ(d.field.get(written), d.value) << d.name;
  }
  // Opens the editor and adds a taxon with its "New" button; it becomes
  // the current one.
  void editARecord() {
    choose("&Edit data");
    ASSERT_TRUE(shell->flags.mapEditing);
    EditorWindow* editor = window->dataWindows().editor();
    ASSERT_NE(editor, nullptr);
    const int taxa = session->ws.taxaCount;
    test::click(buttonLabelled(*editor, "New"));
    ASSERT_EQ(session->ws.taxaCount, taxa + 1);
  }
  std::size_t saveQuestions() const {
    return static_cast<std::size_t>(
        std::count(host.shown.begin(), host.shown.end(), "Edit data: Save modified data\nbefore exit?"));
  }
};

TEST_P(Exit, NoLeavesTheMonitorClosedAndAnUneditedEditorClosesWithoutAQuestion) {
  drawn();
  QAction* monitor = action("Monitor RESULTS &file");
  choose("Monitor RESULTS &file");
  ASSERT_TRUE(monitor->isChecked());
  host.answers = {Answer::No};
  EXPECT_FALSE(window->close());
  EXPECT_FALSE(shell->flags.monitorOpen);
  EXPECT_FALSE(monitor->isChecked());
  EXPECT_FALSE(fs::exists(optionsFile()));
  choose("Monitor RESULTS &file");
  EXPECT_TRUE(monitor->isChecked()) << "the item opens it again";

  // An unedited editor closes without a question.
  choose("&Edit data");
  ASSERT_TRUE(shell->flags.mapEditing);
  const std::string onDisk = readFile(datafile);
  host.answers = {Answer::Yes};
  EXPECT_TRUE(window->close());
  EXPECT_EQ(saveQuestions(), 0u);
  EXPECT_TRUE(readFile(datafile) == onDisk) << "the datafile was written";
  EXPECT_TRUE(fs::exists(optionsFile()));
}

TEST_P(Exit, EditedDataAreSavedOnlyWhenTheUserSaysSo) {
  drawn();
  setUserDisplay();
  editARecord();
  const std::string onDisk = readFile(datafile);

  // Cancel keeps the program and the editor.
  host.answers = {Answer::Yes, Answer::Cancel};
  EXPECT_FALSE(window->close());
  EXPECT_EQ(saveQuestions(), 1u);
  EXPECT_TRUE(shell->flags.mapEditing);
  EXPECT_NE(window->dataWindows().editor(), nullptr);
  EXPECT_FALSE(fs::exists(optionsFile()));

  // No drops the changes; the options file gets the user's display settings
  // (the editor gives them back on every way out).
  host.answers = {Answer::Yes, Answer::No};
  EXPECT_TRUE(window->close());
  EXPECT_EQ(saveQuestions(), 2u);
  EXPECT_FALSE(shell->flags.mapEditing);
  EXPECT_TRUE(readFile(datafile) == onDisk) << "the datafile was written";
  expectUserDisplayWritten();
}

TEST_P(Exit, YesSavesTheEditedData) {
  drawn();
  editARecord();
  const std::string newTaxon = session->ws.cards.name(session->editor.dialog.current);
  const std::string onDisk = readFile(datafile);
  host.answers = {Answer::Yes, Answer::Yes};
  EXPECT_TRUE(window->close());
  EXPECT_EQ(saveQuestions(), 1u);
  const std::string saved = readFile(datafile);
  EXPECT_EQ(saved.size(), onDisk.size() + static_cast<std::size_t>(session->ws.cards.layout->size)) << "one card more";
  EXPECT_NE(saved.find(newTaxon), std::string::npos) << newTaxon;
}

INSTANTIATE_TEST_SUITE_P(Programs, Exit, ::testing::Values(GridVariant::World, GridVariant::Britain),
                         [](const auto& param_info) { return std::string(programName(param_info.param)); });

}  // namespace
}  // namespace zn::test
