// Ending either program: the exit question, the RESULTS monitor's menu
// check, and the data editor left open with or without changes.
#include <gtest/gtest.h>

#include <algorithm>

#include "store/datafile.h"
#include "store/settings.h"
#include "tests/shell_qt/desktop.h"
#include "ui/datawindows.h"

namespace zn::test {
namespace {

constexpr int kUserDisplay[][2] = {
    {kFillFrameCoast, 1}, {kScaleBarShown, 0}, {kWriteTitle, 0}, {kCoarseGridShown, 0}};

class Exit : public BothPrograms {
 protected:
  fs::path optionsFile() const { return home / "ZONARIUM.OPP"; }
  // Display settings of the user's own, all different from the editor's.
  void setUserDisplay() {
    for (const auto& [slot, value] : kUserDisplay) session->settings[slot] = value;
  }
  void expectUserDisplayWritten() {
    Settings written;
    ASSERT_TRUE(readOptions(written, optionsFile(), variant == GridVariant::Britain));
    for (const auto& [slot, value] : kUserDisplay) EXPECT_EQ(written[slot], value) << "slot " << slot;
  }
  // Opens the editor and adds a record with a left click on the map.
  void editARecord() {
    action("&Edit data")->trigger();
    ASSERT_TRUE(shell->flags.mapEditing);
    int cell = 0;
    const QPoint at = pointOnACell(cell);
    const int before = session->ws.cards.level(0, cell);
    click(at, Qt::LeftButton);
    ASSERT_NE(session->ws.cards.level(0, cell), before);
  }
  std::size_t saveQuestions() const {
    return static_cast<std::size_t>(
        std::count(host.shown.begin(), host.shown.end(), "Edit data: Save modified data\nbefore exit?"));
  }
};

TEST_P(Exit, NoLeavesTheMonitorClosedAndItsItemUnchecked) {
  drawn();
  QAction* monitor = action("Monitor RESULTS &file");
  monitor->trigger();
  ASSERT_TRUE(monitor->isChecked());
  host.answers = {Answer::No};
  EXPECT_FALSE(window->close());
  EXPECT_FALSE(shell->flags.monitorOpen);
  EXPECT_FALSE(monitor->isChecked());
  EXPECT_FALSE(fs::exists(optionsFile()));
  monitor->trigger();
  EXPECT_TRUE(monitor->isChecked()) << "the item opens it again";
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

  // No drops the changes; the options file gets the user's display settings.
  host.answers = {Answer::Yes, Answer::No};
  EXPECT_TRUE(window->close());
  EXPECT_EQ(saveQuestions(), 2u);
  EXPECT_FALSE(shell->flags.mapEditing);
  EXPECT_EQ(readFile(datafile), onDisk);
  expectUserDisplayWritten();
}

TEST_P(Exit, YesSavesTheEditedData) {
  drawn();
  setUserDisplay();
  editARecord();
  const std::string onDisk = readFile(datafile);
  host.answers = {Answer::Yes, Answer::Yes};
  EXPECT_TRUE(window->close());
  EXPECT_EQ(saveQuestions(), 1u);
  const std::string saved = readFile(datafile);
  EXPECT_NE(saved, onDisk);
  EXPECT_EQ(saved, encodeDatafile(*session, session->ws.datafile.title));
  expectUserDisplayWritten();
}

TEST_P(Exit, AnUneditedEditorClosesWithoutAQuestion) {
  drawn();
  setUserDisplay();
  action("&Edit data")->trigger();
  ASSERT_TRUE(shell->flags.mapEditing);
  const std::string onDisk = readFile(datafile);
  host.answers = {Answer::Yes};
  EXPECT_TRUE(window->close());
  EXPECT_EQ(saveQuestions(), 0u);
  EXPECT_EQ(readFile(datafile), onDisk);
  expectUserDisplayWritten();
}

INSTANTIATE_TEST_SUITE_P(Programs, Exit, ::testing::Values(GridVariant::World, GridVariant::Britain),
                         [](const auto& info) { return std::string(programName(info.param)); });

}  // namespace
}  // namespace zn::test
