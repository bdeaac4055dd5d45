// Menus as plain data, built from the menu resources, for the builds without
// user32 menus.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace pf {

struct MenuHandle {
  struct Item {
    uint32_t command = 0;  // 0 for a popup
    std::wstring text;
    HMenu popup = nullptr;  // owned by the item until RemoveMenu detaches it
  };
  std::vector<Item> items;
};

// LoadMenuW of a resource of the menu list; null when there is none.
HMenu LoadMenuResource(int id);
HMenu MenuSubMenu(HMenu menu, int position);
bool MenuRemove(HMenu menu, uint32_t item, uint32_t flags);
// Destroys the menu and the popups it still holds.
bool MenuDestroy(HMenu menu);

}  // namespace pf
