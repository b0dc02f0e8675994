// The real main window, offscreen: its menus follow the session, and a
// screenshot can be saved for a person to look at.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>

#include <cstdlib>

#include "shell/qt/helpwindow.h"
#include "shell/qt/mainwindow.h"
#include "shell/qt/mapview.h"
#include "shell/qt/qthost.h"
#include "store/datafile.h"
#include "store/files.h"
#include "tests/support/fixtures.h"
#include "ui/datawindows.h"
#include "ui/selectiondialogs.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

// A host whose message boxes answer without showing anything.
class QuietQtHost : public QtHost {
 public:
  std::vector<std::string> shown;
  Answer answer = Answer::No;
  Answer messageBox(const std::string& text, const std::string& caption, Icon, Buttons b) override {
    shown.push_back(caption + ": " + text);
    return b == Buttons::Ok ? Answer::Ok : answer;
  }
};

QAction* findAction(QMenuBar* bar, const QString& text) {
  for (QAction* top : bar->actions())
    if (top->menu())
      for (QAction* a : top->menu()->actions()) {
        if (a->text() == text) return a;
        if (a->menu())
          for (QAction* b : a->menu()->actions())
            if (b->text() == text) return b;
      }
  return nullptr;
}

void saveScreenshot(QWidget& w, const char* name) {
  const char* dir = std::getenv("ZN_SCREENSHOT_DIR");
  if (!dir) return;
  fs::create_directories(dir);
  w.grab().save(QString::fromStdString((fs::path(dir) / name).string()));
}

// The desktop program on the shipped carnivore sample, the window up.
struct Desktop : ::testing::Test {
  test::TempDir tmp;
  fs::path home = tmp.path() / "ZONARIUM";
  QuietQtHost host;
  std::unique_ptr<Session> session;
  std::unique_ptr<Shell> shell;
  std::unique_ptr<MainWindow> window;

  void SetUp() override {
    ASSERT_TRUE(populateProgramFolder(home, fs::path(ZN_SOURCE_DIR) / "programdata"));
    session = std::make_unique<Session>(host, home);
    ASSERT_TRUE(startSession(*session));
    shell = std::make_unique<Shell>(*session, host);
    window = std::make_unique<MainWindow>(*shell, "test");
    host.setWindow(window.get());
    // The window posts "Open datafile" to itself; it takes the preset file.
    host.presetOpenFile(home / "equal" / "carnivora.dat");
    QApplication::processEvents();
    ASSERT_TRUE(session->ws.datafile.opened);
  }
  void TearDown() override {
    window.reset();  // the windows go before the dispatcher they talk to
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  MapView* view() { return window->mapView(); }
  // Shows the window and draws the map, so that points map to cells.
  void drawn() {
    window->resize(1000, 700);
    window->show();
    QApplication::processEvents();
    window->grab();
  }
  // A point of the map view over some cell other than `not`; the cell is
  // returned in `cell`.
  QPoint pointOnACell(int& cell, int other = 0) {
    for (int y = view()->height() / 3; y < view()->height(); y += 7)
      for (int x = view()->width() / 3; x < view()->width(); x += 7) {
        cell = view()->cellAt(QPoint(x, y));
        if (cell > 0 && cell != other) return QPoint(x, y);
      }
    ADD_FAILURE() << "no cell on the map";
    return {};
  }
  void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button) {
    QMouseEvent e(type, at, view()->mapToGlobal(at), button, type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                  Qt::NoModifier);
    QApplication::sendEvent(view(), &e);
  }
  void click(QPoint at, Qt::MouseButton button) {
    mouse(QEvent::MouseButtonPress, at, button);
    mouse(QEvent::MouseButtonRelease, at, button);
  }
  // As the window system delivers it: press, release, double-click, release.
  void doubleClick(QPoint at, Qt::MouseButton button) {
    click(at, button);
    mouse(QEvent::MouseButtonDblClick, at, button);
    mouse(QEvent::MouseButtonRelease, at, button);
  }
  QAction* action(const char* label) {
    QAction* a = findAction(window->menuBar(), label);
    EXPECT_NE(a, nullptr) << label;
    return a;
  }
};

