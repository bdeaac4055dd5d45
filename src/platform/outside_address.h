// The one check for every address that leaves the client for another
// program (the user's browser, the desktop's handler for a URL).  Shared by
// the application and the shell backends, so no caller can skip it.
#pragma once

#include <string>

namespace pf {

constexpr size_t kOutsideAddressMax = 2048;

// True for an http or https address (scheme compared without case) with a
// host, at most kOutsideAddressMax characters, and without control
// characters, blanks, quotes, backslashes, angle brackets or bidirectional
// and line-separator controls.  Such an address is one argument on any
// command line and cannot name a file, a share or another handler.
inline bool IsSafeOutsideAddress(const std::wstring& url) {
  if (url.empty() || url.size() > kOutsideAddressMax) return false;
  auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; };
  size_t at = 0;
  for (const wchar_t* scheme : {L"https://", L"http://"}) {
    const std::wstring s = scheme;
    if (url.size() < s.size()) continue;
    bool same = true;
    for (size_t i = 0; i < s.size() && same; ++i) same = lower(url[i]) == s[i];
    if (same) {
      at = s.size();
      break;
    }
  }
  if (at == 0) return false;
  // A host must follow: not empty, not another slash.
  if (at >= url.size() || url[at] == L'/' || url[at] == L'?' || url[at] == L'#') return false;
  for (wchar_t c : url) {
    if (c <= 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) return false;  // controls, blank
    if (c == L'"' || c == L'\'' || c == L'`' || c == L'\\' || c == L'<' || c == L'>')
      return false;
    if (c == 0x00A0 || c == 0x3000 || c == 0xFEFF || (c >= 0x2000 && c <= 0x200F) ||
        (c >= 0x2028 && c <= 0x202F) || (c >= 0x2066 && c <= 0x2069))
      return false;  // other blanks, bidirectional and line-separator controls
  }
  return true;
}

// Whether a "file" given to the shell names a scheme ("x:" with more than one
// letter before the colon, so not a drive) or a network share: such a target
// must pass IsSafeOutsideAddress before the shell opens it.
inline bool LooksLikeAddressOrShare(const std::wstring& file) {
  if (file.size() >= 2 && (file[0] == L'\\' || file[0] == L'/') && (file[1] == L'\\' || file[1] == L'/'))
    return true;
  const size_t colon = file.find(L':');
  if (colon == std::wstring::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    const wchar_t c = file[i];
    const bool schemeChar = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                            (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
    if (!schemeChar) return false;
  }
  return true;
}

}  // namespace pf
