// The two GIS menu items of both desktop programs, chosen with the mouse
// through the menu bar and with the keyboard, the file choosers answered by
// the test host: the window writes the same files as the zonarium tool.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>

#include "gis/gisexport.h"
#include "tests/support/desktop.h"
#include "tests/support/gbif_rows.h"
#include "ui/gbifdialog.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

class GisMenus : public test::BothPrograms {
 protected:
  void SetUp() override {
    BothPrograms::SetUp();
    drawn();
  }
  QMenu* popup(const QString& title) {
    for (QAction* a : window->menuBar()->actions())
      if (a->menu() && a->text() == title) return a->menu();
    ADD_FAILURE() << "no menu " << title.toStdString();
    return nullptr;
  }
  // Alt and the menu's key, then the item's key, as a keyboard user does.
  void keyItem(const QString& menuTitle, char menuKey, char itemKey) {
    QMenu* menu = popup(menuTitle);
    ASSERT_NE(menu, nullptr);
    window->activateWindow();
    QTest::keyClick(window.get(), menuKey, Qt::AltModifier);
    QApplication::processEvents();
    ASSERT_TRUE(menu->isVisible());
    QTest::keyClick(menu, itemKey);
    QApplication::processEvents();
  }
};

TEST_P(GisMenus, ExportMapToGisWritesWhatTheToolWrites) {
  const fs::path mine = tmp.path() / "window.csv", theirs = tmp.path() / "tool.csv";
  host.saves.push_back(mine);
  test::clickMenuItem(window->menuBar(), {"&MapGraphics", "Export map to &GIS..."});
  EXPECT_EQ(host.fileTitles.back(), "Export map to GIS");
  ASSERT_TRUE(fs::exists(mine)) << (host.shown.empty() ? "" : host.shown.back());
  const auto r = tool({"export-gis", datafile.string(), "--out", theirs.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(test::readFile(mine), test::readFile(theirs));
  EXPECT_EQ(test::readFile(gisTaxaCsvPath(mine)), test::readFile(gisTaxaCsvPath(theirs)));

  // By keyboard, into a folder that does not exist: a message, no file.
  host.saves.push_back(tmp.path() / "nosuch" / "x.gpkg");
  keyItem("&MapGraphics", 'M', 'G');
  ASSERT_FALSE(host.shown.empty());
  EXPECT_EQ(host.shown.back().rfind("Export map to GIS: the folder ", 0), 0u) << host.shown.back();

  // A file of another kind under the chosen name: the window asks, and No
  // keeps the file.
  const fs::path other = tmp.path() / "other.gpkg";
  test::writeFile(other, "a spreadsheet");
  host.saves.push_back(other);
  test::clickMenuItem(window->menuBar(), {"&MapGraphics", "Export map to &GIS..."});
  EXPECT_EQ(host.shown.back(), "Export map to GIS: " + other.string() +
                                   " exists and is not a GeoPackage file.\nDo you want to replace it?");
  EXPECT_EQ(test::readFile(other), "a spreadsheet");
}

TEST_P(GisMenus, ImportGbifOccurrencesBuildsTheToolsDatafileAndOpensIt) {
  // Records of a taxon in two cells of either grid, and one at 0/0.
  std::string text = test::gbifHeader();
  const char* points[][2] = {{"51.547751", "-0.054443"}, {"50.065936", "-5.704407"}, {"0", "0"}};
  for (const auto& p : points) text += test::gbifRecord("Aglais io", p[0], p[1], "HUMAN_OBSERVATION", "Nymphalidae");
  const fs::path input = tmp.path() / "io.csv";
  test::writeFile(input, text);
  // The tool's import first, set aside, then the window's into the same file.
  const fs::path mine = home / program.folder / "io.dat", scores = fs::path(mine).replace_extension(".scr");
  const auto r = tool({"import-gbif", input.string(), mine.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  fs::rename(mine, tmp.path() / "tool.dat");
  fs::rename(scores, tmp.path() / "tool.scr");
  host.opens.push_back(input);
  host.saves.push_back(mine);
  // The options dialog: a year filter is typed that the rows cannot meet,
  // then cleared again before OK.
  bool dialogSeen = false;
  const auto play = test::whenModal<GbifImportDialog>([&](GbifImportDialog& d) {
    dialogSeen = true;
    // Left empty, the basis of record leaves fossils and captive organisms out, and the dialog says so.
    EXPECT_TRUE(d.basisNote()->isVisible());
    EXPECT_NE(d.basisNote()->text().indexOf("FOSSIL_SPECIMEN, LIVING_SPECIMEN"), -1);
    QTest::keyClicks(d.years(), "2020");
    QTest::keyClick(d.years(), Qt::Key_Return);  // not a range: the dialog stays
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.problem()->text().isEmpty());
    d.years()->clear();
    QTest::keyClick(d.years(), Qt::Key_Return);
  });
  keyItem("&DataBase", 'D', 'G');
  EXPECT_TRUE(dialogSeen);
  ASSERT_TRUE(fs::exists(mine)) << (host.shown.empty() ? "" : host.shown.back());
  EXPECT_EQ(host.shown.back(),
            "Import GBIF occurrences: 3 rows read: 2 records placed as 2 cell records for 1 taxa\n"
            "1 lost records, listed in " +
                (home / "LOSTDAT.TXT").string() +
                " (each import replaces it)\n"
                "0 fossil or zoo and garden records left out (FOSSIL_SPECIMEN, LIVING_SPECIMEN): "
                "a basis of record (--basis) that names them takes them");
  EXPECT_TRUE(session->ws.datafile.opened);
  EXPECT_EQ(session->ws.datafile.fileName, "io.dat");
  EXPECT_EQ(session->ws.counters.records, 2);
  EXPECT_EQ(test::readFile(mine), test::readFile(tmp.path() / "tool.dat"));
  EXPECT_EQ(test::readFile(scores), test::readFile(tmp.path() / "tool.scr"));

  // Again into the same datafile: the save dialog asked about it, the
  // scores file beside it is asked about here, and No keeps both.
  test::writeFile(scores, "old");
  const std::string datafileBefore = test::readFile(mine);
  host.opens.push_back(input);
  host.saves.push_back(mine);
  const auto ok = test::whenModalShown([](QWidget& modal) {
    if (auto* d = dynamic_cast<GbifImportDialog*>(&modal)) QTest::keyClick(d->years(), Qt::Key_Return);
  });
  test::clickMenuItem(window->menuBar(), {"&DataBase", "Import &GBIF occurrences..."});
  EXPECT_EQ(host.shown.back(),
            "Write imported GBIF data: " + scores.string() + " already exists.\nDo you want to replace it?");
  EXPECT_EQ(test::readFile(scores), "old");
  EXPECT_EQ(test::readFile(mine), datafileBefore);
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, GisMenus, ::testing::Values(GridVariant::World, GridVariant::Britain),
                         [](const auto& p) { return std::string(p.param == GridVariant::Britain ? "britain" : "world"); });

}  // namespace
}  // namespace zn

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
