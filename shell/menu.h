// The main menu "ZNMenu" and the rules that enable and check its items.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "shell/command.h"

namespace zn {

struct MenuItem {
  std::string label;                // '&' marks the access key
  Command command = Command::None;  // None for a popup
  bool grey = false;                // disabled when the menu is made
  std::vector<MenuItem> items;      // a popup's items
  bool separatorBefore = false;
};

// The DataBase popup the window fills with the recent projects.
inline constexpr const char* kRecentProjectsMenu = "Recentl&y used projects";

// The menu bar: its popups in order.
const std::vector<MenuItem>& mainMenu();

struct ItemState {
  bool enabled = true;
  bool checked = false;
  std::string why;  // why a disabled item cannot be chosen, where the menu says so
};

struct Analysis;

// What the menu rules read.
struct MenuInputs {
  bool datafileOpen = false;
  bool mapEditing = false;
  bool scoresSwapped = false;
  bool scoresPresent = false;
  bool subgroupData = false;  // the recount found tree data
  bool quantitative = false;
  bool standardised = false;
  bool zoomArmed = false;
  bool zoomed = false;
  bool selectionDialogOpen = false;
  bool monitorOpen = false;
  bool view3D = false;
  bool flexibilityData = false;
  bool threatPresent = false;
  // A project on screen: why an analysis does not run on it (nothing where
  // it does). Empty while no project is open.
  std::function<std::optional<std::string>(const Analysis&)> fits;
};

class MenuState {
 public:
  // Every item as the menu is made: grey items disabled, none checked.
  MenuState();
  ItemState operator[](Command c) const;
  void enable(Command c, bool on) { items_[c].enabled = on; }
  void check(Command c, bool on) { items_[c].checked = on; }
  void explain(Command c, std::string why) { items_[c].why = std::move(why); }

 private:
  std::map<Command, ItemState> items_;
};

// Recomputes the enabled and checked states after an operation.
void updateMenus(MenuState& menu, const MenuInputs& in);

// Popups without any operation: they stay disabled.
bool isInertPopup(const std::string& label);

}  // namespace zn
