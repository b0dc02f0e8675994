// The real main window, offscreen, on a shipped sample: the world grid's
// carnivores for ZN41, the Britain grid's butterflies for zn41gb (or any
// other sample of the program folder). Input reaches it as Qt events, as a
// user's would, and the zonarium tool runs on the same folder and datafile.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/mainwindow.h"
#include "app/mapview.h"
#include "app/qthost.h"
#include "display/view.h"
#include "store/files.h"
#include "tests/support/cli_run.h"
#include "tests/support/fixtures.h"
#include "tests/support/widgets.h"

namespace zn::test {

namespace fs = std::filesystem;

// A host whose message boxes answer without showing anything: from the
// queue while it lasts, then `answer`. File choosers take the paths queued
// in `opens` and `saves` while they last, then ask as the real host does.
class QuietQtHost : public QtHost {
 public:
  std::vector<std::string> shown;
  std::deque<Answer> answers;
  Answer answer = Answer::No;
  std::deque<fs::path> opens, saves;
  std::vector<std::string> fileTitles;
  Answer messageBox(const std::string& text, const std::string& caption, Icon, Buttons b) override {
    shown.push_back(caption + ": " + text);
    if (b == Buttons::Ok) return Answer::Ok;
    if (answers.empty()) return answer;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<fs::path> chooseOpenFile(const FileRequest& r) override {
    return opens.empty() ? QtHost::chooseOpenFile(r) : take(opens, r);
  }
  std::optional<fs::path> chooseSaveFile(const FileRequest& r) override {
    return saves.empty() ? QtHost::chooseSaveFile(r) : take(saves, r);
  }

 private:
  fs::path take(std::deque<fs::path>& queue, const FileRequest& r) {
    fileTitles.push_back(r.title);
    fs::path p = queue.front();
    queue.pop_front();
    return p;
  }
};

// The item of that label in the menus, two deep; `path` takes the labels
// that lead to it from the menu bar.
inline QAction* findAction(QMenuBar* bar, const QString& text, QStringList* path = nullptr) {
  for (QAction* top : bar->actions())
    if (top->menu())
      for (QAction* a : top->menu()->actions()) {
        if (a->text() == text) {
          if (path) *path = {top->text(), text};
          return a;
        }
        if (a->menu())
          for (QAction* b : a->menu()->actions())
            if (b->text() == text) {
              if (path) *path = {top->text(), a->text(), text};
              return b;
            }
      }
  return nullptr;
}

inline QAction* actionIn(QMenu* menu, const QString& text) {
  for (QAction* a : menu->actions())
    if (a->text() == text) return a;
  return nullptr;
}

// Opens the menus with mouse clicks and clicks the item, as a user does.
inline void clickMenuItem(QMenuBar* bar, const QStringList& path) {
  QAction* top = nullptr;
  for (QAction* a : bar->actions())
    if (a->text() == path[0]) top = a;
  ASSERT_NE(top, nullptr) << path[0].toStdString();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(top).center());
  QMenu* menu = top->menu();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  for (int i = 1; i < path.size(); ++i) {
    QAction* a = actionIn(menu, path[i]);
    ASSERT_NE(a, nullptr) << path[i].toStdString();
    ASSERT_TRUE(a->isEnabled()) << path[i].toStdString();
    if (!a->menu()) {
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
      break;
    }
    // A submenu opens with the key of its underlined letter.
    const int amp = static_cast<int>(path[i].indexOf('&'));
    ASSERT_GE(amp, 0) << path[i].toStdString();
    QTest::keyClick(menu, path[i].at(amp + 1).toLower().toLatin1());
    menu = a->menu();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  }
  QApplication::processEvents();
}

// Plays the user's part in the next modal dialog once it is up; a menu
// opened on the way to it is passed over. Keep the timer until the dialog
// has come and gone.
[[nodiscard]] inline std::unique_ptr<QTimer> whenModalShown(std::function<void(QWidget&)> play) {
  auto poll = std::make_unique<QTimer>();
  QObject::connect(poll.get(), &QTimer::timeout, [timer = poll.get(), play] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      play(*modal);
    }
  });
  poll->start(10);
  return poll;
}

