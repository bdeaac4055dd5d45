// The URL cache on Windows: WinINet's cache, shared with the WebBrowser
// control and the system's browser.  The enumeration handle is ours as is;
// the record buffer is an INTERNET_CACHE_ENTRY_INFOW whose first field is
// its size.  WinINet's cache calls are safe on any thread.
#include <windows.h>
#include <wininet.h>

#include "platform/url_cache.h"
#include "platform/win32/win32_services.h"

namespace pf {
namespace {

HANDLE H(HCacheFind find) { return reinterpret_cast<HANDLE>(find); }

class WinInetUrlCache : public UrlCache {
 public:
  bool WalksEntries() const override { return true; }

  HCacheFind FindFirstEntry(uint8_t* record, uint32_t& size) override {
    DWORD bytes = size;
    HANDLE find = ::FindFirstUrlCacheEntryW(
        nullptr, reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOW>(record), &bytes);
    size = bytes;
    return reinterpret_cast<HCacheFind>(find);
  }
  bool FindNextEntry(HCacheFind find, uint8_t* record, uint32_t& size) override {
    DWORD bytes = size;
    const BOOL ok = ::FindNextUrlCacheEntryW(
        H(find), reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOW>(record), &bytes);
    size = bytes;
    return ok != FALSE;
  }
  std::wstring SourceUrlName(const uint8_t* record) const override {
    const auto* info = reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOW*>(record);
    return info->lpszSourceUrlName ? std::wstring(info->lpszSourceUrlName) : std::wstring();
  }
  bool DeleteEntry(const std::wstring& sourceUrlName) override {
    return ::DeleteUrlCacheEntryW(sourceUrlName.c_str()) != FALSE;
  }
  bool FindClose(HCacheFind find) override { return ::FindCloseUrlCache(H(find)) != FALSE; }
  // The cache is walked entry by entry; there is no engine cache of its own.
  void ClearEngineCache(std::function<void()> done) override {
    if (done) done();
  }
};

}  // namespace

std::unique_ptr<UrlCache> NewWin32UrlCache() { return std::make_unique<WinInetUrlCache>(); }

}  // namespace pf
