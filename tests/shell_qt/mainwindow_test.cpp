// The real main window, offscreen: its menus follow the session, and a
// screenshot can be saved for a person to look at.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>

#include <cstdlib>

#include <QTextBrowser>

#include "shell/qt/helpwindow.h"
#include "shell/qt/mainwindow.h"
#include "shell/qt/qthost.h"
#include "store/datafile.h"
#include "store/files.h"
#include "tests/support/fixtures.h"

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

TEST(MainWindow, OpensTheDatafileAndEnablesTheMeasures) {
  test::TempDir tmp;
  fs::path home = tmp.path() / "ZONARIUM";
  ASSERT_TRUE(populateProgramFolder(home, fs::path(ZN_SOURCE_DIR) / "programdata"));
  fs::path file = home / "equal" / "carnivora.dat";
  QuietQtHost host;
  Session session(host, home);
  ASSERT_TRUE(startSession(session));
  Shell shell(session, host);
  MainWindow window(shell, "test");
  host.setWindow(&window);
  EXPECT_EQ(window.windowTitle(), "ZONARIUM IV test");
  QAction* open = findAction(window.menuBar(), "Open data&file");
  ASSERT_NE(open, nullptr);
  EXPECT_TRUE(open->isEnabled());
  QAction* exit = findAction(window.menuBar(), "E&xit");
  ASSERT_NE(exit, nullptr);

  // The window posts "Open datafile" to itself; it takes the preset file.
  host.presetOpenFile(file);
  QApplication::processEvents();
  EXPECT_TRUE(session.ws.datafile.opened);
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
