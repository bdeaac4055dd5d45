// How the game window's cache cleanup grows with the cache: the walk over a
// scripted cache of 1,000 and of 10,000 entries (one in three a cookie or a
// history entry, which stay; the rest are deleted), through the same cleanup
// the game window runs.  The scripted cache answers each call in constant
// time, so the figure is the walk's own cost.  Prints the median time per
// entry for each size and their ratio: a walk that is linear stays near 1, a
// quadratic one shows a ratio near 10.  Times are the thread's CPU time.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"
#include "platform/url_cache.h"
#include "storage/cache_cleanup.h"

struct pf::UrlCacheFind {
  size_t next = 0;
};

namespace {

double CpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Records as WinINet lays them out in spirit: the size field, the name's
// length, the name.  Finding and deleting are constant-time.
class ScriptedCache : public pf::UrlCache {
 public:
  explicit ScriptedCache(int entries) {
    for (int i = 0; i < entries; ++i) {
      std::wstring name = i % 3 == 0   ? L"Cookie:player@game.example/" + std::to_wstring(i)
                          : i % 3 == 1 ? L"http://game.example/assets/" + std::to_wstring(i) + L".js"
                                       : L"http://game.example/art/" + std::to_wstring(i) + L".png";
      index_.emplace(name, names_.size());
      names_.push_back(std::move(name));
      live_.push_back(true);
    }
  }
  size_t Left() const { return static_cast<size_t>(std::count(live_.begin(), live_.end(), true)); }

  bool WalksEntries() const override { return true; }
  pf::HCacheFind FindFirstEntry(uint8_t* record, uint32_t& size) override {
    auto* find = new pf::UrlCacheFind;
    if (!Fill(*find, record, size)) {
      delete find;
      return nullptr;
    }
    return find;
  }
  bool FindNextEntry(pf::HCacheFind find, uint8_t* record, uint32_t& size) override {
    return Fill(*find, record, size);
  }
  std::wstring SourceUrlName(const uint8_t* record) const override {
    uint32_t length = 0;
    std::memcpy(&length, record + 4, sizeof length);
    std::wstring name(length, L'\0');
    std::memcpy(&name[0], record + 8, length * sizeof(wchar_t));
    return name;
  }
  bool DeleteEntry(const std::wstring& name) override {
    const auto it = index_.find(name);
    if (it == index_.end() || !live_[it->second]) return false;
    live_[it->second] = false;
    return true;
  }
  bool FindClose(pf::HCacheFind find) override {
    delete find;
    return find != nullptr;
  }
  void ClearEngineCache(std::function<void()> done) override { done(); }

 private:
  bool Fill(pf::UrlCacheFind& find, uint8_t* record, uint32_t& size) {
    while (find.next < names_.size() && !live_[find.next]) ++find.next;
    if (find.next >= names_.size()) return false;
    const std::wstring& name = names_[find.next];
    const auto needed = static_cast<uint32_t>(8 + name.size() * sizeof(wchar_t));
    if (size < needed) {
      size = needed;
      return false;
    }
    const auto length = static_cast<uint32_t>(name.size());
    std::memcpy(record + 4, &length, sizeof length);
    std::memcpy(record + 8, name.data(), length * sizeof(wchar_t));
    size = needed;
    ++find.next;
    return true;
  }

  std::vector<std::wstring> names_;
  std::vector<bool> live_;
  std::unordered_map<std::wstring, size_t> index_;
};

// Seconds per entry of one cleanup, median of several passes.
double PerEntry(int entries) {
  std::vector<double> passes;
  for (int pass = 0; pass < 9; ++pass) {
    ScriptedCache cache(entries);
    pf::Platform platform = pf::Current();
    platform.urlCache = &cache;
    const pf::Platform previous = pf::Install(platform);
    const double t0 = CpuSeconds();
    storage::ClearUrlCache();
    const double t = CpuSeconds() - t0;
    pf::Install(previous);
    // The cookies stay and everything else went: the walk did its work.
    if (cache.Left() != static_cast<size_t>((entries + 2) / 3)) std::abort();
    passes.push_back(t / entries);
  }
  std::sort(passes.begin(), passes.end());
  return passes[passes.size() / 2];
}

}  // namespace

int main() {
  const double small = PerEntry(1000);
  const double large = PerEntry(10000);
  std::printf("cache walk per entry at 1000 entries: %.2f us\n", small * 1e6);
  std::printf("cache walk per entry at 10000 entries: %.2f us\n", large * 1e6);
  std::printf("cache walk per-entry growth 1000 to 10000 entries: %.2f\n", large / small);
  return 0;
}
