#include "net/url_escape.h"

#include <cstring>

namespace net {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::wstring PercentEncodeBytes(const std::string& bytes, const char* keep, bool upperCase) {
  const wchar_t* hex = upperCase ? L"0123456789ABCDEF" : L"0123456789abcdef";
  std::wstring out;
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    const bool kept = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                      (b != 0 && std::strchr(keep, ch) != nullptr);
    if (kept) {
      out += static_cast<wchar_t>(b);
    } else {
      out += L'%';
      out += hex[b >> 4];
      out += hex[b & 15];
    }
  }
  return out;
}

}  // namespace net
