// Export scores: the layouts against hand-worked files, the dialog's
// choices, the offset warning, the mismatch preselection file and the
// command's dialogs.
#include <gtest/gtest.h>

#include "interchange/scores_export.h"
#include "shell/analyses.h"
#include "shell/scores_commands.h"
#include "tests/support/hand_grid.h"

namespace zn::test {
namespace {

TEST(ScoresExportLayouts, EachWritesTheHandWorkedFile) {
  struct Case {
    const char* file;
    int layout;
    bool rarity, markerAsZero;
  };
  for (const Case& c : {Case{"scores_plain.scr", kLayoutPlain, false, false},
                        Case{"scores_plain_occupied_percent.scr", kLayoutPlainOccupied, true, true},
                        Case{"scores_numbered.scr", kLayoutNumbered, false, false},
                        Case{"scores_numbered_occupied_percent.scr", kLayoutNumberedOccupied, true, false},
                        Case{"scores_centroids.scr", kLayoutCentroids, true, false},
                        Case{"scores_pair.scr", kLayoutPair, false, false}}) {
    SCOPED_TRACE(c.file);
    HandGrid g;
    g.fillScores();
    if (c.rarity) g.asRarity();
    g.s.overlay.pairLoaded = c.layout == kLayoutPair;  // both columns, markers as 0, no percentage
    expectMatchesFileAt(scoresFileText(g.s, c.layout, c.markerAsZero), interchangeDataDir() / c.file);
  }
}

TEST(ScoresExportValues, PercentageOnlyWithoutOverlayAndWithATotal) {
  struct Case {
    const char* what;
    int code;
    double total;
    bool pair;
    double expected;  // cell 6 (score 7) in layout "#2"
  };
  const Case cases[] = {
      {"rarity with a total", kCodeRangeSizeRarity, 5.0, false, 140.0},
      {"rarity without a total", kCodeRangeSizeRarity, 0.0, false, 7.0},
      {"rarity under a pair", kCodeRangeSizeRarity, 5.0, true, 7.0},
      {"richness", kCodeRichness, 5.0, false, 7.0},
      {"selective richness", kCodeSelectiveRichness, 5.0, false, 7.0},
      {"the overlay display", kCodeOverlay, 5.0, false, 7.0},
  };
  for (const Case& c : cases) {
    HandGrid g;
    g.fillScores();
    g.s.map.show(mapTraits(static_cast<MeasureCode>(c.code)));
    g.s.map.mapMaximum = c.total;
    g.s.overlay.pairLoaded = c.pair;
    EXPECT_DOUBLE_EQ(exportedValue(g.s, 6, kLayoutNumbered, false), c.expected) << c.what;
  }
  // The overlay display's raw columns bear on no other map.
  HandGrid g;
  g.fillScores();
  g.asRarity();
  g.s.overlay.raw = {true, true};
  EXPECT_DOUBLE_EQ(exportedValue(g.s, 6, kLayoutNumbered, false), 140.0);
}

// The marker is 0 or 10000 by the choice, 0 in a pair; the centroid layout
// adds the offset back and writes the marker as the offset.
TEST(ScoresExportValues, MarkersAndTheOffsetByLayout) {
  HandGrid g;
  g.fillScores();
  EXPECT_DOUBLE_EQ(exportedValue(g.s, 3, kLayoutPlain, false), 10000.0);
  EXPECT_DOUBLE_EQ(exportedValue(g.s, 3, kLayoutPlain, true), 0.0);
  EXPECT_DOUBLE_EQ(exportedValue(g.s, 3, kLayoutPair, false), 0.0);
  // A score left on an unoccupied cell is not data.
  g.cell(5).score = 9.0;
  EXPECT_DOUBLE_EQ(exportedValue(g.s, 5, kLayoutNumbered, false), 0.0);
  g.s.map.showBase(kCodeImportedScores);
  g.s.map.mapMaximum = 0.0;
  g.s.map.scoreOffset = -2.0;
  EXPECT_DOUBLE_EQ(exportedValue(g.s, 1, kLayoutCentroids, false), 1.5);
  EXPECT_DOUBLE_EQ(exportedValue(g.s, 3, kLayoutCentroids, false), -2.0);
  // The numbered layouts write the shifted value itself.
  EXPECT_DOUBLE_EQ(exportedValue(g.s, 1, kLayoutNumbered, false), 3.5);
}

TEST(ScoresExportDialog, ChoicesMakeTheStoredLayoutCode) {
  struct Case {
    bool numbers, occupied, background;
    int kind;
    int layout;
  };
  const Case cases[] = {
      {true, false, false, kExportScr, kLayoutNumbered}, {true, true, false, kExportScr, kLayoutNumberedOccupied},
      {false, false, false, kExportScr, kLayoutPlain},   {false, true, false, kExportScr, kLayoutPlainOccupied},
      {true, true, true, kExportScr, kLayoutPair},       {true, true, true, kExportCentroids, kLayoutCentroids},
  };
  for (const Case& c : cases) {
    ExportScoresModel m;
    m.setChecked(kExportCellNumbers, c.numbers);
    m.setChecked(kExportOccupiedOnly, c.occupied);
    m.setChecked(kExportBackground, c.background);
    m.setChecked(c.kind, true);
    EXPECT_EQ(m.layout(), c.layout) << c.numbers << c.occupied << c.background << " kind " << c.kind;
  }
}

// The dialog starts with the numbers ticked and the plain radio; the
// mismatch falls back to the plain export without a pair.
TEST(ScoresExportDialog, StartsPlainAndMismatchNeedsAPair) {
  HandGrid g;
  ExportScoresModel m = exportScoresModel(g.s);
  EXPECT_TRUE(m.checked(kExportCellNumbers));
  EXPECT_TRUE(m.checked(kExportScr));
  EXPECT_FALSE(m.checked(kExportOccupiedOnly) || m.checked(kExportMarkerAsZero) || m.checked(kExportBackground));
  EXPECT_FALSE(m.enabled(kExportMismatch));
  m.setChecked(kExportMismatch, true);
  EXPECT_TRUE(m.checked(kExportScr));
  EXPECT_FALSE(m.mismatch());
  m.pairLoaded = true;
  m.setChecked(kExportMismatch, true);
  EXPECT_TRUE(m.checked(kExportMismatch));
  EXPECT_FALSE(m.checked(kExportScr));
  EXPECT_TRUE(m.mismatch());
  EXPECT_EQ(m.layout(), -1);
}

TEST(ScoresExportFile, OffsetWarningPrecedesEveryLayoutButCentroids) {
  for (const int layout : {kLayoutPlain, kLayoutNumbered, kLayoutPair, kLayoutCentroids}) {
    HandGrid g;
    g.fillScores();
    g.s.map.scoreOffset = -2.0;
    ExportScoresModel m;
    m.setChecked(kExportBackground, layout == kLayoutPair);
    m.setChecked(kExportCellNumbers, layout != kLayoutPlain);
    if (layout == kLayoutCentroids) m.setChecked(kExportCentroids, true);
    ASSERT_EQ(m.layout(), layout);
    ASSERT_TRUE(exportScoresTo(g.s, g.s.notices, m, g.file("out.scr")));
    if (layout == kLayoutCentroids) {
      EXPECT_TRUE(g.s.notices.empty()) << layout;
    } else {
      ASSERT_EQ(g.s.notices.size(), 1u) << layout;
      EXPECT_EQ(noticeLines(g.s)[0], "Export scores: WARNING:\nall exported scores exclude an offset of\n-2.000000");
      EXPECT_EQ(g.s.notices[0].icon, Icon::Exclamation);
    }
  }
}

TEST(ScoresExportFile, MismatchWritesAPreselectionOfCellsPresentInOneMapOnly) {
  HandGrid g;
  g.fillScores();
  g.s.overlay.pairLoaded = true;
  ExportScoresModel m = exportScoresModel(g.s);
  m.setChecked(kExportMismatch, true);
  ASSERT_TRUE(exportScoresTo(g.s, g.s.notices, m, g.file("mismatch.pre")));
  // Foreground in 1, 3, 4, 6; background in 1, 2, 4.
  EXPECT_EQ(readFile(g.file("mismatch.pre")),
            "[included group code]\n[excluded data level]\n[excluded taxa]\n[excluded areas]\n2\n3\n6\n[end]\n");
}

TEST(ScoresExportCommand, AsksTheDialogThenTheFileAndKeepsTheChoice) {
  HandGrid g;
  g.fillScores();
  g.host.onDialog = [](const std::string&, DialogModel& model) {
    auto& m = dynamic_cast<ExportScoresModel&>(model);
    m.setChecked(kExportCellNumbers, false);
    m.setChecked(kExportMarkerAsZero, true);
  };
  g.host.dialogAnswers.push_back(true);
  g.host.saveFiles.push_back(g.file("cmd.scr"));
  ASSERT_TRUE(exportScores(g.s, g.host));
  EXPECT_EQ(g.host.dialogs, std::vector<std::string>{"DEXSDLGBOX"});
  ASSERT_EQ(g.host.saveRequests.size(), 1u);
  EXPECT_EQ(g.host.saveRequests[0].title, "Export scores");
  EXPECT_EQ(g.s.settings.scoresExportChoice, kLayoutPlain);
  EXPECT_EQ(g.s.settings.scoresExportOption, Flag::kOn);
  const std::string text = readFile(g.file("cmd.scr"));
  EXPECT_NE(text.find("#1\n            3.500000\n            0.000000\n            0.000000\n"), std::string::npos)
      << text;
}

TEST(ScoresExportCommand, NothingHappensWithoutOccupiedCellsOrWhenCancelled) {
  HandGrid g;
  g.host.dialogAnswers.push_back(true);
  EXPECT_FALSE(exportScores(g.s, g.host));
  EXPECT_TRUE(g.host.dialogs.empty());

  g.fillScores();
  g.host.dialogAnswers = {false};
  EXPECT_FALSE(exportScores(g.s, g.host));
  EXPECT_TRUE(g.host.saveRequests.empty());

  g.host.dialogAnswers = {true};
  EXPECT_FALSE(exportScores(g.s, g.host));  // the save dialog is cancelled
  EXPECT_EQ(g.host.saveRequests.size(), 1u);
  EXPECT_TRUE(std::filesystem::is_empty(g.tmp.path()));
}

TEST(ScoresExportCommand, AFileThatCannotBeWrittenIsReported) {
  HandGrid g;
  g.fillScores();
  ExportScoresModel m;
  const auto path = g.file("missing") / "out.scr";
  EXPECT_FALSE(exportScoresTo(g.s, g.s.notices, m, path));
  ASSERT_EQ(g.s.notices.size(), 1u);
  EXPECT_EQ(noticeLines(g.s)[0], "Export scores: Can't write file\n" + path.string());
}

}  // namespace
}  // namespace zn::test
