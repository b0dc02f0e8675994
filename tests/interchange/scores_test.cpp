// Scores files: import (the format statement search, every layout, excluded
// areas, negative columns and their offsets, the pair and three-axis
// columns, hostile files), export (the layouts against hand-worked files,
// the dialog's choices, the offset warning, the mismatch preselection file)
// and both commands, through the dispatcher on the shipped carnivores too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>

#include "interchange/scores_export.h"
#include "interchange/scores_import.h"
#include "interchange/scr.h"
#include "measures/scores.h"
#include "shell/analyses.h"
#include "shell/scores_commands.h"
#include "store/text.h"
#include "tests/support/hand_grid.h"
#include "tests/support/shells.h"

namespace zn::test {
namespace {

const std::string kFormats =
    "#0 - cell longitude, latitude, score,\n#1 - scores in order of grid cell number,\n"
    "#2 - cell number score number pairs\n#3 - cell number, foreground score, background score";

// "cell:score/count" of every cell with either, for whole-map comparisons.
std::string mapOf(HandGrid& g) {
  std::string out;
  for (int n = 1; n <= 6; ++n)
    if (g.cell(n).score != 0.0 || g.cell(n).count != 0)
      out += strprintf("%d:%g/%d ", n, g.cell(n).score, g.cell(n).count);
  return out;
}

bool importText(HandGrid& g, const std::string& text, const std::string& name = "in.scr") {
  return importScoresFile(scoresImportTarget(g.s), g.write(name, text));
}

// Cost and threat files: the first value column with the cells it reached,
// the format kept, and a file without one refused with its reason.
TEST(ScoresColumn, FirstColumnOfEachCellReadAndUnreadableFilesRefused) {
  HandGrid g;
  struct Case {
    std::string text;
    int format;
    std::vector<double> values;
    std::vector<char> read;
  };
  const Case cases[] = {
      {"#0\n5 15 3\n25 5 4\n", 0, {0, 3, 0, 0, 0, 0, 4}, {0, 1, 0, 0, 0, 0, 1}},
      {"#3\n2 7 9\n5 -1 8\n", 3, {0, 0, 7, 0, 0, -1, 0}, {0, 0, 1, 0, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    const ScoresRead r = readScoresFile(g.write("costs.scr", c.text).string(), g.s.ws);
    ASSERT_TRUE(r.column) << c.text << r.error;
    EXPECT_EQ(r.column->format, c.format);
    ASSERT_GE(r.column->values.size(), 7u);
    EXPECT_EQ(std::vector<double>(r.column->values.begin(), r.column->values.begin() + 7), c.values) << c.text;
    ASSERT_GE(r.column->read.size(), 7u);
    EXPECT_EQ(std::vector<char>(r.column->read.begin(), r.column->read.begin() + 7), c.read) << c.text;
  }
  const ScoresRead none = readScoresColumn("1 2 3\n", g.s.ws);
  EXPECT_FALSE(none.column);
  EXPECT_EQ(none.error.rfind("Can't find format statement before data:", 0), 0u) << none.error;
  const std::string missing = g.file("absent.scr").string();
  const ScoresRead gone = readScoresFile(missing, g.s.ws);
  EXPECT_FALSE(gone.column);
  EXPECT_EQ(gone.error, "Can't open file\n" + missing);
}

// Over a full map: a file read replaces the scores before, to the last cell;
// hostile input never reaches outside the grid nor keeps a non-finite
// value; a refused file leaves the map alone and says why.
TEST(ScoresImportLayouts, EachLayoutFillsTheCellsItNamesAndARefusedFileLeavesTheMap) {
  const std::string full = "1:3.5/2 3:10000/1 4:1.25/1 6:7/3 ", longNumber = "1" + std::string(5000, '0');
  const std::string noStatement = "Import scores: Can't find format statement before data:\n" + kFormats;
  const std::string badStatement = "Import scores: Format statement error, options:\n" + kFormats;
  struct Case {
    const char* what;
    std::string text, map;
    std::string notice = {};  // a refusal's message
  };
  const Case cases[] = {
      {"#1 in cell order, extra values ignored", "#1\n1\n0\n2.5\n4\n5\n6\n7\n8\n", "1:1/1 3:2.5/1 4:4/1 5:5/1 6:6/1 "},
      {"#1 short file", "#1 9 8", "1:9/1 2:8/1 "},
      {"#2 pairs, outside cells skipped", "#2\n6 1.5\n0 3\n7 3\n-1 3\n2 2\n", "2:2/1 6:1.5/1 "},
      {"#2 no more pairs than cells", "#2\n9 1\n9 1\n9 1\n9 1\n9 1\n9 1\n1 5\n", ""},
      {"#0 points by centroid bounds", "#0\n 5.0 15.0 3\n25 5 4\n100 100 9\n-5 15 9\n", "1:3/1 6:4/1 "},
      {"#0 edges belong to the east and north neighbours", "#0\n10 15 1\n20 10 2\n0 0 3\n", "2:1/1 3:2/1 4:3/1 "},
      {"#6 reads nothing", "#6\n1 2\n3 4\n", ""},
      {"text before the statement", "any header\nwith lines\n#2\n3 7\n", "3:7/1 "},
      {"first # inside the header is the statement", "scores #2 from a tool\n from a tool\n4 1\n", "4:1/1 "},
      {"a token that is no number reads as 0", "#2\n1 abc\n2 5\n", "2:5/1 "},
      {"CR LF lines", "#2\r\n1 2.5\r\n3 4\r\n", "1:2.5/1 3:4/1 "},
      {"huge cell numbers", "#2\n99999999999999999999 1\n4294967297 2\n-2147483649 3\n1e308 4\n5 5\n", "5:5/1 "},
      {"non-finite values", "#2\n1 nan\n2 inf\n3 1e999\n4 -1e999\n6 2\n", "6:2/1 "},
      {"thousands of digits", "#1\n" + longNumber + " 0." + std::string(5000, '5') + "\n", "2:0.555556/1 "},
      {"record cut short", "#3\n1 2\n", ""},
      {"#0 half a point", "#0\n5 15\n", ""},
      {"NUL bytes", std::string("#2\n1\0 2\n3 4", 11), "1:2/1 3:4/1 "},
      {"empty file", "", full, noStatement},
      {"digit 7", "#7\n1 2\n", full, badStatement},
      {"# alone at the end", "text #", full, badStatement},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HandGrid g;
    g.fillScores();
    EXPECT_EQ(importText(g, c.text), c.notice.empty());
    EXPECT_EQ(mapOf(g), c.map);
    EXPECT_EQ(noticeLines(g.s), c.notice.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.notice});
    if (c.notice.empty()) {
      // "#3" is a foreground and background pair, however short.
      EXPECT_EQ(g.s.map.importKind, c.text.starts_with("#3") ? kImportForegroundBackground : kImportSingle);
      EXPECT_TRUE(g.s.scoresPresent);
    }
  }
  HandGrid g;
  const auto missing = g.file("none.scr");
  EXPECT_FALSE(importScoresFile(scoresImportTarget(g.s), missing));
  EXPECT_EQ(noticeLines(g.s), std::vector<std::string>{"Import scores: Can't open file\n" + missing.string()});
}

TEST(ScoresImportOffsets, NegativeScoresAreShiftedTheOffsetReportedAndExportedBack) {
  HandGrid g;
  ASSERT_TRUE(importText(g, "#2\n1 -2\n2 0\n3 3\n"));
  EXPECT_EQ(mapOf(g), "1:10000/1 3:5/1 ");
  EXPECT_DOUBLE_EQ(g.s.map.scoreOffset, -2.0);
  ASSERT_EQ(g.s.notices.size(), 1u);
  EXPECT_EQ(g.s.notices[0].icon, Icon::Information);
  // The centroid export gives back the values read, the marker as the shift.
  ExportScoresModel centroids;
  centroids.setChecked(kExportCentroids, true);
  ASSERT_TRUE(exportScoresTo(g.s, g.s.notices, centroids, g.file("back.scr")));
  const std::string text = readFile(g.file("back.scr"));
  EXPECT_NE(text.find("#0\n  5.0000  15.0000           -2.000000\n 25.0000  15.0000            3.000000\n"),
            std::string::npos)
      << text;
  // A marker read takes the shift too.
  ASSERT_TRUE(importText(g, "#1\n10000 -1.5 2 -0.5\n"));
  EXPECT_EQ(mapOf(g), "1:1.5/1 2:10000/1 3:3.5/1 4:1/1 ");
}

// Markers exported as 10000 come back as markers; a title holding a hash
// does not take the format statement's place.
TEST(ScoresImportRoundTrip, MarkersTitlesWithAHashAndTooWideValuesComeBackAsTheyWere) {
  HandGrid g;
  g.fillScores();
  g.s.map.dataTitle = "Birds #2";
  g.s.backgroundMap.title = "#5 plot";
  ExportScoresModel m;  // "#2", every cell, markers as 10000
  ASSERT_TRUE(exportScoresTo(g.s, g.s.notices, m, g.file("round.scr")));
  EXPECT_NE(readFile(g.file("round.scr")).find(" Scores for dataset: Birds _2.\n"), std::string::npos);
  EXPECT_EQ(scoresFileText(g.s, kLayoutPair, false).substr(0, 40), "Birds _2: richness\nbg data: _5 plot\n ZON");
  HandGrid h;
  ASSERT_TRUE(importScoresFile(scoresImportTarget(h.s), g.file("round.scr")));
  EXPECT_EQ(mapOf(h), "1:3.5/1 3:10000/1 4:1.25/1 6:7/1 ");
  EXPECT_EQ(h.s.map.occupiedCells, 4);
  EXPECT_TRUE(h.s.notices.empty());

  // Values too wide for their field stay apart and read back.
  g.cell(6).score = 1.5e13;  // 21 characters as "%#20.6f"
  writeBackCell(g.s.ws, 1, BackCell{1, -2.5e15, 0, 0});
  g.s.overlay.pairLoaded = true;
  const std::string numbered = scoresFileText(g.s, kLayoutNumbered, false);
  EXPECT_NE(numbered.find("\n     6 15000000000000.000000\n"), std::string::npos) << numbered;
  EXPECT_NE(numbered.find("\n     1            3.500000\n"), std::string::npos) << "narrow values keep their layout";
  const std::string pair = scoresFileText(g.s, kLayoutPair, false);
  EXPECT_NE(pair.find("\n     1            3.500000 -2500000000000000.000000\n"), std::string::npos) << pair;

  HandGrid wide;
  ASSERT_TRUE(importText(wide, numbered));
  EXPECT_DOUBLE_EQ(wide.cell(6).score, 1.5e13);
  HandGrid p;
  ASSERT_TRUE(importText(p, pair));
  EXPECT_DOUBLE_EQ(readBackCell(p.s.ws, 1).score, 10000.0) << "the pair's only negative becomes the marker";
  EXPECT_DOUBLE_EQ(p.s.backgroundMap.scoreOffset, -2.5e15);
}

TEST(ScoresImportExcludedAreas, AreZeroedInEveryColumnAndTakeNoOffset) {
  HandGrid g;
  g.s.ws.borrowedAreas = {2, 5};
  ASSERT_TRUE(importText(g, "#4\n1 -1 1 1\n2 5 5 5\n5 -3 0 -4\n6 0 0 2\n"));
  // Column 1's minimum is -1 once cell 5 is gone; cell 6 is present
  // through its third column, so its 0 takes the shift as well.
  EXPECT_EQ(mapOf(g), "1:10000/1 6:1/1 ");
  const auto& v = g.s.overlay.threeAxis.values;
  EXPECT_EQ(v[2], (std::array<double, 3>{0, 0, 0}));
  EXPECT_EQ(v[5], (std::array<double, 3>{0, 0, 0}));
  EXPECT_EQ(v[6], (std::array<double, 3>{1, 0, 2}));
  EXPECT_DOUBLE_EQ(g.s.map.scoreOffset, -1.0);
  EXPECT_TRUE(g.s.notices.empty()) << "only a single-column import reports its offset";
}

TEST(ScoresImportPair, FillsForegroundBackgroundTitlesAndCounts) {
  HandGrid g;
  g.s.settings.overlayOption = OverlayJoin::kEither;
  g.s.backgroundMap.dataTitle = "stale background data";
  ASSERT_TRUE(
      importText(g, "set A: measure A\r\nset B: measure B\nheader\n#3\n1 2 0\n2 0 3\n3 4 5\n4 -1 0\n", "pair.scr"));
  EXPECT_EQ(g.s.map.importKind, kImportForegroundBackground);
  EXPECT_TRUE(g.s.overlay.pairLoaded);
  EXPECT_EQ(g.s.map.title, "set A: measure A");
  EXPECT_EQ(g.s.backgroundMap.title, "set B: measure B");
  // The background's data title is the file's, not an earlier map's.
  EXPECT_EQ(g.s.backgroundMap.dataTitle, "pair.scr");
  EXPECT_EQ(scoresFileText(g.s, kLayoutPair, false).substr(0, 71),
            "pair.scr: set A: measure A\npair.scr: set B: measure B\n ZONARIUM version");
  // Foreground shifted by 1: cell 4 becomes the marker.
  EXPECT_EQ(mapOf(g), "1:3/1 3:5/1 4:10000/1 ");
  EXPECT_EQ(std::tuple(readBackCell(g.s.ws, 2).score, readBackCell(g.s.ws, 2).count, readBackCell(g.s.ws, 1).count),
            std::tuple(3.0, 1, 0));
  EXPECT_EQ(std::tuple(g.s.overlay.backgroundCells, g.s.overlay.unionCount, g.s.overlay.sharedCount),
            std::tuple(2, 4, 1));
  EXPECT_EQ(g.cell(2).scored, 1) << "'or' scores a cell with a background only";
  EXPECT_TRUE(g.s.notices.empty());

  HandGrid both;
  both.s.settings.overlayOption = OverlayJoin::kBoth;
  ASSERT_TRUE(importText(both, "a\nb\n#3\n1 2 0\n3 4 5\n"));
  EXPECT_EQ(both.cell(1).scored, 0);
  EXPECT_EQ(both.cell(3).scored, 1);
}

TEST(ScoresImportOffsets, AShiftThatWouldOverflowIsRefusedAndChangesNothing) {
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"single column", "#2\n1 -1e308\n2 1e308\n"},
      {"third axis", "#4\n1 1 1 -1.7e308\n2 1 1 1.7e308\n"},
  };
  for (const Case& c : cases) {
    HandGrid g;
    ASSERT_TRUE(importText(g, "#2\n3 4\n"));
    EXPECT_FALSE(importText(g, c.text)) << c.what;
    ASSERT_EQ(g.s.notices.size(), 1u) << c.what;
    EXPECT_EQ(g.s.notices[0].caption, "Import scores");
    EXPECT_EQ(g.s.notices[0].text.rfind("Scores out of range:\n", 0), 0u) << g.s.notices[0].text;
    EXPECT_EQ(mapOf(g), "3:4/1 ") << c.what;
    EXPECT_EQ(g.s.map.importKind, kImportSingle) << c.what;
  }
  // Wide but finite once shifted: read as before.
  HandGrid g;
  ASSERT_TRUE(importText(g, "#2\n1 -1e307\n2 1e308\n"));
  EXPECT_TRUE(std::isfinite(g.cell(2).score));
  EXPECT_DOUBLE_EQ(g.s.map.scoreOffset, -1e307);
}

TEST(ScoresImportThreeAxis, FillsTheBufferResetsTheAxesAndReadsTitles) {
  HandGrid g;
  g.s.overlay.threeAxis.axisOfColour = {2, 1, 0};
  g.s.overlay.threeAxis.reversed = {true, true, true};
  ASSERT_TRUE(importText(g, "green axis\nblue axis\nred axis\n#5\n2 1 2 3\n4 0 0 7\n"));
  const ThreeAxisBuffer& b = g.s.overlay.threeAxis;
  EXPECT_EQ(std::tuple(b.loaded, g.s.map.importKind, mapOf(g), g.cell(4).scored),
            std::tuple(true, kImportThreeAxis, "2:1/1 4:0/1 ", 1));
  EXPECT_EQ(b.titles, (std::array<std::string, 3>{"green axis", "blue axis", "red axis"}));
  EXPECT_EQ(std::tuple(b.axisOfColour, b.reversed, b.values[4]),
            std::tuple(std::array<int, 3>{0, 1, 2}, std::array<bool, 3>{}, std::array<double, 3>{0, 0, 7}));

  // "#4" keeps no titles; the next single import unloads the buffer.
  ASSERT_TRUE(importText(g, "#4\n1 1 1 1\n"));
  EXPECT_EQ(g.s.overlay.threeAxis.titles, (std::array<std::string, 3>{}));
  ASSERT_TRUE(importText(g, "#1 3"));
  EXPECT_EQ(std::tuple(g.s.overlay.threeAxis.loaded, g.s.overlay.threeAxis.values.size()), std::tuple(false, 0u));
}

// A cell across the date line has its centroid and its points; cells without
// usable bounds take none.
TEST(ScoresImportLayouts, CellBoundsAcrossTheDateLineOrUnusable) {
  HandGrid g;
  g.fillScores();
  g.cell(3).lonWest = 170.0;  // as a world column from 170 E to 170 W
  g.cell(3).lonEast = -170.0;
  const std::string text = scoresFileText(g.s, kLayoutCentroids, false);
  EXPECT_NE(text.find("\n180.0000  15.0000 "), std::string::npos) << text;
  HandGrid h;
  h.cell(3).lonWest = 170.0;
  h.cell(3).lonEast = -170.0;
  ASSERT_TRUE(importText(h, "#0\n-175 15 1\n"));
  EXPECT_EQ(mapOf(h), "3:1/1 ");
  ASSERT_TRUE(importText(h, "#0\n175 15 2\n"));
  EXPECT_EQ(mapOf(h), "3:2/1 ");
  ASSERT_TRUE(importText(h, "#0\n-170 15 2\n"));
  EXPECT_EQ(mapOf(h), "") << "the east edge belongs to the next cell";
  HandGrid u;
  u.cell(2).lonWest = std::numeric_limits<double>::quiet_NaN();
  u.cell(5).lonWest = -std::numeric_limits<double>::infinity();
  u.cell(3).latNorth = 1e308;
  u.cell(3).latSouth = -1e308;
  ASSERT_TRUE(importText(u, "#0\n15 15 1\n15 5 2\n25 -5e307 3\n5 5 4\n"));
  EXPECT_EQ(mapOf(u), "3:3/1 4:4/1 ");
}

TEST(ScoresImportCommand, AsksForTheFileAndKeepsItsName) {
  HandGrid g;
  const auto path = g.write("a_rather_long_scores_file_name_here.scr", "#1 1 2");
  g.host.openFiles.push_back(path);
  ASSERT_TRUE(importScores(g.s, g.host));
  ASSERT_EQ(g.host.openRequests.size(), 1u);
  EXPECT_EQ(g.s.map.importedName, "a_rather_long_scores_file_name_");
  EXPECT_EQ(importedScoresName("C:\\ZONARIUM\\equal\\x.scr"), "x.scr");
  EXPECT_FALSE(importScores(g.s, g.host)) << "a cancelled dialog imports nothing";
}

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

TEST(ScoresExportValues, PercentageOnlyWithoutOverlayAndWithATotalMarkersAndTheOffsetByLayout) {
  struct Case {
    const char* what;
    int code;
    double total;
    bool pair;
    double expected;  // cell 6 (score 7) in layout "#2"
  };
  // (Rarity with a total as a percentage, richness as it is: ScoresExportLayouts.)
  const Case cases[] = {
      {"rarity without a total", kCodeRangeSizeRarity, 0.0, false, 7.0},
      {"rarity under a pair", kCodeRangeSizeRarity, 5.0, true, 7.0},
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

  // (The marker as 0 or 10000 by the choice, 0 in a pair: ScoresExportLayouts.)
  // A score left on an unoccupied cell is no data; the centroid layout adds the
  // offset back and writes the marker as the offset.
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

TEST(ScoresExportCommand, AFileThatCannotBeWrittenIsReportedAndTheCommandKeepsTheChoice) {
  HandGrid g;
  g.fillScores();
  ExportScoresModel plain;
  const auto path = g.file("missing") / "out.scr";
  EXPECT_FALSE(exportScoresTo(g.s, g.s.notices, plain, path));
  ASSERT_EQ(g.s.notices.size(), 1u);
  EXPECT_EQ(noticeLines(g.s)[0], "Export scores: Can't write file\n" + path.string());

  // The command asks the dialog, then the file, and keeps the choice.
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

}  // namespace
}  // namespace zn::test
