// The map of both desktop programs (world grid and Britain grid) as a user
// meets it: real mouse, wheel and key events on the real window.
#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>

#include <set>

#include "display/readout.h"
#include "display/renderer.h"
#include "measures/scores.h"
#include "shell/options.h"
#include "store/text.h"
#include "tests/support/desktop.h"
#include "tests/support/golden.h"
#include "ui/datawindows.h"
#include "ui/selectiondialogs.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

// Each program's window, shown and drawn, on its sample.
class MapWindow : public test::EachSample {
 protected:
  void SetUp() override {
    EachSample::SetUp();
    if (!HasFatalFailure()) drawn();
  }
  // What `zonarium cell` prints for cell n of the window's datafile.
  std::string toolCellList(int n) { return test::succeeded(tool({"cell", datafile.string(), std::to_string(n)})); }
};

TEST_P(MapWindow, PointerReadoutDoubleClicksAndEditorClicksReachTheCellUnderIt) {
  const int cell = cellWithRecords();
  ASSERT_GT(cell, 0);
  const QPoint at = middleOf(cell);

  // The status bar reads out the cell under the pointer, and nothing off the map.
  auto* readout = window->findChild<QLabel*>("cellReadout");
  ASSERT_NE(readout, nullptr);
  mouse(QEvent::MouseMove, at, Qt::NoButton);
  EXPECT_EQ(readout->text().toStdString(), cellReadout(*session, cell));
  mouse(QEvent::MouseMove, QPoint(1, 1), Qt::NoButton);
  EXPECT_TRUE(readout->text().isEmpty());

  // Left double-click: the cell's list of biota, the same as the tool lists.
  EXPECT_EQ(test::listOfBiotaShown([&] { doubleClick(at, Qt::LeftButton); }), toolCellList(cell));

  // Right double-clicks: "Select grid cells" opens and takes the cell.
  doubleClick(at, Qt::RightButton);
  ASSERT_NE(window->findChild<ManualSelectionWindow*>(), nullptr);
  doubleClick(at, Qt::RightButton);
  EXPECT_EQ(session->areas.cells, std::vector<int>{cell});
  window->findChild<ManualSelectionWindow*>()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  // The data editor's clicks change that cell's record.
  choose("&Edit data");
  ASSERT_NE(window->dataWindows().editor(), nullptr);
  const int taxon = session->editor.dialog.current;
  const int before = session->ws.cards.level(taxon, cell);
  click(at, Qt::LeftButton);
  EXPECT_NE(session->ws.cards.level(taxon, cell), before);
  click(at, Qt::RightButton);
  EXPECT_EQ(session->ws.cards.level(taxon, cell), before);
}

// Records what the map was drawn with at every paint of the map view.
class PaintSpy : public QObject {
 public:
  explicit PaintSpy(Shell& s) : shell_(s) {}
  std::vector<bool> inverted;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) inverted.push_back(shell_.display.classes.inverted);
    return false;
  }

 private:
  Shell& shell_;
};

TEST_P(MapWindow, InvertedColourScaleLastsOneDrawing) {
  window->resize(1200, 860);
  QApplication::processEvents();
  screenshot("map");
  const QImage before = view()->grab().toImage();
  const std::string title = session->map.title;
  PaintSpy spy(*shell);
  view()->installEventFilter(&spy);
  choose("In&verted colour scale");
  ASSERT_FALSE(spy.inverted.empty());
  EXPECT_TRUE(spy.inverted.back()) << "the command draws the inverted map once";
  EXPECT_EQ(session->map.title, title);

  choose("&Refresh map");
  view()->repaint();
  EXPECT_FALSE(spy.inverted.back()) << "Refresh map draws the normal order";
  view()->removeEventFilter(&spy);
  EXPECT_EQ(view()->grab().toImage(), before);
}

