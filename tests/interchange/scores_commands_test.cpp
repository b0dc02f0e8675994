// The scores commands end to end: the menu commands through the dispatcher
// on the shipped carnivore sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "interchange/scores_export.h"
#include "measures/scores.h"
#include "shell/scores_commands.h"
#include "tests/support/shells.h"

namespace zn::test {
namespace {

struct ScoresCommands : ShellFixture {
  void SetUp() override {
    ASSERT_TRUE(start());
    connectScoresCommands(*shell);
    open("equal/carnivora.dat");
    ASSERT_TRUE(session->ws.datafile.opened);
    host.messages.clear();
  }
  std::filesystem::path file(const std::string& name) { return tmp.path() / name; }
};

TEST_F(ScoresCommands, ExportThenImportPutsTheSameScoresBackAndAFailedImportClearsThem) {
  std::vector<double> richness;
  for (int n = 1; n <= session->ws.geo.cells; ++n) richness.push_back(session->ws.cells[std::size_t(n)].score);
  host.dialogAnswers.push_back(true);
  host.saveFiles.push_back(file("rich.scr"));
  shell->dispatch(Command::ExportScores);
  ASSERT_TRUE(std::filesystem::exists(file("rich.scr")));

  host.openFiles.push_back(file("rich.scr"));
  shell->dispatch(Command::ImportScores);
  EXPECT_EQ(session->map.code(), kCodeImportedScores);
  EXPECT_EQ(session->map.title, "imported scores (rich.scr)");
  EXPECT_FALSE(shell->display.classes.limits.empty()) << "imported scores are classed";
  for (int n = 1; n <= session->ws.geo.cells; ++n)
    ASSERT_DOUBLE_EQ(session->ws.cells[std::size_t(n)].score, richness[std::size_t(n - 1)]) << "cell " << n;
  EXPECT_TRUE(host.messages.empty());

  // A failed import leaves the map cleared.
  std::ofstream(file("bad.scr")) << "no statement here";
  host.openFiles.push_back(file("bad.scr"));
  shell->dispatch(Command::ImportScores);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].caption, "Import scores");
  EXPECT_FALSE(session->scoresPresent);
  EXPECT_EQ(session->ws.cells[1].score, 0.0);
}

TEST_F(ScoresCommands, AThreeAxisImportOpensTheThreeAxisWindowAndAPairEnablesOverlay) {
  std::ofstream(file("three.scr")) << "#4\n1 1 2 3\n2 3 2 1\n";
  host.openFiles.push_back(file("three.scr"));
  shell->dispatch(Command::ImportScores);
  EXPECT_EQ(session->map.importKind, kImportThreeAxis);
  EXPECT_EQ(session->map.title, "imported scores (three.scr)");
  ASSERT_FALSE(host.shellCalls.empty());
  EXPECT_EQ(host.shellCalls.back(), "open M3DLGBOX");

  std::ofstream(file("pair.scr")) << "fore\nback\n#3\n1 1 2\n2 3 0\n";
  host.openFiles.push_back(file("pair.scr"));
  shell->dispatch(Command::ImportScores);
  EXPECT_FALSE(session->overlay.threeAxis.loaded);
  EXPECT_NE(std::find(host.shellCalls.begin(), host.shellCalls.end(), "close M3DLGBOX"), host.shellCalls.end());
  EXPECT_EQ(session->map.title, "fore");
  EXPECT_TRUE(shell->flags.scoresSwapped) << "a pair opens swapping and overlaying";
}

}  // namespace
}  // namespace zn::test
