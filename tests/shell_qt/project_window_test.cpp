// A project in the window of both programs: opened from the DataBase menu,
// measured from the analysis menus, zoomed, panned and read out with real
// input events, and drawn exactly as `zonarium render` draws it.
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>

#include "app/projectview.h"
#include "shell/projectscreen.h"
#include "tests/shell_qt/desktop.h"

namespace zn::test {
namespace {

class ProjectWindow : public BothPrograms {
 protected:
  fs::path project = tmp.path() / "frogs.gpkg";

  // The leaf frogs at 1 degree, made by the tool, opened by the menu.
  void openProject() {
    ASSERT_EQ(tool({"project", "new", project.string(), "--cell", "1deg"}).rc, 0);
    ASSERT_EQ(
        tool({"project", "add", project.string(), ZN_TEST_DATA_DIR "/gis/phyllomedusa_lonlat.csv", "--format", "table"})
            .rc,
        0);
    drawn();
    host.presetOpenFile(project);
    action("Open projec&t...")->trigger();
    QApplication::processEvents();
    window->grab();
  }
  ProjectView* units() { return window->projectView(); }
  // A point of the project view over a unit, and the unit.
  QPoint pointOnAUnit(int& unit) {
    for (int y = units()->height() / 4; y < units()->height(); y += 5)
      for (int x = units()->width() / 4; x < units()->width(); x += 5)
        if ((unit = units()->unitAt(QPointF(x, y))) > 0) return {x, y};
    ADD_FAILURE() << "no unit on the map";
    return {};
  }
  void send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, at, units()->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(units(), &e);
  }
};

TEST_P(ProjectWindow, OpensMeasuresAndDrawsWhatTheToolRenders) {
  openProject();
  ASSERT_TRUE(units()->isVisible());
  EXPECT_FALSE(view()->isVisible());

  // A measure from the menu, on the project's units, as the tool draws it.
  action("&Range-size rarity")->trigger();
  QApplication::processEvents();
  const QImage shown = units()->capture();
  screenshot("project_rarity");
  const fs::path rendered = tmp.path() / "rarity.png";
  const std::string size = std::to_string(shown.width()) + "x" + std::to_string(shown.height());
  ASSERT_EQ(
      tool({"render", project.string(), "--measure", "range-size-rarity", "--size", size, "--out", rendered.string()})
          .rc,
      0);
  const QImage tool(QString::fromStdString(rendered.string()));
  ASSERT_EQ(tool.size(), shown.size());
  EXPECT_EQ(tool.convertToFormat(QImage::Format_RGB32), shown.convertToFormat(QImage::Format_RGB32));

  // What does not fit a project is disabled and says why.
  QAction* exact = action("Exact minim&um set");
  EXPECT_FALSE(exact->isEnabled());
  EXPECT_FALSE(exact->toolTip().isEmpty());
  QAction* levels = action("Level &n richness");
  EXPECT_FALSE(levels->isEnabled());
  EXPECT_NE(levels->toolTip().indexOf("levels"), -1) << levels->toolTip().toStdString();
}

TEST_P(ProjectWindow, WheelZoomsDragPansHomeRestoresAndThePointerReadsOut) {
  openProject();
  const CrsBox whole = units()->viewExtent();
  int unit = 0;
  const QPoint at = pointOnAUnit(unit);
  ASSERT_GT(unit, 0);

  // The readout names the unit under the pointer with its id.
  send(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
  auto* readout = window->statusBar()->findChild<QLabel*>("cellReadout");
  ASSERT_NE(readout, nullptr);
  const std::string id = "(" + std::to_string(shell->project->project->data.unit(unit).id) + ")";
  EXPECT_NE(readout->text().toStdString().find(id), std::string::npos) << readout->text().toStdString();

  // Zooming about the pointer keeps the unit under it.
  QWheelEvent in(at, units()->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                 Qt::NoScrollPhase, false);
  QApplication::sendEvent(units(), &in);
  const CrsBox zoomed = units()->viewExtent();
  EXPECT_LT(zoomed.east - zoomed.west, (whole.east - whole.west) * 0.7);
  EXPECT_EQ(units()->unitAt(QPointF(at)), unit);

  // A drag moves the map with the pointer: the unit follows it.
  const QPoint to = at + QPoint(40, 25);
  send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(units()->unitAt(QPointF(to)), unit);

  QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
  QApplication::sendEvent(units(), &home);
  EXPECT_EQ(units()->viewExtent().west, whole.west);
  EXPECT_EQ(units()->viewExtent().north, whole.north);

  // Opening a datafile brings its map back.
  host.presetOpenFile(datafile);
  action("Open data&file")->trigger();
  QApplication::processEvents();
  EXPECT_TRUE(view()->isVisible());
  EXPECT_EQ(shell->project, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Programs, ProjectWindow, ::testing::Values(GridVariant::World, GridVariant::Britain),
                         [](const auto& p) { return std::string(programName(p.param)); });

}  // namespace
}  // namespace zn::test