TEST_F(Desktop, OpensTheDatafileAndEnablesTheMeasures) {
  MainWindow& window = *this->window;
  Session& session = *this->session;
  EXPECT_EQ(window.windowTitle(), "ZONARIUM IV test");
  QAction* open = findAction(window.menuBar(), "Open data&file");
  ASSERT_NE(open, nullptr);
  EXPECT_TRUE(open->isEnabled());
  QAction* exit = findAction(window.menuBar(), "E&xit");
  ASSERT_NE(exit, nullptr);

  EXPECT_TRUE(host.shown.empty());
  EXPECT_EQ(session.map.measureCode, 1);
  EXPECT_EQ(session.map.title, "richness");
  QAction* richness = findAction(window.menuBar(), "&Richness");
  ASSERT_NE(richness, nullptr);
  EXPECT_TRUE(richness->isEnabled());
  QAction* rarity = findAction(window.menuBar(), "&Range-size rarity");
  ASSERT_NE(rarity, nullptr);
  rarity->trigger();
  EXPECT_EQ(session.map.title, "range-size rarity (inverse)");
  window.resize(1000, 700);
  window.show();
  QApplication::processEvents();
  saveScreenshot(window, "mainwindow.png");

  // No to the exit question keeps the window and writes no options file.
  host.answer = Answer::No;
  EXPECT_FALSE(window.close());
  EXPECT_FALSE(fs::exists(home / "ZONARIUM.OPP"));
  ASSERT_FALSE(host.shown.empty());
  EXPECT_EQ(host.shown.back(),
            "Exit ZONARIUM?: GRID:  equal (World land cells)\nDATA:  carnivora.dat (Carnivora world, PHYLACINE 1.2)");
  host.answer = Answer::Yes;
  EXPECT_TRUE(window.close());
  EXPECT_EQ(fs::file_size(home / "ZONARIUM.OPP"), 348u);
}

TEST_F(Desktop, RightDoubleClicksOpenSelectGridCellsAndFillIt) {
  drawn();
  int first = 0, second = 0;
  const QPoint a = pointOnACell(first);
  const QPoint b = pointOnACell(second, first);
  ASSERT_GT(first, 0);
  doubleClick(a, Qt::RightButton);
  auto* dialog = window->findChild<ManualSelectionWindow*>();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(action("&Manual set selection")->isChecked());
  action("&Range-size rarity")->trigger();
  EXPECT_EQ(session->map.title, "richness") << "other commands wait until the dialog closes";
  EXPECT_TRUE(session->areas.empty());

  doubleClick(a, Qt::RightButton);
  doubleClick(b, Qt::RightButton);
  EXPECT_EQ(session->areas.cells, (std::vector<int>{first, second}));
  EXPECT_EQ(dialog->list()->count(), 2);
  saveScreenshot(*dialog, "select_grid_cells_on_map.png");

  QPointer<ManualSelectionWindow> watch(dialog);
  dialog->button("OK")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(watch);
  EXPECT_FALSE(action("&Manual set selection")->isChecked());
  EXPECT_EQ(session->areas.count(), 2);
  EXPECT_EQ(session->map.measureCode, 1) << "richness again, for the new set";
}