TEST_P(MapWindow, WheelZoomsAboutThePointerDragsAndKeysPanHomeShowsTheWholeMapAlsoWhenTiny) {
  // A cell near the middle of the frame: at the frame's edge the zoomed view,
  // which keeps clear of the key's strip, cannot move far enough to hold the
  // point under the pointer.
  const Workspace& ws = session->ws;
  int cell = 0;
  long nearest = -1;
  for (int n = 1; n <= ws.geo.cells; ++n) {
    const GridCell& c = ws.cells[static_cast<std::size_t>(n)];
    if (c.count <= 0) continue;
    const long dx = 2L * c.column - ws.geo.columns, dy = 2L * c.row - ws.geo.rows, d = dx * dx + dy * dy;
    if (nearest < 0 || d < nearest) nearest = d, cell = n;
  }
  ASSERT_GT(cell, 0);
  const QPoint at = middleOf(cell);
  wheel(at, 2);
  ASSERT_TRUE(viewState().zoomed);
  view()->grab();
  EXPECT_EQ(view()->cellAt(at), cell) << "the cell stays under the pointer";

  // Middle drag, space drag and the arrow keys pan the zoomed map.
  const QPoint centre(view()->width() / 2, view()->height() / 2);
  wheel(centre, 2);
  view()->grab();
  const LogicalRect start = viewState().zoom;

  // Dragging to the right brings in what lies to the left.
  drag(centre, centre + QPoint(40, 30), Qt::MiddleButton);
  EXPECT_LT(viewState().zoom.x, start.x);
  EXPECT_LT(viewState().zoom.y, start.y);
  EXPECT_EQ(viewState().zoom.w, start.w);
  EXPECT_TRUE(session->areas.empty()) << "a pan is not a click";

  // Space held: the left button pans instead of clicking.
  test::sendKey(view(), QEvent::KeyPress, Qt::Key_Space);
  const LogicalRect before = viewState().zoom;
  drag(centre, centre - QPoint(60, 0), Qt::LeftButton);
  EXPECT_GT(viewState().zoom.x, before.x);
  test::sendKey(view(), QEvent::KeyRelease, Qt::Key_Space);

  // The arrow keys still pan.
  const LogicalRect keyed = viewState().zoom;
  test::sendKey(view(), QEvent::KeyPress, Qt::Key_Right);
  EXPECT_GT(viewState().zoom.x, keyed.x);

  test::sendKey(view(), QEvent::KeyPress, Qt::Key_Home);
  EXPECT_FALSE(viewState().zoomed);

  // A tiny window still zooms, pans and draws.
  window->resize(200, 150);
  QApplication::processEvents();
  const QPoint middle(view()->width() / 2, view()->height() / 2);
  view()->grab();
  for (int i = 0; i < 20; ++i) wheel(middle, 2);
  drag(middle, middle + QPoint(500, -500), Qt::MiddleButton);
  EXPECT_FALSE(view()->grab().isNull());
  EXPECT_TRUE(viewState().zoomed);
  for (int i = 0; i < 20; ++i) wheel(middle, -2);
  EXPECT_FALSE(viewState().zoomed);
}

// Save bitmap through the real file dialog: the type chosen in its list
// decides the file written, and a name typed bare takes its extension.
TEST_P(MapWindow, SaveBitmapTakesTheTypeOfTheChosenFilter) {
  struct Case {
    int downs;  // presses of the down key in the file type list
    const char* type;
    const char* extension;
    const char* magic;
  };
  for (const Case c :
       {Case{1, "PNG images (*.png)", ".png", "\x89PNG"}, Case{2, "SVG drawings (*.svg)", ".svg", "<?xml"}}) {
    const fs::path bare = tmp.path() / (std::string("map") + std::to_string(c.downs));
    QString listed;
    // OK in "Save map", then the type and the name in the file dialog.
    const auto ok = [](QWidget& modal) {
      if (auto* box = modal.findChild<QDialogButtonBox*>())
        QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
    };
    const auto type = [&](QFileDialog& files) {
      auto* types = files.findChild<QComboBox*>("fileTypeCombo");
      if (!types) {
        ADD_FAILURE() << "no file type list";
        return;
      }
      for (int i = 0; i < c.downs; ++i) QTest::keyClick(types, Qt::Key_Down);
      listed = types->currentText();
    };
    test::playFileDialogs(
        bare, ok, [&] { choose("&Save bitmap"); }, type);
    EXPECT_EQ(listed.toStdString(), c.type) << "each pattern once";
    EXPECT_FALSE(fs::exists(bare));
    const fs::path file = fs::path(bare) += c.extension;
    EXPECT_EQ(test::readFile(file).rfind(c.magic, 0), 0u) << c.type;
  }
}

// The colour ramps of "Mapdraw options", chosen with the mouse, and the
// tool's picture of the window's map with the options the window keeps.
// Pixels of the picture whose colour is one of `colours`.
int pixelsOf(const QImage& img, const std::set<QRgb>& colours) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) n += colours.count(row[x] | 0xFF000000u) ? 1 : 0;
  }
  return n;
}

