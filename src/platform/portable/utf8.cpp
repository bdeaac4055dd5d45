#include "platform/portable/utf8.h"

#include <cstdint>

namespace pf {

std::string ToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    // A 16-bit wchar_t may carry surrogate pairs.
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      uint32_t low = static_cast<uint32_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    if (c > 0x10FFFF) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

namespace {
void AppendCodePoint(std::wstring& out, uint32_t c) {
  if (sizeof(wchar_t) == 2 && c >= 0x10000) {
    c -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (c >> 10));
    out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
  } else {
    out += static_cast<wchar_t>(c);
  }
}
}  // namespace

std::wstring FromUtf8(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
      out += static_cast<wchar_t>(b0);
      ++i;
      continue;
    }
    int extra = 0;
    uint32_t c = 0;
    uint32_t minimum = 0;
    if ((b0 & 0xE0) == 0xC0) {
      extra = 1;
      c = b0 & 0x1F;
      minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      extra = 2;
      c = b0 & 0x0F;
      minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      extra = 3;
      c = b0 & 0x07;
      minimum = 0x10000;
    } else {
      out += static_cast<wchar_t>(0xFFFD);
      ++i;
      continue;
    }
    if (i + static_cast<size_t>(extra) >= n) {
      out += static_cast<wchar_t>(0xFFFD);
      ++i;
      continue;
    }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const auto b = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      if ((b & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (b & 0x3F);
    }
    if (!ok || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += static_cast<wchar_t>(0xFFFD);
      ++i;
      continue;
    }
    AppendCodePoint(out, c);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

size_t Utf16Length(const std::wstring& text) {
  if (sizeof(wchar_t) == 2) return text.size();
  size_t units = 0;
  // A code point past the 16-bit range takes a pair.
  for (wchar_t c : text) units += (static_cast<uint32_t>(c) >> 16) != 0 ? 2 : 1;
  return units;
}

std::wstring CutToUtf16Units(const std::wstring& text, size_t maxUnits) {
  size_t units = 0;
  size_t i = 0;
  for (; i < text.size(); ++i) {
    size_t need = 1;
    const auto c = static_cast<uint32_t>(text[i]);
    if (sizeof(wchar_t) != 2 && c >= 0x10000) need = 2;
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF) need = 2;
    if (units + need > maxUnits) break;
    units += need;
    if (sizeof(wchar_t) == 2 && need == 2) ++i;
  }
  return text.substr(0, i);
}

}  // namespace pf
