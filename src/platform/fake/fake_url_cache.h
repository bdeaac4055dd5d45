// A scripted URL cache: a list of entries with the record size each needs,
// walked and deleted like WinINet's, and a log of the calls.  Records are
// laid out as size field (4 bytes), name length (4 bytes), then the name's
// UTF-16 units as wchar_t.  With walksEntries off it plays an engine cache
// whose cleanup finishes when the test runs the stored callback.
// Threads: every operation takes the lock (the cleanup runs on a worker).
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/url_cache.h"

namespace pf {

struct UrlCacheFind {
  size_t next = 0;
};

class FakeUrlCache : public UrlCache {
 public:
  struct Entry {
    std::wstring name;
    uint32_t recordSize = 0;  // 0: the name's own size
  };

  // Adds an entry that needs `recordSize` bytes (0: just what the name takes).
  void Add(const std::wstring& name, uint32_t recordSize = 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(Entry{name, recordSize});
  }
  std::vector<std::wstring> Names() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::wstring> names;
    for (const Entry& e : entries_) names.push_back(e.name);
    return names;
  }
  std::vector<std::string> Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  int OpenFinds() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return openFinds_;
  }

  bool walksEntries = true;
  // Runs at the start of every FindFirstEntry, outside the lock (a test may block here).
  std::function<void()> onFindFirst;
  // The callback of the last ClearEngineCache (engine mode), for the test to run.
  std::function<void()> pendingEngineClear;
  int engineClears = 0;

  bool WalksEntries() const override { return walksEntries; }

  HCacheFind FindFirstEntry(uint8_t* record, uint32_t& size) override {
    if (onFindFirst) onFindFirst();
    std::lock_guard<std::mutex> lock(mutex_);
    uint32_t field = 0;
    std::memcpy(&field, record, sizeof field);
    calls_.push_back("first " + std::to_string(size) + (field == size ? "" : " badfield"));
    snapshot_ = entries_;
    auto* find = new UrlCacheFind;
    if (!Fill(*find, record, size)) {
      delete find;
      return nullptr;
    }
    ++openFinds_;
    return find;
  }
  bool FindNextEntry(HCacheFind find, uint8_t* record, uint32_t& size) override {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back("next " + std::to_string(size));
    return find && Fill(*find, record, size);
  }
  std::wstring SourceUrlName(const uint8_t* record) const override {
    uint32_t length = 0;
    std::memcpy(&length, record + 4, sizeof length);
    std::wstring name(length, L'\0');
    std::memcpy(&name[0], record + 8, length * sizeof(wchar_t));
    return name;
  }
  bool DeleteEntry(const std::wstring& name) override {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back("delete");
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->name == name) {
        entries_.erase(it);
        return true;
      }
    }
    return false;
  }
  bool FindClose(HCacheFind find) override {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(find ? "close" : "close null");
    if (!find) return false;
    delete find;
    --openFinds_;
    return true;
  }
  void ClearEngineCache(std::function<void()> done) override {
    ++engineClears;
    pendingEngineClear = std::move(done);
  }

 private:
  static uint32_t Needed(const Entry& e) {
    const uint32_t own = static_cast<uint32_t>(8 + e.name.size() * sizeof(wchar_t));
    return e.recordSize > own ? e.recordSize : own;
  }
  // Copies the next record of the walk (a snapshot taken by the first call,
  // so deletions do not disturb it) when it fits.
  bool Fill(UrlCacheFind& find, uint8_t* record, uint32_t& size) {
    if (find.next >= snapshot_.size()) {
      calls_.back() += " end";
      return false;
    }
    const Entry& e = snapshot_[find.next];
    const uint32_t needed = Needed(e);
    if (size < needed) {
      calls_.back() += " short";
      size = needed;
      return false;
    }
    const uint32_t length = static_cast<uint32_t>(e.name.size());
    std::memcpy(record + 4, &length, sizeof length);
    std::memcpy(record + 8, e.name.data(), length * sizeof(wchar_t));
    size = needed;
    ++find.next;
    return true;
  }

  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  std::vector<Entry> snapshot_;
  std::vector<std::string> calls_;
  int openFinds_ = 0;
};

}  // namespace pf