std::set<QRgb> rampColours(const Palette& p, int from, int to) {
  std::set<QRgb> s;
  for (int i = from; i <= to; ++i) s.insert(qRgb(p.at(i).r, p.at(i).g, p.at(i).b));
  return s;
}

class MapRamps : public MapWindow {
 protected:
  // Opens "Mapdraw options", clicks the controls with the mouse, then OK.
  void chooseInMapOptions(std::vector<Control> controls) {
    const auto answering = test::whenModalShown([&](QWidget& modal) {
      auto* d = qobject_cast<QDialog*>(&modal);
      if (!d) return;
      for (const Control& c : controls) {
        auto* b = d->findChild<QAbstractButton*>(c.name);
        if (!b) {
          ADD_FAILURE() << "no control " << c;
          continue;
        }
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
      }
      QTest::mouseClick(d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    choose("Mapdraw &options");
  }
  QImage windowMap() { return view()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // `zonarium render` of the window's datafile with the window's options, at
  // the map view's size (the tool's picture keeps a status-bar strip below).
  QImage toolMap(const std::string& measure) {
    const fs::path opp = tmp.path() / "window.opp", png = tmp.path() / "tool.png";
    EXPECT_TRUE(writeOptions(session->settings, opp));
    const QSize size = view()->size();
    test::succeeded(tool({"render", datafile.string(), "--measure", measure, "--options", opp.string(), "--size",
                          strprintf("%dx%d", size.width(), size.height() + kStatusBarHeight), "--out", png.string()}));
    return QImage(QString::fromStdString(png.string()))
        .convertToFormat(QImage::Format_RGB32)
        .copy(0, 0, size.width(), size.height());
  }
};

// The ramps themselves are the palette's; here the mouse chooses them and
// the window draws what the tool draws with the options it keeps.
TEST_P(MapRamps, ColourBlindAndDivergingRampsAreChosenWithTheMouseAndDrawnAsTheToolDraws) {
  const Palette standard = shell->display.palette;
  const QImage plain = windowMap();
  chooseInMapOptions({mopt::kRampColourBlind});
  const QImage blind = windowMap();
  EXPECT_NE(blind, plain);
  EXPECT_EQ(blind, toolMap("richness"));

  // Residuals: on the chosen ramp, then diverging from the zero residual.
  choose("Residuals &from smoothing");
  ASSERT_EQ(session->map.code(), kCodeResiduals);
  ASSERT_LT(session->map.scoreOffset, 0.0) << "some residuals below zero";
  const QImage onRamp = windowMap();
  chooseInMapOptions({mopt::kResidualsDiverging});
  EXPECT_EQ(session->settings.mapPalette, MapPalette::kAllBits);
  const QImage diverging = windowMap();
  EXPECT_NE(diverging, onRamp);
  screenshot("residuals_diverging");
  // The ramp drawn turns at the class of the zero residual.
  const int zero = classOfScore(shell->display.classes, -session->map.scoreOffset);
  ASSERT_GT(zero, 0);
  Palette sides = shell->display.palette;
  putDivergingRamp(sides, zero, session->settings.maxNotSeparate == Flag::kOff);
  const std::set<QRgb> blueSide = rampColours(sides, 0, zero - 1), redSide = rampColours(sides, zero + 1, 32);
  EXPECT_GT(pixelsOf(diverging, blueSide), 100) << "residuals below zero";
  EXPECT_GT(pixelsOf(diverging, redSide), 100) << "residuals above zero";
  EXPECT_EQ(pixelsOf(onRamp, blueSide), 0);
  EXPECT_EQ(diverging, toolMap("residuals"));

  // The standard radios bring the mode's own ramp back, pixel for pixel.
  chooseInMapOptions({mopt::kRampStandard, mopt::kResidualsAsScores});
  EXPECT_EQ(session->settings.mapPalette, MapPalette::kStandard);
  EXPECT_EQ(shell->display.palette.entries, standard.entries);
  EXPECT_NE(windowMap(), onRamp) << "redrawn on the standard ramp";
}

// A regional grid type opens on its own cells; the MapGraphics menu goes to
// the whole map and back.
class RegionalMap : public MapRamps {};

// The tool frames a regional grid's data as the window does.
TEST_P(RegionalMap, OpensZoomedToItsCellsAsTheToolFramesThemWithTheCoastUnderAndTheKeyBeside) {
  ASSERT_TRUE(viewState().zoomed);
  // The world's coast runs off the bottom of the map: its smoothed edge in
  // the last rows depends on how far the picture goes on below (the tool's
  // has its status-bar strip), so those rows are left out.
  constexpr int kEdgeRows = 8;
  const QImage full = windowMap();
  const QImage shown = full.copy(0, 0, full.width(), full.height() - kEdgeRows);
  const QImage tool = toolMap("richness").copy(0, 0, full.width(), full.height() - kEdgeRows);
  EXPECT_EQ(shown, tool);
  if (shown != tool) {
    test::showMap(shown, std::string("regional_window_") + program.folder);
    test::showMap(tool, std::string("regional_tool_") + program.folder);
  }

  // The cells fill the view.
  window->resize(1200, 860);
  QApplication::processEvents();
  screenshot("map");
  const LogicalRect z = viewState().zoom;
  for (int n = 1; n <= session->ws.geo.cells; ++n) {
    const GridCell& c = session->ws.cells[static_cast<std::size_t>(n)];
    if (c.background == 0) continue;
    EXPECT_TRUE(c.x0 >= z.x && c.x1 <= z.x + z.w && c.y0 >= z.y && c.y1 <= z.y + z.h) << "cell " << n;
  }
  EXPECT_LT(z.w, session->ws.geo.extentX / 2);

  // The world's coast lies under a regional grid's cells, and the key stays
  // beside them: switching the coast or the key off with the mouse changes
  // pixels, the key's none over the cells.
  if (!isOn(session->settings.coastShown)) chooseInMapOptions({mopt::kCoast});
  ASSERT_TRUE(isOn(session->settings.coastShown));
  const QImage coasted = windowMap();
  screenshot("regional");
  chooseInMapOptions({mopt::kCoast});
  ASSERT_FALSE(isOn(session->settings.coastShown));
  const QImage bare = windowMap();
  chooseInMapOptions({mopt::kScaleBarOff});
  const QImage keyless = windowMap();
  const MapTransform& t = viewState().last;
  long coast = 0, keyOverCells = 0;
  for (int y = 0; y < coasted.height(); ++y)
    for (int x = 0; x < coasted.width(); ++x) coast += coasted.pixel(x, y) != bare.pixel(x, y);
  for (int n = 1; n <= session->ws.geo.cells; ++n) {
    const GridCell& c = session->ws.cells[static_cast<std::size_t>(n)];
    if (c.background == 0) continue;
    for (int y = std::max(0, static_cast<int>(t.toDeviceY(c.y0)));
         y < std::min(bare.height(), static_cast<int>(t.toDeviceY(c.y1))); ++y)
      for (int x = std::max(0, static_cast<int>(t.toDeviceX(c.x0)));
           x < std::min(bare.width(), static_cast<int>(t.toDeviceX(c.x1))); ++x)
        keyOverCells += bare.pixel(x, y) != keyless.pixel(x, y);
  }
  EXPECT_GT(coast, 500) << "the coastline drawn";
  EXPECT_EQ(keyOverCells, 0) << "the key over the cells";

  // The menu goes to the whole map and back.
  choose("&Whole map\tHome");
  EXPECT_FALSE(viewState().zoomed);
  view()->grab();
  EXPECT_FALSE(viewState().zoomed) << "only a newly opened file is framed";
  choose("Zoom to &data");
  const LogicalRect d = viewState().zoom;
  EXPECT_TRUE(d.x >= z.x && d.y >= z.y && d.x + d.w <= z.x + z.w && d.y + d.h <= z.y + z.h) << "the records' cells";
}

INSTANTIATE_TEST_SUITE_P(RegionalGrid, RegionalMap,
                         ::testing::Values(test::Program{GridVariant::World, "austral", "acacia.dat"},
                                           test::Program{GridVariant::World, "neotrop", "phyllomedusa.dat"},
                                           test::Program{GridVariant::World, "safrica", "woody.dat"}),
                         [](const ::testing::TestParamInfo<test::Program>& p) { return std::string(p.param.folder); });

INSTANTIATE_TEST_SUITE_P(BothPrograms, MapRamps, ::testing::Values(test::kWorldSample, test::kBritainSample),
                         test::programOfSample);

INSTANTIATE_TEST_SUITE_P(BothPrograms, MapWindow, ::testing::Values(test::kWorldSample, test::kBritainSample),
                         test::programOfSample);

}  // namespace
}  // namespace zn
