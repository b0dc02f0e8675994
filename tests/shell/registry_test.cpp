// The registry entries are where an analysis is declared: the menus, the
// Stop box and the tool's help page are checked against them, so a new entry
// that lands in no menu or is missing from that page fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "shell/analyses.h"
#include "shell/menu.h"
#include "tests/support/fixtures.h"

namespace zn {
namespace {

// The analyses join the menus from their registry entries: a popup named
// wrongly would drop an item without a word, a wrong place would move it.
TEST(MainMenu, EveryAnalysisSitsWhereItsEntryPlacesIt) {
  struct Leaf {
    std::string popup, label;
    Command command;
    int index;
  };
  std::vector<Leaf> leaves;
  std::function<void(const MenuItem&)> walk = [&](const MenuItem& popup) {
    for (std::size_t i = 0; i < popup.items.size(); ++i) {
      const MenuItem& m = popup.items[i];
      if (m.command == Command::None) walk(m);
      else leaves.push_back({popup.label, m.label, m.command, static_cast<int>(i)});
    }
  };
  for (const MenuItem& popup : mainMenu()) walk(popup);
  for (const Analysis& a : analyses()) {
    SCOPED_TRACE(a.name);
    EXPECT_FALSE(a.menus.empty());
    for (const MenuPlace& place : a.menus) {
      const auto leaf = std::find_if(leaves.begin(), leaves.end(),
                                     [&](const Leaf& l) { return l.popup == place.popup && l.label == place.label; });
      ASSERT_NE(leaf, leaves.end()) << place.popup << " / " << place.label;
      EXPECT_EQ(leaf->command, a.command);
      if (place.position) {
        EXPECT_EQ(leaf->index, *place.position) << place.label;
      }
    }
    EXPECT_EQ(std::count_if(leaves.begin(), leaves.end(), [&](const Leaf& l) { return l.command == a.command; }),
              static_cast<std::ptrdiff_t>(a.menus.size()));
  }
  // The Stop box is captioned with the item's words, without the dots of an
  // item that opens a window.
  EXPECT_EQ(findAnalysis("curve")->caption(), "Representation curves");
  EXPECT_EQ(findAnalysis("replacement-cost")->caption(), "Replacement cost");
}

// The tool's page names every analysis as the tool takes it. (The menus'
// page, item by item under its headings: MenuBar.EveryItemHasItsHelpSection.)
TEST(Registry, TheToolsHelpPageNamesEveryAnalysis) {
  const std::string tool =
      test::readFile(std::filesystem::path(ZN_SOURCE_DIR) / "programdata" / "help" / "zonarium.html");
  ASSERT_FALSE(tool.empty());
  for (const Analysis& a : analyses()) {
    const std::string word = a.kind == AnalysisKind::Pass ? "--" + a.name : a.name;
    EXPECT_NE(tool.find("<code>" + word), std::string::npos) << word;
  }
}

// An entry declares the kind of the map it leaves, and the window and the
// tool put that map on screen with it: two kinds for one code or a base row
// declared again would give one map two sets of traits.
TEST(Registry, EachMapHasOneKind) {
  for (const Analysis& a : analyses()) {
    EXPECT_EQ(&mapTraits(a.code()), &a.traits()) << a.name;
    if (isBaseMapCode(a.code())) {
      EXPECT_EQ(&a.traits(), &baseMapKind(a.code())) << a.name;
    }
    if (a.kind == AnalysisKind::Selection || a.kind == AnalysisKind::Measure) {
      EXPECT_NE(a.code(), kCodeNone) << a.name;
    }
  }
}

}  // namespace
}  // namespace zn
