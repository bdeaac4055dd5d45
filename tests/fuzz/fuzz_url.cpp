// URL splitting, the request target, file names taken from URLs and the
// trusted-page check: no crash, limits kept, nothing unsafe leaves the encoder,
// and decoding the target gives back the path.
#include <string>

#include "fuzz_support.h"
#include "net/download_worker.h"
#include "platform/http.h"
#include "platform/portable/http_common.h"
#include "platform/portable/utf8.h"
#include "platform/web_engine.h"

namespace {
int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const std::wstring url = in.Wide(1500) + pf::FromUtf8(in.Rest());

  pf::UrlParts parts;
  if (pf::SplitUrl(url, parts)) {
    FUZZ_CHECK(!parts.host.empty());
    FUZZ_CHECK(parts.port != 0);
    FUZZ_CHECK(parts.host.size() <= pf::kUrlHostMax);
    FUZZ_CHECK(parts.userName.size() <= pf::kUrlUserMax);
    FUZZ_CHECK(parts.password.size() <= pf::kUrlPasswordMax);
    FUZZ_CHECK(parts.path.size() <= pf::kUrlPathMax);
  }

  // The request target: printable ASCII without blanks, and its escapes
  // undone give the path's UTF-8 bytes back (behind a leading "/").  A "%"
  // already in the path passes as it is (it may be an escape of the page's
  // own), so the reversal is checked on paths without one.
  const std::string raw = pf::ToUtf8(url);
  const bool hadPercent = raw.find('%') != std::string::npos;
  const std::string target = pf::EncodeRequestTarget(url);
  FUZZ_CHECK(!target.empty() && target[0] == '/');
  std::string decoded;
  for (size_t i = 0; i < target.size(); ++i) {
    const auto c = static_cast<unsigned char>(target[i]);
    FUZZ_CHECK(c > 0x20 && c < 0x7F);
    FUZZ_CHECK(c != '"' && c != '<' && c != '>' && c != '\\');
    if (c == '%' && !hadPercent) {
      FUZZ_CHECK(i + 2 < target.size());
      FUZZ_CHECK(Hex(target[i + 1]) >= 0 && Hex(target[i + 2]) >= 0);
      decoded += static_cast<char>(Hex(target[i + 1]) * 16 + Hex(target[i + 2]));
      i += 2;
    } else {
      decoded += static_cast<char>(c);
    }
  }
  if (!hadPercent) FUZZ_CHECK(decoded == raw || decoded == "/" + raw);

  // A name accepted for a file inside a folder can never leave it.
  const size_t slash = url.rfind(L'/');
  const std::wstring name = slash == std::wstring::npos ? url : url.substr(slash + 1);
  if (net::IsSafeFileName(name)) {
    FUZZ_CHECK(name.find_first_of(L"\\/:") == std::wstring::npos);
    FUZZ_CHECK(name.find(L"..") == std::wstring::npos);
    FUZZ_CHECK(!name.empty());
  }

  // Trusted pages: only http(s) addresses whose host is on the list.
  static const bool once = (pf::SetTrustedPageHosts({L"www.example.com", L"login.example.com:8080"}), true);
  (void)once;
  if (pf::IsTrustedPageUrl(url)) {
    std::wstring lower;
    for (wchar_t c : url) lower += (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
    FUZZ_CHECK(lower.rfind(L"http://www.example.com", 0) == 0 ||
               lower.rfind(L"https://www.example.com", 0) == 0 ||
               lower.rfind(L"http://login.example.com:8080", 0) == 0 ||
               lower.rfind(L"https://login.example.com:8080", 0) == 0);
    const size_t hostEnd = lower.find_first_of(L"/?#\\", lower.find(L"//") + 2);
    const std::wstring authority = lower.substr(0, hostEnd);
    FUZZ_CHECK(authority.find(L'@') == std::wstring::npos);
  }
  return 0;
}
