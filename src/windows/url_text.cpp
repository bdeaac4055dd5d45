#include "windows/url_text.h"

#include <cstdint>
#include <cwctype>

namespace windows {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(const std::wstring& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
          static_cast<uint32_t>(text[i + 1]) >= 0xDC00 &&
          static_cast<uint32_t>(text[i + 1]) <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        c = 0xFFFD;
      }
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      c = 0xFFFD;
    }
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

}  // namespace

std::wstring GetUrlParam(const std::wstring& url, const std::wstring& name) {
  const std::wstring marker = name + L"=";
  const size_t at = url.find(marker);
  if (at == std::wstring::npos) return std::wstring();
  const size_t start = at + marker.size();
  const size_t end = url.find(L'&', start);
  return url.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

std::string UrlDecode(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '+') {
      c = ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      c = static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    }
    if (c == '\0') break;
    out += c;
  }
  return out;
}

std::wstring EncodeQueryValue(const std::wstring& value) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring out;
  for (char ch : ToUtf8(value)) {
    const auto b = static_cast<unsigned char>(ch);
    const bool keep = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                      b == '-' || b == '.' || b == '_' || b == '~';
    if (keep) {
      out += static_cast<wchar_t>(b);
    } else {
      out += L'%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

bool IsHttpUrl(const std::wstring& url) {
  auto startsWith = [&url](const wchar_t* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i)
      if (i >= url.size() || std::towlower(static_cast<wint_t>(url[i])) != static_cast<wint_t>(prefix[i])) return false;
    return true;
  };
  return startsWith(L"http://") || startsWith(L"https://");
}

std::wstring OneLine(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text)
    if (c != L'\r' && c != L'\n' && c != L'\0') out += c;
  return out;
}

}  // namespace windows
