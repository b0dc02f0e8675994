// The menu bar and the registry it is built from, and the status bar: what
// the main window shows of the session.
#include "shell/menu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "shell/analyses.h"
#include "shell/status.h"
#include "tests/support/fixtures.h"
#include "tests/support/scripted_host.h"

namespace zn {
namespace {

// The items of the menu bar, each with its popup and its place in it; a
// popup is no command, an item is one.
struct Leaf {
  std::string popup, label;
  Command command;
  int index;
};

std::vector<Leaf> menuLeaves() {
  std::vector<Leaf> leaves;
  std::function<void(const MenuItem&)> walk = [&](const MenuItem& popup) {
    for (std::size_t i = 0; i < popup.items.size(); ++i) {
      const MenuItem& m = popup.items[i];
      if (m.label == kRecentProjectsMenu) continue;  // a popup the window fills with files
      EXPECT_EQ(m.items.empty(), m.command != Command::None) << m.label;
      if (m.items.empty()) leaves.push_back({popup.label, m.label, m.command, static_cast<int>(i)});
      else walk(m);
    }
  };
  for (const MenuItem& popup : mainMenu()) walk(popup);
  return leaves;
}

// Two items on one command run the same operation: only the rarity menu's
// "M&inimum range size" shares the max rarity command, as it always has.
TEST(MainMenu, EachItemHasACommandOfItsOwnAndEveryAnalysisSitsWhereItsEntryPlacesIt) {
  const std::vector<Leaf> leaves = menuLeaves();
  std::map<Command, std::vector<std::string>> labels;
  for (const Leaf& l : leaves) labels[l.command].push_back(l.label);
  for (const auto& [command, named] : labels) {
    if (command == Command::MaxRarity) {
      EXPECT_EQ(named, (std::vector<std::string>{"M&inimum range size", "Max &rarity (irreplaceability)"}));
    } else {
      EXPECT_EQ(named.size(), 1u) << named.front() << " shares command " << commandId(command);
    }
  }
  EXPECT_FALSE(labels.count(Command::ApplyPreselection)) << "sent by a window, never chosen";

  // The registry entries are where an analysis is declared: the menus, the
  // Stop box and the tool's help page are checked against them, so a new
  // entry that lands in no menu or is missing from that page fails here. A
  // popup named wrongly would drop an item without a word, a wrong place
  // would move it.
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

TEST(UpdateMenus, FollowsTheSessionState) {
  using I = MenuInputs;
  constexpr bool I::*data = &I::datafileOpen, I::*editing = &I::mapEditing;
  struct Case {
    const char* name;
    std::vector<bool I::*> set;
    Command id;
    bool enabled;
    bool checked;
  };
  const Case cases[] = {
      {"no data: richness off", {}, Command::Richness, false, false},
      {"data: edit on", {data}, Command::EditData, true, false},
      {"editing: edit checked", {data, editing}, Command::EditData, true, true},
      {"editing: open off", {data, editing}, Command::OpenDatafile, false, false},
      {"editing: richness off", {data, editing}, Command::Richness, false, false},
      {"no tree data: subtree off", {data}, Command::SubtreeLength, false, false},
      {"data: divide by group on", {data}, Command::DivideByGroup, true, false},
      {"scores: smooth on", {&I::scoresPresent}, Command::SmoothScores, true, false},
      {"scores not swapped: overlay off", {data, &I::scoresPresent}, Command::OverlayScores, false, false},
      {"scores while editing: export off", {&I::scoresPresent, editing}, Command::ExportScores, false, false},
      {"quantitative: median quantitative on", {&I::quantitative}, Command::MedianQuantitative, true, false},
      {"zoomed: zoom checked", {&I::zoomed}, Command::ToggleZoom, true, true},
      {"3D view: options on", {&I::view3D}, Command::Map3DOptions, true, false},
      {"no flexibility: off", {}, Command::MapFullyFlexible, false, false},
      {"threat: re-order by threat on", {&I::threatPresent}, Command::ReorderByThreat, true, false},
      {"inert item stays off", {data}, Command::CalculateC, false, false},
  };
  for (const Case& c : cases) {
    MenuState m;
    MenuInputs in;
    for (bool I::*flag : c.set) in.*flag = true;
    updateMenus(m, in);
    EXPECT_EQ(m[c.id].enabled, c.enabled) << c.name;
    EXPECT_EQ(m[c.id].checked, c.checked) << c.name;
  }

  // Items no rule turns off again, and the one no rule touches, keep what
  // the program starts with.
  MenuState m;
  EXPECT_FALSE(m[Command::ClearResults].enabled);
  MenuInputs in;
  in.datafileOpen = true;
  updateMenus(m, in);
  EXPECT_TRUE(m[Command::ClearResults].enabled);
  in.mapEditing = true;
  updateMenus(m, in);
  EXPECT_TRUE(m[Command::ClearResults].enabled);
  EXPECT_FALSE(m[Command::NearMinimumSet].enabled);
  EXPECT_TRUE(m[Command::InvertedColourScale].enabled);
}

using Texts = std::array<std::string, 3>;

TEST(StatusBar, NothingOpenThenQuantitativeDataWithGroupCode) {
  test::ScriptedHost host;
  Session s{host, "/nowhere"};
  EXPECT_EQ(statusTexts(s), (Texts{"MAP: none", "DATA: none", "TREATMENT: none"}));
  EXPECT_EQ(exitQuestion(s), "GRID:  None (None)\nDATA:  None (None)");
  s.ws.datafile.opened = true;
  s.ws.datafile.subdir = "equal\\";
  s.ws.datafile.fileName = "acacia.dat";
  s.ws.datafile.title = "*Acacia counts";
  s.ws.datafile.quantitative = true;
  s.map.title = "richness";
  s.gridTypes.types.push_back({"Equal-area world grid", {}, {}});
  EXPECT_EQ(statusTexts(s), (Texts{"MAP: equal", "DATA:*acacia", "TREATMENT: richness"}));
  s.ws.datafile.rescaled = true;
  s.ws.groupCode = "12";
  EXPECT_EQ(statusTexts(s)[1], "DATA:+acacia-12");
  EXPECT_EQ(statusTexts(s, {true, "overlay presence data"}),
            (Texts{"MAP: equal", "DATA:+overlays", "TREATMENT: overlay presence data"}));
  EXPECT_EQ(exitQuestion(s), "GRID:  equal (Equal-area world grid)\nDATA:  acacia.dat (*Acacia counts)");

  // The overlay display names its own treatment.
  EXPECT_FALSE(statusInputs(s).overlaysShown);
  s.map.showBase(kCodeOverlay);
  s.map.title = "overlay correlation rho= 0.42";
  EXPECT_EQ(statusTexts(s, statusInputs(s))[2], "TREATMENT: overlay correlation rho= 0.42");
  for (const bool first : {false, true}) {
    s.overlay.presence = {first, !first};
    EXPECT_EQ(statusTexts(s, statusInputs(s))[2], "TREATMENT: overlay presence/quantitative data");
  }
  s.overlay.presence = {true, true};
  EXPECT_EQ(statusTexts(s, statusInputs(s))[2], "TREATMENT: overlay presence data");
}

// File names lose a four-character extension; the part edges widen with a
// group code.
TEST(StatusBar, FileNamesAndPartEdges) {
  const std::pair<const char*, const char*> names[] = {
      {"a.dat", "a"}, {"abcd", "abcd"}, {"birds.dat", "birds"}, {"birds_dat", "birds_dat"}, {".dat", ".dat"}};
  for (auto [name, shown] : names) EXPECT_EQ(displayFileName(name), shown) << name;
  EXPECT_EQ(statusPartEdges(1920, false), (std::array<int, 3>{240, 480, 1920}));
  EXPECT_EQ(statusPartEdges(1920, true), (std::array<int, 3>{320, 639, 1920}));
}

}  // namespace
}  // namespace zn
