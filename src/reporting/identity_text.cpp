#include "reporting/identity_text.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "net/url_escape.h"

namespace reporting {
namespace {

// A character that is not a hexadecimal digit counts as 0.
int HexValue(char c) { return std::max(0, net::HexDigitValue(c)); }

std::wstring Widen(const char* text) {
  return std::wstring(text, text + std::char_traits<char>::length(text));
}

}  // namespace

std::wstring IdentifyWordsToText(const uint8_t (&identify)[512]) {
  std::wstring text;
  for (int word = 10; word <= 19; ++word) {
    const uint8_t pair[2] = {identify[2 * word + 1], identify[2 * word]};
    for (uint8_t b : pair) {
      if (b == 0) return text;
      if (b != ' ') text += static_cast<wchar_t>(b);
    }
  }
  return text;
}

std::wstring DecodeHexPairs(const std::string& text) {
  std::wstring out;
  const size_t length = text.size();
  auto at = [&](size_t i) { return i < length ? text[i] : '0'; };
  for (size_t group = 0; group * 4 < length; ++group) {
    const size_t base = group * 4;
    const size_t pairs[2] = {base + 2, base};
    for (size_t p : pairs) {
      const int byte = HexValue(at(p)) * 16 + HexValue(at(p + 1));
      if (byte != 0 && byte != ' ') out += static_cast<wchar_t>(byte);
    }
  }
  return out;
}

std::wstring EveryFourthByte(const std::string& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); i += 4) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b != ' ') out += static_cast<wchar_t>(b);
  }
  return out;
}

std::wstring FormatInstallGuid(const pf::Guid& g) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.8X-%.4X-%.4X-%.2X%.2X-%.2X%.2X%.2X%.2X%.2X%.2X",
                static_cast<unsigned>(g.data1), static_cast<unsigned>(g.data2),
                static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3],
                g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  std::wstring text;
  for (const char* p = buffer; *p; ++p)
    if (*p != '-') text += static_cast<wchar_t>(*p);
  return text;
}

std::wstring FormatCpuText(const uint32_t (&r)[4]) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%08X-%08X-%08X-%08X", static_cast<unsigned>(r[0]),
                static_cast<unsigned>(r[1]), static_cast<unsigned>(r[2]),
                static_cast<unsigned>(r[3]));
  return Widen(buffer);
}

std::wstring FormatAdapterAddress(const std::vector<uint8_t>& address) {
  char buffer[16];
  uint8_t b[6] = {};
  for (size_t i = 0; i < 6 && i < address.size(); ++i) b[i] = address[i];
  std::snprintf(buffer, sizeof buffer, "%02X%02X%02X%02X%02X%02X", b[0], b[1], b[2], b[3], b[4],
                b[5]);
  return Widen(buffer);
}

}  // namespace reporting
