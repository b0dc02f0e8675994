#include "shell/menu.h"

#include <gtest/gtest.h>

#include <functional>

namespace zn {
namespace {

const MenuItem* find(const std::vector<MenuItem>& items, const std::string& label) {
  for (const auto& m : items)
    if (m.label == label) return &m;
  return nullptr;
}

TEST(MainMenu, PopupsAndItemsInOrder) {
  const auto& menu = mainMenu();
  ASSERT_EQ(menu.size(), 4u);
  EXPECT_EQ(menu[0].label, "&DataBase");
  EXPECT_EQ(menu[1].label, "&AnalyticalTools");
  EXPECT_EQ(menu[2].label, "&MapGraphics");
  EXPECT_EQ(menu[3].label, "&Help");
  ASSERT_EQ(menu[0].items.size(), 13u);
  EXPECT_EQ(menu[0].items.front().label, "Open data&file");
  EXPECT_EQ(menu[0].items.back().id, 1900);
  const MenuItem* area = find(menu[1].items, "&Area selection");
  ASSERT_NE(area, nullptr);
  ASSERT_EQ(area->items.size(), 17u);
  EXPECT_EQ(area->items[14].label, "Representation curves...");
  EXPECT_EQ(area->items[16].id, 40062);
  EXPECT_EQ(area->items[1].label, "Near-mi&nimum set");
  EXPECT_EQ(area->items[2].label, "Exact minim&um set");
  EXPECT_EQ(area->items[2].id, 40050);
  EXPECT_EQ(area->items[3].label, "Exact maximum co&verage");
  EXPECT_EQ(area->items[3].id, 40051);
  EXPECT_EQ(area->items[7].id, 40010);
  const MenuItem* rarity = find(menu[1].items, "&Rarity");
  ASSERT_NE(rarity, nullptr);
  EXPECT_EQ(rarity->items.back().id, 40010);  // two items share the command
  EXPECT_EQ(menu[2].items[3].label, "Map&3D options ");  // the trailing blank is the menu's own
  EXPECT_EQ(menu[2].items.size(), 19u);
}

TEST(MenuState, InitialGreyItems) {
  MenuState m;
  EXPECT_TRUE(m[1100].enabled);
  EXPECT_FALSE(m[511].enabled);
  EXPECT_FALSE(m[2100].enabled);
  EXPECT_TRUE(m[2900].enabled);
  EXPECT_TRUE(m[40015].enabled);
  EXPECT_FALSE(m[40016].enabled);
  EXPECT_FALSE(m[40034].enabled);
  EXPECT_FALSE(m[40050].enabled);  // grey like the near-minimum set
  EXPECT_FALSE(m[40051].enabled);
}

TEST(UpdateMenus, FollowsTheSessionState) {
  struct Case {
    const char* name;
    std::function<void(MenuInputs&)> set;
    int id;
    bool enabled;
    bool checked;
  };
  const Case cases[] = {
      {"no data: richness off", [](MenuInputs&) {}, 2100, false, false},
      {"data: richness on", [](MenuInputs& i) { i.datafileOpen = true; }, 2100, true, false},
      {"data: edit on", [](MenuInputs& i) { i.datafileOpen = true; }, 1400, true, false},
      {"editing: edit checked", [](MenuInputs& i) { i.datafileOpen = i.mapEditing = true; }, 1400, true, true},
      {"editing: open off", [](MenuInputs& i) { i.datafileOpen = i.mapEditing = true; }, 1100, false, false},
      {"editing: richness off", [](MenuInputs& i) { i.datafileOpen = i.mapEditing = true; }, 2100, false, false},
      {"no tree data: subtree off", [](MenuInputs& i) { i.datafileOpen = true; }, 2400, false, false},
      {"tree data: subtree on", [](MenuInputs& i) { i.datafileOpen = i.subgroupData = true; }, 2500, true, false},
      {"scores: smooth on", [](MenuInputs& i) { i.scoresPresent = true; }, 2700, true, false},
      {"scores while editing: export off", [](MenuInputs& i) { i.scoresPresent = i.mapEditing = true; }, 1700, false, false},
      {"swapped: overlay on", [](MenuInputs& i) { i.scoresSwapped = true; }, 4400, true, false},
      {"quantitative: standardise on", [](MenuInputs& i) { i.quantitative = true; }, 40028, true, false},
      {"standardised: standardise off", [](MenuInputs& i) { i.quantitative = i.standardised = true; }, 40028, false, false},
      {"quantitative: median quantitative on", [](MenuInputs& i) { i.quantitative = true; }, 40030, true, false},
      {"zoomed: zoom checked", [](MenuInputs& i) { i.zoomed = true; }, 3200, true, true},
      {"monitor: checked", [](MenuInputs& i) { i.datafileOpen = i.monitorOpen = true; }, 40018, true, true},
      {"selection dialog: manual checked", [](MenuInputs& i) { i.datafileOpen = i.selectionDialogOpen = true; }, 2805, true, true},
      {"3D view: options on", [](MenuInputs& i) { i.view3D = true; }, 40033, true, false},
      {"no flexibility: off", [](MenuInputs&) {}, 2830, false, false},
      {"threat: re-order by threat on", [](MenuInputs& i) { i.threatPresent = true; }, 40043, true, false},
      {"no data: exact minimum off", [](MenuInputs&) {}, 40050, false, false},
      {"data: exact minimum on", [](MenuInputs& i) { i.datafileOpen = true; }, 40050, true, false},
      {"editing: exact coverage off", [](MenuInputs& i) { i.datafileOpen = i.mapEditing = true; }, 40051, false, false},
      {"data: exact coverage on", [](MenuInputs& i) { i.datafileOpen = true; }, 40051, true, false},
      {"inert item stays off", [](MenuInputs& i) { i.datafileOpen = true; }, 40034, false, false},
      {"nestedness stays off", [](MenuInputs& i) { i.datafileOpen = true; }, 40035, false, false},
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

TEST(UpdateMenus, RandomisationAndResultsItemsStayOnOnceEnabled) {
  MenuState m;
  MenuInputs in;
  in.datafileOpen = true;
  updateMenus(m, in);
  EXPECT_TRUE(m[40016].enabled);
  in.mapEditing = true;
  updateMenus(m, in);
  EXPECT_TRUE(m[40016].enabled);  // no rule turns them off again
  EXPECT_FALSE(m[2820].enabled);
}

}  // namespace
}  // namespace zn
