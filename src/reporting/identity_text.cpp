#include "reporting/identity_text.h"

#include <algorithm>
#include <string>

#include "net/url_escape.h"
#include "platform/portable/number_text.h"

namespace reporting {
namespace {

// A character that is not a hexadecimal digit counts as 0.
int HexValue(char c) { return std::max(0, net::HexDigitValue(c)); }

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
  std::wstring text = pf::HexDigits(g.data1, 8) + pf::HexDigits(g.data2, 4) + pf::HexDigits(g.data3, 4);
  for (uint8_t b : g.data4) text += pf::HexDigits(b, 2);
  return text;
}

std::wstring FormatCpuText(const uint32_t (&r)[4]) {
  return pf::HexDigits(r[0], 8) + L'-' + pf::HexDigits(r[1], 8) + L'-' + pf::HexDigits(r[2], 8) +
         L'-' + pf::HexDigits(r[3], 8);
}

std::wstring FormatAdapterAddress(const std::vector<uint8_t>& address) {
  std::wstring text;
  for (size_t i = 0; i < 6; ++i) text += pf::HexDigits(i < address.size() ? address[i] : 0, 2);
  return text;
}

}  // namespace reporting
