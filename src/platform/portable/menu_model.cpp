#include "platform/portable/menu_model.h"

#include "platform/portable/embedded_resources.h"
#include "platform/portable/utf8.h"

namespace pf {

HMenu LoadMenuResource(int id) {
  const EmbeddedMenu* def = FindEmbeddedMenu(id);
  if (!def) return nullptr;
  auto* popup = new MenuHandle;
  for (const EmbeddedMenuItem& item : def->items) {
    if (!item.text) break;
    popup->items.push_back(MenuHandle::Item{item.command, FromUtf8(item.text), nullptr});
  }
  auto* bar = new MenuHandle;
  bar->items.push_back(MenuHandle::Item{0, FromUtf8(def->popup), popup});
  return bar;
}

HMenu MenuSubMenu(HMenu menu, int position) {
  if (!menu || position < 0 || static_cast<size_t>(position) >= menu->items.size()) return nullptr;
  return menu->items[static_cast<size_t>(position)].popup;
}

bool MenuRemove(HMenu menu, uint32_t item, uint32_t flags) {
  if (!menu) return false;
  for (size_t i = 0; i < menu->items.size(); ++i) {
    const bool match = (flags & kMF_BYPOSITION) ? i == item : menu->items[i].command == item;
    if (match) {
      menu->items.erase(menu->items.begin() + static_cast<ptrdiff_t>(i));
      return true;
    }
  }
  return false;
}

bool MenuDestroy(HMenu menu) {
  if (!menu) return false;
  for (auto& item : menu->items) MenuDestroy(item.popup);
  delete menu;
  return true;
}

}  // namespace pf
