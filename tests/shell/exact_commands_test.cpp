// The exact-set commands through the dispatcher: the progress box and its
// Stop, the map and the RESULTS file afterwards; and the time limit in
// Tools options and the options record.
#include <gtest/gtest.h>

#include "measures/dispatch.h"
#include "measures/scores.h"
#include "selection/values.h"
#include "shell/dispatch.h"
#include "shell/exact_commands.h"
#include "shell/options.h"
#include "shell/results.h"
#include "store/datafile.h"
#include "store/text.h"
#include "tests/support/sessions.h"
#include "tests/support/shells.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

// Records the progress box; Stop is pressed at the note numbered stopAt.
struct StopHost : test::ScriptedHost {
  std::vector<std::string> boxes;  // "begin TITLE", "end"
  std::vector<std::string> notes;
  int stopAt = 0;  // 0: never
  void stoppableBegin(const std::string& title) override { boxes.push_back("begin " + title); }
  bool stoppableNote(const std::string& text) override {
    notes.push_back(text);
    return stopAt == 0 || static_cast<int>(notes.size()) < stopAt;
  }
  void stoppableEnd() override { boxes.push_back("end"); }
};

using test::taxon;

struct ExactCommands : ::testing::Test, test::ShellOnData<StopHost> {
  int areasAsked = 1;

  void SetUp() override {
    open("ring.dat", "Ring",
         {taxon("T1", {10, 20}), taxon("T2", {20, 30}), taxon("T3", {30, 40}), taxon("T4", {40, 10}),
          taxon("T5", {50})});
    host.onDialog = [this](const std::string&, DialogModel& m) {
      if (auto* n = dynamic_cast<NumberOfAreasModel*>(&m)) n->number = areasAsked;
    };
  }
  std::string results() { return test::readFile(shell->resultsFile()); }
  bool inResults(const std::string& part) { return results().find(part) != std::string::npos; }
};

TEST_F(ExactCommands, MinimumSetMapsTheOptimumWithinTheOptionsTimeLimit) {
  session->settings.exactTimeLimit = 5;
  shell->dispatch(Command::ExactMinimumSet);
  EXPECT_EQ(session->map.title, "exact minimum set (3 areas)");
  shell->retitle();  // a title built again (Map drawing options, say) still names the set
  EXPECT_EQ(session->map.title, "exact minimum set (3 areas)");
  EXPECT_EQ(host.boxes, (std::vector<std::string>{"begin Exact minimum set", "end"}));
  ASSERT_FALSE(host.notes.empty());
  EXPECT_NE(host.notes.front().find("of 5 seconds"), std::string::npos) << host.notes.front();
  EXPECT_EQ(host.busyDepth, 0);
}

// A click on the near-minimum map turns it into the flexibility plot; the set
// is still the quick answer on the user's seeds, not a set of seeds.
TEST_F(ExactCommands, AfterAClickOnTheQuickMapOnlyTheUsersSeedsStay) {
  session->areas.cells = {50};  // the user's one seed
  shell->dispatch(Command::NearMinimumSet);
  const int quick = session->areas.count() - 1;
  ASSERT_GT(quick, 0);
  shell->mapClick(session->areas.cells.back(), true);
  ASSERT_EQ(session->map.code(), kCodeFlexibilityPlot);
  shell->dispatch(Command::ExactMinimumSet);
  EXPECT_EQ(session->areas.seedCount, 1);
  EXPECT_EQ(session->areas.cells.front(), 50);
  EXPECT_FALSE(shell->flags.flexibilityData);  // the exact set has no flexibility classes
  EXPECT_EQ(session->areas.count(), 3);
  EXPECT_TRUE(inResults(strprintf("  near-minimum set: %d areas, exact minimum: 2 areas", quick))) << results();

  // Run again on the exact set: its own areas give way as well.
  shell->dispatch(Command::ExactMinimumSet);
  EXPECT_EQ(session->areas.count(), 3);
  EXPECT_EQ(session->areas.seedCount, 1);
  const std::string all = results();
  EXPECT_EQ(all.find("objective: 0 areas"), std::string::npos) << all;
}

TEST_F(ExactCommands, StopKeepsTheBestSetAndNeverCallsItOptimal) {
  host.stopAt = 1;
  shell->dispatch(Command::ExactMinimumSet);
  EXPECT_EQ(host.boxes.back(), "end");
  EXPECT_GE(session->areas.count(), 3);
  EXPECT_TRUE(inResults("  Exact minimum set: stopped by the user\r\n")) << results();
}

TEST_F(ExactCommands, CoverageAsksForTheNumberAndStopsOnCancel) {
  shell->dispatch(Command::ExactMaximumCoverage);  // no answer queued: Cancel
  EXPECT_EQ(host.dialogs, (std::vector<std::string>{"SelecNumDlgBox1"}));
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_TRUE(session->areas.cells.empty());
  areasAsked = 1;
  host.dialogAnswers.push_back(true);
  shell->dispatch(Command::ExactMaximumCoverage);
  EXPECT_EQ(session->areas.count(), 1);
  EXPECT_EQ(session->map.title, "exact maximum coverage (1 areas)");
}

TEST_F(ExactCommands, NothingWhileThePreselectionDialogIsOpen) {
  shell->flags.preselectionDialogOpen = true;
  shell->dispatch(Command::ExactMinimumSet);
  shell->dispatch(Command::ExactMaximumCoverage);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_TRUE(host.dialogs.empty());
  EXPECT_TRUE(session->areas.cells.empty());
}

}  // namespace
}  // namespace zn
