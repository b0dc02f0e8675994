// The scores commands end to end: the menu commands through the dispatcher
// on the shipped carnivore sample, and zonarium export-scores and
// import-scores on a hand-made datafile.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "interchange/scores_export.h"
#include "measures/scores.h"
#include "shell/scores_commands.h"
#include "tests/support/shells.h"
#include "tests/support/cli_run.h"

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

TEST_F(ScoresCommands, ExportThenImportPutsTheSameScoresBackAsImportedScores) {
  std::vector<double> richness;
  for (int n = 1; n <= session->ws.geo.cells; ++n) richness.push_back(session->ws.cells[std::size_t(n)].score);
  host.dialogAnswers.push_back(true);
  host.saveFiles.push_back(file("rich.scr"));
  shell->dispatch(Command::ExportScores);
  ASSERT_TRUE(std::filesystem::exists(file("rich.scr")));

  host.openFiles.push_back(file("rich.scr"));
  shell->dispatch(Command::ImportScores);
  EXPECT_EQ(session->map.measureCode, kCodeImportedScores);
  EXPECT_EQ(session->map.title, "imported scores (rich.scr)");
  EXPECT_FALSE(shell->display.classes.limits.empty()) << "imported scores are classed";
  for (int n = 1; n <= session->ws.geo.cells; ++n)
    ASSERT_DOUBLE_EQ(session->ws.cells[std::size_t(n)].score, richness[std::size_t(n - 1)]) << "cell " << n;
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(ScoresCommands, AFailedImportLeavesTheMapCleared) {
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

struct Cli : CliRun {
  std::filesystem::path data = home / "equal" / "four.dat";

  Cli() {
    writeFile(data, datafileImage("Four taxa", {{"Alpha", "11", {{1, 1}, {2, 2}, {3, 1}}},
                                                {"Beta", "12", {{2, 3}}},
                                                {"Gamma", "21", {{2, 1}, {40, 4}}},
                                                {"Delta", "22", {{3, 2}}}}));
  }
  int run(std::vector<std::string> args) { return command(std::move(args)); }
};

TEST(ScoresCli, ExportWritesTheChosenLayout) {
  Cli c;
  const auto out = c.tmp.path() / "r.scr";
  ASSERT_EQ(c.run({"export-scores", c.data.string(), "--plain", "--occupied-only", "--out", out.string()}), 0) << c.err;
  const std::string text = readFile(out);
  EXPECT_NE(text.find(" Scores for dataset: Four taxa.\n Measure: richness.\n"), std::string::npos) << text;
  // Richness of cells 1, 2, 3 and 40, the occupied ones.
  EXPECT_EQ(text.substr(text.find("#1\n")),
            "#1\n            1.000000\n            3.000000\n            2.000000\n            1.000000\n");
}

TEST(ScoresCli, ImportPrintsTheCellScoresAsMeasureDoes) {
  Cli c;
  const auto in = c.tmp.path() / "in.scr";
  writeFile(in, "#2\n2 -1\n5 3\n");
  ASSERT_EQ(c.run({"import-scores", c.data.string(), in.string()}), 0) << c.err;
  EXPECT_EQ(c.out.substr(0, c.out.find('\n')), "title: imported scores (in.scr)");
  EXPECT_NE(c.out.find("\n2 10000.000000 1\n"), std::string::npos);
  EXPECT_NE(c.out.find("\n5 4.000000 1\n"), std::string::npos);
  EXPECT_EQ(c.err, "Import scores: Negative scores found:\n1.000000 added to all scores.\n");
}

TEST(ScoresCli, RefusesBadRequestsWithAMessage) {
  struct Case {
    std::vector<std::string> args;
    int rc;
    std::string err;
  };
  Cli c;
  const std::string d = c.data.string();
  const Case cases[] = {
      {{"export-scores", d}, 2, "zonarium: export-scores takes"},
      {{"export-scores", d, "--out", "x", "--sideways"}, 2, "zonarium: unknown export-scores option --sideways"},
      {{"import-scores", d}, 2, "zonarium: import-scores takes"},
      {{"import-scores", d, (c.tmp.path() / "none.scr").string()}, 1, "Import scores: Can't open file"},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(c.run(k.args), k.rc) << k.args.back();
    EXPECT_EQ(c.err.substr(0, k.err.size()), k.err) << c.err;
  }
}

}  // namespace
}  // namespace zn::test
