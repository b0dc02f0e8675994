// The real main window, offscreen: its menus follow the session, its data
// windows take the map's clicks and their files, and a screenshot can be
// saved for a person to look at.
#include <QListWidget>
#include <QTextBrowser>

#include <algorithm>
#include <map>
#include <regex>

#include "app/helpwindow.h"
#include "cli/cli.h"
#include "store/preselection.h"
#include "tests/support/desktop.h"
#include "ui/datawindows.h"
#include "ui/selectiondialogs.h"

namespace zn::test {
namespace {

// The sample opens on start without a word to the user.
TEST_F(Desktop, OpensItsSampleSilently) {
  EXPECT_TRUE(host.shown.empty());
  drawn();
  saveScreenshot(*window, "mainwindow.png");
}

TEST_F(Desktop, PreselectionWindowTakesRightDoubleClicksAndIsChecked) {
  drawn();
  choose("Data &preselection");
  auto* preselection = window->dataWindows().preselection();
  ASSERT_NE(preselection, nullptr);
  EXPECT_TRUE(preselection->isVisible());
  EXPECT_TRUE(action("Data &preselection")->isChecked());
  int cell = 0;
  QPoint at;
  ASSERT_TRUE(findCell(cell, at));
  doubleClick(at, Qt::RightButton);
  EXPECT_EQ(preselection->areaList()->count(), 1);
  EXPECT_EQ(window->findChild<ManualSelectionWindow*>(), nullptr);
  preselection->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window->dataWindows().preselection(), nullptr);
  EXPECT_FALSE(action("Data &preselection")->isChecked());
  for (int t = 0; t < session->ws.taxaCount; ++t) ASSERT_EQ(session->ws.cards.level(t, cell), 0) << "taxon " << t;
}

TEST_F(Desktop, ThreeColumnImportOpensThe3DOptionsWhichTheMenuCloses) {
  drawn();
  const fs::path file = tmp.path() / "three.txt";
  test::writeFile(file, "#4\n100 1 2 3\n101 2 3 1\n102 3 1 2\n");
  host.presetOpenFile(file);
  choose("I&mport scores");
  QApplication::processEvents();
  ASSERT_TRUE(shell->flags.view3D);
  ThreeAxisWindow* options = window->dataWindows().threeAxis();
  ASSERT_NE(options, nullptr);
  EXPECT_TRUE(options->isVisible());
  QAction* map3d = action("Map&3D options ");
  EXPECT_TRUE(map3d->isEnabled());
  saveScreenshot(*window, "three_axis_window.png");
  choose("Map&3D options ");
  QApplication::processEvents();
  EXPECT_FALSE(shell->flags.threeAxisWindowOpen);
  EXPECT_EQ(window->dataWindows().threeAxis(), nullptr);
}

// The menu bar of each program is the command table: its items in order,
// each enabled and checked as the shell's rules say, and each with its
// section in "The menus" under a heading that shows its label with the
// access key underlined (the items of the menus without operation are named
// in the page's note about them); an item chosen with the mouse runs its
// own command.
class ProgramWindow : public BothPrograms {};

TEST_P(ProgramWindow, MenuBarShowsTheCommandTableWithItsHelpAndRunsItsItems) {
  drawn();
  const std::string page = readFile(fs::path(ZN_SOURCE_DIR) / "programdata" / "help" / "menus.html");
  std::vector<std::string> headings;
  for (std::size_t at = page.find("<h3"); at != std::string::npos; at = page.find("<h3", at + 1))
    headings.push_back(page.substr(at, page.find("</h3>", at) - at));
  auto asWritten = [](QString label) {
    const std::string text = label.section('\t', 0, 0).trimmed().toStdString();
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
      out +=
          text[i] == '&' && i + 1 < text.size() ? "<u>" + std::string(1, text[++i]) + "</u>" : std::string(1, text[i]);
    return out;
  };
  std::vector<QAction*> shown;
  int items = 0;
  std::function<void(QMenu*, bool)> visit = [&](QMenu* menu, bool inert) {
    for (QAction* a : menu->actions()) {
      if (a->isSeparator()) continue;
      if (a->menu()) {
        visit(a->menu(), inert || isInertPopup(a->text().toStdString()));
        continue;
      }
      ++items;
      const std::string label = asWritten(a->text());
      const bool found = inert ? page.find(label) != std::string::npos
                               : std::any_of(headings.begin(), headings.end(),
                                             [&](const std::string& h) { return h.find(label) != std::string::npos; });
      EXPECT_TRUE(found) << label;
      if (a->text() != "Zoom to &data" && a->text() != "&Whole map\tHome" && a->text() != "Gr&aticule")
        shown.push_back(a);  // the view commands are the window's own
    }
  };
  for (QAction* top : window->menuBar()->actions()) visit(top->menu(), false);
  std::vector<const MenuItem*> table;
  std::function<void(const std::vector<MenuItem>&)> walk = [&](const std::vector<MenuItem>& list) {
    for (const MenuItem& m : list) {
      if (m.label == kRecentProjectsMenu) continue;  // files, not commands: empty in a new program folder
      if (m.items.empty()) table.push_back(&m);
      else walk(m.items);
    }
  };
  walk(mainMenu());
  EXPECT_EQ(items, static_cast<int>(table.size()) + 3);  // the table and the three view commands
  ASSERT_EQ(shown.size(), table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    const ItemState state = shell->menu()[table[i]->command];
    EXPECT_EQ(shown[i]->text().toStdString(), table[i]->label);
    EXPECT_EQ(shown[i]->isEnabled(), state.enabled) << table[i]->label;
    EXPECT_EQ(shown[i]->isChecked(), state.checked) << table[i]->label;
  }

  // "Toggle &zoom" from the MapGraphics menu, with the mouse: armed and
  // checked; Escape on the map, or the item again before any zoom, disarms
  // it and the check goes.
  const QStringList toggleZoom{"&MapGraphics", "Toggle &zoom"};
  QAction* zoom = action("Toggle &zoom");
  for (const bool byEscape : {true, false}) {
    clickMenuItem(window->menuBar(), toggleZoom);
    EXPECT_TRUE(viewState().zoomArmed);
    EXPECT_TRUE(zoom->isChecked());
    if (byEscape) QTest::keyClick(window.get(), Qt::Key_Escape);
    else clickMenuItem(window->menuBar(), toggleZoom);
    EXPECT_FALSE(viewState().zoomArmed) << (byEscape ? "Escape" : "the item again");
    EXPECT_FALSE(zoom->isChecked());
  }
}

// A preselection file loaded with "Load file" in the "Data preselection"
// window adds to what the window holds.
TEST_P(ProgramWindow, PreselectionLoadFileKeepsTheTypedGroupCodeWhenTheFileHasNone) {
  drawn();
  // A code some but not all taxa share: the first letter or two of the
  // first taxon's code.
  const std::string full = significantCode(session->ws, 0);
  ASSERT_FALSE(full.empty());
  const std::string code = full.substr(0, std::min<std::size_t>(2, full.size()));
  int cell = 1;
  while (cell < session->ws.geo.cells && session->ws.cells[static_cast<std::size_t>(cell)].count == 0) ++cell;
  const fs::path file = tmp.path() / "cells.pre";
  writeFile(file, "[included group code]\n[excluded data level]\n[excluded taxa]\n[excluded areas]\n" +
                      std::to_string(cell) + "\n[end]\n");

  choose("Data &preselection");
  PreselectionWindow* w = window->dataWindows().preselection();
  ASSERT_NE(w, nullptr);
  QTest::keyClicks(w->groupCode(), QString::fromStdString(code));
  host.presetOpenFile(file);
  QPushButton* load = buttonLabelled(*w, "Load file");
  ASSERT_NE(load, nullptr);
  QTest::mouseClick(load, Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  EXPECT_FALSE(shell->flags.preselectionDialogOpen);
  EXPECT_EQ(session->ws.groupCode, code);
  EXPECT_TRUE(session->ws.dataModifiedByPreselection);
  for (int t = 0; t < session->ws.taxaCount; ++t)
    ASSERT_EQ(session->ws.cards.level(t, cell), 0) << "the file's cell " << cell << ", taxon " << t;
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, ProgramWindow, ::testing::Values(GridVariant::World, GridVariant::Britain),
                         [](const auto& param_info) { return std::string(programName(param_info.param)); });

TEST(HelpWindow, ShowsTheManualWithItsStyleSheet) {
  fs::path home = fs::path(ZN_SOURCE_DIR) / "programdata";
  HelpWindow help(home, nullptr);
  help.showPage("index.html");
  QApplication::processEvents();
  auto* browser = help.findChild<QTextBrowser*>();
  ASSERT_NE(browser, nullptr);
  help.resize(760, 640);
  saveScreenshot(help, "help.png");

  // Every page shows under the manual's title, and every link between the
  // pages reaches a page and an anchor that exist.
  const fs::path dir = home / "help";
  std::map<std::string, std::string> pages;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().extension() == ".html") pages[entry.path().filename().string()] = readFile(entry.path());
  auto anchored = [&](const std::string& page, const std::string& name) {
    return pages.at(page).find("<a name=\"" + name + "\">") != std::string::npos;
  };
  const std::regex link("href=\"([a-z-]+\\.html)?(#([A-Za-z0-9_-]+))?\"");
  int links = 0;
  for (const auto& [name, text] : pages) {
    help.showPage(QString::fromStdString(name));
    EXPECT_TRUE(browser->documentTitle().startsWith("ZONARIUM help")) << name;
    for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it, ++links) {
      const std::string target = (*it)[1].matched ? (*it)[1].str() : name;
      ASSERT_TRUE(pages.count(target)) << name << ": " << it->str();
      if ((*it)[3].matched) {
        EXPECT_TRUE(anchored(target, (*it)[3].str())) << name << ": " << it->str();
      }
    }
  }
  EXPECT_GT(links, 100);
  // The tool's every command has its section, which the contents page links to.
  for (const Subcommand& c : subcommands()) {
    EXPECT_NE(pages["zonarium.html"].find("<h2><a name=\"" + c.name + "\"></a>" + c.name + "</h2>"), std::string::npos)
        << c.name;
    EXPECT_NE(pages["index.html"].find("href=\"zonarium.html#" + c.name + "\""), std::string::npos) << c.name;
  }
}

}  // namespace
}  // namespace zn::test
