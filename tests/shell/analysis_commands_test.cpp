// The area-selection commands through the dispatcher, on the shipped
// carnivore sample.
#include "shell/analysis_commands.h"

#include <gtest/gtest.h>

#include "measures/scores.h"
#include "shell/dispatch.h"
#include "shell/mapclasses.h"
#include "store/text.h"
#include "tests/support/shells.h"

namespace zn {
namespace {

struct AnalysisCommands : test::ShellFixture {
  std::string results() {
    return std::filesystem::exists(shell->resultsFile()) ? test::readFile(shell->resultsFile()) : "(no RESULTS file)";
  }
  void SetUp() override {
    ASSERT_TRUE(start());
    connectAnalysisCommands(*shell);
    open("equal/carnivora.dat");
    ASSERT_TRUE(session->ws.datafile.opened);
  }
};

// An area set on a map without scores is shown with its selected areas.
TEST(MapClasses, AnEmptyMapShowsTheSelectedAreasOfASet) {
  test::ScriptedHost host;
  Session s(host, "/nonexistent");
  setDefaults(s.settings);
  s.ws.cells.resize(static_cast<std::size_t>(s.ws.geo.cells) + 2);
  Palette p;
  allocatePalette(p, -1, s.settings);
  buildPalette(p, s.settings);
  classMapScores(s, p);
  EXPECT_EQ(s.settings.selectedAreasDisplay, AreasShown::kSeeds) << "no set";
  s.areas.cells = {5, 6};
  classMapScores(s, p);
  EXPECT_EQ(s.settings.selectedAreasDisplay, AreasShown::kSeedsAndSelected);
}

TEST_F(AnalysisCommands, GreedySetGrowsTheSetAndTitlesTheMap) {
  shell->dispatch(Command::GreedySet);
  const AreaSet& a = session->areas;
  ASSERT_FALSE(a.empty());
  EXPECT_EQ(session->map.code(), kCodeGreedy);
  EXPECT_EQ(session->map.title, strprintf("greedy richness-area set for 1 rep (%d areas)", a.count()));
  // The first area scores highest and the scores count down.
  EXPECT_EQ(session->ws.cells[static_cast<std::size_t>(a.cells.front())].score, a.count());
  EXPECT_EQ(session->ws.cells[static_cast<std::size_t>(a.cells.back())].score, 1.0);
  EXPECT_GT(shell->display.classes.scoredCells, 0);
  EXPECT_EQ(host.busyDepth, 0);
  EXPECT_NE(results().find(" Database: Carnivora world, PHYLACINE 1.2."), std::string::npos) << results();
}

TEST_F(AnalysisCommands, HotspotsAskForTheNumberAndCancelChangesNothing) {
  session->settings.areasToAdd = 5;
  host.dialogAnswers = {false, true};
  shell->dispatch(Command::Hotspots);
  EXPECT_TRUE(session->areas.empty());
  EXPECT_EQ(session->map.code(), kCodeRichness);
  shell->dispatch(Command::Hotspots);
  EXPECT_EQ(session->areas.count(), 5);
  EXPECT_EQ(session->map.code(), kCodeHotspots);
  EXPECT_EQ(host.dialogs, (std::vector<std::string>{"SelecNumDlgBox1", "SelecNumDlgBox1"}));
  EXPECT_EQ(session->map.title.rfind("top ", 0), 0u) << session->map.title;
  EXPECT_NE(results().find("Top 5 hotspots by richness"), std::string::npos) << results();
}

TEST_F(AnalysisCommands, IrreplaceabilityMeasuresAndTheFlexibleMapRefusal) {
  shell->dispatch(Command::EmrIrreplaceability);
  EXPECT_EQ(session->map.code(), kCodeEmrIrreplaceability);
  EXPECT_EQ(session->map.title, "EMR irreplaceability");
  shell->dispatch(Command::MaxRarity);
  EXPECT_EQ(session->map.code(), kCodeMaxRarity);
  EXPECT_EQ(session->map.title, "max rarity");
  shell->dispatch(Command::MapFullyFlexible);
  EXPECT_EQ(host.messageLines(),
            std::vector<std::string>{"Map fully flexible areas: No areas have been selected yet."});
  EXPECT_EQ(session->map.code(), kCodeMaxRarity);
}

}  // namespace
}  // namespace zn
