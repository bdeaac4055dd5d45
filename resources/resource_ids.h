// Symbolic names of the ids of resources.inc: res::IDB_BACKDROP and so on.
#pragma once

namespace res {

// <windows.h> has a RES_ICON of its own: it is put back afterwards.
#pragma push_macro("RES_ICON")
#undef RES_ICON
#define RES_PNG(name, id, file) constexpr int name = id;
#define RES_BITMAP(name, id, file) constexpr int name = id;
#define RES_ICON(name, id, ico, png) constexpr int name = id;
#define RES_MENU(name, id, caption) constexpr int name = id;
#define RES_MENU_ITEM(name, command, text) constexpr int name = command;
#define RES_MENU_END
#include "resources.inc"
#pragma pop_macro("RES_ICON")

}  // namespace res
