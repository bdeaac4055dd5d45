// The client windows' URL text helpers: the parameter search, the byte
// decoder, the query-value encoder and the one-line filter, each against the
// rule it promises.
#include <string>

#include "fuzz_support.h"
#include "platform/portable/utf8.h"
#include "windows/url_text.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The decoder's rule written plainly: "+" is a space, "%XX" a byte, any other
// "%" stays, and the result ends at the first NUL.
std::string ModelDecode(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '+') {
      c = ' ';
    } else if (c == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 &&
               HexValue(s[i + 2]) >= 0) {
      c = static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
      i += 2;
    }
    if (c == '\0') break;
    out += c;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const std::string nameBytes = in.Bytes(16);
  const std::string rest = in.Rest();
  const std::wstring url = pf::FromUtf8(rest);
  const std::wstring name = pf::FromUtf8(nameBytes);

  // The value starts right after the first "name=" and runs to the next "&".
  const std::wstring value = windows::GetUrlParam(url, name);
  const size_t at = url.find(name + L"=");
  if (at == std::wstring::npos) {
    FUZZ_CHECK(value.empty());
  } else {
    const size_t from = at + name.size() + 1;
    FUZZ_CHECK(url.compare(from, value.size(), value) == 0);
    FUZZ_CHECK(value.find(L'&') == std::wstring::npos);
    FUZZ_CHECK(from + value.size() == url.size() || url[from + value.size()] == L'&');
  }

  const std::string decoded = windows::UrlDecode(rest);
  FUZZ_CHECK(decoded == ModelDecode(rest));
  FUZZ_CHECK(decoded.size() <= rest.size());

  // An encoded value is plain ASCII without separators and decodes back to
  // the text's UTF-8 (the text as the encoder reads it: invalid units become
  // U+FFFD on the way to UTF-8).
  const std::wstring encoded = windows::EncodeQueryValue(url);
  for (wchar_t c : encoded) {
    FUZZ_CHECK(c < 0x80 && c > L' ');
    FUZZ_CHECK(c != L'&' && c != L'=' && c != L'+' && c != L'#' && c != L'?');
  }
  const std::string utf8 = pf::ToUtf8(url);
  if (utf8.find('\0') == std::string::npos)
    FUZZ_CHECK(windows::UrlDecode(pf::ToUtf8(encoded)) == utf8);

  const std::wstring line = windows::OneLine(url);
  FUZZ_CHECK(line.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos);
  // http:// or https:// in any letter case, nothing else.
  auto startsNoCase = [&](const std::wstring& prefix) {
    if (url.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
      wchar_t c = url[i];
      if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
      if (c != prefix[i]) return false;
    }
    return true;
  };
  FUZZ_CHECK(windows::IsHttpUrl(url) == (startsNoCase(L"http://") || startsNoCase(L"https://")));
  return 0;
}