// The same for the modal dialog of type D.
template <class D>
[[nodiscard]] std::unique_ptr<QTimer> whenModal(std::function<void(D&)> play) {
  return whenModalShown([play](QWidget& w) {
    auto* d = dynamic_cast<D*>(&w);
    ASSERT_NE(d, nullptr) << "the dialog did not open";
    play(*d);
  });
}

inline const char* programName(GridVariant v) { return v == GridVariant::Britain ? "zn41gb" : "ZN41"; }

// A program and the sample its window opens, by folder and file name in the
// program folder.
struct Program {
  GridVariant variant;
  const char* folder;
  const char* datafile;
};
// Test listings name the program and its sample, not their bytes.
inline void PrintTo(const Program& p, std::ostream* os) { *os << programName(p.variant) << " " << p.datafile; }
inline constexpr Program kWorldSample{GridVariant::World, "equal", "carnivora.dat"};
inline constexpr Program kBritainSample{GridVariant::Britain, "britain", "butterflies.dat"};
inline std::string programOfSample(const ::testing::TestParamInfo<Program>& p) { return programName(p.param.variant); }

class DesktopBase : public ::testing::Test {
 protected:
  TempDir tmp;
  fs::path home = tmp.path() / "ZONARIUM";
  fs::path datafile;
  GridVariant variant = GridVariant::World;
  Program program = kWorldSample;
  QuietQtHost host;
  std::unique_ptr<Session> session;
  std::unique_ptr<Shell> shell;
  std::unique_ptr<MainWindow> window;

