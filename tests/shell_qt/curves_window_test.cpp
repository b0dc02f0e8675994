// "Representation curves..." and "Selection frequency" chosen with the mouse
// from the Area selection menu of both programs: the chart window, its
// hover, Save and Copy, and the frequency map's title. (The curves and
// reports against the tool's: Parity in tests/shell.)
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>

#include "measures/scores.h"
#include "tests/support/desktop.h"
#include "tests/support/golden.h"
#include "ui/curvechart.h"
#include "ui/curvewindow.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

// Each program's window, shown as a user sees it, on its sample.
class CurvesWindow : public test::EachSample {
 protected:
  void SetUp() override {
    EachSample::SetUp();
    if (HasFatalFailure()) return;
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QApplication::processEvents();
  }
  void TearDown() override {
    if (CurveWindow* w = test::shownWindow<CurveWindow>()) w->close();
    QApplication::processEvents();
    EachSample::TearDown();
  }
  std::string results() { return test::readFile(shell->resultsFile()); }
};

TEST_P(CurvesWindow, ChartWindowHoversSavesAndCopies) {
  const std::size_t before = results().size();
  choose("Representation curves...");
  CurveWindow* w = test::shownWindow<CurveWindow>();
  ASSERT_NE(w, nullptr) << test::lastShown(host);
  const CurveSet& c = w->curves();
  ASSERT_GT(c.maxAreas, 0);
  EXPECT_EQ(c.maxAreas, c.minimumSize);
  EXPECT_NE(results().find("PRIORITY-AREAS ANALYSIS: Representation curves for 0 ... ", before), std::string::npos);

  // Hovering over k = 1 shows that column's values.
  QChart* chart = w->view()->chart();
  const QPointF at = chart->mapToPosition(QPointF(1.0, c.optimum[1]));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
  const QPoint pos = w->view()->mapFromScene(chart->mapToScene(at));
  QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(w->view()->viewport()->mapToGlobal(pos)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  const int width = w->width();
  QApplication::sendEvent(w->view()->viewport(), &move);
  QApplication::processEvents();
  EXPECT_EQ(w->valuesText().toStdString().rfind("1 areas: exact optimum: ", 0), 0u) << w->valuesText().toStdString();
  // The long readout is cut to the room it has: the window keeps its width
  // and Close stays inside it.
  EXPECT_EQ(w->width(), width);
  EXPECT_LE(w->valuesLabel()->fontMetrics().horizontalAdvance(w->valuesLabel()->text()), w->valuesLabel()->width());
  for (const QPushButton* b : w->findChildren<QPushButton*>())
    EXPECT_LE(b->mapTo(w, QPoint(b->width(), 0)).x(), w->width()) << b->text().toStdString();

  // Save writes the type its name asks for: each file opens with its magic.
  for (auto [name, magic] : {std::pair{"chart.png", "\x89PNG"}, {"chart.svg", "<?xml"}, {"chart.pdf", "%PDF"}}) {
    const fs::path file = tmp.path() / name;
    w->chooseFile = [file] { return std::optional<fs::path>(file); };
    QTest::mouseClick(w->saveButton(), Qt::LeftButton);
    EXPECT_EQ(test::readFile(file).rfind(magic, 0), 0u) << name;
  }
  QApplication::clipboard()->clear();
  QTest::mouseClick(w->copyButton(), Qt::LeftButton);
  EXPECT_FALSE(QApplication::clipboard()->image().isNull());

  QTest::keyClick(w->view(), Qt::Key_Escape);
  EXPECT_EQ(test::shownWindow<CurveWindow>(), nullptr);
}

// The frequency map's title counts its runs. (Its scores and report against
// the tool's: Parity in tests/shell.)
TEST_P(CurvesWindow, SelectionFrequencyTitleCountsTheRuns) {
  choose("Selection fre&quency");
  ASSERT_EQ(session->map.code(), kCodeSelectionFrequency);
  EXPECT_EQ(session->map.title, "selection frequency (100 runs)");
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, CurvesWindow, ::testing::Values(test::kWorldSample, test::kBritainSample),
                         test::programOfSample);

TEST(CurveChart, HoverTextAndDrawingAsTheGoldenImage) {
  CurveSet c;
  c.taxa = 10;
  c.maxAreas = 4;
  c.optimum = {0, 5, 8, 9, 10};
  c.optimumProven = {1, 1, 0, 1, 1};
  c.optimumBound = {0, 5, 9, 9, 10};
  c.nearMinimum = {0, 4, 7, 9, 10};
  c.greedy = {0, 5, 7, 8, 9};
  c.hotspots = {0, 5, 6, 7, 8};
  c.randomMedian = {0, 2.5, 4, 5, 6};
  c.randomLow = {0, 1, 2, 3, 4};
  c.randomHigh = {0, 4, 6, 7, 8};
  // The hover text of a column, a fraction shown with its decimal.
  EXPECT_EQ(curveHoverText(c, 1).toStdString(),
            "1 areas\nexact optimum: 5 (50.0 %)\nnear-minimum: 4 (40.0 %)\ngreedy: 5 (50.0 %)\n"
            "richness hotspots: 5 (50.0 %)\nrandom: median 2.5 (25.0 %), 95 %: 1 ... 4");
  EXPECT_EQ(curveHoverText(c, 2).section('\n', 1, 1), "exact optimum: 8 (80.0 %), not proven (bound 9)");
  test::TempDir tmp;
  const fs::path file = tmp.path() / "chart.png";
  std::string error;
  ASSERT_TRUE(saveCurveChart(c, "golden data", file, QSize(kCurveChartWidth, kCurveChartHeight), error)) << error;
  test::expectMatchesGolden(QImage(QString::fromStdString(file.string())), "curve_chart");
  EXPECT_FALSE(saveCurveChart(c, "x", tmp.path() / "chart.bmp", QSize(100, 100), error));
  EXPECT_FALSE(saveCurveChart(c, "x", tmp.path() / "no" / "such" / "chart.png", QSize(100, 100), error));
}

}  // namespace
}  // namespace zn
