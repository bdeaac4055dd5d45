// The browser's URL cache, in WinINet's terms (FindFirstUrlCacheEntryW,
// FindNextUrlCacheEntryW, DeleteUrlCacheEntryW, FindCloseUrlCache), for the
// cleanup that empties it except cookies and history.
//
// Two kinds of cache exist.  WinINet's is a list of entries that the shared
// cleanup walks record by record on a worker thread (the find and delete
// operations are thread-safe).  A web engine without such a list (WebKitGTK)
// empties its own cache instead, asynchronously on the user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pf {

struct UrlCacheFind;  // defined by the backend
using HCacheFind = UrlCacheFind*;

class UrlCache {
 public:
  virtual ~UrlCache() = default;

  // True when the cache is a list of entries walked with the operations
  // below; false when ClearEngineCache empties it.
  virtual bool WalksEntries() const = 0;

  // FindFirstUrlCacheEntryW(no search pattern, record, size).  `record` holds
  // `size` bytes whose first four are the record's size field.  The
  // enumeration, or null on failure; a failure for lack of room stores the
  // size needed in `size`.
  virtual HCacheFind FindFirstEntry(uint8_t* record, uint32_t& size) = 0;
  // FindNextUrlCacheEntryW: the same rules; false at the end or on failure.
  virtual bool FindNextEntry(HCacheFind find, uint8_t* record, uint32_t& size) = 0;
  // The source URL name of a record that a find call filled.
  virtual std::wstring SourceUrlName(const uint8_t* record) const = 0;
  // DeleteUrlCacheEntryW.
  virtual bool DeleteEntry(const std::wstring& sourceUrlName) = 0;
  // FindCloseUrlCache; null is allowed (and fails).
  virtual bool FindClose(HCacheFind find) = 0;

  // Engines that keep their own cache: empties it except cookies and
  // history.  Returns at once; `done` runs later on the user-interface thread,
  // whether the cleanup succeeded or not.  Called on the user-interface thread.
  virtual void ClearEngineCache(std::function<void()> done) = 0;
};

}  // namespace pf
