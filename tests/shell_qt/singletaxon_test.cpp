// The single-taxon map in both programs: reached through the "Selective
// plot" dialog, the arrow keys, the "List of biota" and the data editor, it
// is classed as a map of its own and drawn as `zonarium render` draws it;
// and the editor follows the taxon the keys step to.
#include <QLabel>
#include <QListWidget>

#include "display/renderer.h"
#include "measures/scores.h"
#include "tests/support/desktop.h"
#include "tests/support/golden.h"
#include "ui/celldialogs.h"
#include "ui/datawindows.h"
#include "ui/optiondialogs.h"

namespace zn::test {
namespace {

constexpr int kWidth = 900, kHeight = 640;

// Clicks line `row` of a list box as the user would: scrolled to, then
// pressed on.
void clickLine(QListWidget* list, int row) {
  QListWidgetItem* item = list->item(row);
  ASSERT_NE(item, nullptr) << "line " << row;
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

class SingleTaxonMaps : public BothPrograms {
 protected:
  // The first taxon holding at least two records.
  int taxonWithRecords() {
    for (int t = 0; t < session->ws.taxaCount; ++t)
      if (session->ws.cards.recordCount(t) >= 2) return t;
    ADD_FAILURE() << "no taxon with records";
    return 0;
  }
  // The window's map against the tool's picture of the same taxon.
  void expectDrawnAsTheToolDrawsIt(int taxon) {
    const std::string name = session->ws.cards.name(taxon);
    const fs::path png = tmp.path() / "tool.png";
    succeeded(tool({"render", datafile.string(), "--measure", "selective-richness", "--taxa", name, "--size",
                    std::to_string(kWidth) + "x" + std::to_string(kHeight), "--out", png.string()}));
    const QImage tool = QImage(QString::fromStdString(png.string())).convertToFormat(QImage::Format_RGB32);
    const QImage shown = renderClient(*session, shell->display, kWidth, kHeight).convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(shown == tool) << programName(variant) << ": " << name;
    if (shown != tool) {
      showMap(tool, "single_taxon_tool");
      showMap(shown, "single_taxon_window");
    }
  }
  // The classes on screen are those of the scores on screen.
  void expectClassesOfTheScoresShown(const char* path) {
    const ClassTable fresh = classifyScores(session->settings, session->map, session->ws, shell->display.palette);
    EXPECT_EQ(shell->display.classes.limits, fresh.limits) << path;
    EXPECT_EQ(shell->display.classes.histogram, fresh.histogram) << path;
  }
};

TEST_P(SingleTaxonMaps, AfterRichnessEveryWayToOneTaxonDrawsItAsTheToolDoes) {
  drawn();
  ASSERT_EQ(session->map.code(), kCodeRichness);
  const std::vector<double> richnessLimits = shell->display.classes.limits;

  const int taxon = taxonWithRecords();
  const auto plotting = whenModal<SelectivePlotDialog>([taxon](SelectivePlotDialog& d) {
    clickLine(d.list(), taxon);
    QTest::mouseClick(d.plotButton(), Qt::LeftButton);
  });
  choose("&Selective richness");
  ASSERT_EQ(session->map.code(), kCodeSelectiveRichness);
  ASSERT_EQ(markedTaxa(session->ws), 1);
  ASSERT_TRUE(session->map.presenceMap);
  EXPECT_NE(shell->display.classes.limits, richnessLimits) << "the richness classes stayed";
  expectDrawnAsTheToolDrawsIt(taxon);
  saveScreenshot(*window, variant == GridVariant::Britain ? "single_taxon_gb.png" : "single_taxon.png");

  // Down steps to the next taxon.
  QTest::keyClick(view(), Qt::Key_Down);
  ASSERT_EQ(firstMarkedTaxon(session->ws), taxon + 1);
  expectDrawnAsTheToolDrawsIt(taxon + 1);

  // "Plot sel taxa" with one line of the "List of biota" of a cell.
  choose("&Richness");
  int cell = 0;
  QPoint at;
  const auto listing = whenModal<CellListDialog>([](CellListDialog& d) {
    clickLine(d.list(), 0);
    QTest::mouseClick(d.plotSelected(), Qt::LeftButton);
  });
  ASSERT_TRUE(findCell(cell, at, true));
  doubleClick(at, Qt::LeftButton);
  ASSERT_EQ(session->map.code(), kCodeSelectiveRichness);
  ASSERT_EQ(markedTaxa(session->ws), 1);
  expectDrawnAsTheToolDrawsIt(firstMarkedTaxon(session->ws));

  // The data editor's map of its current taxon ("editing ..." in the title).
  choose("&Richness");
  choose("&Edit data");
  ASSERT_TRUE(shell->flags.mapEditing);
  ASSERT_TRUE(session->map.presenceMap);
  expectClassesOfTheScoresShown("editor");
}

TEST_P(SingleTaxonMaps, EditorFollowsTheTaxonTheKeysStepTo) {
  drawn();
  choose("&Edit data");
  EditorWindow* editor = window->dataWindows().editor();
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(session->editor.dialog.current, 0);

  QTest::keyClick(view(), Qt::Key_Down);
  EXPECT_EQ(firstMarkedTaxon(session->ws), 1);
  EXPECT_EQ(session->editor.dialog.current, 1);
  EXPECT_EQ(editor->list()->currentRow(), 1);
  EXPECT_EQ(editor->name()->text().toStdString(), session->ws.cards.name(1));

  // The next click edits the taxon on the map, not the one before.
  int cell = 0;
  QPoint at;
  ASSERT_TRUE(findCell(cell, at));
  const int shown = session->ws.cards.level(1, cell), before = session->ws.cards.level(0, cell);
  click(at, Qt::LeftButton);
  EXPECT_NE(session->ws.cards.level(1, cell), shown);
  EXPECT_EQ(session->ws.cards.level(0, cell), before);
  EXPECT_TRUE(editor->taxonText()->text().startsWith("Taxon 2 / "));

  QTest::keyClick(view(), Qt::Key_Up);
  EXPECT_EQ(session->editor.dialog.current, 0);
  EXPECT_EQ(editor->list()->currentRow(), 0);
}

INSTANTIATE_TEST_SUITE_P(Programs, SingleTaxonMaps, ::testing::Values(GridVariant::World, GridVariant::Britain),
                         [](const auto& param_info) { return std::string(programName(param_info.param)); });

}  // namespace
}  // namespace zn::test
