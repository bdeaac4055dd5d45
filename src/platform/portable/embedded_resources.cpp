// The bytes of every file in resources.inc, included into the read-only data
// with the assembler's .incbin; VEXA_RESOURCE_DIR names the folder.
#include "platform/portable/embedded_resources.h"

#define VEXA_INCBIN(name, file)                                                     \
  __asm__(".section .rodata\n.balign 16\n.globl vexa_res_" #name "\n"               \
          ".hidden vexa_res_" #name "\nvexa_res_" #name ":\n.incbin \"" VEXA_RESOURCE_DIR \
          "/" file "\"\n.globl vexa_res_" #name "_end\n.hidden vexa_res_" #name "_end\n"  \
          "vexa_res_" #name "_end:\n.byte 0\n.previous\n");                         \
  extern "C" const uint8_t vexa_res_##name[];                                       \
  extern "C" const uint8_t vexa_res_##name##_end[];

#define RES_PNG(name, id, file) VEXA_INCBIN(png_##id, file)
#define RES_BITMAP(name, id, file) VEXA_INCBIN(bmp_##id, file)
#define RES_ICON(name, id, ico, png) VEXA_INCBIN(icon_##id, png)
#define RES_MENU(name, id, caption)
#define RES_MENU_ITEM(name, command, text)
#define RES_MENU_END
#include "resources.inc"

namespace pf {
namespace {

#define RES_PNG(name, id, file) {id, L"PNG", vexa_res_png_##id, vexa_res_png_##id##_end},
#define RES_BITMAP(name, id, file) {id, L"BITMAP", vexa_res_bmp_##id, vexa_res_bmp_##id##_end},
#define RES_ICON(name, id, ico, png) {id, L"ICON", vexa_res_icon_##id, vexa_res_icon_##id##_end},
#define RES_MENU(name, id, caption)
#define RES_MENU_ITEM(name, command, text)
#define RES_MENU_END
const EmbeddedResource kResources[] = {
#include "resources.inc"
};

#define RES_PNG(name, id, file)
#define RES_BITMAP(name, id, file)
#define RES_ICON(name, id, ico, png)
#define RES_MENU(name, id, caption) {id, caption, {
#define RES_MENU_ITEM(name, command, text) {command, text},
#define RES_MENU_END {0, nullptr}}},
const EmbeddedMenu kMenus[] = {
#include "resources.inc"
};

}  // namespace

const EmbeddedResource* FindEmbeddedResource(int id, const std::wstring& type) {
  for (const EmbeddedResource& r : kResources)
    if (r.id == id && type == r.type) return &r;
  return nullptr;
}

const EmbeddedMenu* FindEmbeddedMenu(int id) {
  for (const EmbeddedMenu& m : kMenus)
    if (m.id == id) return &m;
  return nullptr;
}

const EmbeddedResource* EmbeddedResources(size_t& count) {
  count = sizeof kResources / sizeof kResources[0];
  return kResources;
}

}  // namespace pf
