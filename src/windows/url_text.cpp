#include "windows/url_text.h"

#include <cstdint>
#include <cwctype>

#include "net/url_escape.h"
#include "platform/portable/utf8.h"

namespace windows {
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
    } else if (c == '%' && i + 2 < text.size() && net::HexDigitValue(text[i + 1]) >= 0 &&
               net::HexDigitValue(text[i + 2]) >= 0) {
      c = static_cast<char>(net::HexDigitValue(text[i + 1]) * 16 + net::HexDigitValue(text[i + 2]));
      i += 2;
    }
    if (c == '\0') break;
    out += c;
  }
  return out;
}

std::wstring EncodeQueryValue(const std::wstring& value) {
  return net::PercentEncodeBytes(pf::ToUtf8(value), "-._~", true);
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
