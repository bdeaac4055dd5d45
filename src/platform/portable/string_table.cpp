#include "platform/portable/string_table.h"

#include "platform/portable/embedded_resources.h"
#include "platform/portable/utf8.h"

namespace pf {
namespace {
struct Entry {
  int id;
  const char* utf8;
};
#define RES_STRING(id, text) {id, text},
constexpr Entry kStrings[] = {
#include "strings.inc"
};
#undef RES_STRING
}  // namespace

std::wstring StringTableResources::LoadString(int id, int maxUnits) {
  if (maxUnits <= 0) return std::wstring();
  for (const Entry& e : kStrings) {
    if (e.id == id) return CutToUtf16Units(FromUtf8(e.utf8), static_cast<size_t>(maxUnits - 1));
  }
  return std::wstring();
}

bool StringTableResources::FindResource(int id, const std::wstring& type, const uint8_t*& data,
                                        size_t& size) {
  const EmbeddedResource* r = FindEmbeddedResource(id, type);
  if (!r) return false;
  data = r->begin;
  size = static_cast<size_t>(r->end - r->begin);
  return true;
}

}  // namespace pf
