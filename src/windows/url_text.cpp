#include "windows/url_text.h"

#include <cstdint>
#include <cwctype>

#include "platform/portable/utf8.h"

namespace windows {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
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
  for (char ch : pf::ToUtf8(value)) {
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
