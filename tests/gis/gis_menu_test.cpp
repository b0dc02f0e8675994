// The two GIS menu items of both desktop programs, chosen with the mouse
// through the menu bar and with the keyboard, the file choosers answered by
// the test host: the window writes the same files as the zonarium tool.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <deque>

#include "app/mainwindow.h"
#include "app/qthost.h"
#include "gis/gisexport.h"
#include "tests/support/gis_fixture.h"
#include "tests/support/cli_run.h"
#include "ui/gbifdialog.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

// Message boxes are noted, not shown; file choosers take queued answers.
class AnsweringHost : public QtHost {
 public:
  std::vector<std::string> shown;
  std::deque<fs::path> opens, saves;
  std::vector<std::string> titles;
  Answer messageBox(const std::string& text, const std::string& caption, Icon, Buttons b) override {
    shown.push_back(caption + ": " + text);
    return b == Buttons::Ok ? Answer::Ok : Answer::No;
  }
  std::optional<fs::path> chooseOpenFile(const FileRequest& r) override { return take(opens, r); }
  std::optional<fs::path> chooseSaveFile(const FileRequest& r) override { return take(saves, r); }

 private:
  std::optional<fs::path> take(std::deque<fs::path>& q, const FileRequest& r) {
    titles.push_back(r.title);
    if (q.empty()) return std::nullopt;
    fs::path p = q.front();
    q.pop_front();
    return p;
  }
};

struct Variant {
  GridVariant variant;
  const char* folder;
  const char* datafile;
  const char* grid;
  int cells;
};

class GisMenus : public ::testing::TestWithParam<Variant> {
 protected:
  test::ShippedHome shipped;
  fs::path home = shipped.home;
  AnsweringHost host;
  std::unique_ptr<Session> session;
  std::unique_ptr<Shell> shell;
  std::unique_ptr<MainWindow> window;

  void SetUp() override {
    session = std::make_unique<Session>(host, home, GetParam().variant);
    ASSERT_TRUE(startSession(*session));
    shell = std::make_unique<Shell>(*session, host);
    window = std::make_unique<MainWindow>(*shell, "test");
    host.setWindow(window.get());
    host.opens.push_back(datafile());
    window->resize(1000, 700);
    window->show();
    QApplication::processEvents();
    ASSERT_TRUE(session->ws.datafile.opened);
  }
  void TearDown() override {
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  fs::path datafile() const { return home / GetParam().folder / GetParam().datafile; }

  QMenu* popup(const QString& title) {
    for (QAction* a : window->menuBar()->actions())
      if (a->menu() && a->text() == title) return a->menu();
    ADD_FAILURE() << "no menu " << title.toStdString();
    return nullptr;
  }
  // Opens the menu with a click on the menu bar, then clicks the item.
  void clickItem(const QString& menuTitle, const QString& item) {
    QMenuBar* bar = window->menuBar();
    QMenu* menu = popup(menuTitle);
    ASSERT_NE(menu, nullptr);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    QApplication::processEvents();
    ASSERT_TRUE(menu->isVisible());
    QAction* target = nullptr;
    for (QAction* a : menu->actions())
      if (a->text() == item) target = a;
    ASSERT_NE(target, nullptr) << item.toStdString();
    ASSERT_TRUE(target->isEnabled()) << item.toStdString();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(target).center());
    QApplication::processEvents();
  }
  // The same with the keyboard: Alt and the menu's key, then the item's key.
  void keyItem(QMenu* menu, char menuKey, char itemKey) {
    window->activateWindow();
    QTest::keyClick(window.get(), menuKey, Qt::AltModifier);
    QApplication::processEvents();
    ASSERT_TRUE(menu->isVisible());
    QTest::keyClick(menu, itemKey);
    QApplication::processEvents();
  }
  test::CliOutput tool(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", (shipped.tmp.path() / "toolhome").string(), "--grid", GetParam().grid});
    return test::runCli(args);
  }
};

