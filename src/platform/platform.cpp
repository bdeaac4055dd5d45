#include "platform/platform.h"

#include <cwctype>
#include <utility>

#include "platform/web_engine.h"

namespace pf {
namespace {
Platform& Slot() {
  static Platform current = MakeBackendPlatform();
  return current;
}
std::vector<std::wstring>& TrustedHosts() {
  static std::vector<std::wstring> hosts;
  return hosts;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return text;
}
}  // namespace

void SetTrustedPageHosts(std::vector<std::wstring> hosts) {
  for (std::wstring& h : hosts) h = Lower(h);
  TrustedHosts() = std::move(hosts);
}

bool IsTrustedPageUrl(const std::wstring& url) {
  const std::wstring lower = Lower(url);
  size_t start;
  if (lower.compare(0, 7, L"http://") == 0)
    start = 7;
  else if (lower.compare(0, 8, L"https://") == 0)
    start = 8;
  else
    return false;
  const size_t end = lower.find_first_of(L"/?#\\", start);
  const std::wstring authority = lower.substr(start, end == std::wstring::npos ? end : end - start);
  // No user part: "trusted.host@elsewhere" is elsewhere.
  if (authority.empty() || authority.find(L'@') != std::wstring::npos) return false;
  const size_t colon = authority.rfind(L':');
  const std::wstring host = authority.substr(0, colon);
  for (const std::wstring& trusted : TrustedHosts()) {
    if (trusted.empty()) continue;
    if (trusted == authority) return true;
    if (trusted.find(L':') == std::wstring::npos && trusted == host) return true;
  }
  return false;
}

Platform& Current() { return Slot(); }

Platform Install(const Platform& platform) {
  Platform previous = Slot();
  Slot() = platform;
  return previous;
}

}  // namespace pf