  // Starts the program of the variant; the window opens its sample.
  void start(GridVariant v) { start(v == GridVariant::Britain ? kBritainSample : kWorldSample); }
  void start(const Program& p) {
    program = p;
    variant = p.variant;
    ASSERT_TRUE(populateProgramFolder(home, fs::path(ZN_SOURCE_DIR) / "programdata"));
    datafile = home / p.folder / p.datafile;
    session = std::make_unique<Session>(host, home, variant);
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
  ViewState& viewState() { return shell->display.view; }
  // A cell with records, away from the edges, and the view point over its middle.
  int cellWithRecords() {
    const Workspace& ws = session->ws;
    int best = 0;
    for (int n = 1; n <= ws.geo.cells; ++n)
      if (ws.cells[static_cast<std::size_t>(n)].count > 0) {
        best = n;
        if (n > ws.geo.cells / 3) break;
      }
    return best;
  }
  QPoint middleOf(int n) {
    const GridCell& c = session->ws.cells[static_cast<std::size_t>(n)];
    const MapTransform& t = viewState().last;
    return QPointF(t.toDeviceX((c.x0 + c.x1) / 2.0), t.toDeviceY((c.y0 + c.y1) / 2.0)).toPoint();
  }
  // Pointer input to the datafile's map, or to the widget given. The buttons
  // held are the one pressed, none after a release, unless a drag says
  // otherwise.
  void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, QWidget* on = nullptr) {
    mouse(type, at, button, type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), on);
  }
  void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held, QWidget* on = nullptr) {
    if (!on) on = view();
    QMouseEvent e(type, at, on->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(on, &e);
  }
  void click(QPoint at, Qt::MouseButton button, QWidget* on = nullptr) {
    mouse(QEvent::MouseButtonPress, at, button, on);
    mouse(QEvent::MouseButtonRelease, at, button, on);
  }
  // As the window system delivers it: press, release, double-click, release.
  void doubleClick(QPoint at, Qt::MouseButton button, QWidget* on = nullptr) {
    click(at, button, on);
    mouse(QEvent::MouseButtonDblClick, at, button, on);
    mouse(QEvent::MouseButtonRelease, at, button, on);
  }
  // Press, move and release of one button.
  void drag(QPoint from, QPoint to, Qt::MouseButton button, QWidget* on = nullptr) {
    mouse(QEvent::MouseButtonPress, from, button, on);
    mouse(QEvent::MouseMove, to, Qt::NoButton, button, on);
    mouse(QEvent::MouseButtonRelease, to, button, on);
  }
  void wheel(QPoint at, int steps, QWidget* on = nullptr) {
    if (!on) on = view();
    QWheelEvent e(at, on->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(on, &e);
  }
  QAction* action(const char* label) {
    QAction* a = findAction(window->menuBar(), label);
    EXPECT_NE(a, nullptr) << label;
    return a;
  }
  // Chooses the item of that label with the mouse, its menus opened as a
  // user opens them; the window must be shown.
  void choose(const QString& label) {
    QStringList path;
    if (findAction(window->menuBar(), label, &path)) return clickMenuItem(window->menuBar(), path);
    ADD_FAILURE() << "no menu item " << label.toStdString();
  }
  // Saves the window as shown, named after the sample's folder, when
  // ZN_SCREENSHOT_DIR names a folder.
  void screenshot(const std::string& what) { saveScreenshot(*window, (what + "_" + program.folder + ".png").c_str()); }
  // The zonarium tool with this program's folder and grid.
  CliOutput tool(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home.string()});
    if (variant == GridVariant::Britain) args.insert(args.begin(), {"--grid", "britain"});
    return runCli(args);
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

// Each test once for every sample given, each in its own program.
class EachSample : public DesktopBase, public ::testing::WithParamInterface<Program> {
 protected:
  void SetUp() override { start(GetParam()); }
};

// Plays each modal dialog as it opens while `run` runs: a file dialog gets
// `first` once, then `file` typed as its name and Return until it takes it
// (a completion list may take the first); any other dialog goes to `other`.
inline void playFileDialogs(const fs::path& file, const std::function<void(QWidget&)>& other,
                            const std::function<void()>& run, const std::function<void(QFileDialog&)>& first = {}) {
  int tries = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* files = qobject_cast<QFileDialog*>(modal)) {
      auto* name = files->findChild<QLineEdit*>("fileNameEdit");
      if (!name || ++tries > 20) {
        ADD_FAILURE() << "the file dialog took no name";
        return files->reject();
      }
      if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
      if (tries == 1) {
        if (first) first(*files);
        name->clear();
        QTest::keyClicks(name, QString::fromStdString(file.string()));
      }
      QTest::keyClick(name, Qt::Key_Return);
    } else if (modal) {
      other(*modal);
    }
  });
  poll.start(20);
  run();
  poll.stop();
}

// The desktop tests' shorthands: the output of a run of the tool that must
// succeed, the last message the quiet host was given, a key.

inline std::string succeeded(const CliOutput& r) {
  EXPECT_EQ(r.rc, 0) << r.err;
  return r.out;
}

inline std::string lastShown(const QuietQtHost& host) { return host.shown.empty() ? "" : host.shown.back(); }

// A key event of that type sent to the widget, as the window system sends it.
inline void sendKey(QWidget* to, QEvent::Type type, Qt::Key key) {
  QKeyEvent e(type, key, Qt::NoModifier);
  QApplication::sendEvent(to, &e);
}

// The "List of biota" that `open` brings up, as its text: the lines the
// tool's `cell` prints, in the tool's layout. `look` sees the box before it
// closes.
inline std::string listOfBiotaShown(const std::function<void()>& open, const std::function<void(QWidget&)>& look = {}) {
  std::string text;
  QTimer::singleShot(0, [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) return;
    auto label = [w](const char* id) {
      auto* l = w->findChild<QLabel*>(id);
      return l ? l->text().toStdString() : std::string("?");
    };
    text = label("cellLine") + "\n";
    for (const char* id : {"info1", "info2", "info3", "coordinates"})
      if (!label(id).empty()) text += label(id) + "\n";
    if (auto* list = w->findChild<QListWidget*>("taxa"))
      for (int i = 0; i < list->count(); ++i) text += "  " + list->item(i)->text().toStdString() + "\n";
    text += label("counts") + "\n";
    if (look) look(*w);
    w->close();
  });
  open();
  return text;
}

}  // namespace zn::test
