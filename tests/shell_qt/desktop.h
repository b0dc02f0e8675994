// The real main window, offscreen, on a shipped sample: the world grid's
// carnivores for ZN41, the Britain grid's butterflies for zn41gb. Input
// reaches it as Qt events, as a user's would.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>

#include <cstdlib>
#include <deque>
#include <memory>

#include "shell/qt/mainwindow.h"
#include "shell/qt/mapview.h"
#include "shell/qt/qthost.h"
#include "store/files.h"
#include "tests/support/fixtures.h"

namespace zn::test {

namespace fs = std::filesystem;

// A host whose message boxes answer without showing anything: from the
// queue while it lasts, then `answer`.
class QuietQtHost : public QtHost {
 public:
  std::vector<std::string> shown;
  std::deque<Answer> answers;
  Answer answer = Answer::No;
  Answer messageBox(const std::string& text, const std::string& caption, Icon, Buttons b) override {
    shown.push_back(caption + ": " + text);
    if (b == Buttons::Ok) return Answer::Ok;
    if (answers.empty()) return answer;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
};

inline QAction* findAction(QMenuBar* bar, const QString& text) {
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

inline void saveScreenshot(QWidget& w, const char* name) {
  const char* dir = std::getenv("ZN_SCREENSHOT_DIR");
  if (!dir) return;
  fs::create_directories(dir);
  w.grab().save(QString::fromStdString((fs::path(dir) / name).string()));
}

inline const char* programName(GridVariant v) { return v == GridVariant::Britain ? "zn41gb" : "ZN41"; }

class DesktopBase : public ::testing::Test {
 protected:
  TempDir tmp;
  fs::path home = tmp.path() / "ZONARIUM";
  fs::path datafile;
  GridVariant variant = GridVariant::World;
  QuietQtHost host;
  std::unique_ptr<Session> session;
  std::unique_ptr<Shell> shell;
  std::unique_ptr<MainWindow> window;

  // Starts the program of the variant; the window opens its sample.
  void start(GridVariant v) {
    variant = v;
    ASSERT_TRUE(populateProgramFolder(home, fs::path(ZN_SOURCE_DIR) / "programdata"));
    datafile = v == GridVariant::Britain ? home / "britain" / "butterflies.dat" : home / "equal" / "carnivora.dat";
    session = std::make_unique<Session>(host, home, v);
    ASSERT_TRUE(startSession(*session));
    shell = std::make_unique<Shell>(*session, host);
    window = std::make_unique<MainWindow>(*shell, "test");
    host.setWindow(window.get());
    // The window posts "Open datafile" to itself; it takes the preset file.
    host.presetOpenFile(datafile);
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
  // A point of the map view over some cell other than `other`; the cell is
  // returned in `cell`. With `occupied`, only a cell holding records.
  QPoint pointOnACell(int& cell, int other = 0, bool occupied = false) {
    for (int y = view()->height() / 3; y < view()->height(); y += 7)
      for (int x = view()->width() / 3; x < view()->width(); x += 7) {
        cell = view()->cellAt(QPoint(x, y));
        if (cell > 0 && cell != other && (!occupied || session->ws.cells[static_cast<std::size_t>(cell)].count > 0))
          return QPoint(x, y);
      }
    ADD_FAILURE() << "no cell on the map";
    return {};
  }
  // A map cell the view can point at, and the point; with `occupied`, one
  // holding records. False when the view maps no point to a cell.
  bool findCell(int& cell, QPoint& at, bool occupied = false) {
    for (int y = view()->height() / 3; y < view()->height(); y += 7)
      for (int x = view()->width() / 3; x < view()->width(); x += 7) {
        cell = view()->cellAt(QPoint(x, y));
        if (cell > 0 && (!occupied || session->ws.cells[static_cast<std::size_t>(cell)].count > 0)) {
          at = QPoint(x, y);
          return true;
        }
      }
    return false;
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

// The world-grid program.
class Desktop : public DesktopBase {
 protected:
  void SetUp() override { start(GridVariant::World); }
};

// Each test once for ZN41 and once for zn41gb.
class BothPrograms : public DesktopBase, public ::testing::WithParamInterface<GridVariant> {
 protected:
  void SetUp() override { start(GetParam()); }
};

}  // namespace zn::test
