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
      {"data: richness on", {data}, Command::Richness, true, false},
      {"data: edit on", {data}, Command::EditData, true, false},
      {"editing: edit checked", {data, editing}, Command::EditData, true, true},
      {"editing: open off", {data, editing}, Command::OpenDatafile, false, false},
      {"editing: richness off", {data, editing}, Command::Richness, false, false},
      {"no tree data: subtree off", {data}, Command::SubtreeLength, false, false},
      {"tree data: subtree on", {data, &I::subgroupData}, Command::MeanRootDistance, true, false},
      {"scores: smooth on", {&I::scoresPresent}, Command::SmoothScores, true, false},
      {"scores while editing: export off", {&I::scoresPresent, editing}, Command::ExportScores, false, false},
      {"swapped: overlay on", {&I::scoresSwapped}, Command::OverlayScores, true, false},
      {"quantitative: standardise on", {&I::quantitative}, Command::StandardiseQuantitative, true, false},
      {"standardised: standardise off",
       {&I::quantitative, &I::standardised},
       Command::StandardiseQuantitative,
       false,
       false},
      {"quantitative: median quantitative on", {&I::quantitative}, Command::MedianQuantitative, true, false},
      {"zoomed: zoom checked", {&I::zoomed}, Command::ToggleZoom, true, true},
      {"monitor: checked", {data, &I::monitorOpen}, Command::MonitorResults, true, true},
      {"selection dialog: manual checked", {data, &I::selectionDialogOpen}, Command::ManualSetSelection, true, true},
      {"3D view: options on", {&I::view3D}, Command::Map3DOptions, true, false},
      {"no flexibility: off", {}, Command::MapFullyFlexible, false, false},
      {"threat: re-order by threat on", {&I::threatPresent}, Command::ReorderByThreat, true, false},
      {"inert item stays off", {data}, Command::CalculateC, false, false},
      {"nestedness stays off", {data}, Command::NonNestednessByTaxon, false, false},
  };
  for (const Case& c : cases) {
    MenuState m;
    MenuInputs in;
    for (bool I::*flag : c.set) in.*flag = true;
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
