#include "shell/menu.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace zn {
namespace {

// Two items on one command run the same operation: only the rarity menu's
// "M&inimum range size" shares the max rarity command, as it always has.
TEST(MainMenu, EachItemHasACommandOfItsOwn) {
  std::map<Command, std::vector<std::string>> labels;
  std::function<void(const std::vector<MenuItem>&)> walk = [&](const std::vector<MenuItem>& items) {
    for (const MenuItem& m : items) {
      if (m.label == kRecentProjectsMenu) continue;  // a popup the window fills with files
      if (m.items.empty()) {
        EXPECT_NE(m.command, Command::None) << m.label;
        labels[m.command].push_back(m.label);
      } else {
        EXPECT_EQ(m.command, Command::None) << m.label;
        walk(m.items);
      }
    }
  };
  walk(mainMenu());
  for (const auto& [command, named] : labels) {
    if (command == Command::MaxRarity)
      EXPECT_EQ(named, (std::vector<std::string>{"M&inimum range size", "Max &rarity (irreplaceability)"}));
    else EXPECT_EQ(named.size(), 1u) << named.front() << " shares command " << commandId(command);
  }
  EXPECT_FALSE(labels.count(Command::ApplyPreselection)) << "sent by a window, never chosen";
}

TEST(UpdateMenus, FollowsTheSessionState) {
  struct Case {
    const char* name;
    std::function<void(MenuInputs&)> set;
    Command id;
    bool enabled;
    bool checked;
  };
  const Case cases[] = {
      {"no data: richness off", [](MenuInputs&) {}, Command::Richness, false, false},
      {"data: richness on", [](MenuInputs& i) { i.datafileOpen = true; }, Command::Richness, true, false},
      {"data: edit on", [](MenuInputs& i) { i.datafileOpen = true; }, Command::EditData, true, false},
      {"editing: edit checked", [](MenuInputs& i) { i.datafileOpen = i.mapEditing = true; }, Command::EditData, true,
       true},
      {"editing: open off", [](MenuInputs& i) { i.datafileOpen = i.mapEditing = true; }, Command::OpenDatafile, false,
       false},
      {"editing: richness off", [](MenuInputs& i) { i.datafileOpen = i.mapEditing = true; }, Command::Richness, false,
       false},
      {"no tree data: subtree off", [](MenuInputs& i) { i.datafileOpen = true; }, Command::SubtreeLength, false, false},
      {"tree data: subtree on", [](MenuInputs& i) { i.datafileOpen = i.subgroupData = true; },
       Command::MeanRootDistance, true, false},
      {"scores: smooth on", [](MenuInputs& i) { i.scoresPresent = true; }, Command::SmoothScores, true, false},
      {"scores while editing: export off", [](MenuInputs& i) { i.scoresPresent = i.mapEditing = true; },
       Command::ExportScores, false, false},
      {"swapped: overlay on", [](MenuInputs& i) { i.scoresSwapped = true; }, Command::OverlayScores, true, false},
      {"quantitative: standardise on", [](MenuInputs& i) { i.quantitative = true; }, Command::StandardiseQuantitative,
       true, false},
      {"standardised: standardise off", [](MenuInputs& i) { i.quantitative = i.standardised = true; },
       Command::StandardiseQuantitative, false, false},
      {"quantitative: median quantitative on", [](MenuInputs& i) { i.quantitative = true; },
       Command::MedianQuantitative, true, false},
      {"zoomed: zoom checked", [](MenuInputs& i) { i.zoomed = true; }, Command::ToggleZoom, true, true},
      {"monitor: checked", [](MenuInputs& i) { i.datafileOpen = i.monitorOpen = true; }, Command::MonitorResults, true,
       true},
      {"selection dialog: manual checked", [](MenuInputs& i) { i.datafileOpen = i.selectionDialogOpen = true; },
       Command::ManualSetSelection, true, true},
      {"3D view: options on", [](MenuInputs& i) { i.view3D = true; }, Command::Map3DOptions, true, false},
      {"no flexibility: off", [](MenuInputs&) {}, Command::MapFullyFlexible, false, false},
      {"threat: re-order by threat on", [](MenuInputs& i) { i.threatPresent = true; }, Command::ReorderByThreat, true,
       false},
      {"inert item stays off", [](MenuInputs& i) { i.datafileOpen = true; }, Command::CalculateC, false, false},
      {"nestedness stays off", [](MenuInputs& i) { i.datafileOpen = true; }, Command::NonNestednessByTaxon, false,
       false},
  };
  for (const Case& c : cases) {
    MenuState m;
    MenuInputs in;
    c.set(in);
    updateMenus(m, in);
    EXPECT_EQ(m[c.id].enabled, c.enabled) << c.name;
    EXPECT_EQ(m[c.id].checked, c.checked) << c.name;
  }
}

// Items no rule turns off again, and the one no rule touches, keep what
// the program starts with.
TEST(UpdateMenus, RandomisationAndResultsItemsStayOnOnceEnabled) {
  MenuState m;
  EXPECT_FALSE(m[Command::ClearResults].enabled);
  EXPECT_TRUE(m[Command::InvertedColourScale].enabled);
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

}  // namespace
}  // namespace zn