TEST_F(Desktop, PreselectionWindowTakesRightDoubleClicksAndIsChecked) {
  drawn();
  action("Data &preselection")->trigger();
  auto* preselection = window->dataWindows().preselection();
  ASSERT_NE(preselection, nullptr);
  EXPECT_TRUE(preselection->isVisible());
  EXPECT_TRUE(action("Data &preselection")->isChecked());
  int cell = 0;
  const QPoint at = pointOnACell(cell);
  doubleClick(at, Qt::RightButton);
  EXPECT_EQ(preselection->areaList()->count(), 1);
  EXPECT_EQ(window->findChild<ManualSelectionWindow*>(), nullptr);
  preselection->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window->dataWindows().preselection(), nullptr);
  EXPECT_FALSE(action("Data &preselection")->isChecked());
  for (int t = 0; t < session->ws.taxaCount; ++t) ASSERT_EQ(session->ws.cards.level(t, cell), 0) << "taxon " << t;
}

TEST_F(Desktop, EditorClicksChangeTheRecordUnderThePointer) {
  drawn();
  action("&Edit data")->trigger();
  auto* editor = window->dataWindows().editor();
  ASSERT_NE(editor, nullptr);
  const int taxon = session->editor.dialog.current;
  int cell = 0;
  const QPoint at = pointOnACell(cell);
  const int before = session->ws.cards.level(taxon, cell);
  click(at, Qt::LeftButton);
  EXPECT_EQ(session->ws.cards.level(taxon, cell), (before + 1) % 5);
  EXPECT_FALSE(editor->clickText()->text().isEmpty());
  click(at, Qt::RightButton);
  EXPECT_EQ(session->ws.cards.level(taxon, cell), before);
}

TEST_F(Desktop, LeftDoubleClickShowsTheListOfBiota) {
  drawn();
  int cell = 0;
  const QPoint at = pointOnACell(cell);
  QString shown;
  // The list is modal: close it once it is up.
  QTimer::singleShot(0, [&] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      shown = w->windowTitle();
      w->close();
    }
  });
  doubleClick(at, Qt::LeftButton);
  EXPECT_EQ(shown, "List of biota");
  EXPECT_EQ(session->map.measureCode, 1);
}

TEST_F(Desktop, ThreeColumnImportOpensThe3DOptionsWhichTheMenuCloses) {
  drawn();
  const fs::path file = tmp.path() / "three.txt";
  test::writeFile(file, "#4\n100 1 2 3\n101 2 3 1\n102 3 1 2\n");
  host.presetOpenFile(file);
  action("I&mport scores")->trigger();
  QApplication::processEvents();
  ASSERT_TRUE(shell->flags.view3D);
  ThreeAxisWindow* options = window->dataWindows().threeAxis();
  ASSERT_NE(options, nullptr);
  EXPECT_TRUE(options->isVisible());
  QAction* map3d = action("Map&3D options ");
  EXPECT_TRUE(map3d->isEnabled());
  saveScreenshot(*window, "three_axis_window.png");
  map3d->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(shell->flags.threeAxisWindowOpen);
  // Richness takes the 3D view down; the item goes grey.
  shell->showMeasure(1);
  QApplication::processEvents();
  EXPECT_FALSE(shell->flags.view3D);
  EXPECT_FALSE(map3d->isEnabled());
}

TEST(HelpWindow, ShowsTheManualWithItsStyleSheet) {
  fs::path home = fs::path(ZN_SOURCE_DIR) / "programdata";
  HelpWindow help(home, nullptr);
  help.showPage("index.html");
  QApplication::processEvents();
  auto* browser = help.findChild<QTextBrowser*>();
  ASSERT_NE(browser, nullptr);
  EXPECT_TRUE(browser->toPlainText().contains("ZONARIUM help"));
  EXPECT_EQ(browser->documentTitle(), "ZONARIUM help: Contents");
  // Every page the contents link to exists.
  for (const char* page : {"getting-started.html", "menus.html", "files.html", "zonarium.html", "help.html"}) {
    help.showPage(page);
    EXPECT_TRUE(browser->documentTitle().startsWith("ZONARIUM help")) << page;
  }
  help.showPage("index.html");
  help.resize(760, 640);
  saveScreenshot(help, "help.png");
}

}  // namespace
}  // namespace zn

int main(int argc, char** argv) {
  // Test discovery runs this program without the test environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