TEST_P(GisMenus, ExportMapToGisWritesWhatTheToolWrites) {
  const fs::path mine = shipped.tmp.path() / "window.csv", theirs = shipped.tmp.path() / "tool.csv";
  host.saves.push_back(mine);
  clickItem("&MapGraphics", "Export map to &GIS...");
  EXPECT_EQ(host.titles.back(), "Export map to GIS");
  ASSERT_TRUE(fs::exists(mine)) << (host.shown.empty() ? "" : host.shown.back());
  const auto r = tool({"export-gis", datafile().string(), "--out", theirs.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  const std::string cells = test::readFile(mine);
  EXPECT_EQ(cells, test::readFile(theirs));
  EXPECT_EQ(test::readFile(gisTaxaCsvPath(mine)), test::readFile(gisTaxaCsvPath(theirs)));
  EXPECT_EQ(std::count(cells.begin(), cells.end(), '\n'), GetParam().cells + 1);

  // By keyboard, into a folder that does not exist: a message, no file.
  host.saves.push_back(shipped.tmp.path() / "nosuch" / "x.gpkg");
  keyItem(popup("&MapGraphics"), 'M', 'G');
  ASSERT_FALSE(host.shown.empty());
  EXPECT_EQ(host.shown.back().rfind("Export map to GIS: the folder ", 0), 0u) << host.shown.back();

  // A file of another kind under the chosen name: the window asks, and No
  // keeps the file.
  const fs::path other = shipped.tmp.path() / "other.gpkg";
  test::writeFile(other, "a spreadsheet");
  host.saves.push_back(other);
  clickItem("&MapGraphics", "Export map to &GIS...");
  EXPECT_EQ(host.shown.back(), "Export map to GIS: " + other.string() +
                                   " exists and is not a GeoPackage file.\nDo you want to replace it?");
  EXPECT_EQ(test::readFile(other), "a spreadsheet");
}

TEST_P(GisMenus, ImportGbifOccurrencesBuildsTheToolsDatafileAndOpensIt) {
  // Records of a taxon in two cells of either grid, and one at 0/0.
  std::string text = test::gbifHeader();
  for (const char* ll : {"51.547751\t-0.054443", "50.065936\t-5.704407", "0\t0"}) {
    std::string row = test::gbifRow({{"family", "Nymphalidae"},
                                     {"genus", "Aglais"},
                                     {"species", "Aglais io"},
                                     {"decimalLatitude", "LAT"},
                                     {"decimalLongitude", "LON"}});
    const std::string both = ll;
    row.replace(row.find("LAT\tLON"), 7, both);
    text += row;
  }
  const fs::path input = shipped.tmp.path() / "io.csv";
  test::writeFile(input, text);
  const fs::path mine = home / GetParam().folder / "io.dat";
  host.opens.push_back(input);
  host.saves.push_back(mine);
  // The options dialog: a year filter is typed that the rows cannot meet,
  // then cleared again before OK.
  bool dialogSeen = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* d = dynamic_cast<GbifImportDialog*>(QApplication::activeModalWidget());
    if (!d) return;
    poll.stop();
    dialogSeen = true;
    // Left empty, the basis of record leaves fossils and captive organisms out, and the dialog says so.
    EXPECT_TRUE(d->basisNote()->isVisible());
    EXPECT_NE(d->basisNote()->text().indexOf("FOSSIL_SPECIMEN, LIVING_SPECIMEN"), -1);
    QTest::keyClicks(d->years(), "2020");
    QTest::keyClick(d->years(), Qt::Key_Return);  // not a range: the dialog stays
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(d->problem()->text().isEmpty());
    d->years()->clear();
    QTest::keyClick(d->years(), Qt::Key_Return);
  });
  poll.start();
  keyItem(popup("&DataBase"), 'D', 'G');
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

  const fs::path theirs = shipped.tmp.path() / "toolhome" / GetParam().folder / "io.dat";
  fs::create_directories(theirs.parent_path());
  const auto r = tool({"import-gbif", input.string(), theirs.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(test::readFile(mine), test::readFile(theirs));
  const fs::path scores = fs::path(mine).replace_extension(".scr");
  EXPECT_EQ(test::readFile(scores), test::readFile(fs::path(theirs).replace_extension(".scr")));

  // Again into the same datafile: the save dialog asked about it, the
  // scores file beside it is asked about here, and No keeps both.
  test::writeFile(scores, "old");
  const std::string datafileBefore = test::readFile(mine);
  host.opens.push_back(input);
  host.saves.push_back(mine);
  QTimer ok;
  ok.setInterval(10);
  QObject::connect(&ok, &QTimer::timeout, [&] {
    if (auto* d = dynamic_cast<GbifImportDialog*>(QApplication::activeModalWidget())) {
      ok.stop();
      QTest::keyClick(d->years(), Qt::Key_Return);
    }
  });
  ok.start();
  clickItem("&DataBase", "Import &GBIF occurrences...");
  EXPECT_EQ(host.shown.back(),
            "Write imported GBIF data: " + scores.string() + " already exists.\nDo you want to replace it?");
  EXPECT_EQ(test::readFile(scores), "old");
  EXPECT_EQ(test::readFile(mine), datafileBefore);
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, GisMenus,
                         ::testing::Values(Variant{GridVariant::World, "equal", "carnivora.dat", "world", 864},
                                           Variant{GridVariant::Britain, "britain", "butterflies.dat", "britain",
                                                   2777}),
                         [](const auto& param_info) { return std::string(param_info.param.grid); });

}  // namespace
}  // namespace zn

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
