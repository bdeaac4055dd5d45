// The program's resources compiled into the builds without executable
// resources, from the same lists as the Windows resource script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pf {

struct EmbeddedResource {
  int id;
  const wchar_t* type;  // L"PNG", L"BITMAP" or L"ICON" (the icon as a PNG)
  const uint8_t* begin;
  const uint8_t* end;
};

struct EmbeddedMenuItem {
  uint32_t command;
  const char* text;  // UTF-8; null ends the list
};

struct EmbeddedMenu {
  int id;
  const char* popup;  // UTF-8 caption of the one popup
  EmbeddedMenuItem items[8];
};

const EmbeddedResource* FindEmbeddedResource(int id, const std::wstring& type);
const EmbeddedMenu* FindEmbeddedMenu(int id);
// Every embedded resource, for checks that walk the list.
const EmbeddedResource* EmbeddedResources(size_t& count);

}  // namespace pf
