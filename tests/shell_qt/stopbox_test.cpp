// The desktop host's Stop box of the exact sets, and the exact minimum set
// after a click on the near-minimum map in both programs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/mainwindow.h"
#include "app/mapview.h"
#include "app/qthost.h"
#include "measures/scores.h"
#include "store/datafile.h"
#include "store/files.h"
#include "tests/support/fixtures.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

TEST(StopBox, ShowsEachNoteAndReportsStop) {
  QtHost host;
  EXPECT_TRUE(host.stoppableNote("before the box"));  // no box: never stops
  host.stoppableBegin("Exact minimum set");
  QProgressDialog* box = host.stoppableBox();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  EXPECT_EQ(box->windowTitle(), "Exact minimum set");
  QPushButton* stop = box->findChild<QPushButton*>();
  ASSERT_NE(stop, nullptr);
  EXPECT_EQ(stop->text(), "Stop");

  EXPECT_TRUE(host.stoppableNote("Best set so far: 12 areas\nLower bound: 11 areas"));
  QLabel* label = box->findChild<QLabel*>();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "Best set so far: 12 areas\nLower bound: 11 areas");
  if (const char* dir = std::getenv("ZN_SCREENSHOT_DIR")) {
    std::filesystem::create_directories(dir);
    box->grab().save(QString::fromStdString((std::filesystem::path(dir) / "stopbox.png").string()));
  }

  stop->click();
  EXPECT_FALSE(host.stoppableNote("Best set so far: 12 areas"));
  host.stoppableEnd();
  EXPECT_EQ(host.stoppableBox(), nullptr);
}

// Message boxes answer without showing anything.
class QuietHost : public QtHost {
 public:
  Answer messageBox(const std::string&, const std::string&, Icon, Buttons) override { return Answer::Ok; }
};

QAction* inMenu(QMenu* menu, const QString& text) {
  for (QAction* a : menu->actions()) {
    if (a->text() == text) return a;
    if (a->menu())
      if (QAction* b = inMenu(a->menu(), text)) return b;
  }
  return nullptr;
}

void trigger(QMenuBar* bar, const QString& text) {
  for (QAction* top : bar->actions())
    if (top->menu())
      if (QAction* a = inMenu(top->menu(), text)) {
        ASSERT_TRUE(a->isEnabled()) << text.toStdString();
        a->trigger();
        QApplication::processEvents();
        return;
      }
  FAIL() << "no menu item " << text.toStdString();
}

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Near-minimum set, a left click on one of its areas on the map (the map
// becomes the flexibility plot), then Exact minimum set: the set's areas are
// no seeds, the report compares with the near-minimum set.
void exactAfterAClick(GridVariant variant, const char* sample) {
  test::TempDir tmp;
  const fs::path home = tmp.path() / "ZONARIUM";
  ASSERT_TRUE(populateProgramFolder(home, fs::path(ZN_SOURCE_DIR) / "programdata"));
  QuietHost host;
  Session session(host, home, variant);
  ASSERT_TRUE(startSession(session));
  Shell shell(session, host);
  auto window = std::make_unique<MainWindow>(shell, "test");
  host.setWindow(window.get());
  host.presetOpenFile(home / sample);
  QApplication::processEvents();
  ASSERT_TRUE(session.ws.datafile.opened);
  window->resize(1000, 700);
  window->show();
  QApplication::processEvents();
  window->grab();

  trigger(window->menuBar(), "Near-mi&nimum set");
  ASSERT_EQ(session.map.measureCode, kCodeNearMinimum);
  ASSERT_EQ(session.areas.seedCount, 0);
  const int quick = session.areas.count();
  ASSERT_GT(quick, 1);

  MapView* view = window->mapView();
  window->grab();
  QPoint at(-1, -1);
  for (int y = 0; y < view->height() && at.x() < 0; y += 3)
    for (int x = 0; x < view->width() && at.x() < 0; x += 3)
      if (const int c = view->cellAt(QPoint(x, y));
          c > 0 && std::find(session.areas.cells.begin(), session.areas.cells.end(), c) != session.areas.cells.end())
        at = QPoint(x, y);
  ASSERT_GE(at.x(), 0) << "no area of the set on the map";
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent e(type, at, view->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &e);
  }
  QApplication::processEvents();
  ASSERT_EQ(session.map.measureCode, kCodeFlexibilityPlot);

  trigger(window->menuBar(), "Exact minim&um set");
  const std::string results = readAll(shell.resultsFile());
  EXPECT_EQ(session.areas.seedCount, 0);
  EXPECT_GT(session.areas.count(), 0);
  EXPECT_LE(session.areas.count(), quick);
  EXPECT_EQ(results.find("seeding analysis"), std::string::npos) << results;
  EXPECT_EQ(results.find("objective: 0 areas"), std::string::npos) << results;
  EXPECT_NE(results.find("  near-minimum set: " + std::to_string(quick) +
                         " areas, exact minimum: " + std::to_string(session.areas.count()) + " areas"),
            std::string::npos)
      << results;
  window.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(ExactAfterAClick, WorldGrid) { exactAfterAClick(GridVariant::World, "equal/carnivora.dat"); }
TEST(ExactAfterAClick, BritainGrid) { exactAfterAClick(GridVariant::Britain, "britain/butterflies.dat"); }

}  // namespace
}  // namespace zn
