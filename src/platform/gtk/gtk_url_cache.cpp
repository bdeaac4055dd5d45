// WebKitGTK keeps no list of cache entries to walk: the cleanup asks the
// default web context's website data manager (the one every browser view of
// the program uses) to remove its memory and disk caches, the offline
// application cache and the cached page states.  Cookies and the pages'
// history are other data types and stay, as the keep rule asks.
// The clear runs asynchronously on the user-interface thread.
#include "platform/gtk/gtk_url_cache.h"

#include <webkit2/webkit2.h>

#include <memory>

namespace pf {
namespace {

class WebKitUrlCache : public UrlCache {
 public:
  bool WalksEntries() const override { return false; }
  HCacheFind FindFirstEntry(uint8_t*, uint32_t&) override { return nullptr; }
  bool FindNextEntry(HCacheFind, uint8_t*, uint32_t&) override { return false; }
  std::wstring SourceUrlName(const uint8_t*) const override { return std::wstring(); }
  bool DeleteEntry(const std::wstring&) override { return false; }
  bool FindClose(HCacheFind) override { return false; }

  void ClearEngineCache(std::function<void()> done) override {
    WebKitWebContext* context = webkit_web_context_get_default();
    WebKitWebsiteDataManager* manager =
        context ? webkit_web_context_get_website_data_manager(context) : nullptr;
    if (!manager) {
      if (done) done();
      return;
    }
    const auto types = static_cast<WebKitWebsiteDataTypes>(
        WEBKIT_WEBSITE_DATA_MEMORY_CACHE | WEBKIT_WEBSITE_DATA_DISK_CACHE |
        WEBKIT_WEBSITE_DATA_OFFLINE_APPLICATION_CACHE);
    // Owned by the pending call; freed when it reports.
    auto* pending = new std::function<void()>(std::move(done));
    webkit_website_data_manager_clear(
        manager, types, 0 /* all of it, whatever its age */, nullptr,
        +[](GObject* source, GAsyncResult* result, gpointer data) {
          std::unique_ptr<std::function<void()>> callback(static_cast<std::function<void()>*>(data));
          webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(source), result,
                                                   nullptr);
          if (*callback) (*callback)();
        },
        pending);
  }
};

}  // namespace

UrlCache* GtkUrlCache() {
  static WebKitUrlCache cache;
  return &cache;
}

}  // namespace pf
