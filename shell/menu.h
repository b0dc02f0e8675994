// The main menu "ZNMenu" and the rules that enable and check its items.
#pragma once

#include <map>
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

// The menu bar: its popups in order.
const std::vector<MenuItem>& mainMenu();

struct ItemState {
  bool enabled = true;
  bool checked = false;
};

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
};

class MenuState {
 public:
  // Every item as the menu is made: grey items disabled, none checked.
  MenuState();
  ItemState operator[](Command c) const;
  void enable(Command c, bool on) { items_[c].enabled = on; }
  void check(Command c, bool on) { items_[c].checked = on; }

 private:
  std::map<Command, ItemState> items_;
};

// Recomputes the enabled and checked states after an operation.
void updateMenus(MenuState& menu, const MenuInputs& in);

// Popups without any operation: they stay disabled.
bool isInertPopup(const std::string& label);

}  // namespace zn
