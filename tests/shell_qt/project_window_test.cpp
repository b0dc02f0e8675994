// A project in the window of both programs: opened from the DataBase menu,
// measured from the analysis menus, zoomed, panned and read out with real
// input events, and drawn exactly as `zonarium render` draws it.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>

#include <cstdio>
#include <regex>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "app/output_commands.h"
#include "app/projectview.h"
#include "shell/projectscreen.h"
#include "shell/recentprojects.h"
#include "store/text.h"
#include "tests/support/desktop.h"
#include "ui/curvewindow.h"
#include "ui/projectdialog.h"
#include "ui/selectiondialogs.h"

namespace zn::test {
namespace {

// A report with its times as "N seconds".
std::string seconds(const std::string& text) {
  return std::regex_replace(text, std::regex("[0-9.]+ seconds"), "N seconds");
}

// The closed ring of a box.
std::string ring(double w, double s, double e, double n) {
  return strprintf("[[%g,%g],[%g,%g],[%g,%g],[%g,%g],[%g,%g]]", w, s, e, s, e, n, w, n, w, s);
}

class ProjectWindow : public BothPrograms {
 protected:
  fs::path project = tmp.path() / "frogs.gpkg";

  // The leaf frogs at 1 degree, made by the tool, opened by the menu.
  void openProject() {
    makeProject(project, {"--cell", "1deg"}, frogs);
    open(project);
  }
  // `zonarium project new` of the file with the grid's arguments, then
  // `project add` of the input (in the format given); the add's output.
  std::string makeProject(const fs::path& file, std::vector<std::string> grid, const std::string& input = {},
                          const char* format = "table") {
    grid.insert(grid.begin(), {"project", "new", file.string()});
    succeeded(tool(grid));
    if (input.empty()) return {};
    std::vector<std::string> add{"project", "add", file.string(), input};
    if (format) add.insert(add.end(), {"--format", format});
    return succeeded(tool(add));
  }
  // A GeoJSON layer of polygon units, each its properties and its rings.
  fs::path writeLayer(const std::string& name, const std::vector<std::pair<std::string, std::string>>& units) {
    std::string features;
    for (const auto& [properties, rings] : units)
      features +=
          strprintf(R"(%s{"type":"Feature","properties":{%s},"geometry":{"type":"Polygon","coordinates":[%s]}})",
                    features.empty() ? "" : ",", properties.c_str(), rings.c_str());
    const fs::path layer = tmp.path() / name;
    writeFile(layer, R"({"type":"FeatureCollection","features":[)" + features + "]}");
    return layer;
  }
  void open(const fs::path& file) {
    drawn();
    host.presetOpenFile(file);
    menu({"&DataBase", "Open projec&t..."});
    window->grab();
  }
  // Zoom to data, checked: each unit with data shows whole, and the view is
  // no larger than they need: some unit touches each side of it. Returns
  // the number of units with data.
  int zoomToData() {
    menu({"&MapGraphics", "Zoom to &data"});
    const CrsBox v = units()->viewExtent();
    const AnalysisData& d = shell->project->data;
    double west = 1e300, east = -1e300, south = 1e300, north = -1e300;
    int shown = 0;
    for (int n = 1; n <= d.units(); ++n) {
      if (d.occ().taxaIn(n).size() == 0) continue;
      const std::optional<CrsBox> b = d.geometry->extent(n);
      EXPECT_TRUE(b) << "unit " << n;
      if (!b) continue;
      west = std::min(west, b->west), east = std::max(east, b->east);
      south = std::min(south, b->south), north = std::max(north, b->north);
      ++shown;
    }
    EXPECT_GT(shown, 0);
    EXPECT_EQ(std::tuple(v.west, v.east, v.south, v.north), std::tuple(west, east, south, north));
    return shown;
  }
  // The menu item is greyed, its tooltip giving the reason with `word`.
  void expectGreyedSaying(const char* label, const char* word) {
    QAction* a = action(label);
    EXPECT_FALSE(a->isEnabled()) << label;
    EXPECT_NE(a->toolTip().indexOf(word), -1) << a->toolTip().toStdString();
  }
  // The text of the status bar's readout.
  std::string readout() {
    auto* l = window->statusBar()->findChild<QLabel*>("cellReadout");
    return l ? l->text().toStdString() : "no readout";
  }
  // Presses Stop in the progress box as soon as it shows; the box's title
  // goes to `stopped`.
  void stopWhenShown(QTimer& poll, QStringList& stopped) {
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* box = window->findChild<QProgressDialog*>();
      if (!box || !box->isVisible()) return;
      for (QPushButton* b : box->findChildren<QPushButton*>())
        if (b->text() == "Stop") {
          QTest::mouseClick(b, Qt::LeftButton);
          stopped << box->windowTitle();
          poll.stop();
        }
    });
  }
  // An item chosen with the mouse from the menu bar.
  void menu(const QStringList& path) { clickMenuItem(window->menuBar(), path); }
  void rarity() { menu({"&AnalyticalTools", "&Rarity", "&Range-size rarity"}); }
  // The entries the recent projects' menu lists as DataBase opens.
  QStringList recentShown() {
    QMenuBar* bar = window->menuBar();
    QAction* top = bar->actions().value(0);
    EXPECT_EQ(top->text(), "&DataBase");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(top).center());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(top->menu()));
    QStringList shown;
    if (QAction* recent = actionIn(top->menu(), kRecentProjectsMenu); recent && recent->isEnabled())
      for (QAction* a : recent->menu()->actions()) shown << a->text();
    top->menu()->close();
    return shown;
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
  // What the view paints now, as the screen shows it.
  QImage painted() { return units()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // The whole map at the view's extent, drawn afresh at the pixel ratio.
  QImage fresh(double dpr = 1.0) {
    UnitMapStyle style;
    style.view = units()->viewExtent();
    style.graticule = units()->graticule();
    return renderUnitMap(shell->project->shapes, shell->project->layer, units()->width(), units()->height(), style, dpr)
        .convertToFormat(QImage::Format_RGB32);
  }
  // The tool's render of the measure at the view's size, with its extra arguments.
  QImage rendered(const std::string& measure, std::vector<std::string> extra = {}) {
    const fs::path out = tmp.path() / (measure + std::to_string(extra.size()) + ".png");
    std::vector<std::string> args{
        "render", project.string(), "--measure",
        measure,  "--size",         std::to_string(units()->width()) + "x" + std::to_string(units()->height()),
        "--out",  out.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    succeeded(tool(args));
    return QImage(QString::fromStdString(out.string())).convertToFormat(QImage::Format_RGB32);
  }
  const std::string frogs = ZN_TEST_DATA_DIR "/gis/phyllomedusa_lonlat.csv";
  // "New project..." filled in by keyboard and mouse: a 1-degree grid, the
  // input (the leaf frogs' table unless a datafile is given), saved as
  // `out`; `more` acts on the dialog before OK.
  void newProject(const fs::path& out, std::function<void(NewProjectDialog&)> more = {}, const fs::path& cards = {}) {
    drawn();
    // The dialog is played as soon as it shows.
    bool played = false;
    const auto play = whenModal<NewProjectDialog>([&](NewProjectDialog& d) {
      played = true;
      // Each program suggests its own grid; the CRS follows the size typed.
      EXPECT_EQ(d.crs()->text(), variant == GridVariant::Britain ? "EPSG:27700" : "EPSG:4326");
      QLineEdit* cell = d.cell()->lineEdit();
      QTest::keyClick(cell, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(cell, "1deg");
      EXPECT_EQ(d.crs()->text(), "EPSG:4326");
      EXPECT_FALSE(d.filters()->isEnabled()) << "GBIF filters offered for a table";
      if (!cards.empty()) {
        // The list's third format; the GBIF filters stay greyed.
        QTest::keyClick(d.format(), Qt::Key_Down);
        QTest::keyClick(d.format(), Qt::Key_Down);
        EXPECT_NE(d.format()->currentText().indexOf("Datafile"), -1) << d.format()->currentText().toStdString();
        EXPECT_FALSE(d.filters()->isEnabled());
      }
      QTest::keyClicks(d.input(), QString::fromStdString(cards.empty() ? frogs : cards.string()));
      // Without a file to save, OK says so and the dialog stays.
      QTest::mouseClick(d.okButton(), Qt::LeftButton);
      EXPECT_TRUE(d.isVisible());
      EXPECT_NE(d.problem()->text().indexOf("Save as"), -1) << d.problem()->text().toStdString();
      d.problem()->clear();
      QTest::keyClicks(d.output(), QString::fromStdString(out.string()));
      saveScreenshot(d, (std::string("new_project_dialog_") + programName(variant) + ".png").c_str());
      if (more) more(d);
      QTest::mouseClick(d.okButton(), Qt::LeftButton);
    });
    menu({"&DataBase", "Ne&w project..."});
    EXPECT_TRUE(played) << "no New project dialog";
  }
  // The "List of biota" a left double-click opens, as its text; a unit
  // offers no selective plot.
  std::string listShownFor(QPoint at) {
    return listOfBiotaShown([&] { doubleClick(at, Qt::LeftButton, units()); },
                            [](QWidget& w) {
                              if (auto* plot = w.findChild<QPushButton*>("plotSelected")) {
                                EXPECT_FALSE(plot->isEnabled());
                              }
                            });
  }
};

TEST_P(ProjectWindow, OpensMeasuresAndDrawsWhatTheToolRenders) {
  openProject();
  ASSERT_TRUE(units()->isVisible());
  EXPECT_FALSE(view()->isVisible());

  // A measure from the menu, on the project's units, as the tool draws it.
  rarity();
  screenshot("project_rarity");
  const QImage plain = rendered("range-size-rarity");
  EXPECT_EQ(painted(), plain);
  // At pixel ratio two as the tool draws at that ratio: no blow-up of the
  // map at ratio one, its text and edges have detail of their own.
  QImage twice(units()->size() * 2, QImage::Format_RGB32);
  twice.setDevicePixelRatio(2.0);
  units()->render(&twice);
  twice.setDevicePixelRatio(1.0);
  const QImage fine = rendered("range-size-rarity", {"--dpr", "2"});
  EXPECT_EQ(twice, fine);
  EXPECT_NE(fresh(1.0).scaled(units()->size() * 2), fine);
  // With the graticule from the menu, as the tool draws it when asked.
  menu({"&MapGraphics", "Gr&aticule"});
  screenshot("project_rarity_graticule");
  const QImage lines = painted();
  EXPECT_EQ(lines, rendered("range-size-rarity", {"--graticule"}));
  EXPECT_NE(lines, plain);
  menu({"&MapGraphics", "Gr&aticule"});
  EXPECT_EQ(painted(), plain);

  // Mean scores and Smooth scores pass over the measure on screen as the
  // tool's --mean and --smooth do; a mean after a smooth pass is greyed
  // with the reason.
  menu({"&AnalyticalTools", "&Mean scores"});
  const QImage mean = painted();
  EXPECT_NE(mean, plain);
  EXPECT_EQ(mean, rendered("range-size-rarity", {"--mean", "1"}));
  menu({"&AnalyticalTools", "&Smooth scores"});
  EXPECT_EQ(painted(), rendered("range-size-rarity", {"--mean", "1", "--smooth", "1"}));
  expectGreyedSaying("&Mean scores", "smooth");

  // What does not fit a project is disabled and says why.
  expectGreyedSaying("Re-order set by threat", "threat");
  expectGreyedSaying("Level &n richness", "levels");
}

// Six units costing 0.5 to 3.0 and five taxa: under cost optimisation
// Exact maximum coverage asks a budget in the project's costs, spends it
// as the tool's --budget does, reports as the tool does and outlines the
// set on the map.
TEST_P(ProjectWindow, CoverageAsksABudgetInTheProjectsCostsAndSpendsItAsTheTool) {
  const double price[] = {0.5, 1.5, 2.5, 1.0, 3.0, 2.0};
  std::vector<std::pair<std::string, std::string>> plots;
  for (int i = 0; i < 6; ++i)
    plots.emplace_back(strprintf(R"("code":%d,"price":%.1f)", i + 1, price[i]), ring(i, 0, i + 1, 1));
  const fs::path layer = writeLayer("plots.geojson", plots), records = tmp.path() / "plots.csv";
  writeFile(records, "taxon,unit\na,1\na,2\nb,2\nb,3\nc,4\nc,5\nd,6\ne,3\ne,5\n");
  const fs::path costed = tmp.path() / "plots.gpkg";
  makeProject(costed, {"--units", layer.string(), "--id", "code", "--cost", "price"}, records.string());
  open(costed);
  ASSERT_NE(shell->project, nullptr);
  session->settings.optimiseByCost = Flag::kOn;

  std::string lines;
  double offered = 0, low = 0, high = 0;
  const auto play = whenModal<BudgetDialog>([&](BudgetDialog& d) {
    for (const char* id : {"minimumCost", "totalCost"})
      if (auto* l = d.findChild<QLabel*>(id)) lines += l->text().toStdString() + "\n";
    offered = d.budget()->value(), low = d.budget()->minimum(), high = d.budget()->maximum();
    saveScreenshot(d, (std::string("budget_dialog_project_") + programName(variant) + ".png").c_str());
    d.budget()->selectAll();
    QTest::keyClicks(d.budget(), "3.5");
    QTest::mouseClick(d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
  });
  const std::string before = readFile(shell->resultsFile());
  menu({"&AnalyticalTools", "&Area selection", "Exact maximum co&verage"});
  EXPECT_EQ(lines, "Least cost of a unit with data: 0.5\nTotal cost of the units with data: 10.5\n");
  EXPECT_EQ(low, 0.5);
  EXPECT_EQ(high, 10.5);
  EXPECT_TRUE(offered >= low && offered <= high) << offered;

  const ProjectScreen& p = *shell->project;
  double spent = 0;
  for (int n : p.areas.cells) spent += p.data.unitCost(n);
  EXPECT_FALSE(p.areas.empty());
  EXPECT_LE(spent, 3.5);
  const std::vector<char>& outlined = p.layer.inSet;
  EXPECT_EQ(std::count(outlined.begin(), outlined.end(), 1), std::ssize(p.areas.cells)) << "the set on the map";
  screenshot("project_coverage");
  const fs::path results = tmp.path() / "budget_results.txt";
  succeeded(tool({"select", "exact-coverage", costed.string(), "--budget", "3.5", "--set", "optimise-cost=1",
                  "--results", results.string()}));
  EXPECT_EQ(seconds(readFile(shell->resultsFile()).substr(before.size())), seconds(readFile(results)));
}

// A project without records refuses the searches in its own terms, not
// a datafile's. (Other refusals of a selection on a project come from the
// same selectOnProject as the tool's: the cases of `zonarium select`.)
TEST_P(ProjectWindow, RefusalsOnAProjectSpeakOfTheProject) {
  makeProject(project, {"--cell", "1deg"});
  open(project);
  ASSERT_NE(shell->project, nullptr);
  const std::size_t said = host.shown.size();
  menu({"&AnalyticalTools", "&Area selection", "Selection fre&quency"});
  ASSERT_EQ(host.shown.size(), said + 1);
  EXPECT_NE(host.shown.back().find("No taxon of this project has records."), std::string::npos) << host.shown.back();
}

// Graticule draws only on a project's map and says so on a datafile's; Zoom
// to data closes on the units that hold data, from wherever the view is.
TEST_P(ProjectWindow, WheelZoomsDragPansHomeRestoresZoomToDataFramesAndThePointerReadsOut) {
  drawn();
  expectGreyedSaying("Gr&aticule", "project");
  openProject();
  EXPECT_TRUE(action("Gr&aticule")->isEnabled());
  const CrsBox whole = units()->viewExtent();
  int unit = 0;
  const QPoint at = pointOnAUnit(unit);
  ASSERT_GT(unit, 0);

  // The readout names the unit under the pointer with its id.
  mouse(QEvent::MouseMove, at, Qt::NoButton, units());
  const std::string id = "(" + std::to_string(shell->project->project->data.unit(unit).id) + ")";
  EXPECT_NE(readout().find(id), std::string::npos) << readout();

  // Zooming about the pointer keeps the unit under it.
  wheel(at, 2, units());
  const CrsBox zoomed = units()->viewExtent();
  EXPECT_LT(zoomed.east - zoomed.west, (whole.east - whole.west) * 0.7);
  EXPECT_EQ(units()->unitAt(QPointF(at)), unit);

  // A drag moves the map with the pointer: the unit follows it.
  const QPoint to = at + QPoint(40, 25);
  drag(at, to, Qt::LeftButton, units());
  EXPECT_EQ(units()->unitAt(QPointF(to)), unit);

  // While the view moves, each frame is the settled map moved with it; a
  // pause draws the new view in full.
  painted();
  QTest::qWait(400);
  const QImage still = painted();
  QTest::qWait(50);
  const QPoint by(-30, 10);
  mouse(QEvent::MouseButtonPress, to, Qt::LeftButton, units());
  mouse(QEvent::MouseMove, to + by, Qt::NoButton, Qt::LeftButton, units());
  const QImage moving = painted();
  EXPECT_EQ(moving.pixel(to + by), still.pixel(to));
  mouse(QEvent::MouseButtonRelease, to + by, Qt::LeftButton, units());
  painted();
  QTest::qWait(400);
  const QImage settled = painted();
  EXPECT_EQ(settled, fresh());
  // The strip the drag uncovered shows its units in the moving frame
  // already, as the settled map draws them.
  const QRectF area = unitMapLayout(QRectF(units()->rect()), units()->viewExtent()).mapArea;
  int drawn = 0, same = 0;
  for (int y = static_cast<int>(area.top()) + 2; y < area.bottom() - 2; ++y)
    for (int x = static_cast<int>(area.right()) + by.x() + 1; x < area.right() - 2; ++x)
      if (settled.pixel(x, y) != qRgb(255, 255, 255)) {
        ++drawn;
        same += moving.pixel(x, y) == settled.pixel(x, y);
      }
  EXPECT_GT(drawn, 200);
  EXPECT_GE(same, drawn * 0.95) << same << " of " << drawn << " pixels drawn at once";

  sendKey(units(), QEvent::KeyPress, Qt::Key_Home);
  EXPECT_EQ(units()->viewExtent().west, whole.west);
  EXPECT_EQ(units()->viewExtent().north, whole.north);

  // Far in, about a corner, where no data show.
  wheel(QPoint(2, 2), 8, units());
  ASSERT_LT(units()->viewExtent().east - units()->viewExtent().west, (whole.east - whole.west) / 2);
  zoomToData();

  // Opening a datafile brings its map back.
  host.presetOpenFile(datafile);
  menu({"&DataBase", "Open data&file"});
  EXPECT_TRUE(view()->isVisible());
  EXPECT_EQ(shell->project, nullptr);
}

// Polygon units: the pointer finds the unit GEOS finds at that place,
// holes and all, and reads out its name.
TEST_P(ProjectWindow, PolygonUnitsReadOutTheUnitTheirOutlinesHold) {
  // Five-degree squares over the frogs' range; unit 1 has a hole, unit 2
  // fills it.
  std::vector<std::pair<std::string, std::string>> squares;
  auto square = [&](const std::string& rings) {
    const int id = static_cast<int>(squares.size()) + 1;
    squares.emplace_back(strprintf(R"("uid":%d,"label":"unit %d")", id, id), rings);
  };
  square(ring(-60, -20, -50, -10) + "," + ring(-57, -17, -53, -13));
  square(ring(-57, -17, -53, -13));
  for (int w = -80; w < -35; w += 5)
    for (int s = -35; s < 15; s += 5)
      if (!(w >= -60 && w < -50 && s >= -20 && s < -10)) square(ring(w, s, w + 5, s + 5));
  square(ring(-150, -45, -145, -40));  // open ocean: no frog there
  makeProject(project, {"--units", writeLayer("squares.geojson", squares).string(), "--id", "uid"}, frogs);
  open(project);
  ASSERT_NE(shell->project, nullptr);
  const UnitGeometry& geometry = *shell->project->data.geometry;
  const UnitMapLayout l = unitMapLayout(QRectF(units()->rect()), units()->viewExtent());
  int hits = 0, inHole = 0;
  for (int y = 0; y < units()->height(); y += 7)
    for (int x = 0; x < units()->width(); x += 7) {
      if (!l.mapArea.contains(QPointF(x, y))) continue;
      const CrsPoint c = l.toCrs(QPointF(x, y));
      const int unit = units()->unitAt(QPointF(x, y));
      ASSERT_EQ(unit, geometry.unitAtPoint(c.x, c.y)) << c.x << " " << c.y;
      hits += unit > 0;
      if (unit > 0 && shell->project->project->data.unit(unit).id == 2) ++inHole;
    }
  EXPECT_GT(hits, 100);
  EXPECT_GT(inHole, 0);
  // The ocean square holds no data: Zoom to data leaves it out.
  EXPECT_LT(zoomToData(), shell->project->data.units());
  int unit = 0;
  const QPoint at = pointOnAUnit(unit);
  mouse(QEvent::MouseMove, at, Qt::NoButton, units());
  EXPECT_NE(readout().find(geometry.name(unit)), std::string::npos) << readout();
  rarity();
  screenshot("project_polygons_rarity");
}

TEST_P(ProjectWindow, CurvesAndDoubleClicksOfAUnitAreTheToolsAndPickItForTheSet) {
  openProject();
  // The chart of the project's curves shows the numbers `zonarium curve`
  // writes for the same seed, and RESULTS gets the tool's report.
  menu({"&AnalyticalTools", "&Area selection", "Representation curves..."});
  CurveWindow* w = shownWindow<CurveWindow>();
  ASSERT_NE(w, nullptr) << lastShown(host);
  const CurveSet c = w->curves();
  w->close();
  ASSERT_GT(c.maxAreas, 0);
  const fs::path csv = tmp.path() / "curves.csv";
  succeeded(tool({"curve", project.string(), "--random-seed", std::to_string(c.seed), "--out", csv.string()}));
  EXPECT_EQ(readFile(csv), curvesCsv(c));
  EXPECT_NE(readFile(shell->resultsFile()).find("(all taxa of the project)"), std::string::npos);

  // Double-clicks on a unit.
  int unit = 0;
  const QPoint at = pointOnAUnit(unit);
  ASSERT_GT(unit, 0);
  const long long id = shell->project->project->data.unit(unit).id;

  // The left double-click's list is what `zonarium cell` prints for the unit's id.
  const std::string shown = listShownFor(at);
  EXPECT_EQ(shown, succeeded(tool({"cell", project.string(), std::to_string(id)})));

  // A right double-click takes the unit into the set, outlined on the map;
  // the list then shows its taxa as held by the set.
  const QImage before = units()->capture();
  doubleClick(at, Qt::RightButton, units());
  ASSERT_EQ(shell->project->areas.cells, std::vector<int>{unit});
  EXPECT_NE(units()->capture(), before);
  QApplication::processEvents();
  screenshot("project_unit_in_set");
  const std::string held = listShownFor(at);
  EXPECT_NE(held.find("selected area 1\n"), std::string::npos) << held;
  const std::size_t taxa = static_cast<std::size_t>(shell->project->data.occ().taxaIn(unit).size());
  EXPECT_NE(held.find(strprintf("0(%zu)/", taxa)), std::string::npos) << held;
  for (std::size_t line = held.find("\n  "); line != std::string::npos; line = held.find("\n  ", line + 1))
    EXPECT_EQ(held.compare(line, 4, "\n  ("), 0) << "every taxon in parentheses: " << held;

  // The set stays with the project's next map; a second right double-click takes the unit out.
  rarity();
  ASSERT_GT(shell->project->layer.inSet.size(), static_cast<std::size_t>(unit));
  EXPECT_TRUE(shell->project->layer.inSet[static_cast<std::size_t>(unit)]);
  doubleClick(at, Qt::RightButton, units());
  EXPECT_TRUE(shell->project->areas.empty());
  EXPECT_TRUE(shell->project->layer.inSet.empty());
}

TEST_P(ProjectWindow, SavesPrintsAndExportsTheMapOfAProjectAndItsStatusBarFits1024) {
  openProject();
  rarity();
  // Save bitmap at a size and resolution of our own, as PNG, SVG and PDF.
  auto size = [](QWidget& modal) {
    if (auto* d = dynamic_cast<MapSizeDialog*>(&modal)) {
      using Entry = std::pair<QSpinBox*, int>;
      for (auto [box, value] : {Entry{d->widthBox(), 500}, Entry{d->heightBox(), 352}, Entry{d->dpiBox(), 192}}) {
        box->selectAll();
        QTest::keyClicks(box, QString::number(value));
      }
      QTest::mouseClick(d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    }
  };
  for (const char* ext : {".png", ".svg", ".pdf"}) {
    const fs::path file = tmp.path() / (std::string("saved") + ext);
    playFileDialogs(file, size, [&] { menu({"&MapGraphics", "&Save bitmap"}); });
    ASSERT_TRUE(fs::exists(file)) << ext;
  }
  // The PNG is the tool's picture of the same map at that size and resolution.
  const fs::path rendered = tmp.path() / "tool.png";
  succeeded(tool({"render", project.string(), "--measure", "range-size-rarity", "--size", "500x352", "--dpi", "192",
                  "--out", rendered.string()}));
  const QImage saved(QString::fromStdString((tmp.path() / "saved.png").string()));
  EXPECT_EQ(saved.size(), QSize(1000, 704));
  EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
            QImage(QString::fromStdString(rendered.string())).convertToFormat(QImage::Format_RGB32));
  // The drawings hold the units and the key as shapes, not as a picture.
  const std::string svg = test::readFile(tmp.path() / "saved.svg");
  EXPECT_NE(svg.find("<path"), std::string::npos);
  EXPECT_EQ(svg.find("<image"), std::string::npos);
  const std::string pdf = test::readFile(tmp.path() / "saved.pdf");
  EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
  EXPECT_EQ(pdf.find("/Subtype /Image"), std::string::npos);
  double pageWidth = 0, pageHeight = 0;
  const std::size_t box = pdf.find("/MediaBox [0 0 ");
  ASSERT_NE(box, std::string::npos);
  ASSERT_EQ(std::sscanf(pdf.c_str() + box, "/MediaBox [0 0 %lf %lf", &pageWidth, &pageHeight), 2);
  EXPECT_EQ(pageWidth, 500 * 72.0 / 96) << "points, at 96 pixels to the inch";
  EXPECT_EQ(pageHeight, 352 * 72.0 / 96);

  // Print map: the platform's dialog, here printing to a PDF file.
  const fs::path printed = tmp.path() / "printed.pdf";
  const auto print = [&](QWidget& modal) {
    if (auto* d = qobject_cast<QPrintDialog*>(&modal)) {
      d->printer()->setOutputFormat(QPrinter::PdfFormat);
      d->printer()->setOutputFileName(QString::fromStdString(printed.string()));
      d->done(QDialog::Accepted);
    }
  };
  playFileDialogs(printed, print, [&] { menu({"&MapGraphics", "&Print map"}); });
  ASSERT_TRUE(fs::exists(printed));
  const std::string page = test::readFile(printed);
  EXPECT_EQ(page.rfind("%PDF", 0), 0u);
  EXPECT_EQ(page.find("/Subtype /Image"), std::string::npos);

  // Export map to GIS: the project's units with the map's fields and the set.
  int unit = 0;
  const QPoint at = pointOnAUnit(unit);
  doubleClick(at, Qt::RightButton, units());
  const fs::path gis = tmp.path() / "map.gpkg";
  playFileDialogs(
      gis, [](QWidget&) {},
      [&] {
        menu({"&MapGraphics", "Export map to &GIS..."});
      });
  ASSERT_TRUE(fs::exists(gis)) << lastShown(host);
  GDALAllRegister();
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(gis.string().c_str(), GDAL_OF_VECTOR));
  ASSERT_NE(ds, nullptr);
  OGRLayer* layer = ds->GetLayer(0);
  ASSERT_NE(layer, nullptr);
  const ProjectScreen& p = *shell->project;
  EXPECT_EQ(layer->GetFeatureCount(), p.data.units());
  int inSet = 0;
  for (auto& f : *layer) {
    const long long id = f->GetFieldAsInteger64("unit_id");
    const bool picked = id == p.project->data.unit(unit).id;
    EXPECT_EQ(f->GetFieldAsInteger("in_set"), picked ? 1 : 0) << id;
    inSet += f->GetFieldAsInteger("in_set");
    if (picked) {
      EXPECT_DOUBLE_EQ(f->GetFieldAsDouble("score"), p.layer.score[static_cast<std::size_t>(unit)]);
    }
  }
  EXPECT_EQ(inSet, 1);

  // At 1024 pixels every part of the status bar shows its whole text while
  // the pointer reads out unit after unit.
  window->resize(1024, 700);
  QApplication::processEvents();
  ASSERT_NE(window->statusBar()->findChild<QLabel*>("cellReadout"), nullptr);
  int seen = 0;
  for (int y = units()->height() / 4; y < units()->height() * 3 / 4; y += 23)
    for (int x = units()->width() / 4; x < units()->width() * 3 / 4; x += 23) {
      if (units()->unitAt(QPointF(x, y)) == 0) continue;
      mouse(QEvent::MouseMove, QPoint(x, y), Qt::NoButton, units());
      QApplication::processEvents();
      ++seen;
      for (QLabel* l : window->statusBar()->findChildren<QLabel*>()) {
        if (!l->isVisible() || l->text().isEmpty()) continue;
        EXPECT_GE(l->contentsRect().width() - 2 * l->margin(), l->fontMetrics().horizontalAdvance(l->text()))
            << l->text().toStdString();
        EXPECT_LE(l->geometry().right(), window->statusBar()->width()) << l->text().toStdString();
      }
      if (HasFailure()) return;
    }
  EXPECT_GT(seen, 3);
}

TEST_P(ProjectWindow, NewProjectEqualsTheToolsAndARecentEntryReopensIt) {
  const fs::path made = tmp.path() / "made.gpkg";
  newProject(made);
  ASSERT_NE(shell->project, nullptr) << lastShown(host);
  EXPECT_EQ(shell->project->file, made);
  EXPECT_TRUE(units()->isVisible());

  // The tool's `project new` and `project add` of the same inputs make the
  // same project, and the window's summary is the tool's.
  const std::string added = makeProject(project, {"--cell", "1deg"}, frogs, nullptr);
  EXPECT_EQ(lastShown(host), "New project: made.gpkg made from phyllomedusa_lonlat.csv.\n\n" + added);
  EXPECT_EQ(tool({"info", made.string()}).out, tool({"info", project.string()}).out);

  // The recent entry brings it back after a datafile.
  const QString recent = QString::fromStdString(recentProjectLabel(0, made));
  host.presetOpenFile(datafile);
  menu({"&DataBase", "Open data&file"});
  ASSERT_EQ(shell->project, nullptr);
  menu({"&DataBase", kRecentProjectsMenu, recent});
  QApplication::processEvents();
  ASSERT_NE(shell->project, nullptr);
  EXPECT_EQ(shell->project->file, made);

  // What another window adds to the list shows the next time DataBase opens.
  ASSERT_TRUE(rememberProject(home, project));
  EXPECT_EQ(recentShown(), QStringList({QString::fromStdString(recentProjectLabel(0, project)),
                                        QString::fromStdString(recentProjectLabel(1, made))}));

  // A file gone since says so and leaves the list.
  fs::remove(made);
  const std::size_t said = host.shown.size();
  menu({"&DataBase", kRecentProjectsMenu, QString::fromStdString(recentProjectLabel(1, made))});
  QApplication::processEvents();
  ASSERT_EQ(host.shown.size(), said + 1);
  EXPECT_EQ(host.shown.back(),
            "Open project: " + made.string() + " is no longer there; it leaves the recent projects.");
  EXPECT_EQ(recentShown(), QStringList{QString::fromStdString(recentProjectLabel(0, project))});
}

// Opening and making a project show a box with Stop: a stopped opening
// says nothing and leaves what was on screen; a stopped making leaves no file.
TEST_P(ProjectWindow, StopWhileOpeningOrMakingLeavesTheScreenAsItWasAndNoFileAndCardsMakeTheToolsProject) {
  QTimer poll;
  QStringList stopped;
  stopWhenShown(poll, stopped);
  poll.start(0);
  const std::size_t said = host.shown.size();
  openProject();
  ASSERT_EQ(stopped.size(), 1) << "no box with Stop shown while opening";
  EXPECT_EQ(stopped.front().toStdString(), "Open project");
  EXPECT_EQ(shell->project, nullptr);
  EXPECT_EQ(host.shown.size(), said);

  const fs::path made = tmp.path() / "stopped.gpkg";
  newProject(made, [&](NewProjectDialog&) { poll.start(0); });
  EXPECT_EQ(stopped.size(), 2) << "no Stop button shown while making";
  EXPECT_FALSE(fs::exists(made));
  EXPECT_EQ(shell->project, nullptr);
  EXPECT_EQ(lastShown(host), "New project: Stopped: no project was made.");

  // Opened again without a stop, the project is on screen.
  open(project);
  ASSERT_NE(shell->project, nullptr);
  EXPECT_EQ(shell->project->file, project);

  // Made from the sample datafile, the cards go through a session of their
  // own: the datafile on screen stays open, and the project is the tool's.
  const fs::path cards = tmp.path() / "cards.gpkg", told = tmp.path() / "told.gpkg";
  newProject(cards, {}, datafile);
  ASSERT_NE(shell->project, nullptr);
  EXPECT_EQ(shell->project->file, cards) << lastShown(host);
  EXPECT_TRUE(session->ws.datafile.opened);
  const std::string added = makeProject(told, {"--cell", "1deg"}, datafile.string(), "datafile");
  EXPECT_EQ(lastShown(host), "New project: cards.gpkg made from " + datafile.filename().string() + ".\n\n" + added);
  EXPECT_EQ(tool({"info", cards.string()}).out, tool({"info", told.string()}).out);
}

INSTANTIATE_TEST_SUITE_P(Programs, ProjectWindow, ::testing::Values(GridVariant::World, GridVariant::Britain),
                         [](const auto& p) { return std::string(programName(p.param)); });

}  // namespace
}  // namespace zn::test
